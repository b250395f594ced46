#pragma once
// Small helpers the GPU resources share: the device formats and cube faces of the engine's own
// values, the device of the one context, and creation with eviction when video memory runs out.

#include "plattform/grafik9/d3d9.h"

#include <cstdint>
#include <functional>

namespace Velm {

D3DFORMAT GetD3DPixelFormat(uint32_t format);
D3DCUBEMAP_FACES GetD3DSeite(uint32_t seite);

// The device of `Velm_Screen3D::Kontext`, null without one.
IDirect3DDevice9* Geraet();

// How many eviction passes a creation may try before it gives up.
constexpr int kRaeumVersuche = 8;

// Runs a creation call; while it answers out of video memory, makes room and tries again, until a
// pass evicts nothing or after kRaeumVersuche passes. `warnen` logs the shortage first.
HRESULT ErzeugeMitRaeumung(const std::function<HRESULT()>& erzeuge, bool warnen);

// Releases a COM reference and forgets it.
template <class T> void GibFrei(T*& objekt) {
    if (objekt != nullptr) {
        objekt->Release();
        objekt = nullptr;
    }
}

} // namespace Velm
