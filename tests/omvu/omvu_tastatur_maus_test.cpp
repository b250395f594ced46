// Keyboards and mice: first frames, key state per frame, swaps on first activity, wheel, cursor,
// focus loss and the dead-key path.

#include "omvu_testumgebung.h"

using namespace OmvuTest;

namespace {

class TastaturMausTest : public Umgebung {};

// A second mouse's button in the first frame counts, but not as the activity that would swap it
// to the front.
TEST_F(TastaturMausTest, InTheFirstFrameKeysAreDroppedAndButtonsCountButNotAsActivity) {
    quelle->geraete.push_back({GeraeteArt::Maus, 31, "b"});
    Starte(false);
    Druecke(30);
    quelle->Puffere(SkriptEingabe::Taste(kTastatur, 31, true));
    quelle->Pumpe(SkriptEingabe::Knopf(31, 0, true));
    EXPECT_THAT(handler.Nimm(), ElementsAre("mbutton d1 0 down", "button d1 0 down"));
    Frame();
    EXPECT_EQ(System().GetMouse(1)->GetId(), 2u);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
}

TEST_F(TastaturMausTest, APumpedKeyIsPressedUntilTheNextUpdateABufferedOneForOneFrame) {
    Starte();
    Druecke(17, 0x1F600);
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 17 down", "char d0 128512", "button d0 17 down"));
    EXPECT_TRUE(Tastatur().WasKeyPressed(17));
    Frame();
    EXPECT_TRUE(Tastatur().IsKeyDown(17));
    EXPECT_FALSE(Tastatur().WasKeyPressed(17));
    Lasse(17);
    EXPECT_TRUE(Tastatur().WasKeyReleased(17));
    Frame();
    EXPECT_FALSE(Tastatur().WasKeyReleased(17));
    quelle->Puffere(SkriptEingabe::Taste(kTastatur, 28, true));
    Frame();
    EXPECT_TRUE(Tastatur().WasKeyPressed(28));
    Frame();
    EXPECT_FALSE(Tastatur().WasKeyPressed(28));
}

TEST_F(TastaturMausTest, RepeatedPressesStrayReleasesAndCodesOutsideTheTableSendNothing) {
    Starte();
    Druecke(30, 'a');
    handler.Nimm();
    Druecke(30, 'a');
    Lasse(31);
    Druecke(256);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    EXPECT_FALSE(Tastatur().IsKeyDown(256));
}

TEST_F(TastaturMausTest, ADeadKeyComposesWithTheNextCharacter) {
    Starte();
    quelle->Pumpe(SkriptEingabe::TotTaste(kTastatur, 41, '^'));
    Lasse(41);
    Druecke(18, 'e');
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 41 down", "button d0 41 down", "key d0 41 up", "button d0 41 up",
                            "key d0 18 down", "char d0 234", "button d0 18 down"));
    Lasse(18);
    Druecke(18, 'e');
    EXPECT_THAT(handler.Nimm(), Contains("char d0 101"));
    // Before a letter without a precomposed form the accent is dropped.
    quelle->Pumpe(SkriptEingabe::TotTaste(kTastatur, 13, 0xB4));
    Druecke(45, 'x');
    EXPECT_THAT(handler.Nimm(), Contains("char d0 120"));
}

TEST_F(TastaturMausTest, FocusLossReleasesHeldKeysAndButtons) {
    Starte();
    Druecke(17);
    Druecke(200);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, true));
    Frame();
    handler.Nimm();
    System().SetFocus(false);
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 17 up", "button d0 17 up", "key d0 200 up",
                                            "button d0 200 up", "mbutton d1 0 up", "button d1 0 up"));
    EXPECT_TRUE(Tastatur().WasKeyReleased(17));
    EXPECT_TRUE(Maus().WasButtonReleased(0));
}

// The first device of a kind to show activity takes the place of the kind's first; the others'
// keys and buttons count for the first.
TEST_F(TastaturMausTest, TheFirstActiveKeyboardAndMouseBecomeTheFirst) {
    quelle->geraete = {{GeraeteArt::Tastatur, 20, "a"},
                       {GeraeteArt::Tastatur, 21, "b"},
                       {GeraeteArt::Maus, 30, "a"},
                       {GeraeteArt::Maus, 31, "b"}};
    Starte();
    Omvu::Keyboard* a = System().GetKeyboard(0);
    Omvu::Keyboard* b = System().GetKeyboard(1);
    Omvu::Mouse* ma = System().GetMouse(0);
    Omvu::Mouse* mb = System().GetMouse(1);
    sLog.clear();
    quelle->Pumpe(SkriptEingabe::Taste(21, 30, true));
    quelle->Pumpe(SkriptEingabe::Taste(20, 31, true));
    EXPECT_EQ(System().GetFirstKeyboard(), b);
    EXPECT_EQ(a->GetId(), 1u);
    EXPECT_TRUE(b->IsKeyDown(31));
    EXPECT_FALSE(a->IsKeyDown(31));
    handler.Nimm();
    // Only a swap of mice is logged.
    quelle->Pumpe(SkriptEingabe::Knopf(31, 1, true));
    quelle->Pumpe(SkriptEingabe::Knopf(30, 0, true));
    EXPECT_THAT(sLog, ElementsAre("Swap mice due to activity: 3,1 and 2,0"));
    EXPECT_EQ(System().GetFirstMouse(), mb);
    EXPECT_EQ(ma->GetOrdinal(), 1u);
    EXPECT_THAT(handler.Nimm(), ElementsAre("mbutton d2 1 down", "button d2 1 down", "mbutton d2 0 down",
                                            "button d2 0 down"));
}

TEST_F(TastaturMausTest, ButtonFlagsPressAndReleaseFiveButtonsAndAWheelNotchRestsInTheNextFrame) {
    Starte();
    Plattform::RohSatz satz = SkriptEingabe::Knopf(kMaus, 0, true);
    satz.maus.knopfFlags |= Plattform::MausKnopfRunter(4) | Plattform::MausKnopfRunter(3);
    quelle->Puffere(satz);
    Frame();
    EXPECT_TRUE(Maus().WasButtonPressed(0));
    EXPECT_TRUE(Maus().IsButtonDown(3));
    quelle->Puffere(SkriptEingabe::Knopf(kMaus, 4, false));
    Frame();
    EXPECT_TRUE(Maus().WasButtonReleased(4));
    EXPECT_FALSE(Maus().WasButtonPressed(0));
    quelle->Pumpe(SkriptEingabe::Rad(kMaus, -120));
    EXPECT_FLOAT_EQ(Maus().GetAxisAbsolute(2), -120);
    Frame();
    EXPECT_FLOAT_EQ(Maus().GetAxisAbsolute(2), 0);
    EXPECT_FLOAT_EQ(Maus().GetAxisDifference(2), 120);
    handler.Nimm();
    Frame();
    EXPECT_THAT(handler.Nimm(), IsEmpty());
}

TEST_F(TastaturMausTest, TheFirstMouseFollowsTheCursorInsideItsRangeWhileFocused) {
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

TEST_F(TastaturMausTest, MultiDeviceModeTakesMotionFromRecords) {
    quelle->geraete = {{GeraeteArt::Maus, 30, "a"}, {GeraeteArt::Maus, 31, "b"}};
    Starte();
    System().SetMultiDeviceMode(true);
    Omvu::Mouse* a = System().GetMouse(0);
    Omvu::Mouse* b = System().GetMouse(1);
    quelle->Pumpe(SkriptEingabe::Bewegung(31, 3, 4));
    quelle->Puffere(SkriptEingabe::Bewegung(31, 1, 0));
    quelle->Puffere(SkriptEingabe::Knopf(30, 0, true));
    Frame();
    EXPECT_FLOAT_EQ(b->GetMotionX(), 4);
    EXPECT_FLOAT_EQ(b->GetPositionY(), 4);
    EXPECT_TRUE(a->IsButtonDown(0));
    EXPECT_FALSE(b->IsButtonDown(0));
    quelle->Puffere(SkriptEingabe::Bewegung(31, 10, 10, true));
    Frame();
    EXPECT_FLOAT_EQ(b->GetMotionX(), 6);
    EXPECT_FLOAT_EQ(b->GetPositionX(), 10);
}

} // namespace
