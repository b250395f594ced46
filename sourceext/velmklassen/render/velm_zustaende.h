#pragma once
// Immutable fixed-function state objects made once from a description: blending and colour write
// mask, depth test and writes, texture sampling. Each holds its Direct3D 9 values ready to bind.

#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>

// Engine blend factors and operations.
enum Velm_BlendFaktor : uint32_t {
    Velm_BlendNull = 0,
    Velm_BlendEins = 1,
    Velm_BlendQuellAlpha = 2,
    Velm_BlendQuellFarbe = 3,
    Velm_BlendInvQuellAlpha = 4,
    Velm_BlendInvQuellFarbe = 5,
    Velm_BlendZielAlpha = 6,
    Velm_BlendZielFarbe = 7,
    Velm_BlendInvZielAlpha = 8,
    Velm_BlendInvZielFarbe = 9,
};
enum Velm_BlendOperation : uint32_t {
    Velm_BlendAddieren = 0,
    Velm_BlendSubtrahieren = 1,
    Velm_BlendUmgekehrtSubtrahieren = 2,
    Velm_BlendMinimum = 3,
    Velm_BlendMaximum = 4,
};

struct Velm_AlphaZustandBeschreibung {
    struct Ziel {
        bool mAn = false;
        uint32_t mFarbOp = Velm_BlendAddieren;
        uint32_t mFarbQuelle = Velm_BlendEins;
        uint32_t mFarbZiel = Velm_BlendNull;
        uint32_t mAlphaOp = Velm_BlendAddieren;
        uint32_t mAlphaQuelle = Velm_BlendEins;
        uint32_t mAlphaZiel = Velm_BlendNull;
        uint32_t mMaske = 15; // bits 0-3: red, green, blue, alpha
    };

    // Blending off on all eight targets.
    Velm_AlphaZustandBeschreibung() = default;
    // Target 0 blends with these factors for colour and alpha, the others are off.
    Velm_AlphaZustandBeschreibung(uint32_t quelle, uint32_t ziel);

    uint8_t mFlags = 0;
    Ziel mZiele[8];
};

class Velm_AlphaZustand : public Velm_ZustandsObjekt {
public:
    explicit Velm_AlphaZustand(const Velm_AlphaZustandBeschreibung& beschreibung);

    Velm_AlphaZustandBeschreibung mBeschreibung;
    uint32_t mAlphaBlendEnable;
    uint32_t mBlendOp;
    uint32_t mSrcBlend;
    uint32_t mDestBlend;
    uint32_t mSeparateAlphaBlendEnable;
    uint32_t mBlendOpAlpha;
    uint32_t mSrcBlendAlpha;
    uint32_t mDestBlendAlpha;
    uint32_t mColorWriteEnable;
};

// Compare functions: 0 NEVER, 1 LESS, 2 LESSEQUAL, 3 EQUAL, 4 GREATER, 5 GREATEREQUAL, 6 NOTEQUAL,
// anything else ALWAYS.
struct Velm_TiefeZustandBeschreibung {
    bool mTest = false;
    bool mSchreiben = false;
    int32_t mVergleich = 2;
};

class Velm_TiefeZustand : public Velm_ZustandsObjekt {
public:
    explicit Velm_TiefeZustand(const Velm_TiefeZustandBeschreibung& beschreibung);

    Velm_TiefeZustandBeschreibung mBeschreibung;
    uint32_t mZEnable;
    uint32_t mZWriteEnable;
    uint32_t mZFunc;
};

struct Velm_SamplerBeschreibung {
    // Bits 0-1 minification, 2-3 magnification, 4-5 mip filter (0 point, else linear), bit 6
    // anisotropic.
    uint64_t mFilter = 0;
    // Bits 0-1 U, 2-3 V, 4-5 W: 0 wrap, 1 clamp, 2 border.
    uint32_t mAdressierung = 0;
    uint32_t mMaxAnisotropie = 1;
    float mRandFarbe[4] = {0, 0, 0, 0};
    float mMaxMipStufe = 0;
};

class Velm_Sampler : public Velm_ZustandsObjekt {
public:
    explicit Velm_Sampler(const Velm_SamplerBeschreibung& beschreibung);

    Velm_SamplerBeschreibung mBeschreibung;
    uint32_t mAddressU;
    uint32_t mAddressV;
    uint32_t mAddressW;
    uint32_t mMinFilter;
    uint32_t mMagFilter;
    uint32_t mMipFilter;
    uint32_t mBorderColor;
    uint32_t mMaxMipLevel;
    uint32_t mMaxAnisotropy;
    bool mRandBenutzt;
    bool mAnisotrop;
};

// A colour component as a byte: clamped to [0, 1] by the caller where needed, then c x 255 + 0.51
// truncated.
uint32_t Velm_FarbByte(float c);
