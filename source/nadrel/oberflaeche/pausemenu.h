#pragma once
// The modal in-game menu that Escape opens: "Pause" over the buttons "Weiter" and "Ende". The game
// timer stands still while it exists; its destructor resumes the game or asks the program to end.

#include "gui/gui_basis.h"

#include "velmklassen/kern/velm_zeitgeber.h"

#include <cstdint>

namespace Spiel {

class PauseMenu : public Gui::VaterBasis {
public:
    enum Ergebnis : int32_t { kWeiter = 0, kEnde = 1 };

    // Pauses the timer and covers the middle half of the screen; the owner adds it to the surface.
    explicit PauseMenu(Velm_Zeitgeber* spielZeit);
    ~PauseMenu() override;

    bool IstModal() const override { return true; }

    // Set the result, hide the menu and have it deleted 0.1 s later on the global timer. Only
    // the first activation counts: the menu is closing from then on.
    void BeiWeiter();
    void BeiEnde();

    bool SchliesstSich() const { return mLoeschAufruf != Velm_Zeitgeber::kKeinAufruf; }

    Velm_Zeitgeber* mSpielZeit; // not owned
    int32_t mErgebnis = kWeiter;

private:
    void Schliesse(Ergebnis ergebnis);

    uint64_t mLoeschAufruf = Velm_Zeitgeber::kKeinAufruf;
};

} // namespace Spiel
