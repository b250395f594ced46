#pragma once
// The code a compiled shader hands to the device: the GLSL 330 source the shader compiler made
// and the few numbers the device needs to bind it. D3DXCompileShader's code buffer holds these
// bytes; CreateVertexShader and CreatePixelShader read them back.
//
// The GLSL follows fixed conventions so the device can bind every shader the same way:
// - `#version 330 core`.
// - All constants in `uniform vec4 vs_c[N];` (vertex) or `uniform vec4 ps_c[N];` (pixel): the
//   Direct3D 9 float4 registers c0..c(N-1), uploaded with glUniform4fv as they are.
// - Samplers `uniform sampler2D vs_s0`, `vs_s1`, ... or `ps_s0`, ... (or samplerCube), s# in
//   declaration order.
// - Vertex inputs `layout(location = L) in`, POSITION0 at 0 and TEXCOORDn at n + 1.
// - Varyings named by semantic (`velm_TEXCOORD0`, `velm_COLOR0`, ...) so the stages link by name.
// - Pixel outputs `layout(location = n) out vec4 velm_COLORn`, n = 0..3.
// - The vertex shader ends with Direct3D 9's half-pixel offset, the vertical flip into row-0-at-
//   the-top targets and the depth range fix, driven by `uniform vec4 velm_epilog;` which the
//   device sets to (1 / viewport width, 1 / viewport height, 0, 0).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Plattform {

enum ShaderStufe : uint32_t {
    kStufeVertex = 0,
    kStufePixel = 1,
};

struct ShaderBlob {
    uint32_t stufe = kStufeVertex;
    uint32_t konstantenRegister = 0; // N of vs_c[N] / ps_c[N]; 0 means no constant array.
    uint32_t samplerAnzahl = 0;      // vs_s0.. / ps_s0.., dense from 0.
    std::string glsl;
};

// Bytes: "VSB1", stage, register count, sampler count, GLSL length (all uint32 little endian),
// then the GLSL text without a terminator.
std::vector<uint8_t> SchreibeShaderBlob(const ShaderBlob& blob);

// False for anything that is not a complete blob of the layout above (wrong tag, a length that
// runs past the end, an unknown stage, trailing bytes); `blob` is then left unchanged.
bool LiesShaderBlob(const void* daten, size_t laenge, ShaderBlob& blob);

// The size of a whole blob from its header, for callers that have only its start (Direct3D 9's
// CreateVertexShader takes no length). Reads the 20 header bytes; 0 when the tag is not there.
size_t ShaderBlobGroesse(const void* daten);

} // namespace Plattform
