// The console display drawn headless at a known screen size and read back: the panel, the input
// bar with its cursor and input, and the colour of each line.

#include "testhilfe.h"

#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_konsolenstand.h"
#include "velmklassen/render/velm_konsolestandardanzeige.h"

#include <tuple>
#include <variant>

namespace {

constexpr uint32_t kPanel = 0xFF0D1320, kBalken = 0xFF202020, kCursor = 0xFF8F8F10, kSchwarz = 0xFF000000;

class KonsolenAnzeige : public rendertest::Kontext {
protected:
    KonsolenAnzeige() {
        mBildBreite = 320;
        mBildHoehe = 448;
    }

    // A console whose 24-pixel font has one glyph, "F": an opaque 10 x 16 block 4 pixels below
    // the line's top, advancing 10 pixels.
    std::unique_ptr<Velm_KonsoleStandardAnzeige> Anzeige(const char* schriftDatei = "") {
        auto anzeige = std::make_unique<Velm_KonsoleStandardAnzeige>(schriftDatei);
        anzeige->mSchrift->AddBuchstabe('F', *rendertest::Einfarbig(10, 16, ~0u), 0, 0, 10, 16, 0, 4, 10);
        anzeige->mGezeigt = true;
        return anzeige;
    }

    void Zeichne(Velm_KonsoleStandardAnzeige& anzeige) {
        Leere();
        anzeige.Zeichne();
        LiesZurueck();
    }

    ::testing::AssertionResult Ist(int64_t x, int64_t y, uint32_t soll) const {
        if (rendertest::Nahe(P(x, y), soll))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << x << "," << y << ": " << std::hex << P(x, y);
    }
};

} // namespace

TEST_F(KonsolenAnzeige, PanelEingabebalkenCursorUndEingabe) {
    auto anzeige = Anzeige("gibt es nicht.fnt");
    EXPECT_NE(anzeige->mStand.mZeilen.back().find("!Velm_Font3D::Laden"), std::string::npos);
    anzeige->mStand.mZeilen.clear();
    anzeige->mGezeigt = false;
    Zeichne(*anzeige);
    EXPECT_TRUE(Ist(100, 100, kSchwarz)) << "hidden";

    // The bar is h + 6 = 30 pixels high; the cursor stands after ">" (no glyph: 0.3 x 24 pixels).
    anzeige->mGezeigt = true;
    Zeichne(*anzeige);
    for (auto [x, y, farbe] : {std::tuple{0, 0, kPanel}, {319, 399, kPanel}, {319, 400, kBalken},
                               {0, 429, kBalken}, {319, 430, kSchwarz}, {11, 410, kBalken},
                               {12, 410, kCursor}, {13, 429, kCursor}, {14, 410, kBalken}})
        EXPECT_TRUE(Ist(x, y, farbe));

    // Keys of the table and characters with a glyph or the blank are taken; the cursor moves by
    // the glyph's advance and the spacing, 10 + 2.4 pixels.
    EXPECT_TRUE(anzeige->HandleKey(nullptr, Velm_KonsolenStand::kLinks, true));
    EXPECT_FALSE(anzeige->HandleKey(nullptr, Velm_KonsolenStand::kLinks, false));
    EXPECT_FALSE(anzeige->HandleKey(nullptr, 30, true));
    for (auto [zeichen, genommen] : {std::pair{U'F', true}, {U'G', false}, {U' ', true}, {U'\0', false}})
        EXPECT_EQ(anzeige->HandleCharacter(nullptr, zeichen), genommen) << uint32_t(zeichen);
    EXPECT_EQ(anzeige->mStand.mEingabe, "F ");
    Zeichne(*anzeige);
    EXPECT_TRUE(Ist(15, 410, 0xFF00FF00u)) << "the green input line";
    EXPECT_TRUE(Ist(25, 410, kBalken)) << "the blank";
    EXPECT_TRUE(Ist(32, 410, kCursor));
}

TEST_F(KonsolenAnzeige, ZeilenfarbeNachDerMarkeHinterDemPraefix) {
    // The prefix's 21 characters and a drawn mark each take 0.3 x 24 pixels.
    for (auto [zeile, farbe, links] :
         {std::tuple{"0000:000001 (t1a2b): !F\n", 0xFFFF0000u, 156},
          {"0000:000001 (t1a2b): ?F\n", 0xFFFFFF00u, 156}, {"0000:000001 (t1a2b): >F\n", 0xFF00FF00u, 163},
          {"0000:000001 (t1a2b): F\n", 0xFFFFFFFFu, 156}, {"!F\n", 0xFFFF0000u, 5}}) {
        auto anzeige = Anzeige();
        anzeige->NeueZeile(zeile);
        Zeichne(*anzeige);
        // The lowest line's glyph covers rows 400 - 24 - 4 + 4 to 391.
        EXPECT_TRUE(Ist(links - 1, 384, kPanel)) << zeile;
        EXPECT_TRUE(Ist(links, 384, farbe)) << zeile;
        EXPECT_TRUE(Ist(links + 9, 376, farbe)) << zeile;
        EXPECT_TRUE(Ist(links + 9, 375, kPanel)) << zeile;
    }
}
