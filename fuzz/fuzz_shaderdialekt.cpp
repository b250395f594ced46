// Feeds arbitrary text to the rewriting of the shader dialect ($rein, $raus, $main()): unfinished
// declarations, dollars at the end, nested keywords must never crash or read past the text.

#include "velmklassen/render/velm_shaderbasis.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    if (groesse == 0) {
        return 0;
    }
    const bool pixelStufe = (daten[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(daten + 1), groesse - 1);
    const std::string ergebnis = Velm_HighLevelShaderBasis::SchreibeDialektUm(text.c_str(), pixelStufe);
    // The text ends at its first zero byte; everything before its first dollar is copied unchanged.
    const std::string gelesen(text.c_str());
    const std::string vorne = gelesen.substr(0, gelesen.find('$'));
    if (ergebnis.compare(0, vorne.size(), vorne) != 0) {
        __builtin_trap();
    }
    return 0;
}
