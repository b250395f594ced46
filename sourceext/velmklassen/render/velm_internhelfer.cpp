#include "velmklassen/render/velm_internhelfer.h"

#include "velmklassen/bild/velm_pixelformat.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <iterator>

namespace Velm {

D3DFORMAT GetD3DPixelFormat(uint32_t format) {
    static constexpr D3DFORMAT kFormate[] = {
        D3DFMT_A8R8G8B8,      D3DFMT_R5G6B5,        D3DFMT_A2B10G10R10,  D3DFMT_R16F,
        D3DFMT_G16R16F,       D3DFMT_A16B16G16R16F, D3DFMT_R32F,         D3DFMT_G32R32F,
        D3DFMT_A32B32G32R32F, D3DFMT_G16R16,        D3DFMT_A16B16G16R16, D3DFMT_DXT1,
        D3DFMT_DXT3,          D3DFMT_DXT5,          D3DFMT_A8,           D3DFMT_X1R5G5B5};
    static_assert(std::size(kFormate) == Velm_FormatAnzahl);
    if (!VELM_PRUEFE(format < Velm_FormatAnzahl, "Invalides Pixelformat", "Velm::GetD3DPixelFormat")) {
        return D3DFMT_A8R8G8B8;
    }
    return kFormate[format];
}

D3DCUBEMAP_FACES GetD3DSeite(uint32_t seite) {
    static constexpr D3DCUBEMAP_FACES kSeiten[] = {D3DCUBEMAP_FACE_POSITIVE_Y, D3DCUBEMAP_FACE_NEGATIVE_Y,
                                                   D3DCUBEMAP_FACE_POSITIVE_X, D3DCUBEMAP_FACE_NEGATIVE_X,
                                                   D3DCUBEMAP_FACE_POSITIVE_Z, D3DCUBEMAP_FACE_NEGATIVE_Z};
    if (seite >= 6) {
        Velm_Konsole::Schreibe("!Velm_WuerfelTextur::GetD3DSeite( %u): Ungültige CubeMap-Seite.", seite);
        VELM_BERICHT("Ungültige CubeMap-Seite.", "Velm::GetD3DSeite");
        return D3DCUBEMAP_FACE_POSITIVE_X;
    }
    return kSeiten[seite];
}

IDirect3DDevice9* Geraet() {
    return Velm_Screen3D::Kontext != nullptr ? Velm_Screen3D::Kontext->Impl().Geraet() : nullptr;
}

HRESULT ErzeugeMitRaeumung(const std::function<HRESULT()>& erzeuge, bool warnen) {
    HRESULT ergebnis = erzeuge();
    for (int versuch = 0; ergebnis == D3DERR_OUTOFVIDEOMEMORY && versuch < kRaeumVersuche; ++versuch) {
        if (warnen) {
            Velm_Konsole::Schreibe("?VideoRAM knapp. Versuche, Platz zu schaffen.");
        }
        if (Velm_Screen3D::SchaffeVideoRAMPlatz(Velm_Screen3D::Kontext) == 0) {
            break;
        }
        ergebnis = erzeuge();
    }
    return ergebnis;
}

} // namespace Velm
