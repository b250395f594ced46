// The overlay from the repository's data files on the headless device, and the start-up failure
// for every file that is missing or unusable.

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
        Kontext::TearDown();
    }

    std::filesystem::path mVorher;
};

TEST_F(Overlay, LaedtDieMitgeliefertenDateien) {
    Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
    Spiel::LadeOverlay();
    Velm_BlockGfx3D* atlas = Spiel::gOverlayAtlas;
    ASSERT_NE(atlas, nullptr);
    ASSERT_NE(Spiel::gOverlayFont, nullptr);

    const struct {
        uint64_t id, breite, hoehe;
    } sprites[] = {{0, 16, 16}, {1, 15, 15}, {2, 16, 16}};
    for (const auto& s : sprites) {
        ASSERT_TRUE(atlas->HatGrafik(s.id)) << s.id;
        EXPECT_EQ(atlas->mEintraege[s.id].breite, s.breite) << s.id;
        EXPECT_EQ(atlas->mEintraege[s.id].hoehe, s.hoehe) << s.id;
    }
    // Sprite 0, the GUI's rectangle, is opaque white all over.
    const Velm_BlockGfxEintrag& rechteck = atlas->mEintraege[0];
    const TBereich& kopie = atlas->mAtlas->mKopie[0];
    for (uint64_t y = 0; y < 16; ++y)
        for (uint64_t x = 0; x < 16; ++x)
            ASSERT_EQ(kopie.LiesPixel(rechteck.x + x, rechteck.y + y).w, 1.0f) << x << ", " << y;
    EXPECT_EQ(atlas->mAtlas->mBreite, 1024u);
    EXPECT_EQ(atlas->mKapazitaet, 1000u);
    EXPECT_FALSE(atlas->mMipsSchmutzig);
    EXPECT_NE(atlas->mAtlas->mTextur, nullptr);

    // Text waits in the font's queue until the caller flushes it.
    Velm_Font3D& font = *Spiel::gOverlayFont;
    Z().Null();
    font.SetStandardWerte();
    font.ZeichneText(0, 0, "Weiter");
    EXPECT_EQ(font.mAtlas->mWarteschlange.size(), 6u);
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 0);
    font.ZeichneWarteschlange();
    EXPECT_TRUE(font.mAtlas->mWarteschlange.empty());
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 1);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Overlay, FehlendeOderUnbrauchbareDateiBeendetDenStart) {
    const std::filesystem::path daten = NADREL_WURZEL "/Daten";
    const struct {
        const char* grafik; // copied, written as a 16 x 16 image ("klein"), as text ("kaputt"), or left out
        bool schrift;
        const char* fehlt;
    } faelle[] = {
        {nullptr, true, "grafik.png"}, {"kaputt", true, "grafik.png"}, {"klein", true, "grafik.png"},
        {"kopie", false, "calibrib.ttf"},
    };
    for (const auto& fall : faelle) {
        TTempOrdner anwendung;
        const std::filesystem::path ziel = anwendung.Pfad() / "Daten";
        std::filesystem::create_directories(ziel);
        const std::string art = fall.grafik ? fall.grafik : "";
        if (art == "kopie")
            std::filesystem::copy_file(daten / "grafik.png", ziel / "grafik.png");
        if (art == "klein") {
            ASSERT_TRUE(Velm_Bild(16, 16, Velm_FormatA8R8G8B8, 1).SpeicherePNG(ziel / "grafik.png"));
        }
        if (art == "kaputt")
            std::ofstream(ziel / "grafik.png") << "kein Bild";
        if (fall.schrift)
            std::filesystem::copy_file(daten / "calibrib.ttf", ziel / "calibrib.ttf");
        Velm_System::Global().mAnwendungsOrdner = anwendung.Pfad();
        mLog.mZeilen.clear();

        try {
            Spiel::LadeOverlay();
            ADD_FAILURE() << art << ": no exception";
        } catch (const Velm_Ausnahme& ausnahme) {
            EXPECT_NE(ausnahme.mText.find((ziel / fall.fehlt).string()), std::string::npos) << ausnahme.mText;
            EXPECT_EQ(ausnahme.mFunktion, "Spiel::LadeOverlay");
        }
        EXPECT_FALSE(mLog.mZeilen.empty()) << art << ": the cause is logged";
        EXPECT_EQ(Spiel::gOverlayAtlas, nullptr);
        EXPECT_EQ(Spiel::gOverlayFont, nullptr);
    }
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// The receiver's renderer draws the pause menu with the overlay: rectangles and text reach the
// back buffer, nothing stays queued.
TEST_F(Overlay, MenueMitDemOverlayGezeichnet) {
    Velm_System::Global().mAnwendungsOrdner = NADREL_WURZEL;
    Spiel::LadeOverlay();
    Velm_Zeitgeber spielZeit;
    Spiel::Buttons buttons(&spielZeit);
    buttons.mOberflaeche->AddKind(new Spiel::PauseMenu(&spielZeit));
    Velm_Zeitgeber::Global().Schritt(gZaehlerFrequenz); // laid out and faded in

    K().SetRenderZiel(nullptr);
    K().Leeren(1, {0, 0, 0, 1});
    Z().Null();
    buttons.mOberflaeche->ZeichneAlles(*buttons.mRenderer);
    EXPECT_GT(Z().Zahl("DrawIndexedPrimitive"), 0);
    EXPECT_TRUE(Spiel::gOverlayAtlas->mWarteschlange.empty());
    EXPECT_TRUE(Spiel::gOverlayFont->mAtlas->mWarteschlange.empty());
    Velm_Bild rueck(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    K().LiesBildschirmInhalt(rueck);
    int bemalt = 0;
    for (uint64_t y = 0; y < rueck.mHoehe; ++y)
        for (uint64_t x = 0; x < rueck.mBreite; ++x)
            bemalt += (rueck.LiesPixel(x, y).x + rueck.LiesPixel(x, y).y + rueck.LiesPixel(x, y).z) > 0;
    EXPECT_GT(bemalt, 0);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

} // namespace
