// The world's object table and two of its object kinds: the ghosts with their particles and hill
// push, and the key with its shared mesh, pick-up and deferred deletion.

#include "nadrel/geist.h"
#include "nadrel/punktstreuung.h"
#include "nadrel/schluessel.h"
#include "nadrel/spieler.h"
#include "testhilfen/testhilfen.h"
#include "welt_testumgebung.h"

using namespace Spiel;
using namespace WeltTest;

namespace {

Vektor Anwenden(const Matrix& m, const Vektor& v) {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3], m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7],
            m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]};
}

// The world deletes the objects the tests leave registered (the leak check sees it).
class SzeneTest : public WeltUmgebung {};

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

class GeistTest : public WeltUmgebung {};

// 1/64 s: exactly four particle periods.
const int64_t kVierPerioden = Ticks(1.0 / 64);

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
    // A quarter period: nothing yet, the rest is kept for the next step.
    Frame(kVierPerioden / 16);
    EXPECT_TRUE(geist->mPartikel.empty());
    Frame(kVierPerioden / 4 - kVierPerioden / 16);
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
    // Nothing pulls at the origin itself: the ghost keeps its start velocity for that step.
    Szene leer(&uhr);
    auto* allein = new Geist(leer, {0, 0, 0});
    uhr.Schritt(Ticks(0.1));
    allein->Aktualisiere();
    EXPECT_EQ(allein->mGeschwindigkeit, (Vektor{10, 0, 0}));
    ErwarteNahe(allein->mPosition, {1, 0, 0});
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
    auto* a = new Schluessel(welt, {0, 0, 0});
    auto* b = new Schluessel(welt, {5, 0, 5});
    ASSERT_NE(welt.mSchluesselMesh, kKeinIndex);
    EXPECT_EQ(welt.mMeshes[welt.mSchluesselMesh].mAnzahl, 286u);
    EXPECT_FALSE(welt.mMeshes.IstBelegt(welt.mSchluesselMesh + 1));
    for (const Schluessel* s : {a, b}) {
        const RenderInstanz& instanz = welt.mInstanzen[s->mInstanz];
        EXPECT_EQ(instanz.mPunkteAnfang, welt.mMeshes[welt.mSchluesselMesh].begin());
        EXPECT_EQ(instanz.mPunkteEnde - instanz.mPunkteAnfang, 286);
    }
}

// The ring lies around its axis whichever way the axis points; along y downwards its points were
// once all NaN.
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
