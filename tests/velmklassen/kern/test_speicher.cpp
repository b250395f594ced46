#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_speicher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

TSpeicher Zufallsbytes(size_t n, uint32_t saat) {
    std::mt19937 zufall(saat);
    TSpeicher speicher;
    for (size_t i = 0; i < n; ++i)
        speicher.SchreibeU8(uint8_t(zufall()));
    return speicher;
}

// Text with enough repetition to pack well, mixed with noise.
TSpeicher GemischteDaten(size_t n) {
    TSpeicher speicher;
    std::mt19937 zufall(7);
    while (speicher.Groesse() < n) {
        if (zufall() % 3 == 0)
            speicher.SchreibeU32(zufall());
        else
            speicher.SchreibeText("Velm packt Punktwolken, Schriften und Bilder. ");
    }
    speicher.SetGroesse(n);
    return speicher;
}

bool GleicherInhalt(const TSpeicher& a, const TSpeicher& b) {
    return a.Groesse() == b.Groesse() && std::memcmp(a.Daten(), b.Daten(), a.Groesse()) == 0;
}

// A buffer taken back inline below 512 bytes, whose capacity a later reserve does not raise.
TSpeicher Zurueckgeschrumpft(uint64_t kapazitaet) {
    TSpeicher speicher;
    speicher.Reserviere(1000);
    speicher.Reserviere(kapazitaet);
    return speicher;
}

using Speicher = TLogTest;
using ZLib = TLogTest;

} // namespace

TEST_F(Speicher, WaechstDurchVerdoppelnUndSchrumpftZurueckInline) {
    const TSpeicher bytes = Zufallsbytes(10001, 1);
    TSpeicher speicher;
    for (const auto& [bis, kapazitaet] : {std::pair{512u, 512u}, {513u, 10000u}, {10001u, 20000u}}) {
        speicher.SchreibeBlock(bytes.Daten() + speicher.Groesse(), bis - speicher.Groesse());
        EXPECT_EQ(speicher.Kapazitaet(), kapazitaet);
    }
    EXPECT_TRUE(GleicherInhalt(speicher, bytes));

    speicher.Reserviere(300); // back to the inline storage with the first 300 bytes
    EXPECT_EQ(speicher.Groesse(), 300u);
    EXPECT_EQ(std::memcmp(speicher.Daten(), bytes.Daten(), 300), 0);
    speicher.Reserviere(400); // inline already: nothing changes
    EXPECT_EQ(speicher.Kapazitaet(), 300u);
}

TEST_F(Speicher, CursorUndLesenBleibenImPuffer) {
    TSpeicher speicher;
    speicher.SchreibeText("0123456789");
    EXPECT_EQ(speicher.SetPosition(4), -6);
    EXPECT_EQ(speicher.Ueberspringe(-10), -4);
    EXPECT_EQ(speicher.SetPosition(50), 10);
    // The extremes a corrupt length may turn into: clamped, without overflowing.
    speicher.SetPosition(4);
    EXPECT_EQ(speicher.Ueberspringe(INT64_MIN), -4);
    EXPECT_EQ(speicher.Ueberspringe(INT64_MAX), 10);

    // Missing bytes read as zeros, and the overrun is remembered until the buffer is emptied.
    speicher.SetPosition(8);
    EXPECT_EQ(speicher.LiesU32(), 0x3938u);
    EXPECT_TRUE(speicher.Ueberlauf());
    uint8_t block[1000];
    std::memset(block, 0xAB, sizeof block);
    speicher.LiesBlock(block, sizeof block);
    EXPECT_EQ(block[0] | block[999], 0);
    EXPECT_EQ(speicher.Position(), 10u);
    speicher.Leere();
    EXPECT_FALSE(speicher.Ueberlauf());

    speicher.SetGroesse(100000);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), speicher.Kapazitaet());
}

TEST_F(Speicher, EndiankorrigiertesLesenUndFormatText) {
    TSpeicher speicher;
    for (uint32_t i = 0; i < 100; ++i)
        speicher.SchreibeU32(__builtin_bswap32(i * 0x01010101u));
    speicher.ZumAnfang();
    std::vector<uint32_t> woerter(100);
    speicher.LiesMemEndianKorrekt(woerter.data(), 400);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(woerter[i], i * 0x01010101u);
    speicher.ZumAnfang();
    speicher.LiesMemEndianKorrekt(woerter.data(), 6); // reported, and one word read
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Position(), 4u);

    // Formatted text up to 9,999 bytes; longer is reported and not written.
    TSpeicher text;
    for (const std::string& teil : {std::string(9999, 'y'), std::string(10000, 'x')})
        text.SchreibeFormatText("%s", teil.c_str());
    EXPECT_EQ(mHaltepunkte.Anzahl(), 2);
    EXPECT_EQ(text.Groesse(), 9999u);
}

TEST_F(Speicher, DateiLadenUndSpeichern) {
    for (const size_t groesse : {size_t(100), size_t(70000)}) {
        const TSpeicher bytes = Zufallsbytes(groesse, 2);
        ASSERT_TRUE(bytes.SpeichereDatei(mOrdner.Pfad() / "daten.bin"));
        TSpeicher geladen;
        std::memset(geladen.Daten(), 0xFF, geladen.Kapazitaet());
        ASSERT_TRUE(geladen.LadeDatei(mOrdner.Pfad() / "daten.bin"));
        EXPECT_TRUE(GleicherInhalt(geladen, bytes));
        EXPECT_EQ(geladen.Position(), 0u);
        ASSERT_GE(geladen.Kapazitaet(), groesse + 8);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(geladen.Daten()[groesse + i], 0) << i;

        // A missing file or a folder fails and leaves the buffer as it was.
        EXPECT_FALSE(geladen.LadeDatei(mOrdner.Pfad() / "fehlt.bin"));
        EXPECT_FALSE(geladen.LadeDatei(mOrdner.Pfad()));
        EXPECT_EQ(geladen.Groesse(), groesse);
    }
    EXPECT_FALSE(TSpeicher().SpeichereDatei(mOrdner.Pfad() / "kein_ordner" / "x.bin"));
}

// Loading, packing and unpacking into a buffer taken back inline still take their whole content.
TEST_F(Speicher, InlineZurueckgeschrumpftLaedtPacktUndEntpacktGanz) {
    const TSpeicher bytes = Zufallsbytes(200, 6);
    ASSERT_TRUE(bytes.SpeichereDatei(mOrdner.Pfad() / "klein.bin"));
    TSpeicher quelle = GemischteDaten(5000), gepackt;
    ASSERT_TRUE(ZLib_Packen(quelle, gepackt));
    for (const uint64_t kapazitaet : {uint64_t(0), uint64_t(100)}) {
        TSpeicher geladen = Zurueckgeschrumpft(kapazitaet);
        ASSERT_TRUE(geladen.LadeDatei(mOrdner.Pfad() / "klein.bin"));
        EXPECT_TRUE(GleicherInhalt(geladen, bytes)) << kapazitaet;

        // zlib's bound for 200 bytes fits inline, but not in the capacity the buffer was cut to.
        TSpeicher klein = GemischteDaten(200), kleinGepackt = Zurueckgeschrumpft(kapazitaet);
        EXPECT_TRUE(ZLib_Packen(klein, kleinGepackt)) << kapazitaet;

        gepackt.ZumAnfang();
        TSpeicher entpackt = Zurueckgeschrumpft(kapazitaet);
        ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt)) << kapazitaet;
        entpackt.ZumAnfang();
        EXPECT_TRUE(GleicherInhalt(entpackt, quelle)) << kapazitaet;
    }
}

TEST_F(ZLib, PackenUndEntpackenStelltDenInhaltWiederHer) {
    // Mixed data of several sizes, and random bytes that pack larger than they are.
    std::vector<TSpeicher> quellen;
    for (const size_t groesse : {size_t(0), size_t(1), size_t(511), size_t(100000)})
        quellen.push_back(GemischteDaten(groesse));
    quellen.push_back(Zufallsbytes(1 << 20, 4));
    for (TSpeicher& quelle : quellen) {
        SCOPED_TRACE(quelle.Groesse());
        TSpeicher gepackt;
        ASSERT_TRUE(ZLib_Packen(quelle, gepackt));
        EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
        gepackt.ZumAnfang();
        TSpeicher entpackt;
        ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt));
        EXPECT_EQ(entpackt.Position(), quelle.Groesse());
        EXPECT_TRUE(GleicherInhalt(entpackt, quelle));
        EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
    }

    // Packed behind the position of a larger buffer: what lies before it stays, nothing shrinks.
    TSpeicher ziel(20000);
    const TSpeicher vorspann = Zufallsbytes(15000, 5);
    ziel.SchreibeBlock(vorspann.Daten(), vorspann.Groesse());
    TSpeicher klein;
    klein.SchreibeText("klein");
    ASSERT_TRUE(ZLib_Packen(klein, ziel));
    EXPECT_GE(ziel.Kapazitaet(), 20000u);
    EXPECT_EQ(std::memcmp(ziel.Daten(), vorspann.Daten(), vorspann.Groesse()), 0);
    ziel.SetPosition(15000);
    TSpeicher entpackt;
    ASSERT_TRUE(ZLib_Entpacken(ziel, entpackt));
    EXPECT_TRUE(GleicherInhalt(entpackt, klein));
}

TEST_F(ZLib, KaputteAbgeschnitteneUndZuGrosseDatenScheitern) {
    TSpeicher quelle = GemischteDaten(50000), gepackt;
    ASSERT_TRUE(ZLib_Packen(quelle, gepackt));

    TSpeicher abgeschnitten, kaputt, leer, ziel;
    abgeschnitten.SchreibeBlock(gepackt.Daten(), gepackt.Groesse() / 2);
    kaputt.SchreibeBlock(gepackt.Daten(), gepackt.Groesse());
    kaputt.Daten()[0] ^= 0xFF;
    for (TSpeicher* falsch : {&abgeschnitten, &kaputt, &leer}) {
        falsch->ZumAnfang();
        EXPECT_FALSE(ZLib_Entpacken(*falsch, ziel));
    }
    EXPECT_TRUE(mLog.Enthaelt("!ZLib_Entpacken(...): Failed to inflate data."));

    // A cap stops a packing bomb early, before the whole output is in memory.
    TSpeicher nullen;
    const std::vector<uint8_t> bytes(4 << 20, 0);
    nullen.SchreibeBlock(bytes.data(), bytes.size());
    TSpeicher bombe;
    ASSERT_TRUE(ZLib_Packen(nullen, bombe));
    bombe.ZumAnfang();
    TSpeicher begrenzt;
    EXPECT_FALSE(ZLib_Entpacken(bombe, begrenzt, 1000));
    EXPECT_LE(begrenzt.Groesse(), 1001u);
    EXPECT_LT(begrenzt.Kapazitaet(), 100000u);
    EXPECT_TRUE(mLog.Enthaelt("!ZLib_Entpacken(...): Data larger than expected."));
    bombe.ZumAnfang();
    EXPECT_TRUE(ZLib_Entpacken(bombe, begrenzt, nullen.Groesse()));
    EXPECT_EQ(begrenzt.Groesse(), nullen.Groesse());
}
