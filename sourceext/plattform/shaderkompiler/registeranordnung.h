#pragma once
// Constants in Direct3D 9's float4 registers: the types that fit, the registers a member takes,
// the layout that starts every member in a register of its own, and its constant table entry.

#include "plattform/shaderkompiler/hlsluebersetzer.h"

#include <spirv_cross/spirv_glsl.hpp>

#include <cstdint>

namespace Plattform {

// Whether a constant of the type goes into float4 registers as it is: float types only, and arrays
// of one dimension.
bool IstRegisterTyp(const spirv_cross::CompilerGLSL& c, const spirv_cross::SPIRType& typ);
// The registers of member `index` of a structure, all elements of an array together.
uint32_t MitgliedRegister(const spirv_cross::CompilerGLSL& c, uint32_t strukturId, uint32_t index);
// Rewrites the offsets and strides of a structure so that every member starts a new register.
void LegeStrukturAus(spirv_cross::CompilerGLSL& c, uint32_t strukturId);
// The member as the constant table describes it, its registers counted on from `basisRegister`.
KonstantenBeschreibung BeschreibeMitglied(const spirv_cross::CompilerGLSL& c, uint32_t strukturId,
                                          uint32_t index, uint32_t basisRegister);

} // namespace Plattform
