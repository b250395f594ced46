// Controllers: set-up failures, pads told apart by the pad list, the pad layout's values, other
// controllers, failed reads, first frames and focus loss.

#include "omvu_testumgebung.h"

using namespace OmvuTest;
using Plattform::SteuerFehler;

namespace {

constexpr uint32_t kPadWort = 0x028E045E;

class JoystickTest : public Umgebung {
protected:
    // Two pads of one kind around a plain joystick with 3 buttons and 2 axes.
    void StarteMitDrei() {
        quelle->steuergeraete = {{0, kPadWort, 11, 6, SteuerFehler::Keiner},
                                 {1, 0x00060079, 3, 2, SteuerFehler::Keiner},
                                 {2, kPadWort, 11, 6, SteuerFehler::Keiner}};
        quelle->padListe = {kPadWort, kPadWort};
        quelle->pads[0] = {};
        quelle->pads[1] = {};
        quelle->joysticks[1] = {};
        Starte();
    }

    Omvu::Device& Steuer(size_t id) { return *System().GetDevices()[id]; }
};

TEST_F(JoystickTest, ControllersThatFailTheirSetUpAreLeftOut) {
    for (SteuerFehler f :
         {SteuerFehler::Geraet, SteuerFehler::Datenformat, SteuerFehler::Kooperation,
          SteuerFehler::Puffergroesse, SteuerFehler::Faehigkeiten, SteuerFehler::Achsbereich}) {
        SetUp();
        quelle->steuergeraete = {{0, 1, 2, 2, f}, {1, 1, 2, 2, SteuerFehler::Keiner}};
        Starte();
        EXPECT_EQ(System().GetDevices().size(), 3u);
        TearDown();
    }
}

TEST_F(JoystickTest, ListedPadsHaveThePadLayoutInDeviceOrder) {
    StarteMitDrei();
    EXPECT_EQ(Steuer(0).GetButtonCount(), 13u);
    EXPECT_EQ(Steuer(2).GetAxisCount(), 8u);
    // The first pad reads pad 0, the second pad 1.
    quelle->pads[1].knoepfe = Plattform::kPadA;
    Frame();
    EXPECT_FALSE(Steuer(0).IsButtonDown(0));
    EXPECT_TRUE(Steuer(2).IsButtonDown(0));
}

TEST_F(JoystickTest, AnUnreadablePadListLeavesEveryControllerPlain) {
    quelle->steuergeraete = {{0, kPadWort, 11, 6, SteuerFehler::Keiner}};
    quelle->padListe = {kPadWort};
    quelle->padListeLesbar = false;
    Starte();
    EXPECT_EQ(Steuer(0).GetButtonCount(), 11u);
}

TEST_F(JoystickTest, PadAxesButtonsAndDirectionalPad) {
    StarteMitDrei();
    const auto& p = Steuer(0);
    using namespace Plattform;
    quelle->pads[0] = {.knoepfe = kPadStart | kPadZurueck | kPadLinkerStick | kPadRechterStick | kPadY |
                                  kPadRechts | kPadHoch,
                       .linkerAbzug = 255,
                       .linksX = -32768,
                       .linksY = 32767,
                       .rechtsY = -32768};
    Frame();
    EXPECT_EQ(p.GetAxisAbsolute(0), -1.0f);
    EXPECT_NEAR(p.GetAxisAbsolute(1), -1.0f, 1e-4);
    EXPECT_NEAR(p.GetAxisDifference(2), 2.008f, 1e-3);
    EXPECT_NEAR(p.GetAxisAbsolute(4), 1.0f, 1e-4);
    EXPECT_EQ(p.GetAxisAbsolute(6), 1.0f);
    EXPECT_EQ(p.GetAxisAbsolute(7), -1.0f);
    std::vector<size_t> unten;
    for (size_t b = 0; b < 13; ++b)
        if (p.IsButtonDown(b))
            unten.push_back(b);
    EXPECT_THAT(unten, ElementsAre(3u, 6u, 7u, 9u, 10u));
    quelle->pads[0].knoepfe = kPadLinks | kPadRechts | kPadRunter;
    Frame();
    EXPECT_EQ(p.GetAxisAbsolute(6), 0.0f);
    EXPECT_EQ(p.GetAxisAbsolute(7), 1.0f);
}

TEST_F(JoystickTest, TheFirstFrameTakesValuesWithoutEvents) {
    quelle->steuergeraete = {{0, kPadWort, 11, 6, SteuerFehler::Keiner}};
    quelle->padListe = {kPadWort};
    quelle->pads[0] = {.knoepfe = Plattform::kPadB, .linksX = 16384};
    Starte(false);
    Frame();
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    EXPECT_NEAR(Steuer(0).GetAxisAbsolute(0), 0.5f, 1e-4);
    quelle->pads[0].knoepfe = 0;
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jbutton d0 1 up", "button d0 1 up"));
}

// A controller or pad that cannot be read reads released and centred, and the receiver hears the
// release of what was held.
TEST_F(JoystickTest, ControllerValuesAndAFailedReadThatReleasesAndCentres) {
    StarteMitDrei();
    Plattform::JoystickZustand& z = quelle->joysticks[1];
    z.achsen[0] = 0.25f;
    z.achsen[2] = 0.75f;
    z.knoepfe = 0b1101;
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d1 0 0.25", "axis d1 0 0.25", "jbutton d1 0 down",
                                            "button d1 0 down", "jbutton d1 2 down", "button d1 2 down"));
    quelle->joysticks.erase(1);
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d1 0 0", "axis d1 0 0", "jbutton d1 0 up",
                                            "button d1 0 up", "jbutton d1 2 up", "button d1 2 up"));
    EXPECT_TRUE(Steuer(1).WasButtonReleased(2));
    EXPECT_EQ(Steuer(1).GetAxisDifference(0), -0.25f);
    quelle->pads[0] = {.knoepfe = Plattform::kPadA, .rechterAbzug = 127};
    Frame();
    handler.Nimm();
    quelle->pads.erase(0);
    Frame();
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("jaxis d0 5 0", "axis d0 5 0", "jbutton d0 0 up", "button d0 0 up"));
}

TEST_F(JoystickTest, ConsumedEventsStopAndFocusLossCentresReleasesAndStopsPolling) {
    StarteMitDrei();
    quelle->pads[0] = {.knoepfe = Plattform::kPadX, .linksX = 32767};
    handler.verbrauchen = {"jbutton", "jaxis"};
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d0 0 1", "jbutton d0 2 down"));
    handler.verbrauchen.clear();
    System().SetFocus(false);
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("jaxis d0 0 0", "axis d0 0 0", "jbutton d0 2 up", "button d0 2 up"));
    EXPECT_NEAR(Steuer(0).GetAxisDifference(0), -1.0f, 1e-4);
    EXPECT_TRUE(Steuer(0).WasButtonReleased(2));
    const uint32_t lesungen = quelle->padLesungen[0];
    Frame();
    EXPECT_EQ(quelle->padLesungen[0], lesungen);
    System().SetFocus(true);
    Frame();
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("jaxis d0 0 1", "axis d0 0 1", "jbutton d0 2 down", "button d0 2 down"));
}

} // namespace
