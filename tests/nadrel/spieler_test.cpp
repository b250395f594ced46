// The player on scripted input with a fixed time step: look, walk, run, smoothing and pause.

#include "nadrel/spieler.h"
#include "omvu/omvu_inputsystem.h"
#include "plattform/eingabe/plattform_eingabe_skript.h"
#include "welt_testumgebung.h"

#include <cmath>
#include <memory>

using namespace Spiel;
using namespace WeltTest;
using Plattform::SkriptEingabe;

namespace {

constexpr uint64_t kTastatur = 1;
constexpr uint64_t kMaus = 2;

class SpielerTest : public WeltUmgebung {
protected:
    static inline std::unique_ptr<SkriptEingabe> sNaechste;
    static inline uint32_t sUhr = 0;
    static inline char sFensterAttrappe = 0;

    SkriptEingabe* quelle = nullptr;
    Spieler* spieler = nullptr;

    void SetUp() override {
        sNaechste = std::make_unique<SkriptEingabe>();
        quelle = sNaechste.get();
        quelle->geraete = {{Plattform::GeraeteArt::Tastatur, kTastatur, "keyboard"},
                           {Plattform::GeraeteArt::Maus, kMaus, "mouse"}};
        quelle->cursorX = 10000;
        quelle->cursorY = 10000;
        Plattform::SetzeEingabeFabrik(
            [](GLFWwindow*) -> std::unique_ptr<Plattform::EingabeQuelle> { return std::move(sNaechste); });
        Plattform::SetzeEingabeUhr([] { return sUhr; });
        ASSERT_TRUE(Omvu::Initialize(reinterpret_cast<GLFWwindow*>(&sFensterAttrappe)));
        // Input of a device's first frame is dropped.
        Omvu::gInstance->Update();
        spieler = new Spieler(welt, {0, 0, 0});
        welt.mSpieler = spieler;
    }

    void TearDown() override {
        Omvu::Shutdown();
        Plattform::SetzeEingabeFabrik(nullptr);
        Plattform::SetzeEingabeUhr(nullptr);
    }

    // One frame as the game runs it: input first, then the world.
    void Schritt(double sekunden) {
        sUhr += 16;
        Omvu::gInstance->Update();
        Frame(Ticks(sekunden));
    }
    void Laufe(double sekunden, double dt = 0.01) {
        for (double t = 0; t < sekunden - 1e-9; t += dt)
            Schritt(dt);
    }

    void Druecke(uint32_t code) { quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, true)); }
    void Lasse(uint32_t code) { quelle->Pumpe(SkriptEingabe::Taste(kTastatur, code, false)); }
    // The first mouse follows the system cursor; it starts in the middle of its range.
    void Bewege(float dx, float dy) {
        quelle->cursorX += dx;
        quelle->cursorY += dy;
    }
};

TEST_F(SpielerTest, WalksForwardAtTenUnitsPerSecondAndRunsAtFifty) {
    Druecke(17);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 10, 1e-3f);
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, 0, 1e-6f);
    Druecke(42);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 50, 1e-2f);
    Lasse(17);
    Lasse(42);
    Druecke(208);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, -10, 1e-3f);
}

TEST_F(SpielerTest, OppositeKeysCancelAndSidewaysIsFiveUnitsPerSecond) {
    Druecke(17);
    Druecke(31);
    Druecke(30);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 0, 1e-6f);
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, -5, 1e-3f);
    Druecke(205);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, 0, 1e-3f);
    Lasse(30);
    Laufe(2);
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, 5, 1e-3f);
}

TEST_F(SpielerTest, SmoothingHalvesTheGapEveryTenthOfASecond) {
    spieler->mGeschwindigkeit.y = 8;
    Druecke(200);
    Schritt(0.1);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 5, 1e-5f);
    EXPECT_NEAR(spieler->mGeschwindigkeit.y, 4, 1e-5f);
    EXPECT_NEAR(spieler->mPosition.z, 0.5f, 1e-5f);
    EXPECT_NEAR(spieler->mPosition.y, 0.4f, 1e-5f);
    // The same time in smaller steps ends at the same velocity.
    Szene andere(&uhr);
    auto* zweiter = new Spieler(andere, {});
    for (int i = 0; i < 10; ++i) {
        uhr.Schritt(Ticks(0.01));
        zweiter->Aktualisiere();
    }
    EXPECT_NEAR(zweiter->mGeschwindigkeit.z, 5, 1e-4f);
}

TEST_F(SpielerTest, TheYawTurnsWithTheMouseAndSteersTheWalk) {
    Bewege(100, 0);
    Schritt(0.01);
    EXPECT_NEAR(spieler->mGieren, 1.0f, 1e-6f);
    spieler->mGieren = 1.5707964f;
    spieler->mGeschwindigkeit = {};
    Druecke(17);
    Laufe(2);
    // Facing a quarter turn round, forward is +x.
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, 10, 1e-3f);
    EXPECT_NEAR(spieler->mGeschwindigkeit.z, 0, 1e-3f);
}

TEST_F(SpielerTest, TheYawWrapsAtTwoPiAndKeepsItsSign) {
    Bewege(-100, 0);
    Schritt(0.01);
    EXPECT_NEAR(spieler->mGieren, -1.0f, 1e-6f);
    Bewege(-600, 0);
    Schritt(0.01);
    EXPECT_NEAR(spieler->mGieren, std::fmod(-7.0f, 6.2831855f), 1e-5f);
    EXPECT_LT(spieler->mGieren, 0);
    Bewege(1400, 0);
    Schritt(0.01);
    EXPECT_GT(spieler->mGieren, 0);
    EXPECT_LT(spieler->mGieren, 6.2831855f);
}

TEST_F(SpielerTest, ThePitchStaysWithinItsLimits) {
    Bewege(0, 300);
    Schritt(0.01);
    EXPECT_NEAR(spieler->mNicken, 0.3f, 1e-6f);
    Bewege(0, 9000);
    Schritt(0.01);
    EXPECT_FLOAT_EQ(spieler->mNicken, Spieler::kNickGrenze);
    Bewege(0, -19000);
    Schritt(0.01);
    EXPECT_FLOAT_EQ(spieler->mNicken, -Spieler::kNickGrenze);
}

TEST_F(SpielerTest, WhilePausedMouseAndKeysAreIgnoredAndTheVelocityIsKept) {
    Druecke(17);
    Laufe(0.5);
    const Vektor geschwindigkeit = spieler->mGeschwindigkeit;
    const Vektor position = spieler->mPosition;
    Druecke(42);
    Bewege(500, 500);
    Schritt(0);
    EXPECT_EQ(spieler->mGeschwindigkeit, geschwindigkeit);
    EXPECT_EQ(spieler->mPosition, position);
    EXPECT_EQ(spieler->mGieren, 0);
    EXPECT_EQ(spieler->mNicken, 0);
    Lasse(42);
    Schritt(0.01);
    EXPECT_GT(spieler->mGeschwindigkeit.z, geschwindigkeit.z);
    EXPECT_NEAR(spieler->mPosition.z, position.z + spieler->mGeschwindigkeit.z * 0.01f, 1e-5f);
}

TEST_F(SpielerTest, WithoutInputSystemThePlayerCoastsToAStop) {
    Omvu::Shutdown();
    spieler->mGeschwindigkeit = {4, 0, 0};
    Frame(Ticks(0.1));
    EXPECT_NEAR(spieler->mGeschwindigkeit.x, 2, 1e-5f);
    EXPECT_EQ(spieler->mGieren, 0);
}

} // namespace
