#include "plattform/absturz/plattform_helfer.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_absturz.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dlfcn.h>
#include <fstream>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <thread>
#include <zlib.h>

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

// Refuses this process and its children, with EPERM, what container runtimes' default filters
// take for tracing: ptrace and reading or writing another process's memory.
void VerbieteVerfolgung() {
    const auto befehl = [](uint16_t code, uint32_t wert, uint8_t ja = 0, uint8_t nein = 0) {
        return sock_filter{code, ja, nein, wert};
    };
    constexpr uint16_t kLade = BPF_LD | BPF_W | BPF_ABS, kGleich = BPF_JMP | BPF_JEQ | BPF_K, kEnde = BPF_RET | BPF_K;
    sock_filter regeln[] = {
        befehl(kLade, offsetof(seccomp_data, arch)),
        befehl(kGleich, AUDIT_ARCH_X86_64, 0, 4),
        befehl(kLade, offsetof(seccomp_data, nr)),
        befehl(kGleich, __NR_ptrace, 3),
        befehl(kGleich, __NR_process_vm_readv, 2),
        befehl(kGleich, __NR_process_vm_writev, 1),
        befehl(kEnde, SECCOMP_RET_ALLOW),
        befehl(kEnde, SECCOMP_RET_ERRNO | EPERM),
    };
    const sock_fprog programm{uint16_t(sizeof regeln / sizeof regeln[0]), regeln};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &programm) != 0)
        _exit(99);
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

namespace {

// Whether the faulting thread's stack in the dump holds a return address into the program, the
// first module: memory that was read, not zeros.
bool StapelHaeltRuecksprungInsProgramm(const std::string& dump) {
    std::map<uint32_t, uint32_t> stroeme = Stroeme(dump);
    const uint32_t faden = stroeme[3] + 4;
    const uint32_t groesse = Lies<uint32_t>(dump, faden + 32), rva = Lies<uint32_t>(dump, faden + 36);
    const uint64_t basis = Lies<uint64_t>(dump, stroeme[4] + 4), ende = basis + Lies<uint32_t>(dump, stroeme[4] + 12);
    for (uint32_t i = 0; i + 8 <= groesse; i += 8) {
        const uint64_t wert = Lies<uint64_t>(dump, rva + i);
        if (wert > basis && wert < ende)
            return true;
    }
    return false;
}

// The report's place of the fault: "%08X %02X:%08X %s" after "Fault address:  ".
std::string FehlerOrt(const std::string& log) {
    const std::string kopf = "Fault address:  ";
    const size_t anfang = log.find(kopf);
    if (anfang == std::string::npos)
        return "";
    return log.substr(anfang + kopf.size(), log.find('\n', anfang) - anfang - kopf.size());
}

} // namespace

// Where a sandbox refuses tracing, the crashed process reads its own memory without it: the walk
// reaches the entry with functions and lines, and its own dump of the faulting thread holds the stack.
TEST(Absturz, OhneVerfolgungsrechtBleibenGangUndStapelImDump) {
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), [] {
        VerbieteVerfolgung();
        SchreibeNull();
    });
    ASSERT_EQ(kind.Ende(), SIGSEGV) << kind.mLog;
    const std::vector<std::string> rahmen = RahmenZeilen(kind.mLog);
    ASSERT_FALSE(rahmen.empty()) << kind.mLog;
    EXPECT_NE(rahmen[0].find("test_absturz.cpp ("), std::string::npos) << kind.mLog;
    EXPECT_TRUE(Nennt(rahmen[0], "(anonymous namespace)::SchreibeNull()")) << kind.mLog;
    EXPECT_TRUE(std::any_of(rahmen.begin(), rahmen.end(), [](auto& z) { return Nennt(z, "main"); })) << kind.mLog;
    EXPECT_NE(kind.mLog.find("Minidump created.\n"), std::string::npos) << kind.mLog;
    EXPECT_TRUE(StapelHaeltRuecksprungInsProgramm(kind.mDump));
}

// A process that leaked every descriptor still gets its report into the log file, its helper
// (which symbolises the frames) and its dump.
TEST(Absturz, OhneFreieDeskriptorenKommenBerichtUndDump) {
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), [] {
        // As a shell's "ulimit -n 64" sets it: the helper cannot lift it.
        const rlimit grenze{64, 64};
        setrlimit(RLIMIT_NOFILE, &grenze);
        while (open("/dev/null", O_RDONLY) >= 0) {
        }
        if (errno != EMFILE)
            _exit(99);
        SchreibeNull();
    });
    ASSERT_EQ(kind.Ende(), SIGSEGV);
    for (const std::string& teil : {std::string(84, '*') + "\n", std::string("!Exception code: C0000005"),
                                    std::string("Minidump created.\n")})
        EXPECT_NE(kind.mLog.find(teil), std::string::npos) << teil << kind.mLog;
    const std::vector<std::string> rahmen = RahmenZeilen(kind.mLog);
    ASSERT_FALSE(rahmen.empty()) << kind.mLog;
    EXPECT_NE(rahmen[0].find("test_absturz.cpp ("), std::string::npos) << kind.mLog;
    EXPECT_EQ(kind.mDump.substr(0, 4), "MDMP");
    EXPECT_TRUE(StapelHaeltRuecksprungInsProgramm(kind.mDump));
}

// A program rebuilt or deleted while it runs: symbols, lines and the fault's section come from the
// running image, as they do for the program that stayed; the report keeps the path it started from.
TEST(Absturz, NeuGebautesProgrammBehaeltSymboleUndAbschnitt) {
    TTempOrdner ordner;
    const std::filesystem::path anderes = ordner.Pfad() / "anderes";
    const auto programm = [&](const std::string& art) { return ordner.Pfad() / art / "absturzkind"; };
    const auto laufe = [&](const std::string& art) {
        std::filesystem::create_directories(programm(art).parent_path());
        std::filesystem::copy_file(ABSTURZKIND, programm(art));
        // Another program with symbols and sections of its own: this test program.
        std::filesystem::copy_file("/proc/self/exe", anderes, std::filesystem::copy_options::overwrite_existing);
        return FuehreImKindAus(programm(art).parent_path(), [&] {
            execl(programm(art).c_str(), "absturzkind", programm(art).parent_path().c_str(), art.c_str(),
                  anderes.c_str(), nullptr);
        });
    };

    const TKind bleibt = laufe("bleibt");
    ASSERT_EQ(bleibt.Ende(), SIGSEGV) << bleibt.mLog;
    const std::vector<std::string> rahmen = RahmenZeilen(bleibt.mLog);
    ASSERT_FALSE(rahmen.empty()) << bleibt.mLog;
    ASSERT_NE(rahmen[0].find("absturzkind.cpp ("), std::string::npos) << bleibt.mLog;
    ASSERT_TRUE(Nennt(rahmen[0], "(anonymous namespace)::SchreibeNull()")) << bleibt.mLog;
    const std::string ort = FehlerOrt(bleibt.mLog);
    ASSERT_GT(ort.size(), 21u) << bleibt.mLog;
    ASSERT_NE(ort.substr(9, 2), "00") << bleibt.mLog;

    for (const char* art : {"geloescht", "ersetzt"}) {
        SCOPED_TRACE(art);
        const TKind lauf = laufe(art);
        ASSERT_EQ(lauf.Ende(), SIGSEGV) << lauf.mLog;
        const std::vector<std::string> geaendert = RahmenZeilen(lauf.mLog);
        ASSERT_FALSE(geaendert.empty()) << lauf.mLog;
        EXPECT_EQ(geaendert[0], rahmen[0]) << lauf.mLog;
        EXPECT_TRUE(std::any_of(geaendert.begin(), geaendert.end(), [](auto& z) { return Nennt(z, "main"); }))
            << lauf.mLog;
        // Section and offset as in the program that stayed; the path is the one it started from.
        EXPECT_EQ(FehlerOrt(lauf.mLog).substr(9), ort.substr(9, 12) + programm(art).string()) << lauf.mLog;
    }
}

// A library deleted while it is loaded: the fault's section and offset are read from its mapping,
// as for the library that stayed.
TEST(Absturz, GeloeschteBibliothekBehaeltIhrenAbschnitt) {
    Dl_info zlib{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&zlibVersion), &zlib), 0);
    // Any of this process's mappings' files, opened the way the report opens a library's.
    std::error_code fehler;
    const std::filesystem::directory_iterator abbildungen("/proc/self/map_files", fehler);
    const int probe = fehler || abbildungen == std::filesystem::directory_iterator()
                          ? -1
                          : open(abbildungen->path().c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0)
        GTEST_SKIP() << "this process may not open its mappings' files; a deleted library's path is all there is";
    close(probe);
    std::string orte[2];
    for (const bool loeschen : {false, true}) {
        SCOPED_TRACE(loeschen);
        TTempOrdner ordner;
        const std::filesystem::path bibliothek = ordner.Pfad() / "libz-kopie.so";
        std::filesystem::copy_file(zlib.dli_fname, bibliothek);
        const TKind kind = FuehreImKindAus(ordner.Pfad(), [&] {
            void* geladen = dlopen(bibliothek.c_str(), RTLD_NOW | RTLD_LOCAL);
            // crc32 would call on through the procedure linkage table into the first zlib loaded.
            using Pruefsumme = unsigned long (*)(unsigned long, const unsigned char*, size_t);
            const auto pruefsumme = geladen ? reinterpret_cast<Pruefsumme>(dlsym(geladen, "crc32_z")) : nullptr;
            if (!pruefsumme || (loeschen && !std::filesystem::remove(bibliothek)))
                _exit(99);
            pruefsumme(0, reinterpret_cast<const unsigned char*>(uintptr_t(8 + gNull)), 64);
        });
        ASSERT_EQ(kind.Ende(), SIGSEGV) << kind.mLog;
        orte[loeschen] = FehlerOrt(kind.mLog);
        ASSERT_GT(orte[loeschen].size(), 21u) << kind.mLog;
        EXPECT_EQ(orte[loeschen].substr(21), bibliothek.string()) << kind.mLog;
    }
    EXPECT_NE(orte[0].substr(9, 2), "00");
    EXPECT_EQ(orte[1].substr(9, 11), orte[0].substr(9, 11));
}

// Typed by hand, the helper's argument gets a line that says what it is for and exit code 2 at
// once, whatever stands on its input.
TEST(Absturz, VonHandGestarteterHelferSagtWozuErIstUndEndet) {
    struct Fall {
        const char* mName;
        std::function<int(std::vector<int>& offen)> mEingabe; // the helper's input; `offen` stays open
    };
    const auto leitung = [](const std::string& inhalt, bool schliessen, std::vector<int>& offen) {
        int enden[2];
        if (pipe2(enden, O_CLOEXEC) != 0)
            return -1;
        (void)!write(enden[1], inhalt.data(), inhalt.size());
        if (schliessen)
            close(enden[1]);
        else
            offen.push_back(enden[1]);
        return enden[0];
    };
    const Fall faelle[] = {
        {"nichts", [](std::vector<int>&) { return open("/dev/null", O_RDONLY | O_CLOEXEC); }},
        {"Muell", [&](std::vector<int>& offen) { return leitung("Muell\n", true, offen); }},
        {"offene Leitung", [&](std::vector<int>& offen) { return leitung("", false, offen); }},
        {"abgeschnittener Auftrag",
         [](std::vector<int>&) {
             int enden[2];
             if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, enden) != 0)
                 return -1;
             (void)!write(enden[1], "Auftrag", 7);
             close(enden[1]);
             return enden[0];
         }},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.mName);
        std::vector<int> offen;
        const int eingabe = fall.mEingabe(offen);
        int fehler[2];
        ASSERT_GE(eingabe, 0);
        ASSERT_EQ(pipe2(fehler, O_CLOEXEC), 0);
        const auto anfang = std::chrono::steady_clock::now();
        const pid_t kind = fork();
        if (kind == 0) {
            dup2(eingabe, STDIN_FILENO);
            dup2(fehler[1], STDERR_FILENO);
            execl("/proc/self/exe", "test_absturz", Plattform::kHelferSchalter, nullptr);
            _exit(127);
        }
        close(fehler[1]);
        close(eingabe);
        std::string text;
        char puffer[256];
        for (ssize_t n; (n = read(fehler[0], puffer, sizeof puffer)) > 0;)
            text.append(puffer, size_t(n));
        close(fehler[0]);
        int status = 0;
        waitpid(kind, &status, 0);
        for (const int ende : offen)
            close(ende);
        EXPECT_LT(std::chrono::steady_clock::now() - anfang, std::chrono::seconds(1));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
        EXPECT_EQ(text, "--velm-absturzhelfer: this mode is started by the crash filter only.\n");
    }
}
