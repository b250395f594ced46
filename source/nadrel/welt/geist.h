#pragma once
// A ghost: drifts between the hills, pushed away by those it comes near and pulled towards the
// world's centre, and trails particles that rise and fade for two seconds.

#include "nadrel/welt/objekt.h"
#include "nadrel/welt/szene.h"

#include <vector>

namespace Spiel {

class Geist : public Objekt {
public:
    struct Partikel {
        Vektor mPosition;
        Vektor mGeschwindigkeit;
        int64_t mRestleben; // ticks
    };

    // Adds its own render instance, which views the particles' points.
    Geist(Szene& welt, const Vektor& position);
    ~Geist() override;

    void Aktualisiere() override;

    std::vector<Punkt> mPunkte;
    uint64_t mInstanz = kKeinIndex;
    Vektor mGeschwindigkeit{1, 0, 0};
    std::vector<Partikel> mPartikel;
    int64_t mErzeugungsKonto = 0; // ticks not yet spent on particles

private:
    void Schiebe(float dt);
    void BewegePartikel(float dt, int64_t ticks);
    void ErzeugePartikel(int64_t ticks);
    void BauePunkte();
};

} // namespace Spiel
