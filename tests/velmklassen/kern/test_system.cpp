#include "plattform/system/plattform_ordner.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Set by the test's CMake part for this program, so the global object was built below it.
const char* const kXdgDaten = std::getenv("XDG_DATA_HOME");

// The global object is built before main; this initialiser of another file sees it complete.
const std::string gBenutzerOrdnerBeimStart = Velm_System::Global().mBenutzerOrdner.string();

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

TEST(GlobalesSystem, OrdnerAusDerUmgebung) {
    ASSERT_NE(kXdgDaten, nullptr);
    const Velm_System& system = Velm_System::Global();
    EXPECT_EQ(system.mBenutzerOrdner, fs::path(kXdgDaten) / "Nadrel");
    EXPECT_EQ(gBenutzerOrdnerBeimStart, system.mBenutzerOrdner.string());
    // Created with its missing parents.
    EXPECT_TRUE(fs::is_directory(system.mBenutzerOrdner));
    const std::optional<fs::path> programm = Plattform::ProgrammPfad();
    ASSERT_TRUE(programm);
    EXPECT_TRUE(fs::equivalent(*programm, "/proc/self/exe"));
    EXPECT_EQ(system.mAnwendungsOrdner, programm->parent_path());
    EXPECT_FALSE(system.mBenutzerName.empty());
    // Removed, so the next run creates it again.
    fs::remove_all(fs::path(kXdgDaten));
}

TEST(SystemOrdner, Bin64UndBin32ZeigenAufDenOrdnerDarueber) {
    const std::pair<const char*, const char*> faelle[] = {
        {"/spiele/nadrel/bin64/nadrel", "/spiele/nadrel"},
        {"/spiele/nadrel/bin32/nadrel", "/spiele/nadrel"},
        {"/spiele/nadrel/nadrel", "/spiele/nadrel"},
        // Exact names only, once only.
        {"/spiele/nadrel/Bin64/nadrel", "/spiele/nadrel/Bin64"},
        {"/spiele/nadrel/bin64x/nadrel", "/spiele/nadrel/bin64x"},
        {"/spiele/bin64/bin64/nadrel", "/spiele/bin64"},
        {"/bin64/nadrel", "/"},
        // A backslash is part of a name, not a separator.
        {"/spiele/a\\bin64/nadrel", "/spiele/a\\bin64"},
        {"/spiele/bin64\\nadrel", "/spiele"},
    };
    TTempOrdner daten;
    for (const auto& [programm, ordner] : faelle)
        EXPECT_EQ(Velm_System(programm, daten.Pfad(), "x").mAnwendungsOrdner, ordner) << programm;
}

TEST(System, BenutzerOrdnerUndNameMitRueckfaellen) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "system.log");
    const fs::path o = ordner.Pfad();
    fs::create_directories(o / "da" / "Nadrel");
    std::ofstream(o / "da" / "Nadrel" / "spiel.cfg") << "bleibt";
    std::ofstream(o / "datei") << "kein Ordner";
    const std::string nichtAnlegbar = "!Unable to create user data path \"" +
                                      (o / "datei" / "unter" / "Nadrel").string() +
                                      "\". This will end in tears.";
    struct Fall {
        fs::path programm;
        std::optional<fs::path> daten;
        const char* name;
        fs::path benutzerOrdner;
        const char* benutzerName;
        std::string zeile; // the one line logged, and also on standard error when it starts with '!'
    };
    const Fall faelle[] = {
        {"/spiel/nadrel", o / "a" / "b", "name", o / "a" / "b" / "Nadrel", "name", ""},
        {"/spiel/nadrel", o / "da", "name", o / "da" / "Nadrel", "name", ""},
        {o / "bin64" / "nadrel", std::nullopt, "name", o / "Nadrel", "name",
         "?Unable to obtain path to \"AppData\". Trying application directory..."},
        {"/spiel/nadrel", o / "c", "", o / "c" / "Nadrel", "user",
         "?Unable to obtain user name. Using dummy name instead..."},
        {"/spiel/nadrel", o / "datei" / "unter", "name", o / "datei" / "unter" / "Nadrel", "name",
         nichtAnlegbar},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.benutzerOrdner);
        TLogMitschrift mitschrift;
        testing::internal::CaptureStderr();
        const Velm_System system(fall.programm, fall.daten, fall.name);
        const std::string fehler = testing::internal::GetCapturedStderr();
        EXPECT_EQ(system.mBenutzerOrdner, fall.benutzerOrdner);
        EXPECT_EQ(fs::is_directory(fall.benutzerOrdner), fall.zeile != nichtAnlegbar);
        EXPECT_EQ(system.mBenutzerName, fall.benutzerName);
        EXPECT_EQ(mitschrift.Texte(),
                  fall.zeile.empty() ? std::vector<std::string>{} : std::vector{fall.zeile});
        EXPECT_EQ(fehler, fall.zeile[0] == '!' ? fall.zeile + "\n" : "");
    }
    EXPECT_TRUE(fs::exists(o / "da" / "Nadrel" / "spiel.cfg"));

    TLogMitschrift mitschrift;
    testing::internal::CaptureStderr();
    try {
        Velm_System system(std::nullopt, o / "e", "name");
        ADD_FAILURE() << "keine Ausnahme";
    } catch (const Velm_Ausnahme& ausnahme) {
        EXPECT_EQ(ausnahme.mFunktion + ": " + ausnahme.mText,
                  "Velm_System::Velm_System: Unable to obtain path to game executable.");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "!Unable to obtain path to executable.\n!Now we are all going to die.\n");
    EXPECT_EQ(mitschrift.Texte(), (std::vector<std::string>{"!Unable to obtain path to executable.",
                                                            "!Now we are all going to die."}));
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
        "Unable to obtain path to executable.");
}

// The global object of a fresh process whose user folder cannot be created: the log is not
// started yet, so the error reaches standard error only, and the program still starts.
TEST(GlobalesSystem, FehlerImStartStehtAufDerFehlerausgabe) {
    TTempOrdner ordner;
    std::ofstream(ordner.Pfad() / "datei") << "kein Ordner";
    const fs::path daten = ordner.Pfad() / "datei" / "unter";
    const std::string befehl = "XDG_DATA_HOME='" + daten.string() + "' '" +
                               Plattform::ProgrammPfad()->string() + "' --gtest_list_tests 2>&1";
    FILE* kind = popen(befehl.c_str(), "r");
    ASSERT_NE(kind, nullptr);
    std::string ausgabe;
    char block[4096];
    while (const size_t n = std::fread(block, 1, sizeof block, kind))
        ausgabe.append(block, n);
    EXPECT_EQ(pclose(kind), 0);
    const std::string zeile =
        "!Unable to create user data path \"" + (daten / "Nadrel").string() + "\". This will end in tears.\n";
    EXPECT_EQ(ausgabe.substr(0, zeile.size()), zeile);
    EXPECT_EQ(ausgabe.find("(t"), std::string::npos) << "a log line before the log was started";
    EXPECT_NE(ausgabe.find("GlobalesSystem."), std::string::npos);
}

TEST(PlattformOrdner, XdgDataHomeNurAbsolutSonstHomeSonstBenutzerdatenbank) {
    TUmgebung heim("HOME", "/heim/spieler");
    for (const char* xdg : {"relativ/xdg", "", static_cast<const char*>(nullptr)}) {
        TUmgebung umgebung("XDG_DATA_HOME", xdg);
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/heim/spieler/.local/share"));
    }
    {
        TUmgebung umgebung("XDG_DATA_HOME", "/daten/xdg");
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/daten/xdg"));
    }
    TUmgebung xdg("XDG_DATA_HOME", nullptr);
    TUmgebung ohneHeim("HOME", nullptr);
    const passwd* eintrag = getpwuid(geteuid());
    if (eintrag && eintrag->pw_dir && eintrag->pw_dir[0] == '/')
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path(eintrag->pw_dir) / ".local/share");
    else
        EXPECT_EQ(Plattform::DatenOrdner(), std::nullopt);
    EXPECT_EQ(Plattform::BenutzerName(), eintrag ? eintrag->pw_name : "");
}
