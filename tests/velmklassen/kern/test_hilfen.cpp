#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

TEST(AlphaFarbe, AlsARGB) {
    EXPECT_EQ((TAlphaFarbe{1, 0, 0, 1}.AlsARGB()), 0xFFFF0000u);
    EXPECT_EQ((TAlphaFarbe{0.5f, 0.5f, 0.5f, 0.5f}.AlsARGB()), 0x80808080u);
    EXPECT_EQ((TAlphaFarbe{0, 0, 1, 0}.AlsARGB()), 0x000000FFu);
    EXPECT_EQ((TAlphaFarbe{0.2f, 0.4f, 0.6f, 0.8f}.AlsARGB()), 0xCC336699u);
}

TEST(AlphaFarbe, KanaeleAusserhalbBleibenInIhremByte) {
    EXPECT_EQ((TAlphaFarbe{2, -1, 0, 1}.AlsARGB()), 0xFFFF0000u);
    EXPECT_EQ((TAlphaFarbe{0, 1.5f, -0.5f, 3}.AlsARGB()), 0xFF00FF00u);
    EXPECT_EQ((TAlphaFarbe{NAN, 0, 0, 0}.AlsARGB()), 0u);
}

TEST(Utf8, LaengeJeBereich) {
    EXPECT_EQ(Velm_KodiereUtf8(0), "");
    EXPECT_EQ(Velm_KodiereUtf8(0x7F), "\x7F");
    EXPECT_EQ(Velm_KodiereUtf8(0x80), "\xC2\x80");
    EXPECT_EQ(Velm_KodiereUtf8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(Velm_KodiereUtf8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(Velm_KodiereUtf8(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(Velm_KodiereUtf8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(Velm_KodiereUtf8(0xFC), "ü");
}

TEST(Utf8, Utf16MitErsatzpaaren) {
    const std::u16string text = u"Grüße 😀";
    EXPECT_EQ(Velm_WandleUtf16InUtf8(text.data(), text.data() + text.size()), "Grüße 😀");
    const char16_t abgeschnitten[] = {u'a', 0xD83D};
    EXPECT_EQ(Velm_WandleUtf16InUtf8(abgeschnitten, abgeschnitten + 2), "a");
    const char16_t mitNull[] = {u'a', 0, u'b'};
    EXPECT_EQ(Velm_WandleUtf16InUtf8(mitNull, mitNull + 3), "ab");
}

TEST(Ausnahme, TraegtTextFunktionDateiUndZeile) {
    try {
        VELM_WIRF("Screen initialisation failed.", "Velm_Screen3D::Init");
        FAIL();
    } catch (const Velm_Ausnahme& ausnahme) {
        EXPECT_EQ(ausnahme.mText, "Screen initialisation failed.");
        EXPECT_EQ(ausnahme.mFunktion, "Velm_Screen3D::Init");
        EXPECT_FALSE(ausnahme.mDatei.empty());
        EXPECT_GT(ausnahme.mZeile, 0);
    }
}

TEST(Ausnahme, PruefberichtSchreibtUndBrichtUndMachtWeiter) {
    TTempOrdner ordner;
    Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
    TLogMitschrift mitschrift;
    THaltepunktZaehler haltepunkte;

    EXPECT_TRUE(VELM_PRUEFE(1 + 1 == 2, "nie", "Test::Gut"));
    EXPECT_EQ(haltepunkte.Anzahl(), 0);
    EXPECT_FALSE(VELM_PRUEFE(1 + 1 == 3, "Rechnung falsch", "Test::Schlecht"));
    EXPECT_EQ(haltepunkte.Anzahl(), 1);
    ASSERT_EQ(mitschrift.mZeilen.size(), 1u);
    const std::string zeile = mitschrift.mZeilen[0].substr(21);
    EXPECT_EQ(zeile.rfind("!Ausnahme \"Rechnung falsch\" aufgetreten in Funktion Test::Schlecht (", 0), 0u);
    EXPECT_EQ(zeile.substr(zeile.size() - 3), ").\n");
}

// On another thread the report line cannot wait for the main thread's flush: the break ends the
// process first. It reaches the log file and standard error before the break.
TEST(Ausnahme, PruefberichtAufAnderemFadenSchreibtSofort) {
    const auto ordner = std::filesystem::temp_directory_path() / "velm_test_pruefbericht_faden";
    std::filesystem::create_directories(ordner);
    const char* zeile = "!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden (";
    EXPECT_EXIT(
        {
            Velm_Konsole::Starte(ordner, "spiel.log");
            std::thread([] { VELM_PRUEFE(false, "Faden kaputt", "Test::Faden"); }).join();
        },
        testing::KilledBySignal(SIGTRAP), "Faden kaputt");
    std::ifstream datei(ordner / "spiel.log");
    const std::string inhalt{std::istreambuf_iterator<char>(datei), {}};
    EXPECT_NE(inhalt.find(zeile), std::string::npos) << inhalt;
    std::filesystem::remove_all(ordner);
}

TEST(Ausnahme, HaltepunktOhneHakenBeendetDenProzess) {
    EXPECT_EXIT(Plattform::Haltepunkt(), testing::KilledBySignal(SIGTRAP), "Haltepunkt ohne Debugger");
}
