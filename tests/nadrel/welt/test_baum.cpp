// Trees: the point clouds of pinned seeds keep their figures, and a growth step of no length
// holds no points.

#include "nadrel/welt/baum.h"
#include "testhilfe.h"
#include "testhilfen/testhilfen.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

using namespace Spiel;
using namespace welttest;

namespace {

// Wood and foliage points, the points' hash and bounds of the trees at (1, 0.5, 2) as the generator
// gave them when they were pinned, the scatter seeded with the tree's seed. Any moved, swapped or
// dropped draw of the branches or the scatter changes the hash.
TEST(Baum, FesteSaatenBehaltenIhreZahlen) {
    // clang-format off
    const std::tuple<int, uint64_t, uint64_t, uint64_t, Vektor, Vektor> faelle[] = {
        {0, 1812, 3317, 0x8be62cc83a4d512eull, {-14.6686f, 0.6348f, -10.9605f}, {10.7559f, 27.7357f, 5.9230f}},
        {1, 1786, 3029, 0x018eea3cbccd7039ull, {-7.9625f, 0.2730f, -1.1410f}, {14.6811f, 25.1165f, 13.5446f}},
        {17, 2842, 5314, 0x63065345f4a92fa3ull, {-8.3560f, 0.2088f, -8.7573f}, {16.5040f, 30.2285f, 16.3046f}},
        {32767, 2952, 5292, 0x04ca864396fab276ull, {-2.9985f, 0.1932f, -16.3553f}, {17.5449f, 31.1900f, 13.6672f}},
    };
    // clang-format on
    for (const auto& [saat, holz, laub, hash, min, max] : faelle) {
        SCOPED_TRACE(saat);
        Plattform::SetzeZufallsSaat(uint32_t(saat));
        Feld<Punkt> punkte;
        BaueBaum(punkte, {1, 0.5f, 2}, saat);
        Abdruck abdruck;
        abdruck.Nimm(punkte.begin(), punkte.end());
        abdruck.Erwarte(holz + laub, hash, min, max);
        EXPECT_EQ(uint64_t(std::count_if(punkte.begin(), punkte.end(),
                                         [](const Punkt& p) { return p.mAttribute == kHolzAttribut; })),
                  holz);
        punkte.Freigeben();
    }
}

// A step of length 0 has rates of 0 and holds no points; its rates were once NaN, divided by 0.
TEST(Baum, SchrittOhneLaengeHaeltKeinePunkte) {
    Ebene ebene{};
    ebene.anzahl = {1, 0, 0, 0, 0, 0, 0};
    ebene.radius = {0.5f, 0, -0.2f, 0, 0, 0, 0};
    ebene.schrittzahl = 3;
    Zufallsgenerator zufall{1};
    std::vector<float> winkel;
    std::vector<Segment> segmente;
    WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, ebene, 1);
    ASSERT_EQ(segmente.size(), 3u);
    for (const Segment& s : segmente)
        EXPECT_EQ(
            (std::array{s.laenge, s.radiusAenderung, s.laubRadiusAenderung, s.laubVerhaeltnisAenderung}),
            (std::array<float, 4>{}));
    Feld<Punkt> punkte;
    StreuePunkteAufAesten(punkte, segmente);
    EXPECT_EQ(punkte.mAnzahl, 0u);
    punkte.Freigeben();
}
} // namespace
