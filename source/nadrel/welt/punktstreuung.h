#pragma once
// The key's two point primitives: points jittered along a straight piece and around a ring.

#include "nadrel/welt/feld.h"
#include "nadrel/welt/szene.h"
#include "nadrel/welt/vektor.h"

namespace Spiel {

constexpr uint32_t kSchluesselAttribut = 0xE9E49666;

// 100 points per unit of length from start to start + richtung, each jittered by up to 0.1.
void StreuePunkteAufStrecke(Feld<Punkt>& punkte, const Vektor& start, const Vektor& richtung);
// 100 points per unit of |radien| around the axis through the centre, scaled per component by
// the radii and jittered by 0.1 in a random direction.
void StreuePunkteAufRing(Feld<Punkt>& punkte, const Vektor& mitte, const Vektor& achse, const Vektor& radien);

} // namespace Spiel
