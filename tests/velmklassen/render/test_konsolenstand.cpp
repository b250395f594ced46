// The console's text state without drawing: the line store and scrolling, editing and completion,
// the history.

#include "velmklassen/render/velm_konsolenstand.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <variant>
#include <vector>

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
