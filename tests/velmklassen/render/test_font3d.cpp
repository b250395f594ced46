// The bitmap fonts drawn through the sprite atlas: widths, alignment, wrapping and the "..." cut on
// a font of known glyphs, font files saved, loaded and broken, and fonts rasterised from a scalable
// font.

#include "testhilfe.h"

#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"

#include <cmath>
#include <fstream>
#include <ranges>
#include <string>
#include <tuple>

namespace {

using rendertest::Kontext;

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
