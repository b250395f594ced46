#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// What the test command "echo" received, one entry per call.
std::vector<std::string> gEchoArgumente;
void Echo(const std::string& argumente) {
    gEchoArgumente.push_back(argumente);
}
// Built in this file's static initialisation: the registry exists whichever command comes first.
Velm_Konsolenbefehl gEcho("echo", &Echo);
Velm_Konsolenbefehl gTab("a\tb", &Echo);

// Read-only and not saved, so "set" on it shows the debug rule without touching the program's own.
Velm_Variable gGeschuetzt("test_geschuetzt", 5, Velm_Variable::kSchreibgeschuetzt);
// Vetoes the value "nein danke".
bool Veto(Velm_Variable&, bool nachher, const std::string& vorschlag) {
    return nachher || vorschlag != "nein danke";
}
Velm_Variable gMitVeto("test_veto", "alt", 0, &Veto);

// The log's lines without their time and thread prefix.
std::vector<std::string> Texte(const TLogMitschrift& mitschrift) {
    std::vector<std::string> texte;
    for (const std::string& zeile : mitschrift.mZeilen)
        texte.push_back(zeile.substr(21, zeile.size() - 22));
    return texte;
}

using Liste = std::vector<std::string>;

class Befehle : public ::testing::Test {
protected:
    void SetUp() override {
        Velm_Konsole::Starte(mOrdner.Pfad(), "befehle.log");
        t_debug.SetBool(false);
        gEchoArgumente.clear();
    }
    void TearDown() override { t_debug.SetBool(true); }

    // Runs one line as typed into the console and returns what it logged after the echo.
    Liste Fuehre(const std::string& zeile) {
        TLogMitschrift anzeige;
        anzeige.FuehreAus(zeile);
        Liste texte = Texte(anzeige);
        EXPECT_FALSE(texte.empty());
        EXPECT_EQ(texte.front(), ">" + zeile);
        texte.erase(texte.begin());
        return texte;
    }

    TTempOrdner mOrdner;
};

} // namespace

TEST_F(Befehle, NameBisZumErstenBlank) {
    EXPECT_EQ(Fuehre("echo"), Liste{});
    EXPECT_EQ(Fuehre("echo eins  zwei "), Liste{});
    EXPECT_EQ(Fuehre("echo "), Liste{});
    EXPECT_EQ(gEchoArgumente, (Liste{"", "eins  zwei ", ""}));

    // A tab does not end the name.
    EXPECT_EQ(Fuehre("echo\tx"), Liste{"!Unbekannter Befehl \"echo\tx\""});
    EXPECT_EQ(Fuehre("a\tb c"), Liste{});
    EXPECT_EQ(gEchoArgumente.back(), "c");
}

TEST_F(Befehle, UnbekannteUndLeereZeilen) {
    EXPECT_EQ(Fuehre("Echo"), Liste{"!Unbekannter Befehl \"Echo\""});
    EXPECT_EQ(Fuehre(""), Liste{"!Unbekannter Befehl \"\""});
    EXPECT_EQ(Fuehre(" echo"), Liste{});
    EXPECT_TRUE(gEchoArgumente.empty());
}

TEST_F(Befehle, Vervollstaendige) {
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige("ec"), "echo");
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige("s"), "set");
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige("x"), "");
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige(""), Velm_Konsolenbefehl::Register()->begin()->first);
}

TEST_F(Befehle, HelpZeigtAlleBefehleInNamensfolge) {
    const Liste texte = Fuehre("help egal");
    ASSERT_FALSE(texte.empty());
    EXPECT_EQ(texte[0], "Definierte Konsolenbefehle sind:");
    Liste erwartet{"Definierte Konsolenbefehle sind:"};
    for (const auto& [name, befehl] : *Velm_Konsolenbefehl::Register())
        erwartet.push_back(" - " + name);
    EXPECT_EQ(texte, erwartet);

    // The engine core's three and this test's two, in byte-wise order.
    Liste eigene;
    for (const std::string& text : texte)
        if (text == " - a\tb" || text == " - echo" || text == " - help" || text == " - quit" ||
            text == " - set")
            eigene.push_back(text);
    EXPECT_EQ(eigene, (Liste{" - a\tb", " - echo", " - help", " - quit", " - set"}));
}

TEST_F(Befehle, EinZweitesRegistrierenErsetzt) {
    static Velm_Konsolenbefehl ersatz("echo", [](const std::string&) { gEchoArgumente.push_back("ersatz"); });
    Fuehre("echo x");
    EXPECT_EQ(gEchoArgumente, Liste{"ersatz"});
    Velm_Konsolenbefehl::Registriere(gEcho);
    Fuehre("echo x");
    EXPECT_EQ(gEchoArgumente, (Liste{"ersatz", "x"}));
}

TEST_F(Befehle, SetOhneArgumentZeigtAlleVariablen) {
    const Liste texte = Fuehre("set");
    ASSERT_FALSE(texte.empty());
    EXPECT_EQ(texte[0], "Definierte Variablen sind:");
    EXPECT_EQ(texte.size(), 1 + Velm_Variable::Register()->mVariablen.size());
    auto enthaelt = [&](const std::string& zeile) {
        return std::find(texte.begin(), texte.end(), zeile) != texte.end();
    };
    EXPECT_TRUE(enthaelt("b - d** - zeigeFps: ja"));
    EXPECT_TRUE(enthaelt("s - *n* - t_konfig: programm.cfg"));
    EXPECT_TRUE(enthaelt("i - d*f - displaywidth: 0"));
    EXPECT_TRUE(enthaelt("i - *n* - test_geschuetzt: 5"));
    EXPECT_TRUE(enthaelt("s - **f - test_veto: alt"));
}

TEST_F(Befehle, SetMitEinemTokenZeigtDenWert) {
    EXPECT_EQ(Fuehre("set zeigeFps"), Liste{"zeigeFps = ja"});
    EXPECT_EQ(Fuehre("set  zeigeFps"), Liste{"zeigeFps = ja"});
    EXPECT_EQ(Fuehre("set gibtsnicht"), Liste{"!Variable gibtsnicht ist nicht definiert."});
    EXPECT_EQ(Fuehre("set gibtsnicht 1"), Liste{"!Variable gibtsnicht ist nicht definiert."});
}

TEST_F(Befehle, SetWeistDenVerbundenenTextZu) {
    EXPECT_EQ(Fuehre("set fullscreen off"), Liste{"Variable \"fullscreen\" auf Wert \"nein\" gesetzt."});
    EXPECT_FALSE(fullscreen.Bool());
    EXPECT_EQ(Fuehre("set fullscreen an"), Liste{"Variable \"fullscreen\" auf Wert \"ja\" gesetzt."});
    EXPECT_TRUE(fullscreen.Bool());

    EXPECT_EQ(Fuehre("set displaywidth 1280 720"),
              Liste{"Variable \"displaywidth\" auf Wert \"1280\" gesetzt."});
    EXPECT_EQ(displaywidth.Int(), 1280);
    displaywidth.SetInt(0);

    EXPECT_EQ(Fuehre("set test_veto \"x y\", z"),
              Liste{"Variable \"test_veto\" auf Wert \"x y, z\" gesetzt."});
    EXPECT_EQ(Fuehre("set test_veto a , b, "), Liste{"Variable \"test_veto\" auf Wert \"a, , b\" gesetzt."});
    EXPECT_EQ(Fuehre("set test_veto x\"1 2\""), Liste{"Variable \"test_veto\" auf Wert \"1 2\" gesetzt."});
    EXPECT_EQ(Fuehre("set test_veto 1,,2"), Liste{"Variable \"test_veto\" auf Wert \"1, , 2\" gesetzt."});
    // A vetoed change leaves the text as it was, and the line says so.
    EXPECT_EQ(Fuehre("set test_veto \"nein danke\""),
              Liste{"Variable \"test_veto\" auf Wert \"1, , 2\" gesetzt."});
    EXPECT_EQ(gMitVeto.Text(), "1, , 2");
}

TEST_F(Befehle, SetAufSchreibgeschuetzteNurImDebugModus) {
    EXPECT_EQ(Fuehre("set t_logfile 0"),
              Liste{"!Zuweisung unmöglich: Variable \"t_logfile\" ist schreibgeschützt."});
    EXPECT_TRUE(t_logfile.Bool());
    EXPECT_EQ(Fuehre("set test_geschuetzt 7"),
              Liste{"!Zuweisung unmöglich: Variable \"test_geschuetzt\" ist schreibgeschützt."});
    EXPECT_EQ(gGeschuetzt.Int(), 5);

    t_debug.SetBool(true);
    EXPECT_EQ(Fuehre("set test_geschuetzt 7"),
              (Liste{"?Debug-Modus: schreibgeschützte Variable \"test_geschuetzt\" geändert.",
                     "Variable \"test_geschuetzt\" auf Wert \"7\" gesetzt."}));
    EXPECT_EQ(gGeschuetzt.Int(), 7);
    EXPECT_EQ(Fuehre("set t_logfile 0"),
              (Liste{"?Debug-Modus: schreibgeschützte Variable \"t_logfile\" geändert.",
                     "Variable \"t_logfile\" auf Wert \"nein\" gesetzt."}));
    EXPECT_FALSE(t_logfile.Bool());
    t_logfile.SetBool(true);
    gGeschuetzt.SetInt(5);
}

// Runs last: the quit request is never cleared.
TEST_F(Befehle, QuitSetztDieBeendenAnforderung) {
    Fuehre(" quit");
    EXPECT_FALSE(Velm_System::Global().mBeenden);
    EXPECT_EQ(Fuehre("Quit"), Liste{"!Unbekannter Befehl \"Quit\""});
    EXPECT_FALSE(Velm_System::Global().mBeenden);
    EXPECT_EQ(Fuehre("quit sofort, bitte"), Liste{});
    EXPECT_TRUE(Velm_System::Global().mBeenden);
    Fuehre("quit");
    EXPECT_TRUE(Velm_System::Global().mBeenden);
}
