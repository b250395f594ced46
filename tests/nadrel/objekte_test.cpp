// The world's tables, matrices and two of its object kinds: registration, the ghosts with their
// particles and hill push, and the key with its shared mesh, pick-up and deferred deletion.

#include "nadrel/geist.h"
#include "nadrel/matrix.h"
#include "nadrel/punktstreuung.h"
#include "nadrel/schluessel.h"
#include "nadrel/spieler.h"
#include "testhilfen/testhilfen.h"
#include "welt_testumgebung.h"

#include <gmock/gmock.h>

#include <cmath>

using namespace Spiel;
using namespace WeltTest;

namespace {

Vektor Anwenden(const Matrix& m, const Vektor& v) {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3], m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7],
            m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]};
}

void ErwarteNahe(const Vektor& a, const Vektor& b, float toleranz = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, toleranz);
    EXPECT_NEAR(a.y, b.y, toleranz);
    EXPECT_NEAR(a.z, b.z, toleranz);
}

TEST(MatrixTest, TheProductAppliesTheFirstOperandFirst) {
    const Matrix drehung = AlsMatrix(DrehMatrix({0, 1, 0}, 1.0f));
    const Matrix schieben = Verschiebung({10, 0, 0});
    const Vektor p{1, 2, 3};
    ErwarteNahe(Anwenden(MatrixProdukt(drehung, schieben), p), Anwenden(schieben, Anwenden(drehung, p)));
    ErwarteNahe(Anwenden(MatrixProdukt(schieben, drehung), p), Anwenden(drehung, Anwenden(schieben, p)));
    EXPECT_EQ(MatrixProdukt(Einheitsmatrix(), schieben), schieben);
    // The translation stands in elements 3, 7 and 11; the last row stays 0, 0, 0, 1.
    const Matrix m = MatrixProdukt(drehung, Verschiebung({4, 5, 6}));
    EXPECT_FLOAT_EQ(m[3], 4);
    EXPECT_FLOAT_EQ(m[7], 5);
    EXPECT_FLOAT_EQ(m[11], 6);
    EXPECT_THAT((std::array<float, 4>{m[12], m[13], m[14], m[15]}), ::testing::ElementsAre(0, 0, 0, 1));
}

TEST(MatrixTest, TheRotationKeepsItsAxisAndLengthsAndHasTheGivenElements) {
    const Vektor achse = Normiert({1, 2, 3});
    const Drehung d = DrehMatrix(achse, 0.7f);
    ErwarteNahe(Drehe(d, achse), achse);
    EXPECT_NEAR(Laenge(Drehe(d, {3, -1, 2})), Laenge({3, -1, 2}), 1e-5f);
    // Element 1 is t ax ay + az s, element 3 is t ax ay - az s.
    const float c = std::cos(0.7f), s = std::sin(0.7f), t = 1 - c;
    EXPECT_NEAR(d[1], t * achse.x * achse.y + achse.z * s, 1e-6f);
    EXPECT_NEAR(d[3], t * achse.x * achse.y - achse.z * s, 1e-6f);
    EXPECT_NEAR(d[8], t * achse.z * achse.z + c, 1e-6f);
    // About y by a quarter turn, (1, 0, 0) goes to (0, 0, 1) with these rows.
    ErwarteNahe(Drehe(DrehMatrix({0, 1, 0}, 1.5707964f), {1, 0, 0}), {0, 0, 1});
}

class SzeneTest : public WeltUmgebung {};

TEST_F(SzeneTest, ObjectsTakeTheLowestFreeSlotAndGiveItBack) {
    auto* a = new Objekt(welt, {1, 2, 3});
    auto* b = new Objekt(welt, {});
    auto* c = new Objekt(welt, {});
    EXPECT_EQ(a->mSzeneIndex, 0u);
    EXPECT_EQ(b->mSzeneIndex, 1u);
    EXPECT_EQ(c->mSzeneIndex, 2u);
    EXPECT_EQ(a->mPosition, (Vektor{1, 2, 3}));
    EXPECT_EQ(welt.mObjekte[1], b);
    delete b;
    EXPECT_FALSE(welt.mObjekte.IstBelegt(1));
    auto* d = new Objekt(welt, {});
    EXPECT_EQ(d->mSzeneIndex, 1u);
    // The world deletes the objects still registered when it ends (the leak check sees it).
}

TEST_F(SzeneTest, AnObjectWithoutSlotIsReportedAndLeavesTheTableAlone) {
    THaltepunktZaehler brueche;
    auto* a = new Objekt(welt, {});
    auto* b = new Objekt(welt, {});
    welt.mObjekte.Entfernen(a->mSzeneIndex);
    a->mSzeneIndex = kKeinIndex;
    delete a;
    EXPECT_EQ(brueche.Anzahl(), 1);
    EXPECT_TRUE(welt.mObjekte.IstBelegt(b->mSzeneIndex));
}

TEST_F(SzeneTest, InstancesViewTheirPointsAndFreeTheirItems) {
    const uint64_t mesh = welt.NeuesMesh(100);
    Feld<Punkt>& punkte = welt.mMeshes[mesh];
    EXPECT_GE(punkte.mKapazitaet, 100u);
    punkte.Anhaengen({1, 2, 3, 4});
    const uint64_t id = welt.NeueInstanz(punkte.begin(), punkte.end(), Verschiebung({7, 8, 9}));
    RenderInstanz& instanz = welt.mInstanzen[id];
    EXPECT_EQ(instanz.mPunkteEnde - instanz.mPunkteAnfang, 1);
    EXPECT_FLOAT_EQ(instanz.mMatrix[7], 8);
    instanz.mZeichenpunkte.Anhaengen({1, 2});
    welt.EntferneInstanz(id);
    EXPECT_FALSE(welt.mInstanzen.IstBelegt(id));
}

TEST_F(SzeneTest, TheStepIsTheClocksStepInSeconds) {
    uhr.Schritt(Ticks(0.25));
    EXPECT_EQ(welt.SchrittTicks(), Ticks(0.25));
    EXPECT_FLOAT_EQ(welt.Schritt(), 0.25f);
    Szene ohneUhr(nullptr);
    EXPECT_EQ(ohneUhr.Schritt(), 0);
}

class GeistTest : public WeltUmgebung {};

// 1/64 s: exactly four particle periods.
const int64_t kVierPerioden = Ticks(1.0 / 64);

TEST_F(GeistTest, StartsWithItsInstanceAtItsPlace) {
    auto* geist = new Geist(welt, {10, 2, 20});
    ASSERT_TRUE(welt.mInstanzen.IstBelegt(geist->mInstanz));
    EXPECT_FLOAT_EQ(welt.mInstanzen[geist->mInstanz].mMatrix[11], 20);
    EXPECT_EQ(geist->mGeschwindigkeit, (Vektor{1, 0, 0}));
    const uint64_t instanz = geist->mInstanz;
    delete geist;
    EXPECT_FALSE(welt.mInstanzen.IstBelegt(instanz));
}

TEST_F(GeistTest, KeepsAboutFiveHundredTwelveParticlesAliveAndViewsThem) {
    auto* geist = new Geist(welt, {50, 2, 50});
    for (int i = 0; i < 127; ++i)
        Frame(kVierPerioden);
    EXPECT_EQ(geist->mPartikel.size(), 127u * 4);
    // From two seconds on, the oldest particles die as fast as new ones come.
    for (int i = 0; i < 200; ++i) {
        Frame(kVierPerioden);
        ASSERT_EQ(geist->mPartikel.size(), 512u);
    }
    const RenderInstanz& instanz = welt.mInstanzen[geist->mInstanz];
    EXPECT_EQ(instanz.mPunkteAnfang, geist->mPunkte.data());
    EXPECT_EQ(instanz.mPunkteEnde - instanz.mPunkteAnfang, 512);
    EXPECT_EQ(instanz.mMatrix, Einheitsmatrix());
    for (const Geist::Partikel& p : geist->mPartikel)
        ASSERT_GT(p.mRestleben, 0);
}

TEST_F(GeistTest, ParticlesTakeTheirVelocityFromThreeDrawsInTheOrderZYX) {
    Plattform::SetzeZufallsSaat(77);
    const float z = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    const float y = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    const float x = float(Plattform::Zufall()) * 6.103702e-5f - 1;
    Plattform::SetzeZufallsSaat(77);
    auto* geist = new Geist(welt, {50, 2, 50});
    // A quarter period: nothing yet, the rest is kept for the next step.
    Frame(kVierPerioden / 16);
    EXPECT_TRUE(geist->mPartikel.empty());
    Frame(kVierPerioden / 4 - kVierPerioden / 16);
    ASSERT_EQ(geist->mPartikel.size(), 1u);
    const Geist::Partikel& p = geist->mPartikel[0];
    EXPECT_EQ(p.mGeschwindigkeit, (Vektor{x, y, z}));
    EXPECT_EQ(p.mPosition, geist->mPosition);
    EXPECT_EQ(p.mRestleben, Ticks(2));
}

TEST_F(GeistTest, ParticlesRiseAndTheirAttributesFollowTheirAge) {
    auto* geist = new Geist(welt, {50, 2, 50});
    Frame(kVierPerioden / 4);
    ASSERT_EQ(geist->mPartikel.size(), 1u);
    // Newborn: size 30, alpha 0, full grey.
    EXPECT_EQ(geist->mPunkte[0].mAttribute, 0xFFFF001Eu);
    geist->mPartikel[0].mGeschwindigkeit = {1, 0, 0};
    const Vektor vorher = geist->mPartikel[0].mPosition;
    Frame(Ticks(0.5));
    // Nothing has died yet, so the first particle is still the oldest.
    ASSERT_EQ(geist->mPartikel.size(), 1u + 128);
    const Geist::Partikel& p = geist->mPartikel[0];
    ErwarteNahe(p.mPosition, vorher + Vektor{0.5f, 0, 0});
    EXPECT_FLOAT_EQ(p.mGeschwindigkeit.y, 2);
    // A quarter of its life gone: size trunc(0.25 * 204.798 + 30.7197) = 81, alpha trunc(63.975) = 63.
    EXPECT_EQ(geist->mPunkte[0].mAttribute, 0xFFFF0000u | 63u << 8 | 81u);
    // Exactly two seconds after its birth it is gone; the younger ones are not.
    Frame(Ticks(1.5));
    EXPECT_EQ(geist->mPartikel.size(), 128u + 384);
    EXPECT_EQ(geist->mPunkte.size(), geist->mPartikel.size());
}

// The velocity the ghost should have after one update, computed from the rules.
Vektor Erwartet(Vektor v, const Vektor& p, const std::vector<Huegel>& huegel, float dt) {
    for (const Huegel& h : huegel) {
        const float d = std::hypot(p.x - h.x, p.z - h.z);
        const float w = std::clamp((d - 30) * 0.02f, 0.0f, 1.0f);
        if (w > 0) {
            v.x += (p.x - h.x) / d * dt * w;
            v.z += (p.z - h.z) / d * dt * w;
        }
    }
    v -= p * (0.8f / Laenge(p));
    return v * (10 / Laenge(v));
}

TEST_F(GeistTest, HillsPushFromThirtyUnitsOnWithGrowingWeight) {
    const Vektor start{100, 2, 0};
    for (float abstand : {20.0f, 30.0f, 55.0f, 80.0f, 200.0f}) {
        welt.mHuegel = {{start.x - abstand, 0, 0, 10}};
        auto* geist = new Geist(welt, start);
        Frame(Ticks(0.1));
        ErwarteNahe(geist->mGeschwindigkeit, Erwartet({1, 0, 0}, start, welt.mHuegel, 0.1f));
        delete geist;
    }
    // At 20 units the hill changes nothing; at 55 it pushes with half the weight.
    welt.mHuegel = {{80, 0, 0, 10}};
    auto* nah = new Geist(welt, start);
    welt.mHuegel.clear();
    auto* ohne = new Geist(welt, start);
    welt.mHuegel = {{80, 0, 0, 10}};
    nah->Aktualisiere();
    welt.mHuegel.clear();
    ohne->Aktualisiere();
    EXPECT_EQ(nah->mGeschwindigkeit, ohne->mGeschwindigkeit);
}

TEST_F(GeistTest, SpeedIsTenAndTheGhostMovesByItsStep) {
    auto* geist = new Geist(welt, {100, 2, 0});
    Frame(Ticks(0.1));
    EXPECT_NEAR(Laenge(geist->mGeschwindigkeit), 10, 1e-4f);
    ErwarteNahe(geist->mPosition, Vektor{100, 2, 0} + geist->mGeschwindigkeit * 0.1f, 1e-4f);
}

TEST_F(GeistTest, AboveAHillCentreOrAtTheOriginTheVelocityStaysFinite) {
    welt.mHuegel = {{0, 0, 0, 20}, {40, 0, 40, 3}};
    auto* ueberHuegel = new Geist(welt, {0, 2, 0});
    auto* imUrsprung = new Geist(welt, {0, 0, 0});
    auto* ueberZweitem = new Geist(welt, {40, 5, 40});
    for (int i = 0; i < 50; ++i) {
        Frame(Ticks(0.02));
        ASSERT_TRUE(Endlich(ueberHuegel->mGeschwindigkeit));
        ASSERT_TRUE(Endlich(imUrsprung->mGeschwindigkeit));
        ASSERT_TRUE(Endlich(ueberZweitem->mGeschwindigkeit));
        ASSERT_TRUE(Endlich(imUrsprung->mPosition));
    }
    // Nothing pulls at the origin itself: the ghost keeps its start velocity for that step.
    Szene leer(&uhr);
    auto* allein = new Geist(leer, {0, 0, 0});
    uhr.Schritt(Ticks(0.1));
    allein->Aktualisiere();
    EXPECT_EQ(allein->mGeschwindigkeit, (Vektor{10, 0, 0}));
    ErwarteNahe(allein->mPosition, {1, 0, 0});
}

TEST_F(GeistTest, WhilePausedItTurnsButNeitherMovesNorEmits) {
    auto* geist = new Geist(welt, {100, 2, 0});
    Frame(0);
    EXPECT_EQ(geist->mPosition, (Vektor{100, 2, 0}));
    EXPECT_TRUE(geist->mPartikel.empty());
    EXPECT_NE(geist->mGeschwindigkeit, (Vektor{1, 0, 0}));
    EXPECT_NEAR(Laenge(geist->mGeschwindigkeit), 10, 1e-4f);
}

class SchluesselTest : public WeltUmgebung {
protected:
    void SetUp() override { gSchluesselGenommen = false; }
    void TearDown() override { gSchluesselGenommen = false; }
};

TEST_F(SchluesselTest, TheFirstKeyBuildsTheSharedMeshOfTwoHundredEightySixPoints) {
    auto* a = new Schluessel(welt, {0, 0, 0});
    ASSERT_NE(welt.mSchluesselMesh, kKeinIndex);
    const Feld<Punkt>& mesh = welt.mMeshes[welt.mSchluesselMesh];
    EXPECT_EQ(mesh.mAnzahl, 286u);
    for (const Punkt& p : mesh)
        ASSERT_EQ(p.mAttribute, kSchluesselAttribut);
    auto* b = new Schluessel(welt, {5, 0, 5});
    EXPECT_EQ(AnzahlBelegt(welt.mMeshes), 1u);
    EXPECT_EQ(welt.mInstanzen[a->mInstanz].mPunkteAnfang, welt.mInstanzen[b->mInstanz].mPunkteAnfang);
    EXPECT_EQ(welt.mInstanzen[b->mInstanz].mPunkteEnde - welt.mInstanzen[b->mInstanz].mPunkteAnfang, 286);
    EXPECT_FLOAT_EQ(welt.mInstanzen[b->mInstanz].mMatrix[3], 5);
}

TEST_F(SchluesselTest, ThePrimitivesScatterAroundTheirShapes) {
    Feld<Punkt> punkte;
    StreuePunkteAufStrecke(punkte, {0.8f, 0.1f, 0}, {0, 0.2f, 0});
    EXPECT_EQ(punkte.mAnzahl, 20u);
    for (const Punkt& p : punkte) {
        EXPECT_NEAR(p.x, 0.8f, 0.1f);
        EXPECT_GE(p.y, 0.0f - 1e-6f);
        EXPECT_LE(p.y, 0.4f + 1e-6f);
    }
    punkte.Leere();
    StreuePunkteAufRing(punkte, {-1, 0, 0}, {0, 0, 1}, {0.5f, 0.5f, 0.5f});
    EXPECT_EQ(punkte.mAnzahl, 86u);
    for (const Punkt& p : punkte)
        EXPECT_NEAR(std::hypot(p.x + 1, p.y), 0.5f, 0.1001f);
    punkte.Freigeben();
}

// The ring lies around its axis whichever way the axis points, along y downwards too.
TEST_F(SchluesselTest, TheRingLiesAroundAnyAxis) {
    const Vektor achsen[] = {{0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {-1, 0, 0}, {0.6f, -0.8f, 0}};
    for (const Vektor& achse : achsen) {
        Feld<Punkt> punkte;
        StreuePunkteAufRing(punkte, {1, 2, 3}, achse, {0.5f, 0.5f, 0.5f});
        EXPECT_EQ(punkte.mAnzahl, 86u);
        for (const Punkt& p : punkte) {
            const Vektor relativ{p.x - 1, p.y - 2, p.z - 3};
            const float entlang = Skalarprodukt(relativ, achse);
            const float quer = std::sqrt(Skalarprodukt(relativ, relativ) - entlang * entlang);
            ASSERT_NEAR(quer, 0.5f, 0.1001f) << achse.x << " " << achse.y << " " << achse.z;
            ASSERT_NEAR(entlang, 0.0f, 0.1001f);
        }
        punkte.Freigeben();
    }
}

TEST_F(SchluesselTest, PointsOnAPieceDrawTheirJitterZYXAndThenTheirPlace) {
    Plattform::SetzeZufallsSaat(3);
    const float z = float(Plattform::Zufall()) * 6.103702e-6f - 0.1f;
    const float y = float(Plattform::Zufall()) * 6.103702e-6f - 0.1f;
    const float x = float(Plattform::Zufall()) * 6.103702e-6f - 0.1f;
    const float u = float(Plattform::Zufall()) * 3.051851e-5f;
    Plattform::SetzeZufallsSaat(3);
    Feld<Punkt> punkte;
    StreuePunkteAufStrecke(punkte, {1, 2, 3}, {0, 0, 0.5f});
    ASSERT_EQ(punkte.mAnzahl, 50u);
    EXPECT_FLOAT_EQ(punkte[0].x, 1 + x);
    EXPECT_FLOAT_EQ(punkte[0].y, 2 + y);
    EXPECT_FLOAT_EQ(punkte[0].z, 3 + 0.5f * u + z);
    punkte.Freigeben();
}

TEST_F(SchluesselTest, SpinsAtOneRadianPerSecondAndBobsWithoutMoving) {
    auto* schluessel = new Schluessel(welt, {10, 1.5f, 10});
    for (int i = 0; i < 10; ++i)
        Frame(Ticks(0.1));
    EXPECT_NEAR(schluessel->mWinkel, 1, 1e-5f);
    const Matrix& m = welt.mInstanzen[schluessel->mInstanz].mMatrix;
    EXPECT_NEAR(m[7], 1.5f + 0.3f * std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(m[3], 10, 1e-5f);
    const Drehung d = DrehMatrix({0, 1, 0}, schluessel->mWinkel);
    EXPECT_NEAR(m[0], d[0], 1e-6f);
    EXPECT_NEAR(m[2], d[2], 1e-6f);
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

TEST_F(SchluesselTest, IsTakenBelowOneUnitAndDeletedByTheGlobalTimer) {
    auto* schluessel = new Schluessel(welt, {0, 1.5f, 0});
    welt.mSpieler = new Spieler(welt, {0.5f, 0, 0.5f});
    const uint64_t instanz = schluessel->mInstanz;
    const uint64_t slot = schluessel->mSzeneIndex;
    Frame(Ticks(0.1));
    EXPECT_TRUE(gSchluesselGenommen);
    ASSERT_TRUE(welt.mObjekte.IstBelegt(slot));
    // A second update before the timer runs must not schedule a second deletion.
    Frame(Ticks(0.1));
    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_FALSE(welt.mObjekte.IstBelegt(slot));
    EXPECT_FALSE(welt.mInstanzen.IstBelegt(instanz));
    Velm_Zeitgeber::Global().Schritt(1);
    EXPECT_TRUE(gSchluesselGenommen);
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
