#pragma once
// `Buttons`, the game's input receiver: it owns the GUI surface and its renderer and passes Escape,
// the left mouse button and the pointer position on to the surface; every other key and the wheel
// end here.

#include "gui/gui_oberflaeche.h"
#include "gui/gui_simpelrenderer.h"
#include "omvu/omvu_inputhandler.h"

#include <memory>

class Velm_Zeitgeber;

namespace Spiel {

class Buttons : public Omvu::InputHandler {
public:
    // Loads the surface from "GuiKonfig.xml" in the data folder (a failed load throws) and draws
    // it over the overlay atlas and font.
    explicit Buttons(Velm_Zeitgeber* spielZeit);

    // Escape (scan code 1) as the GUI's back code.
    bool HandleKey(Omvu::Keyboard* keyboard, uint32_t code, bool pressed) override;
    // The first mouse's position, whichever mouse moved; (0, 0) without a mouse.
    bool HandleMouseMove(Omvu::Mouse* mouse, float x, float y) override;
    // Button 0 as the GUI's confirm code.
    bool HandleMouseButton(Omvu::Mouse* mouse, size_t button, bool pressed) override;
    bool HandleMouseAxis(Omvu::Mouse*, float) override { return true; }

    // Declared in this order so that the renderer goes before the surface.
    std::unique_ptr<Gui::Oberflaeche> mOberflaeche;
    std::unique_ptr<Gui::SimpelRenderer> mRenderer;
    Velm_Zeitgeber* mSpielZeit; // not owned
};

} // namespace Spiel
