// Creating and ending the input system, its failures, the device list, the log, focus and grab.

#include "omvu_testumgebung.h"

using namespace OmvuTest;

namespace {

class InputSystemTest : public Umgebung {};

TEST_F(InputSystemTest, AFailedCreationLogsItsReasonAndLeavesNoInstance) {
    using Plattform::ListenStatus;
    using Plattform::StartSchritt;
    const struct {
        std::optional<StartSchritt> schritt;
        ListenStatus liste;
        const char* grund;
    } faelle[] = {
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
        EXPECT_EQ(sLog.back(), std::string("Exception while creating Omvu instance: ") + grund);
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
}

TEST_F(InputSystemTest, LogLinesAreCutAt1023CharactersAndAMissingCallbackIsNoFault) {
    Omvu::InputSystem::Log("%s", std::string(3000, 'x').c_str());
    EXPECT_THAT(sLog, ElementsAre(std::string(1023, 'x')));
    Omvu::gLogCallback = nullptr;
    Starte();
    EXPECT_FALSE(Omvu::Initialize(Fenster()));
}

TEST_F(InputSystemTest, DevicesAreListedControllersFirstAndRemoteDesktopDevicesSkipped) {
    quelle->steuergeraete = {{7, 0x1234, 4, 2, Plattform::SteuerFehler::Keiner}};
    quelle->geraete = {{GeraeteArt::Maus, 10, "mouse"},
                       {GeraeteArt::Tastatur, 11, "\\\\?\\Root#RDP_KBD#0000"},
                       {GeraeteArt::Andere, 12, "hid"},
                       {GeraeteArt::Tastatur, 13, "keyboard"},
                       {GeraeteArt::Maus, 14, "mouse 2"}};
    Starte();
    const auto& geraete = System().GetDevices();
    ASSERT_EQ(geraete.size(), 4u);
    EXPECT_EQ(geraete[0].get(), System().GetFirstJoystick());
    EXPECT_EQ(geraete[1].get(), System().GetFirstMouse());
    EXPECT_EQ(geraete[2].get(), System().GetFirstKeyboard());
    EXPECT_EQ(geraete[3].get(), System().GetMouse(1));
}

TEST_F(InputSystemTest, GrabCentresTheCursorAndReleaseLeavesItAtTheMouse) {
    Cursor(900, 50);
    Starte();
    sLog.clear();
    System().SetGrabWanted(true);
    // While grabbed only the motion counts and the cursor goes back to the centre.
    Cursor(410, 295);
    Frame();
    EXPECT_FLOAT_EQ(Maus().GetMotionX(), 10);
    EXPECT_FLOAT_EQ(Maus().GetMotionY(), -5);
    EXPECT_FLOAT_EQ(Maus().GetPositionX(), 910);
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

// Within one update: the wheel's rest and controller polls at the start, then the held-back
// records, then the mouse's move.
TEST_F(InputSystemTest, UpdateRunsStartOfFrameThenBufferedRecordsThenMoves) {
    Starte();
    quelle->Pumpe(SkriptEingabe::Rad(kMaus, 120));
    quelle->Puffere(SkriptEingabe::Taste(kTastatur, 57, true));
    Cursor(5, 0);
    handler.Nimm();
    Frame();
    EXPECT_THAT(handler.Nimm(), ElementsAre("wheel d1 0", "axis d1 2 0", "key d0 57 down",
                                            "button d0 57 down", "move d1 5 0", "axis d1 0 5"));
}

} // namespace
