#pragma once
// A 2D texture with its mip chain on the device, and the copy of its content kept in main memory
// (level 0, or every level when they are given by hand) from which it comes back after a device
// reset or an eviction.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/bild/velm_bereich.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <array>
#include <cstdint>

struct TMipStufen;

// The initial content of a texture: one region per mip level. With the take-over flag the
// texture takes the level buffers it keeps and frees all others (`Velm_Bild::GibDatenFrei`).
struct Velm_TexturInhalt {
    static constexpr uint64_t kStufen = 16;

    Velm_TexturInhalt() = default;
    // The levels an image hands on with `Velm_Bild::LockMipStufen`, taken over.
    explicit Velm_TexturInhalt(const TMipStufen& stufen);

    TBereich mStufen[kStufen];
    uint32_t mUebernehmen = 0;
};

class Velm_Textur : public Velm_BasisObjekt {
public:
    // Width and height 0 take the content's level-0 size; the format is in the low 8 bits of
    // `formatUndFlags`; mip count 0 is the full chain.
    Velm_Textur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl, uint32_t formatUndFlags,
                Velm_TexturInhalt& inhalt);
    ~Velm_Textur() override;

    void Benutzen() override;
    bool BelegtVideoRAM() const override { return true; }
    void VorZuruecksetzen() override { Freigeben(); }
    void NachZuruecksetzen() override {}
    void Rauswerfen() override { Freigeben(); }

    // Writes pixels into level 0 at (x, y); dynamic textures only. The level argument is not
    // applied. With `uebernehmen` the region's memory is freed afterwards and the region cleared.
    void SchreibeTeilInhalt(uint64_t stufe, uint64_t x, uint64_t y, TBereich& bereich,
                            bool uebernehmen = false);
    // Lets the device build the lower levels from level 0.
    void ErzeugeMipStufen();
    // Copies a region into a level of the device texture; nothing while it has none.
    void InternSchreibeInhalt(uint64_t stufe, uint64_t x, uint64_t y, const TBereich& bereich);

    uint64_t StufenBreite(uint64_t stufe) const;
    uint64_t StufenHoehe(uint64_t stufe) const;
    bool HatManuelleMips() const { return (mFlags & FLAG_MANUELLE_MIPS) != 0; }
    // Levels kept in main memory (0 when volatile).
    uint64_t KopieStufen() const;

    uint64_t mBreite;
    uint64_t mHoehe;
    uint64_t mMipAnzahl = 1;
    uint32_t mFormat;
    TBereich mKopie[Velm_TexturInhalt::kStufen];
    IDirect3DTexture9* mTextur = nullptr;
    D3DFORMAT mD3DFormat;
    // An invalid size: neither the device nor main memory holds anything.
    bool mUngueltig = false;

private:
    // The constructor's arguments as its messages print them.
    struct Angaben {
        int breite;
        int hoehe;
        int mips;
    };
    using StufenGueltig = std::array<bool, Velm_TexturInhalt::kStufen>;

    // The constructor's steps.
    void PruefeFormat(const Angaben& a);
    void WaehleMipAnzahl(uint64_t mipAnzahl, const Angaben& a);
    void ErzwingeFlags(const Angaben& a);
    StufenGueltig PruefeInhalt(const Velm_TexturInhalt& inhalt, bool mitInhalt);
    void PruefeGroesse();
    void SchreibeGegebeneStufen(const Velm_TexturInhalt& inhalt, const StufenGueltig& gueltig);
    void BehalteKopie(Velm_TexturInhalt& inhalt, const StufenGueltig& gueltig);
    // Levels the content gives: all of them with manual mips, else level 0.
    uint64_t GegebeneStufen() const;
    void Freigeben();
};
