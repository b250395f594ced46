#include "velmklassen/render/velm_zustaende.h"

#include "plattform/grafik9/d3d9.h"

#include <algorithm>
#include <cmath>

namespace {

DWORD BlendFaktor(uint32_t faktor) {
    static constexpr D3DBLEND kFaktoren[] = {
        D3DBLEND_ZERO,         D3DBLEND_ONE,         D3DBLEND_SRCALPHA,  D3DBLEND_SRCCOLOR,
        D3DBLEND_INVSRCALPHA,  D3DBLEND_INVSRCCOLOR, D3DBLEND_DESTALPHA, D3DBLEND_DESTCOLOR,
        D3DBLEND_INVDESTALPHA, D3DBLEND_INVDESTCOLOR};
    return faktor < 10 ? kFaktoren[faktor] : D3DBLEND_ONE;
}

DWORD BlendOperation(uint32_t operation) {
    static constexpr D3DBLENDOP kOperationen[] = {D3DBLENDOP_ADD, D3DBLENDOP_SUBTRACT, D3DBLENDOP_REVSUBTRACT,
                                                  D3DBLENDOP_MIN, D3DBLENDOP_MAX};
    return operation < 5 ? kOperationen[operation] : D3DBLENDOP_ADD;
}

// An address field of 3 has no meaning of its own; it clamps.
DWORD Adresse(uint32_t feld) {
    switch (feld & 3) {
    case 0:
        return D3DTADDRESS_WRAP;
    case 2:
        return D3DTADDRESS_BORDER;
    default:
        return D3DTADDRESS_CLAMP;
    }
}

} // namespace

uint32_t Velm_FarbByte(float c) {
    return uint32_t(c * 255.0f + 0.51f);
}

Velm_AlphaZustandBeschreibung::Velm_AlphaZustandBeschreibung(uint32_t quelle, uint32_t ziel) {
    Ziel& z = mZiele[0];
    z.mAn = true;
    z.mFarbQuelle = quelle;
    z.mFarbZiel = ziel;
    z.mAlphaQuelle = quelle;
    z.mAlphaZiel = ziel;
}

Velm_AlphaZustand::Velm_AlphaZustand(const Velm_AlphaZustandBeschreibung& beschreibung)
    : mBeschreibung(beschreibung) {
    const auto& z = beschreibung.mZiele[0];
    mAlphaBlendEnable = z.mAn ? TRUE : FALSE;
    mBlendOp = BlendOperation(z.mFarbOp);
    mSrcBlend = BlendFaktor(z.mFarbQuelle);
    mDestBlend = BlendFaktor(z.mFarbZiel);
    if (z.mAlphaOp == z.mFarbOp && z.mAlphaQuelle == z.mFarbQuelle && z.mAlphaZiel == z.mFarbZiel) {
        mSeparateAlphaBlendEnable = FALSE;
        mBlendOpAlpha = D3DBLENDOP_ADD;
        mSrcBlendAlpha = D3DBLEND_ONE;
        mDestBlendAlpha = D3DBLEND_ZERO;
    } else {
        mSeparateAlphaBlendEnable = TRUE;
        mBlendOpAlpha = BlendOperation(z.mAlphaOp);
        mSrcBlendAlpha = BlendFaktor(z.mAlphaQuelle);
        mDestBlendAlpha = BlendFaktor(z.mAlphaZiel);
    }
    mColorWriteEnable = z.mMaske;
}

Velm_TiefeZustand::Velm_TiefeZustand(const Velm_TiefeZustandBeschreibung& beschreibung)
    : mBeschreibung(beschreibung) {
    static constexpr D3DCMPFUNC kVergleiche[] = {D3DCMP_NEVER,   D3DCMP_LESS,    D3DCMP_LESSEQUAL,
                                                 D3DCMP_EQUAL,   D3DCMP_GREATER, D3DCMP_GREATEREQUAL,
                                                 D3DCMP_NOTEQUAL};
    mZEnable = beschreibung.mTest ? 1 : 0;
    mZWriteEnable = beschreibung.mSchreiben ? 1 : 0;
    const int32_t v = beschreibung.mVergleich;
    mZFunc = v >= 0 && v < 7 ? kVergleiche[v] : D3DCMP_ALWAYS;
}

Velm_Sampler::Velm_Sampler(const Velm_SamplerBeschreibung& beschreibung) : mBeschreibung(beschreibung) {
    const uint32_t a = beschreibung.mAdressierung;
    mAddressU = Adresse(a);
    mAddressV = Adresse(a >> 2);
    mAddressW = Adresse(a >> 4);
    mRandBenutzt =
        mAddressU == D3DTADDRESS_BORDER || mAddressV == D3DTADDRESS_BORDER || mAddressW == D3DTADDRESS_BORDER;

    const uint64_t f = beschreibung.mFilter;
    mAnisotrop = (f & 0x40) != 0;
    if (mAnisotrop) {
        mMinFilter = D3DTEXF_ANISOTROPIC;
        mMagFilter = D3DTEXF_LINEAR;
        mMipFilter = D3DTEXF_LINEAR;
    } else {
        mMinFilter = (f & 3) == 0 ? D3DTEXF_POINT : D3DTEXF_LINEAR;
        mMagFilter = ((f >> 2) & 3) == 0 ? D3DTEXF_POINT : D3DTEXF_LINEAR;
        mMipFilter = ((f >> 4) & 3) == 0 ? D3DTEXF_POINT : D3DTEXF_LINEAR;
    }

    uint32_t teile[4];
    for (int i = 0; i < 4; ++i) {
        teile[i] = Velm_FarbByte(std::clamp(beschreibung.mRandFarbe[i], 0.0f, 1.0f));
    }
    mBorderColor = teile[3] << 24 | teile[0] << 16 | teile[1] << 8 | teile[2];
    mMaxAnisotropy = beschreibung.mMaxAnisotropie;
    mMaxMipLevel = uint32_t(std::max(0.0f, std::ceil(beschreibung.mMaxMipStufe)));
}
