#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_zustaende.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Werte = std::vector<uint32_t>;

// Blend, depth and sampler state objects: the Direct3D 9 values made from their descriptions.
TEST(Zustaende, GeraetewerteAusDenBeschreibungen) {
    // Alpha factors apart from the colour's turn the separate alpha blend on. Enable, op, source,
    // destination, then the same for alpha (with its enable first), and the mask.
    Velm_AlphaZustandBeschreibung b(Velm_BlendEins, Velm_BlendEins);
    b.mZiele[0].mAlphaQuelle = Velm_BlendNull;
    b.mZiele[0].mAlphaOp = Velm_BlendMaximum;
    const Velm_AlphaZustand a(b);
    EXPECT_EQ(Werte({a.mAlphaBlendEnable, a.mBlendOp, a.mSrcBlend, a.mDestBlend, a.mSeparateAlphaBlendEnable,
                     a.mBlendOpAlpha, a.mSrcBlendAlpha, a.mDestBlendAlpha, a.mColorWriteEnable}),
              Werte({1, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE, 1, D3DBLENDOP_MAX, D3DBLEND_ZERO,
                     D3DBLEND_ONE, 15}));

    // Compare functions out of range are ALWAYS.
    for (const auto& [vergleich, d3d] :
         {std::pair{9, D3DCMP_ALWAYS}, {-1, D3DCMP_ALWAYS}, {2, D3DCMP_LESSEQUAL}, {0, D3DCMP_NEVER}}) {
        EXPECT_EQ(Velm_TiefeZustand({true, false, vergleich}).mZFunc, d3d) << vergleich;
    }

    // Filter and address fields (wrap, clamp, border; a field of 3 clamps; anisotropic filtering);
    // the border colour is clamped per channel; a fractional mip limit rounds up.
    const auto sampler = [](uint64_t filter, uint32_t adressen, float maxMip) {
        Velm_SamplerBeschreibung b;
        b.mFilter = filter;
        b.mAdressierung = adressen;
        const float rand[4] = {1.5f, -0.2f, 0.5f, 1.0f};
        std::copy(rand, rand + 4, b.mRandFarbe);
        b.mMaxMipStufe = maxMip;
        const Velm_Sampler s(b);
        return Werte({s.mMinFilter, s.mMagFilter, s.mMipFilter, s.mAnisotrop, s.mAddressU, s.mAddressV,
                      s.mAddressW, s.mRandBenutzt, s.mBorderColor, s.mMaxMipLevel});
    };
    constexpr uint32_t L = D3DTEXF_LINEAR, P = D3DTEXF_POINT;
    constexpr uint32_t W = D3DTADDRESS_WRAP, C = D3DTADDRESS_CLAMP, B = D3DTADDRESS_BORDER;
    EXPECT_EQ(sampler(0x11, 0 | 1 << 2 | 2 << 4, 2.25f), Werte({L, P, L, 0, W, C, B, 1, 0xFFFF0080u, 3}));
    EXPECT_EQ(sampler(0x40, 3, 2), Werte({D3DTEXF_ANISOTROPIC, L, L, 1, C, W, W, 0, 0xFFFF0080u, 2}));
}

} // namespace
