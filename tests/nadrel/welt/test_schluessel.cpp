// The key: the shared mesh its first instance builds, its spin and bob, the pull towards the
// player, the pick-up and the deletion the global timer runs later, or that a world ending first
// cancels. The game timer is stepped by hand.

#include "nadrel/welt/schluessel.h"
#include "nadrel/welt/spieler.h"
#include "testhilfe.h"
#include "testhilfen/testhilfen.h"

#include <cmath>

using namespace Spiel;
using namespace welttest;

namespace {

class SchluesselTest : public WeltUmgebung {
protected:
    void SetUp() override { gSchluesselGenommen = false; }
    void TearDown() override { gSchluesselGenommen = false; }
};

TEST_F(SchluesselTest, DerErsteBautDasGeteilteMeshAus286Punkten) {
    for (const Vektor& ort : {Vektor{0, 0, 0}, Vektor{5, 0, 5}}) {
        const RenderInstanz& instanz = welt.mInstanzen[(new Schluessel(welt, ort))->mInstanz];
        EXPECT_EQ(instanz.mPunkteAnfang, welt.mMeshes[welt.mSchluesselMesh].begin());
        EXPECT_EQ(instanz.mPunkteEnde - instanz.mPunkteAnfang, 286);
    }
    EXPECT_FALSE(welt.mMeshes.IstBelegt(welt.mSchluesselMesh + 1));
}

// The key spins at one radian a second and bobs only where it is drawn; within six units of the
// player, whatever the height, it is drawn in at two units a second.
TEST_F(SchluesselTest, DrehtSichWipptUndWirdInnerhalbSechsEinheitenAngezogen) {
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
TEST_F(SchluesselTest, UnterEinerEinheitGenommenUndVomGlobalenZeitgeberGeloescht) {
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

TEST_F(SchluesselTest, EineWeltDieZuerstEndetHebtDasAusstehendeLoeschenAuf) {
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
