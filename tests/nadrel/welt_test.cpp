// The world: trees and levels pinned by figures per seed, the ghosts with their particles and hill
// push, and the key with its shared mesh, pick-up and deferred deletion.

#include "nadrel/baum.h"
#include "nadrel/geist.h"
#include "nadrel/levelbau.h"
#include "nadrel/punktstreuung.h"
#include "nadrel/schluessel.h"
#include "nadrel/spieler.h"
#include "welt_testumgebung.h"

#include <array>

using namespace Spiel;
using namespace WeltTest;

namespace {

// Wood and foliage points, the points' hash and bounds of the trees at (1, 0.5, 2) as the generator
// gave them when they were pinned, the scatter seeded with the tree's seed. Any moved, swapped or
// dropped draw of the branches or the scatter changes the hash.
TEST(Baum, PinnedSeedsKeepTheirFigures) {
    struct Fall {
        int saat;
        uint64_t holz, laub, hash;
        Vektor min, max;
    };
    // clang-format off
    const Fall faelle[] = {
        {0, 1812, 3317, 0x8be62cc83a4d512eull, {-14.6686f, 0.6348f, -10.9605f}, {10.7559f, 27.7357f, 5.9230f}},
        {1, 1786, 3029, 0x018eea3cbccd7039ull, {-7.9625f, 0.2730f, -1.1410f}, {14.6811f, 25.1165f, 13.5446f}},
        {17, 2842, 5314, 0x63065345f4a92fa3ull, {-8.3560f, 0.2088f, -8.7573f}, {16.5040f, 30.2285f, 16.3046f}},
        {32767, 2952, 5292, 0x04ca864396fab276ull, {-2.9985f, 0.1932f, -16.3553f}, {17.5449f, 31.1900f, 13.6672f}},
    };
    // clang-format on
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.saat);
        Plattform::SetzeZufallsSaat(uint32_t(fall.saat));
        Feld<Punkt> punkte;
        BaueBaum(punkte, {1, 0.5f, 2}, fall.saat);
        Abdruck abdruck;
        abdruck.Nimm(punkte.begin(), punkte.end());
        abdruck.Erwarte(fall.holz + fall.laub, fall.hash, fall.min, fall.max);
        EXPECT_EQ(uint64_t(std::count_if(punkte.begin(), punkte.end(),
                                         [](const Punkt& p) { return p.mAttribute == kHolzAttribut; })),
                  fall.holz);
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
    struct Fall {
        uint32_t saat;
        uint64_t punkte, hash;
        Vektor min, max;
    };
    // clang-format off
    const Fall faelle[] = {
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
        {4711, 930280, 0x761f5183ff35f50cull, {-328.0513f, 0.0000f, -318.5380f}, {316.9397f, 37.5398f, 301.8672f}},
        {1, 881754, 0xe218995c3e2a74a8ull, {-331.6884f, 0.0000f, -319.8374f}, {318.5453f, 36.5113f, 334.1453f}},
    };
    // clang-format on
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.saat);
        Velm_Zeitgeber uhr{&StehendeUhr};
        Szene welt{&uhr};
        Plattform::SetzeZufallsSaat(fall.saat);
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
        abdruck.Erwarte(fall.punkte, fall.hash, fall.min, fall.max);
    }
}

Vektor Anwenden(const Matrix& m, const Vektor& v) {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3], m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7],
            m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]};
}

bool Endlich(const Vektor& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
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
TEST_F(GeistTest, HillsPushFromThirtyUnitsOnWithGrowingWeight) {
    const Vektor start{100, 0, 0};
    // After one 0.1 s step from (1, 0, 0): the hill's push along +z, the pull of 0.8 along -x.
    for (auto [abstand, schub] : {std::pair{20.0f, 0.0f}, {30.0f, 0.0f}, {55.0f, 0.05f}, {200.0f, 0.1f}}) {
        welt.mHuegel = {{start.x, 0, -abstand, 10}};
        auto* geist = new Geist(welt, start);
        Frame(Ticks(0.1));
        const Vektor v{0.2f, 0, schub};
        ErwarteNahe(geist->mGeschwindigkeit, v * (10 / Laenge(v)), 1e-4f);
        ErwarteNahe(geist->mPosition, start + geist->mGeschwindigkeit * 0.1f, 1e-4f);
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
            ASSERT_TRUE(Endlich(g->mGeschwindigkeit) && Endlich(g->mPosition));
    }
}

TEST_F(GeistTest, WhilePausedItTurnsButNeitherMovesNorEmits) {
    auto* geist = new Geist(welt, {0, 0, 100});
    Frame(0);
    EXPECT_EQ(geist->mPosition, (Vektor{0, 0, 100}));
    EXPECT_TRUE(geist->mPartikel.empty());
    ErwarteNahe(geist->mGeschwindigkeit, Vektor{1, 0, -0.8f} * (10 / Laenge({1, 0, -0.8f})), 1e-4f);
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

TEST_F(SchluesselTest, SpinsAtOneRadianPerSecondAndBobsWithoutMoving) {
    auto* schluessel = new Schluessel(welt, {10, 1.5f, 10});
    for (int i = 0; i < 10; ++i)
        Frame(Ticks(0.1));
    const Matrix& m = welt.mInstanzen[schluessel->mInstanz].mMatrix;
    // Turned by 1 about y, then lifted by the bob: x goes to (cos 1, 0, sin 1).
    ErwarteNahe(Anwenden(m, {1, 0, 0}),
                {10 + std::cos(1.0f), 1.5f + 0.3f * std::sin(1.0f), 10 + std::sin(1.0f)});
    EXPECT_EQ(schluessel->mPosition, (Vektor{10, 1.5f, 10}));
    Frame(Ticks(0.1) * 60);
    EXPECT_NEAR(schluessel->mWinkel, std::fmod(7.0f, 6.2831855f), 1e-4f);
}

TEST_F(SchluesselTest, IsDrawnInWithinSixUnitsWhateverTheHeight) {
    auto* schluessel = new Schluessel(welt, {0, 1.5f, 0});
    welt.mSpieler = new Spieler(welt, {0, 40, 6.5f});
    Frame(Ticks(0.1));
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

} // namespace
