#pragma once
// A headless device (EGL surfaceless on Mesa) and the quad pipeline the pixel tests draw with,
// its shaders made by the D3DX9 compiler as the engine's are.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/grafik9_testhaken.h"
#include "plattform/shaderkompiler/d3dx9shader.h"
#include "testhilfen/einheitsquad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace grafik9test {

// Corner (POSITION0, 0..1), then per instance the rectangle in pixels (TEXCOORD0), its colour
// (TEXCOORD1) and depth (TEXCOORD2); c0 = (2 / target width, 2 / target height). Passes on
// `farbe` and `uv` (the corner); `kopf` adds declarations.
inline std::string QuadVs(const char* kopf = "", const char* farbe = "farbe", const char* uv = "ecke") {
    return std::string("float4 gZiel;\n") + kopf + R"(
void main(float2 ecke : POSITION0, float4 rechteck : TEXCOORD0, float4 farbe : TEXCOORD1, float4 tiefe : TEXCOORD2,
          out float4 pos : POSITION0, out float4 f : TEXCOORD0, out float2 uv : TEXCOORD1) {
    float2 p = rechteck.xy + ecke * rechteck.zw;
    pos = float4(p.x * gZiel.x - 1.0, 1.0 - p.y * gZiel.y, tiefe.x, 1.0);
    f = )" + farbe + ";\n    uv = " + uv + ";\n}\n";
}

inline const char* kFarbePs = "float4 main(float4 f : TEXCOORD0) : COLOR0 { return f; }";

// Samples s0 over the quad, v = 0 at its top; c0 scales and moves the texture coordinates.
inline const char* kTexturPs = R"(float4 gSkala;
sampler2D gBild;
float4 main(float2 uv : TEXCOORD1) : COLOR0 { return tex2D(gBild, uv * gSkala.xy + gSkala.zw); })";

// Owns one reference of a layer or compiler object.
struct Freigabe {
    template <typename T> void operator()(T* o) const { o->Release(); }
};
template <typename T> using Com = std::unique_ptr<T, Freigabe>;

// Owns what `hole` hands out through its out parameter; the call must succeed.
template <typename T, typename F> Com<T> Hole(F&& hole) {
    T* o = nullptr;
    EXPECT_EQ(hole(&o), D3D_OK);
    return Com<T>(o);
}

struct Instanz {
    float x, y, b, h;
    float r, g, bl, a;
    float z, f1, f2, f3;
};

// Compiles HLSL for the stage of `profil`; the compile must succeed.
inline Com<ID3DXBuffer> Uebersetze(const std::string& hlsl, LPCSTR profil, ID3DXConstantTable** tabelle = nullptr) {
    ID3DXBuffer* kode = nullptr;
    ID3DXBuffer* meldungen = nullptr;
    const HRESULT h = D3DXCompileShader(hlsl.data(), UINT(hlsl.size()), nullptr, nullptr, "main", profil, 0, &kode,
                                        &meldungen, tabelle);
    const Com<ID3DXBuffer> meldungenRef(meldungen);
    EXPECT_EQ(h, D3D_OK) << (meldungen ? static_cast<const char*>(meldungen->GetBufferPointer()) : "") << hlsl;
    return Com<ID3DXBuffer>(kode);
}

// Each channel within `toleranz`.
inline void ErwarteFarbe(uint32_t ist, uint32_t soll, int toleranz = 1) {
    for (int kanal = 0; kanal < 32; kanal += 8) {
        EXPECT_NEAR(int((ist >> kanal) & 0xFF), int((soll >> kanal) & 0xFF), toleranz)
            << std::hex << "ist 0x" << ist << " soll 0x" << soll;
    }
}

// Every call of a list answers `soll`; a failure names the call's place in the list.
inline void ErwarteAlle(HRESULT soll, std::initializer_list<HRESULT> ist) {
    int nummer = 0;
    for (const HRESULT h : ist) {
        EXPECT_EQ(h, soll) << "call " << nummer++;
    }
}

// Expected pixels of a 32-pixel-wide back buffer, as (x, y, A8R8G8B8) rows.
struct Punkt {
    uint32_t x, y, farbe;
};
inline void ErwartePixel(const std::vector<uint32_t>& bild, const std::vector<Punkt>& punkte) {
    for (const Punkt& p : punkte) {
        EXPECT_EQ(bild[p.y * 32 + p.x], p.farbe) << std::hex << p.x << ", " << p.y;
    }
}

// Windowed; 0 x 0 takes the size of the window, without one the size must be given.
inline D3DPRESENT_PARAMETERS Fensterparameter(UINT breite, UINT hoehe, D3DFORMAT format = D3DFMT_X8R8G8B8) {
    D3DPRESENT_PARAMETERS p{};
    p.Windowed = TRUE;
    p.BackBufferWidth = breite;
    p.BackBufferHeight = hoehe;
    p.BackBufferFormat = format;
    return p;
}

// A device on a 32 x 16 back buffer with a D24X8 depth buffer, and the quad pipeline: one
// quad's corners on stream 0, instances on stream 1.
class Geraet : public ::testing::Test {
protected:
    static constexpr uint32_t kBreite = 32;
    static constexpr uint32_t kHoehe = 16;

    void SetUp() override { Oeffne(D3DFMT_X8R8G8B8); }

    void Oeffne(D3DFORMAT format) {
        Plattform::SetzeVideoSpeicherBudget(0);
        Plattform::SetzeResetPruefung(true);
        mD3d.reset(Direct3DCreate9(D3D_SDK_VERSION));
        ASSERT_NE(mD3d, nullptr);
        mParameter = Fensterparameter(kBreite, kHoehe, format);
        mParameter.EnableAutoDepthStencil = TRUE;
        mParameter.AutoDepthStencilFormat = D3DFMT_D24X8;
        mParameter.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        mParameter.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(mD3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &mParameter, &mGeraet), D3D_OK);
    }

    // What the device still binds goes with it.
    void TearDown() override {
        LoeseQuad();
        if (mGeraet != nullptr) {
            EXPECT_EQ(mGeraet->Release(), 0u);
        }
        mD3d.reset();
        EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 0u);
    }

    Com<IDirect3DVertexShader9> Vs(const std::string& hlsl) {
        const auto kode = Uebersetze(hlsl, "vs_3_0");
        return Hole<IDirect3DVertexShader9>([&](auto o) {
            return kode ? mGeraet->CreateVertexShader(static_cast<const DWORD*>(kode->GetBufferPointer()), o) : E_FAIL;
        });
    }

    Com<IDirect3DPixelShader9> Ps(const std::string& hlsl) {
        const auto kode = Uebersetze(hlsl, "ps_3_0");
        return Hole<IDirect3DPixelShader9>([&](auto o) {
            return kode ? mGeraet->CreatePixelShader(static_cast<const DWORD*>(kode->GetBufferPointer()), o) : E_FAIL;
        });
    }

    // A default-pool vertex buffer, filled when `daten` is given.
    Com<IDirect3DVertexBuffer9> VertexPuffer(UINT bytes, DWORD usage, const void* daten = nullptr) {
        auto vb = Hole<IDirect3DVertexBuffer9>(
            [&](auto o) { return mGeraet->CreateVertexBuffer(bytes, usage, 0, D3DPOOL_DEFAULT, o, nullptr); });
        if (daten != nullptr) {
            Fuelle(vb.get(), daten, bytes, 0);
        }
        return vb;
    }

    template <typename Index> Com<IDirect3DIndexBuffer9> IndexPuffer(const std::vector<Index>& indizes) {
        const UINT bytes = UINT(indizes.size() * sizeof(Index));
        auto ib = Hole<IDirect3DIndexBuffer9>([&](auto o) {
            return mGeraet->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY,
                                              sizeof(Index) == 2 ? D3DFMT_INDEX16 : D3DFMT_INDEX32,
                                              D3DPOOL_DEFAULT, o, nullptr);
        });
        Fuelle(ib.get(), indizes.data(), bytes, 0);
        return ib;
    }

    // The pipeline a sprite batcher sets up: quad corners, six indices, per-instance data.
    void BaueQuad(const std::string& pixelShader = kFarbePs, const std::string& vertexShader = QuadVs()) {
        BaueQuadPuffer();
        const D3DVERTEXELEMENT9 elemente[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                              {1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                              {1, 16, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                              {1, 32, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 2},
                                              D3DDECL_END};
        mDeklaration = Hole<IDirect3DVertexDeclaration9>(
            [&](auto o) { return mGeraet->CreateVertexDeclaration(elemente, o); });
        mVs = Vs(vertexShader);
        mPs = Ps(pixelShader);
        ASSERT_TRUE(mDeklaration && mVs && mPs);
        BindeQuad();
    }

    // The quad's buffers: default-pool objects, which a reset takes.
    void BaueQuadPuffer() {
        mEcken = VertexPuffer(sizeof kEinheitsEcken, D3DUSAGE_WRITEONLY, kEinheitsEcken);
        mIndizes =
            IndexPuffer(std::vector<uint16_t>(std::begin(kEinheitsIndizes), std::end(kEinheitsIndizes)));
        mInstanzen = VertexPuffer(64 * sizeof(Instanz), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC);
        ASSERT_TRUE(mEcken && mIndizes && mInstanzen);
    }

    void BindeQuad() {
        mGeraet->SetVertexDeclaration(mDeklaration.get());
        mGeraet->SetVertexShader(mVs.get());
        mGeraet->SetPixelShader(mPs.get());
        mGeraet->SetStreamSource(0, mEcken.get(), 0, 8);
        mGeraet->SetStreamSource(1, mInstanzen.get(), 0, sizeof(Instanz));
        mGeraet->SetIndices(mIndizes.get());
        SetzeZielGroesse(kBreite, kHoehe);
    }

    void SetzeZielGroesse(uint32_t breite, uint32_t hoehe) {
        const float c[4] = {2.0f / float(breite), 2.0f / float(hoehe), 0, 0};
        mGeraet->SetVertexShaderConstantF(0, c, 1);
    }

    // Drops the test's references; the device keeps what it binds.
    void LoeseQuad() {
        mEcken.reset(), mIndizes.reset(), mInstanzen.reset(), mDeklaration.reset(), mVs.reset(), mPs.reset();
        mZeige.reset();
    }

    // Vertex or index buffer.
    template <typename Puffer>
    static void Fuelle(Puffer* puffer, const void* daten, size_t bytes, DWORD flags = D3DLOCK_DISCARD) {
        void* p = nullptr;
        ASSERT_EQ(puffer->Lock(0, UINT(bytes), &p, flags), D3D_OK);
        std::memcpy(p, daten, bytes);
        ASSERT_EQ(puffer->Unlock(), D3D_OK);
    }

    // Draws the instances in one instanced draw, as the sprite batcher does.
    HRESULT Zeichne(const std::vector<Instanz>& instanzen) {
        Fuelle(mInstanzen.get(), instanzen.data(), instanzen.size() * sizeof(Instanz));
        mGeraet->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | UINT(instanzen.size()));
        mGeraet->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1);
        return mGeraet->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    }

    static Instanz Quad(float x, float y, float b, float h, float r, float g, float bl, float a = 1.0f,
                        float z = 0.5f) {
        return {x, y, b, h, r, g, bl, a, z, 0, 0, 0};
    }

    std::vector<uint32_t> LiesRueckpuffer(uint32_t breite = kBreite, uint32_t hoehe = kHoehe) {
        const auto rueck = Rueck();
        D3DLOCKED_RECT lr{};
        EXPECT_EQ(rueck->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint32_t> bild(breite * hoehe);
        for (uint32_t y = 0; y < hoehe; ++y) {
            std::memcpy(&bild[y * breite], static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, breite * 4);
        }
        EXPECT_EQ(rueck->UnlockRect(), D3D_OK);
        return bild;
    }

    // The pixels of a colour (ignoring X) in the back buffer as a bounding box.
    struct Kasten {
        int x0 = 1000, y0 = 1000, x1 = -1, y1 = -1, anzahl = 0;
        std::vector<int> Werte() const { return {x0, y0, x1, y1, anzahl}; }
    };
    Kasten FindeFarbe(uint32_t farbe) {
        Kasten k;
        const auto bild = LiesRueckpuffer();
        for (uint32_t y = 0; y < kHoehe; ++y) {
            for (uint32_t x = 0; x < kBreite; ++x) {
                if ((bild[y * kBreite + x] & 0xFFFFFF) == (farbe & 0xFFFFFF)) {
                    k.x0 = std::min(k.x0, int(x));
                    k.y0 = std::min(k.y0, int(y));
                    k.x1 = std::max(k.x1, int(x));
                    k.y1 = std::max(k.y1, int(y));
                    ++k.anzahl;
                }
            }
        }
        return k;
    }

    // Uploads a level the way the engine does: a system-memory surface and UpdateSurface.
    void LadeStufe(IDirect3DSurface9* ziel, D3DFORMAT format, UINT breite, UINT hoehe, const void* daten,
                   size_t zeilenBytes, UINT zeilen) {
        const Com<IDirect3DSurface9> sys = SystemFlaeche(breite, hoehe, format);
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
        ASSERT_GE(size_t(lr.Pitch), zeilenBytes);
        for (UINT z = 0; z < zeilen; ++z) {
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + z * lr.Pitch,
                        static_cast<const uint8_t*>(daten) + z * zeilenBytes, zeilenBytes);
        }
        ASSERT_EQ(sys->UnlockRect(), D3D_OK);
        const POINT punkt = {0, 0};
        EXPECT_EQ(mGeraet->UpdateSurface(sys.get(), nullptr, ziel, &punkt), D3D_OK);
    }

    Com<IDirect3DTexture9> Textur(UINT breite, UINT hoehe, UINT stufen, DWORD usage, D3DFORMAT format) {
        return Hole<IDirect3DTexture9>([&](auto o) {
            return mGeraet->CreateTexture(breite, hoehe, stufen, usage, format, D3DPOOL_DEFAULT, o, nullptr);
        });
    }
    Com<IDirect3DSurface9> Flaeche(IDirect3DTexture9* t, UINT stufe = 0) {
        return Hole<IDirect3DSurface9>([&](auto o) { return t->GetSurfaceLevel(stufe, o); });
    }
    Com<IDirect3DSurface9> Rueck() {
        return Hole<IDirect3DSurface9>([&](auto o) { return mGeraet->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, o); });
    }
    Com<IDirect3DSurface9> SystemFlaeche(UINT breite, UINT hoehe, D3DFORMAT format) {
        return Hole<IDirect3DSurface9>([&](auto o) {
            return mGeraet->CreateOffscreenPlainSurface(breite, hoehe, format, D3DPOOL_SYSTEMMEM, o, nullptr);
        });
    }
    Com<IDirect3DSurface9> Tiefe(UINT breite, UINT hoehe, D3DFORMAT format) {
        return Hole<IDirect3DSurface9>([&](auto o) {
            return mGeraet->CreateDepthStencilSurface(breite, hoehe, format, D3DMULTISAMPLE_NONE, 0, TRUE, o, nullptr);
        });
    }

    // Draws the texture over a quad at (x, y) with the texture shader, coordinates scaled by
    // (su, sv), and returns the back buffer; the quad's own pixel shader is bound again after.
    std::vector<uint32_t> ZeigeTextur(IDirect3DBaseTexture9* textur, float x, float y, float b, float h,
                                      float su = 1, float sv = 1) {
        if (mZeige == nullptr) {
            mZeige = Ps(kTexturPs);
        }
        mGeraet->SetPixelShader(mZeige.get());
        const float c[4] = {su, sv, 0, 0};
        mGeraet->SetPixelShaderConstantF(0, c, 1);
        mGeraet->SetTexture(0, textur);
        EXPECT_EQ(Zeichne({Quad(x, y, b, h, 0, 0, 0)}), D3D_OK);
        mGeraet->SetTexture(0, nullptr);
        mGeraet->SetPixelShader(mPs.get());
        return LiesRueckpuffer();
    }

    // Fills a level with one A8R8G8B8 colour.
    void FuelleStufe(IDirect3DTexture9* textur, UINT stufe, UINT breite, UINT hoehe, uint32_t farbe) {
        std::vector<uint32_t> pixel(breite * hoehe, farbe);
        LadeStufe(Flaeche(textur, stufe).get(), D3DFMT_A8R8G8B8, breite, hoehe, pixel.data(), breite * 4, hoehe);
    }

    Com<IDirect3D9> mD3d;
    IDirect3DDevice9* mGeraet = nullptr;
    D3DPRESENT_PARAMETERS mParameter{};
    Com<IDirect3DVertexBuffer9> mEcken, mInstanzen;
    Com<IDirect3DIndexBuffer9> mIndizes;
    Com<IDirect3DVertexDeclaration9> mDeklaration;
    Com<IDirect3DVertexShader9> mVs;
    Com<IDirect3DPixelShader9> mPs, mZeige;
};

} // namespace grafik9test
