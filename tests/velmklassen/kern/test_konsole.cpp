#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

std::string LiesDatei(const std::filesystem::path& pfad) {
    std::ifstream datei(pfad, std::ios::binary);
    std::stringstream inhalt;
    inhalt << datei.rdbuf();
    return inhalt.str();
}

uint16_t ErwarteteKennung(uint32_t faden) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int i = 0; i < 4; ++i) {
        hash ^= (faden >> (8 * i)) & 0xFF;
        hash *= 0x100000001b3ull;
    }
    return uint16_t(hash);
}

const std::regex kPraefix(R"(^\d{4}:\d{6} \(t[0-9a-f]{4}\): )");

// The log is process-wide: this fixture starts it once, on the test's main thread, in a fresh
// folder, with both switches on.
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

TEST_F(Konsole, StartKuerztDieDateiUndSchreibtLogStart) {
    TTempOrdner ordner;
    std::ofstream(ordner.Pfad() / "spiel.log") << "alter Inhalt\n";
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    const std::string inhalt = LiesDatei(ordner.Pfad() / "spiel.log");
    EXPECT_TRUE(std::regex_search(inhalt, kPraefix));
    EXPECT_EQ(inhalt.substr(21), "Log-Start\n");
}

TEST_F(Konsole, ZeileGehtInDateiDannAnzeigeDannStandardausgabe) {
    struct Pruefer : TLogMitschrift {
        std::filesystem::path mLog;
        bool mDateiSchonGeschrieben = false;
        void NeueZeile(const char* zeile) override {
            mDateiSchonGeschrieben = LiesDatei(mLog).find("Reihenfolge") != std::string::npos;
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
    char kennung[8];
    std::snprintf(kennung, sizeof kennung, "(t%04x)", unsigned(ErwarteteKennung(Plattform::FadenId())));
    EXPECT_EQ(pruefer.mZeilen[0].substr(12, 7), kennung);
}

TEST_F(Konsole, LangeZeilenWerdenBei1997ZeichenAbgeschnitten) {
    TLogMitschrift mitschrift;
    const std::string passt(1976, 'a');
    const std::string zuLang(5000, 'b');
    Velm_Konsole::Schreibe("%s", passt.c_str());
    Velm_Konsole::Schreibe("%s", zuLang.c_str());
    Velm_Konsole::Schreibe("schon mit Zeilenende\n");
    ASSERT_EQ(mitschrift.mZeilen.size(), 3u);
    EXPECT_EQ(mitschrift.mZeilen[0].size(), 21u + 1976u + 1u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(21), passt + "\n");
    EXPECT_EQ(mitschrift.mZeilen[1].size(), 1998u);
    EXPECT_EQ(mitschrift.mZeilen[1].back(), '\n');
    EXPECT_EQ(mitschrift.mZeilen[1][1996], 'b');
    EXPECT_EQ(mitschrift.mZeilen[2].substr(21), "schon mit Zeilenende\n");
}

TEST_F(Konsole, MisslungeneFormatierungLaesstDenPraefixMitZeilenende) {
    TLogMitschrift mitschrift;
    // In the C locale a surrogate cannot be converted, so the formatting fails.
    Velm_Konsole::Schreibe("%ls", L"\xD800");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_EQ(mitschrift.mZeilen[0].size(), 21u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(18), "):\n");
}

TEST_F(Konsole, DebugZeilenNurMitTDebug) {
    TLogMitschrift mitschrift;
    Velm_Konsole::SchreibeDebug("sichtbar");
    t_debug.SetBool(false);
    Velm_Konsole::SchreibeDebug("unsichtbar");
    t_debug.SetBool(true);
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_NE(mitschrift.mZeilen[0].find("sichtbar"), std::string::npos);
}

TEST_F(Konsole, ZeilenAndererFaedenKommenErstMitAktualisiere) {
    TLogMitschrift mitschrift;
    uint32_t arbeiterFaden = 0;
    std::thread arbeiter([&] {
        arbeiterFaden = Plattform::FadenId();
        for (int i = 0; i < 45; ++i)
            Velm_Konsole::Schreibe("Arbeiter %02d", i);
    });
    arbeiter.join();
    Plattform::Schlafe(20);
    Velm_Konsole::Schreibe("Hauptfaden");
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);

    Velm_Konsole::Aktualisiere();
    ASSERT_EQ(mitschrift.mZeilen.size(), 46u);
    char kennung[8];
    std::snprintf(kennung, sizeof kennung, "(t%04x)", unsigned(ErwarteteKennung(arbeiterFaden)));
    for (int i = 0; i < 45; ++i) {
        const std::string& zeile = mitschrift.mZeilen[1 + i];
        EXPECT_EQ(zeile.substr(12, 7), kennung);
        char text[32];
        std::snprintf(text, sizeof text, "Arbeiter %02d\n", i);
        EXPECT_EQ(zeile.substr(21), text);
    }
    // A queued line keeps the time at which it was written, before the main thread's line.
    EXPECT_LT(mitschrift.mZeilen[45].substr(0, 11), mitschrift.mZeilen[0].substr(0, 11));
    EXPECT_NE(LiesDatei(mLog).find("Arbeiter 44"), std::string::npos);

    Velm_Konsole::Aktualisiere();
    EXPECT_EQ(mitschrift.mZeilen.size(), 46u);
}

TEST_F(Konsole, AktualisiereAufEinemAnderenFadenLaesstDieZeilenLiegen) {
    TLogMitschrift mitschrift;
    std::thread arbeiter([] {
        Velm_Konsole::Schreibe("vom Arbeiter");
        Velm_Konsole::Aktualisiere();
    });
    arbeiter.join();
    EXPECT_TRUE(mitschrift.mZeilen.empty());

    Velm_Konsole::Aktualisiere();
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    EXPECT_EQ(mitschrift.mZeilen[0].substr(21), "vom Arbeiter\n");
}

TEST_F(Konsole, DirekteZeilenEinesArbeitersStehenSofortInDateiUndAusgabe) {
    struct Fall {
        std::string text;
        std::string erwartet;
    };
    const std::vector<Fall> faelle = {
        {"!Absturz 100%s %d", "!Absturz 100%s %d\n"},
        {"schon mit Zeilenende\n", "schon mit Zeilenende\n"},
        {"", "\n"},
        {std::string(5000, 'c'), std::string(1976, 'c') + "\n"},
    };
    TLogMitschrift mitschrift;
    for (const Fall& fall : faelle) {
        int rohr[2];
        ASSERT_EQ(pipe(rohr), 0);
        std::thread arbeiter([&] { Velm_Konsole::SchreibeDirekt(fall.text.c_str(), rohr[1]); });
        arbeiter.join();
        close(rohr[1]);
        std::string ausgabe;
        char puffer[4096];
        for (ssize_t n; (n = read(rohr[0], puffer, sizeof puffer)) > 0;)
            ausgabe.append(puffer, size_t(n));
        close(rohr[0]);

        EXPECT_TRUE(std::regex_search(ausgabe, kPraefix));
        EXPECT_EQ(ausgabe.substr(21), fall.erwartet);
        const std::string datei = LiesDatei(mLog);
        EXPECT_EQ(datei.substr(datei.size() - ausgabe.size()), ausgabe);
    }
    EXPECT_TRUE(mitschrift.mZeilen.empty());
    Velm_Konsole::Aktualisiere();
    EXPECT_TRUE(mitschrift.mZeilen.empty());
}

TEST_F(Konsole, AnzeigeMeldetSichAbWennSieEndet) {
    {
        TLogMitschrift mitschrift;
        EXPECT_EQ(Velm_Konsole::Anzeige(), &mitschrift);
    }
    EXPECT_EQ(Velm_Konsole::Anzeige(), nullptr);
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
