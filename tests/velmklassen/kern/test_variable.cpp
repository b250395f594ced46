#include "velmklassen/kern/velm_befehlszeile.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using Liste = std::vector<std::string>;

// Variables stay registered until the process ends, so the tests' own variables are static.
int gAufrufe = 0;
bool gErlauben = true;
bool Rueckruf(Velm_Variable&, bool, const std::string&) {
    ++gAufrufe;
    return gErlauben;
}

} // namespace

TEST(Befehlszeile, BlankKommaUndAnfuehrungszeichenTrennen) {
    const std::pair<const char*, Liste> faelle[] = {
        {"1, 2, 3", {"1", "2", "3"}},
        {"a,,b", {"a", "", "b"}},
        {"a , b", {"a", "", "b"}},
        {"a,", {"a"}},
        {"   a   b   ", {"a", "b"}},
        {"", {}},
        {"a\tb", {"a\tb"}},
        {"\"x y\", z", {"x y", "z"}},
        {"ab\"c d\"", {"c d"}},
        {"\"\"", {""}},
        {"\"offen bis zum Ende", {"offen bis zum Ende"}},
        {"\"a\"b", {"a", "b"}},
    };
    for (const auto& [text, erwartet] : faelle) {
        const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege(text);
        Liste tokens;
        for (size_t i = 0; i < zeile.Anzahl(); ++i)
            tokens.push_back(zeile.Token(i));
        EXPECT_EQ(tokens, erwartet) << text;
    }
    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege("1.5 -2e1 abc 7x");
    EXPECT_EQ(std::vector<float>({zeile.Wert(0), zeile.Wert(1), zeile.Wert(2), zeile.Wert(3), zeile.Wert(4)}),
              std::vector<float>({1.5f, -20.0f, 0.0f, 7.0f, 0.0f}));
    EXPECT_EQ(zeile.Token(4), "");
}

TEST(Variable, TextSetzenJeTyp) {
    static Velm_Variable schalter("test_bool", false), zahl("test_int", 5), text("test_text", "anfang");
    struct Fall {
        Velm_Variable& variable;
        const char* eingabe;
        const char* text;
        int zahl;
    };
    const Fall faelle[] = {
        {schalter, "on", "ja", 0},
        {schalter, "On", "nein", 0},
        {schalter, "2", "ja", 2},
        {schalter, "-1", "nein", -1},
        {schalter, "an", "ja", 0},
        {schalter, "off", "nein", 0},
        {schalter, "true", "ja", 0},
        {schalter, "ja", "ja", 0},
        {zahl, "kein Wert", "0", 0},
        {zahl, "  -17abc", "-17", -17},
        {zahl, "99999999999999999999", "2147483647", INT_MAX},
        {zahl, "-99999999999999999999", "-2147483648", INT_MIN},
        {text, "kein Wert", "kein Wert", 0},
        {text, "1, 2", "1, 2", 1},
    };
    for (const Fall& fall : faelle) {
        fall.variable.SetText(fall.eingabe);
        EXPECT_EQ(fall.variable.Text(), fall.text) << fall.eingabe;
        EXPECT_EQ(fall.variable.Int(), fall.zahl) << fall.eingabe;
    }
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({1, 2, 0, 1}));
    text.SetText("1 2 3 4 5");
    EXPECT_EQ(text.Vektor3()[2], 3.0f);
    EXPECT_EQ(text.Vektor4()[3], 4.0f);

    // SetInt leaves the vectors and a text variable's text alone; SetBool sets both.
    text.SetText("3 4 5 6");
    text.SetInt(7);
    EXPECT_EQ(text.Float(), 7.0f);
    EXPECT_TRUE(text.Bool());
    EXPECT_EQ(text.Vektor4()[3], 6.0f);
    EXPECT_EQ(text.Text(), "3 4 5 6");
    text.SetBool(true);
    EXPECT_EQ(text.Int(), 1);
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({1, 1, 1, 1}));
    text.SetBool(false);
    EXPECT_EQ(std::vector<float>(text.Vektor4(), text.Vektor4() + 4), std::vector<float>({0, 0, 0, 1}));
}

TEST(Variable, RueckrufMitVeto) {
    gAufrufe = 0;
    static Velm_Variable v("test_rueckruf", 3, 0, Rueckruf);
    EXPECT_EQ(gAufrufe, 0); // the initial value does not reach the callback
    v.SetInt(4);
    EXPECT_EQ(gAufrufe, 2);
    gErlauben = false;
    v.SetText("9");
    v.SetBool(false);
    EXPECT_EQ(gAufrufe, 4);
    EXPECT_EQ(v.Text(), "4");
    gErlauben = true;
}

TEST(Variable, RegistrierungUndVervollstaendigung) {
    static Velm_Variable erste("test_doppelt", 1), zweite("test_doppelt", 2);
    EXPECT_EQ(Velm_Variable::Finde("test_doppelt"), &zweite);
    EXPECT_EQ(Velm_Variable::Finde("ZeigeFps"), nullptr);
    EXPECT_EQ(Velm_Variable::Vervollstaendige("display"), "displaydepth");
    EXPECT_EQ(Velm_Variable::Vervollstaendige("zzz"), "");
}
