#pragma once
// The key: spins and bobs where the level builder put it, is drawn towards a player who comes
// within 6 units and is taken at a horizontal distance below 1, which deletes it.

#include "nadrel/welt/objekt.h"
#include "nadrel/welt/szene.h"

namespace Spiel {

// Set once the player has taken the key; never cleared.
extern bool gSchluesselGenommen;

class Schluessel : public Objekt {
public:
    // The first key of a world builds the shared key mesh in that world.
    Schluessel(Szene& welt, const Vektor& position);
    ~Schluessel() override;

    void Aktualisiere() override;

    uint64_t mInstanz = kKeinIndex;
    float mWinkel = 0;

private:
    void BaueMesh();

    // The scheduled deletion after the pick-up; the global timer's "nothing scheduled" otherwise.
    uint64_t mLoeschung;
};

} // namespace Spiel
