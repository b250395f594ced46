#include "nadrel/welt/szene.h"

#include "nadrel/welt/objekt.h"
#include "velmklassen/kern/velm_zeitgeber.h"

namespace Spiel {

Szene::~Szene() {
    // Objects unregister and remove their own instances, so they go while the tables still live.
    FuerAlleBelegten(mObjekte, [](uint64_t, Objekt* objekt) { delete objekt; });
    FuerAlleBelegten(mMeshes, [](uint64_t, Feld<Punkt>& punkte) { punkte.Freigeben(); });
    FuerAlleBelegten(mInstanzen,
                     [](uint64_t, RenderInstanz& instanz) { instanz.mZeichenpunkte.Freigeben(); });
}

uint64_t Szene::NeuesMesh(uint64_t reserviert) {
    Feld<Punkt> punkte;
    punkte.Reserviere(reserviert);
    return mMeshes.Einfuegen(punkte);
}

uint64_t Szene::NeueInstanz(const Punkt* anfang, const Punkt* ende, const Matrix& matrix) {
    return mInstanzen.Einfuegen(RenderInstanz{anfang, ende, matrix, {}});
}

void Szene::EntferneInstanz(uint64_t id) {
    mInstanzen[id].mZeichenpunkte.Freigeben();
    mInstanzen.Entfernen(id);
}

int64_t Szene::SchrittTicks() const {
    return mUhr ? mUhr->LetzterSchritt() : 0;
}

float Szene::Schritt() const {
    return float(SchrittTicks()) / gZaehlerFrequenzF;
}

} // namespace Spiel
