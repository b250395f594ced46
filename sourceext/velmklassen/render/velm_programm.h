#pragma once
// A shader program: a vertex input with a vertex and a pixel shader, and the handles through which
// callers address shader constants and samplers by name on both stages.

#include "plattform/grafik9/d3d9.h"
#include "velmklassen/render/velm_basisobjekt.h"

#include <cstdint>
#include <string>

class Velm_VertexEingabe;
class Velm_VertexShader;
class Velm_PixelShader;

// Bits 0-11 the vertex-shader register, bits 12-23 the pixel-shader register; 0xFFF where a stage
// does not use the name.
using Velm_KonstantenHandle = uint32_t;
// Bits 0-7 the pixel sampler, bits 8-15 the vertex sampler; 0xFF where a stage does not use the
// name, 0xFFFF when neither does.
using Velm_SamplerHandle = uint32_t;

constexpr uint32_t kVelm_KeinRegister = 0xFFF;
constexpr uint32_t kVelm_KeinSampler = 0xFF;
constexpr Velm_SamplerHandle kVelm_KeinSamplerHandle = 0xFFFF;

class Velm_Programm : public Velm_ZustandsObjekt {
public:
    // The parts must outlive the program: it keeps their device objects without references.
    Velm_Programm(Velm_VertexEingabe* eingabe, Velm_VertexShader* vertexShader,
                  Velm_PixelShader* pixelShader);

    Velm_KonstantenHandle GetKonstante(const std::string& name) const;
    Velm_SamplerHandle GetSampler(const std::string& name) const;

    Velm_VertexEingabe* mEingabe;
    Velm_VertexShader* mVertexShader;
    Velm_PixelShader* mPixelShader;
    uint64_t mKanalAnzahl;
    uint64_t mInstanzMaske;
    uint16_t mSchritt[4];
    IDirect3DVertexDeclaration9* mDeklaration;
    IDirect3DVertexShader9* mD3DVertexShader;
    IDirect3DPixelShader9* mD3DPixelShader;
};
