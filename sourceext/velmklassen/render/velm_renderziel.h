#pragma once
// A target of drawing: up to eight colour buffers taken from textures (or cube faces) plus an
// optional depth buffer. It holds the device surfaces and fetches them again after a release.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

class Velm_Textur;
class Velm_ZBuffer;

struct Velm_RenderzielBeschreibung {
    // No buffers, no depth buffer, the screen's size.
    Velm_RenderzielBeschreibung() = default;
    // One texture, no depth buffer, the texture's size.
    explicit Velm_RenderzielBeschreibung(Velm_Textur* textur);

    uint64_t mAnzahl = 0;
    Velm_BasisObjekt* mTexturen[8] = {};
    uint32_t mSeiten[8] = {};
    Velm_ZBuffer* mZBuffer = nullptr;
    uint64_t mBreite = 0; // 0: the screen's size when bound
    uint64_t mHoehe = 0;
};

class Velm_Renderziel : public Velm_BasisObjekt {
public:
    explicit Velm_Renderziel(const Velm_RenderzielBeschreibung& beschreibung);
    ~Velm_Renderziel() override;

    // Fetches the surfaces again when they were released; records no time of use.
    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override { Freigeben(); }
    void NachZuruecksetzen() override { ErzeugeDaten(); }
    void Rauswerfen() override { Freigeben(); }

    void ErzeugeDaten();
    void Freigeben();

    Velm_RenderzielBeschreibung mBeschreibung;
    IDirect3DSurface9* mFarbe[8] = {};
    IDirect3DSurface9* mTiefe = nullptr; // owned by the depth buffer
};
