#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Liste = std::vector<std::string>;

// What the test command "echo" received, one entry per call.
Liste gEchoArgumente;
// Built in this file's static initialisation: the registry exists whichever command comes first.
Velm_Konsolenbefehl gEcho("echo", [](const std::string& argumente) { gEchoArgumente.push_back(argumente); });

// Read-only and not saved, so "set" on it shows the debug rule without touching the log's switches.
Velm_Variable gGeschuetzt("test_geschuetzt", 5, Velm_Variable::kSchreibgeschuetzt);
// Saved, one without and one with a callback.
Velm_Variable gSchalter("test_schalter", true, Velm_Variable::kGespeichert);
Velm_Variable gZahl("test_zahl", 0, Velm_Variable::kGespeichert,
                    [](Velm_Variable&, bool, const std::string&) { return true; });
// Vetoes the value "nein danke".
Velm_Variable gMitVeto("test_veto", "alt", 0, [](Velm_Variable&, bool nachher, const std::string& vorschlag) {
    return nachher || vorschlag != "nein danke";
});

class Befehle : public TLogTest {
protected:
    // Runs each line as typed into the console: it is echoed, then come the lines it wrote.
    void Pruefe(const std::vector<std::pair<std::string, Liste>>& faelle) {
        for (auto [zeile, erwartet] : faelle) {
            mLog.mZeilen.clear();
            mLog.FuehreAus(zeile);
            erwartet.insert(erwartet.begin(), ">" + zeile);
            EXPECT_EQ(mLog.Texte(), erwartet);
        }
    }
};

} // namespace

TEST_F(Befehle, NameBisZumErstenBlankUndQuit) {
    Pruefe({
        {"echo", {}},
        {"echo eins  zwei ", {}},
        {" quit", {}}, // runs nothing
        // A tab does not end the name.
        {"echo\tx", {"!Unbekannter Befehl \"echo\tx\""}},
    });
    EXPECT_EQ(gEchoArgumente, (Liste{"", "eins  zwei "}));
    // The quit request is never cleared, so it comes last.
    EXPECT_FALSE(Velm_System::Global().mBeenden);
    Pruefe({{"quit sofort, bitte", {}}});
    EXPECT_TRUE(Velm_System::Global().mBeenden);
}

TEST_F(Befehle, HelpUndSetZeigenAllesInNamensfolge) {
    Pruefe({{"help egal", {"Definierte Konsolenbefehle sind:", " - echo", " - help", " - quit", " - set"}}});
    mLog.mZeilen.clear();
    mLog.FuehreAus("set");
    const Liste variablen = mLog.Texte();
    ASSERT_EQ(variablen.size(), 2 + Velm_Variable::Register()->mVariablen.size());
    EXPECT_EQ(variablen[1], "Definierte Variablen sind:");
    // Type, flags (saved, read-only, callback) and value.
    for (const char* zeile :
         {"b - d** - test_schalter: ja", "s - *n* - t_konfig: programm.cfg", "i - d*f - test_zahl: 0"})
        EXPECT_NE(std::find(variablen.begin(), variablen.end(), zeile), variablen.end()) << zeile;
}

TEST_F(Befehle, SetZeigtOderWeistDenVerbundenenTextZu) {
    t_debug.SetBool(false);
    Pruefe({
        {"set test_schalter", {"test_schalter = ja"}},
        {"set gibtsnicht 1", {"!Variable gibtsnicht ist nicht definiert."}},
        {"set test_zahl 1280 720", {"Variable \"test_zahl\" auf Wert \"1280\" gesetzt."}},
        {"set test_veto \"x y\", z", {"Variable \"test_veto\" auf Wert \"x y, z\" gesetzt."}},
        // A vetoed change leaves the text as it was, and the line says so.
        {"set test_veto \"nein danke\"", {"Variable \"test_veto\" auf Wert \"x y, z\" gesetzt."}},
        {"set test_geschuetzt 7",
         {"!Zuweisung unmöglich: Variable \"test_geschuetzt\" ist schreibgeschützt."}},
    });
    EXPECT_EQ(gZahl.Int(), 1280);
    EXPECT_EQ(gGeschuetzt.Int(), 5);
    // In debug mode a read-only variable is set all the same, with a warning.
    t_debug.SetBool(true);
    Pruefe({{"set test_geschuetzt 7",
             {"?Debug-Modus: schreibgeschützte Variable \"test_geschuetzt\" geändert.",
              "Variable \"test_geschuetzt\" auf Wert \"7\" gesetzt."}}});
}
