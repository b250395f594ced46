#include "plattform/system/plattform_ordner.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Set by the test's CMake part for this program, so the global object was built below it.
const char* const kXdgDaten = std::getenv("XDG_DATA_HOME");

// The global object is built before main; this initialiser of another file sees it complete.
const std::string gBenutzerOrdnerBeimStart = Velm_System::Global().mBenutzerOrdner.string();

using System = TLogTest;

} // namespace

TEST(GlobalesSystem, OrdnerAusDerUmgebung) {
    ASSERT_NE(kXdgDaten, nullptr);
    const Velm_System& system = Velm_System::Global();
    // Created with its missing parents.
    EXPECT_TRUE(fs::is_directory(fs::path(kXdgDaten) / "Nadrel"));
    EXPECT_EQ(gBenutzerOrdnerBeimStart, (fs::path(kXdgDaten) / "Nadrel").string());
    EXPECT_EQ(system.mAnwendungsOrdner, fs::read_symlink("/proc/self/exe").parent_path());
    // Removed, so the next run creates it again.
    fs::remove_all(fs::path(kXdgDaten));
}

TEST(SystemOrdner, Bin64UndBin32ZeigenAufDenOrdnerDarueber) {
    // Exact names only, once only; a backslash is part of a name, not a separator.
    // clang-format off
    const std::pair<const char*, const char*> faelle[] = {
        {"/s/n/bin64/x", "/s/n"}, {"/s/n/bin32/x", "/s/n"}, {"/s/n/x", "/s/n"}, {"/s/Bin64/x", "/s/Bin64"},
        {"/s/bin64x/x", "/s/bin64x"}, {"/s/bin64/bin64/x", "/s/bin64"}, {"/bin64/x", "/"},
        {"/s/a\\bin64/x", "/s/a\\bin64"}, {"/s/bin64\\x", "/s"}};
    // clang-format on
    TTempOrdner daten;
    for (const auto& [programm, ordner] : faelle)
        EXPECT_EQ(Velm_System(programm, daten.Pfad(), "x").mAnwendungsOrdner, ordner) << programm;
}

TEST_F(System, BenutzerOrdnerUndNameMitRueckfaellen) {
    const fs::path o = mOrdner.Pfad();
    std::ofstream(o / "datei") << "kein Ordner";
    struct Fall {
        fs::path programm;
        std::optional<fs::path> daten;
        const char *name, *benutzerName;
        fs::path benutzerOrdner;
        std::string zeile;
    };
    // clang-format off
    const Fall faelle[] = {
        {o / "bin64" / "nadrel", std::nullopt, "name", "name", o / "Nadrel",
         "?Unable to obtain path to \"AppData\". Trying application directory..."},
        {"/spiel/nadrel", o / "c", "", "user", o / "c" / "Nadrel", "?Unable to obtain user name. Using dummy name instead..."},
        {"/spiel/nadrel", o / "datei", "name", "name", o / "datei" / "Nadrel",
         "!Unable to create user data path \"" + (o / "datei" / "Nadrel").string() + "\". This will end in tears."}};
    // clang-format on
    for (const Fall& fall : faelle) {
        mLog.mZeilen.clear();
        const Velm_System system(fall.programm, fall.daten, fall.name);
        EXPECT_EQ(system.mBenutzerOrdner, fall.benutzerOrdner);
        EXPECT_EQ(system.mBenutzerName, fall.benutzerName);
        EXPECT_EQ(mLog.Texte(), std::vector{fall.zeile});
    }
    // Without the program's path nothing is made.
    EXPECT_EQ(AusnahmeText([&] { Velm_System(std::nullopt, o / "e", "name"); }),
              "Velm_System::Velm_System: Unable to obtain path to game executable.");
    EXPECT_FALSE(fs::exists(o / "e"));
}

// In static initialisation nothing catches the exception and the log is not started: the reason
// must still reach standard error before the process ends.
TEST(SystemImStart, AbbruchNenntDenGrund) {
    EXPECT_DEATH(
        {
            auto baue = []() noexcept { Velm_System system(std::nullopt, std::nullopt, ""); };
            baue();
        },
        "!Unable to obtain path to executable.\n!Now we are all going to die.\n");
}

// The global object of a fresh process whose user folder cannot be created: the log is not
// started yet, so the error reaches standard error only, and the program still starts.
TEST(GlobalesSystem, FehlerImStartStehtAufDerFehlerausgabe) {
    TTempOrdner ordner;
    std::ofstream(ordner.Pfad() / "datei") << "kein Ordner";
    const fs::path daten = ordner.Pfad() / "datei" / "unter";
    const fs::path ausgabeDatei = ordner.Pfad() / "ausgabe.txt";
    const std::string befehl = "XDG_DATA_HOME='" + daten.string() + "' '" +
                               Plattform::ProgrammPfad()->string() + "' --gtest_list_tests >'" +
                               ausgabeDatei.string() + "' 2>&1";
    EXPECT_EQ(std::system(befehl.c_str()), 0);
    const std::string ausgabe = TextDerDatei(ausgabeDatei);
    // The line comes first: no log line before the log was started.
    EXPECT_EQ(ausgabe.rfind("!Unable to create user data path \"" + (daten / "Nadrel").string() + "\".", 0),
              0u);
    EXPECT_NE(ausgabe.find("GlobalesSystem."), std::string::npos);
}
