#pragma once
// Shared by the world's tests: a world on a game timer that only moves when a test steps it, one
// frame of the game's object updates, and the figures (count, hash, bounds) that pin generated
// point clouds.

#include "nadrel/welt/objekt.h"
#include "nadrel/welt/szene.h"
#include "nadrel/welt/vektor.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace welttest {

using Spiel::Punkt;
using Spiel::Vektor;

inline int64_t StehendeUhr() {
    return 0;
}

class WeltUmgebung : public ::testing::Test {
protected:
    Velm_Zeitgeber uhr{&StehendeUhr};
    Spiel::Szene welt{&uhr};

    // One frame of the game: the clock steps, then every object updates in slot order.
    void Frame(int64_t ticks) {
        uhr.Schritt(ticks);
        Spiel::FuerAlleBelegten(welt.mObjekte, [](uint64_t, Spiel::Objekt* o) { o->Aktualisiere(); });
    }
};

inline void ErwarteNahe(const Vektor& a, const Vektor& b, float toleranz = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, toleranz);
    EXPECT_NEAR(a.y, b.y, toleranz);
    EXPECT_NEAR(a.z, b.z, toleranz);
}

// FNV-1a over raw bytes: any moved, added or swapped draw of a generator changes it.
inline void Mische(uint64_t& h, const void* daten, size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(daten);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ bytes[i]) * 1099511628211ull;
}

// Count, hash and bounds of point clouds, added up one cloud after the other.
struct Abdruck {
    uint64_t anzahl = 0;
    uint64_t hash = 1469598103934665603ull;
    Vektor min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};

    void Nimm(const Punkt* anfang, const Punkt* ende, const Vektor& versatz = {}) {
        Mische(hash, anfang, size_t(ende - anfang) * sizeof(Punkt));
        for (const Punkt* p = anfang; p != ende; ++p) {
            const Vektor v = Vektor{p->x, p->y, p->z} + versatz;
            min = {std::min(min.x, v.x), std::min(min.y, v.y), std::min(min.z, v.z)};
            max = {std::max(max.x, v.x), std::max(max.y, v.y), std::max(max.z, v.z)};
        }
        anzahl += uint64_t(ende - anfang);
    }

    // The pinned figures, the bounds to a thousandth.
    void Erwarte(uint64_t anzahlSoll, uint64_t hashSoll, const Vektor& minSoll, const Vektor& maxSoll) const {
        EXPECT_EQ(anzahl, anzahlSoll);
        EXPECT_EQ(hash, hashSoll);
        ErwarteNahe(min, minSoll, 1e-3f);
        ErwarteNahe(max, maxSoll, 1e-3f);
    }
};

} // namespace welttest
