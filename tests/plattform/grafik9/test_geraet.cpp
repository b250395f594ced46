// The device itself: creation, capabilities, targets, viewport, clearing, references.

#include "grafik9_testhilfe.h"

namespace grafik9test {
namespace {

TEST(Direct3D, SchnittstelleFormateUndGeraete) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    const Com<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
    D3DADAPTER_IDENTIFIER9 kennung{};
    EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &kennung), D3DERR_INVALIDCALL);
    // The engine asks for D32 first, then D24X8, then takes D16.
    const struct {
        DWORD usage;
        D3DRESOURCETYPE typ;
        D3DFORMAT format;
        HRESULT ergebnis;
    } formate[] = {{D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32, D3DERR_NOTAVAILABLE},
                   {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24X8, D3D_OK},
                   {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
                   {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_DXT1, D3DERR_NOTAVAILABLE}};
    for (const auto& f : formate) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, f.usage, f.typ, f.format),
                  f.ergebnis)
            << f.format;
    }

    // Windowed 0 x 0 takes the window's size; without a window there is none.
    IDirect3DDevice9* geraet = nullptr;
    D3DPRESENT_PARAMETERS parameter = Fensterparameter(0, 0);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &geraet), D3DERR_INVALIDCALL);
    parameter = Fensterparameter(8, 8, D3DFMT_A16B16G16R16F);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &geraet), D3DERR_INVALIDCALL);
    parameter.BackBufferFormat = D3DFMT_R5G6B5;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, 0x52, &parameter, &geraet), D3D_OK);
    // The back buffer is lockable only when asked for at creation, as on Direct3D 9.
    D3DLOCKED_RECT lr{};
    auto rueck =
        Hole<IDirect3DSurface9>([&](auto o) { return geraet->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, o); });
    EXPECT_EQ(rueck->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    rueck.reset();
    IDirect3DDevice9* zweites = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &zweites), D3DERR_NOTAVAILABLE);

    // A bound texture keeps what it needs of the released device until it goes too; then a new
    // device may be made.
    auto t = Hole<IDirect3DTexture9>([&](auto o) {
        return geraet->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, o, nullptr);
    });
    geraet->SetTexture(0, t.get());
    EXPECT_EQ(geraet->Release(), 0u);
    EXPECT_NE(Hole<IDirect3DSurface9>([&](auto o) { return t->GetSurfaceLevel(0, o); }), nullptr);
    t.reset();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &zweites), D3D_OK);
    zweites->Release();
}

TEST_F(Geraet, RueckpufferLiestXAlsFF) {
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456, 1.0f, 0);
    EXPECT_EQ(LiesRueckpuffer()[0], 0xFF123456u);
    D3DSURFACE_DESC d{};
    Rueck()->GetDesc(&d);
    EXPECT_EQ(std::tuple(d.Format, d.Width, d.Usage),
              std::tuple(D3DFMT_X8R8G8B8, kBreite, DWORD(D3DUSAGE_RENDERTARGET)));
    // The swap chain hands out the same surface.
    const auto kette = Hole<IDirect3DSwapChain9>([&](auto o) { return mGeraet->GetSwapChain(0, o); });
    EXPECT_EQ(Hole<IDirect3DSurface9>([&](auto o) { return kette->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, o); }),
              Rueck());
    IDirect3DSurface9* keine = nullptr;
    EXPECT_EQ(mGeraet->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &keine), D3DERR_INVALIDCALL);
}

TEST_F(Geraet, ClearNurImViewportUndTrotzSchreibmaske) {
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DVIEWPORT9 v = {4, 2, 8, 4, 0, 1};
    ASSERT_EQ(mGeraet->SetViewport(&v), D3D_OK);
    mGeraet->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    ASSERT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(FindeFarbe(0xFFFFFF).Werte(), std::vector<int>({4, 2, 11, 5, 32}));
    // Rectangles are cut to the viewport.
    const RECT r = {10, 0, 20, 3};
    ASSERT_EQ(mGeraet->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(FindeFarbe(0xFF0000).anzahl, 2);

    // Depth without a depth buffer is refused.
    IDirect3DSurface9* keine = nullptr;
    const auto tiefe = Hole<IDirect3DSurface9>([&](auto o) { return mGeraet->GetDepthStencilSurface(o); });
    ASSERT_EQ(mGeraet->SetDepthStencilSurface(nullptr), D3D_OK);
    EXPECT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(mGeraet->GetDepthStencilSurface(&keine), D3DERR_NOTFOUND);
    mGeraet->SetDepthStencilSurface(tiefe.get());
    EXPECT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);

    // The mask still holds for drawing after the clears.
    BaueQuad();
    ASSERT_EQ(Zeichne({Quad(0, 0, kBreite, kHoehe, 0, 1, 0)}), D3D_OK);
    EXPECT_EQ(FindeFarbe(0x00FF00).anzahl, 0);
}

TEST_F(Geraet, RenderzielSetztViewportZurueck) {
    const auto t = Textur(8, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8);
    const auto flaeche = Flaeche(t.get());
    EXPECT_EQ(Flaeche(t.get()), flaeche);

    const D3DVIEWPORT9 klein = {1, 1, 2, 2, 0, 1};
    mGeraet->SetViewport(&klein);
    ASSERT_EQ(mGeraet->SetRenderTarget(0, flaeche.get()), D3D_OK);
    D3DVIEWPORT9 v{};
    mGeraet->GetViewport(&v);
    EXPECT_EQ(std::vector<DWORD>({v.X, v.Y, v.Width, v.Height}), std::vector<DWORD>({0, 0, 8, 4}));
    const D3DVIEWPORT9 zuGross = {0, 0, 9, 4, 0, 1};
    D3DLOCKED_RECT lr{};
    // The last: render targets other than the back buffer cannot be locked.
    ErwarteAlle(D3DERR_INVALIDCALL,
                {mGeraet->SetViewport(&zuGross), mGeraet->SetRenderTarget(0, nullptr),
                 mGeraet->SetRenderTarget(4, flaeche.get()),
                 mGeraet->SetRenderTarget(0, Flaeche(Textur(8, 4, 1, 0, D3DFMT_A8R8G8B8).get()).get()),
                 flaeche->LockRect(&lr, nullptr, D3DLOCK_READONLY)});
    mGeraet->SetRenderTarget(0, Rueck().get());
    mGeraet->GetViewport(&v);
    EXPECT_EQ(std::pair(v.Width, v.Height), std::pair(DWORD(kBreite), DWORD(kHoehe)));
}

TEST_F(Geraet, SzeneKlammern) {
    EXPECT_EQ(mGeraet->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(mGeraet->BeginScene(), D3D_OK);
    EXPECT_EQ(mGeraet->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(mGeraet->EndScene(), D3D_OK);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(Geraet, UngueltigeErzeugungen) {
    IDirect3DTexture9* t = nullptr;
    const struct {
        UINT breite, stufen;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
    } falsch[] = {{0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT},
                  {4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT},
                  {4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
                  {4, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_DXT1, D3DPOOL_DEFAULT},
                  {4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT5, D3DPOOL_DEFAULT},
                  {4, 1, 0, D3DFMT_D24X8, D3DPOOL_DEFAULT},
                  {1 << 20, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT}};
    for (const auto& f : falsch) {
        EXPECT_EQ(mGeraet->CreateTexture(f.breite, 4, f.stufen, f.usage, f.format, f.pool, &t, nullptr),
                  D3DERR_INVALIDCALL)
            << f.breite << " " << f.stufen << " " << f.format;
    }
    EXPECT_EQ(t, nullptr);
    // The full chain of 256 x 64 has nine levels.
    const auto kette = Textur(256, 64, 0, 0, D3DFMT_A8R8G8B8);
    EXPECT_EQ(kette->GetLevelCount(), 9u);
    D3DSURFACE_DESC beschreibung{};
    EXPECT_EQ(kette->GetLevelDesc(8, &beschreibung), D3D_OK);
    EXPECT_EQ(beschreibung.Width, 1u);

    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DSurface9* tiefe = nullptr;
    IDirect3DVertexDeclaration9* deklaration = nullptr;
    D3DLOCKED_RECT lr{};
    const auto d16 = Tiefe(4, 4, D3DFMT_D16);
    // Elements without a location in the shader conventions.
    const D3DVERTEXELEMENT9 normale[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, 3, 0}, D3DDECL_END};
    const D3DVERTEXELEMENT9 strom9[] = {{9, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END};
    ErwarteAlle(D3DERR_INVALIDCALL,
                {kette->GetLevelDesc(9, &beschreibung),
                 mGeraet->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib, nullptr),
                 mGeraet->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr),
                 mGeraet->CreateDepthStencilSurface(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &tiefe,
                                                    nullptr),
                 d16->LockRect(&lr, nullptr, 0), mGeraet->SetRenderTarget(0, d16.get()),
                 mGeraet->CreateVertexDeclaration(normale, &deklaration),
                 mGeraet->CreateVertexDeclaration(strom9, &deklaration)});
    EXPECT_EQ(deklaration, nullptr);
}

TEST_F(Geraet, PufferSperren) {
    const auto vb = VertexPuffer(64, D3DUSAGE_WRITEONLY);
    void* p = nullptr;
    ErwarteAlle(D3DERR_INVALIDCALL, {vb->Lock(60, 8, &p, 0), vb->Lock(65, 0, &p, 0), vb->Unlock()});
    ASSERT_EQ(vb->Lock(16, 0, &p, 0), D3D_OK);
    std::memset(p, 0, 48);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
}

} // namespace
} // namespace grafik9test
