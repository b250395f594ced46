#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_speicher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// n random bytes, or with `packbar` text with enough repetition to pack well, mixed with noise.
TSpeicher Bytes(size_t n, uint32_t saat, bool packbar = false) {
    std::mt19937 zufall(saat);
    TSpeicher speicher;
    while (speicher.Groesse() < n) {
        if (packbar && zufall() % 3)
            speicher.SchreibeText("Velm packt Punktwolken, Schriften und Bilder. ");
        else
            speicher.SchreibeU32(zufall());
    }
    speicher.SetGroesse(n);
    return speicher;
}

bool GleicherInhalt(const TSpeicher& a, const TSpeicher& b) {
    return a.Groesse() == b.Groesse() && std::memcmp(a.Daten(), b.Daten(), a.Groesse()) == 0;
}

// A buffer taken back inline, whose capacity a later reserve below 513 bytes does not raise; at
// 512 it is a fresh buffer.
TSpeicher Zurueckgeschrumpft(uint64_t kapazitaet) {
    TSpeicher speicher;
    speicher.Reserviere(1000);
    speicher.Reserviere(kapazitaet);
    return speicher;
}

using Speicher = TLogTest;

} // namespace

// Taken back below 513 bytes, a buffer returns to the inline storage with its first bytes; a later
// reserve there changes nothing.
TEST_F(Speicher, SchrumpftZurueckInline) {
    const TSpeicher bytes = Bytes(10001, 1);
    TSpeicher speicher;
    speicher.SchreibeBlock(bytes.Daten(), bytes.Groesse());
    speicher.Reserviere(300);
    EXPECT_EQ(speicher.Groesse(), 300u);
    EXPECT_EQ(std::memcmp(speicher.Daten(), bytes.Daten(), 300), 0);
    speicher.Reserviere(400);
    EXPECT_EQ(speicher.Kapazitaet(), 300u);
}

TEST_F(Speicher, CursorUndLesenBleibenImPuffer) {
    TSpeicher speicher;
    speicher.SchreibeText("0123456789");
    // Moves return the distance moved; the extremes a corrupt length may turn into are clamped
    // without overflowing.
    EXPECT_EQ((std::vector{speicher.SetPosition(4), speicher.Ueberspringe(-10), speicher.SetPosition(50),
                           speicher.SetPosition(4), speicher.Ueberspringe(INT64_MIN),
                           speicher.Ueberspringe(INT64_MAX)}),
              (std::vector<int64_t>{-6, -4, 10, -6, -4, 10}));

    // Missing bytes read as zeros, and the overrun is remembered until the buffer is emptied.
    speicher.SetPosition(8);
    EXPECT_EQ(speicher.LiesU32(), 0x3938u);
    EXPECT_TRUE(speicher.Ueberlauf());
    std::vector<uint8_t> block(1000, 0xAB);
    speicher.LiesBlock(block.data(), block.size());
    EXPECT_EQ(std::count(block.begin(), block.end(), 0), 1000);
    EXPECT_EQ(speicher.Position(), 10u);
    speicher.Leere();
    EXPECT_FALSE(speicher.Ueberlauf());

    speicher.SetGroesse(100000);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), speicher.Kapazitaet());
}

TEST_F(Speicher, EndiankorrigiertesLesenUndFormatText) {
    TSpeicher speicher;
    speicher.SchreibeText("0123456789");
    speicher.ZumAnfang();
    uint32_t woerter[2] = {};
    speicher.LiesMemEndianKorrekt(woerter, 6); // reported, and one word read
    EXPECT_EQ(std::pair(woerter[0], woerter[1]), std::pair(0x30313233u, 0u));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Position(), 4u);

    // Formatted text up to 9,999 bytes; longer is reported and not written.
    TSpeicher text;
    for (const std::string& teil : {std::string(9999, 'y'), std::string(10000, 'x')})
        text.SchreibeFormatText("%s", teil.c_str());
    EXPECT_EQ(mHaltepunkte.Anzahl(), 2);
    EXPECT_EQ(text.Groesse(), 9999u);
}

// Also into buffers taken back inline, which must grow to take the whole file.
TEST_F(Speicher, DateiLadenUndSpeichern) {
    const std::filesystem::path datei = mOrdner.Pfad() / "daten.bin";
    for (const uint64_t kapazitaet : {0, 100, 512})
        for (const size_t groesse : {100, 70000}) {
            const TSpeicher bytes = Bytes(groesse, 2);
            ASSERT_TRUE(bytes.SpeichereDatei(datei));
            TSpeicher geladen = Zurueckgeschrumpft(kapazitaet);
            std::memset(geladen.Daten(), 0xFF, geladen.Kapazitaet());
            ASSERT_TRUE(geladen.LadeDatei(datei));
            EXPECT_TRUE(GleicherInhalt(geladen, bytes)) << kapazitaet;
            EXPECT_EQ(geladen.Position(), 0u);
            ASSERT_GE(geladen.Kapazitaet(), groesse + 8);
            EXPECT_EQ(std::count(geladen.Daten() + groesse, geladen.Daten() + groesse + 8, 0), 8);
            // A missing file or a folder fails and leaves the buffer as it was.
            EXPECT_FALSE(geladen.LadeDatei(mOrdner.Pfad() / "fehlt.bin"));
            EXPECT_FALSE(geladen.LadeDatei(mOrdner.Pfad()));
            EXPECT_EQ(geladen.Groesse(), groesse);
        }
    EXPECT_FALSE(TSpeicher().SpeichereDatei(mOrdner.Pfad() / "kein_ordner" / "x.bin"));
}

// A buffer too large for what is left of the disk, written over an old file and as a new one:
// both fail, the old file keeps its bytes, no cut file and no temporary stay behind; a small
// file still fits. The first failure, or "".
std::string VollePlatte(const std::filesystem::path& ordner) {
    const TSpeicher klein = Bytes(100, 3), gross = Bytes(200000, 4);
    const std::filesystem::path alt = ordner / "alt.bin", neu = ordner / "neu.bin";
    if (!klein.SpeichereDatei(alt))
        return "a small file was not written";
    if (gross.SpeichereDatei(alt) || gross.SpeichereDatei(neu))
        return "a write that did not fit reported success";
    if (TextDerDatei(alt) != std::string(reinterpret_cast<const char*>(klein.Daten()), klein.Groesse()))
        return "the old file lost its bytes";
    if (std::filesystem::exists(neu))
        return "a cut file was left";
    for (const auto& eintrag : std::filesystem::directory_iterator(ordner))
        if (eintrag.path().extension() == ".neu")
            return "the temporary was left";
    return "";
}

// The full disk in a child process, so that neither the file-size limit nor the mount reaches
// the other tests: 0 when it held, 1 when it failed (its reason on stderr), 2 when the child
// could not make that disk.
template <class F> int InEigenemProzess(F&& macheVoll, const std::filesystem::path& ordner) {
    const pid_t kind = fork();
    if (kind == 0) {
        if (!macheVoll())
            _exit(2);
        const std::string fehler = VollePlatte(ordner);
        if (!fehler.empty())
            std::fprintf(stderr, "%s\n", fehler.c_str());
        _exit(fehler.empty() ? 0 : 1);
    }
    int status = 0;
    waitpid(kind, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

// A full disk: a 64 KiB tmpfs where the test may mount one (as root, in a mount namespace of its
// own), and always a file-size limit of 64 KiB, whose writes fail the same way: the child keeps
// SIGXFSZ as the program set it up at its start.
TEST_F(Speicher, VollePlatteLaesstKeineHalbeDatei) {
    const std::filesystem::path ordner = mOrdner.Pfad() / "platte";
    std::filesystem::create_directories(ordner);
    const auto tmpfs = [&] {
        return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount("tmpfs", ordner.c_str(), "tmpfs", 0, "size=64k") == 0;
    };
    const auto grenze = [] {
        const rlimit r{64 << 10, 64 << 10};
        return setrlimit(RLIMIT_FSIZE, &r) == 0;
    };
    const int mitTmpfs = InEigenemProzess(tmpfs, ordner);
    EXPECT_NE(mitTmpfs, 1) << "on a full tmpfs";
    EXPECT_NE(mitTmpfs, 3);
    EXPECT_EQ(InEigenemProzess(grenze, ordner), 0) << "with a file-size limit";
    if (mitTmpfs == 2)
        std::printf("no tmpfs could be mounted here: only the file-size limit was tried\n");
}

// Also into buffers taken back inline: zlib's bound for 200 bytes fits inline, but not in the
// capacity the buffer was cut to.
TEST_F(Speicher, ZLibPackenUndEntpackenStelltDenInhaltWiederHer) {
    for (const uint64_t kapazitaet : {0, 100, 512})
        for (const size_t groesse : {0, 200, 100000}) {
            TSpeicher quelle = Bytes(groesse, 7, true);
            TSpeicher gepackt = Zurueckgeschrumpft(kapazitaet), entpackt = Zurueckgeschrumpft(kapazitaet);
            ASSERT_TRUE(ZLib_Packen(quelle, gepackt)) << kapazitaet << " " << groesse;
            EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
            gepackt.ZumAnfang();
            ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt)) << kapazitaet << " " << groesse;
            EXPECT_EQ(entpackt.Position(), quelle.Groesse());
            EXPECT_TRUE(GleicherInhalt(entpackt, quelle));
            EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
        }

    // Packed behind the position of a larger buffer: what lies before it stays, nothing shrinks.
    TSpeicher ziel(20000), klein = Bytes(5, 6), entpackt;
    const TSpeicher vorspann = Bytes(15000, 5);
    ziel.SchreibeBlock(vorspann.Daten(), vorspann.Groesse());
    ASSERT_TRUE(ZLib_Packen(klein, ziel));
    EXPECT_GE(ziel.Kapazitaet(), 20000u);
    EXPECT_EQ(std::memcmp(ziel.Daten(), vorspann.Daten(), vorspann.Groesse()), 0);
    ziel.SetPosition(15000);
    ASSERT_TRUE(ZLib_Entpacken(ziel, entpackt));
    EXPECT_TRUE(GleicherInhalt(entpackt, klein));
}

TEST_F(Speicher, ZLibKaputteAbgeschnitteneUndZuGrosseDatenScheitern) {
    TSpeicher quelle = Bytes(50000, 7, true), gepackt, ziel;
    ASSERT_TRUE(ZLib_Packen(quelle, gepackt));
    // Cut in half, the first byte flipped, and nothing at all.
    for (const auto& [laenge, kippen] :
         {std::pair{gepackt.Groesse() / 2, 0}, {gepackt.Groesse(), 0xFF}, {0, 0}}) {
        TSpeicher falsch;
        falsch.SchreibeBlock(gepackt.Daten(), laenge);
        falsch.Daten()[0] ^= uint8_t(kippen);
        falsch.ZumAnfang();
        EXPECT_FALSE(ZLib_Entpacken(falsch, ziel)) << laenge;
    }
    EXPECT_TRUE(mLog.Enthaelt("!ZLib_Entpacken(...): Failed to inflate data."));

    // A cap stops a packing bomb early, before the whole output is in memory; the size itself passes.
    const std::vector<uint8_t> nullen(4 << 20, 0);
    TSpeicher roh, bombe, begrenzt;
    roh.SchreibeBlock(nullen.data(), nullen.size());
    ASSERT_TRUE(ZLib_Packen(roh, bombe));
    bombe.ZumAnfang();
    EXPECT_FALSE(ZLib_Entpacken(bombe, begrenzt, 1000));
    EXPECT_LE(begrenzt.Groesse(), 1001u);
    EXPECT_LT(begrenzt.Kapazitaet(), 100000u);
    EXPECT_TRUE(mLog.Enthaelt("!ZLib_Entpacken(...): Data larger than expected."));
    bombe.ZumAnfang();
    EXPECT_TRUE(ZLib_Entpacken(bombe, begrenzt, nullen.size()));
}
