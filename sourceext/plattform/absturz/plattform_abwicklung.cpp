#include "plattform/absturz/plattform_abwicklung.h"

#include "plattform/absturz/plattform_cfi.h"
#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <link.h>
#include <linux/futex.h>
#include <mutex>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

namespace Plattform {

namespace {

Cfi::Register AusKontext(const ucontext_t& kontext) {
    static constexpr int kGreg[Cfi::kRegisterAnzahl] = {
        REG_RAX, REG_RDX, REG_RCX, REG_RBX, REG_RSI, REG_RDI, REG_RBP, REG_RSP, REG_R8,
        REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
    Cfi::Register reg;
    for (int i = 0; i < Cfi::kRegisterAnzahl; ++i) {
        reg.mWert[i] = uint64_t(kontext.uc_mcontext.gregs[kGreg[i]]);
        reg.mBekannt[i] = true;
    }
    return reg;
}

// The modules' unwind tables, taken once before a walk: the walk then needs no lock of the dynamic
// loader, which a thread stopped for its walk may hold.
struct Tabellen {
    struct Modul {
        uint64_t mAnfang;
        uint64_t mEnde;
        const uint8_t* mKopf; // .eh_frame_hdr
    };
    static constexpr size_t kMaxModule = 512;
    Modul mModule[kMaxModule];
    size_t mAnzahl = 0;

    const uint8_t* Kopf(uint64_t pc) const {
        for (size_t i = 0; i < mAnzahl; ++i)
            if (pc >= mModule[i].mAnfang && pc < mModule[i].mEnde)
                return mModule[i].mKopf;
        return nullptr;
    }
};

int NimmModul(dl_phdr_info* info, size_t, void* daten) {
    auto* tabellen = static_cast<Tabellen*>(daten);
    if (tabellen->mAnzahl == Tabellen::kMaxModule)
        return 1;
    Tabellen::Modul modul{UINT64_MAX, 0, nullptr};
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const uint64_t anfang = info->dlpi_addr + segment.p_vaddr;
        if (segment.p_type == PT_LOAD) {
            modul.mAnfang = std::min(modul.mAnfang, anfang);
            modul.mEnde = std::max(modul.mEnde, anfang + segment.p_memsz);
        } else if (segment.p_type == PT_GNU_EH_FRAME) {
            modul.mKopf = reinterpret_cast<const uint8_t*>(anfang);
        }
    }
    if (modul.mKopf && modul.mEnde > modul.mAnfang)
        tabellen->mModule[tabellen->mAnzahl++] = modul;
    return 0;
}

void NimmTabellen(Tabellen& tabellen) {
    tabellen.mAnzahl = 0;
    dl_iterate_phdr(&NimmModul, &tabellen);
}

// Where a jump left every unwind table behind, the last thing pushed is the caller's return address.
bool NimmRuecksprung(Cfi::Register& reg) {
    uint64_t ruecksprung = 0;
    if (!LiesSpeicher(0, reg.mWert[Cfi::kRsp], &ruecksprung, sizeof ruecksprung))
        return false;
    reg.mWert[Cfi::kRip] = ruecksprung;
    reg.mWert[Cfi::kRsp] += sizeof ruecksprung;
    return true;
}

size_t Wandere(const Tabellen& tabellen, Cfi::Register reg, uint64_t pc, Rahmen* rahmen, size_t max) {
    size_t anzahl = 0;
    bool exakt = true;
    while (anzahl < max) {
        rahmen[anzahl++] = Rahmen{pc, !exakt};
        const uint64_t stapel = reg.mWert[Cfi::kRsp];
        const uint64_t suche = exakt ? pc : pc - 1;
        const uint8_t* kopf = tabellen.Kopf(suche);
        bool signal = false;
        if (kopf && Cfi::Schritt(kopf, suche, reg, signal)) {
            // Each caller's frame lies above its callee's, unless a signal switched stacks.
            if (!signal && reg.mWert[Cfi::kRsp] <= stapel)
                break;
        } else if (anzahl > 1 || !NimmRuecksprung(reg)) {
            break;
        }
        pc = reg.mWert[Cfi::kRip];
        if (pc == 0)
            break;
        exakt = signal;
    }
    return anzahl;
}

// ---- another thread: stopped in a signal handler that hands over its context

enum Uebergabe : int { kFrei, kWartet, kSchreibt, kBereit, kFertig };
std::atomic<int> gUebergabe{kFrei};
std::atomic<uint32_t> gZielFaden{0};
ucontext_t gUebergabeKontext;
constexpr int64_t kAntwortFrist = 1'000'000'000;

// A real-time signal: queued per thread, and none that glibc, the sanitizers or a library of ours
// takes for itself.
int AnhalteSignal() {
    return SIGRTMIN + 3;
}

int* FutexWort(std::atomic<int>& wert) {
    static_assert(sizeof(std::atomic<int>) == sizeof(int));
    return reinterpret_cast<int*>(&wert);
}

void Wecke(std::atomic<int>& wert) {
    syscall(SYS_futex, FutexWort(wert), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

// Waits until `wert` holds `ziel`, at most `nanos` (negative: without end). Signal-safe.
bool WarteAuf(std::atomic<int>& wert, int ziel, int64_t nanos) {
    const int64_t ende = LiesZaehler() + nanos;
    for (;;) {
        const int jetzt = wert.load();
        if (jetzt == ziel)
            return true;
        const int64_t rest = ende - LiesZaehler();
        if (nanos >= 0 && rest <= 0)
            return false;
        const timespec frist{time_t(rest / 1'000'000'000), long(rest % 1'000'000'000)};
        syscall(SYS_futex, FutexWort(wert), FUTEX_WAIT_PRIVATE, jetzt, nanos >= 0 ? &frist : nullptr, nullptr, 0);
    }
}

void HalteAn(int, siginfo_t*, void* kontext) {
    const int fehler = errno;
    int erwartet = kWartet;
    if (FadenId() == gZielFaden.load() && gUebergabe.compare_exchange_strong(erwartet, kSchreibt)) {
        LiesSpeicher(0, uint64_t(kontext), &gUebergabeKontext, sizeof gUebergabeKontext);
        gUebergabe.store(kBereit);
        Wecke(gUebergabe);
        WarteAuf(gUebergabe, kFertig, -1);
        gUebergabe.store(kFrei);
        Wecke(gUebergabe);
    }
    errno = fehler;
}

bool InstalliereAnhalteSignal() {
    struct sigaction aktion{};
    aktion.sa_sigaction = &HalteAn;
    // Interrupted system calls start again: the thread goes on as if nothing had happened.
    aktion.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
    sigemptyset(&aktion.sa_mask);
    return sigaction(AnhalteSignal(), &aktion, nullptr) == 0;
}

// Whether the page at `seite` can be read, asked of the kernel, which answers EFAULT instead of
// faulting: rt_sigprocmask reads its new mask before it looks at `how`, and an invalid `how` then
// leaves the mask as it was. No descriptor and no tracing right are needed, so this works where a
// sandbox refuses process_vm_readv or every descriptor is in use.
bool SeiteLesbar(uint64_t seite) {
    constexpr int kUngueltig = -1;
    constexpr size_t kKernMaske = 8;
    return syscall(SYS_rt_sigprocmask, kUngueltig, reinterpret_cast<const void*>(seite), nullptr, kKernMaske) != 0 &&
           errno == EINVAL;
}

// Read directly, once every page of the range proved readable. Unchecked by AddressSanitizer: the
// stack beyond the live frames is poisoned for it, and a crash report reads exactly that.
__attribute__((no_sanitize("address"))) bool LiesEigenenSpeicher(uint64_t adresse, uint8_t* ziel, size_t groesse) {
    constexpr uint64_t kSeite = 4096;
    if (groesse == 0)
        return true;
    if (adresse > UINT64_MAX - (groesse - 1))
        return false;
    const uint64_t letzte = (adresse + (groesse - 1)) & ~(kSeite - 1);
    const int fehler = errno;
    bool lesbar = true;
    for (uint64_t seite = adresse & ~(kSeite - 1); lesbar; seite += kSeite) {
        lesbar = SeiteLesbar(seite);
        if (seite == letzte)
            break;
    }
    errno = fehler;
    if (!lesbar)
        return false;
    // Byte by byte through volatile: a call to memcpy would reach the sanitizer's checked copy.
    const volatile uint8_t* quelle = reinterpret_cast<const volatile uint8_t*>(adresse);
    for (size_t i = 0; i < groesse; ++i)
        ziel[i] = quelle[i];
    return true;
}

} // namespace

size_t LiesAufrufstapel(const void* kontext, uint64_t befehl, Rahmen* rahmen, size_t max) {
    if (max == 0)
        return 0;
    Tabellen tabellen;
    NimmTabellen(tabellen);
    if (kontext) {
        const Cfi::Register reg = AusKontext(*static_cast<const ucontext_t*>(kontext));
        return Wandere(tabellen, reg, befehl ? befehl : reg.mWert[Cfi::kRip], rahmen, max);
    }
    ucontext_t jetzt;
    getcontext(&jetzt);
    const Cfi::Register reg = AusKontext(jetzt);
    const size_t anzahl = Wandere(tabellen, reg, reg.mWert[Cfi::kRip], rahmen, max);
    if (anzahl == 0)
        return 0;
    // The first frame is this function.
    std::memmove(rahmen, rahmen + 1, (anzahl - 1) * sizeof *rahmen);
    return anzahl - 1;
}

bool LiesFadenAufrufstapel(uint32_t faden, Rahmen* rahmen, size_t max, size_t& anzahl) {
    static std::mutex sperre;
    const std::lock_guard<std::mutex> einerZurZeit(sperre);
    static const bool installiert = InstalliereAnhalteSignal();
    anzahl = 0;
    // The calling thread would wait in its own handler for itself.
    if (!installiert || faden == FadenId())
        return false;
    Tabellen tabellen;
    NimmTabellen(tabellen);
    gZielFaden.store(faden);
    gUebergabe.store(kWartet);
    if (tgkill(getpid(), pid_t(faden), AnhalteSignal()) != 0) {
        gUebergabe.store(kFrei);
        return false;
    }
    if (!WarteAuf(gUebergabe, kBereit, kAntwortFrist)) {
        int erwartet = kWartet;
        if (gUebergabe.compare_exchange_strong(erwartet, kFrei))
            return false;
        // The handler started just now: its context follows at once.
        WarteAuf(gUebergabe, kBereit, -1);
    }
    const Cfi::Register reg = AusKontext(gUebergabeKontext);
    anzahl = Wandere(tabellen, reg, reg.mWert[Cfi::kRip], rahmen, max);
    gUebergabe.store(kFertig);
    Wecke(gUebergabe);
    WarteAuf(gUebergabe, kFrei, -1);
    return true;
}

bool LiesSpeicher(uint32_t prozess, uint64_t adresse, void* ziel, size_t groesse) {
    if (prozess == 0 || pid_t(prozess) == getpid())
        return LiesEigenenSpeicher(adresse, static_cast<uint8_t*>(ziel), groesse);
    iovec hier{ziel, groesse};
    iovec dort{reinterpret_cast<void*>(adresse), groesse};
    return syscall(SYS_process_vm_readv, pid_t(prozess), &hier, 1, &dort, 1, 0) == long(groesse);
}

} // namespace Plattform
