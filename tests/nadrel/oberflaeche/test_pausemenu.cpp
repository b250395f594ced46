// The pause menu: modal, the game timer standing while it is open, closed by its first activation
// (Escape, "Weiter" or "Ende" through the input receiver) and deleted 0.1 s later on the global
// timer, however a second activation comes before; and a surface deleted before the menu.

#include "nadrel/oberflaeche/pausemenu.h"
#include "testhilfe.h"

#include <string>
#include <tuple>

namespace {

using guitest::Schritt;
using oberflaechetest::gUhr;

class PauseMenuTest : public oberflaechetest::SpielOberflaeche {
protected:
    // Opened as the frame loop opens it, and laid out.
    Spiel::PauseMenu* Oeffne() {
        auto* menue = new Spiel::PauseMenu(&mSpielZeit);
        F().AddKind(menue);
        Schritt(0.01f);
        return menue;
    }
    // "escape" or a click on "weiter" or "ende" through the receiver (the pointer onto the button
    // gives it the focus); "BeiEnde" and "BeiWeiter" call the handler as a second activation would.
    void Aktion(Spiel::PauseMenu* menue, const std::string& aktion) {
        if (aktion == "escape") {
            mButtons->HandleKey(nullptr, 1, true);
            mButtons->HandleKey(nullptr, 1, false);
        } else if (aktion == "weiter" || aktion == "ende") {
            const std::string text = aktion == "weiter" ? "Weiter" : "Ende";
            for (Gui::Basis* kind : menue->Kinder())
                if (auto* knopf = dynamic_cast<Gui::Button*>(kind); knopf && knopf->mText == text)
                    Zeige(knopf->Mitte().x, knopf->Mitte().y);
            mButtons->HandleMouseButton(nullptr, 0, true);
            mButtons->HandleMouseButton(nullptr, 0, false);
        } else if (aktion == "BeiEnde") {
            menue->BeiEnde();
        } else {
            menue->BeiWeiter();
        }
    }
};

// The first activation closes the menu; a second before the deletion 0.1 s later changes nothing.
TEST_F(PauseMenuTest, SchliessenNachEinerZehntelsekunde) {
    const std::tuple<std::string, std::string, bool> faelle[] = {
        {"escape", "escape", false}, {"weiter", "ende", false},    {"ende", "weiter", true},
        {"ende", "BeiWeiter", true}, {"weiter", "BeiEnde", false},
    };
    for (const auto& [erste, zweite, ende] : faelle) {
        SCOPED_TRACE(erste + ", " + zweite);
        Velm_System::Global().mBeenden = false;
        Spiel::PauseMenu* menue = Oeffne();
        EXPECT_EQ(F().ElementAnPosition({10, 10, 0}), nullptr) << "modal: nothing outside the menu is hit";
        const int64_t zeit = mSpielZeit.Zeit();
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit(), zeit) << "the game stands still";

        Aktion(menue, erste);
        EXPECT_FALSE(menue->IstEffektivAktiv());
        EXPECT_TRUE(menue->SchliesstSich());
        Schritt(0.05f);
        const size_t geplant = Velm_Zeitgeber::Global().AnzahlAufrufe();
        Aktion(menue, zweite);
        EXPECT_EQ(menue->mErgebnis, ende ? 1 : 0);
        EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), geplant);
        ASSERT_EQ(F().Kinder().size(), 1u);
        EXPECT_TRUE(mSpielZeit.Pausiert());

        Schritt(0.06f);
        EXPECT_TRUE(F().Kinder().empty());
        EXPECT_EQ(mSpielZeit.Pausiert(), ende);
        EXPECT_EQ(Velm_System::Global().mBeenden, ende);
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit() > zeit, !ende);
    }
}

TEST_F(PauseMenuTest, MitDerOberflaecheGeloeschtWaehrendDasLoeschenAussteht) {
    Spiel::PauseMenu* menue = Oeffne();
    menue->BeiEnde();
    mButtons.reset();
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), 0u) << "the pending deletion goes with the menu";
    EXPECT_TRUE(Velm_System::Global().mBeenden);
    Schritt(0.2f);
}

} // namespace
