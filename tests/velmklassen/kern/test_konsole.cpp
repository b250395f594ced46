#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <regex>
#include <thread>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using Liste = std::vector<std::string>;

using Konsole = TLogTest;

} // namespace

TEST_F(Konsole, ZeilenGehenInDateiAnzeigeUndStandardausgabe) {
    // A fresh start empties an old file and begins it with "Log-Start".
    std::ofstream(mOrdner.Pfad() / "spiel.log") << "alter Inhalt\n";
    Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
    mLog.mZeilen.clear();
    testing::internal::CaptureStdout();
    // 1,976 characters fill a line behind its prefix.
    const std::string passt(1973, 'a'), zuLang(5000, 'b');
    Velm_Konsole::Schreibe("%s %d", passt.c_str(), 42);
    Velm_Konsole::Schreibe("%s", zuLang.c_str());
    Velm_Konsole::Schreibe("schon mit Zeilenende\n");
    Velm_Konsole::SchreibeDebug("sichtbar");
    t_debug.SetBool(false);
    Velm_Konsole::SchreibeDebug("unsichtbar");
    t_debug.SetBool(true);
    // In the C locale a surrogate cannot be converted: the formatting fails, the prefix stays.
    Velm_Konsole::Schreibe("%ls", L"\xD800");
    std::fflush(stdout);
    const std::string ausgabe = testing::internal::GetCapturedStdout();
    EXPECT_EQ(mLog.Texte(),
              (Liste{passt + " 42", std::string(1976, 'b'), "schon mit Zeilenende", "sichtbar", ""}));
    EXPECT_EQ(mLog.mZeilen.back().substr(18), "):\n");
    const std::string datei = TextDerDatei(mOrdner.Pfad() / "spiel.log");
    EXPECT_TRUE(std::regex_search(datei, std::regex(R"(^\d{4}:\d{6} \(t[0-9a-f]{4}\): Log-Start\n)")));
    EXPECT_EQ(datei.substr(21), "Log-Start\n" + ausgabe);
}

TEST_F(Konsole, ZeilenAndererFaedenKommenErstMitAktualisiere) {
    Liste erwartet{"Hauptfaden"};
    std::thread arbeiter([&] {
        for (int i = 0; i < 45; ++i) {
            Velm_Konsole::Schreibe("Arbeiter %d", i);
            erwartet.push_back("Arbeiter " + std::to_string(i));
        }
        // A flush on another thread leaves the lines queued instead of requeueing them forever.
        Velm_Konsole::Aktualisiere();
    });
    arbeiter.join();
    Plattform::Schlafe(20);
    Velm_Konsole::Schreibe("Hauptfaden");
    ASSERT_EQ(mLog.mZeilen.size(), 1u);

    Velm_Konsole::Aktualisiere();
    ASSERT_EQ(mLog.Texte(), erwartet);
    // Queued lines keep the worker's tag and the time at which they were written.
    EXPECT_NE(mLog.mZeilen[1].substr(12, 7), mLog.mZeilen[0].substr(12, 7));
    EXPECT_EQ(mLog.mZeilen[45].substr(12, 7), mLog.mZeilen[1].substr(12, 7));
    EXPECT_LT(mLog.mZeilen[45].substr(0, 11), mLog.mZeilen[0].substr(0, 11));
    EXPECT_NE(TextDerDatei(mOrdner.Pfad() / "spiel.log").find("Arbeiter 44"), std::string::npos);
}

TEST_F(Konsole, DirekteZeilenEinesArbeitersStehenSofortInDateiUndAusgabe) {
    const std::pair<std::string, std::string> faelle[] = {
        {"!Absturz 100%s %d", "!Absturz 100%s %d\n"},
        {"schon mit Zeilenende\n", "schon mit Zeilenende\n"},
        {std::string(5000, 'c'), std::string(1976, 'c') + "\n"},
    };
    const std::filesystem::path pfad = mOrdner.Pfad() / "ausgabe";
    for (const auto& [text, erwartet] : faelle) {
        const int ziel = open(pfad.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::thread([&] { Velm_Konsole::SchreibeDirekt(text.c_str(), ziel); }).join();
        close(ziel);
        const std::string ausgabe = TextDerDatei(pfad);
        EXPECT_EQ(ausgabe.substr(21), erwartet);
        EXPECT_TRUE(TextDerDatei(mOrdner.Pfad() / "spiel.log").ends_with(ausgabe));
    }
    // Nothing was queued for the main thread.
    Velm_Konsole::Aktualisiere();
    EXPECT_TRUE(mLog.mZeilen.empty());
}

TEST_F(Konsole, TLogfileAusBeimStartSetztKeinenPfad) {
    TTempOrdner ordner;
    t_logfile.SetBool(false);
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    t_logfile.SetBool(true);
    Velm_Konsole::Schreibe("nirgends in diesem Ordner");
    EXPECT_FALSE(std::filesystem::exists(ordner.Pfad() / "spiel.log"));
}

// A log file that reaches the file-size limit stops there, and the program goes on. In a child
// process, which keeps SIGXFSZ as the program set it up at its start.
TEST_F(Konsole, DateiAnDerGrenzeHoertAufZuWachsen) {
    constexpr rlim_t kGrenze = 1000;
    std::fflush(stdout);
    const pid_t kind = fork();
    if (kind == 0) {
        const rlimit grenze{kGrenze, kGrenze};
        if (!std::freopen("/dev/null", "w", stdout) || setrlimit(RLIMIT_FSIZE, &grenze) != 0)
            _exit(2);
        // The child's only thread becomes the log's main thread, which writes the file.
        Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
        for (int i = 0; i < 100; ++i)
            Velm_Konsole::Schreibe("Zeile %d von 100", i);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::filesystem::file_size(mOrdner.Pfad() / "spiel.log"), kGrenze);
}
