#pragma once
// The GUI renderer over the engine's sprite batcher and bitmap font: tinted rectangles and text,
// faded in and out, with the easing curves its animations use.

#include "gui/gui_renderer.h"

#include <cstdint>

namespace Gui {

class SimpelRenderer : public Renderer {
public:
    // Maps a progress t (normally 0..1, not clamped) through one of 17 easing curves; kinds of 17
    // and above give 1.
    static float Verlauf(float t, uint32_t art);
};

} // namespace Gui
