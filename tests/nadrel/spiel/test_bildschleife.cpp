// The frame loop's figures: the pause fade and the frames per second, also for a step of 0.

#include "nadrel/spiel/anwendung.h"
#include "testhilfen/testhilfen.h"

#include <tuple>
#include <utility>

namespace {

// The fade moves by 2 a second towards 1 while paused and towards 0 otherwise, clamped, and stands
// for a step of 0; the fps figure of a step is 0 for a step of 0 or of more than a second.
TEST(Bildschleife, PausenblendeUndFps) {
    const int64_t f = gZaehlerFrequenz;
    const std::tuple<float, int64_t, bool, float> blenden[] = {
        {0, f / 4, true, 0.5f},   {0.9f, f / 10, true, 1}, {1, f / 10, false, 0.8f},
        {0.1f, f / 10, false, 0}, {0.3f, 0, true, 0.3f},   {0.3f, 0, false, 0.3f},
    };
    for (auto [staerke, schritt, pausiert, danach] : blenden)
        EXPECT_FLOAT_EQ(Spiel::Pausenstaerke(staerke, schritt, pausiert), danach);
    const std::pair<int64_t, int> fps[] = {
        {f / 60, 60}, {int64_t(f * 0.0167), 60}, {f * 3, 0}, {0, 0}, {-5, 0}};
    for (auto [schritt, bilder] : fps)
        EXPECT_EQ(Spiel::BilderProSekunde(schritt), bilder) << schritt;
}

} // namespace
