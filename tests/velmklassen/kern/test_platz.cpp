#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_platz.h"
#include "velmklassen/kern/velm_segmentleser.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Liste = std::vector<TPlatzRechteck>;

// Every cell of the area must lie in exactly one rectangle of both lists: used ones never
// overlap each other or a free one, and together they cover the area.
void PruefeAbdeckung(const TPlatz& platz) {
    std::vector<int> zellen(platz.Breite() * platz.Hoehe(), 0);
    for (const Liste* liste : {&platz.Belegt(), &platz.Frei()})
        for (const TPlatzRechteck& r : *liste) {
            ASSERT_LE(r.Rechts(), platz.Breite());
            ASSERT_LE(r.Unten(), platz.Hoehe());
            for (uint64_t y = r.y; y < r.Unten(); ++y)
                for (uint64_t x = r.x; x < r.Rechts(); ++x)
                    ++zellen[y * platz.Breite() + x];
        }
    for (uint64_t i = 0; i < zellen.size(); ++i)
        ASSERT_EQ(zellen[i], 1) << "Zelle " << i % platz.Breite() << ", " << i / platz.Breite();
}

class Platz : public ::testing::Test {
protected:
    Platz() { Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log"); }

    TTempOrdner mOrdner;
    TLogMitschrift mLog;
    THaltepunktZaehler mHaltepunkte;
};

// A "PLTZ" segment spelled out word by word, without the writer.
TSpeicher PlatzSegment(uint32_t version, std::initializer_list<uint32_t> woerter, bool endkennung = true) {
    TSpeicher speicher;
    Velm_SchreibeU32BE(speicher, Velm_Kennung("PLTZ"));
    Velm_SchreibeU32BE(speicher, version);
    for (uint32_t w : woerter)
        Velm_SchreibeU32BE(speicher, w);
    if (endkennung)
        Velm_SchreibeU32BE(speicher, Velm_Kennung("Pltz"));
    speicher.ZumAnfang();
    return speicher;
}

} // namespace

TEST_F(Platz, ErsteRechteckeAufLeererFlaeche) {
    TPlatz platz;
    platz.Init(256, 256, 8);
    uint64_t x = 99, y = 99;
    ASSERT_TRUE(platz.FindePlatz(100, 50, x, y));
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(platz.Frei(), (Liste{{100, 0, 156, 50}, {0, 50, 256, 206}}));

    // (100, 0) is higher up than (0, 50).
    ASSERT_TRUE(platz.FindePlatz(100, 50, x, y));
    EXPECT_EQ(x, 100u);
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(platz.Belegt(), (Liste{{0, 0, 100, 50}, {100, 0, 100, 50}}));
    PruefeAbdeckung(platz);
}

TEST_F(Platz, ZuGrossePassenNicht) {
    TPlatz platz;
    platz.Init(256, 256, 0);
    uint64_t x, y;
    EXPECT_FALSE(platz.FindePlatz(257, 1, x, y));
    EXPECT_FALSE(platz.FindePlatz(1, 257, x, y));
    EXPECT_FALSE(platz.FindePlatz(UINT64_MAX, 1, x, y));
    ASSERT_TRUE(platz.FindePlatz(256, 256, x, y));
    EXPECT_TRUE(platz.Frei().empty());
    EXPECT_FALSE(platz.FindePlatz(1, 1, x, y));
}

TEST_F(Platz, FreigabeVerschmilztMitDemRechtenNachbarn) {
    TPlatz platz;
    platz.Init(256, 256, 0);
    uint64_t x, y;
    ASSERT_TRUE(platz.FindePlatz(100, 50, x, y));
    platz.GibPlatzFrei(0, 0);
    EXPECT_TRUE(platz.Belegt().empty());
    EXPECT_EQ(platz.Frei(), (Liste{{0, 0, 256, 50}, {0, 50, 256, 206}}));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}

TEST_F(Platz, UnbekannteEckeWirdGemeldet) {
    TPlatz platz;
    platz.Init(256, 256, 0);
    uint64_t x, y;
    ASSERT_TRUE(platz.FindePlatz(100, 50, x, y));
    const Liste frei = platz.Frei();
    platz.GibPlatzFrei(100, 0);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(
        mLog.Enthaelt("!Ausnahme \"Segment nicht in Platzverwaltung gefunden\" aufgetreten in Funktion "
                      "TPlatz::GibPlatzFrei"));
    EXPECT_EQ(platz.Belegt(), (Liste{{0, 0, 100, 50}}));
    EXPECT_EQ(platz.Frei(), frei);
}

TEST_F(Platz, NurDieEckeZaehltNichtDieGroesseDesFreienRechtecks) {
    // The free rectangle at (100, 0) is only 50 high, yet its corner takes a 150 x 100 request,
    // and the pieces are added above, left, right, below, each merged once where it can be.
    TPlatz platz;
    platz.Init(256, 256, 0);
    uint64_t x, y;
    ASSERT_TRUE(platz.FindePlatz(100, 50, x, y));
    ASSERT_TRUE(platz.FindePlatz(150, 100, x, y));
    EXPECT_EQ(x, 100u);
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(platz.Frei(), (Liste{{250, 0, 6, 100}, {0, 50, 100, 50}, {0, 100, 256, 156}}));
    PruefeAbdeckung(platz);
}

TEST_F(Platz, BeiGleichemYGewinntDieFruehereInDerListe) {
    TPlatz platz;
    platz.Init(100, 100, 0);
    platz.AddFreienPlatz({60, 0, 40, 100});
    platz.AddFreienPlatz({0, 0, 50, 100});
    uint64_t x, y;
    ASSERT_TRUE(platz.FindePlatz(10, 10, x, y));
    EXPECT_EQ(x, 60u);
    EXPECT_EQ(y, 0u);
}

TEST_F(Platz, VerschmelzenPrueftUntenObenRechtsLinksUndNurEinmal) {
    TPlatz platz;
    platz.Init(100, 100, 0);
    platz.AddFreienPlatz({10, 20, 30, 10});
    platz.AddFreienPlatz({10, 10, 30, 10}); // directly above the first: it grows upwards
    EXPECT_EQ(platz.Frei(), (Liste{{10, 10, 30, 20}}));
    platz.AddFreienPlatz({10, 30, 30, 5}); // directly below: it grows downwards
    EXPECT_EQ(platz.Frei(), (Liste{{10, 10, 30, 25}}));
    platz.AddFreienPlatz({0, 10, 10, 25}); // left of it
    EXPECT_EQ(platz.Frei(), (Liste{{0, 10, 40, 25}}));
    platz.AddFreienPlatz({40, 10, 20, 25}); // right of it
    EXPECT_EQ(platz.Frei(), (Liste{{0, 10, 60, 25}}));

    // Between two neighbours only the first in the list takes it; no second merge follows.
    platz.Leere();
    platz.AddFreienPlatz({0, 0, 10, 10});
    platz.AddFreienPlatz({20, 0, 10, 10});
    platz.AddFreienPlatz({10, 0, 10, 10});
    EXPECT_EQ(platz.Frei(), (Liste{{0, 0, 20, 10}, {20, 0, 10, 10}}));
    // Differing extent: no merge.
    platz.AddFreienPlatz({0, 10, 19, 5});
    EXPECT_EQ(platz.Frei().size(), 3u);
}

TEST_F(Platz, ZufaelligeFolgenUeberlappenNieUndDeckenAllesAb) {
    std::mt19937 zufall(1234);
    for (int runde = 0; runde < 20; ++runde) {
        TPlatz platz;
        const uint64_t breite = 16 + zufall() % 80, hoehe = 16 + zufall() % 80;
        platz.Init(breite, hoehe, 16);
        std::vector<std::pair<uint64_t, uint64_t>> ecken;
        int gefunden = 0;
        for (int schritt = 0; schritt < 300; ++schritt) {
            if (!ecken.empty() && zufall() % 3 == 0) {
                const size_t i = zufall() % ecken.size();
                platz.GibPlatzFrei(ecken[i].first, ecken[i].second);
                ecken.erase(ecken.begin() + ptrdiff_t(i));
            } else {
                const uint64_t w = 1 + zufall() % 24, h = 1 + zufall() % 24;
                uint64_t x, y;
                if (platz.FindePlatz(w, h, x, y)) {
                    ++gefunden;
                    ecken.emplace_back(x, y);
                    EXPECT_EQ(platz.Belegt().back(), (TPlatzRechteck{x, y, w, h}));
                }
            }
            ASSERT_NO_FATAL_FAILURE(PruefeAbdeckung(platz)) << "Runde " << runde << ", Schritt " << schritt;
        }
        EXPECT_GT(gefunden, 10);
        // Everything given back: the area is free again.
        for (const auto& [x, y] : ecken)
            platz.GibPlatzFrei(x, y);
        EXPECT_TRUE(platz.Belegt().empty());
        ASSERT_NO_FATAL_FAILURE(PruefeAbdeckung(platz));
    }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}

TEST_F(Platz, GespeichertUndGeladenGehtEsGleichWeiter) {
    TPlatz platz;
    platz.Init(300, 200, 0);
    std::mt19937 zufall(99);
    uint64_t x, y;
    for (int i = 0; i < 40; ++i)
        platz.FindePlatz(1 + zufall() % 50, 1 + zufall() % 50, x, y);
    platz.GibPlatzFrei(platz.Belegt()[3].x, platz.Belegt()[3].y);

    TSpeicher speicher;
    speicher.SchreibeU32(0xDEADBEEF); // the segment need not start the buffer
    const uint64_t anfang = speicher.Position();
    ASSERT_TRUE(platz.Speichere(speicher));
    speicher.SetPosition(anfang);

    TPlatz geladen;
    ASSERT_TRUE(geladen.Lade(speicher));
    EXPECT_EQ(speicher.Position(), speicher.Groesse());
    EXPECT_EQ(geladen.Breite(), 300u);
    EXPECT_EQ(geladen.Hoehe(), 200u);
    EXPECT_EQ(geladen.Belegt(), platz.Belegt());
    EXPECT_EQ(geladen.Frei(), platz.Frei());
    for (int i = 0; i < 20; ++i) {
        const uint64_t w = 1 + zufall() % 40, h = 1 + zufall() % 40;
        uint64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        EXPECT_EQ(platz.FindePlatz(w, h, x1, y1), geladen.FindePlatz(w, h, x2, y2));
        EXPECT_EQ(x1, x2);
        EXPECT_EQ(y1, y2);
    }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_FALSE(mLog.Enthaelt("!"));
}

TEST_F(Platz, SegmentInAllenFormen) {
    // Version 0x102: area, two used, one free.
    TSpeicher neu = PlatzSegment(0x102, {64, 32, 2, 0, 0, 8, 8, 8, 0, 8, 8, 1, 16, 0, 48, 32});
    TPlatz platz;
    ASSERT_TRUE(platz.Lade(neu));
    EXPECT_EQ(platz.Breite(), 64u);
    EXPECT_EQ(platz.Hoehe(), 32u);
    EXPECT_EQ(platz.Belegt(), (Liste{{0, 0, 8, 8}, {8, 0, 8, 8}}));
    EXPECT_EQ(platz.Frei(), (Liste{{16, 0, 48, 32}}));

    // Version 0x101 has no area: the one set before loading stays.
    TSpeicher alt = PlatzSegment(0x101, {0, 1, 0, 0, 7, 9});
    TPlatz platz101;
    platz101.Init(128, 64, 0);
    ASSERT_TRUE(platz101.Lade(alt));
    EXPECT_EQ(platz101.Breite(), 128u);
    EXPECT_EQ(platz101.Hoehe(), 64u);
    EXPECT_TRUE(platz101.Belegt().empty());
    EXPECT_EQ(platz101.Frei(), (Liste{{0, 0, 7, 9}}));

    // Without a frame: one unused word, then free rectangles only.
    TSpeicher ohneRahmen;
    for (uint32_t w : {0x12345678u, 2u, 0u, 0u, 4u, 4u, 4u, 0u, 4u, 4u})
        Velm_SchreibeU32BE(ohneRahmen, w);
    ohneRahmen.ZumAnfang();
    ASSERT_TRUE(platz101.Lade(ohneRahmen));
    EXPECT_TRUE(platz101.Belegt().empty());
    EXPECT_EQ(platz101.Frei(), (Liste{{0, 0, 4, 4}, {4, 0, 4, 4}}));

    // A newer version is reported by the segment reader and read as the current layout.
    TSpeicher neuer = PlatzSegment(0x103, {10, 10, 0, 0});
    ASSERT_TRUE(platz.Lade(neuer));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(platz.Breite(), 10u);
    EXPECT_TRUE(mLog.Enthaelt("hat ungültige Version 259."));
}

TEST_F(Platz, FalscheAnzahlenWerdenAbgewiesen) {
    const auto pruefe = [&](TSpeicher speicher, const char* fall) {
        TPlatz platz;
        platz.Init(50, 60, 0);
        uint64_t x, y;
        ASSERT_TRUE(platz.FindePlatz(5, 5, x, y));
        mLog.mZeilen.clear();
        EXPECT_FALSE(platz.Lade(speicher)) << fall;
        EXPECT_TRUE(mLog.Enthaelt("!TPlatz::Lade: Platzdaten sind abgeschnitten oder beschädigt.")) << fall;
        EXPECT_TRUE(platz.Belegt().empty()) << fall;
        EXPECT_TRUE(platz.Frei().empty()) << fall;
        EXPECT_EQ(platz.Breite(), 50u) << fall;
        EXPECT_EQ(platz.Hoehe(), 60u) << fall;
    };
    pruefe(PlatzSegment(0x102, {64, 32, 0xFFFFFFFF, 0, 0, 8, 8, 0}), "riesige belegte Anzahl");
    pruefe(PlatzSegment(0x102, {64, 32, 0, 0x10000000, 1, 2, 3, 4}), "riesige freie Anzahl");
    pruefe(PlatzSegment(0x102, {64, 32, 2, 0, 0, 8, 8, 0}), "eine zu viel");
    TSpeicher ohneRahmen;
    for (uint32_t w : {0u, 0xFFFFFFFFu, 1u, 2u, 3u, 4u})
        Velm_SchreibeU32BE(ohneRahmen, w);
    ohneRahmen.ZumAnfang();
    pruefe(std::move(ohneRahmen), "ohne Rahmen");

    // The count must fit before the segment's end marker, not only before the buffer's end.
    TPlatz quelle;
    quelle.Init(8, 8, 0);
    quelle.AddFreienPlatz({0, 0, 8, 8});
    TSpeicher mitLaenge;
    ASSERT_TRUE(quelle.Speichere(mitLaenge));
    for (int i = 0; i < 8; ++i)
        Velm_SchreibeU32BE(mitLaenge, 1); // what follows the segment
    mitLaenge.SetPosition(4 + 4 + 8 + 8 + 4 + 4 + 16 + 4 - 4 - 16 - 4);
    Velm_SchreibeU32BE(mitLaenge, 2);
    mitLaenge.ZumAnfang();
    pruefe(std::move(mitLaenge), "über das Segmentende");
}

TEST_F(Platz, AbgeschnitteneDatenLesenNichtUeberDenPuffer) {
    TPlatz quelle;
    quelle.Init(64, 64, 0);
    uint64_t x, y;
    for (int i = 0; i < 5; ++i)
        quelle.FindePlatz(10, 7, x, y);
    TSpeicher voll;
    ASSERT_TRUE(quelle.Speichere(voll));

    for (uint64_t laenge = 0; laenge < voll.Groesse(); ++laenge) {
        TSpeicher speicher;
        speicher.SchreibeBlock(voll.Daten(), laenge);
        speicher.ZumAnfang();
        TPlatz platz;
        const bool geladen = platz.Lade(speicher);
        // Only the end marker may be missing: the segment's end check reports that on its own.
        EXPECT_EQ(geladen, laenge >= voll.Groesse() - 4) << laenge;
        if (!geladen) {
            EXPECT_TRUE(platz.Belegt().empty() && platz.Frei().empty()) << laenge;
        }
        EXPECT_LE(speicher.Position(), laenge);
    }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}

TEST_F(Platz, FruehererUeberlaufDesPuffersStoertNicht) {
    // The overrun state is sticky; loading judges by position, so an earlier read past the end
    // of the same buffer does not fail it.
    TSpeicher speicher;
    speicher.LiesU32();
    ASSERT_TRUE(speicher.Ueberlauf());
    TPlatz quelle;
    quelle.Init(32, 32, 0);
    quelle.AddFreienPlatz({0, 0, 32, 32});
    ASSERT_TRUE(quelle.Speichere(speicher));
    speicher.ZumAnfang();
    TPlatz platz;
    EXPECT_TRUE(platz.Lade(speicher));
    EXPECT_EQ(platz.Frei(), quelle.Frei());
}

TEST_F(Platz, SpeichernPrueftDie32BitGrenze) {
    TPlatz platz;
    platz.Init(uint64_t(1) << 32, 16, 0);
    TSpeicher speicher;
    EXPECT_FALSE(platz.Speichere(speicher));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), 0u);
}
