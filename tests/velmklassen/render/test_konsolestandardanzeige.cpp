// The console display: its text state without drawing (the line store and scrolling, editing and
// completion, the history), and the console drawn headless at a known screen size and read back.

#include "testhilfe.h"

#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_konsolenstand.h"
#include "velmklassen/render/velm_konsolestandardanzeige.h"

#include <tuple>
#include <variant>

namespace {

using S = Velm_KonsolenStand;

// Typed text or a key press; every key press must be consumed.
using Schritt = std::variant<const char32_t*, uint32_t>;
void Spiele(S& stand, const std::vector<Schritt>& schritte, std::vector<std::string>* ausgefuehrt = nullptr) {
    for (const Schritt& schritt : schritte) {
        if (const auto* text = std::get_if<const char32_t*>(&schritt))
            for (const char32_t* c = *text; *c; ++c)
                stand.Tippe(*c);
        else
            EXPECT_TRUE(stand.Taste(std::get<uint32_t>(schritt),
                                    [&](const std::string& z) { ausgefuehrt->push_back(z); }));
    }
}

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

TEST(KonsolenStand, ZeilenspeicherUndBlaettern) {
    for (auto [vorher, nachher] : {std::pair{50, 0}, {100, 0}, {101, 1}, {400, 300}, {499, 400}}) {
        S stand;
        for (int i = 1; i <= 500; ++i)
            stand.NeueZeile(std::to_string(i).c_str());
        EXPECT_EQ(stand.mScrollPos, 499u);
        stand.mScrollPos = vorher;
        stand.NeueZeile("501");
        EXPECT_EQ(stand.mZeilen.size(), 401u);
        EXPECT_EQ(stand.mZeilen.front(), "101");
        EXPECT_EQ(stand.mScrollPos, uint64_t(nachher)) << vorher;
    }

    S stand;
    Spiele(stand, {S::kBildRunter, S::kBildHoch});
    EXPECT_EQ(stand.mScrollPos, 0u);
    for (int i = 0; i < 30; ++i)
        stand.NeueZeile("x");
    Spiele(stand, std::vector<Schritt>(25, S::kBildHoch));
    EXPECT_EQ(stand.mScrollPos, 10u);
    stand.NeueZeile("not followed");
    EXPECT_EQ(stand.mScrollPos, 10u);
    Spiele(stand, std::vector<Schritt>(25, S::kBildRunter));
    EXPECT_EQ(stand.mScrollPos, 30u);
    EXPECT_FALSE(stand.Taste(57, nullptr));
}

TEST(KonsolenStand, EditierenUndVervollstaendigen) {
    // Keys and text, then the input and the cursor they leave.
    const std::tuple<std::vector<Schritt>, std::string, uint64_t> faelle[] = {
        {{U"q"}, "quit", 1}, {{U"qu"}, "quit", 2}, {{U"qx"}, "qx", 2}, {{U"Q"}, "Q", 1},
        {{U"q", S::kTab}, "quit ", 5}, {{U"q", S::kTab, U"x"}, "quit x", 6}, {{U"q", U" "}, "q uit", 2},
        {{S::kTab}, "set ", 4},
        {{S::kTab, U"disp"}, "set displaydepth", 8},
        {{S::kTab, U"displayw", S::kTab, U"1"}, "set displaywidth 1", 18},
        {{U"x y", S::kLinks, S::kLinks, S::kLinks, S::kTab}, "x y", 2},
        {{U"ab", S::kLinks, S::kLinks, S::kTab}, "ab ", 3},
        {{U"ab", S::kRechts, S::kEntfernen, S::kLinks, S::kLinks, S::kLinks, S::kBackspace}, "ab", 0},
        {{U"ab", S::kLinks, S::kBackspace, S::kEntfernen}, "", 0},
        // Multi-byte characters are edited whole: two-, three- and four-byte encodings.
        {{U"äö", S::kLinks}, "äö", 2}, {{U"äö", S::kLinks, S::kBackspace}, "ö", 0},
        {{U"äö", S::kLinks, S::kLinks, S::kEntfernen}, "ö", 0},
        {{U"ä€𝄞", S::kLinks, S::kLinks, S::kRechts}, "ä€𝄞", 5},
        {{U"ä€𝄞", S::kBackspace, S::kLinks, S::kEntfernen}, "ä", 2},
    };
    for (const auto& [schritte, eingabe, cursor] : faelle) {
        S stand;
        Spiele(stand, schritte);
        EXPECT_EQ(stand.mEingabe, eingabe) << eingabe;
        EXPECT_EQ(stand.mCursor, cursor) << eingabe;
    }
}

TEST(KonsolenStand, VerlaufMitGesicherterEingabe) {
    S stand;
    std::vector<std::string> ausgefuehrt;
    for (const char* zeile : {"eins", "zwei", "drei", ""}) {
        stand.mEingabe = zeile;
        Spiele(stand, {S::kEnter}, &ausgefuehrt);
    }
    EXPECT_EQ(ausgefuehrt, (std::vector<std::string>{"eins", "zwei", "drei"}));

    stand.mEingabe = "vi";
    stand.mCursor = 1;
    for (auto [taste, eingabe] : {std::pair{S::kHoch, "drei"}, {S::kHoch, "zwei"}, {S::kRunter, "drei"},
                                  {S::kRunter, "vi"}, {S::kRunter, "vi"}, {S::kHoch, "drei"},
                                  {S::kHoch, "zwei"}, {S::kHoch, "eins"}, {S::kHoch, "eins"}}) {
        Spiele(stand, {taste});
        EXPECT_EQ(stand.mEingabe, eingabe);
        EXPECT_EQ(stand.mCursor, stand.mEingabe.size());
    }

    // Enter on an empty input runs nothing, but ends browsing and scrolls to the last line.
    for (int i = 0; i < 20; ++i)
        stand.NeueZeile("x");
    stand.mScrollPos = 12;
    stand.mEingabe.clear();
    Spiele(stand, {S::kEnter, S::kHoch}, &ausgefuehrt);
    EXPECT_EQ(ausgefuehrt.size(), 3u);
    EXPECT_EQ(stand.mScrollPos, 19u);
    EXPECT_EQ(stand.mEingabe, "drei");
}

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
