// The processor side of the scene renderer: projection and culling, the item layout, the splat to
// exact accumulators and the vector conversion against the scalar one.

#include "nadrel/punktrenderer/punktrenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <random>

using namespace Spiel;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Size 8, alpha 0x56, grey 0x1234.
constexpr uint32_t kAttribut = 0x12345608;

struct Projektion {
    Vektor kamera;
    float gieren, nicken;
    Vektor punkt, verschiebung; // the instance places its point list by `verschiebung`
    bool behalten;
    int seiteX, seiteY;            // -1 left or above the centre, 0 on it, 1 right or below
    uint64_t wort0 = 0, wort1 = 0; // the whole item where not 0
};

int Seite(int64_t wert, int64_t mitte) {
    return wert < mitte - 16 ? -1 : wert > mitte + 16 ? 1 : 0;
}

TEST(Punktrenderer, ProjiziertUndVerwirftPunkte) {
    // clang-format off
    const Projektion faelle[] = {
        // Straight ahead at depth 8: the image centre, depth key trunc(1048.576), radius 8 x 80 / 8192.
        {{}, 0, 0, {0, 0, 8}, {}, true, 0, 0, 163840ull | 122880ull << 24 | 1048ull << 48,
         320 | 0x1234ull << 16 | 0x56ull << 32},
        {{}, 0, 0, {2, 1, 8}, {}, true, 1, -1},
        {{}, 0, 0, {5.4f, 0, 8}, {}, true, 1, 0},  // nx 0.987
        {{}, 0, 0, {5.6f, 0, 8}, {}, false, 0, 0}, // nx 1.02
        {{}, 0, 0, {0, 4.0f, 8}, {}, true, 0, -1}, // ny -0.974 on a 4:3 screen
        {{}, 0, 0, {0, 4.2f, 8}, {}, false, 0, 0}, // ny -1.02
        {{}, 0, 0, {0, 0, -5}, {}, false, 0, 0},   // behind the camera
        {{}, 0, 0, {0, 0, 0.1f}, {}, false, 0, 0}, // on the near plane
        {{}, 0, 0, {0, 0, 0.11f}, {}, true, 0, 0},
        {{}, 0, 0, {0, 0, 500}, {}, false, 0, 0},      // at the far limit
        {{}, 0, 0, {15, 0, 499.99f}, {}, false, 0, 0}, // 500.2 away
        {{1, 2, 3}, kPi / 2, 0, {9, 3, 3}, {}, true, 0, -1},
        {{}, 0, 0.3f, {0, 0, 8}, {}, true, 0, -1},
        {{1, 2, 3}, kPi / 2, 0, {1, 2, 3}, {8, 0, 0}, true, 0, 0},
        {{1, 2, 3}, kPi / 2, 0, {1, 2, 3}, {-8, 0, 0}, false, 0, 0},
    };
    // clang-format on
    const float breite = 80, hoehe = 60;
    for (const Projektion& fall : faelle) {
        SCOPED_TRACE(testing::Message() << fall.punkt.x << " " << fall.punkt.y << " " << fall.punkt.z);
        const Punkt punkt{fall.punkt.x, fall.punkt.y, fall.punkt.z, kAttribut};
        RenderInstanz instanz{&punkt, &punkt + 1, Verschiebung(fall.verschiebung), {}};
        Punktrenderer::BaueInstanzpunkte(instanz, Ansichtsmatrix(fall.kamera, fall.gieren, fall.nicken),
                                         Projektionsmatrix(800, 600), breite, hoehe);
        ASSERT_EQ(instanz.mZeichenpunkte.mAnzahl, fall.behalten ? 1u : 0u);
        if (fall.behalten) {
            const uint64_t schluessel = instanz.mZeichenpunkte[0].mSchluessel;
            EXPECT_EQ(Seite(int64_t(schluessel & 0xFFFFFF), 40 * 4096), fall.seiteX);
            EXPECT_EQ(Seite(int64_t((schluessel >> 24) & 0xFFFFFF), 30 * 4096), fall.seiteY);
            if (fall.wort0) {
                EXPECT_EQ(schluessel, fall.wort0);
                EXPECT_EQ(instanz.mZeichenpunkte[0].mWerte, fall.wort1);
            }
        }
        instanz.mZeichenpunkte.Freigeben();
    }
}

TEST(Punktrenderer, VektorpfadeWieSkalare) {
    // Points in and around the view, far and right at the camera: the four-at-a-time path gives the
    // items one point at a time gives, and near points stop at the largest radius with their grey
    // and alpha kept.
    std::mt19937 zufall(3);
    std::uniform_real_distribution<float> seitlich(-30, 30), tief(-5, 520), nah(-0.5f, 0.5f);
    std::vector<Punkt> punkte(1003);
    for (size_t i = 0; i < punkte.size(); ++i)
        punkte[i] = i % 7 ? Punkt{seitlich(zufall), seitlich(zufall), tief(zufall), uint32_t(zufall())}
                          : Punkt{0.5f + nah(zufall), 2 + nah(zufall), 1 + nah(zufall), uint32_t(zufall())};
    const Matrix ansicht = Ansichtsmatrix({1, 2, 3}, 0.4f, -0.2f);
    const Matrix projektion = Projektionsmatrix(1280, 720);
    RenderInstanz ganz{punkte.data(), punkte.data() + punkte.size(), Verschiebung({0.5f, 0, 2}), {}};
    Punktrenderer::BaueInstanzpunkte(ganz, ansicht, projektion, 1280, 960);
    std::vector<Zeichenpunkt> einzeln;
    for (const Punkt& punkt : punkte) {
        RenderInstanz eine{&punkt, &punkt + 1, ganz.mMatrix, {}};
        Punktrenderer::BaueInstanzpunkte(eine, ansicht, projektion, 1280, 960);
        einzeln.insert(einzeln.end(), eine.mZeichenpunkte.begin(), eine.mZeichenpunkte.end());
        eine.mZeichenpunkte.Freigeben();
    }
    ASSERT_GT(einzeln.size(), 100u);
    EXPECT_GT(std::count_if(einzeln.begin(), einzeln.end(),
                            [](const Zeichenpunkt& z) { return (z.mWerte & 0xFFFF) == kMaxRadius; }),
              0);
    ASSERT_EQ(ganz.mZeichenpunkte.mAnzahl, einzeln.size());
    for (size_t i = 0; i < einzeln.size(); ++i) {
        EXPECT_EQ(ganz.mZeichenpunkte[i].mSchluessel, einzeln[i].mSchluessel) << i;
        EXPECT_EQ(ganz.mZeichenpunkte[i].mWerte, einzeln[i].mWerte) << i;
    }
    ganz.mZeichenpunkte.Freigeben();

    // The vector conversion to pixels against the scalar one, around the vector width.
    for (size_t anzahl : {0, 1, 15, 16, 17, 31, 1003}) {
        std::vector<uint32_t> vektor(anzahl);
        std::generate(vektor.begin(), vektor.end(), std::ref(zufall));
        std::vector<uint32_t> skalar = vektor;
        WandleInPixel(vektor.data(), anzahl);
        WandleInPixelSkalar(skalar.data(), anzahl);
        EXPECT_EQ(vektor, skalar) << anzahl;
    }
}

Zeichenpunkt Item(uint64_t x, uint64_t y, uint64_t r, uint64_t grau, uint64_t alpha) {
    return {x | y << 24, r | grau << 16 | alpha << 32};
}

TEST(Punktrenderer, SplatTrifftDieAkkumulatorenGenau) {
    // A 4 x 3 image; positions in 12.12 pixels. The pixels before, the items, and the pixels that
    // change (every other pixel keeps its value).
    using Pixelwerte = std::vector<std::pair<int, uint32_t>>;
    const std::tuple<const char*, uint32_t, std::vector<Zeichenpunkt>, Pixelwerte> faelle[] = {
        // clang-format off
        {"one pixel, opaque white", 0, {Item(6144, 6144, 2048, 0xFFFF, 255)}, {{5, 16711425}}},
        {"half over it, two columns", 0,
         {Item(6144, 6144, 2048, 0xFFFF, 255), Item(8192, 6144, 2048, 0x8000, 128)},
         {{5, 14630720}, {6, 2097152}}},
        {"over the top-left corner", 0, {Item(1024, 1024, 2048, 0xFFFF, 255)}, {{0, 9400176}}},
        {"over the bottom-right corner", 0, {Item(15360, 11264, 2048, 0xFFFF, 255)}, {{11, 9400176}}},
        {"alpha 0 clears the fraction only", 0x123456, {Item(6144, 6144, 2048, 0xFFFF, 0)}, {{5, 0x123400}}},
        {"radius 0 inside a pixel", 0x123456, {Item(6000, 6000, 0, 0xFFFF, 255)}, {{5, 0x123400}}},
        {"radius 0 on a pixel corner", 0x123456, {Item(4096, 4096, 0, 0xFFFF, 255)}, {}},
        // clang-format on
    };
    for (const auto& [name, vorher, punkte, nachher] : faelle) {
        SCOPED_TRACE(name);
        std::vector<uint32_t> bild(12, vorher);
        SplatteZeichenpunkte(punkte.data(), punkte.size(), bild.data(), 4, 3);
        std::vector<uint32_t> erwartet(12, vorher);
        for (auto [pixel, wert] : nachher)
            erwartet[pixel] = wert;
        EXPECT_EQ(bild, erwartet);
    }
    std::vector<uint32_t> bild = {16711425, 14630720, 2097152, 0};
    WandleInPixel(bild.data(), bild.size());
    EXPECT_EQ(bild, (std::vector<uint32_t>{0xFFFEFEFE, 0xFFDFDFDF, 0xFF202020, 0xFF000000}));
}

} // namespace
