// The player on scripted input: look, walk, run, the smoothing of the velocity and the pause. The
// game timer is stepped by hand, the input system is a stand-in with one mouse and one keyboard.

#include "nadrel/welt/spieler.h"
#include "omvu/testhilfe.h"
#include "testhilfe.h"
#include "testhilfen/testhilfen.h"

#include <array>
#include <cmath>
#include <tuple>
#include <vector>

using namespace Spiel;
using namespace welttest;

namespace {

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
TEST_F(SpielerTest, GehtZehnEinheitenProSekundeSeitwaertsFuenfUndRenntFuenfmalSoSchnell) {
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
TEST_F(SpielerTest, GlaettungHalbiertDenAbstandJedeZehntelsekundeUndDiePauseHaeltIhn) {
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
TEST_F(SpielerTest, DieMausDrehtGierenUndNickenInIhrenGrenzen) {
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
