#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <thread>

TEST(AlphaFarbe, AlsARGBBegrenztJedenKanalAufSeinByte) {
    const std::pair<TAlphaFarbe, uint32_t> faelle[] = {
        {{1, 0, 0, 1}, 0xFFFF0000u},
        {{0.5f, 0.5f, 0.5f, 0.5f}, 0x80808080u},
        {{0.2f, 0.4f, 0.6f, 0.8f}, 0xCC336699u},
        {{2, -1, 0, 1}, 0xFFFF0000u},
        {{0, 1.5f, -0.5f, 3}, 0xFF00FF00u},
        {{NAN, 0, 0, 0}, 0u},
    };
    for (const auto& [farbe, argb] : faelle)
        EXPECT_EQ(farbe.AlsARGB(), argb) << farbe.r << " " << farbe.g;
}

TEST(Utf8, JederBereichUndErsatzpaare) {
    const std::pair<uint32_t, const char*> faelle[] = {
        {0, ""},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
    };
    for (const auto& [zeichen, utf8] : faelle)
        EXPECT_EQ(Velm_KodiereUtf8(zeichen), utf8) << zeichen;
    const std::u16string text = u"Grüße 😀";
    EXPECT_EQ(Velm_WandleUtf16InUtf8(text.data(), text.data() + text.size()), "Grüße 😀");
    // A lone high surrogate at the end and a zero are left out.
    const char16_t kaputt[] = {u'a', 0, u'b', 0xD83D};
    EXPECT_EQ(Velm_WandleUtf16InUtf8(kaputt, kaputt + 4), "ab");
}

using Ausnahme = TLogTest;

TEST_F(Ausnahme, PruefberichtSchreibtUndBrichtUndMachtWeiter) {
    EXPECT_TRUE(VELM_PRUEFE(1 + 1 == 2, "nie", "Test::Gut"));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_FALSE(VELM_PRUEFE(1 + 1 == 3, "Rechnung falsch", "Test::Schlecht"));
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    ASSERT_EQ(mLog.mZeilen.size(), 1u);
    const std::string zeile = mLog.mZeilen[0].substr(21);
    EXPECT_EQ(zeile.rfind("!Ausnahme \"Rechnung falsch\" aufgetreten in Funktion Test::Schlecht (", 0), 0u);
    EXPECT_EQ(zeile.substr(zeile.size() - 3), ").\n");
}

// On another thread the report line cannot wait for the main thread's flush: the break ends the
// process first. It reaches the log file and standard error before the break.
TEST(AusnahmeImFaden, PruefberichtSchreibtSofort) {
    TTempOrdner ordner;
    EXPECT_EXIT(
        {
            Velm_Konsole::Starte(ordner.Pfad(), "spiel.log");
            std::thread([] { VELM_PRUEFE(false, "Faden kaputt", "Test::Faden"); }).join();
        },
        testing::KilledBySignal(SIGTRAP), "Faden kaputt");
    const std::string inhalt = TextDerDatei(ordner.Pfad() / "spiel.log");
    EXPECT_NE(inhalt.find("!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden ("),
              std::string::npos)
        << inhalt;
}

TEST(AusnahmeOhneHaken, HaltepunktBeendetDenProzess) {
    EXPECT_EXIT(Plattform::Haltepunkt(), testing::KilledBySignal(SIGTRAP), "Haltepunkt ohne Debugger");
}
