// The input receiver and the pause menu on the surface it loads from the game's GuiKonfig.xml, on
// a 1280 x 720 screen, without a window: the global timer is stepped by hand, the game timer runs
// on a counter of its own and the input system is a stand-in with one mouse.

#include "gui/gui_widgets.h"
#include "nadrel/buttons.h"
#include "nadrel/pausemenu.h"
#include "omvu/omvu_inputsystem.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_screen3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

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

void Schritt(float sekunden) {
    Velm_Zeitgeber::Global().Schritt(Gui::Ticks(sekunden));
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
    // The pointer onto the button's centre gives it the focus; the left button clicks it.
    void Klicke(Gui::Button* knopf) {
        mEingabe.mMaus->mX = knopf->Mitte().x;
        mEingabe.mMaus->mY = knopf->Mitte().y;
        mButtons->HandleMouseMove(mEingabe.mMaus, 0, 0);
        mButtons->HandleMouseButton(mEingabe.mMaus, 0, true);
        mButtons->HandleMouseButton(mEingabe.mMaus, 0, false);
    }
    // One way to close the menu: "escape", "weiter" or "ende" through the receiver; "BeiEnde" and
    // "BeiWeiter" call the handler as a second activation would.
    void Aktion(Spiel::PauseMenu* menue, const std::string& aktion, Gui::Button* weiter, Gui::Button* ende) {
        if (aktion == "escape") {
            mButtons->HandleKey(nullptr, 1, true);
            mButtons->HandleKey(nullptr, 1, false);
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

    std::filesystem::path mOrdner;
    Velm_Zeitgeber mSpielZeit{&Uhr};
    Eingabe mEingabe;
    std::unique_ptr<Spiel::Buttons> mButtons;
};

TEST_F(Menue, NurEscapeLinksklickUndZeigerErreichenDieOberflaeche) {
    enum Art { kTaste, kKnopf, kAchse };
    const struct {
        Art art;
        uint32_t code;
        bool gedrueckt;
        int64_t guiCode; // kTasteKeine: the surface sees nothing
        uint64_t zustand;
    } faelle[] = {
        {kTaste, 1, true, Gui::kTasteZurueck, 3},       {kTaste, 1, false, Gui::kTasteZurueck, 4},
        {kTaste, 28, true, Gui::kTasteKeine, 0},        {kTaste, 0x9C, true, Gui::kTasteKeine, 0},
        {kKnopf, 0, true, Gui::kTasteBestaetigen, 3},   {kKnopf, 0, false, Gui::kTasteBestaetigen, 4},
        {kKnopf, 1, true, Gui::kTasteKeine, 0},         {kAchse, 0, true, Gui::kTasteKeine, 0},
    };
    for (const auto& fall : faelle) {
        std::vector<uint64_t> soll = Zustaende();
        if (fall.guiCode != Gui::kTasteKeine)
            soll[size_t(fall.guiCode)] = fall.zustand;
        const bool verbraucht = fall.art == kTaste   ? mButtons->HandleKey(nullptr, fall.code, fall.gedrueckt)
                                : fall.art == kKnopf ? mButtons->HandleMouseButton(nullptr, fall.code, fall.gedrueckt)
                                                     : mButtons->HandleMouseAxis(nullptr, 120);
        EXPECT_TRUE(verbraucht) << fall.art << " " << fall.code;
        EXPECT_EQ(Zustaende(), soll) << fall.art << " " << fall.code;
    }
    EXPECT_TRUE(F().Kinder().empty()) << "Escape opens no menu here";

    // The first mouse's position, whatever the event says; (0, 0, 0) without an input system.
    mEingabe.mMaus->mX = 600;
    mEingabe.mMaus->mY = 450;
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x, 600);
    EXPECT_EQ(F().ZeigerPosition().y, 450);
    Omvu::gInstance = nullptr;
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x, 0);
    EXPECT_EQ(F().ZeigerPosition().y, 0);
    Omvu::gInstance = &mEingabe;
}

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
