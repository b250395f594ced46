// The device itself: its back buffer, targets, viewport, clearing and refused creations; device
// loss and reset and the video-memory budget, the paths the engine's eviction and reset code
// takes, driven through the test hooks.

#include "testhilfe.h"

namespace grafik9test {
namespace {

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

TEST_F(Geraet, UngueltigeErzeugungen) {
    // The full chain of 256 x 64 has nine levels.
    const auto kette = Textur(256, 64, 0, 0, D3DFMT_A8R8G8B8);
    EXPECT_EQ(kette->GetLevelCount(), 9u);
    D3DSURFACE_DESC beschreibung{};
    EXPECT_EQ(kette->GetLevelDesc(8, &beschreibung), D3D_OK);
    EXPECT_EQ(beschreibung.Width, 1u);

    IDirect3DTexture9* t = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DSurface9* tiefe = nullptr;
    IDirect3DVertexDeclaration9* deklaration = nullptr;
    D3DLOCKED_RECT lr{};
    const auto d16 = Tiefe(4, 4, D3DFMT_D16);
    const auto textur = [&](UINT breite, UINT stufen, DWORD usage, D3DFORMAT f, D3DPOOL pool = D3DPOOL_DEFAULT) {
        return mGeraet->CreateTexture(breite, 4, stufen, usage, f, pool, &t, nullptr);
    };
    // Elements without a location in the shader conventions.
    const D3DVERTEXELEMENT9 normale[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, 3, 0}, D3DDECL_END};
    const D3DVERTEXELEMENT9 strom9[] = {{9, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END};
    ErwarteAlle(D3DERR_INVALIDCALL,
                {textur(0, 1, 0, D3DFMT_A8R8G8B8), textur(4, 4, 0, D3DFMT_A8R8G8B8),
                 textur(4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                 textur(4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                 textur(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM), textur(4, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_DXT1),
                 textur(4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT5), textur(4, 1, 0, D3DFMT_D24X8),
                 textur(1 << 20, 1, 0, D3DFMT_A8R8G8B8), kette->GetLevelDesc(9, &beschreibung),
                 mGeraet->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &ib, nullptr),
                 mGeraet->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr),
                 mGeraet->CreateVertexBuffer(16, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb, nullptr),
                 mGeraet->CreateDepthStencilSurface(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &tiefe,
                                                    nullptr),
                 d16->LockRect(&lr, nullptr, 0), mGeraet->SetRenderTarget(0, d16.get()),
                 mGeraet->CreateVertexDeclaration(normale, &deklaration),
                 mGeraet->CreateVertexDeclaration(strom9, &deklaration)});
    EXPECT_EQ(std::tuple(t, deklaration), std::tuple(nullptr, nullptr));
}

using Verlust = Geraet;

// Each row one call and its answer: 'B' and 'E' begin and end a scene, 'V' forces a loss after n
// presents, 'K' a GPU reset the driver reports in progress n times after the present, 'P'
// presents, 'T' asks the cooperative level, 'R' resets.
TEST_F(Verlust, VerlorenDannNichtZurueckgesetztDannReset) {
    const std::pair<char, HRESULT> schritte[] = {
        {'E', D3DERR_INVALIDCALL}, {'B', D3D_OK}, {'B', D3DERR_INVALIDCALL}, {'E', D3D_OK},
        {'P', D3D_OK}, {'V', 2}, {'T', D3D_OK}, {'P', D3DERR_DEVICELOST}, {'T', D3DERR_DEVICELOST},
        {'T', D3DERR_DEVICELOST}, {'T', D3DERR_DEVICENOTRESET}, {'T', D3DERR_DEVICENOTRESET},
        {'P', D3DERR_DEVICELOST}, {'R', D3D_OK}, {'T', D3D_OK}, {'P', D3D_OK},
        // The engine's reset loop calls Reset alone, every 100 ms, while it answers lost.
        {'V', 2}, {'P', D3DERR_DEVICELOST}, {'R', D3DERR_DEVICELOST}, {'R', D3DERR_DEVICELOST}, {'R', D3D_OK},
        {'K', 2}, {'P', D3DERR_DEVICELOST}, {'T', D3DERR_DEVICELOST}, {'T', D3DERR_DEVICELOST},
        {'T', D3DERR_DEVICENOTRESET}, {'P', D3DERR_DEVICELOST}, {'R', D3D_OK}, {'T', D3D_OK}, {'P', D3D_OK},
        // Reset alone, without asking first; the new context has nothing left to report.
        {'K', 5}, {'P', D3DERR_DEVICELOST}, {'R', D3D_OK}, {'P', D3D_OK}};
    int nummer = 0;
    for (const auto& [schritt, erwartet] : schritte) {
        if (schritt == 'V' || schritt == 'K') {
            (schritt == 'V' ? Plattform::ErzwingeGeraeteVerlust : Plattform::ErzwingeKontextVerlust)(
                uint32_t(erwartet));
            continue;
        }
        const HRESULT ist = schritt == 'B'   ? mGeraet->BeginScene()
                            : schritt == 'E' ? mGeraet->EndScene()
                            : schritt == 'P' ? mGeraet->Present(nullptr, nullptr, nullptr, nullptr)
                            : schritt == 'T' ? mGeraet->TestCooperativeLevel()
                                             : mGeraet->Reset(&mParameter);
        EXPECT_EQ(ist, erwartet) << "step " << nummer++ << " " << schritt;
    }
}

TEST_F(Verlust, ResetVerweigertGehalteneStandardObjekte) {
    auto t = Textur(4, 4, 1, 0, D3DFMT_A8R8G8B8);
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3DERR_INVALIDCALL);
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // The level still holds the texture.
    auto stufe = Flaeche(t.get());
    t.reset();
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3DERR_INVALIDCALL);
    stufe.reset();
    // So does the back buffer while the caller holds it (here for the whole expression).
    EXPECT_EQ(Rueck() ? mGeraet->Reset(&mParameter) : D3D_OK, D3DERR_INVALIDCALL);
    // System-memory surfaces, shaders and declarations survive a reset.
    const auto sys = SystemFlaeche(4, 4, D3DFMT_A8R8G8B8);
    const auto vs = Vs(QuadVs());
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3D_OK);

    Plattform::SetzeResetPruefung(false);
    const auto vb = VertexPuffer(16, 0);
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3D_OK);
}

TEST_F(Verlust, ResetStelltAlleVorgabenHerUndZeichnetWieder) {
    BaueQuad(kTexturPs);
    auto ziel = Textur(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8);
    mGeraet->SetRenderTarget(0, Flaeche(ziel.get()).get());
    mGeraet->SetTexture(0, ziel.get());
    // Each state away from its default (the value plus one), then back to it after the reset.
    const std::pair<D3DRENDERSTATETYPE, DWORD> vorgaben[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},      {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},  {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ALPHABLENDENABLE, FALSE},  {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO}, {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_COLORWRITEENABLE, 0xF},    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE}};
    const std::pair<D3DSAMPLERSTATETYPE, DWORD> samplerVorgaben[] = {
        {D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP}, {D3DSAMP_MAXMIPLEVEL, 0}, {D3DSAMP_MINFILTER, D3DTEXF_POINT}};
    for (const auto& [zustand, wert] : vorgaben) {
        mGeraet->SetRenderState(zustand, wert + 1);
    }
    for (const auto& [zustand, wert] : samplerVorgaben) {
        mGeraet->SetSamplerState(0, zustand, wert + 1);
    }
    ziel.reset();
    LoeseQuad();

    Plattform::ErzwingeGeraeteVerlust(0);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS neu = mParameter;
    neu.BackBufferWidth = 16;
    neu.BackBufferHeight = 8;
    ASSERT_EQ(mGeraet->Reset(&neu), D3D_OK);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 0u);
    for (const auto& [zustand, wert] : vorgaben) {
        DWORD ist = 0;
        mGeraet->GetRenderState(zustand, &ist);
        EXPECT_EQ(ist, wert) << zustand;
    }
    for (const auto& [zustand, wert] : samplerVorgaben) {
        DWORD ist = 99;
        mGeraet->GetSamplerState(0, zustand, &ist);
        EXPECT_EQ(ist, wert) << zustand;
    }
    D3DVIEWPORT9 v{};
    mGeraet->GetViewport(&v);
    EXPECT_EQ(std::vector<DWORD>({v.Width, v.Height}), std::vector<DWORD>({16, 8}));
    EXPECT_EQ(Hole<IDirect3DSurface9>([&](auto o) { return mGeraet->GetRenderTarget(0, o); }), Rueck());

    // Drawing works again on the new back buffer.
    BaueQuad();
    SetzeZielGroesse(16, 8);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(Zeichne({Quad(15, 7, 1, 1, 1, 1, 1)}), D3D_OK);
    EXPECT_EQ(LiesRueckpuffer(16, 8)[7 * 16 + 15], 0xFFFFFFFFu);
}

TEST_F(Verlust, BudgetLaesstErzeugungScheitern) {
    Plattform::SetzeVideoSpeicherBudget(1024);
    auto vb = VertexPuffer(800, 0);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 800u);
    IDirect3DTexture9* t = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DSurface9* tiefe = nullptr;
    IDirect3DCubeTexture9* w = nullptr;
    // 16 x 16 x 4 bytes: 1024 bytes, no room next to the buffer.
    ErwarteAlle(D3DERR_OUTOFVIDEOMEMORY,
                {mGeraet->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
                 mGeraet->CreateIndexBuffer(256, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr),
                 mGeraet->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &tiefe, nullptr)});
    EXPECT_EQ(t, nullptr);
    // System memory does not count.
    EXPECT_NE(SystemFlaeche(64, 64, D3DFMT_A8R8G8B8), nullptr);
    vb.reset();
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 0u);
    EXPECT_NE(Textur(16, 16, 1, 0, D3DFMT_A8R8G8B8), nullptr);
    // Every level counts, and a cube six times.
    ErwarteAlle(D3DERR_OUTOFVIDEOMEMORY,
                {mGeraet->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
                 mGeraet->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &w, nullptr)});
    ASSERT_EQ(mGeraet->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &w, nullptr), D3D_OK);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 6u * 64u);
    w->Release();
}

TEST_F(Verlust, GebundeneObjekteLebenBisZumLoesen) {
    BaueQuad(kTexturPs);
    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    auto t = Textur(4, 4, 1, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(t.get(), 0, 4, 4, 0xFF00FF00);
    mGeraet->SetTexture(0, t.get());
    t.reset();
    // The engine's reference is gone; the binding keeps the texture, and its address.
    const size_t quad = 32u + 12u + 64u * sizeof(Instanz);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 64u + quad);
    ASSERT_EQ(Zeichne({Quad(0, 0, 4, 4, 0, 0, 0)}), D3D_OK);
    EXPECT_EQ(LiesRueckpuffer()[0] & 0xFFFFFF, 0x00FF00u);
    mGeraet->SetTexture(0, nullptr);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), quad);

    // The same for a stream, the indices and a render target's level.
    mEcken.reset(), mIndizes.reset();
    ASSERT_EQ(Zeichne({Quad(0, 0, 4, 4, 0, 0, 0)}), D3D_OK);
    mGeraet->SetStreamSource(0, nullptr, 0, 0);
    mGeraet->SetIndices(nullptr);
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 64u * sizeof(Instanz));
    mGeraet->SetRenderTarget(0, Flaeche(Textur(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8).get()).get());
    EXPECT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    mGeraet->SetRenderTarget(0, Rueck().get());
    EXPECT_EQ(Plattform::VideoSpeicherBelegt(), 64u * sizeof(Instanz));
}

} // namespace
} // namespace grafik9test
