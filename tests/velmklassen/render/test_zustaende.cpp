// Blend, depth and sampler state objects: the Direct3D 9 values made from their descriptions.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_zustaende.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Werte = std::vector<uint32_t>;

// Enable, op, source, destination, then the same for alpha (with its enable first), and the mask.
Werte Blend(const Velm_AlphaZustand& a) {
    return {a.mAlphaBlendEnable,         a.mBlendOp,      a.mSrcBlend,      a.mDestBlend,
            a.mSeparateAlphaBlendEnable, a.mBlendOpAlpha, a.mSrcBlendAlpha, a.mDestBlendAlpha,
            a.mColorWriteEnable};
}

TEST(Zustaende, AlphaZustaende) {
    const Velm_AlphaZustand a(Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));
    EXPECT_EQ(Blend(a), Werte({1, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0, D3DBLENDOP_ADD,
                               D3DBLEND_ONE, D3DBLEND_ZERO, 15}));
    EXPECT_EQ(a.mZustand, Velm_ObjektResident);
    EXPECT_FALSE(a.BelegtVideoRAM());
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(a.mBeschreibung.mZiele[i].mAn);
    }
    EXPECT_EQ(Blend(Velm_AlphaZustand{Velm_AlphaZustandBeschreibung()}),
              Werte({0, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DBLENDOP_ADD, D3DBLEND_ONE,
                     D3DBLEND_ZERO, 15}));
    Velm_AlphaZustandBeschreibung b(Velm_BlendEins, Velm_BlendEins);
    b.mZiele[0].mAlphaQuelle = Velm_BlendNull;
    b.mZiele[0].mAlphaOp = Velm_BlendMaximum;
    EXPECT_EQ(Blend(Velm_AlphaZustand(b)), Werte({1, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE, 1,
                                                  D3DBLENDOP_MAX, D3DBLEND_ZERO, D3DBLEND_ONE, 15}));
}

TEST(Zustaende, TiefeVergleiche) {
    // Compare functions out of range are ALWAYS.
    for (const auto& [vergleich, d3d] : {std::pair{9, D3DCMP_ALWAYS}, {-1, D3DCMP_ALWAYS},
                                         {2, D3DCMP_LESSEQUAL}, {5, D3DCMP_GREATEREQUAL},
                                         {0, D3DCMP_NEVER}}) {
        EXPECT_EQ(Velm_TiefeZustand({true, false, vergleich}).mZFunc, d3d) << vergleich;
    }
    const Velm_TiefeZustand t({true, true, 0});
    EXPECT_EQ(Werte({t.mZEnable, t.mZWriteEnable}), Werte({1, 1}));
}

TEST(Zustaende, SamplerFilterAdressenRandUndMips) {
    const auto filter = [](const Velm_Sampler& s) {
        return Werte({s.mMinFilter, s.mMagFilter, s.mMipFilter, s.mAnisotrop});
    };
    Velm_SamplerBeschreibung b;
    b.mFilter = 0x11;
    EXPECT_EQ(filter(Velm_Sampler(b)), Werte({D3DTEXF_LINEAR, D3DTEXF_POINT, D3DTEXF_LINEAR, 0}));
    b.mFilter = 0x40;
    EXPECT_EQ(filter(Velm_Sampler(b)), Werte({D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, D3DTEXF_LINEAR, 1}));

    // The border colour is clamped per channel; a fractional mip limit rounds up.
    const auto adressen = [](const Velm_Sampler& s) {
        return Werte({s.mAddressU, s.mAddressV, s.mAddressW, s.mRandBenutzt, s.mBorderColor, s.mMaxMipLevel});
    };
    b.mAdressierung = 0 | 1 << 2 | 2 << 4;
    b.mRandFarbe[0] = 1.5f;
    b.mRandFarbe[1] = -0.2f;
    b.mRandFarbe[2] = 0.5f;
    b.mRandFarbe[3] = 1.0f;
    b.mMaxMipStufe = 2.25f;
    EXPECT_EQ(adressen(Velm_Sampler(b)),
              Werte({D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER, 1, 0xFFFF0080u, 3}));
    b.mMaxMipStufe = 2.0f;
    b.mAdressierung = 3;
    const Velm_Sampler t(b);
    EXPECT_EQ(Werte({t.mAddressU, t.mRandBenutzt, t.mMaxMipLevel}), Werte({D3DTADDRESS_CLAMP, 0, 2}));
}

} // namespace
