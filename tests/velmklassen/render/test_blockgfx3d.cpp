// The sprite atlas and its batcher, drawn headless into the 64 x 32 back buffer and read back; then
// the bitmap fonts drawn through it: widths, alignment, wrapping and the "..." cut on a font of known
// glyphs, font files saved, loaded and broken, and fonts rasterised from a scalable font.

#include "testhilfe.h"

#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <ranges>
#include <string>
#include <tuple>

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

// 'A': a 6 x 10 white block at offsets (1, 2), advance 8; '.': 2 x 2 at (0, 20), advance 4;
// U+00E9 like 'A'. The blank has no glyph. With spacing 0.1 of 24: w(A) = 10.4, w(.) = 6.4,
// a missing glyph 7.2.
class Font : public Kontext {
protected:
    void SetUp() override {
        Kontext::SetUp();
        mFont = std::make_unique<Velm_Font3D>();
        mFont->AddBuchstabe('A', *mWeiss, 0, 0, 6, 10, 1, 2, 8);
        mFont->AddBuchstabe('.', *mWeiss, 0, 0, 2, 2, 0, 20, 4);
        mFont->AddBuchstabe(233, *mWeiss, 0, 0, 6, 10, 1, 2, 8);
        mFont->mSofortZeichnen = false;
    }
    void TearDown() override {
        mFont.reset();
        Kontext::TearDown();
    }
    std::vector<Velm_BlockGfxQuad>& Schlange() { return mFont->mAtlas->mWarteschlange; }

    std::unique_ptr<Velm_Bild> mWeiss = rendertest::Einfarbig(8, 12, 0xFFFFFFFF);
    std::unique_ptr<Velm_Font3D> mFont;
    TTempOrdner mOrdner;
};

TEST_F(Font, BreitenUndUtf8) {
    const std::pair<const char*, float> faelle[] = {
        {"", 0}, {nullptr, 0}, {"A", 10.4f}, {"AA.", 27.2f}, {" ", 7.2f}, {"A A", 28},
        {"\xC3\xA9", 10.4f}, // U+00E9 as two bytes
        // The zero after a lead byte ends the text.
        {"A\xC3", 10.4f}, {"A\xE2\x82", 10.4f}, {"\xF0\x9F\x98", 0},
        // A broken sequence is one missing glyph, then the 'A's.
        {"\xC3" "A", 17.6f}, {"\xE2\x82" "AA", 28},
        {"\xA9", 7.2f}, // a lone byte below 192 is the code point itself
    };
    for (const auto& [text, breite] : faelle) {
        EXPECT_NEAR(mFont->GetTextBreite(text), breite, 1e-4) << (text ? text : "null");
    }
    mFont->SetHoehe(48);
    EXPECT_NEAR(mFont->GetTextBreite("A "), 2 * 8 + 4.8f + 0.3f * 48, 1e-4);

    // A glyph record missing for a graphic the atlas has: drawn and measured as missing.
    mFont->SetHoehe(24);
    mFont->mBuchstaben.resize(66);
    EXPECT_NEAR(mFont->GetTextBreite("A\xC3\xA9"), 10.4f + 7.2f, 1e-4);
    mFont->InternZeichneZeile(0, 0, "\xC3\xA9");
    EXPECT_TRUE(Schlange().empty());
}

TEST_F(Font, AusrichtungUndDrehung) {
    // Alignments and where they put the first glyph's quad.
    const std::tuple<uint32_t, uint32_t, float, float> faelle[] = {
        {0, 0, 101, 48}, {2, 0, 101 - 20.8f, 48}, {1, 0, 101 - 10.4f, 48}, {0, 8, 101, 24}, {0, 4, 101, 36}};
    for (const auto& [h, v, x, y] : faelle) {
        mFont->SetAusrichtung(h, v);
        mFont->ZeichneText(100, 50, "AA");
        ASSERT_EQ(Schlange().size(), 2u);
        EXPECT_NEAR(Schlange()[0].mZielX, x, 1e-3) << h << " " << v;
        EXPECT_NEAR(Schlange()[0].mZielY, y, 1e-3) << h << " " << v;
        Schlange().clear();
    }
    // Turned by a right angle the line runs downwards; the offsets are not turned.
    mFont->SetAusrichtung(0, 0);
    mFont->mWinkel = float(M_PI / 2);
    mFont->ZeichneText(100, 50, "AA");
    ASSERT_EQ(Schlange().size(), 2u);
    EXPECT_NEAR(Schlange()[1].mZielX, 101, 1e-3);
    EXPECT_NEAR(Schlange()[1].mZielY, 48 + 10.4f, 1e-3);
    EXPECT_NEAR(Schlange()[1].mWinkel, float(M_PI / 2), 1e-6);
}

TEST_F(Font, UmbruchImBereich) {
    // Text, box width and height, horizontal and vertical alignment, and the x and y of the quads
    // of the drawn glyphs.
    using Fall =
        std::tuple<const char*, float, float, uint32_t, uint32_t, std::vector<float>, std::vector<float>>;
    const Fall faelle[] = {
        // Breaks at blanks; the blank does not start the next line.
        {"A A A A A", 30, 100, 0, 0, {1, 18.6f, 1, 18.6f, 1}, {-2, -2, 23, 23, 48}},
        // No break opportunity: broken at the last glyph that fits.
        {"AAAAA", 30, 100, 0, 0, {1, 11.4f, 1, 11.4f, 1}, {-2, -2, 23, 23, 48}},
        // Two lines allowed: the second ends in "..." within the box, right after its text.
        {"A A A A A", 30, 50, 0, 0, {1, 18.6f, 1, 10.4f, 16.8f, 23.2f}, {-2, -2, 23, 41, 41, 41}},
        // A box lower than one line still takes one; a line feed ends a line.
        {"A\nA", 30, 10, 0, 0, {1, 10.4f, 16.8f, 23.2f}, {-2, 16, 16, 16}},
        {"A\nA", 30, 100, 0, 0, {1, 1}, {-2, 23}},
        // Centred lines and a block centred in the box: lines of 28 and 10.4 from x 6 and 14.8 in
        // 40 x 100, the block of 49 from y 25.5.
        {"A A A", 40, 100, 1, 4, {7, 24.6f, 15.8f}, {23.5f, 23.5f, 48.5f}},
        // A trailing blank that does not fit ends the text, not only its line: one line, at the
        // bottom of the box (from y 76) or in its middle (from y 38).
        {"A ", 10.4f, 100, 0, 8, {1}, {74}},
        {"A ", 10.4f, 100, 0, 4, {1}, {36}},
    };
    for (const auto& [text, breite, hoehe, horizontal, vertikal, xs, ys] : faelle) {
        mFont->SetAusrichtung(horizontal, vertikal);
        mFont->ZeichneTextImBereich(0, 0, breite, hoehe, "%s", text);
        ASSERT_EQ(Schlange().size(), xs.size()) << text;
        for (size_t i = 0; i < xs.size(); ++i) {
            EXPECT_NEAR(Schlange()[i].mZielX, xs[i], 1e-3) << text << " " << i;
            EXPECT_NEAR(Schlange()[i].mZielY, ys[i], 1e-3) << text << " " << i;
        }
        Schlange().clear();
    }
}

TEST_F(Font, PunkteAmEndeDesPuffers) {
    // The line ends with the buffer's last but one character: "..." reaches past the 9999.
    const std::string text = std::string(9997, 'A') + "\nA";
    mFont->ZeichneTextImBereich(0, 0, 1e6f, 10, "%s", text.c_str());
    ASSERT_EQ(Schlange().size(), 10000u);
    EXPECT_EQ(Schlange().back().mGrafikBreite, 2);
    EXPECT_EQ(Schlange()[9996].mGrafikBreite, 6);
    Schlange().clear();
    // Formatting cuts at 9999 characters.
    mFont->ZeichneFormatiert(0, 0, "%s%s", text.c_str(), text.c_str());
    EXPECT_EQ(Schlange().size(), 9998u);
}

TEST_F(Font, TextLandetAufDenPixeln) {
    mFont->mSofortZeichnen = true;
    Leere();
    mFont->mFarbe = {0, 1, 0, 1};
    mFont->ZeichneText(10, 10, "A");
    EXPECT_TRUE(Schlange().empty());
    LiesZurueck();
    // 6 x 10 from (11, 8): four native pixels up, then the glyph's offsets.
    for (const auto& [x, y, farbe] : {std::tuple{11, 8, 0xFF00FF00u}, {16, 17, 0xFF00FF00u},
                                      {10, 8, 0xFF000000u}, {17, 17, 0xFF000000u}, {11, 18, 0xFF000000u}}) {
        EXPECT_EQ(P(x, y), farbe) << x << ", " << y;
    }
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(Font, DateiSpeichernLadenUndKaputt) {
    const auto pfad = mOrdner.Pfad() / "test.fnt";
    ASSERT_TRUE(mFont->Speichern(pfad));
    Velm_Font3D geladen;
    ASSERT_TRUE(geladen.Laden(pfad));
    EXPECT_EQ(std::pair(geladen.mBuchstaben['A'].mVersatzX, geladen.mBuchstaben['.'].mVersatzY),
              std::pair(1, 20));
    EXPECT_NEAR(geladen.GetTextBreite("AA. \xC3\xA9"), 27.2f + 7.2f + 10.4f, 1e-4);

    const std::string ganz = TextDerDatei(pfad);
    // Version 256: no glyph count, no records; 256 glyphs whose advance is the graphic's width.
    std::string alt = ganz.substr(0, ganz.size() - 4 - 256 * 12);
    alt[6] = 1;
    alt[7] = 0;
    std::ofstream(pfad, std::ios::binary) << alt;
    ASSERT_TRUE(geladen.Laden(pfad));
    EXPECT_EQ(geladen.mBuchstaben['A'].mVorschub, 6);
    EXPECT_EQ(geladen.mBuchstaben['.'].mVersatzY, 0);

    // Cut anywhere, or a native height of 0: refused with a line, the font keeps what it had.
    const std::pair<std::string, const char*> faelle[] = {
        {ganz.substr(0, 0), "Header ist ungültig"}, {ganz.substr(0, 3), "Header ist ungültig"},
        {ganz.substr(0, 30), "Block ist abgeschnitten"},
        {ganz.substr(0, ganz.size() / 2), "Block ist abgeschnitten"},
        {ganz.substr(0, ganz.size() - 13), "Datei ist abgeschnitten"},
        {ganz.substr(0, ganz.size() - 1), "Datei ist abgeschnitten"},
        {std::string(ganz).replace(8, 4, 4, '\0'), "Header ist ungültig"}};
    for (const auto& [text, zeile] : faelle) {
        std::ofstream(pfad, std::ios::binary) << text;
        const int vorher = mLog.Anzahl(zeile);
        EXPECT_FALSE(geladen.Laden(pfad)) << text.size();
        EXPECT_EQ(mLog.Anzahl(zeile), vorher + 1) << text.size();
        EXPECT_EQ(geladen.mBuchstaben['A'].mVorschub, 6);
    }
    EXPECT_FALSE(geladen.Laden(mOrdner.Pfad() / "fehlt.fnt"));
    EXPECT_TRUE(mLog.Enthaelt("fehlt.fnt\"): Datei konnte nicht gelesen werden."));
}

// Rasterised from the overlay font: which glyphs it has, where they sit, and the font file made of it.
TEST_F(Font, AusSkalierbarerSchriftUndIhreDatei) {
    const auto font = Velm_Font3D::LadeSchriftart(VELM_DATEN "/calibrib.ttf");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mNativeHoehe, 24);
    const auto codepunkte = std::views::iota(0u, uint32_t(font->mBuchstaben.size()));
    EXPECT_EQ(std::ranges::count_if(codepunkte, [&](uint32_t c) { return font->HatBuchstabe(c); }), 230);
    // It has ' ~ Ж ё ž; it lacks the blank, = | and the code point after ё.
    for (const auto& [c, da] : {std::pair{0x27u, true}, {0x7Eu, true}, {0x416u, true}, {0x451u, true},
                                {0x17Eu, true}, {0x20u, false}, {0x3Du, false}, {0x7Cu, false},
                                {0x452u, false}}) {
        EXPECT_EQ(font->HatBuchstabe(c), da) << c;
    }
    // Every glyph sits on the baseline 24 pixels below the line's top; "g" reaches below it.
    const auto unten = [&](uint32_t c) {
        return font->mBuchstaben[c].mVersatzY + int(font->mAtlas->mEintraege[c].hoehe);
    };
    EXPECT_NEAR(unten('A'), 24, 1);
    EXPECT_NEAR(unten('x'), 24, 1);
    EXPECT_GT(unten('g'), 26);
    EXPECT_GT(font->mBuchstaben['W'].mVorschub, font->mBuchstaben['i'].mVorschub);
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    // Saved, loaded and saved again: the same bytes.
    const auto pfad = mOrdner.Pfad() / "calibrib.fnt";
    ASSERT_TRUE(font->Speichern(pfad));
    Velm_Font3D geladen;
    ASSERT_TRUE(geladen.Laden(pfad));
    ASSERT_TRUE(geladen.Speichern(mOrdner.Pfad() / "wieder.fnt"));
    EXPECT_EQ(TextDerDatei(mOrdner.Pfad() / "wieder.fnt"), TextDerDatei(pfad));
}

// The overlay sprite sheet as the game loads it: sprite 0 opaque white, the key with see-through
// texels around it.
TEST(Overlaygrafik, SpritesDerMitgeliefertenDatei) {
    Velm_Bild bild;
    ASSERT_TRUE(bild.LadeBildAusDatei(VELM_DATEN "/grafik.png"));
    ASSERT_EQ(std::pair(bild.mBreite, bild.mHoehe), std::pair(uint64_t(48), uint64_t(16)));
    for (uint64_t y = 0; y < 16; ++y) {
        for (uint64_t x = 16; x < 32; ++x) {
            ASSERT_EQ(Pixel(bild, x, y), 0xFFFFFFFFu) << x << ", " << y;
        }
    }
    // Alpha of the disc's centre and corner, around the key, its ring and the hole in it.
    for (const auto& [x, y, alpha] :
         {std::tuple{7, 7, 255}, {0, 0, 0}, {32, 0, 0}, {34, 7, 255}, {36, 7, 0}}) {
        EXPECT_EQ(bild.mDaten[y * bild.mPitch + x * 4 + 3], alpha) << x << ", " << y;
    }
}

TEST_F(Font, FehlerWerdenGemeldet) {
    std::ofstream(mOrdner.Pfad() / "leer.ttf");
    // A bitmap font is not scalable.
    std::ofstream(mOrdner.Pfad() / "punkte.bdf")
        << "STARTFONT 2.1\nFONT x\nSIZE 1 75 75\nFONTBOUNDINGBOX 1 1 0 0\nCHARS 1\nSTARTCHAR A\n"
           "ENCODING 65\nDWIDTH 1 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n";
    for (const auto& [name, muster] : {std::pair{"fehlt.ttf", "!Kann Schriftart \"%s\" nicht öffnen."},
                                       {"leer.ttf", "!Schriftart \"%s\" nicht lesbar mit Fehlercode"},
                                       {"punkte.bdf", "?Schriftart \"%s\" ist nicht frei skalierbar."}}) {
        const auto pfad = mOrdner.Pfad() / name;
        std::string zeile = muster;
        zeile.replace(zeile.find("%s"), 2, pfad.string());
        EXPECT_EQ(Velm_Font3D::LadeSchriftart(pfad), nullptr) << name;
        EXPECT_TRUE(mLog.Enthaelt(zeile)) << zeile;
    }
}

} // namespace
