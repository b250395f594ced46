// Whole frames of the scene renderer on the headless device, through the pause filter as a copy:
// the grey image enlarged by a power of two and centred, the right way up, and a new scene texture
// for a new display size.

#include "nadrel/darstellung/renderer.h"
#include "nadrel/filter/testhilfe.h"
#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/render/velm_textur.h"

#include <algorithm>
#include <tuple>

namespace {

using namespace Spiel;
using filtertest::Satz;
using RendererTest = filtertest::FilterTest;

// Whole frames of the scene renderer through the pause filter at strength 0 (a copy), run as the
// frame job runs them: the grey image enlarged and centred, the border in the clear colour, the
// picture the right way up.
TEST_F(RendererTest, SzeneVergroessertMittigUndAufrecht) {
    // On the 64 x 32 screen (vertical scale twice the horizontal) these land at a quarter of the
    // image from its top-left and from its bottom-right corner.
    const Punkt punkte[] = {{-2.74f, 1.37f, 8, 0xFFFFFFFF}, {2.74f, -1.37f, 8, 0x6000FFFF}};
    // The grey image's height, an empty scene, and where the image lands.
    const std::tuple<uint64_t, bool, int64_t, int64_t, int64_t, int64_t> faelle[] = {
        {12, false, 16, 4, 48, 28}, // 16 x 12 doubled
        {6, false, 16, 4, 48, 28},  // 8 x 6 four times
        {30, false, 12, 1, 52, 31}, // 40 x 30 as it is
        {12, true, 16, 4, 48, 28},
    };
    Renderer renderer(NADREL_DATEN);
    FilterSatz filter = Satz(renderer.mFilter.mEffekte, "pause");
    filter.SetParameter("staerke", 0, 0, 0, 0);
    Velm_ParallelKern kern;
    const auto frame = [&](Szene& welt, uint64_t hoehe) {
        kern.StarteImHauptfaden([&] {
            renderer.ZeichneSzene(welt, hoehe, {}, 0, 0, filter);
            kern.BeendeHauptschleife();
        });
        kern.BearbeiteHauptschleife();
    };
    for (auto [hoehe, leer, x0, y0, x1, y1] : faelle) {
        SCOPED_TRACE(testing::Message() << hoehe << (leer ? " empty" : ""));
        Szene welt(nullptr);
        if (!leer)
            welt.NeueInstanz(punkte, punkte + 2, Einheitsmatrix());
        frame(welt, hoehe);
        LiesZurueck();
        uint32_t hellstes[2][2] = {};
        for (int64_t y = 0; y < kHoehe; ++y)
            for (int64_t x = 0; x < kBreite; ++x) {
                const uint32_t farbe = Pixel(mRueck, uint64_t(x), uint64_t(y)) & 0xFFFFFF;
                if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                    ASSERT_EQ(farbe, 0x1a1a1au) << x << "," << y;
                    continue;
                }
                uint32_t& h = hellstes[2 * (y - y0) / (y1 - y0)][2 * (x - x0) / (x1 - x0)];
                h = std::max(h, farbe & 0xFF);
            }
        EXPECT_EQ(hellstes[0][1] + hellstes[1][0], 0u);
        EXPECT_EQ(hellstes[0][0] > hellstes[1][1] && hellstes[1][1] > 0, !leer);
        EXPECT_EQ(hellstes[0][0] + hellstes[1][1] == 0, leer);
    }

    // A new display size makes a new scene texture before anything is drawn.
    rendertest::SetzeBildschirm(32, 16);
    Szene welt(nullptr);
    frame(welt, 12);
    EXPECT_EQ(renderer.mSzenenTextur->mBreite, 32u);
    EXPECT_EQ(renderer.mSzenenTextur->mHoehe, 16u);
}

} // namespace
