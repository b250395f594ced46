#pragma once
// The GUI renderer over the engine's sprite batcher and bitmap font: every element is a few
// tinted rectangles plus text, faded in and out over 0.5 s; and the easing curves it animates with.

#include "gui/gui_renderer.h"

#include <cstdint>
#include <string>
#include <vector>

class Velm_BlockGfx3D;
class Velm_Font3D;
struct TAlphaFarbe;

namespace Gui {

class ButtonBild;

class SimpelRenderer : public Renderer {
public:
    // Rectangles stretch and tint graphic 0 of the atlas; neither is owned.
    SimpelRenderer(Velm_BlockGfx3D* atlas, Velm_Font3D* schrift);

    void BeginneZeichnen() override;
    // Each frame flushes what was queued and sets the render area to its rectangle.
    void BeginneElement(const Basis& element, const BVektor& position, const BVektor& groesse) override;
    void BeendeElement(const Basis& element) override;
    void BeendeZeichnen() override;
    void ZeichneHinweis(const Hinweis& hinweis) override;
    void ZeichneButton(const Button& button) override;
    void ZeichneText(const Text& text) override;

    // Wrapped text in a box, at a position in surface coordinates.
    void SchreibeText(float x, float y, float breite, float hoehe, const std::string& text);
    // An image (centred in a square slot on the left) and text beside it, dimmed when disabled.
    void ZeichneTextImRahmen(const BVektor& position, const BVektor& groesse, const ButtonBild& bild,
                             const std::string& text, const TAlphaFarbe& farbe, float uiScale, bool aktiv);

    // Maps a progress t (normally 0..1, not clamped) through one of 17 easing curves; kinds of 17
    // and above give 1.
    static float Verlauf(float t, uint32_t art);

private:
    struct Rahmen {
        BVektor position, groesse;
        const Basis* element;
    };

    // Rectangles first, then text: what the frame queued reaches the screen in that order.
    void Fluten();
    void SetzeBereich(const BVektor& position, const BVektor& groesse);
    void Rechteck(const BVektor& position, const BVektor& groesse, const TAlphaFarbe& farbe);

    Velm_BlockGfx3D* mAtlas;
    Velm_Font3D* mSchrift;
    BVektor mUrsprung; // the innermost open frame's position
    std::vector<Rahmen> mRahmen;
};

} // namespace Gui
