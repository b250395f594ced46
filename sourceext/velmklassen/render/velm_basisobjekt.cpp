#include "velmklassen/render/velm_basisobjekt.h"

#include "velmklassen/kern/velm_zeitgeber.h"

uint64_t Velm_AllocID = 0;

Velm_BasisObjekt::Velm_BasisObjekt() : mAllocId(Velm_AllocID++), mLetzteNutzung(Jetzt()) {}

Velm_BasisObjekt::~Velm_BasisObjekt() = default;

void Velm_BasisObjekt::Benutzen() {
    mLetzteNutzung = Jetzt();
}

uint64_t Velm_BasisObjekt::Jetzt() {
    return uint64_t(Velm_Zeitgeber::Global().Zeit());
}
