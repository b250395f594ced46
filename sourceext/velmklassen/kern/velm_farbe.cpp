#include "velmklassen/kern/velm_farbe.h"

namespace {
uint32_t Kanal(float c) {
    const float wert = c * 255.0f + 0.51f;
    if (!(wert > 0.0f)) // also NaN
        return 0;
    if (wert >= 255.0f)
        return 255;
    return uint32_t(int(wert));
}
} // namespace

uint32_t TAlphaFarbe::AlsARGB() const {
    return Kanal(a) << 24 | Kanal(r) << 16 | Kanal(g) << 8 | Kanal(b);
}
