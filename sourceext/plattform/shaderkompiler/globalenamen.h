#pragma once
// Finds a global name that HLSL declares twice. glslang's HLSL front end crashes on a global constant
// that repeats an earlier global's name with another type, so the compiler looks before it parses.

#include <string>
#include <string_view>

namespace Plattform {

// The first global declared under a name already taken by a global, a structure, a typedef or a
// cbuffer member, as an error line in glslang's form ("ERROR: name:line: 'x' : redefinition"); empty
// when every name is new. The text is preprocessed: no comments, no directives but "#line".
std::string DoppelteGlobale(std::string_view text, const std::string& quellName);

} // namespace Plattform
