// Blend, depth and sampler state objects: the Direct3D 9 values made from their descriptions.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_zustaende.h"

#include <gtest/gtest.h>

namespace {

TEST(Zustaende, AlphaZustandAusZweiFaktoren) {
    const Velm_AlphaZustand a(Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));
    EXPECT_EQ(a.mAlphaBlendEnable, 1u);
    EXPECT_EQ(a.mBlendOp, D3DBLENDOP_ADD);
    EXPECT_EQ(a.mSrcBlend, D3DBLEND_SRCALPHA);
    EXPECT_EQ(a.mDestBlend, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(a.mSeparateAlphaBlendEnable, 0u);
    EXPECT_EQ(a.mBlendOpAlpha, D3DBLENDOP_ADD);
    EXPECT_EQ(a.mSrcBlendAlpha, D3DBLEND_ONE);
    EXPECT_EQ(a.mDestBlendAlpha, D3DBLEND_ZERO);
    EXPECT_EQ(a.mColorWriteEnable, 15u);
    EXPECT_EQ(a.mZustand, Velm_ObjektResident);
    EXPECT_FALSE(a.BelegtVideoRAM());
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(a.mBeschreibung.mZiele[i].mAn);
    }

    const Velm_AlphaZustand aus{Velm_AlphaZustandBeschreibung()};
    EXPECT_EQ(aus.mAlphaBlendEnable, 0u);
    EXPECT_EQ(aus.mSrcBlend, D3DBLEND_ONE);
    EXPECT_EQ(aus.mDestBlend, D3DBLEND_ZERO);
}

TEST(Zustaende, GetrenntesAlpha) {
    Velm_AlphaZustandBeschreibung b(Velm_BlendEins, Velm_BlendEins);
    b.mZiele[0].mAlphaQuelle = Velm_BlendNull;
    b.mZiele[0].mAlphaOp = Velm_BlendMaximum;
    const Velm_AlphaZustand a(b);
    EXPECT_EQ(a.mSeparateAlphaBlendEnable, 1u);
    EXPECT_EQ(a.mSrcBlendAlpha, D3DBLEND_ZERO);
    EXPECT_EQ(a.mDestBlendAlpha, D3DBLEND_ONE);
    EXPECT_EQ(a.mBlendOpAlpha, D3DBLENDOP_MAX);
    EXPECT_EQ(a.mSrcBlend, D3DBLEND_ONE);
}

TEST(Zustaende, TiefeVergleiche) {
    EXPECT_EQ(Velm_TiefeZustand({true, false, 9}).mZFunc, D3DCMP_ALWAYS);
    EXPECT_EQ(Velm_TiefeZustand({true, false, -1}).mZFunc, D3DCMP_ALWAYS);
    EXPECT_EQ(Velm_TiefeZustand({true, false, 2}).mZFunc, D3DCMP_LESSEQUAL);
    EXPECT_EQ(Velm_TiefeZustand({true, false, 5}).mZFunc, D3DCMP_GREATEREQUAL);
    const Velm_TiefeZustand t({true, true, 0});
    EXPECT_EQ(t.mZEnable, 1u);
    EXPECT_EQ(t.mZWriteEnable, 1u);
    EXPECT_EQ(t.mZFunc, D3DCMP_NEVER);
}

TEST(Zustaende, SamplerFilterAdressenRandUndMips) {
    Velm_SamplerBeschreibung b;
    b.mFilter = 0x11;
    const Velm_Sampler linear(b);
    EXPECT_EQ(linear.mMinFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(linear.mMagFilter, D3DTEXF_POINT);
    EXPECT_EQ(linear.mMipFilter, D3DTEXF_LINEAR);
    EXPECT_FALSE(linear.mAnisotrop);

    b.mFilter = 0x40;
    const Velm_Sampler aniso(b);
    EXPECT_EQ(aniso.mMinFilter, D3DTEXF_ANISOTROPIC);
    EXPECT_EQ(aniso.mMagFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(aniso.mMipFilter, D3DTEXF_LINEAR);
    EXPECT_TRUE(aniso.mAnisotrop);

    b.mAdressierung = 0 | 1 << 2 | 2 << 4;
    b.mRandFarbe[0] = 1.5f;
    b.mRandFarbe[1] = -0.2f;
    b.mRandFarbe[2] = 0.5f;
    b.mRandFarbe[3] = 1.0f;
    b.mMaxMipStufe = 2.25f;
    const Velm_Sampler s(b);
    EXPECT_EQ(s.mAddressU, D3DTADDRESS_WRAP);
    EXPECT_EQ(s.mAddressV, D3DTADDRESS_CLAMP);
    EXPECT_EQ(s.mAddressW, D3DTADDRESS_BORDER);
    EXPECT_TRUE(s.mRandBenutzt);
    EXPECT_EQ(s.mBorderColor, 0xFFFF0080u);
    EXPECT_EQ(s.mMaxMipLevel, 3u);

    b.mMaxMipStufe = 2.0f;
    b.mAdressierung = 3;
    const Velm_Sampler t(b);
    EXPECT_EQ(t.mMaxMipLevel, 2u);
    EXPECT_EQ(t.mAddressU, D3DTADDRESS_CLAMP);
    EXPECT_FALSE(t.mRandBenutzt);
}

} // namespace
