// The drawing context's cost per binding and per draw, headless through the graphics layer:
// rebinding unchanged state must cost no device call, so it is compared with the same bindings
// made on the device directly.

#include "plattform/system/plattform_system.h"
#include "testhilfen/kontextquad.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A headless context on a 256 x 256 back buffer with the quad pipeline, a texture and the states.
struct Aufbau {
    Aufbau() {
        debugShader.SetBool(false);
        Velm_Screen3D::mDarstellung = {256, 256, 0, 0};
        Velm_Screen3D::mFlags = 0;
        kontext = std::make_unique<Velm_ZeichenKontext>();
        Velm_Screen3D::Kontext = kontext.get();
        Velm_ZeichenKontext& k = *kontext;
        quad = std::make_unique<TKontextQuad>(k);
        textur = k.ErzeugeTextur(64, 64, 1, Velm_FormatA8R8G8B8 | FLAG_DYNAMISCH);
        sampler = k.ErzeugeSampler(Velm_SamplerBeschreibung{});
        blend = k.ErzeugeAlphaZustand(
            Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));
        zielHandle = quad->programm->GetKonstante("ziel");
        farbHandle = quad->programm->GetKonstante("farbe");
        bildHandle = quad->programm->GetSampler("bild");
    }
    ~Aufbau() {
        kontext->MeldeNichtFreigegebene();
        kontext.reset();
        Velm_Screen3D::Kontext = nullptr;
    }

    void Binde() {
        Velm_ZeichenKontext& k = *kontext;
        quad->Binde(k);
        k.SetAlphaZustand(blend);
        k.SetTiefeZustand(k.mStandardTiefe);
        k.SetRueckseite();
        k.SetSampler(bildHandle, sampler, textur);
    }

    std::unique_ptr<Velm_ZeichenKontext> kontext;
    std::unique_ptr<TKontextQuad> quad;
    Velm_Textur* textur;
    Velm_Sampler* sampler;
    Velm_AlphaZustand* blend;
    Velm_KonstantenHandle zielHandle;
    Velm_KonstantenHandle farbHandle;
    Velm_SamplerHandle bildHandle;
};

// Rebinding what is bound: the cache answers, the device is not asked.
void BM_BindenAusDemCache(benchmark::State& state) {
    Aufbau a;
    a.Binde();
    for (auto _ : state) {
        a.Binde();
    }
}
BENCHMARK(BM_BindenAusDemCache);

// The same bindings made on the device each time, as without the cache.
void BM_BindenAmGeraet(benchmark::State& state) {
    Aufbau a;
    IDirect3DDevice9* g = a.kontext->Impl().Geraet();
    for (auto _ : state) {
        g->SetVertexDeclaration(a.quad->programm->mDeklaration);
        g->SetVertexShader(a.quad->programm->mD3DVertexShader);
        g->SetPixelShader(a.quad->programm->mD3DPixelShader);
        g->SetStreamSource(0, a.quad->ecken->mPuffer, 0, 8);
        g->SetIndices(a.quad->indizes->mPuffer);
        g->SetRenderState(D3DRS_ALPHABLENDENABLE, a.blend->mAlphaBlendEnable);
        g->SetRenderState(D3DRS_BLENDOP, a.blend->mBlendOp);
        g->SetRenderState(D3DRS_SRCBLEND, a.blend->mSrcBlend);
        g->SetRenderState(D3DRS_DESTBLEND, a.blend->mDestBlend);
        g->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, a.blend->mSeparateAlphaBlendEnable);
        g->SetRenderState(D3DRS_COLORWRITEENABLE, a.blend->mColorWriteEnable);
        g->SetRenderState(D3DRS_ZENABLE, 0);
        g->SetRenderState(D3DRS_ZWRITEENABLE, 0);
        g->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        g->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        g->SetTexture(0, a.textur->mTextur);
        g->SetSamplerState(0, D3DSAMP_ADDRESSU, a.sampler->mAddressU);
        g->SetSamplerState(0, D3DSAMP_ADDRESSV, a.sampler->mAddressV);
        g->SetSamplerState(0, D3DSAMP_MINFILTER, a.sampler->mMinFilter);
        g->SetSamplerState(0, D3DSAMP_MAGFILTER, a.sampler->mMagFilter);
        g->SetSamplerState(0, D3DSAMP_MIPFILTER, a.sampler->mMipFilter);
        g->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, a.sampler->mMaxMipLevel);
    }
}
BENCHMARK(BM_BindenAmGeraet);

// 100 small quads per frame, each with its own constants, then present.
void BM_HundertQuadsProFrame(benchmark::State& state) {
    Aufbau a;
    for (auto _ : state) {
        a.Binde();
        for (int i = 0; i < 100; ++i) {
            const float x = -1.0f + 0.02f * float(i);
            a.kontext->SetProgrammKonstante(a.zielHandle, x, 1, 0.02f, -0.02f);
            a.kontext->SetProgrammKonstante(a.farbHandle, 1, 1, 1, 1);
            a.kontext->ZeichneIndexElemente();
        }
        a.kontext->Praesentieren();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 100);
}
BENCHMARK(BM_HundertQuadsProFrame);

} // namespace
