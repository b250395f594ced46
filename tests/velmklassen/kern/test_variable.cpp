#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_befehlszeile.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::vector<std::string> Tokens(const std::string& text) {
    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege(text);
    std::vector<std::string> tokens;
    for (size_t i = 0; i < zeile.Anzahl(); ++i)
        tokens.push_back(zeile.Token(i));
    return tokens;
}

using Liste = std::vector<std::string>;

// Variables stay registered until the process ends, so the tests' own variables are static.

} // namespace

TEST(Befehlszeile, BlankUndKommaTrennen) {
    EXPECT_EQ(Tokens("1, 2, 3"), (Liste{"1", "2", "3"}));
    EXPECT_EQ(Tokens("a,,b"), (Liste{"a", "", "b"}));
    EXPECT_EQ(Tokens("a , b"), (Liste{"a", "", "b"}));
    EXPECT_EQ(Tokens("a,"), (Liste{"a"}));
    EXPECT_EQ(Tokens("a "), (Liste{"a"}));
    EXPECT_EQ(Tokens("   a   b   "), (Liste{"a", "b"}));
    EXPECT_EQ(Tokens(""), Liste{});
    EXPECT_EQ(Tokens("a\tb"), (Liste{"a\tb"}));
}

TEST(Befehlszeile, AnfuehrungszeichenGruppieren) {
    EXPECT_EQ(Tokens("\"x y\", z"), (Liste{"x y", "z"}));
    EXPECT_EQ(Tokens("ab\"c d\""), (Liste{"c d"}));
    EXPECT_EQ(Tokens("\"\""), (Liste{""}));
    EXPECT_EQ(Tokens("\"offen bis zum Ende"), (Liste{"offen bis zum Ende"}));
    EXPECT_EQ(Tokens("\"a\"b"), (Liste{"a", "b"}));
}

TEST(Befehlszeile, WerteUndGrenzen) {
    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege("1.5 -2e1 abc 7x");
    EXPECT_FLOAT_EQ(zeile.Wert(0), 1.5f);
    EXPECT_FLOAT_EQ(zeile.Wert(1), -20.0f);
    EXPECT_EQ(zeile.Wert(2), 0.0f);
    EXPECT_EQ(zeile.Wert(3), 7.0f);
    EXPECT_EQ(zeile.Wert(4), 0.0f);
    EXPECT_EQ(zeile.Token(4), "");
}

TEST(Variable, AlleProgrammvariablenSindRegistriert) {
    for (const char* name : {"zeigeFps", "t_konfig", "t_debug", "t_logfile", "displaywidth", "displayheight",
                             "displaydepth", "fullscreen", "vsync", "debugShader", "sprache"})
        EXPECT_NE(Velm_Variable::Finde(name), nullptr) << name;
    EXPECT_EQ(Velm_Variable::Finde("ZeigeFps"), nullptr);
    EXPECT_EQ(t_konfig.Text(), "programm.cfg");
    EXPECT_EQ(t_konfig.Typ(), Velm_TypText);
    EXPECT_EQ(sprache.Int(), -1);
    EXPECT_EQ(sprache.Text(), "-1");
    EXPECT_EQ(displaydepth.Text(), "32");
    EXPECT_TRUE(vsync.Bool());
    EXPECT_EQ(fullscreen.Text(), "ja");
}

TEST(Variable, TextAufBoolVariable) {
    static Velm_Variable v("test_bool", false);
    v.SetText("on");
    EXPECT_TRUE(v.Bool());
    EXPECT_EQ(v.Int(), 0);
    EXPECT_EQ(v.Float(), 0.0f);
    EXPECT_EQ(v.Text(), "ja");
    v.SetText("On");
    EXPECT_FALSE(v.Bool());
    EXPECT_EQ(v.Text(), "nein");
    v.SetText("2");
    EXPECT_TRUE(v.Bool());
    EXPECT_EQ(v.Text(), "ja");
    v.SetText("-1");
    EXPECT_FALSE(v.Bool());
    EXPECT_EQ(v.Text(), "nein");
    for (const char* wahr : {"an", "true", "ja"}) {
        v.SetText(wahr);
        EXPECT_TRUE(v.Bool()) << wahr;
    }
    v.SetText("off");
    EXPECT_FALSE(v.Bool());
}

TEST(Variable, TextAufIntUndTextVariable) {
    static Velm_Variable zahl("test_int", 5);
    zahl.SetText("kein Wert");
    EXPECT_EQ(zahl.Int(), 0);
    EXPECT_EQ(zahl.Text(), "0");
    zahl.SetText("  -17abc");
    EXPECT_EQ(zahl.Int(), -17);
    EXPECT_EQ(zahl.Text(), "-17");
    zahl.SetText("99999999999999999999");
    EXPECT_EQ(zahl.Int(), INT_MAX);
    zahl.SetText("-99999999999999999999");
    EXPECT_EQ(zahl.Int(), INT_MIN);

    static Velm_Variable text("test_text", "anfang");
    text.SetText("kein Wert");
    EXPECT_EQ(text.Text(), "kein Wert");
    EXPECT_EQ(text.Int(), 0);
    text.SetText("1, 2");
    EXPECT_EQ(text.Text(), "1, 2");
    const float* v4 = text.Vektor4();
    EXPECT_EQ(v4[0], 1.0f);
    EXPECT_EQ(v4[1], 2.0f);
    EXPECT_EQ(v4[2], 0.0f);
    EXPECT_EQ(v4[3], 1.0f);
    text.SetText("1 2 3 4 5");
    EXPECT_EQ(text.Vektor3()[2], 3.0f);
    EXPECT_EQ(text.Vektor4()[3], 4.0f);
}

TEST(Variable, TypisierteSichtenNachJedemSetter) {
    static Velm_Variable v("test_sichten", "x");
    v.SetText("3 4 5 6");
    v.SetInt(7);
    EXPECT_EQ(v.Float(), 7.0f);
    EXPECT_TRUE(v.Bool());
    EXPECT_EQ(v.Vektor3()[0], 3.0f); // SetInt leaves the vectors alone
    EXPECT_EQ(v.Vektor4()[3], 6.0f);
    EXPECT_EQ(v.Text(), "3 4 5 6"); // a text variable keeps its text

    v.SetBool(true);
    EXPECT_EQ(v.Int(), 1);
    EXPECT_EQ(v.Vektor3()[0], 1.0f);
    EXPECT_EQ(v.Vektor3()[1], 0.0f);
    EXPECT_EQ(v.Vektor4()[1], 1.0f);
    EXPECT_EQ(v.Vektor4()[3], 1.0f);
    v.SetBool(false);
    EXPECT_EQ(v.Vektor4()[0], 0.0f);
    EXPECT_EQ(v.Vektor4()[3], 1.0f);
    v.SetInt(0);
    EXPECT_FALSE(v.Bool());
}

namespace {
int gAufrufe = 0;
bool gErlauben = true;
bool Rueckruf(Velm_Variable&, bool, const std::string&) {
    ++gAufrufe;
    return gErlauben;
}
} // namespace

TEST(Variable, RueckrufMitVeto) {
    gAufrufe = 0;
    static Velm_Variable v("test_rueckruf", 3, 0, Rueckruf);
    EXPECT_EQ(gAufrufe, 0); // the initial value does not reach the callback
    v.SetInt(4);
    EXPECT_EQ(gAufrufe, 2);
    gErlauben = false;
    v.SetText("9");
    EXPECT_EQ(gAufrufe, 3);
    EXPECT_EQ(v.Int(), 4);
    EXPECT_EQ(v.Text(), "4");
    v.SetBool(false);
    EXPECT_EQ(gAufrufe, 4);
    EXPECT_EQ(v.Int(), 4);
    gErlauben = true;
}

TEST(Variable, RegistrierungUndVervollstaendigung) {
    static Velm_Variable erste("test_doppelt", 1);
    static Velm_Variable zweite("test_doppelt", 2);
    EXPECT_EQ(Velm_Variable::Finde("test_doppelt"), &zweite);
    EXPECT_EQ(Velm_Variable::Vervollstaendige("display"), "displaydepth");
    EXPECT_EQ(Velm_Variable::Vervollstaendige("zzz"), "");
    EXPECT_EQ(Velm_Variable::Vervollstaendige(""), Velm_Variable::Register()->mVariablen.begin()->first);
}

TEST(Variable, ListeDerVariablen) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    TLogMitschrift mitschrift;
    Velm_Variable::ZeigeAlle();
    ASSERT_GE(mitschrift.mZeilen.size(), 12u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(21), "Definierte Variablen sind:\n");
    EXPECT_TRUE(mitschrift.Enthaelt("): b - d** - zeigeFps: ja\n"));
    EXPECT_TRUE(mitschrift.Enthaelt("): s - *n* - t_konfig: programm.cfg\n"));
    EXPECT_TRUE(mitschrift.Enthaelt("): i - d*f - displaywidth: 0\n"));
    EXPECT_TRUE(mitschrift.Enthaelt("): b - dn* - t_debug: ja\n"));
}
