// The road of events through the handler and into the logical channels, and key repeat on the
// fixed clock.

#include "testhilfe.h"

using namespace OmvuTest;

namespace {

class Verteilung : public Umgebung {
protected:
    Omvu::DigitalChannel& Digital(uint64_t id, std::vector<Omvu::DigitalBinding> bindungen) {
        return System().mDigitalChannels[id] = {id, std::move(bindungen)};
    }
    Omvu::AnalogChannel& Analog(uint64_t id, std::vector<Omvu::AnalogBinding> bindungen) {
        return System().mAnalogChannels[id] = {id, std::move(bindungen)};
    }
    // Holds a key for the given frames of 100 ms and returns the events of that time.
    std::vector<std::string> Halte(uint32_t code, int frames, uint32_t zeichen = 0) {
        Druecke(code, zeichen);
        handler.Nimm();
        Frame(100, frames);
        return handler.Nimm();
    }
};

TEST_F(Verteilung, VerbrauchtesEreignisGehtNichtWeiterUndOhneEmpfaengerAendertSichDerZustand) {
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

// The clock wraps during the first delay; a long frame counts as a tenth of a second.
TEST_F(Verteilung, NeuesteGehalteneTasteWiederholtNachDerErstenVerzoegerungDannJedesIntervall) {
    sUhr = 0xFFFFFF00u;
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
    // The newest press repeats, and the release of another key does not stop it.
    Druecke(200);
    Druecke(201);
    Lasse(200);
    handler.Nimm();
    Frame(2000, 6);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    Frame(2000);
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 201 up", "button d0 201 up", "key d0 201 down", "button d0 201 down"));
    Lasse(201);
    System().mKeyRepeatOn = false;
    EXPECT_THAT(Halte(58, 20), IsEmpty());
}

TEST_F(Verteilung, DigitalerKanalFolgtSeinenKnoepfen) {
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
    // A receiver that takes itself out while it handles an event: the later steps of that event
    // find no receiver and only the channel sees it.
    handler.aussteigen = {"key", "mbutton"};
    Druecke(17, 'a');
    EXPECT_TRUE(k.state);
    Lasse(17);
    System().SetHandler(&handler);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, true));
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 17 down", "mbutton d1 0 down"));
    EXPECT_TRUE(k.state);
}

TEST_F(Verteilung, AchsbindungenHabenSchwellenAufBeidenSeiten) {
    StarteMitDrei();
    Omvu::DigitalChannel& oben = Digital(1, {{1, 1, true, 0.5f}});
    Omvu::DigitalChannel& unten = Digital(2, {{1, 1, true, -0.5f}});
    for (auto [wert, obenAn, untenAn] : {std::tuple(0.6f, true, false), std::tuple(0.5f, false, false),
                                         std::tuple(-0.6f, false, true), std::tuple(-0.5f, false, false)}) {
        quelle->joysticks[1].achsen[1] = wert;
        Frame();
        EXPECT_EQ(oben.state, obenAn) << wert;
        EXPECT_EQ(unten.state, untenAn) << wert;
    }
}

TEST_F(Verteilung, BindungenAnFehlendeGeraeteSindInaktivUndMausbewegungenZaehlen) {
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

TEST_F(Verteilung, AnalogeKanaeleSummierenIhreBindungenUndZaehlenIhreDifferenz) {
    StarteMitDrei();
    Omvu::AnalogChannel& k = Analog(3, {{1, 0, Omvu::kAnalogAxis, 0, 1},
                                        {1, 2, Omvu::kAnalogAxisScaled, 0.5f, 10},
                                        {1, 3, Omvu::kAnalogAxisScaled, -0.5f, 2},
                                        {1, 1, Omvu::kAnalogButton, 100, 1}});
    // A scaled binding without a threshold always counts.
    Omvu::AnalogChannel& ohneSchwelle = Analog(4, {{1, 0, Omvu::kAnalogAxisScaled, 0, -3}});
    Plattform::JoystickZustand& z = quelle->joysticks[1];
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
