// The game's entry and the frame loop's parts that need no window: the exit code, the exception
// line and the saved configuration for every way a run can end; the overlay's start-up failures,
// screenshots and their failures on the headless device; the pause fade and the fps figure, also
// for a step of 0.

#include "nadrel/anwendung.h"
#include "nadrel/bildschirmfoto.h"
#include "nadrel/overlay.h"
#include "nadrel/testhaken.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/render_testhilfe.h"

#include <fstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

using Bildschirmfoto = rendertest::Kontext;
using Overlay = rendertest::Kontext;

TEST(Eintritt, JedesEndeSpeichertDieKonfiguration) {
    const fs::path benutzer = Velm_System::Global().mBenutzerOrdner;
    const struct Fall {
        const char* name;
        std::function<void()> lauf;
        int ergebnis;
        const char* zeile; // "" when no exception line is expected
    } faelle[] = {
        {"normal", [] {}, 0, ""},
        {"engine", [] { Velm_WirfAusnahme("kaputt", "Spiel::X", "x.cpp", 12); }, -1,
         "Exception thrown: x.cpp (12) - Spiel::X(): kaputt"},
        {"standard", [] { throw std::runtime_error("filesystem error: nope"); }, -1,
         "- Spiel::Eintritt(): filesystem error: nope"},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        fs::remove(benutzer / "spiel.cfg");
        TLogMitschrift log;
        EXPECT_EQ(Spiel::Eintritt(fall.lauf), fall.ergebnis);
        EXPECT_TRUE(fs::exists(benutzer / "spiel.cfg"));
        EXPECT_EQ(log.Enthaelt("Exception thrown"), *fall.zeile != 0);
        EXPECT_TRUE(log.Enthaelt(fall.zeile));
    }
}

TEST(Bildschleife, PausenblendeUndFps) {
    const int64_t f = gZaehlerFrequenz;
    const struct Fall {
        float staerke;
        int64_t schritt;
        bool pausiert;
        float danach;
    } faelle[] = {
        {0, f / 4, true, 0.5f},   {0.9f, f / 10, true, 1}, {1, f / 10, false, 0.8f},
        {0.1f, f / 10, false, 0}, {0.3f, 0, true, 0.3f},   {0.3f, 0, false, 0.3f},
    };
    for (const Fall& fall : faelle)
        EXPECT_FLOAT_EQ(Spiel::Pausenstaerke(fall.staerke, fall.schritt, fall.pausiert), fall.danach);

    const struct {
        int64_t schritt;
        int fps;
    } fps[] = {{f / 60, 60}, {int64_t(f * 0.0167), 60}, {f * 3, 0}, {0, 0}, {-5, 0}};
    for (const auto& fall : fps)
        EXPECT_EQ(Spiel::BilderProSekunde(fall.schritt), fall.fps) << fall.schritt;
}

TEST(Testhaken, UmgebungUndFesterSchritt) {
    const struct Fall {
        const char* wert; // null: unset
        bool gilt;
        bool warnung;
    } faelle[] = {
        {nullptr, false, false}, {"", false, false},          {"7", true, false},  {"0.5", true, false},
        {"-1", false, true},     {"4294967296", false, true}, {"7x", false, true}, {"nan", false, true},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.wert ? fall.wert : "(unset)");
        for (const char* name : {"NADREL_SAAT", "NADREL_SCHRITT", "NADREL_BILDER"}) {
            if (fall.wert)
                setenv(name, fall.wert, 1);
            else
                unsetenv(name);
        }
        TLogMitschrift log;
        const Spiel::Testhaken haken = Spiel::LiesTesthaken();
        EXPECT_EQ(haken.mSaat.has_value(), fall.gilt);
        EXPECT_EQ(haken.mSchrittTicks != 0, fall.gilt && std::string(fall.wert) != "0");
        EXPECT_EQ(haken.mBildgrenze != 0, fall.gilt && std::string(fall.wert) == "7");
        EXPECT_EQ(log.Enthaelt("?NADREL_SAAT="), fall.warnung);
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
    EXPECT_EQ(mLog.Anzahl("Screenshot saved"), 0);
}

// A missing or unusable image or font ends the start with the engine's exception naming the file,
// after the loader's line, and leaves both pointers null.
TEST_F(Overlay, FehlendeOderUnbrauchbareDateiBeendetDenStart) {
    const fs::path daten = NADREL_WURZEL "/Daten";
    const fs::path vorher = Velm_System::Global().mAnwendungsOrdner;
    // The image left out, written as text, written as a 16 x 16 image; or the font left out.
    for (const std::string art : {"ohne", "kaputt", "klein", "ohne Schrift"}) {
        SCOPED_TRACE(art);
        TTempOrdner anwendung;
        const fs::path ziel = anwendung.Pfad() / "Daten";
        fs::create_directories(ziel);
        const std::string fehlt = art == "ohne Schrift" ? "calibrib.ttf" : "grafik.png";
        const std::string da = art == "ohne Schrift" ? "grafik.png" : "calibrib.ttf";
        fs::copy_file(daten / da, ziel / da);
        if (art == "kaputt")
            std::ofstream(ziel / "grafik.png") << "kein Bild";
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

} // namespace
