// The game's entry: the exit code, the exception line and the saved configuration for every way a
// run can end.

#include "nadrel/spiel/anwendung.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

namespace fs = std::filesystem;

// A run that ends normally gives 0, one that throws -1 and the exception line; each saves the
// configuration.
TEST(Eintritt, JedesEndeSpeichertDieKonfiguration) {
    const fs::path benutzer = Velm_System::Global().mBenutzerOrdner;
    const std::pair<std::function<void()>, std::string> faelle[] = {
        {[] {}, ""},
        {[] { Velm_WirfAusnahme("kaputt", "Spiel::X", "x.cpp", 12); },
         "Exception thrown: x.cpp (12) - Spiel::X(): kaputt"},
        {[] { throw std::runtime_error("filesystem error: nope"); },
         "- Spiel::Eintritt(): filesystem error: nope"},
    };
    for (const auto& [lauf, zeile] : faelle) {
        SCOPED_TRACE(zeile);
        fs::remove(benutzer / "spiel.cfg");
        TLogMitschrift log;
        EXPECT_EQ(Spiel::Eintritt(lauf), zeile.empty() ? 0 : -1);
        EXPECT_TRUE(fs::exists(benutzer / "spiel.cfg"));
        EXPECT_EQ(log.Enthaelt("Exception thrown"), !zeile.empty());
        EXPECT_TRUE(log.Enthaelt(zeile));
    }
}

} // namespace
