// The far-to-near sort of the frame's items against a reference stable sort: no instances, empty
// ones, many ties, wide keys, one bucket, gaps in the slot table.

#include "nadrel/punktrenderer/punktrenderer.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

using namespace Spiel;

namespace {

// Slot order, then item order, reversed; then stably far to near by the top 12 key bits.
std::vector<Zeichenpunkt> Referenz(Szene& welt) {
    std::vector<Zeichenpunkt> alle;
    FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& instanz) {
        alle.insert(alle.end(), instanz.mZeichenpunkte.begin(), instanz.mZeichenpunkte.end());
    });
    std::reverse(alle.begin(), alle.end());
    std::stable_sort(alle.begin(), alle.end(), [](const Zeichenpunkt& a, const Zeichenpunkt& b) {
        return (a.mSchluessel >> 52) > (b.mSchluessel >> 52);
    });
    return alle;
}

TEST(PunktSortierung, GleichDerReferenz) {
    // Instances, the most items per instance (below 0: exactly that many) and the mask and fixed bits
    // of the keys (few distinct keys make many ties).
    const std::tuple<const char*, int, int, uint64_t, uint64_t> faelle[] = {
        {"no instances", 0, 0, 0, 0},
        {"only empty instances", 5, 0, 0, 0},
        {"more than 64 instances, many ties", 150, 300, 0x0F30'0000'0000'0000, 0},
        {"wide keys", 70, 500, ~0ull, 0},
        {"one bucket", 90, 200, 0x003F'FFFF'FFFF'FFFF, 0xA400'0000'0000'0000},
        {"one item", 1, -1, ~0ull, 0},
        {"four instances of 256", 5, -256, ~0ull, 0},
    };
    std::mt19937_64 zufall(11);
    Velm_ParallelKern kern;
    for (auto [name, instanzen, maxPunkte, maske, fest] : faelle) {
        SCOPED_TRACE(name);
        Szene welt(nullptr);
        Punktrenderer renderer;
        for (int i = 0; i < instanzen; ++i) {
            const uint64_t id = welt.NeueInstanz(nullptr, nullptr, Einheitsmatrix());
            const uint64_t n = maxPunkte < 0 ? uint64_t(-maxPunkte)
                               : maxPunkte   ? zufall() % uint64_t(maxPunkte)
                                             : 0;
            for (uint64_t k = 0; k < n; ++k)
                welt.mInstanzen[id].mZeichenpunkte.Anhaengen({(zufall() & maske) | fest, zufall()});
        }
        // Gaps in the slot table; the last case keeps four instances of 256.
        for (uint64_t id = 3; id < uint64_t(instanzen); id += 17)
            welt.EntferneInstanz(id);

        const std::vector<Zeichenpunkt> erwartet = Referenz(welt);
        uint64_t anzahl[64] = {}, anfaenge[64] = {};
        kern.StarteImHauptfaden([&] {
            renderer.SortiereZeichenpunkte(welt, anzahl, anfaenge);
            kern.BeendeHauptschleife();
        });
        kern.BearbeiteHauptschleife();

        uint64_t n = 0;
        for (int b = 0; b < 64; ++b) {
            EXPECT_EQ(anfaenge[b], n);
            n += anzahl[b];
        }
        ASSERT_EQ(n, erwartet.size());
        for (uint64_t i = 0; i < n; ++i) {
            ASSERT_EQ(renderer.mPunkteA[i].mSchluessel, erwartet[i].mSchluessel) << i;
            ASSERT_EQ(renderer.mPunkteA[i].mWerte, erwartet[i].mWerte) << i;
        }
    }
}

} // namespace
