#pragma once
// HLSL of the Direct3D 9 dialect to the device's GLSL 330: glslang's HLSL front end makes SPIR-V,
// SPIRV-Cross lays the constants out in Direct3D 9 float4 registers and writes the GLSL in the
// conventions of shaderblob.h. Also describes the constants for the constant table.

#include "plattform/shaderkompiler/d3dx9shader.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Plattform {

// What a stage offers: float4 registers and samplers. Larger shaders are refused, because the
// engine indexes its register and sampler shadows with what the constant table says.
constexpr uint32_t kVertexRegisterMax = 256;
constexpr uint32_t kPixelRegisterMax = 224;
constexpr uint32_t kVertexSamplerMax = 4;
constexpr uint32_t kPixelSamplerMax = 16;

// One constant as the constant table describes it. Register indices are absolute; members of an
// array of structures are described for element 0.
struct KonstantenBeschreibung {
    std::string name;
    D3DXREGISTER_SET registerSatz = D3DXRS_FLOAT4;
    uint32_t registerIndex = 0;
    uint32_t registerAnzahl = 1;
    D3DXPARAMETER_CLASS klasse = D3DXPC_SCALAR;
    D3DXPARAMETER_TYPE typ = D3DXPT_FLOAT;
    uint32_t zeilen = 1;
    uint32_t spalten = 1;
    uint32_t elemente = 1;
    std::vector<KonstantenBeschreibung> mitglieder;
};

struct HlslAuftrag {
    std::string_view quelle;
    std::string quellName; // names the source in messages; empty gives glslang's "0"
    ShaderStufe stufe = kStufeVertex;
    std::string einstieg = "main";
    std::vector<std::pair<std::string, std::string>> makros;
};

struct HlslErgebnis {
    bool erfolg = false;
    std::string meldungen; // errors or warnings, one per line; empty when there is nothing to say
    ShaderBlob blob;
    // The constants the shader uses: float4 constants in declaration order, then the samplers.
    std::vector<KonstantenBeschreibung> konstanten;
};

HlslErgebnis UebersetzeHlsl(const HlslAuftrag& auftrag);

} // namespace Plattform
