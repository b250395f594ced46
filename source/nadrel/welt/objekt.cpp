#include "nadrel/welt/objekt.h"

#include "nadrel/welt/szene.h"
#include "velmklassen/kern/velm_ausnahme.h"

namespace Spiel {

Objekt::Objekt(Szene& welt, const Vektor& position)
    : mWelt(&welt), mSzeneIndex(welt.mObjekte.Einfuegen(this)), mPosition(position) {}

Objekt::~Objekt() {
    if (VELM_PRUEFE(mSzeneIndex != kKeinIndex, "mSzeneIndex != SIZE_MAX", "Spiel::Objekt::~Objekt"))
        mWelt->mObjekte.Entfernen(mSzeneIndex);
}

} // namespace Spiel
