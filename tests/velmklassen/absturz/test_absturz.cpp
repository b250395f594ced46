#include "plattform/absturz/plattform_helfer.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_absturz.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <thread>

// glibc's own allocator, which the sanitizer build's does not replace.
extern "C" void* __libc_malloc(size_t groesse);
extern "C" void __libc_free(void* block);

namespace {

// Whether the crash filter was in place when the first static initialisers after it ran, which
// come before the engine's own (the log's run at priority 200, the rest at the default).
bool gFilterVorDenAnderen = false;
__attribute__((constructor(102))) void PruefeFilterVorDenAnderen() {
    struct sigaction aktion {};
    sigaction(SIGSEGV, nullptr, &aktion);
    gFilterVorDenAnderen = (aktion.sa_flags & SA_SIGINFO) != 0;
}

volatile int gNull = 0;
volatile bool gNie = false;

// The faults must reach the processor also in the sanitizer build, not be caught before it.
__attribute__((noinline, no_sanitize("null"))) void SchreibeNull() {
    *reinterpret_cast<volatile int*>(uintptr_t(gNull)) = 1;
}

__attribute__((noinline, no_sanitize("integer-divide-by-zero"))) void TeileDurchNull() {
    volatile int ergebnis = 7 / gNull;
    (void)ergebnis;
}

__attribute__((noinline)) void Haltepunkt() {
    asm volatile("int3"); // the line the report's first frame names
}
constexpr int kInt3Zeile = __LINE__ - 2;

using Funktion = void (*)();
volatile Funktion gKeineFunktion = nullptr;

// The call is no tail call: the store after it keeps this frame, whose line the report names.
__attribute__((noinline)) void RufeNullAuf() {
    gKeineFunktion();
    gNull = 0;
}
constexpr int kNullAufrufZeile = __LINE__ - 3;

__attribute__((noinline)) void Wirf() {
    if (!gNie)
        throw std::runtime_error("ungefangen");
}

__attribute__((noinline)) void WerfeUngefangen() noexcept {
    Wirf();
}

// Frees a block into glibc's list of unsorted free blocks, points its links elsewhere and allocates
// again: malloc finds the list broken and aborts while it holds the heap's lock, which it takes
// because a second thread lives.
uint64_t gKoeder[4] = {};
__attribute__((noinline)) void ZerstoereFreieListe() {
    std::thread([] { Plattform::Schlafe(60000); }).detach();
    // A large block first sorts what the list held, so that the freed block is its only entry.
    __libc_malloc(0x10000);
    // A block in use right behind it keeps the freed block from merging: once the free blocks
    // that fit are used up, both come one after the other from the heap's top.
    constexpr size_t kGroesse = 0x500, kBlockAbstand = kGroesse + 16;
    char* block = static_cast<char*>(__libc_malloc(kGroesse));
    for (char* dahinter; (dahinter = static_cast<char*>(__libc_malloc(kGroesse))) != block + kBlockAbstand;)
        block = dahinter;
    __libc_free(block);
    uint64_t* verweise = reinterpret_cast<uint64_t*>(block);
    verweise[0] = verweise[1] = uint64_t(gKoeder);
    __libc_malloc(kGroesse);
    gNull = 0;
}

__attribute__((noinline)) void AbsturzImAuftrag() {
    Velm_ParallelKern kern;
    kern.StarteSofort([] { SchreibeNull(); });
    // The main thread never flushes queued lines again: the report must not depend on it.
    Plattform::Schlafe(60000);
}

} // namespace

std::string Zeile(const char* funktion, int zeile) {
    return "test_absturz.cpp (" + std::to_string(zeile) + "): (anonymous namespace)::" + funktion;
}

// Whether a frame line names the function: the name closes the line.
bool Nennt(const std::string& zeile, const std::string& funktion) {
    return zeile.size() >= funktion.size() + 2 &&
           zeile.compare(zeile.size() - funktion.size() - 2, std::string::npos, ": " + funktion) == 0;
}

TEST(Absturz, JederFehlerSchreibtBerichtUndDumpUndBeendetDenProzess) {
    struct Fall {
        const char* mName;
        std::function<void()> mRumpf;
        int mSignal; // that ends the child, or minus its exit code
        const char* mCode;
        std::string mErsterRahmen; // what the first frame line holds
        bool mBisMain = true;      // the walk reaches the program's entry
    };
    const Fall faelle[] = {
        {"Nullzeiger", SchreibeNull, SIGSEGV, "C0000005 ACCESS_VIOLATION\n", "::SchreibeNull()"},
        {"Division", TeileDurchNull, SIGFPE, "C0000094 INT_DIVIDE_BY_ZERO\n", "::TeileDurchNull()"},
        // The context stands behind the int3; the first frame is the int3's own line.
        {"int3", Haltepunkt, SIGTRAP, "80000003 BREAKPOINT\n", Zeile("Haltepunkt()", kInt3Zeile)},
        // Address 0 gives no frame line; the next frame is the caller at the call's line.
        {"Nullaufruf", RufeNullAuf, SIGSEGV, "C0000005 ACCESS_VIOLATION\n",
         Zeile("RufeNullAuf()", kNullAufrufZeile)},
        // The walk stops after its most frames, deep in the recursion.
        {"Rekursion", [] { Rekursion(0); }, SIGSEGV, "C00000FD STACK_OVERFLOW\n", ": Rekursion(int)", false},
        {"Auftrag", AbsturzImAuftrag, SIGSEGV, "C0000005 ACCESS_VIOLATION\n", "::SchreibeNull()", false},
        // The engine's debugger break is a breakpoint instruction of its own.
        {"Debugger-Halt", [] { Plattform::Haltepunkt(); }, SIGTRAP, "80000003 BREAKPOINT\n",
         ": Plattform::Haltepunkt()"},
        {"C++-Ausnahme", WerfeUngefangen, SIGABRT, "E06D7363 Aborted\n", ""},
        // A handler installed before ours decides after the report how the process ends.
        {"vorheriger Handler",
         [] {
             std::signal(SIGSEGV, [](int) { _exit(42); });
             Velm_InstalliereAusnahmeFilter();
             Velm_InstalliereAusnahmeFilter();
             SchreibeNull();
         },
         -42, "C0000005 ACCESS_VIOLATION\n", "::SchreibeNull()"},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.mName);
        TTempOrdner ordner;
        const TKind kind = FuehreImKindAus(ordner.Pfad(), fall.mRumpf);
        EXPECT_EQ(kind.Ende(), fall.mSignal);

        for (const std::string& teil :
             {"): " + std::string(84, '*') + "\n", "!Exception code: " + std::string(fall.mCode),
              std::string("Fault address:  "), std::string("Minidump created.\n")})
            EXPECT_NE(kind.mLog.find(teil), std::string::npos) << teil << kind.mLog;
        EXPECT_EQ(kind.mDump.substr(0, 4), "MDMP");

        const std::vector<std::string> rahmen = RahmenZeilen(kind.mLog);
        ASSERT_FALSE(rahmen.empty()) << kind.mLog;
        EXPECT_NE(rahmen[0].find(fall.mErsterRahmen), std::string::npos) << kind.mLog;
        // The handler's own frames never show; the walk goes on to the program's entry.
        for (const std::string& zeile : rahmen)
            EXPECT_EQ(zeile.find("Velm_AusnahmeFilter"), std::string::npos) << kind.mLog;
        // Names come without their symbol version ("__libc_start_main@@GLIBC_2.34").
        if (fall.mBisMain) {
            for (const char* funktion : {"main", "__libc_start_main"})
                EXPECT_TRUE(std::any_of(rahmen.begin(), rahmen.end(), [&](auto& z) { return Nennt(z, funktion); }))
                    << funktion << "\n" << kind.mLog;
        }
    }
}

TEST(Absturz, FilterStehtVorAllenStatischenInitialisierern) {
    EXPECT_TRUE(gFilterVorDenAnderen);
}

TEST(Absturz, DebuggerHaeltAmHaltepunktUndLaesstWeiterlaufen) {
    const pid_t kind = fork();
    if (kind == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(99);
        raise(SIGSTOP);
        Plattform::Haltepunkt();
        _exit(7);
    }
    int status = 0;
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 99)
        GTEST_SKIP() << "the kernel does not let this process trace its child";
    ASSERT_TRUE(WIFSTOPPED(status) && WSTOPSIG(status) == SIGSTOP);
    ptrace(PTRACE_CONT, kind, nullptr, nullptr);
    // The debugger sees the breakpoint instruction's trap, the instruction right before the stop.
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    ASSERT_TRUE(WIFSTOPPED(status) && WSTOPSIG(status) == SIGTRAP);
    user_regs_struct register_{};
    ptrace(PTRACE_GETREGS, kind, nullptr, &register_);
    errno = 0;
    const long befehl = ptrace(PTRACE_PEEKTEXT, kind, reinterpret_cast<void*>(register_.rip - 1), nullptr);
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(befehl & 0xFF, 0xCC);
    // Continued without the signal, the program goes on behind the break.
    ptrace(PTRACE_CONT, kind, nullptr, nullptr);
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
}

TEST(Absturz, ZerstoerterHeapHaeltDenBerichtNichtAuf) {
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), ZerstoereFreieListe);
    // Far below the watchdog's 20 seconds: nothing waited for the heap's lock.
    EXPECT_LT(kind.mDauer, std::chrono::seconds(2));
    EXPECT_EQ(kind.Ende(), SIGABRT);
    EXPECT_NE(kind.mLog.find("!Exception code: E06D7363 Aborted\n"), std::string::npos) << kind.mLog;
    const std::vector<std::string> rahmen = RahmenZeilen(kind.mLog);
    EXPECT_TRUE(std::any_of(rahmen.begin(), rahmen.end(), [](const std::string& zeile) {
        return zeile.find("test_absturz.cpp (") != std::string::npos &&
               Nennt(zeile, "(anonymous namespace)::ZerstoereFreieListe()");
    })) << kind.mLog;
    EXPECT_NE(kind.mLog.find("Minidump created.\n"), std::string::npos) << kind.mLog;
}

TEST(Absturz, OhneHelferBleibenRoheRahmenUndDerDumpDesFadens) {
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), [] {
        Plattform::SperreHelfer(true);
        RufeNullAuf();
    });
    EXPECT_EQ(kind.Ende(), SIGSEGV);
    // No symbols: address, module, and the texts for what is missing.
    const std::vector<std::string> rahmen = RahmenZeilen(kind.mLog);
    ASSERT_GE(rahmen.size(), 2u) << kind.mLog;
    EXPECT_EQ(rahmen[0].substr(0, 2), "0x");
    EXPECT_NE(rahmen[0].find(" (test_absturz): (filename not available): (function-name not available)"),
              std::string::npos)
        << kind.mLog;
    EXPECT_NE(kind.mLog.find("Minidump created.\n"), std::string::npos) << kind.mLog;
    EXPECT_EQ(Lies<uint32_t>(kind.mDump, Stroeme(kind.mDump)[3]), 1u);
    EXPECT_EQ(AusnahmeRip(kind.mDump), 0u);
}

TEST(Absturz, NullzeigerNenntProgrammZeileUndDumpHaeltDieAusnahme) {
    TTempOrdner ordner;
    std::ofstream(ordner.Pfad() / "MiniDump.dmp") << std::string(4 << 20, 'x');
    const TKind kind = FuehreImKindAus(ordner.Pfad(), SchreibeNull);
    const std::string& log = kind.mLog;

    // "Fault address:  %08X %02X:%08X %s": the executable's path closes the line.
    const size_t ort = log.find("Fault address:  ");
    ASSERT_NE(ort, std::string::npos) << log;
    const std::string zeile = log.substr(ort, log.find('\n', ort) - ort);
    EXPECT_EQ(zeile.substr(16 + 8 + 1 + 2 + 1 + 8 + 1), Plattform::ProgrammPfadText());
    const uint32_t adresse = uint32_t(std::stoul(zeile.substr(16, 8), nullptr, 16));
    EXPECT_NE(zeile.substr(25, 2), "00");
    // Report, stack and result in this order.
    EXPECT_LT(log.find("!Exception code"), log.find("test_absturz.cpp ("));
    EXPECT_LT(log.find("test_absturz.cpp ("), log.find("Minidump created."));

    const std::string& dump = kind.mDump;
    ASSERT_LT(dump.size(), size_t(4 << 20)) << "the old file must be replaced";
    std::map<uint32_t, uint32_t> stroeme = Stroeme(dump);
    for (uint32_t typ : {3u, 4u, 5u, 6u, 7u, 15u})
        EXPECT_NE(stroeme[typ], 0u) << "stream " << typ;
    // The exception record in the Linux form: signal 11 with si_code 1 (no mapping) at fault
    // address 0, the access parameters (a write to address 0), and the context's instruction
    // pointer at the report's fault address.
    const uint32_t ausnahme = stroeme[6];
    EXPECT_EQ(std::vector<uint64_t>({Lies<uint32_t>(dump, ausnahme + 8), Lies<uint32_t>(dump, ausnahme + 12),
                                     Lies<uint64_t>(dump, ausnahme + 24), Lies<uint32_t>(dump, ausnahme + 32),
                                     Lies<uint64_t>(dump, ausnahme + 40), Lies<uint64_t>(dump, ausnahme + 48),
                                     uint32_t(AusnahmeRip(dump))}),
              std::vector<uint64_t>({11, 1, 0, 2, 1, 0, adresse}));
    // One thread, several modules, processor architecture 9 (AMD64), the process id.
    EXPECT_EQ(Lies<uint32_t>(dump, stroeme[3]), 1u);
    EXPECT_GT(Lies<uint32_t>(dump, stroeme[4]), 1u);
    EXPECT_EQ(Lies<uint16_t>(dump, stroeme[7]), 9u);
    EXPECT_EQ(Lies<uint32_t>(dump, stroeme[15] + 4), 1u);
    EXPECT_EQ(Lies<uint32_t>(dump, stroeme[15] + 8), uint32_t(kind.mProzess));
    // The executable, the first module, names its build id in the Linux form of the CodeView record.
    const uint32_t codeView = Lies<uint32_t>(dump, stroeme[4] + 4 + 80);
    EXPECT_GT(Lies<uint32_t>(dump, stroeme[4] + 4 + 76), 4u);
    EXPECT_EQ(dump.substr(codeView, 4), "LEpB");
}

TEST(Absturz, DumpOhneOrdnerMeldetDenFehler) {
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), [&] {
        Velm_System::Global().mBenutzerOrdner = ordner.Pfad() / "fehlt";
        const bool ohneOrdner = Velm_SchreibeMiniDump(nullptr);
        Velm_System::Global().mBenutzerOrdner = ordner.Pfad();
        _exit(!ohneOrdner && Velm_SchreibeMiniDump(nullptr) ? 0 : 1);
    });
    EXPECT_TRUE(WIFEXITED(kind.mStatus) && WEXITSTATUS(kind.mStatus) == 0);
    EXPECT_NE(kind.mLog.find("MiniDump, CreateFile() failed with error: 2\n"), std::string::npos)
        << kind.mLog;
    EXPECT_EQ(Stroeme(kind.mDump).count(6), 0u);
    EXPECT_EQ(Stroeme(kind.mDump).count(3), 1u);
}
