#pragma once
// The process-wide 15-bit random generator as a float, the form every range of the world takes:
// ZufallsZahl() * (range / 32767) + offset.

#include "plattform/system/plattform_system.h"

namespace Spiel {

inline float ZufallsZahl() {
    return float(Plattform::Zufall());
}

} // namespace Spiel
