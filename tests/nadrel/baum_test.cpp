// Trees: the same seed gives the same tree, the trunk and the branch level keep their counts,
// branches stop when they grow too thin, and every point lies where its segment allows.

#include "nadrel/baum.h"
#include "plattform/system/plattform_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Spiel;

namespace {

uint64_t Hash(const Feld<Punkt>& punkte) {
    uint64_t h = 1469598103934665603ull;
    for (const Punkt& p : punkte) {
        unsigned char bytes[sizeof(Punkt)];
        std::memcpy(bytes, &p, sizeof p);
        for (unsigned char b : bytes)
            h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

struct Baum {
    Feld<Punkt> punkte;
    ~Baum() { punkte.Freigeben(); }
};

uint64_t BaumHash(int saat, uint32_t streuSaat) {
    Plattform::SetzeZufallsSaat(streuSaat);
    Baum baum;
    BaueBaum(baum.punkte, {1, 0.5f, 2}, saat);
    return Hash(baum.punkte);
}

TEST(BaumTest, TheSameSeedsGiveTheSameTree) {
    EXPECT_EQ(BaumHash(1234, 5), BaumHash(1234, 5));
    EXPECT_NE(BaumHash(1234, 5), BaumHash(1235, 5));
    // The branches do not depend on the scatter's generator, only the points do.
    EXPECT_NE(BaumHash(1234, 5), BaumHash(1234, 6));
    EXPECT_EQ(ErzeugeAeste({}, 99, StandardBaum()).size(), ErzeugeAeste({}, 99, StandardBaum()).size());
}

TEST(BaumTest, ATreeHasSeveralHundredSegmentsAndThousandsOfPoints) {
    const BaumParameter parameter = StandardBaum();
    for (int saat : {0, 1, 17, 32767}) {
        const std::vector<Segment> segmente = ErzeugeAeste({}, saat, parameter);
        EXPECT_GT(segmente.size(), 100u) << saat;
        EXPECT_LT(segmente.size(), 2000u) << saat;
        Plattform::SetzeZufallsSaat(uint32_t(saat));
        Baum baum;
        StreuePunkteAufAesten(baum.punkte, segmente);
        const auto holz = std::count_if(baum.punkte.begin(), baum.punkte.end(),
                                        [](const Punkt& p) { return p.mAttribute == kHolzAttribut; });
        const auto laub = std::count_if(baum.punkte.begin(), baum.punkte.end(),
                                        [](const Punkt& p) { return p.mAttribute == kLaubAttribut; });
        EXPECT_EQ(uint64_t(holz + laub), baum.punkte.mAnzahl);
        EXPECT_GT(holz, 500) << saat;
        EXPECT_GT(laub, 500) << saat;
    }
}

TEST(BaumTest, OnAverageATreeHasAboutSixHundredSegmentsAndSevenThousandPoints) {
    const BaumParameter parameter = StandardBaum();
    double segmente = 0;
    for (int saat = 0; saat < 100; ++saat)
        segmente += double(ErzeugeAeste({}, saat, parameter).size());
    EXPECT_GT(segmente / 100, 540);
    EXPECT_LT(segmente / 100, 640);

    double holz = 0, laub = 0;
    for (int saat = 0; saat < 20; ++saat) {
        Plattform::SetzeZufallsSaat(uint32_t(saat));
        Baum baum;
        StreuePunkteAufAesten(baum.punkte, ErzeugeAeste({}, 1000 + saat, parameter));
        for (const Punkt& p : baum.punkte)
            (p.mAttribute == kHolzAttribut ? holz : laub) += 1;
    }
    EXPECT_GT(holz / 20, 2300);
    EXPECT_LT(holz / 20, 3100);
    EXPECT_GT(laub / 20, 4300);
    EXPECT_LT(laub / 20, 5800);
}

TEST(BaumTest, TheTrunkIsOneBranchOfSeventeenToTwentySteps) {
    BaumParameter parameter = StandardBaum();
    parameter.stamm.kinder.clear();
    for (int saat = 0; saat < 200; ++saat) {
        Zufallsgenerator zufall{uint64_t(saat)};
        std::vector<float> winkel;
        std::vector<Segment> segmente;
        WachseAeste(winkel, segmente, zufall, {0, 0, 0}, {0, 1, 0}, parameter.stamm, 0.35f);
        ASSERT_EQ(winkel.size(), 1u);
        ASSERT_GE(segmente.size(), 17u);
        ASSERT_LE(segmente.size(), 20u);
        // It grows upwards from its base, one segment after the other.
        EXPECT_EQ(segmente[0].start, (Vektor{0, 0, 0}));
        for (size_t i = 1; i < segmente.size(); ++i) {
            const Segment& vorher = segmente[i - 1];
            const Vektor ende = vorher.start + vorher.richtung * vorher.laenge;
            ASSERT_NEAR(Laenge(ende - segmente[i].start), 0, 1e-4f);
            ASSERT_GT(segmente[i].richtung.y, 0.9f);
        }
    }
}

// The trunk's draws one by one, in the order of the rules: the tree's scale, the count, the
// curves' coefficients, the discarded values, the step count, the start radius, the foliage start
// and the branch level's countdown; then seven draws per step. No branch can sprout before the
// third step has ended, so the trunk's first three segments depend on these draws alone.
TEST(BaumTest, TheTrunkTakesItsDrawsInTheOrderOfTheRules) {
    const Vektor basis{2, 0.5f, -1};
    for (int saat : {0, 5, 32767}) {
        Zufallsgenerator zufall{uint64_t(saat)};
        const auto u = [&] { return std::generate_canonical<float, 24>(zufall); };
        const auto verwirf = [&](int n) {
            for (int i = 0; i < n; ++i)
                u();
        };
        const float skala = 0.3f + u() * 0.1f;
        verwirf(4); // the count: A, two unused coefficients, the noise
        const float azimut = u() * 3.1415927f;
        const float azimutB = u() * 0.01f;
        verwirf(1);
        const float neigung = u() * 0.2f;
        const float neigungB = u() * 0.001f;
        verwirf(1);
        const float schritt = 3 + u() * 0.5f;
        const float schrittB = -0.002f + u() * -0.0003f;
        verwirf(1);
        const float radius = 1 + u() * 0.1f;
        const float radiusB = -0.002f + u() * 0;
        verwirf(1);
        verwirf(3 + 3 + 3); // foliage radius, flattening, the unevaluated curve
        const int schritte = int(17 + u() * 3 + 0.5f);
        float radiusAnfang = (radius + u() * 0.05f) * skala;
        verwirf(1 + 1); // one discarded value, the foliage start (0 on the trunk)
        verwirf(1 + 3); // the branch level's first interval and interval curve

        const std::vector<Segment> segmente = ErzeugeAeste(basis, saat, StandardBaum());
        ASSERT_GT(segmente.size(), size_t(schritte));
        Vektor punkt = basis;
        float t = 0;
        for (int i = 0; i < 3; ++i) {
            const float n = neigung + neigungB * t + 0 * u();
            const float a = azimut + azimutB * t + 0 * u();
            const float laenge = (schritt + schrittB * t + 0.3f * u()) * skala;
            t += laenge;
            const float radiusEnde = (radius + radiusB * t + 0.05f * u()) * skala;
            // Foliage radius and flattening (the trunk is past its foliage start), one discarded.
            verwirf(2 + 1);
            const Vektor richtung = Drehe(DrehMatrix({0, 1, 0}, a), {-std::sin(n), std::cos(n), 0});

            const Segment& s = segmente[i];
            EXPECT_NEAR(Laenge(s.start - punkt), 0, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(Laenge(s.richtung - richtung), 0, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.laenge, laenge, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.radius, radiusAnfang, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.radiusAenderung, (radiusEnde - radiusAnfang) / laenge, 1e-5f) << saat << " " << i;
            // The trunk's foliage curves are 0: radius and flattening stay at their minimum.
            EXPECT_FLOAT_EQ(s.laubRadius, 0.00390625f);
            EXPECT_FLOAT_EQ(s.laubRadiusAenderung, 0);
            EXPECT_FLOAT_EQ(s.laubVerhaeltnis, 1);
            punkt += richtung * laenge;
            radiusAnfang = radiusEnde;
        }
    }
}

// The first branch of a sprouting point of the branch level, draw by draw: its curves, the
// discarded values, the step count, the start radius, the foliage start; then per step the noise
// of tilt, azimuth, step and radius, the foliage's two only past the foliage start, one discarded.
TEST(BaumTest, ABranchTakesItsDrawsInTheOrderOfTheRulesAndCarriesFoliagePastItsStart) {
    const Ebene ast = StandardBaum().stamm.kinder[0];
    const Vektor d = Normiert({0.3f, 1, -0.2f});
    const Vektor achse = Normiert({d.z, 0, -d.x});
    const float skala = 0.4f;
    for (int saat : {1, 8, 20261206}) {
        Zufallsgenerator zufall{uint64_t(saat)};
        const auto u = [&] { return std::generate_canonical<float, 24>(zufall); };
        struct Koeffizienten {
            float a, b, c, rauschen;
        };
        const auto ziehe = [&](const Kurve& k) {
            const float a = k.c0 + u() * k.c0Streuung;
            const float b = k.c1 + u() * k.c1Streuung;
            const float c = k.c2 + u() * k.c2Streuung;
            return Koeffizienten{a, b, c, k.rauschen};
        };
        const auto wert = [&](const Koeffizienten& k, float t) {
            return k.a + k.b * t + k.c * t * t + k.rauschen * u();
        };

        const Koeffizienten anzahl = ziehe(ast.anzahl);
        const int n = int(anzahl.a + anzahl.rauschen * u() + 0.5f);
        const Koeffizienten azimut = ziehe(ast.azimut);
        const Koeffizienten neigung = ziehe(ast.neigung);
        const Koeffizienten schritt = ziehe(ast.schritt);
        const Koeffizienten radius = ziehe(ast.radius);
        const Koeffizienten laubRadius = ziehe(ast.laubRadius);
        const Koeffizienten laubAbflachung = ziehe(ast.laubAbflachung);
        ziehe(ast.unbenutzt);
        const int schritte = int(12 + u() * 3 + 0.5f);
        float r0 = (radius.a + u() * radius.rauschen) * skala;
        u();
        const float laubStart = (7 + u() * 2) * skala;

        std::vector<float> winkel;
        std::vector<Segment> segmente;
        Zufallsgenerator eigener{uint64_t(saat)};
        WachseAeste(winkel, segmente, eigener, {0, 5, 0}, d, ast, skala);
        ASSERT_EQ(winkel.size(), size_t(n));
        EXPECT_EQ(winkel[0], azimut.a);

        Vektor punkt{0, 5, 0};
        float t = 0, a0 = 0.00390625f, f0 = 0.00390625f;
        bool laub = false;
        for (int i = 0; i < schritte; ++i) {
            const float nw = wert(neigung, t);
            const float aw = wert(azimut, t);
            const float laenge = wert(schritt, t) * skala;
            t += laenge;
            const float r1 = wert(radius, t) * skala;
            float a1 = 0.00390625f, f1 = 0.00390625f;
            if (t > laubStart) {
                a1 = std::max(wert(laubRadius, t) * skala, 0.00390625f);
                f1 = std::max(wert(laubAbflachung, t) * skala, 0.00390625f);
                laub = true;
            }
            u();
            const Vektor v = d * std::cos(nw) + Kreuzprodukt(achse, d) * std::sin(nw);
            const Vektor richtung = Drehe(DrehMatrix(d, aw), v);

            ASSERT_LT(size_t(i), segmente.size());
            const Segment& s = segmente[i];
            EXPECT_NEAR(Laenge(s.start - punkt), 0, 1e-4f) << saat << " " << i;
            EXPECT_NEAR(Laenge(s.richtung - richtung), 0, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.laenge, laenge, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.radius, r0, 1e-5f) << saat << " " << i;
            EXPECT_NEAR(s.radiusAenderung, (r1 - r0) / laenge, 1e-4f) << saat << " " << i;
            EXPECT_NEAR(s.laubRadius, a0, 1e-4f) << saat << " " << i;
            EXPECT_NEAR(s.laubRadiusAenderung, (a1 - a0) / laenge, 1e-3f) << saat << " " << i;
            EXPECT_NEAR(s.laubVerhaeltnis, a0 / f0, 1e-4f) << saat << " " << i;
            EXPECT_NEAR(s.laubVerhaeltnisAenderung, (a1 / f1 - a0 / f0) / laenge, 1e-3f) << saat << " " << i;
            punkt += richtung * laenge;
            r0 = r1;
            a0 = a1;
            f0 = f1;
            if (r1 < 0.05f)
                break;
        }
        EXPECT_TRUE(laub) << saat;
    }
}

TEST(BaumTest, EachSproutingPointOfTheBranchLevelYieldsTwoToFourSpacedBranches) {
    const Ebene ast = StandardBaum().stamm.kinder[0];
    int gesehen[5] = {};
    for (int saat = 0; saat < 300; ++saat) {
        Zufallsgenerator zufall{uint64_t(saat)};
        std::vector<float> winkel;
        std::vector<Segment> segmente;
        WachseAeste(winkel, segmente, zufall, {0, 5, 0}, Normiert({0.2f, 1, 0}), ast, 0.3f);
        ASSERT_GE(winkel.size(), 2u);
        ASSERT_LE(winkel.size(), 4u);
        ++gesehen[winkel.size()];
        for (size_t i = 0; i < winkel.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                ASSERT_GT(AzimutAbstand(winkel[i], winkel[j]), 0);
        // Without children every branch is a chain of segments from the sprouting point.
        ASSERT_EQ(segmente[0].start, (Vektor{0, 5, 0}));
    }
    EXPECT_GT(gesehen[2], 0);
    EXPECT_GT(gesehen[3], 0);
}

TEST(BaumTest, AzimuthDistanceIsTheAngleBetweenTwoDirections) {
    EXPECT_NEAR(AzimutAbstand(0, 1.5707964f), 1.5707964f, 1e-6f);
    EXPECT_NEAR(AzimutAbstand(3.0f, 0.1f), 2.9f, 1e-5f);
    EXPECT_NEAR(AzimutAbstand(0.1f, 3.0f), 2.9f, 1e-5f);
    EXPECT_NEAR(AzimutAbstand(1, 1.001f), 0.001f, 1e-5f);
}

TEST(BaumTest, TheToleranceHalvesUntilACandidateFits) {
    // All candidates lie within 0.01 radians: only a tolerance far below pi/2 lets the second
    // and third branch in.
    Ebene eng = StandardBaum().stamm.kinder[0];
    eng.kinder.clear();
    eng.anzahl = {3, 0, 0, 0, 0, 0, 0};
    eng.azimut = {0, 0.01f, 0, 0, 0, 0, 0};
    for (int saat = 0; saat < 50; ++saat) {
        Zufallsgenerator zufall{uint64_t(saat)};
        std::vector<float> winkel;
        std::vector<Segment> segmente;
        WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, eng, 0.3f);
        ASSERT_EQ(winkel.size(), 3u);
        for (float w : winkel) {
            ASSERT_GE(w, 0);
            ASSERT_LT(w, 0.01f);
        }
    }
}

// A branch of unit steps whose radius is 0.5 - 0.2 t: 0.3 after one step, 0.1 after two, below
// 0.05 after three, with one child level that would sprout from the second step on.
Ebene DuennerAst(float ersterAbstand) {
    Ebene kind{};
    Ebene ebene{};
    ebene.anzahl = {1, 0, 0, 0, 0, 0, 0};
    ebene.schritt = {1, 0, 0, 0, 0, 0, 0};
    ebene.radius = {0.5f, 0, -0.2f, 0, 0, 0, 0};
    ebene.schrittzahl = 10;
    kind.ersterAbstand = ersterAbstand;
    kind.intervall = {100, 0, 0, 0, 0, 0, 0};
    kind.anzahl = {1, 0, 0, 0, 0, 0, 0};
    kind.schritt = {1, 0, 0, 0, 0, 0, 0};
    kind.radius = {1, 0, 0, 0, 0, 0, 0};
    kind.schrittzahl = 1;
    ebene.kinder = {kind};
    return ebene;
}

TEST(BaumTest, ABranchStopsBelowTheMinimumRadiusAndSproutsNothingThere) {
    Zufallsgenerator zufall{1};
    std::vector<float> winkel;
    std::vector<Segment> segmente;
    // The countdown reaches 0 or less after the second step: the third step would sprout, but
    // that step ends the branch.
    WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, DuennerAst(1.5f), 1);
    ASSERT_EQ(segmente.size(), 3u);
    EXPECT_NEAR(segmente[2].radius + segmente[2].radiusAenderung * segmente[2].laenge, -0.1f, 1e-5f);
    EXPECT_NEAR(segmente[0].radius, 0.5f, 1e-6f);
    EXPECT_NEAR(segmente[0].radiusAenderung, -0.2f, 1e-6f);

    // Half a unit earlier the second step sprouts one child of one segment, scaled by the end
    // radius there (0.1).
    segmente.clear();
    WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, DuennerAst(0.5f), 1);
    ASSERT_EQ(segmente.size(), 4u);
    EXPECT_NEAR(segmente[2].laenge, 0.1f, 1e-6f);
    EXPECT_NEAR(segmente[2].radius, 0.1f, 1e-6f);
}

// Steps of length 0 give segments with finite rates that hold no points.
TEST(BaumTest, AStepOfNoLengthHoldsNoPoints) {
    Ebene ebene = DuennerAst(100);
    ebene.schritt = {0, 0, 0, 0, 0, 0, 0};
    ebene.schrittzahl = 3;
    Zufallsgenerator zufall{1};
    std::vector<float> winkel;
    std::vector<Segment> segmente;
    WachseAeste(winkel, segmente, zufall, {}, {0, 1, 0}, ebene, 1);
    ASSERT_EQ(segmente.size(), 3u);
    for (const Segment& s : segmente) {
        EXPECT_EQ(s.laenge, 0.0f);
        EXPECT_TRUE(std::isfinite(s.radiusAenderung) && std::isfinite(s.laubRadiusAenderung) &&
                    std::isfinite(s.laubVerhaeltnisAenderung));
    }
    Feld<Punkt> punkte;
    StreuePunkteAufAesten(punkte, segmente);
    EXPECT_EQ(punkte.mAnzahl, 0u);
    punkte.Freigeben();
}

TEST(BaumTest, EveryPointLiesInsideItsSegmentsShapes) {
    const std::vector<Segment> segmente = ErzeugeAeste({3, 0.5f, -4}, 4242, StandardBaum());
    Plattform::SetzeZufallsSaat(11);
    Baum baum;
    StreuePunkteAufAesten(baum.punkte, segmente);
    // The tree's bounding volume: the boxes around all segments, widened as the scatter does.
    Vektor min{1e9f, 1e9f, 1e9f}, max{-1e9f, -1e9f, -1e9f};
    for (const Segment& s : segmente) {
        for (float u : {0.0f, s.laenge}) {
            const Vektor p = s.start + s.richtung * u;
            const float w =
                std::max({s.radius + s.radiusAenderung * u, s.laubRadius + s.laubRadiusAenderung * u,
                          s.laubVerhaeltnis + s.laubVerhaeltnisAenderung * u});
            min = {std::min(min.x, p.x - w), std::min(min.y, p.y - w), std::min(min.z, p.z - w)};
            max = {std::max(max.x, p.x + w), std::max(max.y, p.y + w), std::max(max.z, p.z + w)};
        }
    }
    for (const Punkt& p : baum.punkte) {
        ASSERT_GE(p.x, min.x);
        ASSERT_LE(p.x, max.x);
        ASSERT_GE(p.y, min.y);
        ASSERT_LE(p.y, max.y);
        ASSERT_GE(p.z, min.z);
        ASSERT_LE(p.z, max.z);
    }
    // Wood lies inside some branch.
    for (const Punkt& p : baum.punkte) {
        if (p.mAttribute != kHolzAttribut)
            continue;
        const Vektor v{p.x, p.y, p.z};
        const bool drin = std::any_of(segmente.begin(), segmente.end(), [&](const Segment& s) {
            const float c = std::clamp(Skalarprodukt(v - s.start, s.richtung), 0.0f, s.laenge);
            return Laenge(v - (s.start + s.richtung * c)) < s.radius + s.radiusAenderung * c + 1e-4f;
        });
        ASSERT_TRUE(drin);
    }
}

// One segment filled by hand from the generator: wood first, its count from the radius at the
// middle, samples x, y, z in the box of the two end discs; then the foliage the same way in the
// box widened by the larger of foliage radius and ratio.
TEST(BaumTest, TheScatterDrawsWoodAndThenFoliageInItsBoxes) {
    Segment s{};
    s.start = {1, 2, 3};
    s.richtung = Normiert({1, 2, 2});
    s.e1 = Normiert(Kreuzprodukt(s.richtung, {s.richtung.z, 0, -s.richtung.x}));
    s.e2 = Kreuzprodukt(s.e1, s.richtung);
    s.radius = 0.5f;
    s.radiusAenderung = -0.05f;
    s.laubRadius = 1.5f;
    s.laubRadiusAenderung = 0.1f;
    s.laubVerhaeltnis = 2;
    s.laubVerhaeltnisAenderung = -0.1f;
    s.laenge = 3;
    const Vektor ende = s.start + s.richtung * s.laenge;

    Plattform::SetzeZufallsSaat(21);
    std::vector<Punkt> erwartet;
    const auto ziehe = [](const Vektor& a, float ra, const Vektor& b, float rb) {
        const Vektor min{std::min(a.x - ra, b.x - rb), std::min(a.y - ra, b.y - rb),
                         std::min(a.z - ra, b.z - rb)};
        const Vektor max{std::max(a.x + ra, b.x + rb), std::max(a.y + ra, b.y + rb),
                         std::max(a.z + ra, b.z + rb)};
        Vektor p;
        p.x = min.x + float(Plattform::Zufall()) / 32767 * (max.x - min.x);
        p.y = min.y + float(Plattform::Zufall()) / 32767 * (max.y - min.y);
        p.z = min.z + float(Plattform::Zufall()) / 32767 * (max.z - min.z);
        return p;
    };
    const int holz = int(200 * 0.425f * 0.425f * 3);
    EXPECT_EQ(holz, 108);
    for (int i = 0; i < holz; ++i) {
        const Vektor p = ziehe(s.start, 0.5f, ende, 0.35f);
        const float c = std::clamp(Skalarprodukt(p - s.start, s.richtung), 0.0f, 3.0f);
        if (Laenge(p - (s.start + s.richtung * c)) < 0.5f - 0.05f * c)
            erwartet.push_back({p.x, p.y, p.z, kHolzAttribut});
    }
    const int laub = int(20 * 1.65f * 1.65f / 1.85f * 3);
    EXPECT_EQ(laub, 88);
    for (int i = 0; i < laub; ++i) {
        const Vektor p = ziehe(s.start, 2, ende, 1.8f);
        const Vektor v = p - s.start;
        const float d = Skalarprodukt(v, s.richtung);
        const float c = std::clamp(d, 0.0f, 3.0f);
        const float e1 = Skalarprodukt(v, s.e1) * (2 - 0.1f * c);
        const float e2 = Skalarprodukt(v, s.e2);
        const float a = 1.5f + 0.1f * c;
        if ((d - c) * (d - c) + e1 * e1 + e2 * e2 < a * a)
            erwartet.push_back({p.x, p.y, p.z, kLaubAttribut});
    }
    const int naechste = Plattform::Zufall();

    Plattform::SetzeZufallsSaat(21);
    Baum baum;
    StreuePunkteAufAesten(baum.punkte, {s});
    EXPECT_EQ(Plattform::Zufall(), naechste);
    ASSERT_EQ(baum.punkte.mAnzahl, erwartet.size());
    for (size_t i = 0; i < erwartet.size(); ++i) {
        const Punkt& p = baum.punkte[i];
        EXPECT_NEAR(p.x, erwartet[i].x, 1e-5f) << i;
        EXPECT_NEAR(p.y, erwartet[i].y, 1e-5f) << i;
        EXPECT_NEAR(p.z, erwartet[i].z, 1e-5f) << i;
        EXPECT_EQ(p.mAttribute, erwartet[i].mAttribute) << i;
    }
    EXPECT_GT(std::count_if(erwartet.begin(), erwartet.end(),
                            [](const Punkt& p) { return p.mAttribute == kHolzAttribut; }),
              10);
    EXPECT_GT(std::count_if(erwartet.begin(), erwartet.end(),
                            [](const Punkt& p) { return p.mAttribute == kLaubAttribut; }),
              10);
}

TEST(BaumTest, SegmentFramesAreOrthonormal) {
    for (const Segment& s : ErzeugeAeste({}, 7, StandardBaum())) {
        ASSERT_NEAR(Laenge(s.richtung), 1, 1e-4f);
        ASSERT_NEAR(Laenge(s.e1), 1, 1e-4f);
        ASSERT_NEAR(Laenge(s.e2), 1, 1e-4f);
        ASSERT_NEAR(Skalarprodukt(s.e1, s.richtung), 0, 1e-4f);
        ASSERT_NEAR(Skalarprodukt(s.e2, s.richtung), 0, 1e-4f);
        ASSERT_NEAR(Skalarprodukt(s.e1, s.e2), 0, 1e-4f);
        ASSERT_GT(s.laenge, 0);
    }
}

} // namespace
