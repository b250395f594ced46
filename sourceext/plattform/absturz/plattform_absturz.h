#pragma once
// The process's crash handler on Linux: the fault signals, mapped to the exception codes the
// crash report prints, handed to one filter on the faulting thread; plus the signal-safe look-ups
// the report needs (module and section of an address, the loaded modules).

#include <cstddef>
#include <cstdint>

namespace Plattform {

// Exception codes the fault signals map to.
namespace AusnahmeCode {
constexpr uint32_t kFehlausrichtung = 0x80000002;
constexpr uint32_t kHaltepunkt = 0x80000003;
constexpr uint32_t kEinzelschritt = 0x80000004;
constexpr uint32_t kZugriffsverletzung = 0xC0000005;
constexpr uint32_t kSeitenfehler = 0xC0000006;
constexpr uint32_t kUngueltigeAnweisung = 0xC000001D;
constexpr uint32_t kFeldgrenze = 0xC000008C;
constexpr uint32_t kFliessDivisionDurchNull = 0xC000008E;
constexpr uint32_t kFliessUngenau = 0xC000008F;
constexpr uint32_t kFliessUngueltig = 0xC0000090;
constexpr uint32_t kFliessUeberlauf = 0xC0000091;
constexpr uint32_t kFliessUnterlauf = 0xC0000093;
constexpr uint32_t kGanzDivisionDurchNull = 0xC0000094;
constexpr uint32_t kGanzUeberlauf = 0xC0000095;
constexpr uint32_t kPrivilegierteAnweisung = 0xC0000096;
constexpr uint32_t kStapelUeberlauf = 0xC00000FD;
// An uncaught C++ exception (std::terminate aborts the process).
constexpr uint32_t kCppAusnahme = 0xE06D7363;
} // namespace AusnahmeCode

// The system's message text for an exception code: the description of the signal it stands for
// ("Aborted" for an abort), "" for a code no signal maps to. Signal-safe.
const char* SystemText(uint32_t code);

// One fault as the filter sees it. For an access violation the two parameters are the kind of
// access (0 read, 1 write, 8 execute) and the address that was accessed.
struct AusnahmeZeiger {
    uint32_t mCode = 0;
    // The faulting instruction (for a breakpoint the int3 itself, one byte before the context's).
    uint64_t mAdresse = 0;
    uint32_t mParameterAnzahl = 0;
    uint64_t mParameter[15] = {};
    uint32_t mFadenId = 0;
    // The signal as the kernel gave it: number, si_code and si_addr, the dump's exception record.
    int mSignal = 0;
    int mSignalArt = 0;
    uint64_t mFehlerAdresse = 0;
    // The faulting thread's registers (a ucontext_t), for the minidump and the stack walk.
    const void* mKontext = nullptr;
};

// What a filter returns: go on to the default handling (the process ends), or carry on with the
// faulting thread (it faults again unless the filter mended the cause).
constexpr int kWeiterSuchen = 0;
constexpr int kAusfuehrungFortsetzen = -1;
using AusnahmeFilter = int (*)(const AusnahmeZeiger* zeiger);

// Installs `filter` for SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP and SIGABRT on the alternate
// signal stack, keeping the actions installed before (a second call keeps the first ones unless
// someone replaced ours in between). Returns the filter that chains to them: calling it hands the
// fault back to the previous action, which then decides, as it would have without us.
// Also unsets DEBUGINFOD_URLS (nothing may be downloaded inside a crash) and keeps a few
// descriptors in reserve, which the handler frees for the report.
AusnahmeFilter SetzeAusnahmeFilter(AusnahmeFilter filter);

// Seconds a handler may take before the process is ended by SIGALRM; the dump comes first.
constexpr unsigned kWachhundSekunden = 20;

// Where an address lies: its module's path, and the number and offset of the ELF section that
// holds it (number 0 when no allocated section does). Signal-safe. False outside every module.
struct AdressOrt {
    char mModul[1024] = {};
    uint32_t mAbschnitt = 0;
    uint64_t mVersatz = 0;
};
bool FindeAdressOrt(uint64_t adresse, AdressOrt& ort);

// One loaded module: lowest address, size of its mapped range, path (the executable's real path)
// and the GNU build id its notes carry (length 0 without one).
struct ModulBereich {
    static constexpr size_t kMaxBauId = 64;
    uint64_t mBasis;
    uint64_t mGroesse;
    const char* mPfad;
    uint32_t mBauIdLaenge;
    uint8_t mBauId[kMaxBauId];
};
// Fills up to `max` modules; returns how many. Signal-safe; the paths live as long as the module.
size_t LiesModule(ModulBereich* module, size_t max);

// The kernel's release numbers and version text (uname), for the report and the dump.
struct SystemVersion {
    uint32_t mHaupt = 0, mNeben = 0, mBau = 0;
    char mText[256] = {};
};
constexpr uint32_t kPlattformLinux = 0x8201;
SystemVersion LiesSystemVersion();

// The path of the running executable, read once and kept; signal-safe after the first call.
const char* ProgrammPfadText();

} // namespace Plattform
