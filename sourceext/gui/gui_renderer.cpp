#include "gui/gui_renderer.h"

#include "gui/gui_widgets.h"

namespace Gui {

void Renderer::ZeichneHinweis(const Hinweis& hinweis) {
    ZeichneLeer(hinweis);
}

void Renderer::ZeichneButton(const Button& button) {
    ZeichneLeer(button);
}

void Renderer::ZeichneText(const Text& text) {
    ZeichneLeer(text);
}

} // namespace Gui
