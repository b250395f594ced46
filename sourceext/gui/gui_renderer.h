#pragma once
// The interface through which a GUI tree is drawn: the surface brackets the frame and each
// top-level element, and each element calls the one operation that draws its kind.

#include "velmklassen/kern/velm_vektor.h"

namespace Gui {

class Basis;
class Button;
class Hinweis;
class Text;

class Renderer {
public:
    virtual ~Renderer() = default;

    virtual void BeginneZeichnen() {}
    // Enters a frame rectangle in surface coordinates.
    virtual void BeginneElement(const Basis&, const BVektor& /*position*/, const BVektor& /*groesse*/) {}
    virtual void BeendeElement(const Basis&) {}
    virtual void BeendeZeichnen() {}

    // Slots kept for element kinds this toolkit does not have; drawn like elements without a look.
    virtual void ZeichneFremd5(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneFremd6(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneFremd7(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneFremd8(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneFremd9(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneFremd10(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneHinweis(const Hinweis& hinweis);
    virtual void ZeichneFremd12(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneButton(const Button& button);
    virtual void ZeichneFremd14(const Basis& element) { ZeichneLeer(element); }
    virtual void ZeichneText(const Text& text);
    // An element without a look of its own.
    virtual void ZeichneLeer(const Basis&) {}
};

} // namespace Gui
