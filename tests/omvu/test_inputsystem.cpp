// The input system on the scripted source: creation and its failures, the log, focus and grab,
// and the first active keyboard and mouse taking the first place.

#include "testhilfe.h"

using namespace OmvuTest;

namespace {

using Eingabesystem = Umgebung;

TEST_F(Eingabesystem, GescheiterteErzeugungNenntIhrenGrundOhneInstanzUndLangeZeilenWerdenGekuerzt) {
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

TEST_F(Eingabesystem, FangenZentriertDenZeigerUndLoslassenLaesstIhnBeiDerMaus) {
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

TEST_F(Eingabesystem, OhneMausLaesstDasFangenAmUrsprungLosUndMehrgeraetemodusFaengtNie) {
    quelle->geraete = {{GeraeteArt::Tastatur, kTastatur, "keyboard"}};
    Starte();
    System().SetGrabWanted(true);
    System().SetGrabWanted(false);
    System().SetMultiDeviceMode(true);
    System().SetGrabWanted(true);
    EXPECT_THAT(quelle->cursorGesetzt, ElementsAre(std::pair(400, 300), std::pair(0, 0)));
}

// Keys, buttons and axes are released and centred with their events, and controllers are not
// read until the focus comes back.
TEST_F(Eingabesystem, FokusverlustLaesstAllesLosUndLiestNichtMehr) {
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

// The first device of a kind to show activity takes the place of the kind's first; the others'
// keys and buttons count for the first.
TEST_F(Eingabesystem, ErsteAktiveTastaturUndMausWerdenDieErsten) {
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

} // namespace
