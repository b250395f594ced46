// Whole frames of the scene renderer on the headless device, through the game's pause filter at
// strength 0 (a copy): the grey image enlarged and centred, the border in the clear colour, the
// picture the right way up.

#include "nadrel/filtersatz.h"
#include "nadrel/renderer.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/render/render_testhilfe.h"
#include "velmklassen/render/velm_textur.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace Spiel;

class RendererTest : public rendertest::Kontext {
protected:
    // One frame from the origin, looking down +z, as the frame job runs it.
    void Frame(Renderer& renderer, Szene& welt, uint64_t hoehe, FilterSatz& filter) {
        mKern.StarteImHauptfaden([&] {
            renderer.ZeichneSzene(welt, hoehe, {}, 0, 0, filter);
            mKern.BeendeHauptschleife();
        });
        mKern.BearbeiteHauptschleife();
    }

    uint32_t Farbe(const Velm_Bild& bild, int64_t x, int64_t y) {
        uint32_t wert = 0;
        std::memcpy(&wert, bild.mDaten + uint64_t(y) * bild.mPitch + uint64_t(x) * 4, 4);
        return wert & 0xFFFFFF;
    }

    Velm_ParallelKern mKern;
};

TEST_F(RendererTest, BildVergroessertMittigUndAufrecht) {
    // On the 64 x 32 screen (vertical scale twice the horizontal) these land at a quarter of the
    // image from its top-left and from its bottom-right corner.
    const Punkt punkte[] = {{-2.74f, 1.37f, 8, 0xFFFFFFFF}, {2.74f, -1.37f, 8, 0x6000FFFF}};
    struct Fall {
        uint64_t hoehe;
        bool leer;
        int64_t x0, y0, x1, y1; // where the image lands
    } faelle[] = {
        {12, false, 16, 4, 48, 28}, // 16 x 12 doubled
        {6, false, 16, 4, 48, 28},  // 8 x 6 four times
        {30, false, 12, 1, 52, 31}, // 40 x 30 as it is
        {12, true, 16, 4, 48, 28},
    };
    Renderer renderer(NADREL_DATEN);
    FilterSatz filter(renderer.mFilter.mEffekte);
    filter.AddFilter("pause", 0);
    FilterVerwaltung::BerechneFilterkette(filter);
    filter.SetParameter("staerke", 0, 0, 0, 0);
    Velm_Bild rueck(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(testing::Message() << fall.hoehe << (fall.leer ? " empty" : ""));
        Szene welt(nullptr);
        if (!fall.leer)
            welt.NeueInstanz(punkte, punkte + 2, Einheitsmatrix());
        Frame(renderer, welt, fall.hoehe, filter);
        K().LiesBildschirmInhalt(rueck);

        uint32_t hellstes[2][2] = {};
        for (int64_t y = 0; y < kHoehe; ++y)
            for (int64_t x = 0; x < kBreite; ++x) {
                const uint32_t farbe = Farbe(rueck, x, y);
                if (x < fall.x0 || x >= fall.x1 || y < fall.y0 || y >= fall.y1) {
                    ASSERT_EQ(farbe, 0x1a1a1au) << x << "," << y;
                    continue;
                }
                uint32_t& h = hellstes[2 * (y - fall.y0) / (fall.y1 - fall.y0)]
                                      [2 * (x - fall.x0) / (fall.x1 - fall.x0)];
                h = std::max(h, farbe & 0xFF);
            }
        EXPECT_EQ(hellstes[0][1], 0u);
        EXPECT_EQ(hellstes[1][0], 0u);
        if (fall.leer) {
            EXPECT_EQ(hellstes[0][0], 0u);
            EXPECT_EQ(hellstes[1][1], 0u);
        } else {
            EXPECT_GT(hellstes[0][0], hellstes[1][1]);
            EXPECT_GT(hellstes[1][1], 0u);
        }
    }

    // A new display size makes a new scene texture before anything is drawn.
    rendertest::SetzeBildschirm(32, 16);
    Szene welt(nullptr);
    Frame(renderer, welt, 12, filter);
    EXPECT_EQ(renderer.mSzenenTextur->mBreite, 32u);
    EXPECT_EQ(renderer.mSzenenTextur->mHoehe, 16u);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

} // namespace
