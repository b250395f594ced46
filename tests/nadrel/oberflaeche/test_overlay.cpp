// The overlay's start-up: a missing or unusable image or font ends it with the file's name and
// leaves both pointers null.

#include "nadrel/oberflaeche/overlay.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/testhilfe.h"

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

using Overlay = rendertest::Kontext;

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

} // namespace
