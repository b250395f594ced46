#pragma once
// A depth surface of its own size in the depth format chosen at device creation.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

class Velm_ZBuffer : public Velm_BasisObjekt {
public:
    Velm_ZBuffer(uint64_t breite, uint64_t hoehe);
    ~Velm_ZBuffer() override;

    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override;
    void NachZuruecksetzen() override { Benutzen(); }
    void Rauswerfen() override { VorZuruecksetzen(); }

    uint64_t mBreite;
    uint64_t mHoehe;
    IDirect3DSurface9* mOberflaeche = nullptr;
};
