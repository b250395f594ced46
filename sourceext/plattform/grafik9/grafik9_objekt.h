#pragma once
// Reference counting shared by every object behind the Direct3D 9 interfaces.

#include "plattform/d3d9typen/d3d9typen.h"

#include <cstdint>

namespace Plattform {

class Geraet;

// Two counts keep an object alive: the engine's references (AddRef/Release) and the device's own
// for everything it has bound. The engine compares raw pointers of bound objects, so a bound
// object must not die (and its address be reused) before it is unbound.
class ObjektBasis {
public:
    ObjektBasis(const ObjektBasis&) = delete;
    ObjektBasis& operator=(const ObjektBasis&) = delete;

    void HalteIntern();
    void LasseIntern();
    uint32_t ExternZahl() const { return mExtern; }
    // Whether the engine still references the object or a part of it (a texture's levels).
    virtual bool VonAussenGehalten() const { return mExtern > 0; }
    Geraet* GibGeraet() const { return mGeraet; }

    // Default-pool objects count against the video-memory budget and are checked by Reset.
    uint64_t mVideoBytes = 0;
    bool mImStandardPool = false;
    // Managed-pool objects keep their content in main memory, so they outlive a GPU reset.
    bool mVerwaltet = false;
    // In the new context after a GPU reset: a managed object's OpenGL storage made again from its
    // copy. The old context's names are forgotten, not deleted.
    virtual void Wiederherstellen() {}

protected:
    // Objects the device makes for itself start without an engine reference.
    ObjektBasis(Geraet* geraet, bool extern_);
    virtual ~ObjektBasis();

    ULONG Hoch();
    ULONG Runter();
    // Both counts are zero: the object goes, unless it belongs to another one.
    virtual void Unbenutzt() { delete this; }
    virtual void WiederBenutzt() {}
    // The engine dropped its last reference.
    virtual void ExternFrei() {}

    Geraet* mGeraet;

private:
    uint32_t mExtern;
    uint32_t mIntern = 0;
};

template <class Schnittstelle> class Objekt : public Schnittstelle, public ObjektBasis {
public:
    ULONG AddRef() override { return Hoch(); }
    ULONG Release() override { return Runter(); }

protected:
    Objekt(Geraet* geraet, bool extern_) : ObjektBasis(geraet, extern_) {}
};

} // namespace Plattform
