#include "plattform/absturz/plattform_helfer.h"

#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Plattform {

namespace {

std::atomic<bool> gGesperrt{false};

constexpr size_t kMaxModule = 512;
// Bounds a helper accepts, well above what a crashed process sends.
constexpr uint32_t kMaxRahmen = 4096;
constexpr uint32_t kMaxPfad = 4096;

// Waits until the channel is ready for `ereignis`; false once the deadline (0: none) has passed.
bool WarteAufKanal(int kanal, short ereignis, int64_t frist) {
    if (frist == 0)
        return true;
    for (;;) {
        const int64_t rest = frist - LiesZaehler();
        if (rest <= 0)
            return false;
        pollfd warte{kanal, ereignis, 0};
        const int bereit = poll(&warte, 1, int(std::min<int64_t>(rest / 1'000'000 + 1, INT_MAX)));
        if (bereit > 0)
            return true;
        if (bereit < 0 && errno != EINTR)
            return false;
    }
}

bool SendeGanz(int kanal, const void* daten, size_t groesse, int64_t frist) {
    const char* zeiger = static_cast<const char*>(daten);
    while (groesse > 0) {
        const ssize_t n = send(kanal, zeiger, groesse, MSG_NOSIGNAL | (frist ? MSG_DONTWAIT : 0));
        if (n > 0) {
            zeiger += n;
            groesse -= size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (!(n < 0 && errno == EAGAIN) || !WarteAufKanal(kanal, POLLOUT, frist)) {
            return false;
        }
    }
    return true;
}

struct HelferStart {
    int mKanal;
    const char* const* mArgumente;
};

// The started child, on a stack of its own inside the waiting parent's frame: it only sets up the
// channel and replaces itself with the helper. Unchecked by AddressSanitizer, whose shadow of that
// stack belongs to the parent.
__attribute__((no_sanitize("address"))) int WerdeHelfer(void* daten) {
    const HelferStart& start = *static_cast<const HelferStart*>(daten);
    const bool bereit = start.mKanal == kHelferKanal ? fcntl(kHelferKanal, F_SETFD, 0) == 0
                                                     : dup2(start.mKanal, kHelferKanal) == kHelferKanal;
    // The helper takes none of the descriptors the program left open: a program that leaked
    // every one would leave its helper none of its own.
    syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC);
    if (bereit)
        execve("/proc/self/exe", const_cast<char* const*>(start.mArgumente), environ);
    _exit(127);
}

bool LiesGanz(int kanal, void* ziel, size_t groesse, int64_t frist) {
    char* zeiger = static_cast<char*>(ziel);
    while (groesse > 0) {
        if (!WarteAufKanal(kanal, POLLIN, frist))
            return false;
        const ssize_t n = read(kanal, zeiger, groesse);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        zeiger += n;
        groesse -= size_t(n);
    }
    return true;
}

} // namespace

THelferVerbindung::~THelferVerbindung() {
    if (mKanal >= 0)
        close(mKanal);
    if (mProzess <= 0)
        return;
    // The helper ends once it has answered; one that hangs is ended at the deadline.
    int status = 0;
    while (waitpid(mProzess, &status, WNOHANG) == 0) {
        if (LiesZaehler() >= mFrist) {
            kill(mProzess, SIGKILL);
            waitpid(mProzess, &status, 0);
            return;
        }
        Schlafe(1);
    }
}

bool THelferVerbindung::Starte() {
    int kanaele[2];
    if (gGesperrt.load() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, kanaele) != 0)
        return false;
    // As vfork, which neither copies the memory nor runs the fork handlers (the heap's lock may be
    // held by the fault), but through clone: AddressSanitizer's vfork cannot start from a signal
    // stack.
    const char* const argumente[] = {ProgrammPfadText(), kHelferSchalter, nullptr};
    HelferStart start{kanaele[1], argumente};
    alignas(16) char kindStapel[16 * 1024];
    const pid_t kind =
        clone(&WerdeHelfer, kindStapel + sizeof kindStapel, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    close(kanaele[1]);
    if (kind < 0) {
        close(kanaele[0]);
        return false;
    }
    mKanal = kanaele[0];
    mProzess = kind;
    mFrist = LiesZaehler() + kHelferFristSekunden * kZaehlerFrequenz;
    // Where Yama restricts tracing to ancestors, a process may still name one tracer of its own.
    prctl(PR_SET_PTRACER, kind, 0, 0, 0);
    return true;
}

bool THelferVerbindung::SendeAuftrag(const AusnahmeZeiger* zeiger, const Rahmen* rahmen, size_t anzahl,
                                     const char* dumpPfad) {
    HelferAuftrag auftrag;
    auftrag.mProzess = uint32_t(getpid());
    auftrag.mFaden = zeiger ? zeiger->mFadenId : FadenId();
    if (zeiger) {
        auftrag.mMitAusnahme = 1;
        auftrag.mAusnahme = *zeiger;
        auftrag.mAusnahme.mKontext = nullptr;
        KontextAusSignal(zeiger->mKontext, auftrag.mKontext);
    }
    const size_t pfadLaenge = strnlen(dumpPfad, sizeof auftrag.mDumpPfad);
    if (pfadLaenge < sizeof auftrag.mDumpPfad)
        std::memcpy(auftrag.mDumpPfad, dumpPfad, pfadLaenge + 1);
    ModulBereich module[kMaxModule];
    auftrag.mModulAnzahl = uint32_t(LiesModule(module, kMaxModule));
    auftrag.mRahmenAnzahl = uint32_t(std::min<size_t>(anzahl, kMaxRahmen));

    if (!SendeGanz(mKanal, &auftrag, sizeof auftrag, mFrist) ||
        !SendeGanz(mKanal, rahmen, auftrag.mRahmenAnzahl * sizeof *rahmen, mFrist))
        return false;
    for (uint32_t i = 0; i < auftrag.mModulAnzahl; ++i) {
        HelferModulKopf kopf{};
        kopf.mBasis = module[i].mBasis;
        kopf.mGroesse = module[i].mGroesse;
        kopf.mBauIdLaenge = module[i].mBauIdLaenge;
        std::memcpy(kopf.mBauId, module[i].mBauId, sizeof kopf.mBauId);
        kopf.mPfadLaenge = uint32_t(strnlen(module[i].mPfad, kMaxPfad));
        if (!SendeGanz(mKanal, &kopf, sizeof kopf, mFrist) ||
            !SendeGanz(mKanal, module[i].mPfad, kopf.mPfadLaenge, mFrist))
            return false;
    }
    return true;
}

bool THelferVerbindung::Empfange(HelferAntwort& antwort) {
    uint32_t kopf[2];
    if (mKanal < 0 || !LiesGanz(mKanal, kopf, sizeof kopf, mFrist) || kopf[1] >= sizeof antwort.mDaten)
        return false;
    antwort.mArt = HelferAntwortArt(kopf[0]);
    antwort.mLaenge = kopf[1];
    if (!LiesGanz(mKanal, antwort.mDaten, antwort.mLaenge, mFrist))
        return false;
    antwort.mDaten[antwort.mLaenge] = 0;
    return true;
}

void SperreHelfer(bool gesperrt) {
    gGesperrt.store(gesperrt);
}

void BegrenzeHelfer() {
    alarm(unsigned(2 * kHelferFristSekunden));
}

bool IstHelferKanal(int kanal) {
    struct stat art{};
    int familie = 0, typ = 0;
    socklen_t laenge = sizeof familie;
    if (fstat(kanal, &art) != 0 || !S_ISSOCK(art.st_mode) ||
        getsockopt(kanal, SOL_SOCKET, SO_DOMAIN, &familie, &laenge) != 0)
        return false;
    laenge = sizeof typ;
    return getsockopt(kanal, SOL_SOCKET, SO_TYPE, &typ, &laenge) == 0 && familie == AF_UNIX && typ == SOCK_STREAM;
}

bool UebernimmHelferAuftrag(int kanal, HelferAuftrag& auftrag, std::vector<Rahmen>& rahmen,
                            std::vector<HelferModul>& module) {
    // The crashed process sends at once; it waits no longer than this itself.
    const int64_t frist = LiesZaehler() + kHelferFristSekunden * kZaehlerFrequenz;
    if (!LiesGanz(kanal, &auftrag, sizeof auftrag, frist))
        return false;
    auftrag.mAusnahme.mKontext = nullptr;
    if (auftrag.mRahmenAnzahl > kMaxRahmen || auftrag.mModulAnzahl > kMaxModule ||
        auftrag.mAusnahme.mParameterAnzahl > 15 || !std::memchr(auftrag.mDumpPfad, 0, sizeof auftrag.mDumpPfad))
        return false;
    rahmen.resize(auftrag.mRahmenAnzahl);
    if (!LiesGanz(kanal, rahmen.data(), rahmen.size() * sizeof(Rahmen), frist))
        return false;
    module.resize(auftrag.mModulAnzahl);
    for (HelferModul& modul : module) {
        HelferModulKopf kopf;
        if (!LiesGanz(kanal, &kopf, sizeof kopf, frist) || kopf.mBauIdLaenge > ModulBereich::kMaxBauId ||
            kopf.mPfadLaenge > kMaxPfad)
            return false;
        modul.mPfadText.resize(kopf.mPfadLaenge);
        if (!LiesGanz(kanal, modul.mPfadText.data(), kopf.mPfadLaenge, frist))
            return false;
        modul.mBereich = ModulBereich{kopf.mBasis, kopf.mGroesse, nullptr, kopf.mBauIdLaenge, {}};
        std::memcpy(modul.mBereich.mBauId, kopf.mBauId, sizeof kopf.mBauId);
    }
    // The strings stay where they are now: the list is complete.
    for (HelferModul& modul : module)
        modul.mBereich.mPfad = modul.mPfadText.c_str();
    return true;
}

bool SendeHelferAntwort(int kanal, HelferAntwortArt art, const void* daten, size_t groesse) {
    const uint32_t kopf[2] = {uint32_t(art), uint32_t(groesse)};
    return SendeGanz(kanal, kopf, sizeof kopf, 0) && SendeGanz(kanal, daten, groesse, 0);
}

} // namespace Plattform
