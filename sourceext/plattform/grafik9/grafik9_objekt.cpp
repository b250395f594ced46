#include "plattform/grafik9/grafik9_objekt.h"

#include "plattform/grafik9/grafik9_geraet.h"

namespace Plattform {

ObjektBasis::ObjektBasis(Geraet* geraet, bool extern_) : mGeraet(geraet), mExtern(extern_ ? 1 : 0) {
    if (mGeraet != nullptr) {
        mGeraet->HalteIntern();
    }
}

ObjektBasis::~ObjektBasis() {
    if (mGeraet != nullptr) {
        if (mImStandardPool) {
            mGeraet->NimmAusStandardPool(*this);
        }
        if (mVerwaltet) {
            mGeraet->NimmAusVerwaltetemPool(*this);
        }
        mGeraet->LasseIntern();
    }
}

void ObjektBasis::HalteIntern() {
    if (mExtern + mIntern == 0) {
        WiederBenutzt();
    }
    ++mIntern;
}

void ObjektBasis::LasseIntern() {
    if (--mIntern == 0 && mExtern == 0) {
        Unbenutzt();
    }
}

ULONG ObjektBasis::Hoch() {
    if (mExtern + mIntern == 0) {
        WiederBenutzt();
    }
    return ++mExtern;
}

ULONG ObjektBasis::Runter() {
    if (mExtern == 0) {
        return 0;
    }
    const ULONG rest = --mExtern;
    if (rest == 0) {
        // Held across ExternFrei, which may drop the last internal references itself.
        ++mIntern;
        ExternFrei();
        LasseIntern();
    }
    return rest;
}

} // namespace Plattform
