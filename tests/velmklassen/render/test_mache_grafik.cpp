// The overlay sprite sheet that Daten/mache_grafik.cpp makes, as the committed file holds it.

#include "velmklassen/bild/testhilfe.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// The overlay sprite sheet as the game loads it: sprite 0 opaque white, the key with see-through
// texels around it.
TEST(Overlaygrafik, SpritesDerMitgeliefertenDatei) {
    Velm_Bild bild;
    ASSERT_TRUE(bild.LadeBildAusDatei(VELM_DATEN "/grafik.png"));
    ASSERT_EQ(std::pair(bild.mBreite, bild.mHoehe), std::pair(uint64_t(48), uint64_t(16)));
    for (uint64_t y = 0; y < 16; ++y) {
        for (uint64_t x = 16; x < 32; ++x) {
            ASSERT_EQ(Pixel(bild, x, y), 0xFFFFFFFFu) << x << ", " << y;
        }
    }
    // Alpha of the disc's centre and corner, around the key, its ring and the hole in it.
    for (const auto& [x, y, alpha] :
         {std::tuple{7, 7, 255}, {0, 0, 0}, {32, 0, 0}, {34, 7, 255}, {36, 7, 0}}) {
        EXPECT_EQ(bild.mDaten[y * bild.mPitch + x * 4 + 3], alpha) << x << ", " << y;
    }
}

} // namespace
