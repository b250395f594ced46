#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Liste = std::vector<std::string>;

// What the test command "echo" received, one entry per call.
Liste gEchoArgumente;
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

class Befehle : public TLogTest {
protected:
    void SetUp() override {
        t_debug.SetBool(false);
        gEchoArgumente.clear();
    }
    void TearDown() override { t_debug.SetBool(true); }

    // Runs one line as typed into the console and returns what it logged after the echo.
    Liste Fuehre(const std::string& zeile) {
        TLogMitschrift anzeige;
        anzeige.FuehreAus(zeile);
        Liste texte = anzeige.Texte();
        EXPECT_EQ(texte.empty() ? "" : texte.front(), ">" + zeile);
        if (!texte.empty())
            texte.erase(texte.begin());
        return texte;
    }
    void PruefeZeilen(const std::vector<std::pair<std::string, Liste>>& faelle) {
        for (const auto& [zeile, erwartet] : faelle)
            EXPECT_EQ(Fuehre(zeile), erwartet) << zeile;
    }
};

const auto Gesetzt = [](const char* name, const char* wert) {
    return Liste{"Variable \"" + std::string(name) + "\" auf Wert \"" + wert + "\" gesetzt."};
};

} // namespace

TEST_F(Befehle, NameBisZumErstenBlank) {
    PruefeZeilen({
        {"echo", {}},
        {"echo eins  zwei ", {}},
        {"echo ", {}},
        {" echo", {}}, // runs nothing
        {"a\tb c", {}},
        // A tab does not end the name; names are case-sensitive.
        {"echo\tx", {"!Unbekannter Befehl \"echo\tx\""}},
        {"Echo", {"!Unbekannter Befehl \"Echo\""}},
        {"", {"!Unbekannter Befehl \"\""}},
    });
    EXPECT_EQ(gEchoArgumente, (Liste{"", "eins  zwei ", "", "c"}));
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige("ec"), "echo");
    EXPECT_EQ(Velm_Konsolenbefehl::Vervollstaendige("x"), "");

    // A second registration under the same name replaces the first.
    static Velm_Konsolenbefehl ersatz("echo", [](const std::string&) { gEchoArgumente.push_back("ersatz"); });
    Fuehre("echo x");
    Velm_Konsolenbefehl::Registriere(gEcho);
    Fuehre("echo y");
    EXPECT_EQ(Liste(gEchoArgumente.end() - 2, gEchoArgumente.end()), (Liste{"ersatz", "y"}));
}

TEST_F(Befehle, HelpUndSetZeigenAllesInNamensfolge) {
    Liste befehle{"Definierte Konsolenbefehle sind:"};
    for (const auto& [name, befehl] : *Velm_Konsolenbefehl::Register())
        befehle.push_back(" - " + name);
    EXPECT_EQ(Fuehre("help egal"), befehle);
    for (const char* eigener : {" - a\tb", " - echo", " - help", " - quit", " - set"})
        EXPECT_NE(std::find(befehle.begin(), befehle.end(), eigener), befehle.end()) << eigener;

    const Liste variablen = Fuehre("set");
    ASSERT_EQ(variablen.size(), 1 + Velm_Variable::Register()->mVariablen.size());
    EXPECT_EQ(variablen[0], "Definierte Variablen sind:");
    // The program's variables with their types, flags and initial values, and the tests' own.
    for (const char* zeile :
         {"b - d** - zeigeFps: ja", "s - *n* - t_konfig: programm.cfg", "b - dn* - t_debug: nein",
          "b - dn* - t_logfile: ja", "i - d*f - displaywidth: 0", "i - d*f - displayheight: 0",
          "i - d*f - displaydepth: 32", "b - d*f - fullscreen: ja", "b - d*f - vsync: ja",
          "b - d** - debugShader: ja", "i - d** - sprache: -1", "i - *n* - test_geschuetzt: 5",
          "s - **f - test_veto: alt"})
        EXPECT_NE(std::find(variablen.begin(), variablen.end(), zeile), variablen.end()) << zeile;
}

TEST_F(Befehle, SetZeigtOderWeistDenVerbundenenTextZu) {
    PruefeZeilen({
        {"set zeigeFps", {"zeigeFps = ja"}},
        {"set  zeigeFps", {"zeigeFps = ja"}},
        {"set gibtsnicht", {"!Variable gibtsnicht ist nicht definiert."}},
        {"set gibtsnicht 1", {"!Variable gibtsnicht ist nicht definiert."}},
        {"set fullscreen off", Gesetzt("fullscreen", "nein")},
        {"set fullscreen an", Gesetzt("fullscreen", "ja")},
        {"set displaywidth 1280 720", Gesetzt("displaywidth", "1280")},
        {"set test_veto \"x y\", z", Gesetzt("test_veto", "x y, z")},
        {"set test_veto 1,,2", Gesetzt("test_veto", "1, , 2")},
        // A vetoed change leaves the text as it was, and the line says so.
        {"set test_veto \"nein danke\"", Gesetzt("test_veto", "1, , 2")},
    });
    EXPECT_EQ(displaywidth.Int(), 1280);
    displaywidth.SetInt(0);
}

TEST_F(Befehle, SetAufSchreibgeschuetzteNurImDebugModus) {
    PruefeZeilen({
        {"set t_logfile 0", {"!Zuweisung unmöglich: Variable \"t_logfile\" ist schreibgeschützt."}},
        {"set test_geschuetzt 7",
         {"!Zuweisung unmöglich: Variable \"test_geschuetzt\" ist schreibgeschützt."}},
    });
    EXPECT_TRUE(t_logfile.Bool());
    EXPECT_EQ(gGeschuetzt.Int(), 5);
    t_debug.SetBool(true);
    EXPECT_EQ(Fuehre("set test_geschuetzt 7"),
              (Liste{"?Debug-Modus: schreibgeschützte Variable \"test_geschuetzt\" geändert.",
                     "Variable \"test_geschuetzt\" auf Wert \"7\" gesetzt."}));
    EXPECT_EQ(gGeschuetzt.Int(), 7);
    gGeschuetzt.SetInt(5);
}

// Runs last: the quit request is never cleared.
TEST_F(Befehle, QuitSetztDieBeendenAnforderung) {
    Fuehre(" quit");
    EXPECT_EQ(Fuehre("Quit"), Liste{"!Unbekannter Befehl \"Quit\""});
    EXPECT_FALSE(Velm_System::Global().mBeenden);
    EXPECT_EQ(Fuehre("quit sofort, bitte"), Liste{});
    EXPECT_TRUE(Velm_System::Global().mBeenden);
}
