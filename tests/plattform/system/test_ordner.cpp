#include "plattform/system/plattform_ordner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable while it lives (nullptr: unsets it), then restores it.
struct TUmgebung {
    TUmgebung(const char* name, const char* wert) : mName(name) {
        if (const char* alt = std::getenv(name))
            mAlt = alt;
        Setze(wert);
    }
    ~TUmgebung() { Setze(mAlt ? mAlt->c_str() : nullptr); }
    void Setze(const char* wert) { wert ? setenv(mName, wert, 1) : unsetenv(mName); }
    const char* mName;
    std::optional<std::string> mAlt;
};

} // namespace

TEST(PlattformOrdner, XdgDataHomeNurAbsolutSonstHomeSonstBenutzerdatenbank) {
    TUmgebung heim("HOME", "/heim/spieler");
    for (const char* xdg : {"relativ/xdg", "", static_cast<const char*>(nullptr), "/daten/xdg"}) {
        TUmgebung umgebung("XDG_DATA_HOME", xdg);
        EXPECT_EQ(Plattform::DatenOrdner(),
                  fs::path(xdg && xdg[0] == '/' ? xdg : "/heim/spieler/.local/share"));
    }
    TUmgebung ohneXdg("XDG_DATA_HOME", nullptr), ohneHeim("HOME", nullptr);
    const passwd* eintrag = getpwuid(geteuid());
    ASSERT_TRUE(eintrag && eintrag->pw_dir[0] == '/');
    EXPECT_EQ(Plattform::DatenOrdner(), fs::path(eintrag->pw_dir) / ".local/share");
    EXPECT_EQ(Plattform::BenutzerName(), eintrag->pw_name);
}
