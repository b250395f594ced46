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

fs::path AnwendungsOrdner(const fs::path& programm) {
    TTempOrdner daten;
    return Velm_System(programm, daten.Pfad(), "x").mAnwendungsOrdner;
}

// Sets an environment variable for one test and restores it afterwards.
class TUmgebung {
public:
    TUmgebung(const char* name, const char* wert) : mName(name) {
        if (const char* alt = std::getenv(name))
            mAlt = alt;
        if (wert)
            setenv(name, wert, 1);
        else
            unsetenv(name);
    }
    ~TUmgebung() {
        if (mAlt)
            setenv(mName.c_str(), mAlt->c_str(), 1);
        else
            unsetenv(mName.c_str());
    }

private:
    std::string mName;
    std::optional<std::string> mAlt;
};

class System : public ::testing::Test {
protected:
    void SetUp() override { Velm_Konsole::Starte(mOrdner.Pfad(), "system.log"); }
    TTempOrdner mOrdner;
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

    EXPECT_EQ(system.mPraesenz, Velm_System::Aktiv);
    EXPECT_TRUE(system.mSichtbar);
    EXPECT_TRUE(system.mFokussiert);
    EXPECT_FALSE(system.mBeenden);
    EXPECT_TRUE(system.mProFrame.empty());

    // Removed, so the next run creates it again.
    fs::remove_all(fs::path(kXdgDaten));
}

TEST(SystemOrdner, Bin64UndBin32ZeigenAufDenOrdnerDarueber) {
    EXPECT_EQ(AnwendungsOrdner("/spiele/nadrel/bin64/nadrel"), "/spiele/nadrel");
    EXPECT_EQ(AnwendungsOrdner("/spiele/nadrel/bin32/nadrel"), "/spiele/nadrel");
    EXPECT_EQ(AnwendungsOrdner("/spiele/nadrel/nadrel"), "/spiele/nadrel");
    // Exact names only, once only.
    EXPECT_EQ(AnwendungsOrdner("/spiele/nadrel/Bin64/nadrel"), "/spiele/nadrel/Bin64");
    EXPECT_EQ(AnwendungsOrdner("/spiele/nadrel/bin64x/nadrel"), "/spiele/nadrel/bin64x");
    EXPECT_EQ(AnwendungsOrdner("/spiele/bin64/bin64/nadrel"), "/spiele/bin64");
    EXPECT_EQ(AnwendungsOrdner("/bin64/nadrel"), "/");
    // A backslash is part of a name, not a separator.
    EXPECT_EQ(AnwendungsOrdner("/spiele/a\\bin64/nadrel"), "/spiele/a\\bin64");
    EXPECT_EQ(AnwendungsOrdner("/spiele/bin64\\nadrel"), "/spiele");
}

TEST_F(System, BenutzerOrdnerWirdMitAllenElternAngelegt) {
    TLogMitschrift mitschrift;
    const fs::path daten = mOrdner.Pfad() / "a" / "b";
    const Velm_System system("/spiel/nadrel", daten, "name");
    EXPECT_EQ(system.mBenutzerOrdner, daten / "Nadrel");
    EXPECT_TRUE(fs::is_directory(daten / "Nadrel"));
    EXPECT_EQ(system.mBenutzerName, "name");
    EXPECT_TRUE(mitschrift.mZeilen.empty());
}

TEST_F(System, VorhandenerBenutzerOrdnerBleibtWieErIst) {
    fs::create_directories(mOrdner.Pfad() / "Nadrel");
    std::ofstream(mOrdner.Pfad() / "Nadrel" / "spiel.cfg") << "bleibt";
    TLogMitschrift mitschrift;
    const Velm_System system("/spiel/nadrel", mOrdner.Pfad(), "name");
    EXPECT_EQ(system.mBenutzerOrdner, mOrdner.Pfad() / "Nadrel");
    EXPECT_TRUE(fs::exists(mOrdner.Pfad() / "Nadrel" / "spiel.cfg"));
    EXPECT_TRUE(mitschrift.mZeilen.empty());
}

TEST_F(System, OhneDatenOrdnerNimmtEsDenAnwendungsOrdner) {
    TLogMitschrift mitschrift;
    const Velm_System system(mOrdner.Pfad() / "bin64" / "nadrel", std::nullopt, "name");
    EXPECT_EQ(system.mAnwendungsOrdner, mOrdner.Pfad());
    EXPECT_EQ(system.mBenutzerOrdner, mOrdner.Pfad() / "Nadrel");
    EXPECT_TRUE(fs::is_directory(mOrdner.Pfad() / "Nadrel"));
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_TRUE(
        mitschrift.Enthaelt("?Unable to obtain path to \"AppData\". Trying application directory...\n"));
}

TEST_F(System, OhneBenutzerNamenHeisstErUser) {
    TLogMitschrift mitschrift;
    const Velm_System system("/spiel/nadrel", mOrdner.Pfad(), "");
    EXPECT_EQ(system.mBenutzerName, "user");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_TRUE(mitschrift.Enthaelt("?Unable to obtain user name. Using dummy name instead...\n"));
}

TEST_F(System, NichtAnlegbarerOrdnerWirdGemeldetUndErtragen) {
    std::ofstream(mOrdner.Pfad() / "datei") << "kein Ordner";
    TLogMitschrift mitschrift;
    testing::internal::CaptureStderr();
    const Velm_System system("/spiel/nadrel", mOrdner.Pfad() / "datei" / "unter", "name");
    const std::string fehler = testing::internal::GetCapturedStderr();
    const std::string zeile = "!Unable to create user data path \"" +
                              (mOrdner.Pfad() / "datei" / "unter" / "Nadrel").string() +
                              "\". This will end in tears.";
    EXPECT_TRUE(mitschrift.Enthaelt(zeile + "\n"));
    EXPECT_EQ(fehler, zeile + "\n");
    EXPECT_EQ(system.mBenutzerOrdner, mOrdner.Pfad() / "datei" / "unter" / "Nadrel");
    EXPECT_EQ(system.mBenutzerName, "name");
}

TEST_F(System, OhneProgrammPfadWirftEsUndSagtWarum) {
    TLogMitschrift mitschrift;
    testing::internal::CaptureStderr();
    try {
        Velm_System system(std::nullopt, mOrdner.Pfad(), "name");
        ADD_FAILURE() << "keine Ausnahme";
    } catch (const Velm_Ausnahme& ausnahme) {
        EXPECT_EQ(ausnahme.mText, "Unable to obtain path to game executable.");
        EXPECT_EQ(ausnahme.mFunktion, "Velm_System::Velm_System");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "!Unable to obtain path to executable.\n!Now we are all going to die.\n");
    EXPECT_TRUE(mitschrift.Enthaelt("!Unable to obtain path to executable.\n"));
    EXPECT_TRUE(mitschrift.Enthaelt("!Now we are all going to die.\n"));
    EXPECT_FALSE(fs::exists(mOrdner.Pfad() / "Nadrel"));
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

TEST(SystemZustand, PraesenzSignalUndProFrame) {
    EXPECT_EQ(uint32_t(Velm_System::Aktiv), 0u);
    EXPECT_EQ(uint32_t(Velm_System::Inaktiv), 1u);
    EXPECT_EQ(uint32_t(Velm_System::Minimiert), 2u);

    TTempOrdner ordner;
    Velm_System system("/spiel/nadrel", ordner.Pfad(), "name");
    std::vector<Velm_System::Praesenz> gemeldet;
    system.mPraesenzSignal.connect([&](Velm_System::Praesenz p) { gemeldet.push_back(p); });
    system.mPraesenz = Velm_System::Minimiert;
    system.mPraesenzSignal(system.mPraesenz);
    EXPECT_EQ(gemeldet, std::vector<Velm_System::Praesenz>{Velm_System::Minimiert});

    int frames = 0;
    system.mProFrame = [&] { ++frames; };
    system.mProFrame();
    EXPECT_EQ(frames, 1);
}

TEST(PlattformOrdner, XdgDataHomeNurAbsolut) {
    TUmgebung heim("HOME", "/heim/spieler");
    {
        TUmgebung xdg("XDG_DATA_HOME", "/daten/xdg");
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/daten/xdg"));
    }
    {
        TUmgebung xdg("XDG_DATA_HOME", "relativ/xdg");
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/heim/spieler/.local/share"));
    }
    {
        TUmgebung xdg("XDG_DATA_HOME", "");
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/heim/spieler/.local/share"));
    }
    {
        TUmgebung xdg("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path("/heim/spieler/.local/share"));
    }
}

TEST(PlattformOrdner, OhneHomeGiltDerEintragDerBenutzerdatenbank) {
    TUmgebung xdg("XDG_DATA_HOME", nullptr);
    TUmgebung heim("HOME", nullptr);
    const passwd* eintrag = getpwuid(geteuid());
    if (eintrag && eintrag->pw_dir && eintrag->pw_dir[0] == '/')
        EXPECT_EQ(Plattform::DatenOrdner(), fs::path(eintrag->pw_dir) / ".local/share");
    else
        EXPECT_EQ(Plattform::DatenOrdner(), std::nullopt);
    EXPECT_EQ(Plattform::BenutzerName(), eintrag ? eintrag->pw_name : "");
}
