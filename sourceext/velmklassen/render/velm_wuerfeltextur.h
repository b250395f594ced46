#pragma once
// A cube texture of six square faces with their mip chains, kept in main memory as a texture is.
// No factory makes one in this engine; only its device side is here.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/bild/velm_bereich.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

class Velm_WuerfelTextur : public Velm_BasisObjekt {
public:
    // Faces are numbered as `Velm::GetD3DSeite` takes them; a face's content is one region per
    // level (the first `mipAnzahl`), copied.
    Velm_WuerfelTextur(uint64_t kante, uint64_t mipAnzahl, uint32_t formatUndFlags,
                       const TBereich (*inhalt)[16] = nullptr);
    ~Velm_WuerfelTextur() override;

    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override { Freigeben(); }
    void NachZuruecksetzen() override {}
    void Rauswerfen() override { Freigeben(); }

    void InternSchreibeInhalt(uint32_t seite, uint64_t stufe, uint64_t x, uint64_t y,
                              const TBereich& bereich);
    uint64_t StufenKante(uint64_t stufe) const;
    uint64_t KopieStufen() const;

    uint64_t mKante;
    uint64_t mMipAnzahl;
    uint32_t mFormat;
    TBereich mKopie[6][16];
    IDirect3DCubeTexture9* mTextur = nullptr;
    D3DFORMAT mD3DFormat;

private:
    void Freigeben();
};
