// The sprite atlas and its batcher, drawn headless into the 64 x 32 back buffer and read back.

#include "testhilfe.h"

#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_blockgfx3d.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

namespace {

using rendertest::Kontext;
using rendertest::Einfarbig;

class Sprites : public Kontext {
protected:
    // Clears the back buffer to `grund`, draws one sprite and reads the back buffer.
    void Male(Velm_BlockGfx3D& gfx, uint64_t id, float x, float y, const TAlphaFarbe& farbe = {1, 1, 1, 1},
              float breite = 0, float hoehe = 0, float winkel = 0, const TAlphaFarbe& grund = {0, 0, 0, 1}) {
        Leere(grund);
        gfx.ZeichneGrafik(id, x, y, farbe, breite, hoehe, winkel);
        gfx.Zeichne();
        LiesZurueck();
    }
};

// 20 x 20 texels, every one different: red counts columns, green rows.
std::unique_ptr<Velm_Bild> Muster() {
    auto bild = std::make_unique<Velm_Bild>(20, 20, Velm_FormatA8R8G8B8, 1);
    for (uint64_t y = 0; y < 20; ++y) {
        for (uint64_t x = 0; x < 20; ++x) {
            const uint32_t pixel = 0xFF000080u | uint32_t(x * 8 + 4) << 16 | uint32_t(y * 8 + 4) << 8;
            std::memcpy(bild->mDaten + y * bild->mPitch + x * 4, &pixel, 4);
        }
    }
    return bild;
}

TEST_F(Sprites, SpriteLandetGenauAufSeinenPixeln) {
    Velm_BlockGfx3D gfx(0, 16, 0);
    const auto bild = Muster();
    gfx.AddGrafik(5, *bild, 2, 3, 16, 12);
    gfx.ZeichneGrafik(99, 0, 0, {1, 1, 1, 1}); // no such graphic: nothing queued
    EXPECT_TRUE(gfx.mWarteschlange.empty());
    Male(gfx, 5, 10, 4);
    for (uint64_t y = 2; y < 18; ++y) {
        for (uint64_t x = 8; x < 28; ++x) {
            const bool innen = x >= 10 && x < 26 && y >= 4 && y < 16;
            const uint32_t erwartet = innen ? Pixel(*bild, x - 10 + 2, y - 4 + 3) : 0xFF000000u;
            ASSERT_EQ(P(x, y), erwartet) << x << ", " << y;
        }
    }
    // Mirrored by a negative width: the quad spans leftwards from x.
    Male(gfx, 5, 40, 4, {1, 1, 1, 1}, -16, 12);
    EXPECT_EQ(P(39, 4), Pixel(*bild, 2, 3));
    EXPECT_EQ(P(24, 4), Pixel(*bild, 17, 3));
    EXPECT_EQ(P(40, 4), 0xFF000000u);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Sprites, DrehungUmDenMittelpunkt) {
    Velm_BlockGfx3D gfx(64, 16, 0);
    gfx.AddGrafik(0, *Einfarbig(8, 4, 0xFFFFFFFF), 0, 0, 8, 4);
    gfx.mZentriert = true;
    Male(gfx, 0, 32, 16, {1, 1, 1, 1}, 0, 0, float(M_PI / 2));
    // 8 x 4 turned upright about (32, 16): columns 30 to 33, rows 12 to 19.
    for (uint64_t y = 10; y < 22; ++y) {
        for (uint64_t x = 27; x < 37; ++x) {
            const bool innen = x >= 30 && x < 34 && y >= 12 && y < 20;
            ASSERT_EQ(P(x, y), innen ? 0xFFFFFFFFu : 0xFF000000u) << x << ", " << y;
        }
    }
}

TEST_F(Sprites, FaerbungVormultipliziertUndAdditiv) {
    Velm_BlockGfx3D gfx(64, 16, 0);
    gfx.AddGrafik(1, *Einfarbig(4, 4, 0x80FFFFFF), 0, 0, 4, 4);
    // Half white over blue, tinted red; added (nothing of the blue is lost); fully transparent.
    for (const auto& [farbe, erwartet] :
         {std::pair{TAlphaFarbe{1, 1, 1, 1}, 0xFF8080FFu}, {{1, 0, 0, 1}, 0xFF800080u},
          {{1, 1, 1, -1}, 0xFF8080FFu}, {{1, 0, 0, -1}, 0xFF8000FFu}, {{1, 1, 1, 0}, 0xFF0000FFu}}) {
        Male(gfx, 1, 8, 8, farbe, 0, 0, 0, {0, 0, 1, 1});
        EXPECT_TRUE(rendertest::Nahe(P(9, 9), erwartet)) << std::hex << P(9, 9) << " for " << erwartet;
        EXPECT_EQ(P(7, 9), 0xFF0000FFu);
    }
}

// Normal-map sprites: red and green hold a direction that turns with the quad.
TEST_F(Sprites, RotiertesProgrammDrehtDieNormale) {
    Velm_BlockGfx3D gfx(64, 16, Velm_BlockGfx3D::kFlagRotiert);
    gfx.AddGrafik(0, *Einfarbig(4, 4, 0xFFFF8000), 0, 0, 4, 4); // the direction (1, 0)
    gfx.mZentriert = true;
    for (const auto& [winkel, erwartet] :
         {std::pair{0.0f, 0xFFFF8000u}, {float(M_PI / 2), 0xFF80FF00u}, {float(M_PI), 0xFF008000u}}) {
        Male(gfx, 0, 16, 16, {1, 1, 1, 1}, 0, 0, winkel);
        EXPECT_TRUE(rendertest::Nahe(P(16, 16), erwartet)) << std::hex << P(16, 16) << " at " << winkel;
    }
}

TEST_F(Sprites, MehrQuadsAlsEinStueckFasstUndBatcherVorDemKontext) {
    Velm_BlockGfx3D gfx(64, 4, 0);
    gfx.AddGrafik(0, *Einfarbig(1, 1, 0xFFFFFFFF), 0, 0, 1, 1);
    Leere();
    for (int i = 0; i < 10; ++i) {
        gfx.ZeichneGrafik(0, float(3 * i), 1, {1, 1, 1, 1});
    }
    Z().Null();
    gfx.Zeichne();
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 3);
    LiesZurueck();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(P(3 * i, 1), 0xFFFFFFFFu) << i;
        EXPECT_EQ(P(3 * i + 1, 1), 0xFF000000u) << i;
    }
    // An empty queue binds and draws nothing.
    Z().Null();
    gfx.Zeichne();
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 0);
    EXPECT_EQ(Z().Zahl("SetVertexShader"), 0);

    // Made before the drawing context (a font that only measures, say), a batcher draws once there is one.
    Velm_Screen3D::Kontext = nullptr;
    Velm_BlockGfx3D frueh(64, 4, 0);
    Velm_Screen3D::Kontext = mKontext.get();
    frueh.AddGrafik(0, *Einfarbig(2, 2, 0xFFFFFFFF), 0, 0, 2, 2);
    Male(frueh, 0, 5, 5);
    EXPECT_EQ(P(6, 6), 0xFFFFFFFFu);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Sprites, WachstumBehaeltJedeGrafik) {
    Velm_BlockGfx3D gfx(0, 16, 0);
    const uint32_t farben[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    const uint64_t groessen[] = {500, 100, 100};
    Velm_Bild bild(500, 500, Velm_FormatA8R8G8B8, 1);
    // Graphic 0 does not fit beside 2 and 1: the atlas doubles and repacks them in id order.
    for (uint64_t id : {2, 1, 0}) {
        rendertest::Fuelle(bild, farben[id]);
        gfx.AddGrafik(id, bild, 0, 0, groessen[id], groessen[id]);
    }
    ASSERT_EQ(gfx.mAtlas->mBreite, 1024u);
    EXPECT_EQ(std::pair(gfx.mEintraege[1].x, gfx.mEintraege[2].x), std::pair(uint64_t(0), uint64_t(100)));
    // Each whole in the atlas copy, and drawn.
    Leere();
    for (uint64_t id = 0; id < 3; ++id) {
        gfx.ZeichneGrafik(id, float(id * 20), 0, {1, 1, 1, 1}, 16, 16);
    }
    gfx.Zeichne();
    LiesZurueck();
    for (uint64_t id = 0; id < 3; ++id) {
        const Velm_BlockGfxEintrag& e = gfx.mEintraege[id];
        const uint64_t r = groessen[id] - 1;
        EXPECT_EQ(Pixel(gfx.mAtlas->mKopie[0], e.x, e.y), farben[id]) << id;
        EXPECT_EQ(Pixel(gfx.mAtlas->mKopie[0], e.x + r, e.y + r), farben[id]) << id;
        EXPECT_EQ(P(id * 20 + 8, 8), farben[id]) << id;
    }

    // Removing frees the place; a second removal is refused with its line.
    gfx.Entfernen(1);
    EXPECT_FALSE(gfx.HatGrafik(1));
    gfx.Entfernen(1);
    EXPECT_EQ(mLog.Anzahl("!Velm_BlockGfx3D::Entfernen( 1): Keine Grafik mit dieser ID definiert."), 1);
    gfx.AddGrafik(7, Velm_Bild(4, 4, Velm_FormatA8, 1), 1, 2, 3, 4);
    EXPECT_TRUE(mLog.Enthaelt("AddGrafik( 7, ..., 1, 2, 3, 4): Quellgrafik muss vom Format A8R8G8B8 sein."));
    EXPECT_FALSE(gfx.HatGrafik(7));
    // Rectangles reaching out of the source, and one no atlas can hold, add nothing.
    for (const auto& [x, y, b, h] : {std::array<uint64_t, 4>{490, 0, 11, 1}, {0, 499, 1, 2}, {600, 0, 0, 0},
                                      {0, 0, UINT64_MAX, 1}}) {
        gfx.AddGrafik(8, bild, x, y, b, h);
    }
    EXPECT_EQ(mLog.Anzahl("Rechteck liegt außerhalb der Quellgrafik."), 4);
    gfx.ReservierePlatz(8, 1 << 20, 1);
    EXPECT_TRUE(mLog.Enthaelt("AddGrafik( 8, ..., 1048576, 1): Grafik passt in keinen Atlas."));
    EXPECT_FALSE(gfx.HatGrafik(8));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Sprites, FluechtigerAtlasWaechstOhneKopie) {
    Velm_BlockGfx3D gfx(512, 16, Velm_BlockGfx3D::kFlagRenderziel);
    gfx.ReservierePlatz(0, 300, 300);
    gfx.ReservierePlatz(1, 300, 300);
    EXPECT_EQ(gfx.mAtlas->mBreite, 1024u);
    ASSERT_TRUE(gfx.HatGrafik(0) && gfx.HatGrafik(1));
    EXPECT_FALSE(TPlatzRechteck({gfx.mEintraege[0].x, gfx.mEintraege[0].y, 300, 300})
                     .Ueberlappt({gfx.mEintraege[1].x, gfx.mEintraege[1].y, 300, 300}));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// Saved and loaded again, also as the older version 257 made of the same block (8 reserved bytes
// after the version, no flags word, one size for width and height of the square atlas).
TEST_F(Sprites, AtlasblockSpeichernUndLaden) {
    TSpeicher speicher;
    {
        Velm_BlockGfx3D gfx(64, 32, 0);
        gfx.AddGrafik(3, *Muster(), 0, 0, 20, 20);
        gfx.AddGrafik(70, *Muster(), 4, 4, 7, 9);
        gfx.mZentriert = true;
        gfx.Speichern(speicher);
    }
    const std::string ganz(reinterpret_cast<const char*>(speicher.Daten()), speicher.Groesse());
    std::string alt = ganz;
    alt.erase(alt.size() - 64 * 64 * 4 - 4, 4);
    alt.erase(13, 4);
    alt.insert(8, 8, '\0');
    alt[7] = 1;
    Velm_BlockGfx3D gfx(0, 0, 0);
    // Loads the bytes as a block; true if that worked and took all of them.
    const auto lade = [&gfx](const std::string& bytes) {
        TSpeicher block;
        block.SchreibeBlock(bytes.data(), bytes.size());
        block.ZumAnfang();
        return gfx.Laden(block) && block.Rest() == 0;
    };
    for (const std::string& block : {ganz, alt}) {
        ASSERT_TRUE(lade(block));
        EXPECT_TRUE(gfx.mZentriert);
        EXPECT_EQ(gfx.mKapazitaet, 32u);
        ASSERT_TRUE(gfx.HatGrafik(3) && gfx.HatGrafik(70));
        gfx.mZentriert = false;
        Male(gfx, 70, 1, 1);
        EXPECT_EQ(P(1, 1), Pixel(*Muster(), 4, 4));
        EXPECT_EQ(P(7, 9), Pixel(*Muster(), 10, 12));
    }

    // Every cut of the block is refused with its line and leaves the batcher as it was; so is
    // another block.
    for (size_t laenge : {size_t(4), size_t(10), size_t(30), ganz.size() / 2, ganz.size() - 1}) {
        EXPECT_FALSE(lade(ganz.substr(0, laenge))) << laenge;
        EXPECT_TRUE(gfx.HatGrafik(70));
    }
    EXPECT_EQ(mLog.Anzahl("!Velm_BlockGfx3D::Laden: Block ist abgeschnitten oder beschädigt."), 5);
    EXPECT_FALSE(lade("FX3E"));
    // A loaded atlas takes further graphics.
    ASSERT_TRUE(lade(ganz));
    gfx.AddGrafik(5, *Einfarbig(4, 4, 0xFF00FF00), 0, 0, 4, 4);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

// One pipeline (the plain and the rotated program) for all batchers, released with the last.
TEST_F(Sprites, PipelineGeteiltVonAllenBatchern) {
    Z().Null();
    {
        Velm_BlockGfx3D a(0, 0, 0), b(0, 0, Velm_BlockGfx3D::kFlagRotiert);
        EXPECT_EQ(Z().Zahl("CreateVertexShader"), 2);
    }
    Velm_BlockGfx3D c(0, 0, 0);
    EXPECT_EQ(Z().Zahl("CreateVertexShader"), 4);
}

} // namespace
