#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_utf8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string_view>
#include <thread>

using namespace std::string_view_literals;

TEST(AlphaFarbe, AlsARGBBegrenztJedenKanalAufSeinByte) {
    // clang-format off
    const std::pair<TAlphaFarbe, uint32_t> faelle[] = {
        {{0.2f, 0.4f, 0.6f, 0.8f}, 0xCC336699u}, {{2, -1, 0, 1}, 0xFFFF0000u},
        {{0, 1.5f, -0.5f, 3}, 0xFF00FF00u}, {{NAN, 0, 0, 0}, 0u}};
    // clang-format on
    for (const auto& [farbe, argb] : faelle)
        EXPECT_EQ(farbe.AlsARGB(), argb) << farbe.r << " " << farbe.g;
}

TEST(Utf8, JederBereichUndErsatzpaare) {
    // clang-format off
    const std::pair<uint32_t, const char*> faelle[] = {
        {0, ""}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"}, {0x10000, "\xF0\x90\x80\x80"}};
    // clang-format on
    for (const auto& [zeichen, utf8] : faelle)
        EXPECT_EQ(Velm_KodiereUtf8(zeichen), utf8) << zeichen;
    // A lone high surrogate at the end and a zero are left out.
    const std::u16string_view text = u"Grü\0ße 😀\xD83D"sv;
    EXPECT_EQ(Velm_WandleUtf16InUtf8(text.data(), text.data() + text.size()), "Grüße 😀");
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
        testing::KilledBySignal(SIGTRAP),
        "!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden \\(.+:[0-9]+\\)\\.");
    EXPECT_NE(TextDerDatei(ordner.Pfad() / "spiel.log")
                  .find("!Ausnahme \"Faden kaputt\" aufgetreten in Funktion Test::Faden ("),
              std::string::npos);
}

TEST(AusnahmeOhneHaken, HaltepunktBeendetDenProzess) {
    EXPECT_EXIT(Plattform::Haltepunkt(), testing::KilledBySignal(SIGTRAP), "Haltepunkt ohne Debugger");
}
