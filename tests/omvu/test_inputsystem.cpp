// The input system on the scripted source: creation and its failures, the device list, the log,
// focus and grab; keyboards and mice; controllers and pads; the road of events through the
// handler, key repeat on the fixed clock, and logical channels.

#include "testhilfe.h"

using namespace OmvuTest;
using Plattform::SteuerFehler;

namespace {

class InputSystemTest : public Umgebung {
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

TEST_F(InputSystemTest, AFailedCreationLogsItsReasonAndLeavesNoInstanceAndLongLinesAreCut) {
    using Plattform::ListenStatus;
    using Plattform::StartSchritt;
    const std::tuple<std::optional<StartSchritt>, ListenStatus, std::string> faelle[] = {
        {StartSchritt::Schnittstelle, ListenStatus::Ok, "Unable to init DirectX8 Input"},
        {StartSchritt::Tastatur, ListenStatus::Ok, "Could not init default keyboard"},
        {StartSchritt::Tastaturformat, ListenStatus::Ok, "Keyboard format error"},
        {StartSchritt::Registrierung, ListenStatus::Ok, "failed to register for input messages"},
        {{}, ListenStatus::AnzahlFehlt, "unable to get device count"},
        {{}, ListenStatus::ListeFehlt, "unable to retrieve device list"},
    };
    for (const auto& [schritt, liste, grund] : faelle) {
        SetUp();
        quelle->scheitertBei = schritt;
        quelle->listenStatus = liste;
        EXPECT_FALSE(Omvu::Initialize(Fenster()));
        EXPECT_EQ(Omvu::gInstance, nullptr);
        EXPECT_EQ(sLog.back(), "Exception while creating Omvu instance: " + grund);
    }
    SetUp();
    EXPECT_FALSE(Omvu::Initialize(nullptr));
    EXPECT_THAT(sLog, ElementsAre("Omvu instance created.", "Omvu instance going down.",
                                  "Exception while creating Omvu instance: HWND is not valid"));
    // A second creation fails and keeps the first instance.
    Starte();
    Omvu::InputSystem* erste = Omvu::gInstance;
    EXPECT_FALSE(Omvu::Initialize(Fenster()));
    EXPECT_EQ(sLog.back(), "Exception while creating Omvu instance: Input already initialized");
    EXPECT_EQ(Omvu::gInstance, erste);
    // Log lines are cut at 1023 characters; without a log callback nothing is written, and
    // nothing fails.
    Omvu::InputSystem::Log("%s", std::string(3000, 'x').c_str());
    EXPECT_EQ(sLog.back(), std::string(1023, 'x'));
    Omvu::gLogCallback = nullptr;
    EXPECT_FALSE(Omvu::Initialize(Fenster()));
    Omvu::Shutdown();
}

// Controllers that fail their set-up are left out; with an unreadable pad list a pad is plain.
TEST_F(InputSystemTest, DevicesAreListedControllersFirstAndRemoteDesktopDevicesSkipped) {
    for (SteuerFehler f :
         {SteuerFehler::Geraet, SteuerFehler::Datenformat, SteuerFehler::Kooperation,
          SteuerFehler::Puffergroesse, SteuerFehler::Faehigkeiten, SteuerFehler::Achsbereich})
        quelle->steuergeraete.push_back({0, 1, 2, 2, f});
    quelle->steuergeraete.push_back({7, kPadWort, 4, 2, SteuerFehler::Keiner});
    quelle->padListe = {kPadWort};
    quelle->padListeLesbar = false;
    quelle->geraete = {{GeraeteArt::Maus, 10, "mouse"},
                       {GeraeteArt::Tastatur, 11, "\\\\?\\Root#RDP_KBD#0000"},
                       {GeraeteArt::Andere, 12, "hid"},
                       {GeraeteArt::Tastatur, 13, "keyboard"},
                       {GeraeteArt::Maus, 14, "mouse 2"}};
    Starte();
    ASSERT_EQ(System().GetDevices().size(), 4u);
    EXPECT_EQ(Geraet(0).GetButtonCount(), 4u);
    EXPECT_EQ(&Geraet(1), System().GetFirstMouse());
    EXPECT_EQ(&Geraet(3), System().GetMouse(1));
}

TEST_F(InputSystemTest, GrabCentresTheCursorAndReleaseLeavesItAtTheMouse) {
    Cursor(900, 50);
    Starte();
    sLog.clear();
    System().SetGrabWanted(true);
    // While grabbed only the motion counts and the cursor goes back to the centre.
    Cursor(410, 295);
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("move d1 910 45", "axis d1 0 910", "axis d1 1 45"));
    // Focus changes are logged once each; the grab comes back with the focus.
    System().SetFocus(false);
    System().SetFocus(false);
    System().SetFocus(true);
    EXPECT_THAT(quelle->cursorGesetzt, ElementsAre(std::pair(400, 300), std::pair(400, 300),
                                                   std::pair(800, 45), std::pair(400, 300)));
    EXPECT_THAT(sLog, ElementsAre("Omvu: grabbing mouse", "Omvu: lost focus", "Omvu: releasing mouse",
                                  "Omvu: got focus", "Omvu: grabbing mouse"));
}

TEST_F(InputSystemTest, WithoutAMouseTheGrabReleasesAtTheOriginAndMultiDeviceModeNeverGrabs) {
    quelle->geraete = {{GeraeteArt::Tastatur, kTastatur, "keyboard"}};
    Starte();
    System().SetGrabWanted(true);
    System().SetGrabWanted(false);
    System().SetMultiDeviceMode(true);
    System().SetGrabWanted(true);
    EXPECT_THAT(quelle->cursorGesetzt, ElementsAre(std::pair(400, 300), std::pair(0, 0)));
}

// Keys are dropped and controller values taken without events; a second mouse's button counts,
// but not as the activity that would swap it to the front.
TEST_F(InputSystemTest, TheFirstFrameDropsKeysAndTakesControllerValuesWithoutEvents) {
    quelle->geraete.push_back({GeraeteArt::Maus, 31, "b"});
    quelle->steuergeraete = {{0, kPadWort, 11, 6, SteuerFehler::Keiner}};
    quelle->padListe = {kPadWort};
    quelle->pads[0] = {.knoepfe = Plattform::kPadB, .linksX = 16384};
    Starte(false);
    Druecke(30);
    quelle->Puffere(SkriptEingabe::Taste(kTastatur, 31, true));
    quelle->Pumpe(SkriptEingabe::Knopf(31, 0, true));
    EXPECT_THAT(handler.Nimm(), ElementsAre("mbutton d2 0 down", "button d2 0 down"));
    Frame();
    EXPECT_EQ(System().GetMouse(1)->GetId(), 3u);
    EXPECT_THAT(handler.Nimm(), IsEmpty());
    EXPECT_NEAR(Geraet(0).GetAxisAbsolute(0), 0.5f, 1e-4);
    quelle->pads[0].knoepfe = 0;
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jbutton d0 1 up", "button d0 1 up"));
}

// Keys, buttons and axes are released and centred with their events, and controllers are not
// read until the focus comes back.
TEST_F(InputSystemTest, FocusLossReleasesEverythingAndStopsPolling) {
    StarteMitDrei();
    Druecke(17);
    quelle->Pumpe(SkriptEingabe::Knopf(kMaus, 0, true));
    quelle->pads[0] = {.knoepfe = Plattform::kPadX, .linksX = 32767};
    handler.Nimm();
    // Consumed controller events go no further.
    handler.verbrauchen = {"jbutton", "jaxis"};
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d0 0 1", "jbutton d0 2 down"));
    System().SetFocus(false);
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d0 0 0", "jbutton d0 2 up", "key d3 17 up",
                                            "button d3 17 up", "mbutton d4 0 up", "button d4 0 up"));
    EXPECT_TRUE(Tastatur().WasKeyReleased(17));
    EXPECT_TRUE(Maus().WasButtonReleased(0));
    EXPECT_TRUE(Geraet(0).WasButtonReleased(2));
    EXPECT_NEAR(Geraet(0).GetAxisDifference(0), -1.0f, 1e-4);
    const uint32_t lesungen = quelle->padLesungen[0];
    Frame();
    EXPECT_EQ(quelle->padLesungen[0], lesungen);
    System().SetFocus(true);
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("jaxis d0 0 1", "jbutton d0 2 down"));
}

TEST_F(InputSystemTest, APumpedKeyIsPressedUntilTheNextUpdateABufferedOneForOneFrameARepeatedOneNever) {
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

TEST_F(InputSystemTest, ADeadKeyComposesWithTheNextCharacter) {
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

// The first device of a kind to show activity takes the place of the kind's first; the others'
// keys and buttons count for the first.
TEST_F(InputSystemTest, TheFirstActiveKeyboardAndMouseBecomeTheFirst) {
    quelle->geraete = {{GeraeteArt::Tastatur, 20, "a"},
                       {GeraeteArt::Tastatur, 21, "b"},
                       {GeraeteArt::Maus, 30, "a"},
                       {GeraeteArt::Maus, 31, "b"}};
    Starte();
    Omvu::Keyboard* b = System().GetKeyboard(1);
    Omvu::Mouse* mb = System().GetMouse(1);
    sLog.clear();
    quelle->Pumpe(SkriptEingabe::Taste(21, 30, true));
    quelle->Pumpe(SkriptEingabe::Taste(20, 31, true));
    quelle->Pumpe(SkriptEingabe::Knopf(31, 1, true));
    quelle->Pumpe(SkriptEingabe::Knopf(30, 0, true));
    EXPECT_EQ(System().GetFirstKeyboard(), b);
    EXPECT_TRUE(b->IsKeyDown(31));
    EXPECT_EQ(System().GetFirstMouse(), mb);
    EXPECT_EQ(System().GetMouse(1)->GetOrdinal(), 1u);
    // Only a swap of mice is logged.
    EXPECT_THAT(sLog, ElementsAre("Swap mice due to activity: 3,1 and 2,0"));
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 30 down", "button d0 30 down", "key d0 31 down",
                                            "button d0 31 down", "mbutton d2 1 down", "button d2 1 down",
                                            "mbutton d2 0 down", "button d2 0 down"));
}

TEST_F(InputSystemTest, ButtonFlagsPressAndReleaseFiveButtonsAndAWheelNotchRestsInTheNextFrame) {
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

TEST_F(InputSystemTest, TheFirstMouseFollowsTheCursorInsideItsRangeWhileFocused) {
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
TEST_F(InputSystemTest, MultiDeviceModeTakesMotionFromRecords) {
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

// Listed pads have the pad layout in device order: the first reads pad 0, the second pad 1.
TEST_F(InputSystemTest, PadLayoutAxesButtonsAndDirectionalPad) {
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
TEST_F(InputSystemTest, ControllerValuesAndAFailedReadThatReleasesAndCentres) {
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

TEST_F(InputSystemTest, AConsumedEventGoesNoFurtherAndWithoutAHandlerStateStillChanges) {
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
TEST_F(InputSystemTest, TheNewestHeldKeyRepeatsAfterTheFirstDelayThenEveryInterval) {
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

TEST_F(InputSystemTest, ADigitalChannelFollowsItsButtons) {
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

TEST_F(InputSystemTest, AxisBindingsHaveThresholdsOnBothSides) {
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

TEST_F(InputSystemTest, BindingsToMissingDevicesAreInactiveAndMouseMovesCount) {
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

TEST_F(InputSystemTest, AnalogChannelsSumTheirBindingsAndCountTheirDifference) {
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
