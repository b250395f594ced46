// The mouse on the scripted source: its buttons and wheel, the cursor it follows, and the motion
// of raw records in multi-device mode.

#include "testhilfe.h"

using namespace OmvuTest;

namespace {

using PlattformMaus = Umgebung;

TEST_F(PlattformMaus, KnopfFlagsDrueckenUndLassenFuenfKnoepfeUndEineRadrasteRuhtImNaechstenFrame) {
    Starte();
    Plattform::RohSatz satz = SkriptEingabe::Knopf(kMaus, 0, true);
    satz.maus.knopfFlags |= Plattform::MausKnopfRunter(4);
    quelle->Puffere(satz);
    Frame();
    EXPECT_TRUE(Maus().WasButtonPressed(0));
    quelle->Puffere(SkriptEingabe::Knopf(kMaus, 4, false));
    Frame();
    EXPECT_TRUE(Maus().WasButtonReleased(4));
    EXPECT_FALSE(Maus().WasButtonPressed(0));
    quelle->Pumpe(SkriptEingabe::Rad(kMaus, -120));
    handler.Nimm();
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("wheel d1 0", "axis d1 2 0"));
    EXPECT_FLOAT_EQ(Maus().GetAxisDifference(2), 120);
}

TEST_F(PlattformMaus, ErsteMausFolgtDemZeigerInSeinemBereichMitFokus) {
    Cursor(100, 50);
    Starte();
    Cursor(130, 40);
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("move d1 130 40", "axis d1 0 130", "axis d1 1 40"));
    EXPECT_FLOAT_EQ(Maus().GetAxisDifference(1), -10);
    for (auto [x, y] : {std::pair(-1.0f, 10.0f), std::pair(10.0f, -1.0f), std::pair(20000.0f, 5.0f)}) {
        Cursor(x, y);
        Frame();
        EXPECT_THAT(handler.Nimm(), IsEmpty());
    }
    System().SetFocus(false);
    quelle->cursorX = 30;
    Frame();
    EXPECT_FLOAT_EQ(Maus().GetPositionX(), 130);
    System().SetFocus(true);
    EXPECT_THAT(handler.Nimm(), ElementsAre("move d1 30 5", "axis d1 0 30", "axis d1 1 5"));
}

// The second mouse shows activity first and becomes the first; the other's click stays its own.
TEST_F(PlattformMaus, MehrgeraetemodusNimmtBewegungAusDenSaetzen) {
    quelle->geraete = {{GeraeteArt::Maus, 30, "a"}, {GeraeteArt::Maus, 31, "b"}};
    Starte();
    System().SetMultiDeviceMode(true);
    quelle->Pumpe(SkriptEingabe::Bewegung(31, 3, 4));
    quelle->Puffere(SkriptEingabe::Bewegung(31, 1, 0));
    quelle->Puffere(SkriptEingabe::Knopf(30, 0, true));
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("mbutton d1 0 down", "button d1 0 down", "move d0 4 4",
                                            "axis d0 0 4", "axis d0 1 4"));
    quelle->Puffere(SkriptEingabe::Bewegung(31, 10, 10, true));
    Frame();
    EXPECT_FLOAT_EQ(Maus().GetMotionX(), 6);
    EXPECT_FLOAT_EQ(Maus().GetPositionY(), 10);
}

} // namespace
