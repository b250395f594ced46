#pragma once
// Integer and boolean constants in Direct3D 9's float4 registers. Shader model 3 keeps an int or
// bool global that a shader computes with in the float registers, where the engine writes it as
// a float. The global block of the SPIR-V gets float members in their place, and every load of
// one converts the float to the integer the shader expects.

#include "plattform/shaderkompiler/d3dx9shader.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Plattform {

// Rewrites the members of the block named "$Global" that are int or uint scalars, vectors or
// one-dimensional arrays of them (HLSL's bool is a uint there). Returns for each rewritten member
// index its type for the constant table (D3DXPT_INT or D3DXPT_BOOL). False with the reason in
// `fehler` when a member is used in a way this does not follow (such as copying a whole array).
bool GanzzahlenAlsFloat(std::vector<uint32_t>& spirv, std::map<uint32_t, D3DXPARAMETER_TYPE>& typen,
                        std::string& fehler);

} // namespace Plattform
