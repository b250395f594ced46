#include "velmklassen/kern/velm_farbe.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(AlphaFarbe, AlsARGBBegrenztJedenKanalAufSeinByte) {
    // clang-format off
    const std::pair<TAlphaFarbe, uint32_t> faelle[] = {
        {{0.2f, 0.4f, 0.6f, 0.8f}, 0xCC336699u}, {{2, -1, 0, 1}, 0xFFFF0000u},
        {{0, 1.5f, -0.5f, 3}, 0xFF00FF00u}, {{NAN, 0, 0, 0}, 0u}};
    // clang-format on
    for (const auto& [farbe, argb] : faelle)
        EXPECT_EQ(farbe.AlsARGB(), argb) << farbe.r << " " << farbe.g;
}
