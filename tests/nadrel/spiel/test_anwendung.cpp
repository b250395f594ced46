// The game's parts that need no window: the exit code, the exception line and the saved
// configuration for every way a run can end; the overlay's start-up failures, screenshots and their
// failures on the headless device; the pause fade and the fps figure, also for a step of 0; the
// input receiver and the pause menu on the surface it loads from the game's GuiKonfig.xml, on a
// 1280 x 720 screen, with the global timer stepped by hand, the game timer on a counter of its
// own and a stand-in input system with one mouse.

#include "gui/gui_testhilfe.h"
#include "nadrel/oberflaeche/eingabeempfaenger.h"
#include "nadrel/oberflaeche/overlay.h"
#include "nadrel/oberflaeche/pausemenu.h"
#include "nadrel/spiel/anwendung.h"
#include "nadrel/spiel/bildschirmfoto.h"
#include "nadrel/spiel/testhaken.h"
#include "omvu/omvu_testumgebung.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/render_testhilfe.h"

#include <csignal>
#include <fstream>
#include <stdexcept>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

using Bildschirmfoto = rendertest::Kontext;
using Overlay = rendertest::Kontext;
using guitest::Schritt;

// A run that ends normally gives 0, one that throws -1 and the exception line; each saves the
// configuration.
TEST(Eintritt, JedesEndeSpeichertDieKonfiguration) {
    const fs::path benutzer = Velm_System::Global().mBenutzerOrdner;
    const std::pair<std::function<void()>, std::string> faelle[] = {
        {[] {}, ""},
        {[] { Velm_WirfAusnahme("kaputt", "Spiel::X", "x.cpp", 12); },
         "Exception thrown: x.cpp (12) - Spiel::X(): kaputt"},
        {[] { throw std::runtime_error("filesystem error: nope"); },
         "- Spiel::Eintritt(): filesystem error: nope"},
    };
    for (const auto& [lauf, zeile] : faelle) {
        SCOPED_TRACE(zeile);
        fs::remove(benutzer / "spiel.cfg");
        TLogMitschrift log;
        EXPECT_EQ(Spiel::Eintritt(lauf), zeile.empty() ? 0 : -1);
        EXPECT_TRUE(fs::exists(benutzer / "spiel.cfg"));
        EXPECT_EQ(log.Enthaelt("Exception thrown"), !zeile.empty());
        EXPECT_TRUE(log.Enthaelt(zeile));
    }
}

// The fade moves by 2 a second towards 1 while paused and towards 0 otherwise, clamped, and stands
// for a step of 0; the fps figure of a step is 0 for a step of 0 or of more than a second.
TEST(Bildschleife, PausenblendeUndFps) {
    const int64_t f = gZaehlerFrequenz;
    const std::tuple<float, int64_t, bool, float> blenden[] = {
        {0, f / 4, true, 0.5f},   {0.9f, f / 10, true, 1}, {1, f / 10, false, 0.8f},
        {0.1f, f / 10, false, 0}, {0.3f, 0, true, 0.3f},   {0.3f, 0, false, 0.3f},
    };
    for (auto [staerke, schritt, pausiert, danach] : blenden)
        EXPECT_FLOAT_EQ(Spiel::Pausenstaerke(staerke, schritt, pausiert), danach);
    const std::pair<int64_t, int> fps[] = {
        {f / 60, 60}, {int64_t(f * 0.0167), 60}, {f * 3, 0}, {0, 0}, {-5, 0}};
    for (auto [schritt, bilder] : fps)
        EXPECT_EQ(Spiel::BilderProSekunde(schritt), bilder) << schritt;
}

// Each variable holds a number from 0 to 2^32-1 or is left alone; any other text (null: unset) is
// warned about.
TEST(Testhaken, UmgebungUndFesterSchritt) {
    const std::pair<const char*, bool> faelle[] = {
        {nullptr, false}, {"", false},           {"7", true},   {"0.5", true},
        {"-1", false},    {"4294967296", false}, {"7x", false}, {"nan", false},
    };
    for (auto [wert, gilt] : faelle) {
        SCOPED_TRACE(wert ? wert : "(unset)");
        for (const char* name : {"NADREL_SAAT", "NADREL_SCHRITT", "NADREL_BILDER"})
            wert ? setenv(name, wert, 1) : unsetenv(name);
        TLogMitschrift log;
        const Spiel::Testhaken haken = Spiel::LiesTesthaken();
        EXPECT_EQ(haken.mSaat.has_value(), gilt);
        EXPECT_EQ(haken.mSchrittTicks != 0, gilt);
        EXPECT_EQ(haken.mBildgrenze != 0, gilt && std::string(wert) == "7");
        EXPECT_EQ(log.Enthaelt("?NADREL_SAAT="), wert && *wert && !gilt);
    }
    unsetenv("NADREL_SAAT");
    unsetenv("NADREL_BILDER");

    // A game timer on the fixed step advances by exactly that step every frame.
    setenv("NADREL_SCHRITT", "0.25", 1);
    Velm_Zeitgeber uhr(Spiel::LiesTesthaken().Zaehler());
    unsetenv("NADREL_SCHRITT");
    for (int bild = 0; bild < 3; ++bild) {
        uhr.Aktualisiere();
        EXPECT_EQ(uhr.LetzterSchritt(), gZaehlerFrequenz / 4);
    }
    EXPECT_EQ(Spiel::LiesTesthaken().Zaehler(), &Plattform::LiesZaehler);
}

// Each screenshot takes the first free number; a folder that cannot be made or a back buffer that
// cannot be read logs the failure and writes nothing.
TEST_F(Bildschirmfoto, ErsteFreieNummerUndFehler) {
    TTempOrdner temp;
    const fs::path ordner = temp.Pfad() / "screenshots";
    K().Leeren(1, TAlphaFarbe{1, 0, 0, 1});
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0000.png");
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0001.png");
    fs::remove(ordner / "screenshot0000.png");
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), ordner / "screenshot0000.png");
    EXPECT_EQ(mLog.Anzahl("Screenshot saved as \"" + (ordner / "screenshot0000.png").string() + "\"."), 2);
    Velm_Bild bild;
    ASSERT_TRUE(bild.LadeBildAusDatei(ordner / "screenshot0001.png"));
    EXPECT_EQ(bild.mDaten[2], 255);
    EXPECT_EQ(bild.mDaten[1], 0);

    mLog.mZeilen.clear();
    fs::remove_all(ordner);
    std::ofstream(ordner.string()) << "kein Ordner";
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    EXPECT_EQ(mLog.Anzahl("!Screenshot folder"), 1);
    fs::remove(ordner);
    IDirect3DDevice9* geraet = K().Impl().TauscheGeraet(nullptr);
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    K().Impl().TauscheGeraet(geraet);
    EXPECT_EQ(mLog.Anzahl("!Screenshot not saved"), 1);
    EXPECT_FALSE(fs::exists(ordner / "screenshot0000.png"));

    // A file that cannot be written (as on a full disk; here no write may grow a file) leaves no
    // empty screenshot to take the number.
    signal(SIGXFSZ, SIG_IGN);
    rlimit vorher{};
    getrlimit(RLIMIT_FSIZE, &vorher);
    const rlimit voll{0, vorher.rlim_max};
    setrlimit(RLIMIT_FSIZE, &voll);
    EXPECT_EQ(Spiel::SpeichereBildschirmfoto(K(), ordner), fs::path());
    setrlimit(RLIMIT_FSIZE, &vorher);
    EXPECT_EQ(
        mLog.Anzahl("!Screenshot \"" + (ordner / "screenshot0000.png").string() + "\" cannot be written."),
        1);
    EXPECT_TRUE(fs::is_empty(ordner));
    EXPECT_EQ(mLog.Anzahl("Screenshot saved"), 0);
}

// A missing or unusable image or font ends the start with the engine's exception naming the file,
// after the loader's line, and leaves both pointers null.
TEST_F(Overlay, FehlendeOderUnbrauchbareDateiBeendetDenStart) {
    const fs::path daten = NADREL_WURZEL "/Daten";
    const fs::path vorher = Velm_System::Global().mAnwendungsOrdner;
    // The image left out (an unreadable one takes the same path), written as a 16 x 16 image; or
    // the font left out.
    for (const std::string art : {"ohne", "klein", "ohne Schrift"}) {
        SCOPED_TRACE(art);
        TTempOrdner anwendung;
        const fs::path ziel = anwendung.Pfad() / "Daten";
        fs::create_directories(ziel);
        const std::string fehlt = art == "ohne Schrift" ? "calibrib.ttf" : "grafik.png";
        const std::string da = art == "ohne Schrift" ? "grafik.png" : "calibrib.ttf";
        fs::copy_file(daten / da, ziel / da);
        if (art == "klein") {
            ASSERT_TRUE(Velm_Bild(16, 16, Velm_FormatA8R8G8B8, 1).SpeicherePNG(ziel / "grafik.png"));
        }
        Velm_System::Global().mAnwendungsOrdner = anwendung.Pfad();
        mLog.mZeilen.clear();
        const std::string text = AusnahmeText(&Spiel::LadeOverlay);
        EXPECT_TRUE(text.starts_with("Spiel::LadeOverlay: ")) << text;
        EXPECT_NE(text.find((ziel / fehlt).string()), std::string::npos) << text;
        EXPECT_FALSE(mLog.mZeilen.empty()) << "the cause is logged";
        EXPECT_EQ(Spiel::gOverlayAtlas, nullptr);
        EXPECT_EQ(Spiel::gOverlayFont, nullptr);
    }
    Velm_System::Global().mAnwendungsOrdner = vorher;
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

int64_t gUhr = 0;
int64_t Uhr() {
    return gUhr;
}

class Menue : public OmvuTest::Umgebung {
protected:
    void SetUp() override {
        Umgebung::SetUp();
        Starte();
        Velm_Screen3D::mDarstellung = {1280, 720, 0, 0};
        Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
        mButtons = std::make_unique<Spiel::Buttons>(&mSpielZeit);
        Schritt(0.01f);
    }
    void TearDown() override {
        Velm_System::Global().mBeenden = false;
        Velm_System::Global().mAnwendungsOrdner = mOrdner;
        Umgebung::TearDown();
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

    // The game's first mouse at (x, y) as the input system reports it, and the receiver told of a move.
    bool Zeige(float x, float y) {
        Cursor(x, y);
        Frame();
        return mButtons->HandleMouseMove(nullptr, 5, 6);
    }

    const std::filesystem::path mOrdner = Velm_System::Global().mAnwendungsOrdner;
    Velm_Zeitgeber mSpielZeit{&Uhr};
    std::unique_ptr<Spiel::Buttons> mButtons;
};

// Key 1 (Escape) and mouse button 0 reach the surface as "back" and "confirm", pressed (3) and
// released (4); every other key and button is swallowed (kTasteKeine: the surface sees nothing).
TEST_F(Menue, NurEscapeLinksklickUndZeigerErreichenDieOberflaeche) {
    const std::tuple<bool, uint32_t, bool, int64_t, uint64_t> faelle[] = {
        {true, 1, true, Gui::kTasteZurueck, 3},       {true, 1, false, Gui::kTasteZurueck, 4},
        {true, 28, true, Gui::kTasteKeine, 0},        {false, 0, true, Gui::kTasteBestaetigen, 3},
        {false, 0, false, Gui::kTasteBestaetigen, 4}, {false, 1, true, Gui::kTasteKeine, 0},
    };
    for (auto [taste, code, gedrueckt, guiCode, zustand] : faelle) {
        SCOPED_TRACE(testing::Message() << taste << " " << code);
        std::vector<uint64_t> soll = Zustaende();
        if (guiCode != Gui::kTasteKeine)
            soll[size_t(guiCode)] = zustand;
        EXPECT_TRUE(taste ? mButtons->HandleKey(nullptr, code, gedrueckt)
                          : mButtons->HandleMouseButton(nullptr, code, gedrueckt));
        EXPECT_EQ(Zustaende(), soll);
    }
    EXPECT_TRUE(F().Kinder().empty()) << "Escape opens no menu here";

    // The first mouse's position, whatever the event says; (0, 0) without an input system.
    EXPECT_TRUE(Zeige(600, 450));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 1050);
    Omvu::Shutdown();
    EXPECT_TRUE(mButtons->HandleMouseMove(nullptr, 5, 6));
    EXPECT_EQ(F().ZeigerPosition().x + F().ZeigerPosition().y, 0);
}

// The first activation closes the menu; a second before the deletion 0.1 s later changes nothing.
TEST_F(Menue, SchliessenNachEinerZehntelsekunde) {
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
