#include "plattform/shaderkompiler/shaderblob.h"

#include <cstring>

namespace Plattform {

namespace {

constexpr char kKennung[4] = {'V', 'S', 'B', '1'};
constexpr size_t kKopfGroesse = 4 + 4 * 4;

void SchreibeU32(uint8_t* p, uint32_t wert) {
    for (int i = 0; i < 4; ++i) {
        p[i] = uint8_t(wert >> (8 * i));
    }
}

uint32_t LiesU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

std::vector<uint8_t> SchreibeShaderBlob(const ShaderBlob& blob) {
    std::vector<uint8_t> aus(kKopfGroesse + blob.glsl.size());
    std::memcpy(aus.data(), kKennung, 4);
    SchreibeU32(aus.data() + 4, blob.stufe);
    SchreibeU32(aus.data() + 8, blob.konstantenRegister);
    SchreibeU32(aus.data() + 12, blob.samplerAnzahl);
    SchreibeU32(aus.data() + 16, uint32_t(blob.glsl.size()));
    std::memcpy(aus.data() + kKopfGroesse, blob.glsl.data(), blob.glsl.size());
    return aus;
}

bool LiesShaderBlob(const void* daten, size_t laenge, ShaderBlob& blob) {
    if (daten == nullptr || laenge < kKopfGroesse) {
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(daten);
    if (std::memcmp(p, kKennung, 4) != 0) {
        return false;
    }
    const uint32_t stufe = LiesU32(p + 4);
    const uint32_t glslLaenge = LiesU32(p + 16);
    if (stufe != kStufeVertex && stufe != kStufePixel) {
        return false;
    }
    if (glslLaenge != laenge - kKopfGroesse) {
        return false;
    }
    blob.stufe = stufe;
    blob.konstantenRegister = LiesU32(p + 8);
    blob.samplerAnzahl = LiesU32(p + 12);
    blob.glsl.assign(reinterpret_cast<const char*>(p + kKopfGroesse), glslLaenge);
    return true;
}

size_t ShaderBlobGroesse(const void* daten) {
    const auto* p = static_cast<const uint8_t*>(daten);
    if (p == nullptr || std::memcmp(p, kKennung, 4) != 0) {
        return 0;
    }
    return kKopfGroesse + size_t(LiesU32(p + 16));
}

} // namespace Plattform
