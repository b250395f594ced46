#include "gui/gui_simpelrenderer.h"

#include <cmath>

namespace Gui {

float SimpelRenderer::Verlauf(float t, uint32_t art) {
    constexpr float kPi = 3.1415927f;
    constexpr float kVierPi = 12.566371f;
    switch (art) {
    case 0:
        return t;
    case 1:
        return 1 - t;
    case 2:
        return t * t;
    case 3:
        return 1 - t * t;
    case 4:
        return std::sqrt(t);
    case 5:
        return 1 - std::sqrt(t);
    case 6:
        return 0.5f - 0.5f * std::cos(kPi * t);
    case 7:
        return 0.5f * (std::cos(kPi * t) + 1);
    case 8:
        return 1 - std::cos(kVierPi * t) * (1 - t);
    case 9:
        return std::cos(kVierPi * t) * (1 - t);
    case 10:
        return 1 - std::abs(std::cos(kVierPi * t)) * (1 - t);
    case 11:
        return std::abs(std::cos(kVierPi * t)) * (1 - t);
    case 12:
        return std::sin(kPi * t);
    case 13:
        return t == 1.0f ? 1.0f : 0.0f;
    case 14:
        return t == 1.0f ? 0.0f : 1.0f;
    case 15:
        return t == 1.0f ? 0.0f : t;
    case 16:
        return t == 1.0f ? 1.0f : 1 - t;
    default:
        return 1;
    }
}

} // namespace Gui
