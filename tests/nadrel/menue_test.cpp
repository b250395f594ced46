// The input receiver and the pause menu on the surface it loads from the game's GuiKonfig.xml, on
// a 1280 x 720 screen, without a window: the global timer is stepped by hand, the game timer runs
// on a counter of its own and the input system is a stand-in with one mouse.

#include "gui/gui_testhilfe.h"
#include "nadrel/buttons.h"
#include "nadrel/pausemenu.h"
#include "omvu/omvu_inputsystem.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using guitest::Schritt;

class Maus : public Omvu::Mouse {
public:
    using Mouse::Mouse;
    float GetPositionX() const override { return mX; }
    float GetPositionY() const override { return mY; }
    float GetMotionX() const override { return 0; }
    float GetMotionY() const override { return 0; }
    float mX = 0, mY = 0;
};

class Eingabe : public Omvu::InputSystem {
public:
    Eingabe() {
        auto maus = std::make_unique<Maus>(*this);
        mMaus = maus.get();
        AddDevice(std::move(maus));
    }
    ~Eingabe() override { Omvu::gInstance = nullptr; }
    void InternSetFocus(bool) override {}
    void InternSetMouseGrab(bool) override {}
    Maus* mMaus;
};

int64_t gUhr = 0;
int64_t Uhr() {
    return gUhr;
}

class Menue : public ::testing::Test {
protected:
    Menue() : mOrdner(Velm_System::Global().mAnwendungsOrdner) {
        Velm_Screen3D::mDarstellung = {1280, 720, 0, 0};
        Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
        mButtons = std::make_unique<Spiel::Buttons>(&mSpielZeit);
        Schritt(0.01f);
    }
    ~Menue() override {
        Velm_System::Global().mBeenden = false;
        Velm_System::Global().mAnwendungsOrdner = mOrdner;
    }

    Gui::Oberflaeche& F() { return *mButtons->mOberflaeche; }
    std::vector<uint64_t> Zustaende() {
        std::vector<uint64_t> zustaende;
        for (int64_t code = 0; code < Gui::kAnzahlTasten; ++code)
            zustaende.push_back(F().TastenZustand(code));
        return zustaende;
    }

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
    // "escape" or a click on "weiter" or "ende" through the receiver (the pointer onto the button
    // gives it the focus); "BeiEnde" and "BeiWeiter" call the handler as a second activation would.
    void Aktion(Spiel::PauseMenu* menue, const std::string& aktion) {
        if (aktion == "escape") {
            mButtons->HandleKey(nullptr, 1, true);
            mButtons->HandleKey(nullptr, 1, false);
        } else if (aktion == "weiter" || aktion == "ende") {
            const Gui::Button* knopf = Knopf(menue, aktion == "weiter" ? "Weiter" : "Ende");
            mEingabe.mMaus->mX = knopf->Mitte().x;
            mEingabe.mMaus->mY = knopf->Mitte().y;
            mButtons->HandleMouseMove(mEingabe.mMaus, 0, 0);
            mButtons->HandleMouseButton(mEingabe.mMaus, 0, true);
            mButtons->HandleMouseButton(mEingabe.mMaus, 0, false);
        } else if (aktion == "BeiEnde") {
            menue->BeiEnde();
        } else {
            menue->BeiWeiter();
        }
    }

    std::filesystem::path mOrdner;
    Velm_Zeitgeber mSpielZeit{&Uhr};
    Eingabe mEingabe;
    std::unique_ptr<Spiel::Buttons> mButtons;
};

TEST_F(Menue, NurEscapeLinksklickUndZeigerErreichenDieOberflaeche) {
    const struct {
        bool taste; // else a mouse button
        uint32_t code;
        bool gedrueckt;
        int64_t guiCode; // kTasteKeine: the surface sees nothing
        uint64_t zustand;
    } faelle[] = {
        {true, 1, true, Gui::kTasteZurueck, 3},       {true, 1, false, Gui::kTasteZurueck, 4},
        {true, 28, true, Gui::kTasteKeine, 0},        {false, 0, true, Gui::kTasteBestaetigen, 3},
        {false, 0, false, Gui::kTasteBestaetigen, 4}, {false, 1, true, Gui::kTasteKeine, 0},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(testing::Message() << fall.taste << " " << fall.code);
        std::vector<uint64_t> soll = Zustaende();
        if (fall.guiCode != Gui::kTasteKeine)
            soll[size_t(fall.guiCode)] = fall.zustand;
        EXPECT_TRUE(fall.taste ? mButtons->HandleKey(nullptr, fall.code, fall.gedrueckt)
                               : mButtons->HandleMouseButton(nullptr, fall.code, fall.gedrueckt));
        EXPECT_EQ(Zustaende(), soll);
    }
    EXPECT_TRUE(F().Kinder().empty()) << "Escape opens no menu here";

    // The first mouse's position, whatever the event says; (0, 0) without an input system.
    mEingabe.mMaus->mX = 600;
    mEingabe.mMaus->mY = 450;
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 1050);
    Omvu::gInstance = nullptr;
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 0);
    Omvu::gInstance = &mEingabe;
}

// The first activation closes the menu; a second before the deletion 0.1 s later changes nothing.
TEST_F(Menue, SchliessenNachEinerZehntelsekunde) {
    const struct {
        const char *erste, *zweite;
        bool ende;
    } faelle[] = {
        {"escape", "escape", false}, {"weiter", "ende", false},    {"ende", "weiter", true},
        {"ende", "BeiWeiter", true}, {"weiter", "BeiEnde", false},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(std::string(fall.erste) + ", " + fall.zweite);
        Velm_System::Global().mBeenden = false;
        Spiel::PauseMenu* menue = Oeffne();
        EXPECT_EQ(F().ElementAnPosition({10, 10, 0}), nullptr) << "modal: nothing outside the menu is hit";
        const int64_t zeit = mSpielZeit.Zeit();
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit(), zeit) << "the game stands still";

        Aktion(menue, fall.erste);
        EXPECT_FALSE(menue->IstEffektivAktiv());
        EXPECT_TRUE(menue->SchliesstSich());
        Schritt(0.05f);
        const size_t geplant = Velm_Zeitgeber::Global().AnzahlAufrufe();
        Aktion(menue, fall.zweite);
        EXPECT_EQ(menue->mErgebnis, fall.ende ? 1 : 0);
        EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), geplant);
        ASSERT_EQ(F().Kinder().size(), 1u);
        EXPECT_TRUE(mSpielZeit.Pausiert());

        Schritt(0.06f);
        EXPECT_TRUE(F().Kinder().empty());
        EXPECT_EQ(mSpielZeit.Pausiert(), fall.ende);
        EXPECT_EQ(Velm_System::Global().mBeenden, fall.ende);
        gUhr += gZaehlerFrequenz;
        mSpielZeit.Aktualisiere();
        EXPECT_EQ(mSpielZeit.Zeit() > zeit, !fall.ende);
    }
}

TEST_F(Menue, MitDerOberflaecheGeloeschtWaehrendDasLoeschenAussteht) {
    Spiel::PauseMenu* menue = Oeffne();
    menue->BeiEnde();
    mButtons.reset();
    EXPECT_EQ(Velm_Zeitgeber::Global().AnzahlAufrufe(), 0u) << "the pending deletion goes with the menu";
    EXPECT_TRUE(Velm_System::Global().mBeenden);
    Schritt(0.2f);
}

TEST_F(Menue, OhneGuiKonfigKeinEmpfaenger) {
    Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL "/fehlt";
    EXPECT_THROW(Spiel::Buttons{&mSpielZeit}, Velm_Ausnahme);
}

} // namespace
