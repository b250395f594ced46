#pragma once
// The unit quad that the rendering tests and the drawing benchmarks draw, defined once: corners
// (0, 0) to (1, 1) as two floats each, and the six 16-bit indices of its two triangles.

#include <cstdint>

inline constexpr float kEinheitsEcken[8] = {0, 0, 1, 0, 1, 1, 0, 1};
inline constexpr uint16_t kEinheitsIndizes[6] = {0, 1, 2, 0, 2, 3};
