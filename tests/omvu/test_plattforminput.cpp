// The platform input on the scripted source: the device list it builds and the first frame of
// its update.

#include "testhilfe.h"

using namespace OmvuTest;
using Plattform::SteuerFehler;

namespace {

using PlattformEingabe = Umgebung;

// Controllers that fail their set-up are left out; with an unreadable pad list a pad is plain.
TEST_F(PlattformEingabe, GeraetelisteSteuergeraeteZuerstOhneGeraeteDesRemoteDesktops) {
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

// Keys are dropped and controller values taken without events; a second mouse's button counts,
// but not as the activity that would swap it to the front.
TEST_F(PlattformEingabe, ErsterFrameVerwirftTastenUndNimmtSteuerwerteOhneEreignisse) {
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

} // namespace
