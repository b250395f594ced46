#include "plattform/system/plattform_system.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/absturz/velm_absturz.h"
#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
    asm volatile("int3");
}

__attribute__((noinline)) void Wirf() {
    if (!gNie)
        throw std::runtime_error("ungefangen");
}

__attribute__((noinline)) void WerfeUngefangen() noexcept {
    Wirf();
}

__attribute__((noinline)) void AbsturzImAuftrag() {
    Velm_ParallelKern kern;
    kern.StarteSofort([] { SchreibeNull(); });
    // The main thread never flushes queued lines again: the report must not depend on it.
    Plattform::Schlafe(60000);
}

struct TKind {
    int mStatus = 0;
    std::string mLog;
    std::string mDump;
};

// Runs `rumpf` in a child with core dumps off, its user folder and log in `ordner` and its
// standard output discarded; returns how the child ended.
TKind FuehreImKindAus(const std::filesystem::path& ordner, const std::function<void()>& rumpf) {
    const pid_t kind = fork();
    if (kind == 0) {
        const rlimit keinKern{0, 0};
        setrlimit(RLIMIT_CORE, &keinKern);
        const int nichts = open("/dev/null", O_WRONLY);
        dup2(nichts, STDOUT_FILENO);
        Velm_System::Global().mBenutzerOrdner = ordner;
        t_logfile.SetBool(true);
        Velm_Konsole::Starte(ordner, "spiel.log");
        rumpf();
        _exit(0);
    }
    TKind ergebnis;
    waitpid(kind, &ergebnis.mStatus, 0);
    ergebnis.mLog = TextDerDatei(ordner / "spiel.log");
    ergebnis.mDump = TextDerDatei(ordner / "MiniDump.dmp");
    return ergebnis;
}

template <typename T> T Lies(const std::string& daten, size_t versatz) {
    T wert{};
    if (versatz + sizeof(T) <= daten.size())
        std::memcpy(&wert, daten.data() + versatz, sizeof(T));
    return wert;
}

// The streams of a dump by type: offset of the stream's data, 0 when missing.
std::map<uint32_t, uint32_t> Stroeme(const std::string& dump) {
    std::map<uint32_t, uint32_t> stroeme;
    const uint32_t anzahl = Lies<uint32_t>(dump, 8);
    const uint32_t verzeichnis = Lies<uint32_t>(dump, 12);
    for (uint32_t i = 0; i < anzahl && i < 64; ++i)
        stroeme[Lies<uint32_t>(dump, verzeichnis + i * 12)] = Lies<uint32_t>(dump, verzeichnis + i * 12 + 8);
    return stroeme;
}

// The byte at an address from the dump's memory ranges; -1 when no range holds it.
int SpeicherByte(const std::string& dump, uint64_t adresse) {
    const uint32_t liste = Stroeme(dump)[5];
    for (uint32_t i = 0; i < Lies<uint32_t>(dump, liste); ++i) {
        const uint32_t bereich = liste + 4 + i * 16;
        const uint64_t anfang = Lies<uint64_t>(dump, bereich);
        if (adresse >= anfang && adresse < anfang + Lies<uint32_t>(dump, bereich + 8))
            return uint8_t(dump[Lies<uint32_t>(dump, bereich + 12) + (adresse - anfang)]);
    }
    return -1;
}

} // namespace

TEST(Absturz, JederFehlerSchreibtBerichtUndDumpUndBeendetDenProzess) {
    struct Fall {
        const char* mName;
        std::function<void()> mRumpf;
        int mSignal; // that ends the child, or minus its exit code
        const char *mCode, *mFunktion;
        bool mInt3 = false; // the exception address holds the int3 instruction itself
    };
    const Fall faelle[] = {
        {"Nullzeiger", SchreibeNull, SIGSEGV, "C0000005 ACCESS_VIOLATION\n", "SchreibeNull"},
        {"Division", TeileDurchNull, SIGFPE, "C0000094 INT_DIVIDE_BY_ZERO\n", "TeileDurchNull"},
        {"int3", Haltepunkt, SIGTRAP, "80000003 BREAKPOINT\n", "Haltepunkt", true},
        {"Rekursion", [] { Rekursion(0); }, SIGSEGV, "C00000FD STACK_OVERFLOW\n", "Rekursion"},
        {"Auftrag", AbsturzImAuftrag, SIGSEGV, "C0000005 ACCESS_VIOLATION\n", "SchreibeNull"},
        // The engine's debugger break ends in raise(SIGTRAP) as a tail call.
        {"Debugger-Halt", [] { Plattform::Haltepunkt(); }, SIGTRAP, "80000003 BREAKPOINT\n", "): raise\n"},
        {"C++-Ausnahme", WerfeUngefangen, SIGABRT, "E06D7363 \n", "WerfeUngefangen"},
        // A handler installed before ours decides after the report how the process ends.
        {"vorheriger Handler",
         [] {
             std::signal(SIGSEGV, [](int) { _exit(42); });
             Velm_InstalliereAusnahmeFilter();
             Velm_InstalliereAusnahmeFilter();
             SchreibeNull();
         },
         -42, "C0000005 ACCESS_VIOLATION\n", "SchreibeNull"},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.mName);
        TTempOrdner ordner;
        const TKind kind = FuehreImKindAus(ordner.Pfad(), fall.mRumpf);
        EXPECT_EQ(WIFSIGNALED(kind.mStatus) ? WTERMSIG(kind.mStatus) : -WEXITSTATUS(kind.mStatus),
                  fall.mSignal);

        for (const std::string& teil :
             {"): " + std::string(84, '*') + "\n", "!Exception code: " + std::string(fall.mCode),
              std::string("Fault address:  "), std::string(fall.mFunktion),
              std::string("Minidump created.\n")})
            EXPECT_NE(kind.mLog.find(teil), std::string::npos) << teil << kind.mLog;
        EXPECT_EQ(kind.mDump.substr(0, 4), "MDMP");
        if (fall.mInt3) {
            EXPECT_EQ(SpeicherByte(kind.mDump, Lies<uint64_t>(kind.mDump, Stroeme(kind.mDump)[6] + 24)),
                      0xCC);
        }
    }
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
    for (uint32_t typ : {3u, 4u, 5u, 6u, 7u})
        EXPECT_NE(stroeme[typ], 0u) << "stream " << typ;
    // The exception record: access violation at the fault address, a write (1) to address 0,
    // and the context's instruction pointer at the same address.
    const uint32_t ausnahme = stroeme[6];
    EXPECT_EQ(std::vector<uint64_t>(
                  {Lies<uint32_t>(dump, ausnahme + 8), uint32_t(Lies<uint64_t>(dump, ausnahme + 24)),
                   Lies<uint32_t>(dump, ausnahme + 32), Lies<uint64_t>(dump, ausnahme + 40),
                   Lies<uint64_t>(dump, ausnahme + 48),
                   uint32_t(Lies<uint64_t>(dump, Lies<uint32_t>(dump, ausnahme + 164) + 0xF8))}),
              std::vector<uint64_t>({0xC0000005u, adresse, 2, 1, 0, adresse}));
    // One thread, several modules, processor architecture 9 (AMD64).
    EXPECT_EQ(Lies<uint32_t>(dump, stroeme[3]), 1u);
    EXPECT_GT(Lies<uint32_t>(dump, stroeme[4]), 1u);
    EXPECT_EQ(Lies<uint16_t>(dump, stroeme[7]), 9u);
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
