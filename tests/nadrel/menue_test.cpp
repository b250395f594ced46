// The pause menu on a surface loaded from the game's GuiKonfig.xml, on a 1280 x 720 screen, with
// the global timer stepped by hand and a game timer on a counter of its own.

#include "gui/gui_oberflaeche.h"
#include "gui/gui_widgets.h"
#include "nadrel/pausemenu.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_screen3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

int64_t gUhr = 0;
int64_t Uhr() {
    return gUhr;
}

void Schritt(float sekunden) {
    Velm_Zeitgeber::Global().Schritt(Gui::Ticks(sekunden));
}

class Menue : public ::testing::Test {
protected:
    Menue() {
        Velm_Screen3D::mDarstellung = {1280, 720, 0, 0};
        mFlaeche = std::make_unique<Gui::Oberflaeche>(NADREL_WURZEL "/Daten/GuiKonfig.xml");
        Schritt(0.01f);
    }
    ~Menue() override { Velm_System::Global().mBeenden = false; }

    Gui::Oberflaeche& F() { return *mFlaeche; }

    // Opened as the frame loop opens it, and laid out.
    Spiel::PauseMenu* Oeffne() {
        auto* menue = new Spiel::PauseMenu(&mSpielZeit);
        F().AddKind(menue);
        Schritt(0.01f);
        return menue;
    }
    Gui::Button* Knopf(Spiel::PauseMenu* menue, const std::string& text) {
        for (Gui::Basis* kind : menue->Kinder())
            if (auto* knopf = dynamic_cast<Gui::Button*>(kind); knopf && knopf->mText == text)
                return knopf;
        return nullptr;
    }
    // The pointer onto the button's centre gives it the focus; the confirm code clicks it.
    void Klicke(Gui::Button* knopf) {
        F().VerarbeiteMausBewegung(knopf->Mitte());
        F().VerarbeiteTaste(Gui::kTasteBestaetigen, Gui::kGedrueckt);
        F().VerarbeiteTaste(Gui::kTasteBestaetigen, Gui::kLosgelassen);
    }
    // One way to close the menu: "escape", "weiter" or "ende" through the surface; "BeiEnde" and
    // "BeiWeiter" call the handler as a second activation would.
    void Aktion(Spiel::PauseMenu* menue, const std::string& aktion, Gui::Button* weiter, Gui::Button* ende) {
        if (aktion == "escape") {
            F().VerarbeiteTaste(Gui::kTasteZurueck, Gui::kGedrueckt);
            F().VerarbeiteTaste(Gui::kTasteZurueck, Gui::kLosgelassen);
        } else if (aktion == "weiter") {
            Klicke(weiter);
        } else if (aktion == "ende") {
            Klicke(ende);
        } else if (aktion == "BeiEnde") {
            menue->BeiEnde();
        } else {
            menue->BeiWeiter();
        }
    }

    Velm_Zeitgeber mSpielZeit{&Uhr};
    std::unique_ptr<Gui::Oberflaeche> mFlaeche;
};

TEST_F(Menue, SpalteInDerMitteDesBildschirms) {
    Spiel::PauseMenu* menue = Oeffne();
    EXPECT_TRUE(menue->IstModal());
    const struct {
        size_t kind;
        float x, y, breite, hoehe;
    } soll[] = {
        {0, 640, 190, 0, 50},    // spacer
        {1, 330, 250, 620, 100}, // "Pause"
        {2, 540, 360, 200, 50},  // "Weiter"
        {3, 540, 420, 200, 50},  // "Ende"
        {4, 640, 480, 0, 50},    // spacer
    };
    EXPECT_EQ(menue->Position().x, 320);
    EXPECT_EQ(menue->Position().y, 180);
    EXPECT_EQ(menue->Groesse().x, 640);
    EXPECT_EQ(menue->Groesse().y, 360);
    ASSERT_EQ(menue->Kinder().size(), 5u);
    for (const auto& s : soll) {
        const Gui::Basis& kind = *menue->Kinder()[s.kind];
        EXPECT_EQ(kind.AbsolutePosition().x, s.x) << s.kind;
        EXPECT_EQ(kind.AbsolutePosition().y, s.y) << s.kind;
        EXPECT_EQ(kind.Groesse().x, s.breite) << s.kind;
        EXPECT_EQ(kind.Groesse().y, s.hoehe) << s.kind;
    }
    EXPECT_EQ(dynamic_cast<Gui::Text&>(*menue->Kinder()[1]).mText, "Pause");
    EXPECT_EQ(Knopf(menue, "Weiter")->Tastenkuerzel(), Gui::kTasteZurueck);
    EXPECT_EQ(Knopf(menue, "Ende")->Tastenkuerzel(), Gui::kTasteKeine);
    // Modal: nothing outside the menu is hit.
    EXPECT_EQ(F().ElementAnPosition({10, 10, 0}), nullptr);
}

TEST_F(Menue, SchliessenNachEinerZehntelsekunde) {
    const struct {
        const char* erste;
        const char* zweite; // before the deletion: changes nothing
        bool ende;
    } faelle[] = {
        {"escape", "escape", false}, {"weiter", "ende", false},    {"ende", "weiter", true},
        {"ende", "BeiWeiter", true}, {"weiter", "BeiEnde", false}, {"escape", "BeiEnde", false},
    };
    for (const auto& fall : faelle) {
        const std::string name = std::string(fall.erste) + ", " + fall.zweite;
        Velm_System::Global().mBeenden = false;
        Spiel::PauseMenu* menue = Oeffne();
        Gui::Button* weiter = Knopf(menue, "Weiter");
        Gui::Button* ende = Knopf(menue, "Ende");
        EXPECT_TRUE(mSpielZeit.Pausiert()) << name;
        const int64_t zeit = mSpielZeit.Zeit();
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit(), zeit) << name << ": the game stands still";

        Aktion(menue, fall.erste, weiter, ende);
        EXPECT_FALSE(menue->IstEffektivAktiv()) << name;
        EXPECT_TRUE(menue->SchliesstSich()) << name;
        Schritt(0.05f);
        const size_t geplant = Velm_Zeitgeber::Global().AnzahlAufrufe();
        Aktion(menue, fall.zweite, weiter, ende);
        EXPECT_EQ(menue->mErgebnis, fall.ende ? 1 : 0) << name;
        EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), geplant) << name;
        ASSERT_EQ(F().Kinder().size(), 1u) << name;
        EXPECT_TRUE(mSpielZeit.Pausiert()) << name;

        Schritt(0.06f);
        EXPECT_TRUE(F().Kinder().empty()) << name << ": deleted 0.1 s after the first activation";
        EXPECT_EQ(mSpielZeit.Pausiert(), fall.ende) << name;
        EXPECT_EQ(Velm_System::Global().mBeenden, fall.ende) << name;
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit() > zeit, !fall.ende) << name;
    }
}

TEST_F(Menue, MitDerOberflaecheGeloeschtWaehrendDasLoeschenAussteht) {
    Spiel::PauseMenu* menue = Oeffne();
    menue->BeiEnde();
    mFlaeche.reset();
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), 0u) << "the pending deletion goes with the menu";
    EXPECT_TRUE(Velm_System::Global().mBeenden);
    Schritt(0.2f);
}

} // namespace
