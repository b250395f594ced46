#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/grafik9_geraet.h"

#include <cstdio>

namespace Plattform {

namespace {

// One adapter: whatever OpenGL 3.3 core EGL gives, llvmpipe in tests.
class Direct3D final : public Objekt<IDirect3D9> {
public:
    Direct3D() : Objekt(nullptr, true) {}

    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* kennung) override {
        if (adapter != D3DADAPTER_DEFAULT || kennung == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *kennung = {};
        std::snprintf(kennung->Driver, sizeof kennung->Driver, "grafik9");
        std::snprintf(kennung->Description, sizeof kennung->Description, "OpenGL 3.3 core (EGL)");
        std::snprintf(kennung->DeviceName, sizeof kennung->DeviceName, "EGL");
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE,
                              D3DFORMAT format) override {
        if (adapter != D3DADAPTER_DEFAULT) {
            return D3DERR_INVALIDCALL;
        }
        const GlFormat* f = SucheGlFormat(format);
        if (f == nullptr || ((usage & D3DUSAGE_DEPTHSTENCIL) != 0) != f->tiefe ||
            ((usage & D3DUSAGE_RENDERTARGET) != 0 && !f->zielTauglich)) {
            return D3DERR_NOTAVAILABLE;
        }
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE typ, HWND fenster, DWORD, D3DPRESENT_PARAMETERS* parameter,
                         IDirect3DDevice9** geraet) override {
        if (adapter != D3DADAPTER_DEFAULT || parameter == nullptr || geraet == nullptr ||
            (typ != D3DDEVTYPE_HAL && typ != D3DDEVTYPE_REF)) {
            return D3DERR_INVALIDCALL;
        }
        HRESULT ergebnis = D3D_OK;
        *geraet = Geraet::Erzeuge(fenster, *parameter, ergebnis);
        return ergebnis;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE typ, D3DCAPS9* faehigkeiten) override {
        if (adapter != D3DADAPTER_DEFAULT || faehigkeiten == nullptr ||
            (typ != D3DDEVTYPE_HAL && typ != D3DDEVTYPE_REF)) {
            return D3DERR_INVALIDCALL;
        }
        return Geraet::AdapterFaehigkeiten(*faehigkeiten);
    }
};

} // namespace

} // namespace Plattform

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        return nullptr;
    }
    return new Plattform::Direct3D();
}
