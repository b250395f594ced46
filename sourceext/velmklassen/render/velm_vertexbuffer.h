#pragma once
// GPU buffers that survive device resets and eviction through a copy in main memory, and the
// initial data handed to them.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

// Data for a buffer. With the take-over flag the buffer may keep this memory (allocated with
// `new uint8_t[]`) as its copy, or frees it after use; the caller's pointer is cleared.
struct Velm_Initialdaten {
    void* mDaten = nullptr;
    uint64_t mGroesse = 0;
    uint32_t mUebernehmen = 0;
};

class Velm_VertexBuffer : public Velm_BasisObjekt {
public:
    // Size 0 takes the data's size.
    Velm_VertexBuffer(uint64_t groesse, uint32_t flags, Velm_Initialdaten& daten);
    ~Velm_VertexBuffer() override;

    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override { Freigeben(); }
    void NachZuruecksetzen() override {}
    void Rauswerfen() override { Freigeben(); }

    // Replaces the content of a dynamic buffer from its start.
    void SchreibeInhalt(Velm_Initialdaten& daten);

    uint64_t mGroesse;
    uint8_t* mKopie = nullptr; // null when volatile
    IDirect3DVertexBuffer9* mPuffer = nullptr;

private:
    void Freigeben();
    void LadeHoch(const void* daten, uint64_t groesse, const char* fehler, int zeile);
};
