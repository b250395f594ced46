#pragma once
// The base of the world's live objects: registered in the world's object table for as long as it
// lives, updated once per frame by the frame job.

#include "nadrel/welt/vektor.h"

#include <cstdint>

namespace Spiel {

class Szene;

class Objekt {
public:
    Objekt(Szene& welt, const Vektor& position);
    virtual ~Objekt();
    Objekt(const Objekt&) = delete;
    Objekt& operator=(const Objekt&) = delete;

    virtual void Aktualisiere() {}

    Szene* mWelt;
    // The slot in the world's object table.
    uint64_t mSzeneIndex;
    Vektor mPosition;
};

} // namespace Spiel
