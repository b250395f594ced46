#pragma once
// A vertex shader in the engine's dialect: translated, compiled for the device's profile and
// created on the device in one call, with its constant names mapped to registers.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"
#include "velmklassen/render/velm_shaderbasis.h"

class Velm_VertexShader : public Velm_ZustandsObjekt, public Velm_HighLevelShaderBasis {
public:
    Velm_VertexShader() { mZustand = Velm_ObjektKeins; }
    ~Velm_VertexShader() override;

    // True when the device shader exists. Quiet: nothing is logged and an engine exception of
    // the translation gives false instead of reaching the caller.
    bool UebersetzeAusString(const char* quelle, const Velm_ShaderMakros& makros = {}, bool leise = false);
    bool InternErzeugeShader(bool leise);

    IDirect3DVertexShader9* mShader = nullptr;
};
