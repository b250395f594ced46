#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/render/velm_konsolenstand.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

enum : uint32_t {
    kBackspace = 14,
    kTab = 15,
    kEnter = 28,
    kHoch = 200,
    kBildHoch = 201,
    kLinks = 203,
    kRechts = 205,
    kRunter = 208,
    kBildRunter = 209,
    kEntfernen = 211,
};

int gZaehler = 0;
Velm_Konsolenbefehl gZaehle("zaehle", [](const std::string&) { ++gZaehler; });

// Typed text or a key press.
using Schritt = std::variant<const char32_t*, uint32_t>;

void Spiele(Velm_KonsolenStand& stand, const std::vector<Schritt>& schritte,
            std::vector<std::string>* ausgefuehrt = nullptr) {
    for (const Schritt& schritt : schritte) {
        if (const auto* text = std::get_if<const char32_t*>(&schritt)) {
            for (const char32_t* c = *text; *c; ++c)
                stand.Tippe(*c);
        } else {
            EXPECT_TRUE(stand.Taste(std::get<uint32_t>(schritt), [&](const std::string& zeile) {
                if (ausgefuehrt)
                    ausgefuehrt->push_back(zeile);
            }));
        }
    }
}

// The log's display while it lives, keeping the console's text as the real display does.
class TStandAnzeige : public Velm_KonsoleBasisAnzeige {
public:
    void NeueZeile(const char* zeile) override { mStand.NeueZeile(zeile); }
    Velm_KonsolenStand mStand;
};

} // namespace

TEST(KonsolenStand, ZeilenspeicherKapptBei500) {
    struct Fall {
        uint64_t scrollVorher, scrollNachher;
    };
    for (const Fall& fall : {Fall{50, 0}, Fall{100, 0}, Fall{101, 1}, Fall{400, 300}, Fall{499, 400}}) {
        Velm_KonsolenStand stand;
        for (int i = 1; i <= 500; ++i)
            stand.NeueZeile(std::to_string(i).c_str());
        EXPECT_EQ(stand.mScrollPos, 499u);
        stand.mScrollPos = fall.scrollVorher;
        stand.NeueZeile("501");
        EXPECT_EQ(stand.mZeilen.size(), 401u);
        EXPECT_EQ(stand.mZeilen.front(), "101");
        EXPECT_EQ(stand.mScrollPos, fall.scrollNachher) << fall.scrollVorher;
    }
}

TEST(KonsolenStand, BlaetternBleibtInDenGrenzen) {
    Velm_KonsolenStand stand;
    Spiele(stand, {kBildRunter, kBildHoch});
    EXPECT_EQ(stand.mScrollPos, 0u);
    for (int i = 0; i < 30; ++i)
        stand.NeueZeile("x");
    std::vector<Schritt> hoch(25, kBildHoch), runter(25, kBildRunter);
    Spiele(stand, hoch);
    EXPECT_EQ(stand.mScrollPos, 10u);
    stand.NeueZeile("neu, nicht gefolgt");
    EXPECT_EQ(stand.mScrollPos, 10u);
    Spiele(stand, runter);
    EXPECT_EQ(stand.mScrollPos, 30u);
    EXPECT_FALSE(stand.Taste(57, nullptr));
}

TEST(KonsolenStand, EditierenUndVervollstaendigen) {
    struct Fall {
        std::vector<Schritt> schritte;
        std::string eingabe;
        uint64_t cursor;
    };
    const Fall faelle[] = {
        {{U"q"}, "quit", 1},
        {{U"qu"}, "quit", 2},
        {{U"qx"}, "qx", 2},
        {{U"Q"}, "Q", 1},
        {{U"q", kTab}, "quit ", 5},
        {{U"q", kTab, U"x"}, "quit x", 6},
        {{U"q", U" "}, "q uit", 2},
        {{kTab}, "set ", 4},
        {{kTab, U"disp"}, "set displaydepth", 8},
        {{kTab, U"displayw", kTab, U"1"}, "set displaywidth 1", 18},
        {{U"x y", kLinks, kLinks, kLinks, kTab}, "x y", 2},
        {{U"ab", kLinks, kLinks, kTab}, "ab ", 3},
        {{U"ab", kRechts, kEntfernen, kLinks, kLinks, kLinks, kBackspace}, "ab", 0},
        {{U"ab", kLinks, kBackspace, kEntfernen}, "", 0},
        // Multi-byte characters are edited whole: two-, three- and four-byte encodings.
        {{U"äö"}, "äö", 4},
        {{U"äö", kLinks}, "äö", 2},
        {{U"äö", kLinks, kBackspace}, "ö", 0},
        {{U"äö", kLinks, kLinks, kEntfernen}, "ö", 0},
        {{U"ä€𝄞", kLinks, kLinks, kRechts}, "ä€𝄞", 5},
        {{U"ä€𝄞", kBackspace, kLinks, kEntfernen}, "ä", 2},
    };
    for (const Fall& fall : faelle) {
        Velm_KonsolenStand stand;
        Spiele(stand, fall.schritte);
        EXPECT_EQ(stand.mEingabe, fall.eingabe) << fall.eingabe;
        EXPECT_EQ(stand.mCursor, fall.cursor) << fall.eingabe;
    }
}

TEST(KonsolenStand, VerlaufMitGesicherterEingabe) {
    Velm_KonsolenStand stand;
    std::vector<std::string> ausgefuehrt;
    for (const char* zeile : {"eins", "zwei", "drei"}) {
        stand.mEingabe = zeile;
        Spiele(stand, {kEnter}, &ausgefuehrt);
    }
    Spiele(stand, {kEnter}, &ausgefuehrt);
    EXPECT_EQ(ausgefuehrt, (std::vector<std::string>{"eins", "zwei", "drei"}));

    stand.mEingabe = "vi";
    stand.mCursor = 1;
    struct Fall {
        uint32_t taste;
        const char* eingabe;
    };
    for (const Fall& fall : {Fall{kHoch, "drei"}, Fall{kHoch, "zwei"}, Fall{kRunter, "drei"},
                             Fall{kRunter, "vi"}, Fall{kRunter, "vi"}, Fall{kHoch, "drei"},
                             Fall{kHoch, "zwei"}, Fall{kHoch, "eins"}, Fall{kHoch, "eins"}}) {
        Spiele(stand, {fall.taste});
        EXPECT_EQ(stand.mEingabe, fall.eingabe);
        EXPECT_EQ(stand.mCursor, stand.mEingabe.size());
    }

    // Enter on an empty input runs nothing but ends browsing and scrolls to the last line.
    for (int i = 0; i < 20; ++i)
        stand.NeueZeile("x");
    stand.mScrollPos = 12;
    stand.mEingabe.clear();
    Spiele(stand, {kEnter}, &ausgefuehrt);
    EXPECT_EQ(ausgefuehrt.size(), 3u);
    EXPECT_EQ(stand.mScrollPos, 19u);
    EXPECT_EQ(stand.mVerlaufPos, 3u);
    Spiele(stand, {kHoch});
    EXPECT_EQ(stand.mEingabe, "drei");
}

TEST(KonsolenStand, EnterFuehrtUeberDieBefehleAus) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "konsole.log");
    TStandAnzeige anzeige;
    Velm_KonsolenStand& stand = anzeige.mStand;
    Spiele(stand, {U"zae"});
    EXPECT_EQ(stand.mEingabe, "zaehle");
    stand.Taste(kEnter, [&](const std::string& zeile) { anzeige.FuehreAus(zeile); });
    EXPECT_EQ(gZaehler, 1);
    ASSERT_FALSE(stand.mZeilen.empty());
    EXPECT_NE(stand.mZeilen.back().find(">zaehle\n"), std::string::npos);
    EXPECT_EQ(stand.mScrollPos, stand.mZeilen.size() - 1);
}
