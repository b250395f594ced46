#pragma once
// The ID3DXConstantTable that D3DXCompileShader hands out: the described constants as a tree of
// records whose addresses are the handles.

#include "plattform/shaderkompiler/hlsluebersetzer.h"

namespace Plattform {

// The table starts with one reference.
ID3DXConstantTable* ErzeugeKonstantentabelle(const std::vector<KonstantenBeschreibung>& konstanten,
                                             ShaderStufe stufe);

} // namespace Plattform
