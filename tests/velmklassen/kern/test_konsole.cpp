#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>
#include <unistd.h>

namespace {

const std::regex kPraefix(R"(^\d{4}:\d{6} \(t[0-9a-f]{4}\): )");

// The log is process-wide: this fixture starts it on the test's main thread, in a fresh folder,
// with both switches on.
class Konsole : public ::testing::Test {
protected:
    void SetUp() override {
        t_debug.SetBool(true);
        t_logfile.SetBool(true);
        Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
        mLog = mOrdner.Pfad() / "spiel.log";
    }

    TTempOrdner mOrdner;
    std::filesystem::path mLog;
};

} // namespace

// Runs first: nothing has started the log yet.
TEST(KonsoleVorDemStart, ZeilenWerdenVerworfen) {
    TLogMitschrift mitschrift;
    testing::internal::CaptureStdout();
    Velm_Konsole::Schreibe("verloren");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(mitschrift.mZeilen.empty());
}

TEST_F(Konsole, ZeileGehtInDateiDannAnzeigeDannStandardausgabe) {
    // A fresh start empties an old file and begins it with "Log-Start".
    std::ofstream(mLog) << "alter Inhalt\n";
    Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
    EXPECT_TRUE(std::regex_search(TextDerDatei(mLog), kPraefix));
    EXPECT_EQ(TextDerDatei(mLog).substr(21), "Log-Start\n");
    struct Pruefer : TLogMitschrift {
        std::filesystem::path mLog;
        bool mDateiSchonGeschrieben = false;
        void NeueZeile(const char* zeile) override {
            mDateiSchonGeschrieben = TextDerDatei(mLog).find("Reihenfolge") != std::string::npos;
            TLogMitschrift::NeueZeile(zeile);
        }
    } pruefer;
    pruefer.mLog = mLog;
    testing::internal::CaptureStdout();
    Velm_Konsole::Schreibe("Reihenfolge %d", 42);
    std::fflush(stdout);
    const std::string ausgabe = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(pruefer.mDateiSchonGeschrieben);
    ASSERT_EQ(pruefer.mZeilen.size(), 1u);
    EXPECT_EQ(ausgabe, pruefer.mZeilen[0]);
    EXPECT_TRUE(std::regex_search(pruefer.mZeilen[0], kPraefix));
    EXPECT_EQ(pruefer.mZeilen[0].substr(21), "Reihenfolge 42\n");
}

TEST_F(Konsole, ZeilentexteWerdenBegrenztUndAbgeschlossen) {
    const std::string passt(1976, 'a'), zuLang(5000, 'b');
    const std::pair<std::function<void()>, std::vector<std::string>> faelle[] = {
        {[&] { Velm_Konsole::Schreibe("%s", passt.c_str()); }, {passt + "\n"}},
        {[&] { Velm_Konsole::Schreibe("%s", zuLang.c_str()); }, {std::string(1976, 'b') + "\n"}},
        {[] { Velm_Konsole::Schreibe("schon mit Zeilenende\n"); }, {"schon mit Zeilenende\n"}},
        // In the C locale a surrogate cannot be converted: the formatting fails, the prefix stays.
        {[] { Velm_Konsole::Schreibe("%ls", L"\xD800"); }, {"):\n"}},
        {[] { Velm_Konsole::SchreibeDebug("sichtbar"); }, {"sichtbar\n"}},
        {[] {
             t_debug.SetBool(false);
             Velm_Konsole::SchreibeDebug("unsichtbar");
             t_debug.SetBool(true);
         },
         {}},
    };
    for (const auto& [schreibe, erwartet] : faelle) {
        TLogMitschrift mitschrift;
        schreibe();
        std::vector<std::string> texte;
        for (const std::string& zeile : mitschrift.mZeilen)
            texte.push_back(zeile.size() == 21 ? zeile.substr(18) : zeile.substr(21));
        EXPECT_EQ(texte, erwartet);
    }
    // A display that ends detaches itself.
    EXPECT_EQ(Velm_Konsole::Anzeige(), nullptr);
}

TEST_F(Konsole, ZeilenAndererFaedenKommenErstMitAktualisiere) {
    TLogMitschrift mitschrift;
    std::thread arbeiter([&] {
        for (int i = 0; i < 45; ++i)
            Velm_Konsole::Schreibe("Arbeiter %02d", i);
        // A flush on another thread leaves the lines queued instead of requeueing them forever.
        Velm_Konsole::Aktualisiere();
    });
    arbeiter.join();
    Plattform::Schlafe(20);
    Velm_Konsole::Schreibe("Hauptfaden");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);

    Velm_Konsole::Aktualisiere();
    std::vector<std::string> erwartet{"Hauptfaden"};
    for (int i = 0; i < 45; ++i)
        erwartet.push_back((i < 10 ? "Arbeiter 0" : "Arbeiter ") + std::to_string(i));
    ASSERT_EQ(mitschrift.Texte(), erwartet);
    const std::string kennung = mitschrift.mZeilen[1].substr(12, 7);
    EXPECT_NE(kennung, mitschrift.mZeilen[0].substr(12, 7));
    for (int i = 1; i < 46; ++i)
        EXPECT_EQ(mitschrift.mZeilen[i].substr(12, 7), kennung);
    // A queued line keeps the time at which it was written, before the main thread's line.
    EXPECT_LT(mitschrift.mZeilen[45].substr(0, 11), mitschrift.mZeilen[0].substr(0, 11));
    EXPECT_NE(TextDerDatei(mLog).find("Arbeiter 44"), std::string::npos);
    Velm_Konsole::Aktualisiere();
    EXPECT_EQ(mitschrift.mZeilen.size(), 46u);
}

TEST_F(Konsole, DirekteZeilenEinesArbeitersStehenSofortInDateiUndAusgabe) {
    const std::pair<std::string, std::string> faelle[] = {
        {"!Absturz 100%s %d", "!Absturz 100%s %d\n"},
        {"schon mit Zeilenende\n", "schon mit Zeilenende\n"},
        {"", "\n"},
        {std::string(5000, 'c'), std::string(1976, 'c') + "\n"},
    };
    TLogMitschrift mitschrift;
    for (const auto& [text, erwartet] : faelle) {
        const int ziel = open((mOrdner.Pfad() / "ausgabe").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::thread([&] { Velm_Konsole::SchreibeDirekt(text.c_str(), ziel); }).join();
        close(ziel);
        const std::string ausgabe = TextDerDatei(mOrdner.Pfad() / "ausgabe");
        EXPECT_TRUE(std::regex_search(ausgabe, kPraefix));
        EXPECT_EQ(ausgabe.substr(21), erwartet);
        const std::string datei = TextDerDatei(mLog);
        EXPECT_EQ(datei.substr(datei.size() - ausgabe.size()), ausgabe);
    }
    Velm_Konsole::Aktualisiere();
    EXPECT_TRUE(mitschrift.mZeilen.empty());
}

TEST(KonsoleOhneDatei, TLogfileAusBeimStartSetztKeinenPfad) {
    EXPECT_EXIT(
        {
            TTempOrdner ordner;
            t_logfile.SetBool(false);
            Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
            t_logfile.SetBool(true);
            Velm_Konsole::Schreibe("nirgends in einer Datei");
            std::exit(std::filesystem::exists(ordner.Pfad() / "spiel.log") ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}
