// The key's point primitives: the ring lies around its axis whichever way the axis points.

#include "nadrel/welt/punktstreuung.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Spiel;

namespace {

// The ring lies around its axis whichever way the axis points; along y downwards its points were
// once all NaN.
TEST(Punktstreuung, RingLiegtUmJedeAchse) {
    for (const Vektor& achse : {Vektor{0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {-1, 0, 0}, {0.6f, -0.8f, 0}}) {
        Feld<Punkt> punkte;
        StreuePunkteAufRing(punkte, {1, 2, 3}, achse, {0.5f, 0.5f, 0.5f});
        EXPECT_EQ(punkte.mAnzahl, 86u);
        for (const Punkt& p : punkte) {
            const Vektor relativ{p.x - 1, p.y - 2, p.z - 3};
            const float entlang = Skalarprodukt(relativ, achse);
            ASSERT_NEAR(std::sqrt(Skalarprodukt(relativ, relativ) - entlang * entlang), 0.5f, 0.1001f)
                << achse.x << " " << achse.y << " " << achse.z;
            ASSERT_NEAR(entlang, 0.0f, 0.1001f);
        }
        punkte.Freigeben();
    }
}
} // namespace
