// Controllers and pads on the scripted source: the pad layout, controller values and a read that
// fails.

#include "testhilfe.h"

using namespace OmvuTest;

namespace {

using PlattformJoystick = Umgebung;

// Listed pads have the pad layout in device order: the first reads pad 0, the second pad 1.
TEST_F(PlattformJoystick, PadBelegungAchsenKnoepfeUndSteuerkreuz) {
    StarteMitDrei();
    const auto& p = Geraet(0);
    using namespace Plattform;
    const uint16_t knoepfe =
        kPadStart | kPadZurueck | kPadLinkerStick | kPadRechterStick | kPadY | kPadRechts | kPadHoch;
    quelle->pads[0] = {knoepfe, 255, 0, -32768, 32767, 0, -32768};
    quelle->pads[1].knoepfe = kPadA;
    Frame();
    EXPECT_TRUE(Geraet(2).IsButtonDown(0));
    std::vector<float> achsen;
    for (size_t a = 0; a < 8; ++a)
        achsen.push_back(p.GetAxisAbsolute(a));
    EXPECT_THAT(achsen,
                Pointwise(FloatNear(1e-3), std::vector{-1.0f, -1.0f, 2.008f, 0.0f, 1.0f, 0.0f, 1.0f, -1.0f}));
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

// A controller or pad that cannot be read reads released and centred, and the receiver hears the
// release of what was held. Axes beyond the controller's count are not read.
TEST_F(PlattformJoystick, SteuerwerteUndGescheitertesLesenLaesstLosUndZentriert) {
    StarteMitDrei();
    Plattform::JoystickZustand& z = quelle->joysticks[1];
    z.achsen[0] = 0.25f;
    z.achsen[4] = 0.75f;
    z.knoepfe = 0b1101;
    quelle->pads[0] = {.knoepfe = Plattform::kPadA, .rechterAbzug = 127};
    Frame();
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("jaxis d0 5 1", "axis d0 5 1", "jbutton d0 0 down", "button d0 0 down",
                            "jaxis d1 0 0.25", "axis d1 0 0.25", "jbutton d1 0 down", "button d1 0 down",
                            "jbutton d1 2 down", "button d1 2 down"));
    quelle->joysticks.erase(1);
    quelle->pads.erase(0);
    Frame();
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("jaxis d0 5 0", "axis d0 5 0", "jbutton d0 0 up", "button d0 0 up",
                            "jaxis d1 0 0", "axis d1 0 0", "jbutton d1 0 up", "button d1 0 up",
                            "jbutton d1 2 up", "button d1 2 up"));
    EXPECT_EQ(Geraet(1).GetAxisDifference(0), -0.25f);
}

} // namespace
