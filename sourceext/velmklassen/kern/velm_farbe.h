#pragma once
// A colour with alpha as four floats in 0..1, the colour type of the property tree and the
// drawing code.

#include <cstdint>

struct TAlphaFarbe {
    float r = 0, g = 0, b = 0, a = 0;

    // 0xAARRGGBB; each channel becomes trunc(c * 255 + 0.51). A channel outside 0..1 is clamped
    // to a byte instead of spilling into its neighbour.
    uint32_t AlsARGB() const;
};
