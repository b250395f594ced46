#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_speicher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

namespace {

std::vector<uint8_t> Zufallsbytes(size_t n, uint32_t saat) {
    std::mt19937 zufall(saat);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes)
        b = uint8_t(zufall());
    return bytes;
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

} // namespace

TEST(Speicher, WaechstVonInlineUeberZehntausendDurchVerdoppeln) {
    TSpeicher speicher;
    EXPECT_EQ(speicher.Kapazitaet(), 512u);
    const std::vector<uint8_t> bytes = Zufallsbytes(10001, 1);
    speicher.SchreibeBlock(bytes.data(), 512);
    EXPECT_EQ(speicher.Kapazitaet(), 512u);
    speicher.SchreibeU8(bytes[512]);
    EXPECT_EQ(speicher.Kapazitaet(), 10000u);
    speicher.SchreibeBlock(bytes.data() + 513, 10001 - 513);
    EXPECT_EQ(speicher.Kapazitaet(), 20000u);
    EXPECT_EQ(speicher.Groesse(), 10001u);
    EXPECT_EQ(std::memcmp(speicher.Daten(), bytes.data(), bytes.size()), 0);

    speicher.Reserviere(300); // back to the inline storage with the first 300 bytes
    EXPECT_EQ(speicher.Kapazitaet(), 300u);
    EXPECT_EQ(speicher.Groesse(), 300u);
    EXPECT_EQ(std::memcmp(speicher.Daten(), bytes.data(), 300), 0);
    speicher.Reserviere(400); // inline already: nothing changes
    EXPECT_EQ(speicher.Kapazitaet(), 300u);
}

TEST(Speicher, CursorBewegungenMeldenDieStrecke) {
    TSpeicher speicher;
    speicher.SchreibeText("0123456789");
    EXPECT_EQ(speicher.SetPosition(4), -6);
    EXPECT_EQ(speicher.Ueberspringe(-10), -4);
    EXPECT_EQ(speicher.Position(), 0u);
    EXPECT_EQ(speicher.SetPosition(50), 10);
    EXPECT_EQ(speicher.Position(), 10u);
    EXPECT_EQ(speicher.Ueberspringe(5), 0);
    EXPECT_EQ(speicher.ZumAnfang(), -10);
    // The extremes a corrupt length may turn into: clamped, without overflowing.
    speicher.SetPosition(4);
    EXPECT_EQ(speicher.Ueberspringe(INT64_MIN), -4);
    EXPECT_EQ(speicher.Ueberspringe(INT64_MAX), 10);
    EXPECT_EQ(speicher.Position(), 10u);
    speicher.Leere();
    EXPECT_EQ(speicher.Groesse(), 0u);
    EXPECT_EQ(speicher.Kapazitaet(), 512u);
}

TEST(Speicher, LesenHinterDemEndeFuelltMitNullenUndMerktSichDenUeberlauf) {
    TSpeicher speicher;
    speicher.SchreibeU32(0x11223344);
    speicher.SchreibeU8(0x55);
    speicher.ZumAnfang();
    EXPECT_EQ(speicher.LiesU32(), 0x11223344u);
    EXPECT_FALSE(speicher.Ueberlauf());
    EXPECT_EQ(speicher.LiesU32(), 0x55u);
    EXPECT_TRUE(speicher.Ueberlauf());
    EXPECT_EQ(speicher.Position(), 5u);
    EXPECT_EQ(speicher.LiesU64(), 0u);
    EXPECT_EQ(speicher.LiesU8(), 0u);
    uint8_t block[1000];
    std::memset(block, 0xAB, sizeof block);
    speicher.LiesBlock(block, sizeof block);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[999], 0);
    EXPECT_TRUE(speicher.Ueberlauf()); // sticky
    speicher.Leere();
    EXPECT_FALSE(speicher.Ueberlauf());
}

TEST(Speicher, EndiankorrigiertesLesen) {
    THaltepunktZaehler haltepunkte;
    TSpeicher speicher;
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    speicher.SchreibeBlock(bytes, 8);
    speicher.ZumAnfang();
    uint32_t woerter[2] = {};
    speicher.LiesMemEndianKorrekt(woerter, 6); // reported, and one word read
    EXPECT_EQ(haltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Position(), 4u);
    EXPECT_EQ(woerter[0], 0x01020304u);
    EXPECT_EQ(woerter[1], 0u);

    std::vector<uint32_t> viele(100);
    TSpeicher lang;
    for (uint32_t i = 0; i < 100; ++i)
        lang.SchreibeU32(__builtin_bswap32(i * 0x01010101u));
    lang.ZumAnfang();
    lang.LiesMemEndianKorrekt(viele.data(), 400);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(viele[i], i * 0x01010101u);
}

TEST(Speicher, GroesseUeberDerKapazitaetWirdGemeldetUndBegrenzt) {
    THaltepunktZaehler haltepunkte;
    TSpeicher speicher;
    speicher.SetGroesse(100);
    EXPECT_EQ(haltepunkte.Anzahl(), 0);
    speicher.SetGroesse(100000);
    EXPECT_EQ(haltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), speicher.Kapazitaet());
}

TEST(Speicher, FormatText) {
    THaltepunktZaehler haltepunkte;
    TSpeicher speicher;
    speicher.SchreibeFormatText("vs%03d.txt", 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(speicher.Daten()), speicher.Groesse()), "vs007.txt");
    const std::string riesig(10000, 'x');
    speicher.SchreibeFormatText("%s", riesig.c_str());
    EXPECT_EQ(haltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), 9u);
    const std::string passt(9999, 'y');
    speicher.SchreibeFormatText("%s", passt.c_str());
    EXPECT_EQ(speicher.Groesse(), 9u + 9999u);
}

TEST(Speicher, VerschiebenUebergibtInlineUndHeapInhalt) {
    TSpeicher klein;
    klein.SchreibeText("klein");
    TSpeicher neu(std::move(klein));
    EXPECT_EQ(neu.Groesse(), 5u);
    EXPECT_EQ(std::memcmp(neu.Daten(), "klein", 5), 0);
    EXPECT_EQ(klein.Groesse(), 0u);
    EXPECT_EQ(klein.Kapazitaet(), 512u);

    TSpeicher gross(5000);
    gross.SchreibeText("gross");
    const uint8_t* block = gross.Daten();
    neu = std::move(gross);
    EXPECT_EQ(neu.Daten(), block);
    EXPECT_EQ(neu.Kapazitaet(), 5000u);
    EXPECT_EQ(gross.Kapazitaet(), 512u);
    gross.SchreibeText("wieder nutzbar");
    EXPECT_EQ(gross.Groesse(), 14u);
}

TEST(Speicher, DateiLadenUndSpeichern) {
    TTempOrdner ordner;
    const std::vector<uint8_t> bytes = Zufallsbytes(100, 2);
    TSpeicher speicher;
    speicher.SchreibeBlock(bytes.data(), bytes.size());
    ASSERT_TRUE(speicher.SpeichereDatei(ordner.Pfad() / "daten.bin"));

    TSpeicher geladen;
    std::memset(geladen.Daten(), 0xFF, geladen.Kapazitaet());
    ASSERT_TRUE(geladen.LadeDatei(ordner.Pfad() / "daten.bin"));
    EXPECT_GE(geladen.Kapazitaet(), 512u);
    EXPECT_EQ(geladen.Groesse(), 100u);
    EXPECT_EQ(geladen.Position(), 0u);
    EXPECT_EQ(std::memcmp(geladen.Daten(), bytes.data(), 100), 0);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(geladen.Daten()[100 + i], 0) << i;

    const std::vector<uint8_t> gross = Zufallsbytes(70000, 3);
    std::ofstream(ordner.Pfad() / "gross.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(gross.data()), std::streamsize(gross.size()));
    ASSERT_TRUE(geladen.LadeDatei(ordner.Pfad() / "gross.bin"));
    EXPECT_EQ(geladen.Groesse(), gross.size());
    EXPECT_GE(geladen.Kapazitaet(), gross.size() + 8);
    EXPECT_EQ(std::memcmp(geladen.Daten(), gross.data(), gross.size()), 0);

    EXPECT_FALSE(geladen.LadeDatei(ordner.Pfad() / "fehlt.bin"));
    EXPECT_FALSE(geladen.LadeDatei(ordner.Pfad()));
    EXPECT_EQ(geladen.Groesse(), gross.size()); // untouched
    EXPECT_FALSE(speicher.SpeichereDatei(ordner.Pfad() / "kein_ordner" / "x.bin"));
}

// Reserving 512 bytes or less takes a heap buffer back inline with that capacity; loading,
// packing and unpacking into such a buffer still take their whole content.
TEST(Speicher, InlineZurueckgeschrumpftLaedtPacktUndEntpacktGanz) {
    TTempOrdner ordner;
    const std::vector<uint8_t> bytes = Zufallsbytes(200, 6);
    std::ofstream(ordner.Pfad() / "klein.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    for (const uint64_t kapazitaet : {uint64_t(0), uint64_t(100)}) {
        TSpeicher geladen;
        geladen.Reserviere(1000);
        geladen.Reserviere(kapazitaet);
        ASSERT_EQ(geladen.Kapazitaet(), kapazitaet);
        ASSERT_TRUE(geladen.LadeDatei(ordner.Pfad() / "klein.bin"));
        ASSERT_EQ(geladen.Groesse(), bytes.size()) << kapazitaet;
        EXPECT_EQ(std::memcmp(geladen.Daten(), bytes.data(), bytes.size()), 0);

        // zlib's bound for 200 bytes fits inline, but not in the capacity the buffer was cut to.
        TSpeicher klein = GemischteDaten(200);
        TSpeicher kleinGepackt;
        kleinGepackt.Reserviere(1000);
        kleinGepackt.Reserviere(kapazitaet);
        ASSERT_TRUE(ZLib_Packen(klein, kleinGepackt)) << kapazitaet;

        TSpeicher quelle = GemischteDaten(5000);
        TSpeicher gepackt;
        ASSERT_TRUE(ZLib_Packen(quelle, gepackt));
        gepackt.ZumAnfang();
        TSpeicher entpackt;
        entpackt.Reserviere(1000);
        entpackt.Reserviere(kapazitaet);
        ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt)) << kapazitaet;
        ASSERT_EQ(entpackt.Groesse(), 5000u);
        EXPECT_EQ(std::memcmp(entpackt.Daten(), quelle.Daten(), 5000), 0);
    }
}

TEST(ZLib, PackenUndEntpackenStelltDenInhaltWiederHer) {
    for (const size_t groesse : {size_t(0), size_t(1), size_t(511), size_t(100000)}) {
        TSpeicher quelle = GemischteDaten(groesse);
        TSpeicher gepackt;
        ASSERT_TRUE(ZLib_Packen(quelle, gepackt)) << groesse;
        EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
        gepackt.ZumAnfang();
        TSpeicher entpackt;
        ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt)) << groesse;
        ASSERT_EQ(entpackt.Groesse(), groesse);
        EXPECT_EQ(entpackt.Position(), groesse);
        EXPECT_EQ(std::memcmp(entpackt.Daten(), quelle.Daten(), groesse), 0);
        EXPECT_EQ(gepackt.Position(), gepackt.Groesse());
    }
}

TEST(ZLib, UnkomprimierbareDatenPassen) {
    const std::vector<uint8_t> bytes = Zufallsbytes(1 << 20, 4);
    TSpeicher quelle;
    quelle.SchreibeBlock(bytes.data(), bytes.size());
    TSpeicher gepackt;
    ASSERT_TRUE(ZLib_Packen(quelle, gepackt));
    EXPECT_GT(gepackt.Groesse(), bytes.size());
    gepackt.ZumAnfang();
    TSpeicher entpackt;
    ASSERT_TRUE(ZLib_Entpacken(gepackt, entpackt));
    ASSERT_EQ(entpackt.Groesse(), bytes.size());
    EXPECT_EQ(std::memcmp(entpackt.Daten(), bytes.data(), bytes.size()), 0);
}

TEST(ZLib, PackenHinterDiePositionVerkleinertDasZielNie) {
    TSpeicher ziel(20000);
    const std::vector<uint8_t> vorspann = Zufallsbytes(15000, 5);
    ziel.SchreibeBlock(vorspann.data(), vorspann.size());
    TSpeicher quelle;
    quelle.SchreibeText("klein");
    ASSERT_TRUE(ZLib_Packen(quelle, ziel));
    EXPECT_GE(ziel.Kapazitaet(), 20000u);
    EXPECT_EQ(std::memcmp(ziel.Daten(), vorspann.data(), vorspann.size()), 0);
    ziel.SetPosition(15000);
    TSpeicher entpackt;
    ASSERT_TRUE(ZLib_Entpacken(ziel, entpackt));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(entpackt.Daten()), entpackt.Groesse()), "klein");
}

TEST(ZLib, KaputteUndAbgeschnitteneDatenScheitern) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    TLogMitschrift mitschrift;

    TSpeicher quelle = GemischteDaten(50000);
    TSpeicher gepackt;
    ASSERT_TRUE(ZLib_Packen(quelle, gepackt));

    TSpeicher abgeschnitten;
    abgeschnitten.SchreibeBlock(gepackt.Daten(), gepackt.Groesse() / 2);
    abgeschnitten.ZumAnfang();
    TSpeicher ziel;
    EXPECT_FALSE(ZLib_Entpacken(abgeschnitten, ziel));
    EXPECT_TRUE(mitschrift.Enthaelt("!ZLib_Entpacken(...): Failed to inflate data."));

    TSpeicher kaputt;
    kaputt.SchreibeBlock(gepackt.Daten(), gepackt.Groesse());
    kaputt.Daten()[0] ^= 0xFF;
    kaputt.ZumAnfang();
    EXPECT_FALSE(ZLib_Entpacken(kaputt, ziel));

    TSpeicher leer;
    EXPECT_FALSE(ZLib_Entpacken(leer, ziel));
}

TEST(ZLib, ObergrenzeHaeltPackbombenAuf) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    TLogMitschrift mitschrift;

    TSpeicher nullen;
    const std::vector<uint8_t> bytes(4 << 20, 0);
    nullen.SchreibeBlock(bytes.data(), bytes.size());
    TSpeicher gepackt;
    ASSERT_TRUE(ZLib_Packen(nullen, gepackt));
    gepackt.ZumAnfang();

    TSpeicher ziel;
    EXPECT_FALSE(ZLib_Entpacken(gepackt, ziel, 1000));
    EXPECT_LE(ziel.Groesse(), 1001u);
    EXPECT_LT(ziel.Kapazitaet(), 100000u);
    EXPECT_TRUE(mitschrift.Enthaelt("!ZLib_Entpacken(...): Data larger than expected."));

    gepackt.ZumAnfang();
    EXPECT_TRUE(ZLib_Entpacken(gepackt, ziel, bytes.size()));
    EXPECT_EQ(ziel.Groesse(), bytes.size());
}
