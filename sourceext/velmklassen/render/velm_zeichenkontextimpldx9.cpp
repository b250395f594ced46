// The Direct3D 9 back end's states and draws: the shadows that let only real changes reach the
// device, the constant banks uploaded before a draw, the quad draws and the back buffer's reading.

#include "velmklassen/render/velm_zeichenkontextimpldx9.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kUnbekannt = UINT64_MAX;

// A failed device call: the check report with the back end's function name.
bool Gelungen(HRESULT ergebnis, const char* text, const char* funktion) {
    return VELM_PRUEFE(SUCCEEDED(ergebnis), text, funktion);
}

} // namespace

void Velm_ZeichenKontextImplDX9::SetzeStandardZustand() {
    mGebundeneTiefe = nullptr;
    std::fill(std::begin(mGebundeneFarbe), std::end(mGebundeneFarbe), nullptr);
    mDeklaration = nullptr;
    mVertexShader = nullptr;
    mPixelShader = nullptr;
    std::memset(mKonstanten, 0, sizeof mKonstanten);
    mVsErster = kRegister;
    mVsEnde = 0;
    mPsErster = kRegister;
    mPsEnde = 0;
    std::fill(std::begin(mZustaende), std::end(mZustaende), kUnbekannt);
    for (SamplerSchatten& s : mSampler) {
        s = {nullptr, kUnbekannt, kUnbekannt, kUnbekannt, kUnbekannt, kUnbekannt};
    }
    std::fill(std::begin(mFrequenz), std::end(mFrequenz), 0u);
}

// ---- Targets ----

void Velm_ZeichenKontextImplDX9::SetRenderZiel(Velm_Renderziel* ziel) {
    if (mGeraet == nullptr) {
        return;
    }
    if (ziel == nullptr) {
        if (mGebundeneFarbe[0] != mRueckpuffer) {
            mGeraet->SetRenderTarget(0, mRueckpuffer);
            mGebundeneFarbe[0] = mRueckpuffer;
        }
        for (DWORD i = 1; i < 4; ++i) {
            if (mGebundeneFarbe[i] != nullptr) {
                mGeraet->SetRenderTarget(i, nullptr);
                mGebundeneFarbe[i] = nullptr;
            }
        }
        if (mGebundeneTiefe != mTiefe) {
            mGeraet->SetDepthStencilSurface(mTiefe);
            mGebundeneTiefe = mTiefe;
        }
        return;
    }
    ziel->Benutzen();
    for (DWORD i = 0; i < 4; ++i) {
        IDirect3DSurface9* oberflaeche = nullptr;
        if (i == 0) {
            oberflaeche = ziel->mFarbe[0] != nullptr ? ziel->mFarbe[0] : mRueckpuffer;
        }
        if (mGebundeneFarbe[i] == oberflaeche) {
            continue;
        }
        if (!Gelungen(mGeraet->SetRenderTarget(i, oberflaeche), "Failed to set render target.",
                      "Velm_ZeichenKontextImplDX9::SetRenderZiel")) {
            return;
        }
        mGebundeneFarbe[i] = oberflaeche;
    }
    if (mGebundeneTiefe != ziel->mTiefe) {
        Gelungen(mGeraet->SetDepthStencilSurface(ziel->mTiefe), "Failed to set zbuffer.",
                 "Velm_ZeichenKontextImplDX9::SetRenderZiel");
        mGebundeneTiefe = ziel->mTiefe;
    }
}

void Velm_ZeichenKontextImplDX9::SetRenderBereich(uint64_t x, uint64_t y, uint64_t breite, uint64_t hoehe) {
    if (mGeraet == nullptr) {
        return;
    }
    const D3DVIEWPORT9 bereich = {DWORD(x), DWORD(y), DWORD(breite), DWORD(hoehe), 0.0f, 1.0f};
    Gelungen(mGeraet->SetViewport(&bereich), "Failed to set viewport.",
             "Velm_ZeichenKontextImplDX9::SetRenderBereich");
}

void Velm_ZeichenKontextImplDX9::Leeren(uint32_t flags, const TAlphaFarbe& farbe) {
    if (mGeraet == nullptr) {
        return;
    }
    // Each component must stay within its byte: 1.5 would spill into the next channel, and a
    // negative value has no unsigned byte at all.
    const auto byte = [](float c) { return Velm_FarbByte(std::clamp(c, 0.0f, 1.0f)); };
    const D3DCOLOR wert = byte(farbe.a) << 24 | byte(farbe.r) << 16 | byte(farbe.g) << 8 | byte(farbe.b);
    DWORD d3dFlags = 0;
    if (flags & 1) {
        d3dFlags |= D3DCLEAR_TARGET;
    }
    if (flags & 2) {
        d3dFlags |= D3DCLEAR_ZBUFFER;
    }
    Gelungen(mGeraet->Clear(0, nullptr, d3dFlags, wert, 1.0f, 0), "Failed to clear buffers",
             "Velm_ZeichenKontextImplDX9::Leeren");
}

void Velm_ZeichenKontextImplDX9::SetRueckseite() {
    if (mGeraet == nullptr) {
        return;
    }
    Gelungen(mGeraet->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), "Rückseiten-Änderung gescheitert.",
             "Velm_ZeichenKontextImplDX9::SetRueckseite");
}

// ---- Program and constants ----

void Velm_ZeichenKontextImplDX9::SetProgramm(Velm_Programm* programm) {
    programm->Benutzen();
    if (mGeraet == nullptr) {
        return;
    }
    if (programm->mDeklaration != mDeklaration) {
        if (!Gelungen(mGeraet->SetVertexDeclaration(programm->mDeklaration),
                      "Failed to set vertex input declaration.", "Velm_ZeichenKontextImplDX9::SetProgramm")) {
            return;
        }
        mDeklaration = programm->mDeklaration;
    }
    if (programm->mD3DVertexShader != mVertexShader) {
        if (!Gelungen(mGeraet->SetVertexShader(programm->mD3DVertexShader), "Failed to set vertex shader.",
                      "Velm_ZeichenKontextImplDX9::SetProgramm")) {
            return;
        }
        mVertexShader = programm->mD3DVertexShader;
    }
    if (programm->mD3DPixelShader != mPixelShader) {
        if (!Gelungen(mGeraet->SetPixelShader(programm->mD3DPixelShader), "Failed to set pixel shader.",
                      "Velm_ZeichenKontextImplDX9::SetProgramm")) {
            return;
        }
        mPixelShader = programm->mD3DPixelShader;
    }
}

void Velm_ZeichenKontextImplDX9::SetProgrammKonstante(Velm_KonstantenHandle handle, float x, float y, float z,
                                                      float w) {
    const uint64_t vs = handle & 0xFFF;
    if (vs != kVelm_KeinRegister && VELM_PRUEFE(vs < kVsRegister, "Ungültiger Konstantenindex",
                                                "Velm_ZeichenKontextImplDX9::SetProgrammKonstante")) {
        float* r = mKonstanten[vs];
        r[0] = x;
        r[1] = y;
        r[2] = z;
        r[3] = w;
        mVsErster = std::min(mVsErster, vs);
        mVsEnde = std::max(mVsEnde, vs + 1);
    }
    const uint64_t ps = (handle >> 12) & 0xFFF;
    if (ps != kVelm_KeinRegister && VELM_PRUEFE(ps < kPsRegister, "Ungültiger Konstantenindex",
                                                "Velm_ZeichenKontextImplDX9::SetProgrammKonstante")) {
        float* r = mKonstanten[kVsRegister + ps];
        r[0] = x;
        r[1] = y;
        r[2] = z;
        r[3] = w;
        mPsErster = std::min(mPsErster, ps);
        mPsEnde = std::max(mPsEnde, ps + 1);
    }
}

// ---- Fixed-function states ----

void Velm_ZeichenKontextImplDX9::SetzeZustand(Schatten schatten, D3DRENDERSTATETYPE zustand, uint32_t wert,
                                              const char* fehler, const char* funktion) {
    if (mZustaende[schatten] == wert || mGeraet == nullptr) {
        return;
    }
    Gelungen(mGeraet->SetRenderState(zustand, wert), fehler, funktion);
    mZustaende[schatten] = wert;
}

void Velm_ZeichenKontextImplDX9::SetTiefeZustand(Velm_TiefeZustand* zustand) {
    constexpr const char* f = "Velm_ZeichenKontextImplDX9::SetTiefeZustand";
    SetzeZustand(kZEnable, D3DRS_ZENABLE, zustand->mZEnable, "ZBuffer-Test-Einstellung gescheitert", f);
    SetzeZustand(kZWriteEnable, D3DRS_ZWRITEENABLE, zustand->mZWriteEnable,
                 "ZBuffer-Schreiben-Einstellung gescheitert", f);
    SetzeZustand(kZFunc, D3DRS_ZFUNC, zustand->mZFunc, "ZBuffer-Testfunktion-Einstellung gescheitert", f);
}

void Velm_ZeichenKontextImplDX9::SetAlphaZustand(Velm_AlphaZustand* zustand) {
    constexpr const char* t = "AlphaBlend-Einstellung gescheitert";
    constexpr const char* f = "Velm_ZeichenKontextImplDX9::SetAlphaZustand";
    SetzeZustand(kAlphaBlendEnable, D3DRS_ALPHABLENDENABLE, zustand->mAlphaBlendEnable, t, f);
    if (zustand->mAlphaBlendEnable) {
        SetzeZustand(kBlendOp, D3DRS_BLENDOP, zustand->mBlendOp, t, f);
        SetzeZustand(kSrcBlend, D3DRS_SRCBLEND, zustand->mSrcBlend, t, f);
        SetzeZustand(kDestBlend, D3DRS_DESTBLEND, zustand->mDestBlend, t, f);
        SetzeZustand(kSeparateAlpha, D3DRS_SEPARATEALPHABLENDENABLE, zustand->mSeparateAlphaBlendEnable, t,
                     f);
        if (zustand->mSeparateAlphaBlendEnable) {
            SetzeZustand(kBlendOpAlpha, D3DRS_BLENDOPALPHA, zustand->mBlendOpAlpha, t, f);
            SetzeZustand(kSrcBlendAlpha, D3DRS_SRCBLENDALPHA, zustand->mSrcBlendAlpha, t, f);
            SetzeZustand(kDestBlendAlpha, D3DRS_DESTBLENDALPHA, zustand->mDestBlendAlpha, t, f);
        }
    }
    SetzeZustand(kColorWriteEnable, D3DRS_COLORWRITEENABLE, zustand->mColorWriteEnable, t, f);
}

// ---- Streams and textures ----

void Velm_ZeichenKontextImplDX9::SetVertexBuffer(uint64_t kanal, Velm_VertexBuffer* puffer,
                                                 uint64_t schritt) {
    if (mGeraet == nullptr) {
        return;
    }
    Gelungen(mGeraet->SetStreamSource(UINT(kanal), puffer != nullptr ? puffer->mPuffer : nullptr, 0,
                                      UINT(schritt)),
             "VertexBuffer-Zuweisung gescheitert", "Velm_ZeichenKontextImplDX9::SetVertexBuffer");
}

void Velm_ZeichenKontextImplDX9::SetIndexBuffer(Velm_IndexBuffer* puffer) {
    if (mGeraet == nullptr) {
        return;
    }
    Gelungen(mGeraet->SetIndices(puffer != nullptr ? puffer->mPuffer : nullptr),
             "IndexBuffer-Zuweisung gescheitert", "Velm_ZeichenKontextImplDX9::SetIndexBuffer");
}

void Velm_ZeichenKontextImplDX9::SetzeSampler(SamplerSchatten& s, DWORD nummer, Velm_Sampler* sampler,
                                              IDirect3DBaseTexture9* textur) {
    constexpr const char* f = "Velm_ZeichenKontextImplDX9::SetTextur";
    constexpr const char* t = "Sampler-Zuweisung gescheitert";
    if (s.mTextur != textur) {
        Gelungen(mGeraet->SetTexture(nummer, textur), "Texturzuweisung gescheitert", f);
        s.mTextur = textur;
    }
    if (sampler == nullptr || textur == nullptr) {
        return;
    }
    if (s.mAdressierung != sampler->mBeschreibung.mAdressierung) {
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_ADDRESSU, sampler->mAddressU), t, f);
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_ADDRESSV, sampler->mAddressV), t, f);
        s.mAdressierung = sampler->mBeschreibung.mAdressierung;
    }
    if (s.mFilter != sampler->mBeschreibung.mFilter) {
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_MINFILTER, sampler->mMinFilter), t, f);
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_MAGFILTER, sampler->mMagFilter), t, f);
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_MIPFILTER, sampler->mMipFilter), t, f);
        s.mFilter = sampler->mBeschreibung.mFilter;
    }
    if (sampler->mRandBenutzt && s.mRandFarbe != sampler->mBorderColor) {
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_BORDERCOLOR, sampler->mBorderColor), t, f);
        s.mRandFarbe = sampler->mBorderColor;
    }
    if (sampler->mAnisotrop && s.mMaxAnisotropie != sampler->mMaxAnisotropy) {
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_MAXANISOTROPY, sampler->mMaxAnisotropy), t, f);
        s.mMaxAnisotropie = sampler->mMaxAnisotropy;
    }
    if (s.mMaxMip != sampler->mMaxMipLevel) {
        Gelungen(mGeraet->SetSamplerState(nummer, D3DSAMP_MAXMIPLEVEL, sampler->mMaxMipLevel), t, f);
        s.mMaxMip = sampler->mMaxMipLevel;
    }
}

void Velm_ZeichenKontextImplDX9::SetTextur(Velm_SamplerHandle handle, Velm_Sampler* sampler,
                                           Velm_BasisObjekt* textur) {
    if (handle == kVelm_KeinSamplerHandle || mGeraet == nullptr) {
        return;
    }
    IDirect3DBaseTexture9* d3dTextur = nullptr;
    if (auto* t = dynamic_cast<Velm_Textur*>(textur)) {
        d3dTextur = t->mTextur;
    } else if (auto* w = dynamic_cast<Velm_WuerfelTextur*>(textur)) {
        d3dTextur = w->mTextur;
    }
    const uint32_t vs = (handle >> 8) & 0xFF;
    if (vs < kVelm_KeinSampler &&
        VELM_PRUEFE(vs < kVertexSampler, "Ungültiger Sampler", "Velm_ZeichenKontextImplDX9::SetTextur")) {
        SetzeSampler(mSampler[kPixelSampler + vs], D3DVERTEXTEXTURESAMPLER0 + vs, sampler, d3dTextur);
    }
    const uint32_t ps = handle & 0xFF;
    if (ps < kVelm_KeinSampler &&
        VELM_PRUEFE(ps < kPixelSampler, "Ungültiger Sampler", "Velm_ZeichenKontextImplDX9::SetTextur")) {
        SetzeSampler(mSampler[ps], ps, sampler, d3dTextur);
    }
}

// ---- Drawing ----

void Velm_ZeichenKontextImplDX9::InternVorZeichenAufruf(uint64_t instanzen) {
    const Velm_Programm* programm = mFront.mProgramm;
    const bool gebunden = programm != nullptr &&
                          programm != reinterpret_cast<Velm_Programm*>(Velm_ZeichenKontext::kNichtGebunden);
    const uint64_t kanaele = gebunden ? std::min<uint64_t>(programm->mKanalAnzahl, 4) : 0;
    if (instanzen == 0) {
        for (uint64_t k = 0; k < kanaele; ++k) {
            if (mFrequenz[k] != 1) {
                mGeraet->SetStreamSourceFreq(UINT(k), 1);
            }
        }
        std::fill(std::begin(mFrequenz), std::end(mFrequenz), 1u);
    } else {
        for (uint64_t k = 0; k < kanaele; ++k) {
            const uint32_t frequenz = (programm->mInstanzMaske >> k) & 1
                                          ? D3DSTREAMSOURCE_INSTANCEDATA | 1
                                          : D3DSTREAMSOURCE_INDEXEDDATA | uint32_t(instanzen);
            if (mFrequenz[k] != frequenz) {
                mGeraet->SetStreamSourceFreq(UINT(k), frequenz);
                mFrequenz[k] = frequenz;
            }
        }
    }
    if (mVsErster < mVsEnde) {
        Gelungen(mGeraet->SetVertexShaderConstantF(UINT(mVsErster), mKonstanten[mVsErster],
                                                   UINT(mVsEnde - mVsErster)),
                 "Vertexkonstanten-Schreiben gescheitert",
                 "Velm_ZeichenKontextImplDX9::InternVorZeichenAufruf");
        mVsErster = kRegister;
        mVsEnde = 0;
    }
    if (mPsErster < mPsEnde) {
        Gelungen(mGeraet->SetPixelShaderConstantF(UINT(mPsErster), mKonstanten[kVsRegister + mPsErster],
                                                  UINT(mPsEnde - mPsErster)),
                 "Pixelkonstanten-Schreiben gescheitert",
                 "Velm_ZeichenKontextImplDX9::InternVorZeichenAufruf");
        mPsErster = kRegister;
        mPsEnde = 0;
    }
    if (!mSzeneBegonnen) {
        StartZeichnen();
    }
}

void Velm_ZeichenKontextImplDX9::StartZeichnen() {
    Gelungen(mGeraet->BeginScene(), "Failed to lock screen.", "Velm_ZeichenKontextImplDX9::StartZeichnen");
    mSzeneBegonnen = true;
}

void Velm_ZeichenKontextImplDX9::BeendeZeichnen() {
    if (mGeraet != nullptr) {
        mGeraet->EndScene();
    }
    mSzeneBegonnen = false;
}

void Velm_ZeichenKontextImplDX9::ZeichneQuad(uint64_t instanzen, const char* funktion) {
    const Velm_Programm* programm = mFront.mProgramm;
    const Velm_VertexBuffer* puffer = mFront.mKanaele[0].mPuffer;
    const auto nichtGebunden = Velm_ZeichenKontext::kNichtGebunden;
    // A draw needs a program with a channel-0 stride and a buffer on channel 0.
    if (!VELM_PRUEFE(mGeraet != nullptr && programm != nullptr && uintptr_t(programm) != nichtGebunden &&
                         programm->mSchritt[0] != 0 && puffer != nullptr &&
                         uintptr_t(puffer) != nichtGebunden,
                     "Zeichnen gescheitert", funktion)) {
        return;
    }
    InternVorZeichenAufruf(instanzen);
    const UINT vertexAnzahl = UINT(puffer->mGroesse / programm->mSchritt[0]);
    Gelungen(mGeraet->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexAnzahl, 0, 2),
             "Zeichnen gescheitert", funktion);
}

void Velm_ZeichenKontextImplDX9::ZeichneIndexElemente() {
    ZeichneQuad(0, "Velm_ZeichenKontextImplDX9::ZeichneIndexElemente");
}

void Velm_ZeichenKontextImplDX9::ZeichneIndexInstanzen(uint64_t anzahl) {
    ZeichneQuad(anzahl, "Velm_ZeichenKontextImplDX9::ZeichneIndexInstanzen");
}

bool Velm_ZeichenKontextImplDX9::LiesBildschirmInhalt(Velm_Bild& bild) {
    if (mGeraet == nullptr) {
        return false;
    }
    constexpr const char* f = "Velm_ZeichenKontextImplDX9::LiesBildschirmInhalt";
    IDirect3DSurface9* rueck = nullptr;
    if (!Gelungen(mGeraet->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &rueck), "Failed to get backbuffer.",
                  f)) {
        return false;
    }
    D3DLOCKED_RECT gesperrt{};
    const bool gelesen =
        Gelungen(rueck->LockRect(&gesperrt, nullptr, D3DLOCK_READONLY), "Failed to lock backbuffer.", f);
    if (gelesen) {
        // The surface's own size and format: windowed, the display mode can be larger than the
        // back buffer, and the device may have chosen another 16-bit layout.
        D3DSURFACE_DESC beschreibung{};
        rueck->GetDesc(&beschreibung);
        TBereich quelle;
        quelle.mDaten = static_cast<uint8_t*>(gesperrt.pBits);
        quelle.mFormat = beschreibung.Format == D3DFMT_R5G6B5     ? Velm_FormatR5G6B5
                         : beschreibung.Format == D3DFMT_X1R5G5B5 ? Velm_FormatX1R5G5B5
                                                                  : Velm_FormatA8R8G8B8;
        quelle.mBreite = beschreibung.Width;
        quelle.mHoehe = beschreibung.Height;
        quelle.mPitch = uint64_t(gesperrt.Pitch);
        quelle.KopiereAus(bild);
        rueck->UnlockRect();
    }
    rueck->Release();
    return gelesen;
}
