// The keyboard on the scripted source: pumped, buffered and repeated keys, and dead keys.

#include "testhilfe.h"

using namespace OmvuTest;

namespace {

using PlattformTastatur = Umgebung;

TEST_F(PlattformTastatur, GepumpteTasteGiltBisZumNaechstenUpdateGepufferteEinenFrameWiederholteNie) {
    Starte();
    Druecke(17, 0x1F600);
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 17 down", "char d0 128512", "button d0 17 down"));
    EXPECT_TRUE(Tastatur().WasKeyPressed(17));
    Frame();
    EXPECT_TRUE(Tastatur().IsKeyDown(17));
    EXPECT_FALSE(Tastatur().WasKeyPressed(17));
    Lasse(17);
    EXPECT_TRUE(Tastatur().WasKeyReleased(17));
    quelle->Puffere(SkriptEingabe::Taste(kTastatur, 28, true));
    Frame();
    EXPECT_FALSE(Tastatur().WasKeyReleased(17));
    EXPECT_TRUE(Tastatur().WasKeyPressed(28));
    // Repeated presses, stray releases and codes outside the table send nothing.
    handler.Nimm();
    Druecke(28, 'a');
    Lasse(31);
    Druecke(256);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    EXPECT_FALSE(Tastatur().IsKeyDown(256));
}

TEST_F(PlattformTastatur, TotTasteVerbindetSichMitDemNaechstenZeichen) {
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

} // namespace
