// The platform's input layer without a display: key code table, key names, GUIDs, pad conversion,
// the clock and factory hooks and the scripted source.

#include "plattform/eingabe/plattform_eingabe.h"
#include "plattform/eingabe/plattform_eingabe_skript.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace Plattform;

namespace {

TEST(TastenTabelle, EveryKeyTheGameReads) {
    const std::pair<uint32_t, uint32_t> faelle[] = {
        {1, 1},     // Esc
        {14, 14},   // Backspace
        {15, 15},   // Tab
        {17, 17},   // W
        {28, 28},   // Enter
        {30, 30},   // A
        {31, 31},   // S
        {32, 32},   // D
        {59, 59},   // F1
        {74, 74},   // keypad -
        {78, 78},   // keypad +
        {87, 87},   // F11
        {96, 156},  // keypad Enter
        {97, 157},  // right Ctrl
        {103, 200}, // Up
        {104, 201}, // Page Up
        {105, 203}, // Left
        {106, 205}, // Right
        {108, 208}, // Down
        {109, 209}, // Page Down
        {111, 211}, // Delete
    };
    for (const auto& [linux, code] : faelle) {
        EXPECT_EQ(LinuxTasteZuCode(linux, true), code) << linux;
        EXPECT_EQ(LinuxTasteZuCode(linux, false), code) << linux;
        EXPECT_EQ(CodeZuLinuxTaste(code), linux) << code;
    }
}

TEST(TastenTabelle, OtherExtendedKeysAndBothShifts) {
    EXPECT_EQ(LinuxTasteZuCode(42, true), 42u);
    EXPECT_EQ(LinuxTasteZuCode(54, true), 54u);
    EXPECT_EQ(LinuxTasteZuCode(100, true), 184u);
    EXPECT_EQ(LinuxTasteZuCode(119, true), 197u);
    EXPECT_EQ(LinuxTasteZuCode(98, true), 181u);
    EXPECT_EQ(LinuxTasteZuCode(102, true), 199u);
    EXPECT_EQ(LinuxTasteZuCode(107, true), 207u);
    EXPECT_EQ(LinuxTasteZuCode(110, true), 210u);
}

TEST(TastenTabelle, TheKeypadDecimalKeyFollowsNumLock) {
    EXPECT_EQ(LinuxTasteZuCode(83, true), 83u);
    EXPECT_EQ(LinuxTasteZuCode(83, false), 179u);
    EXPECT_EQ(CodeZuLinuxTaste(179), 83u);
    EXPECT_EQ(CodeZuLinuxTaste(83), 83u);
}

TEST(TastenTabelle, UnknownKeysHaveNoCode) {
    for (uint32_t linux : {0u, 89u, 101u, 112u, 240u, 1000u, 0xFFFFFFFFu})
        EXPECT_EQ(LinuxTasteZuCode(linux, true), 0u) << linux;
    for (uint32_t code : {0u, 89u, 150u, 255u, 256u})
        EXPECT_EQ(CodeZuLinuxTaste(code), 0u) << code;
}

TEST(TastenTabelle, CodesAreDistinctAndRoundTrip) {
    std::set<uint32_t> gesehen;
    for (uint32_t linux = 1; linux < 256; ++linux) {
        const uint32_t code = LinuxTasteZuCode(linux, true);
        if (code == 0)
            continue;
        EXPECT_LT(code, 256u);
        EXPECT_TRUE(gesehen.insert(code).second) << code;
        EXPECT_EQ(CodeZuLinuxTaste(code), linux);
    }
}

TEST(TastenNamen, KeysWithoutCharacterHaveEnglishNames) {
    EXPECT_STREQ(FesterTastenName(1), "Esc");
    EXPECT_STREQ(FesterTastenName(200), "Up");
    EXPECT_STREQ(FesterTastenName(156), "Num Enter");
    EXPECT_STREQ(FesterTastenName(30), "");
    EXPECT_STREQ(FesterTastenName(9999), "");
}

TEST(Steuergeraete, ProductWordFromTheGuid) {
    // An Xbox 360 pad on USB: vendor 045e, product 028e.
    EXPECT_EQ(ProduktWortAusGuid("030000005e0400008e02000014010000"), 0x028E045Eu);
    EXPECT_EQ(ProduktWortAusGuid(nullptr), 0u);
    EXPECT_EQ(ProduktWortAusGuid(""), 0u);
    EXPECT_EQ(ProduktWortAusGuid("030000005e0400008e02"), 0u);
    EXPECT_EQ(ProduktWortAusGuid("0300000zzz0400008e020000140100xx"), 0x028Eu << 16);
}

TEST(Steuergeraete, GlfwPadStateInThePadLayout) {
    unsigned char knoepfe[15] = {};
    float achsen[6] = {0, 0, 0, 0, -1, -1};
    PadZustand ruhe = PadAusGlfw(knoepfe, achsen);
    EXPECT_EQ(ruhe.knoepfe, 0);
    EXPECT_EQ(ruhe.linkerAbzug, 0);
    EXPECT_EQ(ruhe.linksY, 0);

    // GLFW: 0 A, 6 Back, 7 Start, 11 D-pad up; axes: left x, left y, right x, right y, triggers.
    knoepfe[0] = knoepfe[6] = knoepfe[7] = knoepfe[11] = 1;
    const float voll[6] = {1, -1, -1, 1, 1, 0};
    PadZustand pad = PadAusGlfw(knoepfe, voll);
    EXPECT_EQ(pad.knoepfe, kPadA | kPadZurueck | kPadStart | kPadHoch);
    EXPECT_EQ(pad.linksX, 32767);
    EXPECT_EQ(pad.linksY, 32767);
    EXPECT_EQ(pad.rechtsX, -32767);
    EXPECT_EQ(pad.rechtsY, -32767);
    EXPECT_EQ(pad.linkerAbzug, 255);
    EXPECT_EQ(pad.rechterAbzug, 128);

    const float daneben[6] = {3, -7, 0, 0, 9, -9};
    PadZustand grenze = PadAusGlfw(knoepfe, daneben);
    EXPECT_EQ(grenze.linksX, 32767);
    EXPECT_EQ(grenze.linksY, 32767);
    EXPECT_EQ(grenze.linkerAbzug, 255);
    EXPECT_EQ(grenze.rechterAbzug, 0);
}

TEST(Haken, TheClockCanBeReplaced) {
    const uint32_t echt = EingabeUhr();
    SetzeEingabeUhr([] { return 42u; });
    EXPECT_EQ(EingabeUhr(), 42u);
    SetzeEingabeUhr(nullptr);
    EXPECT_GE(EingabeUhr() - echt, 0u);
    EXPECT_LT(EingabeUhr() - echt, 60000u);
}

TEST(Haken, WithoutAWindowThereIsNoInput) {
    EXPECT_EQ(OeffneEingabe(nullptr), nullptr);
}

TEST(Haken, TheFactoryCanBeReplaced) {
    SetzeEingabeFabrik(
        [](GLFWwindow*) -> std::unique_ptr<EingabeQuelle> { return std::make_unique<SkriptEingabe>(); });
    EXPECT_NE(OeffneEingabe(nullptr), nullptr);
    SetzeEingabeFabrik(nullptr);
}

TEST(Skript, PumpedRecordsReachTheReceiverAndBufferedOnesWait) {
    SkriptEingabe q;
    std::vector<RohSatz> empfangen;
    q.Pumpe(SkriptEingabe::Rad(2, 120));
    q.SetzeEmpfaenger([&](const RohSatz& s) { empfangen.push_back(s); });
    q.Pumpe(SkriptEingabe::Knopf(2, 1, false));
    q.Puffere(SkriptEingabe::TotTaste(1, 41, '^'));
    ASSERT_EQ(empfangen.size(), 1u);
    EXPECT_EQ(empfangen[0].maus.knopfFlags, MausKnopfHoch(1));
    RohSatz s;
    ASSERT_TRUE(q.LiesSatz(s));
    EXPECT_EQ(s.art, GeraeteArt::Tastatur);
    EXPECT_EQ(s.tastatur.uebersetzung, 2);
    EXPECT_EQ(s.tastatur.zeichen, uint32_t('^'));
    EXPECT_FALSE(q.LiesSatz(s));
}

} // namespace
