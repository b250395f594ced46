#pragma once
// A world on a game timer that the test steps by hand, and helpers to look at its tables.

#include "nadrel/objekt.h"
#include "nadrel/szene.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace WeltTest {

inline int64_t StehendeUhr() {
    return 0;
}

// Ticks of s seconds.
inline int64_t Ticks(double sekunden) {
    return int64_t(sekunden * double(gZaehlerFrequenz));
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

    uint64_t AnzahlBelegt(const auto& feld) const {
        uint64_t n = 0;
        for (uint64_t i = 0; i < feld.Kapazitaet(); ++i)
            n += feld.IstBelegt(i);
        return n;
    }
};

inline bool Endlich(const Spiel::Vektor& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace WeltTest
