// The key table of the platform's input layer: Linux keys to the engine's codes and back, and the
// fixed names of keys without a character.

#include "plattform/eingabe/plattform_eingabe.h"

#include <gtest/gtest.h>

using namespace Plattform;

namespace {

TEST(TastenTabelle, TastenDesSpielsUndEndenDerHauptbloecke) {
    // Linux key and engine code: Esc, W, F11, F12, both shifts; keypad Enter, right Ctrl, Up, Page Up,
    // Left, Right, Down, Page Down, Delete, right Alt, Pause, keypad /, Home, End, Insert.
    const std::pair<uint32_t, uint32_t> faelle[] = {
        {1, 1},     {17, 17},   {87, 87},   {88, 88},   {42, 42},   {54, 54},   {96, 156},
        {97, 157},  {103, 200}, {104, 201}, {105, 203}, {106, 205}, {108, 208}, {109, 209},
        {111, 211}, {100, 184}, {119, 197}, {98, 181},  {102, 199}, {107, 207}, {110, 210}};
    for (const auto& [linux, code] : faelle)
        EXPECT_EQ(LinuxTasteZuCode(linux, true), code) << linux;
    // The keypad's decimal key follows NumLock.
    EXPECT_EQ(LinuxTasteZuCode(83, true), 83u);
    EXPECT_EQ(LinuxTasteZuCode(83, false), 179u);
    EXPECT_EQ(CodeZuLinuxTaste(179), 83u);
}

// Every known key has one code below 256 that leads back to it, so no two keys share a code.
TEST(TastenTabelle, UnbekannteTastenOhneCodeEindeutigeCodesUndNamen) {
    for (uint32_t linux : {0u, 89u, 101u, 112u, 240u, 1000u, 0xFFFFFFFFu})
        EXPECT_EQ(LinuxTasteZuCode(linux, true), 0u) << linux;
    for (uint32_t code : {0u, 89u, 150u, 255u, 256u})
        EXPECT_EQ(CodeZuLinuxTaste(code), 0u) << code;
    for (uint32_t linux = 1; linux < 256; ++linux) {
        const uint32_t code = LinuxTasteZuCode(linux, true);
        if (code == 0)
            continue;
        EXPECT_LT(code, 256u);
        EXPECT_EQ(CodeZuLinuxTaste(code), linux) << code;
    }
    EXPECT_EQ(OeffneEingabe(nullptr), nullptr);
    // Keys without a character have English names.
    EXPECT_STREQ(FesterTastenName(156), "Num Enter");
    EXPECT_STREQ(FesterTastenName(30), "");
}

} // namespace
