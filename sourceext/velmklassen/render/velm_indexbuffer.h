#pragma once
// A static buffer of 16-bit indices with its copy in main memory.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"
#include "velmklassen/render/velm_vertexbuffer.h"

#include <cstdint>

class Velm_IndexBuffer : public Velm_BasisObjekt {
public:
    explicit Velm_IndexBuffer(Velm_Initialdaten& daten);
    ~Velm_IndexBuffer() override;

    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override { Freigeben(); }
    void NachZuruecksetzen() override {}
    void Rauswerfen() override { Freigeben(); }

    uint64_t mGroesse;
    uint32_t mIndexBreite = 1; // 1: 16-bit indices, 2: 32-bit
    uint8_t* mKopie = nullptr;
    IDirect3DIndexBuffer9* mPuffer = nullptr;

private:
    void Freigeben();
};
