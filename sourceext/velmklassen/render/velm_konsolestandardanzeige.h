#pragma once
// The on-screen console: a half-transparent panel over the top 400 pixels of the screen with the
// latest log lines, and an input line below it for console commands.

#include "omvu/omvu_inputhandler.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_konsolenstand.h"

#include <filesystem>
#include <memory>

class Velm_BlockGfx3D;
class Velm_Font3D;

// The log's display for its whole life; while open also the input system's receiver, which takes
// every key of its table and every character the font can show.
class Velm_KonsoleStandardAnzeige : public Velm_KonsoleBasisAnzeige, public Omvu::InputHandler {
public:
    // A font file that cannot be loaded leaves an empty font: panel and cursor without text.
    explicit Velm_KonsoleStandardAnzeige(const std::filesystem::path& schriftDatei);
    ~Velm_KonsoleStandardAnzeige() override;

    void NeueZeile(const char* zeile) override;
    bool HandleKey(Omvu::Keyboard* tastatur, uint32_t code, bool gedrueckt) override;
    bool HandleCharacter(Omvu::Keyboard* tastatur, uint32_t codepunkt) override;

    // Draws the panel while it is shown. A log line's colour follows the mark behind its prefix:
    // "?" yellow and "!" red (the mark is not drawn), ">" green, anything else white.
    void Zeichne();

    // First of the members: the log delivers lines from the moment the base is built, also
    // those the batcher and the font write while they are made.
    Velm_KonsolenStand mStand;
    // Both set and cleared by the frame loop's console toggle.
    bool mGezeigt = false;
    bool mOffen = false;
    std::unique_ptr<Velm_BlockGfx3D> mGrafik; // graphic 0: white at half alpha
    std::unique_ptr<Velm_Font3D> mSchrift;
};
