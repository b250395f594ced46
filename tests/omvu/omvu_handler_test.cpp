// The road of events through the handler, key repeat on the fixed clock, and logical channels.

#include "omvu_testumgebung.h"

using namespace OmvuTest;

namespace {

class HandlerTest : public Umgebung {
protected:
    Omvu::DigitalChannel& Digital(uint64_t id, std::vector<Omvu::DigitalBinding> bindungen) {
        return System().mDigitalChannels[id] = {id, std::move(bindungen)};
    }
    Omvu::AnalogChannel& Analog(uint64_t id, std::vector<Omvu::AnalogBinding> bindungen) {
        return System().mAnalogChannels[id] = {id, std::move(bindungen)};
    }
    // A controller with four axes and two buttons as device 0.
    void StarteMitSteuer() {
        quelle->steuergeraete = {{5, 1, 2, 4, Plattform::SteuerFehler::Keiner}};
        quelle->joysticks[5] = {};
        Starte();
    }
    // Holds a key for the given frames of 100 ms and returns the events of that time.
    std::vector<std::string> Halte(uint32_t code, int frames, uint32_t zeichen = 0) {
        Druecke(code, zeichen);
        handler.Nimm();
        Frame(100, frames);
        return handler.Nimm();
    }
};

TEST_F(HandlerTest, AConsumedEventGoesNoFurtherAndWithoutAHandlerStateStillChanges) {
    Starte();
    Omvu::DigitalChannel& kanal = Digital(1, {{0, 30, false, 0}});
    handler.verbrauchen = {"button"};
    Druecke(30, 'a');
    EXPECT_FALSE(kanal.state);
    // A release carries no character.
    Lasse(30);
    handler.verbrauchen = {"key"};
    Druecke(31, 'a');
    handler.verbrauchen = {"char"};
    Druecke(32, 's');
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 30 down", "char d0 97", "button d0 30 down", "key d0 30 up",
                            "button d0 30 up", "key d0 31 down", "key d0 32 down", "char d0 115"));
    handler.verbrauchen = {"move"};
    Cursor(12, 7);
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("move d1 12 7"));
    handler.verbrauchen = {"axis"};
    quelle->cursorY = 8;
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("move d1 12 8", "axis d1 1 8"));
    System().SetHandler(nullptr);
    Druecke(1);
    quelle->Pumpe(SkriptEingabe::Rad(kMaus, 120));
    Frame(1000);
    EXPECT_TRUE(Tastatur().IsKeyDown(1));
}

// A receiver that takes itself out of the system while it handles an event: the later steps of
// that event find no receiver and only the channels see it.
class Aussteiger : public Protokollant {
public:
    bool HandleKey(Omvu::Keyboard* k, uint32_t code, bool pressed) override {
        Omvu::gInstance->SetHandler(nullptr);
        return Protokollant::HandleKey(k, code, pressed);
    }
    bool HandleMouseButton(Omvu::Mouse* m, size_t knopf, bool pressed) override {
        Omvu::gInstance->SetHandler(nullptr);
        return Protokollant::HandleMouseButton(m, knopf, pressed);
    }
};

TEST_F(HandlerTest, AReceiverThatRemovesItselfEndsItsEventAtTheChannels) {
    Starte();
    Omvu::DigitalChannel& kanal = Digital(1, {{0, 30, false, 0}, {1, 0, false, 0}});
    Aussteiger aussteiger;
    System().SetHandler(&aussteiger);
    Druecke(30, 'a');
    EXPECT_THAT(aussteiger.Nimm(), ElementsAre("key d0 30 down"));
    EXPECT_TRUE(kanal.state);
    Lasse(30);
    System().SetHandler(&aussteiger);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, true));
    EXPECT_THAT(aussteiger.Nimm(), ElementsAre("mbutton d1 0 down"));
    EXPECT_TRUE(kanal.state);
}

TEST_F(HandlerTest, AHeldKeyRepeatsAfterTheFirstDelayThenEveryInterval) {
    Starte();
    EXPECT_THAT(Halte(14, 6, 8), IsEmpty());
    Frame(100);
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 14 up", "button d0 14 up", "key d0 14 down", "char d0 8",
                                            "button d0 14 down"));
    // Only the receiver sees the repeat; the key stays down.
    EXPECT_TRUE(Tastatur().IsKeyDown(14));
    EXPECT_FALSE(Tastatur().WasKeyPressed(14));
    Frame(50);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    Frame(50);
    EXPECT_EQ(handler.Nimm().size(), 5u);
    Lasse(14);
    handler.Nimm();
    Frame(100, 20);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
}

TEST_F(HandlerTest, TheNewestPressRepeatsAndOtherReleasesDoNotStopIt) {
    Starte();
    Druecke(30);
    Frame(500);
    Druecke(31);
    Lasse(30);
    handler.Nimm();
    Frame(100, 7);
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 31 up", "button d0 31 up", "key d0 31 down", "button d0 31 down"));
    Lasse(31);
    EXPECT_EQ(Halte(32, 7).size(), 4u);
}

TEST_F(HandlerTest, ALongFrameCountsAsATenthOfASecondTheClockMayWrapAndRepeatCanBeOff) {
    sUhr = 0xFFFFFF00u;
    Starte();
    EXPECT_EQ(Halte(57, 7).size(), 4u);
    Lasse(57);
    Druecke(200);
    handler.Nimm();
    Frame(2000, 6);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    Frame(2000);
    EXPECT_EQ(handler.Nimm().size(), 4u);
    Lasse(200);
    System().mKeyRepeatOn = false;
    EXPECT_THAT(Halte(58, 20), IsEmpty());
}

TEST_F(HandlerTest, ADigitalChannelFollowsItsButtons) {
    Starte();
    Omvu::DigitalChannel& k = Digital(7, {{0, 17, false, 0}, {1, 0, false, 0}});
    Druecke(17);
    EXPECT_TRUE(k.changed);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, true));
    EXPECT_FALSE(k.changed);
    Lasse(17);
    EXPECT_TRUE(k.state);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, false));
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 17 down", "button d0 17 down", "digital 7 on", "mbutton d1 0 down",
                            "button d1 0 down", "key d0 17 up", "button d0 17 up", "mbutton d1 0 up",
                            "button d1 0 up", "digital 7 off"));
    EXPECT_TRUE(k.changed);
    Frame();
    EXPECT_FALSE(k.changed);
}

TEST_F(HandlerTest, AxisBindingsHaveThresholdsOnBothSides) {
    StarteMitSteuer();
    Omvu::DigitalChannel& oben = Digital(1, {{0, 1, true, 0.5f}});
    Omvu::DigitalChannel& unten = Digital(2, {{0, 1, true, -0.5f}});
    for (auto [wert, obenAn, untenAn] : {std::tuple(0.6f, true, false), std::tuple(0.5f, false, false),
                                         std::tuple(-0.6f, false, true), std::tuple(-0.5f, false, false)}) {
        quelle->joysticks[5].achsen[1] = wert;
        Frame();
        EXPECT_EQ(oben.state, obenAn) << wert;
        EXPECT_EQ(unten.state, untenAn) << wert;
    }
}

TEST_F(HandlerTest, BindingsToMissingDevicesAreInactiveAndMouseMovesCount) {
    Starte();
    Omvu::DigitalChannel& k = Digital(1, {{0, 30, false, 0}, {99, 30, false, -1}});
    Omvu::AnalogChannel& a =
        Analog(2, {{0, 30, Omvu::kAnalogButton, 2, 1}, {99, 30, Omvu::kAnalogButton, 5, 1}});
    Druecke(30);
    EXPECT_TRUE(k.state);
    EXPECT_EQ(a.value, 2.0f);
    Omvu::DigitalChannel& maus = Digital(3, {{1, 0, true, 100}});
    quelle->cursorX = 150;
    Frame();
    EXPECT_TRUE(maus.state);
}

TEST_F(HandlerTest, AnalogChannelsSumTheirBindingsAndCountTheirDifference) {
    StarteMitSteuer();
    Omvu::AnalogChannel& k = Analog(3, {{0, 0, Omvu::kAnalogAxis, 0, 1},
                                        {0, 2, Omvu::kAnalogAxisScaled, 0.5f, 10},
                                        {0, 3, Omvu::kAnalogAxisScaled, -0.5f, 2},
                                        {0, 1, Omvu::kAnalogButton, 100, 1}});
    // A scaled binding without a threshold always counts.
    Omvu::AnalogChannel& ohneSchwelle = Analog(4, {{0, 0, Omvu::kAnalogAxisScaled, 0, -3}});
    Plattform::JoystickZustand& z = quelle->joysticks[5];
    z.achsen[0] = 0.25f;
    z.achsen[2] = 0.5f;
    z.achsen[3] = -0.5f;
    Frame();
    EXPECT_FLOAT_EQ(k.value, 0.25f);
    EXPECT_FLOAT_EQ(ohneSchwelle.value, -0.75f);
    z.achsen[2] = 0.75f;
    z.achsen[3] = -1.0f;
    z.knoepfe = 0b10;
    Frame();
    EXPECT_FLOAT_EQ(k.value, 0.25f + 7.5f - 2.0f + 100.0f);
    EXPECT_FLOAT_EQ(k.difference, 7.5f - 2.0f + 100.0f);
    // Events come after the whole poll, so the first one recomputes the final sum already.
    EXPECT_THAT(handler.Nimm(), Contains("analog 3 105.75"));
    Frame();
    EXPECT_EQ(k.difference, 0.0f);
}

} // namespace
