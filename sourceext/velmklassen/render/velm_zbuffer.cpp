#include "velmklassen/render/velm_zbuffer.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

Velm_ZBuffer::Velm_ZBuffer(uint64_t breite, uint64_t hoehe) : mBreite(breite), mHoehe(hoehe) {
    mZustand = Velm_ObjektFreigegeben;
    Benutzen();
}

Velm_ZBuffer::~Velm_ZBuffer() {
    Velm::GibFrei(mOberflaeche);
}

void Velm_ZBuffer::Benutzen() {
    Velm_BasisObjekt::Benutzen();
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mZustand != Velm_ObjektFreigegeben || geraet == nullptr) {
        return;
    }
    const D3DFORMAT format = Velm_Screen3D::Kontext->Impl().TiefenFormat();
    const HRESULT ergebnis = Velm::ErzeugeMitRaeumung(
        [&] {
            return geraet->CreateDepthStencilSurface(UINT(mBreite), UINT(mHoehe), format, D3DMULTISAMPLE_NONE,
                                                     0, TRUE, &mOberflaeche, nullptr);
        },
        true);
    if (FAILED(ergebnis)) {
        mOberflaeche = nullptr;
        Velm_Konsole::Schreibe(
            "!Velm_ZBuffer::Benutzen( %d, %d): Failed to create zbuffer of these properties.", int(mBreite),
            int(mHoehe));
        VELM_BERICHT("Failed to create zbuffer.", "Velm_ZBuffer::Benutzen");
        return;
    }
    mZustand = Velm_ObjektResident;
}

void Velm_ZBuffer::VorZuruecksetzen() {
    Velm::GibFrei(mOberflaeche);
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}
