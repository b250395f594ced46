// The ghosts: particles that rise, grow and die, the push of the hills and the pull of the centre,
// also while paused and where they once divided by zero. The game timer is stepped by hand.

#include "nadrel/welt/geist.h"
#include "testhilfe.h"
#include "testhilfen/testhilfen.h"

#include <cmath>
#include <tuple>

using namespace Spiel;
using namespace welttest;

namespace {

// The world deletes the objects the tests leave registered (the leak check sees it).
class GeistTest : public WeltUmgebung {};

// 256 particles a second, each rising and growing for two seconds, all in the ghost's instance; the
// velocity comes from three draws in the order z, y, x.
TEST_F(GeistTest, PartikelSteigenWachsenUndVergehenNachZweiSekunden) {
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
TEST_F(GeistTest, HuegelSchiebenAbDreissigEinheitenUndDieMitteZiehtAuchInDerPause) {
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
TEST_F(GeistTest, UeberHuegelmitteUndUrsprungBleibtDieGeschwindigkeitEndlich) {
    welt.mHuegel = {{0, 0, 0, 20}, {40, 0, 40, 3}};
    const Geist* geister[] = {new Geist(welt, {0, 2, 0}), new Geist(welt, {0, 0, 0}),
                              new Geist(welt, {40, 5, 40})};
    for (int i = 0; i < 50; ++i) {
        Frame(Ticks(0.02));
        for (const Geist* g : geister)
            ASSERT_TRUE(std::isfinite(Laenge(g->mGeschwindigkeit) + Laenge(g->mPosition)));
    }
}
} // namespace
