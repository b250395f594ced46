// The dump that the crash filter has its helper write, read back: every thread with its context and
// stack, the module paths in UTF-16, LLDB's reading of the main and a worker thread, and the memory
// ranges of registers that a crash left broken.

#include "plattform/absturz/plattform_absturz.h"
#include "plattform/absturz/plattform_helfer.h"
#include "plattform/absturz/plattform_minidump.h"
#include "velmklassen/absturz/velm_absturz.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <thread>
#include <zlib.h>

namespace {

volatile int gNull = 0;
std::atomic<int> gBlockiert{0};

__attribute__((noinline, no_sanitize("null"))) void SchreibeNullImDump() {
    *reinterpret_cast<volatile int*>(uintptr_t(gNull)) = 1;
}

// Three threads blocked in known functions; the store after each call keeps the function's frame.
__attribute__((noinline)) void WarteAufLesen() {
    int kanal[2];
    if (pipe(kanal) == 0) {
        ++gBlockiert;
        char zeichen;
        (void)!read(kanal[0], &zeichen, 1);
    }
    gNull = 0;
}

__attribute__((noinline)) void WarteImSchlaf() {
    ++gBlockiert;
    Plattform::Schlafe(60000);
    gNull = 0;
}

__attribute__((noinline)) void WarteAufSignal() {
    ++gBlockiert;
    pause();
    gNull = 0;
}

void AbsturzMitDreiFaeden() {
    for (void (*rumpf)() : {WarteAufLesen, WarteImSchlaf, WarteAufSignal})
        std::thread(rumpf).detach();
    while (gBlockiert.load() < 3)
        Plattform::Schlafe(1);
    // Each thread is inside its blocking call by now.
    Plattform::Schlafe(50);
    SchreibeNullImDump();
}

void AbsturzImArbeitsfaden() {
    Velm_ParallelKern kern;
    kern.StarteSofort([] { SchreibeNullImDump(); });
    Plattform::Schlafe(60000);
}

void UeberlaufImArbeitsfaden() {
    Velm_ParallelKern kern;
    kern.StarteSofort([] { Rekursion(0); });
    Plattform::Schlafe(60000);
}

// Whether a child may trace its parent here, as the crash helper does: Yama's setting and a
// container's capabilities can forbid it.
bool KindDarfElternVerfolgen() {
    const pid_t eltern = getpid();
    int kanal[2];
    if (pipe(kanal) != 0)
        return false;
    const pid_t kind = fork();
    if (kind == 0) {
        char zeichen;
        (void)!read(kanal[0], &zeichen, 1);
        const bool erlaubt = ptrace(PTRACE_SEIZE, eltern, nullptr, nullptr) == 0;
        _exit(erlaubt ? 0 : 1);
    }
    prctl(PR_SET_PTRACER, kind, 0, 0, 0);
    (void)!write(kanal[1], "x", 1);
    int status = 0;
    waitpid(kind, &status, 0);
    close(kanal[0]);
    close(kanal[1]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// LLDB's output for the dump in `ordner` with these commands; empty when LLDB is missing.
std::string Lldb(const std::filesystem::path& ordner, const std::string& befehle) {
    if (std::system("command -v lldb >/dev/null 2>&1") != 0)
        return "";
    const std::string aufruf = "timeout 30 lldb --batch -c '" + (ordner / "MiniDump.dmp").string() + "' '" +
                               Plattform::ProgrammPfadText() + "' " + befehle + " 2>&1; echo \"Ende $?\"";
    std::string ausgabe;
    if (FILE* rohr = popen(aufruf.c_str(), "r")) {
        std::array<char, 4096> puffer;
        while (size_t n = fread(puffer.data(), 1, puffer.size(), rohr))
            ausgabe.append(puffer.data(), n);
        pclose(rohr);
    }
    return ausgabe;
}

// The paths of the dump's modules, read back from UTF-16.
std::vector<std::u16string> ModulPfade(const std::string& dump) {
    std::vector<std::u16string> pfade;
    const uint32_t liste = Stroeme(dump)[4];
    for (uint32_t i = 0; i < Lies<uint32_t>(dump, liste); ++i) {
        const uint32_t name = Lies<uint32_t>(dump, liste + 4 + i * 108 + 20);
        std::u16string pfad(Lies<uint32_t>(dump, name) / 2, u'\0');
        for (size_t k = 0; k < pfad.size(); ++k)
            pfad[k] = Lies<char16_t>(dump, name + 4 + 2 * k);
        pfade.push_back(pfad);
    }
    return pfade;
}

std::string Hex(uint64_t wert) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(wert));
    return text;
}

} // namespace

TEST(AbsturzDump, HaeltJedenFadenMitKontextUndStapel) {
    if (!KindDarfElternVerfolgen())
        GTEST_SKIP() << "the kernel does not let a child trace its parent here";
    TTempOrdner ordner;
    const TKind kind = FuehreImKindAus(ordner.Pfad(), AbsturzMitDreiFaeden);
    ASSERT_EQ(kind.Ende(), SIGSEGV);
    const std::string& dump = kind.mDump;
    const uint32_t liste = Stroeme(dump)[3];
    ASSERT_EQ(Lies<uint32_t>(dump, liste), 4u) << kind.mLog;
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t faden = liste + 4 + i * 48;
        const uint64_t stapel = Lies<uint64_t>(dump, faden + 24);
        const uint32_t kontext = Lies<uint32_t>(dump, faden + 44);
        // Each context's stack pointer lies in the thread's stack range, which the dump holds.
        EXPECT_EQ(Lies<uint32_t>(dump, faden + 40), 1232u);
        EXPECT_GT(Lies<uint32_t>(dump, faden + 32), 0u);
        EXPECT_EQ(Lies<uint64_t>(dump, kontext + 0x98), stapel + 128) << "thread " << i;
        EXPECT_NE(SpeicherByte(dump, stapel + 128), -1);
    }
    // The faulting thread comes first and is the one of the exception record.
    EXPECT_EQ(Lies<uint32_t>(dump, liste + 4), Lies<uint32_t>(dump, Stroeme(dump)[6]));

    const std::string lldb = Lldb(ordner.Pfad(), "-o 'bt all'");
    if (lldb.empty())
        GTEST_SKIP() << "lldb is not installed";
    for (const char* funktion : {"SchreibeNullImDump", "WarteAufLesen", "WarteImSchlaf", "WarteAufSignal"})
        EXPECT_NE(lldb.find(funktion), std::string::npos) << funktion << "\n" << lldb;
    EXPECT_NE(lldb.find("Ende 0"), std::string::npos) << lldb;
}

TEST(AbsturzDump, ModulPfadeSindUtf16) {
    TTempOrdner ordner;
    // A copy of a small library in a folder whose name needs two, three and four bytes a character.
    Dl_info zlib{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&zlibVersion), &zlib), 0);
    const std::filesystem::path bibliothek = ordner.Pfad() / "Bibliothek-\u00e4\u20ac\U0001D11E" / "libz-kopie.so";
    std::filesystem::create_directories(bibliothek.parent_path());
    std::filesystem::copy_file(zlib.dli_fname, bibliothek);
    const TKind kind = FuehreImKindAus(ordner.Pfad(), [&] {
        if (dlopen(bibliothek.c_str(), RTLD_NOW))
            SchreibeNullImDump();
    });
    ASSERT_EQ(kind.Ende(), SIGSEGV);
    const std::u16string erwartet = u"/Bibliothek-\u00e4\u20ac\U0001D11E/libz-kopie.so";
    const std::vector<std::u16string> pfade = ModulPfade(kind.mDump);
    EXPECT_TRUE(std::any_of(pfade.begin(), pfade.end(), [&](const std::u16string& pfad) {
        return pfad.size() > erwartet.size() &&
               pfad.compare(pfad.size() - erwartet.size(), erwartet.size(), erwartet) == 0;
    }));
}

TEST(AbsturzDump, LldbLiestHauptUndArbeitsfaden) {
    struct Fall {
        const char* mName;
        void (*mRumpf)();
    };
    for (const Fall& fall :
         {Fall{"Hauptfaden", SchreibeNullImDump}, Fall{"Arbeitsfaden", AbsturzImArbeitsfaden}}) {
        SCOPED_TRACE(fall.mName);
        TTempOrdner ordner;
        const TKind kind = FuehreImKindAus(ordner.Pfad(), fall.mRumpf);
        ASSERT_EQ(kind.Ende(), SIGSEGV);
        const std::string lldb = Lldb(ordner.Pfad(), "-o bt -o 'register read rip'");
        if (lldb.empty())
            GTEST_SKIP() << "lldb is not installed";
        // It ends by itself (not by the 30 s limit), stops on the signal, frame 0 is the faulting
        // function and rip is the fault's.
        EXPECT_NE(lldb.find("Ende 0"), std::string::npos) << lldb;
        EXPECT_NE(lldb.find("SIGSEGV"), std::string::npos) << lldb;
        const size_t rahmen0 = lldb.find("frame #0: ");
        ASSERT_NE(rahmen0, std::string::npos) << lldb;
        EXPECT_NE(lldb.substr(rahmen0, lldb.find('\n', rahmen0) - rahmen0).find("SchreibeNullImDump"),
                  std::string::npos)
            << lldb;
        EXPECT_NE(lldb.find("rip = " + Hex(AusnahmeRip(kind.mDump))), std::string::npos) << lldb;
    }
}

TEST(AbsturzDump, BereicheAmRandDesAdressraumsStehenGanzInDerDatei) {
    // A stack pointer at the bottom of the address space and an instruction pointer at its top.
    Plattform::DumpFaden faden;
    faden.mId = 1;
    faden.mKontext.mRsp = 0x40;
    Plattform::AusnahmeZeiger ausnahme;
    ausnahme.mAdresse = UINT64_MAX - 0x10;
    TTempOrdner ordner;
    const std::filesystem::path pfad = ordner.Pfad() / "MiniDump.dmp";
    uint32_t fehler = 0;
    const int datei = Plattform::ErzeugeDumpDatei(pfad.c_str(), fehler);
    ASSERT_GE(datei, 0);
    EXPECT_TRUE(Plattform::SchreibeMiniDump(datei, {0, &faden, 1, nullptr, 0, &ausnahme}, fehler));
    Plattform::SchliesseDumpDatei(datei);

    // Each range holds the bytes it names, and none wraps around the address space.
    const std::string dump = TextDerDatei(pfad);
    const uint32_t liste = Stroeme(dump)[5];
    ASSERT_EQ(Lies<uint32_t>(dump, liste), 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        const uint32_t bereich = liste + 4 + i * 16;
        const uint64_t anfang = Lies<uint64_t>(dump, bereich);
        const uint32_t groesse = Lies<uint32_t>(dump, bereich + 8);
        EXPECT_GT(groesse, 0u) << "range " << i;
        EXPECT_LE(uint64_t(Lies<uint32_t>(dump, bereich + 12)) + groesse, dump.size()) << "range " << i;
        EXPECT_LE(groesse - 1, UINT64_MAX - anfang) << "range " << i;
    }
}

// A stack overflow leaves the stack pointer in the guard page below the stack (a fiber's or a
// thread's) or below the main thread's: the dump holds the stack above it all the same, so a
// debugger walks the recursion.
TEST(AbsturzDump, UeberlaufHaeltDenStapelFuerLldb) {
    struct Fall {
        const char* mName;
        void (*mRumpf)();
    };
    const Fall faelle[] = {
        {"Hauptfaden", [] { Rekursion(0); }},
        {"Arbeitsfaden", UeberlaufImArbeitsfaden},
        // The crashed process's own dump of the faulting thread.
        {"Arbeitsfaden ohne Helfer",
         [] {
             Plattform::SperreHelfer(true);
             UeberlaufImArbeitsfaden();
         }},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.mName);
        TTempOrdner ordner;
        const TKind kind = FuehreImKindAus(ordner.Pfad(), fall.mRumpf);
        ASSERT_EQ(kind.Ende(), SIGSEGV);
        ASSERT_NE(kind.mLog.find("C00000FD STACK_OVERFLOW"), std::string::npos) << kind.mLog;
        const std::string lldb = Lldb(ordner.Pfad(), "-o 'bt 8'");
        if (lldb.empty())
            GTEST_SKIP() << "lldb is not installed";
        int rahmen = 0;
        std::istringstream zeilen(lldb);
        for (std::string zeile; std::getline(zeilen, zeile);)
            if (zeile.find("frame #") != std::string::npos && zeile.find("Rekursion") != std::string::npos)
                ++rahmen;
        EXPECT_GE(rahmen, 2) << lldb;
    }
}
