#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

// On another thread the report line cannot wait for the main thread's flush: the break ends the
// process first. It reaches the log file and standard error before the break.
TEST(AusnahmeImFaden, PruefberichtSchreibtSofort) {
    TTempOrdner ordner;
    EXPECT_EXIT(
        {
            Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
            std::thread([] { VELM_PRUEFE(false, "Faden kaputt", "Test::Faden"); }).join();
        },
        testing::KilledBySignal(SIGTRAP),
        "!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden \\(.+:[0-9]+\\)\\.");
    EXPECT_NE(TextDerDatei(ordner.Pfad() / "spiel.log")
                  .find("!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden ("),
              std::string::npos);
}
