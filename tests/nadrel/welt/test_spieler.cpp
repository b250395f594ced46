// The world: trees and levels pinned by figures per seed, the ghosts with their particles and hill
// push, the key with its shared mesh, pick-up and deferred deletion, and the player on scripted
// input (look, walk, run, smoothing and pause). The game timer is stepped by hand.

#include "nadrel/welt/baum.h"
#include "nadrel/welt/geist.h"
#include "nadrel/welt/levelbau.h"
#include "nadrel/welt/punktstreuung.h"
#include "nadrel/welt/schluessel.h"
#include "nadrel/welt/spieler.h"
#include "omvu/omvu_testumgebung.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace Spiel;

namespace {

inline int64_t StehendeUhr() {
    return 0;
}

class WeltUmgebung : public ::testing::Test {
protected:
    Velm_Zeitgeber uhr{&StehendeUhr};
    Szene welt{&uhr};

    // One frame of the game: the clock steps, then every object updates in slot order.
    void Frame(int64_t ticks) {
        uhr.Schritt(ticks);
        FuerAlleBelegten(welt.mObjekte, [](uint64_t, Objekt* o) { o->Aktualisiere(); });
    }
};

inline void ErwarteNahe(const Vektor& a, const Vektor& b, float toleranz = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, toleranz);
    EXPECT_NEAR(a.y, b.y, toleranz);
    EXPECT_NEAR(a.z, b.z, toleranz);
}

// FNV-1a over raw bytes: any moved, added or swapped draw of a generator changes it.
inline void Mische(uint64_t& h, const void* daten, size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(daten);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
}

// Count, hash and bounds of point clouds, added up one cloud after the other.
struct Abdruck {
    uint64_t anzahl = 0;
    uint64_t hash = 1469598103934665603ull;
    Vektor min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};

    void Nimm(const Punkt* anfang, const Punkt* ende, const Vektor& versatz = {}) {
        Mische(hash, anfang, size_t(ende - anfang) * sizeof(Punkt));
        for (const Punkt* p = anfang; p != ende; ++p) {
            const Vektor v = Vektor{p->x, p->y, p->z} + versatz;
            min = {std::min(min.x, v.x), std::min(min.y, v.y), std::min(min.z, v.z)};
            max = {std::max(max.x, v.x), std::max(max.y, v.y), std::max(max.z, v.z)};
        }
        anzahl += uint64_t(ende - anfang);
    }

    // The pinned figures, the bounds to a thousandth.
    void Erwarte(uint64_t anzahlSoll, uint64_t hashSoll, const Vektor& minSoll, const Vektor& maxSoll) const {
        EXPECT_EQ(anzahl, anzahlSoll);
        EXPECT_EQ(hash, hashSoll);
        ErwarteNahe(min, minSoll, 1e-3f);
        ErwarteNahe(max, maxSoll, 1e-3f);
    }
};

// Wood and foliage points, the points' hash and bounds of the trees at (1, 0.5, 2) as the generator
// gave them when they were pinned, the scatter seeded with the tree's seed. Any moved, swapped or
// dropped draw of the branches or the scatter changes the hash.
TEST(Baum, PinnedSeedsKeepTheirFigures) {
    // clang-format off
    const std::tuple<int, uint64_t, uint64_t, uint64_t, Vektor, Vektor> faelle[] = {
        {0, 1812, 3317, 0x8be62cc83a4d512eull, {-14.6686f, 0.6348f, -10.9605f}, {10.7559f, 27.7357f, 5.9230f}},
        {1, 1786, 3029, 0x018eea3cbccd7039ull, {-7.9625f, 0.2730f, -1.1410f}, {14.6811f, 25.1165f, 13.5446f}},
        {17, 2842, 5314, 0x63065345f4a92fa3ull, {-8.3560f, 0.2088f, -8.7573f}, {16.5040f, 30.2285f, 16.3046f}},
        {32767, 2952, 5292, 0x04ca864396fab276ull, {-2.9985f, 0.1932f, -16.3553f}, {17.5449f, 31.1900f, 13.6672f}},
    };
    // clang-format on
    for (const auto& [saat, holz, laub, hash, min, max] : faelle) {
        SCOPED_TRACE(saat);
        Plattform::SetzeZufallsSaat(uint32_t(saat));
        Feld<Punkt> punkte;
        BaueBaum(punkte, {1, 0.5f, 2}, saat);
        Abdruck abdruck;
        abdruck.Nimm(punkte.begin(), punkte.end());
        abdruck.Erwarte(holz + laub, hash, min, max);
        EXPECT_EQ(uint64_t(std::count_if(punkte.begin(), punkte.end(),
                                         [](const Punkt& p) { return p.mAttribute == kHolzAttribut; })),
                  holz);
        punkte.Freigeben();
    }
}

// A step of length 0 has rates of 0 and holds no points; its rates were once NaN, divided by 0.
TEST(Baum, AStepOfNoLengthHoldsNoPoints) {
    Ebene ebene{};
    ebene.anzahl = {1, 0, 0, 0, 0, 0, 0};
    ebene.radius = {0.5f, 0, -0.2f, 0, 0, 0, 0};
    ebene.schrittzahl = 3;
    Zufallsgenerator zufall{1};
    std::vector<float> winkel;
    std::vector<Segment> segmente;
    WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, ebene, 1);
    ASSERT_EQ(segmente.size(), 3u);
    for (const Segment& s : segmente)
        EXPECT_EQ(
            (std::array{s.laenge, s.radiusAenderung, s.laubRadiusAenderung, s.laubVerhaeltnisAenderung}),
            (std::array<float, 4>{}));
    Feld<Punkt> punkte;
    StreuePunkteAufAesten(punkte, segmente);
    EXPECT_EQ(punkte.mAnzahl, 0u);
    punkte.Freigeben();
}

// The points of all instances as the builder gave them when they were pinned; the hash also takes
// in the instances' matrices, the hills and every object's place. Seed 1 comes twice: a level built
// after another must not differ (a key mesh shared across worlds once made it).
TEST(Levelbau, PinnedSeedsKeepTheirFigures) {
    // clang-format off
    const std::tuple<uint32_t, uint64_t, uint64_t, Vektor, Vektor> faelle[] = {
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
        {4711, 930280, 0x761f5183ff35f50cull, {-328.0513f, 0.0000f, -318.5380f}, {316.9397f, 37.5398f, 301.8672f}},
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
    };
    // clang-format on
    for (const auto& [saat, punkte, hash, min, max] : faelle) {
        SCOPED_TRACE(saat);
        Velm_Zeitgeber uhr{&StehendeUhr};
        Szene welt{&uhr};
        Plattform::SetzeZufallsSaat(saat);
        BaueSzene(welt);
        Abdruck abdruck;
        FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& i) {
            abdruck.Nimm(i.mPunkteAnfang, i.mPunkteEnde, {i.mMatrix[3], i.mMatrix[7], i.mMatrix[11]});
            Mische(abdruck.hash, i.mMatrix.data(), sizeof i.mMatrix);
        });
        Mische(abdruck.hash, welt.mHuegel.data(), welt.mHuegel.size() * sizeof(Huegel));
        FuerAlleBelegten(welt.mObjekte, [&](uint64_t, Objekt* o) {
            Mische(abdruck.hash, &o->mPosition, sizeof o->mPosition);
        });
        abdruck.Erwarte(punkte, hash, min, max);
    }
}

// The world deletes the objects the tests leave registered (the leak check sees it).
class GeistTest : public WeltUmgebung {};

// 256 particles a second, each rising and growing for two seconds, all in the ghost's instance; the
// velocity comes from three draws in the order z, y, x.
TEST_F(GeistTest, ParticlesRiseGrowAndDieAfterTwoSeconds) {
    Plattform::SetzeZufallsSaat(77);
    const float z = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    const float y = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    const float x = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    Plattform::SetzeZufallsSaat(77);
    auto* geist = new Geist(welt, {50, 2, 50});
    const uint64_t instanz = geist->mInstanz;
    // 1/256 s is one particle period: nothing after a quarter of it, the rest kept for the next step.
    Frame(Ticks(1.0 / 1024));
    EXPECT_TRUE(geist->mPartikel.empty());
    Frame(Ticks(1.0 / 256) - Ticks(1.0 / 1024));
    ASSERT_EQ(geist->mPartikel.size(), 1u);
    EXPECT_EQ(geist->mPartikel[0].mGeschwindigkeit, (Vektor{x, y, z}));
    EXPECT_EQ(geist->mPartikel[0].mPosition, geist->mPosition);
    // Newborn: size 30, alpha 0, full grey.
    EXPECT_EQ(geist->mPunkte[0].mAttribute, 0xFFFF001Eu);
    geist->mPartikel[0].mGeschwindigkeit = {1, 0, 0};
    const Vektor vorher = geist->mPartikel[0].mPosition;
    Frame(Ticks(0.5));
    // Nothing has died yet, so the first particle is still the oldest.
    ASSERT_EQ(geist->mPartikel.size(), 1u + 128);
    ErwarteNahe(geist->mPartikel[0].mPosition, vorher + Vektor{0.5f, 0, 0});
    EXPECT_FLOAT_EQ(geist->mPartikel[0].mGeschwindigkeit.y, 2);
    // A quarter of its life gone: size trunc(0.25 * 204.798 + 30.7197) = 81, alpha trunc(63.975) = 63.
    EXPECT_EQ(geist->mPunkte[0].mAttribute, 0xFFFF0000u | 63u << 8 | 81u);
    // Exactly two seconds after its birth it is gone; the younger ones are not.
    Frame(Ticks(1.5));
    EXPECT_EQ(geist->mPartikel.size(), 128u + 384);
    EXPECT_EQ(welt.mInstanzen[instanz].mPunkteAnfang, geist->mPunkte.data());
    EXPECT_EQ(welt.mInstanzen[instanz].mPunkteEnde - welt.mInstanzen[instanz].mPunkteAnfang, 512);
    delete geist;
    EXPECT_FALSE(welt.mInstanzen.IstBelegt(instanz));
}

// A hill pushes from 30 units on, with full weight from 80; the origin pulls; the speed is 10.
// While paused (a step of 0) the ghost turns by the pull but neither moves nor emits.
TEST_F(GeistTest, HillsPushFromThirtyUnitsOnAndTheCentrePullsEvenWhilePaused) {
    const Vektor start{0, 0, 100};
    // After one step from (1, 0, 0): the hill's push of 0 to 1 per second along +z, the pull of
    // 0.8 along -z.
    for (auto [abstand, schub, schritt] : {std::tuple{20.0f, 0.0f, 0.1f},
                                           {30.0f, 0.0f, 0.1f},
                                           {55.0f, 0.05f, 0.1f},
                                           {200.0f, 0.1f, 0.1f},
                                           {200.0f, 0.0f, 0.0f}}) {
        welt.mHuegel = {{0, 0, start.z - abstand, 10}};
        auto* geist = new Geist(welt, start);
        Frame(Ticks(schritt));
        const Vektor v{1, 0, schub - 0.8f};
        ErwarteNahe(geist->mGeschwindigkeit, v * (10 / Laenge(v)), 1e-4f);
        ErwarteNahe(geist->mPosition, start + geist->mGeschwindigkeit * schritt, 1e-4f);
        EXPECT_EQ(geist->mPartikel.empty(), schritt == 0);
        delete geist;
    }
}

// Right above a hill centre the push once divided 0 by 0, and at the origin the pull did.
TEST_F(GeistTest, AboveAHillCentreOrAtTheOriginTheVelocityStaysFinite) {
    welt.mHuegel = {{0, 0, 0, 20}, {40, 0, 40, 3}};
    const Geist* geister[] = {new Geist(welt, {0, 2, 0}), new Geist(welt, {0, 0, 0}),
                              new Geist(welt, {40, 5, 40})};
    for (int i = 0; i < 50; ++i) {
        Frame(Ticks(0.02));
        for (const Geist* g : geister)
            ASSERT_TRUE(std::isfinite(Laenge(g->mGeschwindigkeit) + Laenge(g->mPosition)));
    }
}

class SchluesselTest : public WeltUmgebung {
protected:
    void SetUp() override { gSchluesselGenommen = false; }
    void TearDown() override { gSchluesselGenommen = false; }
};

TEST_F(SchluesselTest, TheFirstKeyBuildsTheSharedMeshOfTwoHundredEightySixPoints) {
    for (const Vektor& ort : {Vektor{0, 0, 0}, Vektor{5, 0, 5}}) {
        const RenderInstanz& instanz = welt.mInstanzen[(new Schluessel(welt, ort))->mInstanz];
        EXPECT_EQ(instanz.mPunkteAnfang, welt.mMeshes[welt.mSchluesselMesh].begin());
        EXPECT_EQ(instanz.mPunkteEnde - instanz.mPunkteAnfang, 286);
    }
    EXPECT_FALSE(welt.mMeshes.IstBelegt(welt.mSchluesselMesh + 1));
}

// The ring lies around its axis whichever way the axis points; along y downwards its points were
// once all NaN.
TEST_F(SchluesselTest, TheRingLiesAroundAnyAxis) {
    for (const Vektor& achse : {Vektor{0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {-1, 0, 0}, {0.6f, -0.8f, 0}}) {
        Feld<Punkt> punkte;
        StreuePunkteAufRing(punkte, {1, 2, 3}, achse, {0.5f, 0.5f, 0.5f});
        EXPECT_EQ(punkte.mAnzahl, 86u);
        for (const Punkt& p : punkte) {
            const Vektor relativ{p.x - 1, p.y - 2, p.z - 3};
            const float entlang = Skalarprodukt(relativ, achse);
            ASSERT_NEAR(std::sqrt(Skalarprodukt(relativ, relativ) - entlang * entlang), 0.5f, 0.1001f)
                << achse.x << " " << achse.y << " " << achse.z;
            ASSERT_NEAR(entlang, 0.0f, 0.1001f);
        }
        punkte.Freigeben();
    }
}

// The key spins at one radian a second and bobs only where it is drawn; within six units of the
// player, whatever the height, it is drawn in at two units a second.
TEST_F(SchluesselTest, SpinsBobsAndIsDrawnInWithinSixUnits) {
    auto* schluessel = new Schluessel(welt, {0, 1.5f, 0});
    welt.mSpieler = new Spieler(welt, {0, 40, 6.5f});
    for (int i = 0; i < 10; ++i)
        Frame(Ticks(0.1));
    const Matrix& m = welt.mInstanzen[schluessel->mInstanz].mMatrix;
    // Turned by 1 about y, then lifted by the bob: the key's x axis (1, 0, 0) goes to (cos 1, 0, sin 1).
    ErwarteNahe({m[0] + m[3], m[4] + m[7], m[8] + m[11]},
                {std::cos(1.0f), 1.5f + 0.3f * std::sin(1.0f), std::sin(1.0f)});
    EXPECT_EQ(schluessel->mPosition, (Vektor{0, 1.5f, 0}));
    welt.mSpieler->mPosition = {3, 40, 4};
    Frame(Ticks(0.1));
    ErwarteNahe(schluessel->mPosition, {0.12f, 1.5f, 0.16f});
}

// Taken, the key is deleted once by the global timer, however many updates come before it runs.
TEST_F(SchluesselTest, IsTakenBelowOneUnitAndDeletedByTheGlobalTimer) {
    auto* schluessel = new Schluessel(welt, {0, 1.5f, 0});
    welt.mSpieler = new Spieler(welt, {0.5f, 0, 0.5f});
    const uint64_t instanz = schluessel->mInstanz;
    const uint64_t slot = schluessel->mSzeneIndex;
    Frame(Ticks(0.1));
    EXPECT_TRUE(gSchluesselGenommen);
    ASSERT_TRUE(welt.mObjekte.IstBelegt(slot));
    Frame(Ticks(0.1));
    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_FALSE(welt.mObjekte.IstBelegt(slot));
    EXPECT_FALSE(welt.mInstanzen.IstBelegt(instanz));
    Velm_Zeitgeber::Global().Schritt(1);
}

TEST_F(SchluesselTest, AWorldThatEndsFirstCancelsThePendingDeletion) {
    {
        Szene kurz(&uhr);
        new Schluessel(kurz, {0, 0, 0});
        kurz.mSpieler = new Spieler(kurz, {0, 0, 0});
        uhr.Schritt(Ticks(0.1));
        FuerAlleBelegten(kurz.mObjekte, [](uint64_t, Objekt* o) { o->Aktualisiere(); });
        EXPECT_TRUE(gSchluesselGenommen);
    }
    Velm_Zeitgeber::Global().Schritt(1);
}

class SpielerTest : public OmvuTest::Umgebung {
protected:
    Velm_Zeitgeber uhr{&StehendeUhr};
    Szene welt{&uhr};
    Spieler* spieler = nullptr;

    void SetUp() override {
        Umgebung::SetUp();
        // The first mouse follows the system cursor; it starts in the middle of its range.
        quelle->cursorX = 10000;
        quelle->cursorY = 10000;
        Starte();
        spieler = new Spieler(welt, {});
        welt.mSpieler = spieler;
    }

    // One frame as the game runs it: input first, then the world.
    void Schritt(double sekunden) {
        Frame();
        uhr.Schritt(Ticks(sekunden));
        spieler->Aktualisiere();
    }
    void Bewege(float dx, float dy) {
        quelle->cursorX += dx;
        quelle->cursorY += dy;
    }
};

// The velocity two seconds after the keys went down, for a player turned by the yaw.
TEST_F(SpielerTest, WalksAtTenUnitsPerSecondSidewaysAtFiveAndRunsFiveTimesAsFast) {
    const std::tuple<float, std::vector<uint32_t>, float, float> faelle[] = {
        {0, {17}, 0, 10},          {0, {17, 42}, 0, 50},        {0, {208}, 0, -10},
        {0, {17, 31, 30}, -5, 0},  {0, {200, 203, 205}, 0, 10}, {0, {31, 200, 32}, 5, 0},
        {1.5707964f, {17}, 10, 0},
    };
    for (const auto& [gieren, tasten, x, z] : faelle) {
        spieler->mGieren = gieren;
        spieler->mGeschwindigkeit = {};
        for (uint32_t code : tasten)
            Druecke(code);
        for (int i = 0; i < 200; ++i)
            Schritt(0.01);
        EXPECT_NEAR(spieler->mGeschwindigkeit.x, x, 1e-2f) << tasten[0];
        EXPECT_NEAR(spieler->mGeschwindigkeit.z, z, 1e-2f) << tasten[0];
        for (uint32_t code : tasten)
            Lasse(code);
    }
}

// The gap to the target velocity halves every tenth of a second, whatever the steps. A pause (a
// step of 0) ignores mouse and keys and keeps the velocity for later.
TEST_F(SpielerTest, SmoothingHalvesTheGapEveryTenthOfASecondAndAPauseKeepsIt) {
    spieler->mGeschwindigkeit.y = 8;
    Druecke(200);
    Schritt(0.1);
    ErwarteNahe(spieler->mGeschwindigkeit, {0, 4, 5});
    ErwarteNahe(spieler->mPosition, {0, 0.4f, 0.5f});
    Druecke(42);
    Bewege(500, 500);
    Schritt(0);
    ErwarteNahe(spieler->mGeschwindigkeit, {0, 4, 5});
    ErwarteNahe(spieler->mPosition, {0, 0.4f, 0.5f});
    EXPECT_EQ(spieler->mGieren, 0);
    EXPECT_EQ(spieler->mNicken, 0);
    Lasse(42);
    Schritt(0.1);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 7.5f, 1e-4f);
    // The same tenth of a second in ten steps.
    Szene andere(&uhr);
    auto* zweiter = new Spieler(andere, {});
    for (int i = 0; i < 10; ++i) {
        uhr.Schritt(Ticks(0.01));
        zweiter->Aktualisiere();
    }
    EXPECT_NEAR(zweiter->mGeschwindigkeit.z, 5, 1e-4f);
    // Without an input system it coasts towards a stop.
    Omvu::Shutdown();
    uhr.Schritt(Ticks(0.1));
    zweiter->Aktualisiere();
    EXPECT_NEAR(zweiter->mGeschwindigkeit.z, 2.5f, 1e-4f);
}

// Mouse moves one after the other: the yaw wraps at 2 pi keeping its sign, the pitch is clamped.
TEST_F(SpielerTest, TheMouseTurnsTheYawAndThePitchWithinTheirLimits) {
    const std::array<float, 4> faelle[] = {
        {100, 300, 1, 0.3f},
        {-200, 9000, -1, Spieler::kNickGrenze},
        {-600, -19000, std::fmod(-7.0f, 6.2831855f), -Spieler::kNickGrenze},
        {1400, 0, std::fmod(7.0f, 6.2831855f), -Spieler::kNickGrenze},
    };
    for (auto [dx, dy, gieren, nicken] : faelle) {
        Bewege(dx, dy);
        Schritt(0.01);
        EXPECT_NEAR(spieler->mGieren, gieren, 1e-5f) << dx;
        EXPECT_NEAR(spieler->mNicken, nicken, 1e-6f) << dy;
    }
}

} // namespace
