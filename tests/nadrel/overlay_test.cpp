// The overlay on the headless device: the pause menu drawn with the repository's files, and the
// start-up failure for every file that is missing or unusable.

#include "nadrel/buttons.h"
#include "nadrel/overlay.h"
#include "nadrel/pausemenu.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/render_testhilfe.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_textur.h"

#include <fstream>

namespace {

class Overlay : public rendertest::Kontext {
protected:
    void SetUp() override {
        Kontext::SetUp();
        mVorher = Velm_System::Global().mAnwendungsOrdner;
    }
    // The overlay lives as long as the process in the game; here each test ends it itself,
    // before the drawing context goes.
    void TearDown() override {
        delete Spiel::gOverlayAtlas;
        delete Spiel::gOverlayFont;
        Spiel::gOverlayAtlas = nullptr;
        Spiel::gOverlayFont = nullptr;
        Velm_System::Global().mAnwendungsOrdner = mVorher;
        EXPECT_EQ(mBrueche.Anzahl(), 0);
        Kontext::TearDown();
    }

    std::filesystem::path mVorher;
};

TEST_F(Overlay, FehlendeOderUnbrauchbareDateiBeendetDenStart) {
    const std::filesystem::path daten = NADREL_WURZEL "/Daten";
    // The image left out, written as text, written as a 16 x 16 image; or the font left out.
    for (const std::string art : {"ohne", "kaputt", "klein", "ohne Schrift"}) {
        SCOPED_TRACE(art);
        TTempOrdner anwendung;
        const std::filesystem::path ziel = anwendung.Pfad() / "Daten";
        std::filesystem::create_directories(ziel);
        const std::string fehlt = art == "ohne Schrift" ? "calibrib.ttf" : "grafik.png";
        const std::string da = art == "ohne Schrift" ? "grafik.png" : "calibrib.ttf";
        std::filesystem::copy_file(daten / da, ziel / da);
        if (art == "kaputt")
            std::ofstream(ziel / "grafik.png") << "kein Bild";
        if (art == "klein") {
            ASSERT_TRUE(Velm_Bild(16, 16, Velm_FormatA8R8G8B8, 1).SpeicherePNG(ziel / "grafik.png"));
        }
        Velm_System::Global().mAnwendungsOrdner = anwendung.Pfad();
        mLog.mZeilen.clear();

        try {
            Spiel::LadeOverlay();
            ADD_FAILURE() << "no exception";
        } catch (const Velm_Ausnahme& ausnahme) {
            EXPECT_NE(ausnahme.mText.find((ziel / fehlt).string()), std::string::npos) << ausnahme.mText;
            EXPECT_EQ(ausnahme.mFunktion, "Spiel::LadeOverlay");
        }
        EXPECT_FALSE(mLog.mZeilen.empty()) << "the cause is logged";
        EXPECT_EQ(Spiel::gOverlayAtlas, nullptr);
        EXPECT_EQ(Spiel::gOverlayFont, nullptr);
    }
}

// The receiver's renderer draws the pause menu with the shipped overlay: its sprites are there,
// rectangles and text reach the back buffer, nothing stays queued.
TEST_F(Overlay, MenueMitDemOverlayGezeichnet) {
    Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
    Spiel::LadeOverlay();
    Velm_BlockGfx3D* atlas = Spiel::gOverlayAtlas;
    ASSERT_NE(atlas, nullptr);
    ASSERT_NE(Spiel::gOverlayFont, nullptr);
    for (uint64_t id : {0, 1, 2})
        EXPECT_TRUE(atlas->HatGrafik(id)) << id;
    // Sprite 0, the GUI's rectangle, is opaque white all over.
    const Velm_BlockGfxEintrag& rechteck = atlas->mEintraege[0];
    ASSERT_EQ(rechteck.breite * rechteck.hoehe, 256u);
    for (uint64_t y = 0; y < 16; ++y)
        for (uint64_t x = 0; x < 16; ++x)
            ASSERT_EQ(atlas->mAtlas->mKopie[0].LiesPixel(rechteck.x + x, rechteck.y + y).w, 1.0f)
                << x << ", " << y;

    Velm_Zeitgeber spielZeit;
    Spiel::Buttons buttons(&spielZeit);
    buttons.mOberflaeche->AddKind(new Spiel::PauseMenu(&spielZeit));
    Velm_Zeitgeber::Global().Schritt(gZaehlerFrequenz); // laid out and faded in
    K().SetRenderZiel(nullptr);
    K().Leeren(1, {0, 0, 0, 1});
    Z().Null();
    buttons.mOberflaeche->ZeichneAlles(*buttons.mRenderer);
    EXPECT_GT(Z().Zahl("DrawIndexedPrimitive"), 0);
    EXPECT_TRUE(atlas->mWarteschlange.empty());
    EXPECT_TRUE(Spiel::gOverlayFont->mAtlas->mWarteschlange.empty());
    Velm_Bild rueck(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    K().LiesBildschirmInhalt(rueck);
    int bemalt = 0;
    for (uint64_t y = 0; y < rueck.mHoehe; ++y)
        for (uint64_t x = 0; x < rueck.mBreite; ++x)
            bemalt += rueck.LiesPixel(x, y).x + rueck.LiesPixel(x, y).y + rueck.LiesPixel(x, y).z > 0;
    EXPECT_GT(bemalt, 0);
}

} // namespace
