// The helper's dump of the crashed process: its threads stopped through ptrace, their registers,
// and their stacks' memory from the process's map.

#include "plattform/absturz/plattform_abbildungen.h"
#include "plattform/absturz/plattform_helfer.h"

#include "plattform/system/plattform_system.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <signal.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <sys/wait.h>

namespace Plattform {

namespace {

constexpr int64_t kHalteFrist = 2 * kZaehlerFrequenz;

std::vector<uint32_t> FadenListe(uint32_t prozess) {
    std::vector<uint32_t> faeden;
    std::error_code fehler;
    for (const auto& eintrag :
         std::filesystem::directory_iterator("/proc/" + std::to_string(prozess) + "/task", fehler)) {
        const std::string name = eintrag.path().filename().string();
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
            faeden.push_back(uint32_t(std::stoul(name)));
    }
    return faeden;
}

void KontextAusPtrace(const user_regs_struct& r, const user_fpregs_struct& gleitkomma, MdKontext& ziel) {
    ziel = MdKontext{};
    ziel.mFlags = kKontextVoll;
    ziel.mRax = r.rax;
    ziel.mRcx = r.rcx;
    ziel.mRdx = r.rdx;
    ziel.mRbx = r.rbx;
    ziel.mRsp = r.rsp;
    ziel.mRbp = r.rbp;
    ziel.mRsi = r.rsi;
    ziel.mRdi = r.rdi;
    const uint64_t hoehere[8] = {r.r8, r.r9, r.r10, r.r11, r.r12, r.r13, r.r14, r.r15};
    std::copy(hoehere, hoehere + 8, ziel.mR);
    ziel.mRip = r.rip;
    ziel.mEflags = uint32_t(r.eflags);
    ziel.mCs = uint16_t(r.cs);
    ziel.mDs = uint16_t(r.ds);
    ziel.mEs = uint16_t(r.es);
    ziel.mFs = uint16_t(r.fs);
    ziel.mGs = uint16_t(r.gs);
    ziel.mSs = uint16_t(r.ss);
    static_assert(sizeof gleitkomma == sizeof ziel.mFxsave);
    std::memcpy(ziel.mFxsave, &gleitkomma, sizeof ziel.mFxsave);
    ziel.mMxcsr = gleitkomma.mxcsr;
}

// Holds the threads of a process stopped while it lives; each goes on as it was when it ends.
class TFadenHalter {
public:
    TFadenHalter(uint32_t prozess, uint32_t ausser) {
        std::vector<uint32_t> gefasst;
        for (const uint32_t faden : FadenListe(prozess))
            if (faden != ausser && ptrace(PTRACE_SEIZE, faden, nullptr, nullptr) == 0 &&
                ptrace(PTRACE_INTERRUPT, faden, nullptr, nullptr) == 0)
                gefasst.push_back(faden);
        const int64_t ende = LiesZaehler() + kHalteFrist;
        for (const uint32_t faden : gefasst)
            WarteAufHalt(faden, ende);
    }
    ~TFadenHalter() {
        for (const Gehalten& gehalten : mGehalten)
            ptrace(PTRACE_DETACH, gehalten.mFaden, nullptr, reinterpret_cast<void*>(intptr_t(gehalten.mSignal)));
    }
    TFadenHalter(const TFadenHalter&) = delete;
    TFadenHalter& operator=(const TFadenHalter&) = delete;

    void Sammle(std::vector<DumpFaden>& faeden) const {
        for (const Gehalten& gehalten : mGehalten) {
            user_regs_struct register_{};
            user_fpregs_struct gleitkomma{};
            if (ptrace(PTRACE_GETREGS, gehalten.mFaden, nullptr, &register_) != 0 ||
                ptrace(PTRACE_GETFPREGS, gehalten.mFaden, nullptr, &gleitkomma) != 0)
                continue;
            DumpFaden faden;
            faden.mId = gehalten.mFaden;
            KontextAusPtrace(register_, gleitkomma, faden.mKontext);
            faeden.push_back(faden);
        }
    }

private:
    struct Gehalten {
        uint32_t mFaden;
        int mSignal; // a signal that arrived before the stop, handed back when the thread goes on
    };

    void WarteAufHalt(uint32_t faden, int64_t ende) {
        for (;;) {
            int status = 0;
            const pid_t gestoppt = waitpid(pid_t(faden), &status, __WALL | WNOHANG);
            if (gestoppt == pid_t(faden) && WIFSTOPPED(status)) {
                const bool eigenerHalt = (status >> 16) == PTRACE_EVENT_STOP;
                mGehalten.push_back({faden, eigenerHalt ? 0 : WSTOPSIG(status)});
                return;
            }
            if (gestoppt != 0 || LiesZaehler() >= ende)
                return;
            Schlafe(1);
        }
    }

    std::vector<Gehalten> mGehalten;
};

} // namespace

bool SchreibeProzessDump(int datei, const HelferAuftrag& auftrag, const std::vector<HelferModul>& module,
                         uint32_t& fehler) {
    const TFadenHalter halter(auftrag.mProzess, auftrag.mMitAusnahme ? auftrag.mFaden : 0);
    std::vector<DumpFaden> faeden;
    if (auftrag.mMitAusnahme)
        faeden.push_back({auftrag.mFaden, auftrag.mKontext, 0});
    halter.Sammle(faeden);
    // The thread that faulted or asked comes first.
    std::stable_partition(faeden.begin(), faeden.end(),
                          [&](const DumpFaden& f) { return f.mId == auftrag.mFaden; });
    for (DumpFaden& faden : faeden)
        FindeStapel(auftrag.mProzess, faden.mKontext.mRsp, faden.mStapelUnten, faden.mStapelOben);

    std::vector<ModulBereich> bereiche;
    for (const HelferModul& modul : module)
        bereiche.push_back(modul.mBereich);
    const DumpInhalt inhalt{auftrag.mProzess, faeden.data(), faeden.size(), bereiche.data(), bereiche.size(),
                            auftrag.mMitAusnahme ? &auftrag.mAusnahme : nullptr};
    return SchreibeMiniDump(datei, inhalt, fehler);
}

} // namespace Plattform
