// The Direct3D 9 back end's device: its creation on the screen's window in named steps, reset,
// presentation and the checks of a lost device.

#include "velmklassen/render/velm_zeichenkontextimpldx9.h"

#include "plattform/grafik9/grafik9_meldung.h"
#include "plattform/shaderkompiler/d3dx9shader.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <cstring>
#include <utility>

namespace {

void SchlafeWirklich(uint32_t millisekunden) {
    Plattform::Schlafe(millisekunden);
}

// The graphics layer's cause of a failure (why no device could be made) or its notice (a GPU reset)
// belongs in the log a player sends, on the line before the engine's own about the same failure.
// Unmarked: whether the failure is fatal is the engine's line to say.
void GrafikMeldungInsLog(const char* zeile) {
    Velm_Konsole::Schreibe("%s", zeile);
}

D3DDEVTYPE GeraeteTyp() {
    return (Velm_Screen3D::mFlags & Velm_Screen3D::kReferenzGeraet) ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
}

// What creation and every reset take from the screen's settings alike: window or full screen, the
// back buffer's format and the wait for the vertical blank.
void UebernimmDarstellung(D3DPRESENT_PARAMETERS& parameter) {
    const uint64_t flags = Velm_Screen3D::mFlags;
    parameter.Windowed = (flags & Velm_Screen3D::kVollbild) ? FALSE : TRUE;
    parameter.BackBufferFormat = Velm_Screen3D::mDarstellung.mFormat == 1 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    parameter.PresentationInterval =
        (flags & Velm_Screen3D::kVSync) ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
}

D3DPRESENT_PARAMETERS ErsteParameter() {
    const Velm_Darstellung& modus = Velm_Screen3D::mDarstellung;
    D3DPRESENT_PARAMETERS parameter{};
    UebernimmDarstellung(parameter);
    parameter.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameter.EnableAutoDepthStencil = TRUE;
    parameter.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    parameter.hDeviceWindow = Velm_Screen3D::mFenster;
    // Windowed, 0 x 0 means the window's client size; without a window (headless) there is none,
    // so the mode's size is given.
    if (!parameter.Windowed || Velm_Screen3D::mFenster == nullptr) {
        parameter.BackBufferWidth = UINT(modus.mBreite);
        parameter.BackBufferHeight = UINT(modus.mHoehe);
    }
    if (!parameter.Windowed) {
        parameter.FullScreen_RefreshRateInHz = UINT(modus.mFrequenz);
    }
    return parameter;
}

// A PerfHUD adapter, where there is one, takes the place of the default one with the reference
// device type it needs.
void WaehleAdapter(IDirect3D9& d3d, UINT& adapter, D3DDEVTYPE& typ) {
    for (UINT i = 0; i < d3d.GetAdapterCount(); ++i) {
        D3DADAPTER_IDENTIFIER9 kennung{};
        if (SUCCEEDED(d3d.GetAdapterIdentifier(i, 0, &kennung)) &&
            std::strstr(kennung.Description, "PerfHUD")) {
            adapter = i;
            typ = D3DDEVTYPE_REF;
            Velm_Konsole::Schreibe("NVPerfHUD gefunden, benutze PerfHUD-Adapter %d", int(i));
            return;
        }
    }
}

// The deepest depth buffer the adapter offers with the back buffer's format.
D3DFORMAT WaehleTiefenFormat(IDirect3D9& d3d, UINT adapter, D3DDEVTYPE typ, D3DFORMAT rueckpufferFormat) {
    const auto moeglich = [&](D3DFORMAT format) {
        return SUCCEEDED(d3d.CheckDeviceFormat(adapter, typ, rueckpufferFormat, D3DUSAGE_DEPTHSTENCIL,
                                               D3DRTYPE_SURFACE, format));
    };
    if (moeglich(D3DFMT_D32)) {
        Velm_Konsole::Schreibe("Velm_Screen3D::Init(...): 32Bit-ZBuffer gewählt");
        return D3DFMT_D32;
    }
    if (moeglich(D3DFMT_D24X8)) {
        Velm_Konsole::Schreibe("Velm_Screen3D::Init(...): 24Bit-ZBuffer gewählt");
        return D3DFMT_D24X8;
    }
    Velm_Konsole::Schreibe("Velm_Screen3D::Init(...): 16Bit-ZBuffer gewählt");
    return D3DFMT_D16;
}

void UebernimmFaehigkeiten(const D3DCAPS9& faehigkeiten, Velm_GeraeteFaehigkeiten& f) {
    f.mMaxTexturBreite = faehigkeiten.MaxTextureWidth;
    f.mMaxTexturHoehe = faehigkeiten.MaxTextureHeight;
    f.mKonstante16 = 16;
    f.mMaxAnisotropie =
        (faehigkeiten.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) ? faehigkeiten.MaxAnisotropy : 0;
    f.mRenderzielAnzahl = faehigkeiten.NumSimultaneousRTs;
}

} // namespace

Velm_ZeichenKontextImplDX9::SchlafFunktion Velm_ZeichenKontextImplDX9::sSchlafe = &SchlafeWirklich;

// 1. the graphics layer's lines into the log, 2. the shadows of a fresh device, 3. the interface,
// 4. the presentation parameters from the screen's settings, 5. the adapter and 6. the depth format,
// 7. the device, 8. its back buffer and depth surface as the bound targets, 9. its capabilities and
// shader profiles.
Velm_ZeichenKontextImplDX9::Velm_ZeichenKontextImplDX9(Velm_ZeichenKontext& front) : mFront(front) {
    Plattform::SetzeGrafikMeldungsZiel(&GrafikMeldungInsLog);
    SetzeStandardZustand();
    mD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (mD3D == nullptr) {
        Velm_Konsole::Schreibe("!Velm_ZeichenKontextImplDX9::Velm_ZeichenKontextImplDX9(): Couldn't create "
                               "Direct3D 9 interface.");
        return;
    }
    mParameter = ErsteParameter();
    UINT adapter = D3DADAPTER_DEFAULT;
    D3DDEVTYPE typ = GeraeteTyp();
    WaehleAdapter(*mD3D, adapter, typ);
    mParameter.AutoDepthStencilFormat = WaehleTiefenFormat(*mD3D, adapter, typ, mParameter.BackBufferFormat);
    if (!ErzeugeGeraet(adapter, typ)) {
        return;
    }
    HoleRueckpuffer();
    mGebundeneFarbe[0] = mRueckpuffer;
    mGebundeneTiefe = mTiefe;
    D3DCAPS9 faehigkeiten{};
    if (FAILED(mGeraet->GetDeviceCaps(&faehigkeiten))) {
        return;
    }
    UebernimmFaehigkeiten(faehigkeiten, mFront.mFaehigkeiten);
    mVsProfil = D3DXGetVertexShaderProfile(mGeraet);
    mPsProfil = D3DXGetPixelShaderProfile(mGeraet);
}

bool Velm_ZeichenKontextImplDX9::ErzeugeGeraet(UINT adapter, D3DDEVTYPE typ) {
    const DWORD verhalten =
        D3DCREATE_FPU_PRESERVE | D3DCREATE_PUREDEVICE | D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (FAILED(mD3D->CreateDevice(adapter, typ, Velm_Screen3D::mFenster, verhalten, &mParameter, &mGeraet))) {
        mGeraet = nullptr;
        Velm_Konsole::Schreibe(
            "!Velm_ZeichenKontextImplDX9::Velm_ZeichenKontextImplDX9(): Failed to create Direct3D device.");
        return false;
    }
    return true;
}

void Velm_ZeichenKontextImplDX9::GroessteTextur(uint64_t& breite, uint64_t& hoehe) {
    breite = 0;
    hoehe = 0;
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (d3d == nullptr) {
        return;
    }
    D3DCAPS9 faehigkeiten{};
    if (SUCCEEDED(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, GeraeteTyp(), &faehigkeiten))) {
        breite = faehigkeiten.MaxTextureWidth;
        hoehe = faehigkeiten.MaxTextureHeight;
    }
    d3d->Release();
}

Velm_ZeichenKontextImplDX9::~Velm_ZeichenKontextImplDX9() {
    Beende();
    Plattform::SetzeGrafikMeldungsZiel(nullptr);
}

void Velm_ZeichenKontextImplDX9::Beende() {
    Velm::GibFrei(mRueckpuffer);
    Velm::GibFrei(mTiefe);
    Velm::GibFrei(mGeraet);
    Velm::GibFrei(mD3D);
}

IDirect3DDevice9* Velm_ZeichenKontextImplDX9::TauscheGeraet(IDirect3DDevice9* geraet) {
    return std::exchange(mGeraet, geraet);
}

void Velm_ZeichenKontextImplDX9::HoleRueckpuffer() {
    IDirect3DSwapChain9* kette = nullptr;
    if (SUCCEEDED(mGeraet->GetSwapChain(0, &kette))) {
        kette->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &mRueckpuffer);
        kette->Release();
    }
    mGeraet->GetDepthStencilSurface(&mTiefe);
}

// ---- Reset, presentation, loss ----

void Velm_ZeichenKontextImplDX9::Zuruecksetzen() {
    if (mGeraet == nullptr) {
        return;
    }
    if (mSzeneBegonnen) {
        BeendeZeichnen();
    }
    Velm::GibFrei(mRueckpuffer);
    Velm::GibFrei(mTiefe);

    const Velm_Darstellung& modus = Velm_Screen3D::mDarstellung;
    mParameter.BackBufferWidth = UINT(modus.mBreite);
    mParameter.BackBufferHeight = UINT(modus.mHoehe);
    UebernimmDarstellung(mParameter);

    Velm_Konsole::Schreibe("ReInit Darstellung: Device zurücksetzen");
    HRESULT ergebnis = D3DERR_DEVICELOST;
    for (int versuch = 0; versuch < kResetVersuche && ergebnis == D3DERR_DEVICELOST; ++versuch) {
        sSchlafe(100);
        ergebnis = mGeraet->Reset(&mParameter);
    }
    // A device still lost after the tries is no failure: the driver has not recovered yet (after a
    // GPU reset no new context may be had for a while), and the next frame's test tries again, so
    // the window stays alive meanwhile.
    VELM_PRUEFE(SUCCEEDED(ergebnis) || ergebnis == D3DERR_DEVICELOST, "D3D9-Reset gescheitert",
                "Velm_ZeichenKontextImplDX9::Zuruecksetzen");
    mGeraetVerloren = FAILED(ergebnis);

    HoleRueckpuffer();
    SetzeStandardZustand();
    // The reset binds the back buffer and the device's own depth surface, as creation does. A
    // shadow of "none" would let a target without a depth buffer keep that depth surface.
    mGebundeneFarbe[0] = mRueckpuffer;
    mGebundeneTiefe = mTiefe;
}

void Velm_ZeichenKontextImplDX9::Praesentieren() {
    if (mGeraet == nullptr) {
        return;
    }
    if (mSzeneBegonnen) {
        BeendeZeichnen();
    }
    if (mGeraet->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) {
        mGeraetVerloren = true;
        if (Velm_System::Global().mPraesenz != Velm_System::Minimiert) {
            PruefeKooperation();
        }
    }
}

void Velm_ZeichenKontextImplDX9::PruefeGeraet() {
    if (mGeraet != nullptr && mGeraetVerloren && Velm_System::Global().mPraesenz != Velm_System::Minimiert) {
        PruefeKooperation();
    }
}

void Velm_ZeichenKontextImplDX9::PruefeKooperation() {
    const HRESULT lage = mGeraet->TestCooperativeLevel();
    if (FAILED(lage)) {
        sSchlafe(50);
    }
    if (lage == D3DERR_DEVICELOST) {
        return;
    }
    if (lage == D3DERR_DEVICENOTRESET) {
        mFront.Zuruecksetzen();
        return;
    }
    mGeraetVerloren = false;
}
