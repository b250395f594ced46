#pragma once
// Shared by the rendering tests: a device wrapper that counts the calls reaching
// the graphics layer, and a headless drawing context on a 64 x 32 back buffer (EGL surfaceless
// through the layer).

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/grafik9_testhaken.h"
#include "plattform/system/plattform_system.h"
#include "testhilfen/kontextquad.h"
#include "testhilfen/testhilfen.h"
#include "velmklassen/bild/testhilfe.h"
#include "velmklassen/bild/velm_bereich.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_zeichenkontext.h"
#include "velmklassen/render/velm_zustaende.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace rendertest {

// Forwards every call to the real device and counts it by name.
class ZaehlGeraet final : public IDirect3DDevice9 {
public:
    explicit ZaehlGeraet(IDirect3DDevice9* echt) : mEcht(echt) {}

    int Zahl(const std::string& name) const { return mZahlen.contains(name) ? mZahlen.at(name) : 0; }
    // Every count and record back to none.
    void Null() { *this = ZaehlGeraet(mEcht); }

    using Bereich = std::tuple<bool, UINT, UINT>; // pixel bank, first register, count
    std::vector<Bereich> mKonstanten;
    std::vector<UINT> mZeichnungen; // vertex counts
    std::vector<std::pair<UINT, UINT>> mFrequenzen;
    std::map<std::string, int> mZahlen;

    ULONG AddRef() override { return mEcht->AddRef(); }
    ULONG Release() override { return mEcht->Release(); }
// WEITER only forwards; ZAEHLE also counts the call by name and runs the extra statements.
#define WEITER(name, parameter, argumente, ...)                                                            \
    HRESULT name parameter override {                                                                      \
        __VA_ARGS__;                                                                                       \
        return mEcht->name argumente;                                                                      \
    }
#define ZAEHLE(name, parameter, argumente, ...)                                                             \
    WEITER(name, parameter, argumente, ++mZahlen[#name]; __VA_ARGS__)
    ZAEHLE(TestCooperativeLevel, (), ())
    WEITER(GetDeviceCaps, (D3DCAPS9 * f), (f))
    WEITER(GetSwapChain, (UINT n, IDirect3DSwapChain9** k), (n, k))
    ZAEHLE(Reset, (D3DPRESENT_PARAMETERS * p), (p))
    ZAEHLE(Present, (const RECT* a, const RECT* b, HWND f, const void* r), (a, b, f, r))
    WEITER(GetBackBuffer, (UINT k, UINT n, D3DBACKBUFFER_TYPE t, IDirect3DSurface9** o), (k, n, t, o))
    ZAEHLE(CreateTexture,
           (UINT b, UINT h, UINT s, DWORD u, D3DFORMAT f, D3DPOOL p, IDirect3DTexture9** t, void** x),
           (b, h, s, u, f, p, t, x))
    ZAEHLE(CreateCubeTexture,
           (UINT k, UINT s, DWORD u, D3DFORMAT f, D3DPOOL p, IDirect3DCubeTexture9** t, void** x),
           (k, s, u, f, p, t, x))
    ZAEHLE(CreateVertexBuffer, (UINT l, DWORD u, DWORD f, D3DPOOL p, IDirect3DVertexBuffer9** v, void** x),
           (l, u, f, p, v, x))
    ZAEHLE(CreateIndexBuffer, (UINT l, DWORD u, D3DFORMAT f, D3DPOOL p, IDirect3DIndexBuffer9** i, void** x),
           (l, u, f, p, i, x))
    ZAEHLE(CreateDepthStencilSurface,
           (UINT b, UINT h, D3DFORMAT f, D3DMULTISAMPLE_TYPE m, DWORD q, BOOL v, IDirect3DSurface9** o,
            void** x),
           (b, h, f, m, q, v, o, x))
    ZAEHLE(CreateOffscreenPlainSurface,
           (UINT b, UINT h, D3DFORMAT f, D3DPOOL p, IDirect3DSurface9** o, void** x), (b, h, f, p, o, x))
    ZAEHLE(UpdateSurface, (IDirect3DSurface9 * q, const RECT* r, IDirect3DSurface9* z, const POINT* p),
           (q, r, z, p))
    ZAEHLE(SetRenderTarget, (DWORD i, IDirect3DSurface9* o), (i, o))
    WEITER(GetRenderTarget, (DWORD i, IDirect3DSurface9** o), (i, o))
    ZAEHLE(SetDepthStencilSurface, (IDirect3DSurface9 * o), (o))
    WEITER(GetDepthStencilSurface, (IDirect3DSurface9 * *o), (o))
    ZAEHLE(BeginScene, (), ())
    ZAEHLE(EndScene, (), ())
    ZAEHLE(Clear, (DWORD a, const RECT* r, DWORD f, D3DCOLOR c, float z, DWORD s), (a, r, f, c, z, s),
           mLetzteFarbe = c)
    ZAEHLE(SetViewport, (const D3DVIEWPORT9* b), (b))
    WEITER(GetViewport, (D3DVIEWPORT9 * b), (b))
    ZAEHLE(SetRenderState, (D3DRENDERSTATETYPE z, DWORD w), (z, w), ++mRenderZustaende[z])
    WEITER(GetRenderState, (D3DRENDERSTATETYPE z, DWORD* w), (z, w))
    ZAEHLE(SetTexture, (DWORD s, IDirect3DBaseTexture9* t), (s, t))
    ZAEHLE(SetSamplerState, (DWORD s, D3DSAMPLERSTATETYPE z, DWORD w), (s, z, w))
    WEITER(GetSamplerState, (DWORD s, D3DSAMPLERSTATETYPE z, DWORD* w), (s, z, w))
    ZAEHLE(DrawIndexedPrimitive, (D3DPRIMITIVETYPE t, INT b, UINT k, UINT v, UINT s, UINT p),
           (t, b, k, v, s, p), mZeichnungen.push_back(v))
    ZAEHLE(CreateVertexDeclaration, (const D3DVERTEXELEMENT9* e, IDirect3DVertexDeclaration9** d), (e, d))
    ZAEHLE(SetVertexDeclaration, (IDirect3DVertexDeclaration9 * d), (d))
    ZAEHLE(CreateVertexShader, (const DWORD* k, IDirect3DVertexShader9** s), (k, s))
    ZAEHLE(SetVertexShader, (IDirect3DVertexShader9 * s), (s))
    ZAEHLE(SetVertexShaderConstantF, (UINT s, const float* w, UINT n), (s, w, n),
           mKonstanten.push_back({false, s, n}))
    ZAEHLE(CreatePixelShader, (const DWORD* k, IDirect3DPixelShader9** s), (k, s))
    ZAEHLE(SetPixelShader, (IDirect3DPixelShader9 * s), (s))
    ZAEHLE(SetPixelShaderConstantF, (UINT s, const float* w, UINT n), (s, w, n),
           mKonstanten.push_back({true, s, n}))
    ZAEHLE(SetStreamSource, (UINT s, IDirect3DVertexBuffer9* p, UINT v, UINT t), (s, p, v, t))
    ZAEHLE(SetStreamSourceFreq, (UINT s, UINT t), (s, t), mFrequenzen.emplace_back(s, t))
    ZAEHLE(SetIndices, (IDirect3DIndexBuffer9 * p), (p))
#undef ZAEHLE
#undef WEITER

    IDirect3DDevice9* Echt() const { return mEcht; }

    D3DCOLOR mLetzteFarbe = 0;
    std::map<DWORD, int> mRenderZustaende;

private:
    IDirect3DDevice9* mEcht;
};

// Fills an A8R8G8B8 image with one word.
inline void Fuelle(const TBereich& b, uint32_t pixel) {
    for (uint64_t y = 0; y < b.mHoehe; ++y) {
        std::fill_n(reinterpret_cast<uint32_t*>(b.mDaten + y * b.mPitch), b.mBreite, pixel);
    }
}

// An A8R8G8B8 image of one word.
inline std::unique_ptr<Velm_Bild> Einfarbig(uint64_t breite, uint64_t hoehe, uint32_t pixel) {
    auto bild = std::make_unique<Velm_Bild>(breite, hoehe, Velm_FormatA8R8G8B8, 1);
    Fuelle(*bild, pixel);
    return bild;
}

// Every channel of `a` within `toleranz` of `b`.
inline bool Nahe(uint32_t a, uint32_t b, int toleranz = 2) {
    for (int s = 0; s < 32; s += 8) {
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > toleranz) {
            return false;
        }
    }
    return true;
}

// The screen's state as Init leaves it, without a window: the device renders headless.
inline void SetzeBildschirm(int64_t breite, int64_t hoehe, uint64_t flags = 0) {
    Velm_Screen3D::mDarstellung = {breite, hoehe, 0, 0};
    Velm_Screen3D::mFlags = flags;
    Velm_Screen3D::mFenster = nullptr;
}

// The unit quad's pipeline, which the drawing benchmarks share.
using Quad = TKontextQuad;

// A drawing context on a 64 x 32 back buffer (unless the test sets another size), reached through
// Velm_Screen3D::Kontext, with a call counter between it and the device. Dumps of shaders are off.
class Kontext : public ::testing::Test {
protected:
    static constexpr int64_t kBreite = 64;
    static constexpr int64_t kHoehe = 32;

    void SetUp() override {
        Plattform::SetzeVideoSpeicherBudget(0);
        Plattform::SetzeResetPruefung(true);
        Velm_ZeichenKontextImplDX9::sSchlafe = [](uint32_t) {};
        debugShader.SetBool(false);
        SetzeBildschirm(mBildBreite, mBildHoehe);
        mRueck.SetGroesse(mBildBreite, mBildHoehe, Velm_FormatA8R8G8B8, 1);
        mKontext = std::make_unique<Velm_ZeichenKontext>();
        Velm_Screen3D::Kontext = mKontext.get();
        ASSERT_TRUE(mKontext->HatGeraet());
        mZaehler = std::make_unique<ZaehlGeraet>(mKontext->Impl().Geraet());
        mKontext->Impl().TauscheGeraet(mZaehler.get());
    }

    void TearDown() override {
        if (mKontext) {
            Schliesse();
        }
        EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 0u);
        Plattform::SetzeVideoSpeicherBudget(0);
    }

    // Shut-down as the screen does it, with the real device back in place; objects kept by
    // Behalte are released first, the latest first.
    void Schliesse() {
        mKontext->SetRenderZiel(nullptr);
        for (auto o = mBehalten.rbegin(); o != mBehalten.rend(); ++o) {
            mKontext->GibObjektFrei(*o);
        }
        mBehalten.clear();
        mKontext->Impl().TauscheGeraet(mZaehler->Echt());
        mKontext->MeldeNichtFreigegebene();
        mKontext.reset();
        Velm_Screen3D::Kontext = nullptr;
    }

    ZaehlGeraet& Z() { return *mZaehler; }
    Velm_ZeichenKontext& K() { return *mKontext; }

    // Released when the test ends.
    template <class T>
    T* Behalte(T* objekt) {
        mBehalten.push_back(objekt);
        return objekt;
    }
    Velm_Textur* Textur(uint64_t breite, uint64_t hoehe, uint32_t flags) {
        return Behalte(K().ErzeugeTextur(breite, hoehe, 1, Velm_FormatA8R8G8B8 | flags));
    }
    // A texture taking over the image's content, static unless flags say otherwise.
    Velm_Textur* Textur(Velm_Bild& bild, uint32_t flags = 0) {
        Velm_TexturInhalt inhalt(bild.LockMipStufen());
        return Behalte(K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8 | flags, inhalt));
    }
    // A render target on a new texture of its own, mBeschreibung.mTexturen[0].
    Velm_Renderziel* Ziel(uint64_t breite, uint64_t hoehe) {
        Velm_Textur* textur = Textur(breite, hoehe, FLAG_RENDERZIEL);
        return Behalte(K().ErzeugeRenderziel(Velm_RenderzielBeschreibung(textur)));
    }
    Velm_AlphaZustand* Blend(uint32_t quelle, uint32_t ziel) {
        return Behalte(K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(quelle, ziel)));
    }
    Velm_VertexBuffer* VertexPuffer(const void* daten, uint64_t groesse, uint32_t flags = 0) {
        Velm_Initialdaten d{const_cast<void*>(daten), groesse, 0};
        return Behalte(K().ErzeugeVertexBuffer(0, flags, d));
    }

    // The quad pipeline, released when the test ends.
    Quad& NeuesQuad(const char* vs = kQuadVs, const char* ps = kQuadPs) {
        mQuads.push_back(std::make_unique<Quad>(K(), vs, ps));
        EXPECT_TRUE(mQuads.back()->vertexUebersetzt);
        EXPECT_TRUE(mQuads.back()->pixelUebersetzt);
        const std::vector<Velm_BasisObjekt*> objekte = mQuads.back()->Objekte();
        mBehalten.insert(mBehalten.end(), objekte.rbegin(), objekte.rend());
        return *mQuads.back();
    }

    // The back buffer bound and cleared; read back into mRueck by LiesZurueck, P(x, y) its word at (x, y).
    void Leere(const TAlphaFarbe& farbe = {0, 0, 0, 1}) {
        K().SetRenderZiel(nullptr);
        K().Leeren(1, farbe);
    }
    void LiesZurueck() { K().LiesBildschirmInhalt(mRueck); }
    uint32_t P(uint64_t x, uint64_t y) const { return Pixel(mRueck, x, y); }

    // Draws the texture over the whole back buffer (cleared first unless told otherwise) with the
    // blend state and the device's own sampler states (point filtering), reads it back and answers
    // the colour of its middle.
    uint32_t Zeige(Velm_BasisObjekt* textur, Velm_AlphaZustand* blend = nullptr, bool leeren = true) {
        if (mZeigeQuad == nullptr) {
            mZeigeQuad = &NeuesQuad();
        }
        if (leeren) {
            Leere();
        }
        mZeigeQuad->Binde(K());
        // As every caller does: the device's own defaults (depth test, culling) differ after a reset.
        K().SetTiefeZustand(K().mStandardTiefe);
        K().SetRueckseite();
        K().SetAlphaZustand(blend);
        K().SetSampler(mZeigeQuad->programm->GetSampler("bild"), nullptr, textur);
        K().SetProgrammKonstante(mZeigeQuad->programm->GetKonstante("ziel"), -1, 1, 2, -2);
        K().SetProgrammKonstante(mZeigeQuad->programm->GetKonstante("farbe"), 1, 1, 1, 1);
        K().ZeichneIndexElemente();
        LiesZurueck();
        return P(mBildBreite / 2, mBildHoehe / 2) & 0xFFFFFF;
    }
    Velm_Bild mRueck;
    int64_t mBildBreite = kBreite, mBildHoehe = kHoehe; // a test may set another size before SetUp
    std::vector<Velm_BasisObjekt*> mBehalten;
    std::vector<std::unique_ptr<Quad>> mQuads;
    Quad* mZeigeQuad = nullptr;

    TLog mLog;
    THaltepunktZaehler mBrueche;
    std::unique_ptr<Velm_ZeichenKontext> mKontext;
    std::unique_ptr<ZaehlGeraet> mZaehler;
};

} // namespace rendertest
