// The Direct3D 9 interface: its refusals, the adapter's limits before and after a device exists,
// the formats the engine asks for, device creation, and a device's end while a texture lives on.

#include "testhilfe.h"

namespace grafik9test {
namespace {

TEST(Direct3D, SchnittstelleFormateUndGeraete) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    const Com<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
    D3DADAPTER_IDENTIFIER9 kennung{};
    EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &kennung), D3DERR_INVALIDCALL);
    // The limits can be asked before a device exists (the screen checks a size with them first),
    // and they are the device's own.
    D3DCAPS9 vorher{};
    EXPECT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &vorher), D3DERR_INVALIDCALL);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &vorher), D3D_OK);
    EXPECT_GE(vorher.MaxTextureWidth, 4096u);
    // The engine asks for D32 first, then D24X8, then takes D16.
    const auto format = [&](DWORD usage, D3DRESOURCETYPE typ, D3DFORMAT f) {
        return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, typ, f);
    };
    EXPECT_EQ(format(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24X8), D3D_OK);
    ErwarteAlle(D3DERR_NOTAVAILABLE, {format(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32),
                                      format(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8),
                                      format(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_DXT1)});

    // Windowed 0 x 0 takes the window's size; without a window there is none.
    IDirect3DDevice9* geraet = nullptr;
    D3DPRESENT_PARAMETERS parameter = Fensterparameter(0, 0);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &geraet), D3DERR_INVALIDCALL);
    parameter = Fensterparameter(8, 8, D3DFMT_A16B16G16R16F);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x52, &parameter, &geraet), D3DERR_INVALIDCALL);
    parameter.BackBufferFormat = D3DFMT_R5G6B5;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, 0x52, &parameter, &geraet), D3D_OK);
    D3DCAPS9 eigene{}, gefragt{};
    geraet->GetDeviceCaps(&eigene);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &gefragt), D3D_OK);
    EXPECT_EQ(std::pair(gefragt.MaxTextureWidth, gefragt.MaxTextureHeight),
              std::pair(eigene.MaxTextureWidth, eigene.MaxTextureHeight));
    EXPECT_EQ(vorher.MaxTextureHeight, eigene.MaxTextureHeight);
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

} // namespace
} // namespace grafik9test
