// The test hooks from the environment: numbers taken, any other text warned about, and the game
// timer on the fixed step.

#include "nadrel/spiel/testhaken.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace {

// Each variable holds a number from 0 to 2^32-1 or is left alone; any other text (null: unset) is
// warned about.
TEST(Testhaken, UmgebungUndFesterSchritt) {
    const std::pair<const char*, bool> faelle[] = {
        {nullptr, false}, {"", false},           {"7", true},   {"0.5", true},
        {"-1", false},    {"4294967296", false}, {"7x", false}, {"nan", false},
    };
    for (auto [wert, gilt] : faelle) {
        SCOPED_TRACE(wert ? wert : "(unset)");
        for (const char* name : {"NADREL_SAAT", "NADREL_SCHRITT", "NADREL_BILDER"})
            wert ? setenv(name, wert, 1) : unsetenv(name);
        TLog log;
        const Spiel::Testhaken haken = Spiel::LiesTesthaken();
        EXPECT_EQ(haken.mSaat.has_value(), gilt);
        EXPECT_EQ(haken.mSchrittTicks != 0, gilt);
        EXPECT_EQ(haken.mBildgrenze != 0, gilt && std::string(wert) == "7");
        EXPECT_EQ(log.Enthaelt("?NADREL_SAAT="), wert && *wert && !gilt);
    }
    unsetenv("NADREL_SAAT");
    unsetenv("NADREL_BILDER");

    // A game timer on the fixed step advances by exactly that step every frame.
    setenv("NADREL_SCHRITT", "0.25", 1);
    Velm_Zeitgeber uhr(Spiel::LiesTesthaken().Zaehler());
    unsetenv("NADREL_SCHRITT");
    for (int bild = 0; bild < 3; ++bild) {
        uhr.Aktualisiere();
        EXPECT_EQ(uhr.LetzterSchritt(), gZaehlerFrequenz / 4);
    }
    EXPECT_EQ(Spiel::LiesTesthaken().Zaehler(), &Plattform::LiesZaehler);
}

} // namespace
