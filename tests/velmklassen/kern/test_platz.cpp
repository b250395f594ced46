#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_platz.h"
#include "velmklassen/kern/velm_segmentleser.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Liste = std::vector<TPlatzRechteck>;
using Ecken = std::vector<std::pair<uint64_t, uint64_t>>;
constexpr uint64_t kNie = ~0ull;

// Every cell of the area must lie in exactly one rectangle of both lists: used ones never
// overlap each other or a free one, and together they cover the area.
void PruefeAbdeckung(const TPlatz& platz) {
    std::vector<int> zellen(platz.Breite() * platz.Hoehe(), 0);
    for (const Liste* liste : {&platz.Belegt(), &platz.Frei()})
        for (const TPlatzRechteck& r : *liste) {
            ASSERT_TRUE(r.Rechts() <= platz.Breite() && r.Unten() <= platz.Hoehe());
            for (uint64_t y = r.y; y < r.Unten(); ++y)
                for (uint64_t x = r.x; x < r.Rechts(); ++x)
                    ++zellen[y * platz.Breite() + x];
        }
    ASSERT_EQ(std::count(zellen.begin(), zellen.end(), 1), ptrdiff_t(zellen.size()));
}

// Places the requests one after another and returns the corners, (kNie, kNie) for a refused one.
Ecken Platziere(TPlatz& platz, std::initializer_list<std::pair<uint64_t, uint64_t>> anfragen) {
    Ecken ecken;
    for (const auto& [w, h] : anfragen) {
        uint64_t x = kNie, y = kNie;
        if (!platz.FindePlatz(w, h, x, y))
            x = y = kNie;
        ecken.emplace_back(x, y);
    }
    return ecken;
}

// A "PLTZ" segment spelled out word by word, without the writer; version 0 leaves out the frame, a
// version with the top bit carries the segment's length. `danach` follows the segment.
TSpeicher PlatzSegment(uint32_t version, std::vector<uint32_t> woerter, std::vector<uint32_t> danach = {}) {
    if (version) {
        if (version & 0x80000000)
            woerter.insert(woerter.begin(), {0, uint32_t(8 + 4 * woerter.size() + 4)});
        woerter.insert(woerter.begin(), {Velm_Kennung("PLTZ"), version});
        woerter.push_back(Velm_Kennung("Pltz"));
    }
    woerter.insert(woerter.end(), danach.begin(), danach.end());
    TSpeicher speicher;
    for (uint32_t w : woerter)
        Velm_SchreibeU32BE(speicher, w);
    speicher.ZumAnfang();
    return speicher;
}

using Platz = TLogTest;

} // namespace

TEST_F(Platz, HoechsteEckeGewinntUndUnbekannteEckenWerdenGemeldet) {
    TPlatz platz;
    platz.Init(256, 256, 8);
    // (100, 0) is higher up than (0, 50); only the corner counts, not the free rectangle's size.
    EXPECT_EQ(Platziere(platz, {{100, 50}, {257, 1}, {1, 257}, {UINT64_MAX, 1}, {150, 100}}),
              (Ecken{{0, 0}, {kNie, kNie}, {kNie, kNie}, {kNie, kNie}, {100, 0}}));
    EXPECT_EQ(platz.Frei(), (Liste{{250, 0, 6, 100}, {0, 50, 100, 50}, {0, 100, 256, 156}}));
    // A corner nobody placed is reported and changes nothing.
    platz.Leere();
    EXPECT_EQ(Platziere(platz, {{256, 256}, {1, 1}}), (Ecken{{0, 0}, {kNie, kNie}}));
    platz.GibPlatzFrei(100, 0);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(
        mLog.Enthaelt("!Ausnahme \"Segment nicht in Platzverwaltung gefunden\" aufgetreten in Funktion "
                      "TPlatz::GibPlatzFrei"));
    EXPECT_EQ(platz.Belegt(), (Liste{{0, 0, 256, 256}}));
    EXPECT_TRUE(platz.Frei().empty());
    // At equal height the earlier free rectangle in the list wins.
    platz.Leere();
    platz.AddFreienPlatz({60, 0, 40, 100});
    platz.AddFreienPlatz({0, 0, 50, 100});
    EXPECT_EQ(Platziere(platz, {{10, 10}}), (Ecken{{60, 0}}));
}

TEST_F(Platz, VerschmelzenPrueftUntenObenRechtsLinks) {
    TPlatz platz;
    platz.Init(100, 100, 0);
    // clang-format off
    const std::pair<TPlatzRechteck, Liste> schritte[] = {
        {{10, 20, 30, 10}, {{10, 20, 30, 10}}}, {{10, 10, 30, 10}, {{10, 10, 30, 20}}}, // above
        {{10, 30, 30, 5}, {{10, 10, 30, 25}}},                                          // below
        {{0, 10, 10, 25}, {{0, 10, 40, 25}}},                                           // left
        {{40, 10, 20, 25}, {{0, 10, 60, 25}}}};                                         // right
    // clang-format on
    for (const auto& [neu, frei] : schritte) {
        platz.AddFreienPlatz(neu);
        EXPECT_EQ(platz.Frei(), frei);
    }
}

// Random sequences of placing and freeing, checked on the cell grid after every step.
TEST_F(Platz, ZufaelligeFolgenUeberlappenNieUndDeckenAllesAb) {
    std::mt19937 zufall(1234);
    for (int runde = 0; runde < 20; ++runde) {
        TPlatz platz;
        platz.Init(16 + zufall() % 80, 16 + zufall() % 80, 16);
        Ecken ecken;
        int gefunden = 0;
        for (int schritt = 0; schritt < 300; ++schritt) {
            const uint64_t w = 1 + zufall() % 24, h = 1 + zufall() % 24;
            uint64_t x, y;
            if (!ecken.empty() && zufall() % 3 == 0) {
                const size_t i = zufall() % ecken.size();
                platz.GibPlatzFrei(ecken[i].first, ecken[i].second);
                ecken.erase(ecken.begin() + ptrdiff_t(i));
            } else if (platz.FindePlatz(w, h, x, y)) {
                ++gefunden;
                ecken.emplace_back(x, y);
                EXPECT_EQ(platz.Belegt().back(), (TPlatzRechteck{x, y, w, h}));
            }
            ASSERT_NO_FATAL_FAILURE(PruefeAbdeckung(platz)) << "Runde " << runde << ", Schritt " << schritt;
        }
        EXPECT_GT(gefunden, 10);

        for (const auto& [x, y] : ecken)
            platz.GibPlatzFrei(x, y);
        EXPECT_TRUE(platz.Belegt().empty());
        ASSERT_NO_FATAL_FAILURE(PruefeAbdeckung(platz));
    }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);

    // The 32-bit file fields refuse a larger area.
    TPlatz zuGross;
    zuGross.Init(uint64_t(1) << 32, 16, 0);
    TSpeicher speicher;
    EXPECT_FALSE(zuGross.Speichere(speicher));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_EQ(speicher.Groesse(), 0u);
}

// Segments the reader takes, then ones it refuses: those are reported and leave the lists empty and
// the area as it was.
TEST_F(Platz, SegmentInAllenFormenUndFalscheAnzahlen) {
    struct Fall {
        const char* name;
        TSpeicher segment;
        bool gut;
        uint64_t breite, hoehe;
        Liste belegt, frei;
    };
    // clang-format off
    Fall faelle[] = {
        // Area, two used, one free.
        {"0x102", PlatzSegment(0x102, {64, 32, 2, 0, 0, 8, 8, 8, 0, 8, 8, 1, 16, 0, 48, 32}), true, 64, 32,
         {{0, 0, 8, 8}, {8, 0, 8, 8}}, {{16, 0, 48, 32}}},
        // No area: the one set before stays.
        {"0x101", PlatzSegment(0x101, {0, 1, 0, 0, 7, 9}), true, 50, 60, {}, {{0, 0, 7, 9}}},
        // Without a frame: one unused word, then free rectangles only.
        {"ohne Rahmen", PlatzSegment(0, {0x12345678u, 2u, 0u, 0u, 4u, 4u, 4u, 0u, 4u, 4u}), true, 50, 60, {},
         {{0, 0, 4, 4}, {4, 0, 4, 4}}},
        {"riesige belegte Anzahl", PlatzSegment(0x102, {64, 32, 0xFFFFFFFF, 0, 0, 8, 8, 0}), false, 50, 60, {}, {}},
        {"riesige freie Anzahl", PlatzSegment(0x102, {64, 32, 0, 0x10000000, 1, 2, 3, 4}), false, 50, 60, {}, {}},
        {"eine zu viel", PlatzSegment(0x102, {64, 32, 2, 0, 0, 8, 8, 0}), false, 50, 60, {}, {}},
        {"ohne Rahmen zu viele", PlatzSegment(0, {0u, 0xFFFFFFFFu, 1u, 2u, 3u, 4u}), false, 50, 60, {}, {}},
        // The count must fit before the segment's end marker, not only before the buffer's end.
        {"über das Segmentende", PlatzSegment(0x80000102, {8, 8, 0, 2, 0, 0, 8, 8}, std::vector<uint32_t>(8, 1)),
         false, 50, 60, {}, {}},
        // A newer version is read as the current layout.
        {"0x103", PlatzSegment(0x103, {10, 10, 0, 0}), true, 10, 10, {}, {}}};
    // clang-format on
    for (Fall& fall : faelle) {
        TPlatz platz;
        platz.Init(50, 60, 0);
        Platziere(platz, {{5, 5}});
        mLog.mZeilen.clear();
        EXPECT_EQ(platz.Lade(fall.segment), fall.gut) << fall.name;
        EXPECT_EQ(std::tuple(platz.Breite(), platz.Hoehe(), platz.Belegt(), platz.Frei()),
                  std::tuple(fall.breite, fall.hoehe, fall.belegt, fall.frei))
            << fall.name;
        EXPECT_EQ(mLog.Enthaelt("!TPlatz::Lade: Platzdaten sind abgeschnitten oder beschädigt."), !fall.gut)
            << fall.name;
    }
}

TEST_F(Platz, SpeichernLadenUndAbgeschnitteneDaten) {
    TPlatz quelle;
    quelle.Init(64, 64, 0);
    Platziere(quelle, {{10, 7}, {10, 7}, {10, 7}, {10, 7}, {10, 7}});
    quelle.GibPlatzFrei(10, 0);
    // The loaded copy holds both lists in their order, so its next placements go where the
    // original's would have gone. The segment need not start the buffer, and an earlier read past
    // its end does not matter.
    TSpeicher voll;
    voll.LiesU32();
    voll.SchreibeU32(0xDEADBEEF);
    ASSERT_TRUE(quelle.Speichere(voll));
    voll.SetPosition(4);
    TPlatz geladen;
    ASSERT_TRUE(geladen.Lade(voll));
    EXPECT_EQ(voll.Position(), voll.Groesse());
    EXPECT_EQ(std::tuple(geladen.Breite(), geladen.Hoehe(), geladen.Belegt(), geladen.Frei()),
              std::tuple(quelle.Breite(), quelle.Hoehe(), quelle.Belegt(), quelle.Frei()));

    // Cut at every length: only the end marker may be missing, which the segment's end check
    // reports on its own; nothing is read past the buffer.
    const uint64_t ganz = voll.Groesse() - 4;
    for (uint64_t laenge = 0; laenge < ganz; ++laenge) {
        TSpeicher speicher;
        speicher.SchreibeBlock(voll.Daten() + 4, laenge);
        speicher.ZumAnfang();
        TPlatz platz;
        const bool gut = platz.Lade(speicher);
        EXPECT_EQ(gut, laenge >= ganz - 4) << laenge;
        EXPECT_TRUE(gut || (platz.Belegt().empty() && platz.Frei().empty())) << laenge;
        EXPECT_LE(speicher.Position(), laenge);
    }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}
