#pragma once
// The player: looks around with the first mouse and walks with the first keyboard (W/A/S/D or
// the arrows, Shift to run). The camera sits at its position.

#include "nadrel/welt/objekt.h"

namespace Spiel {

class Spieler : public Objekt {
public:
    static constexpr float kNickGrenze = 0.7539822f;

    using Objekt::Objekt;

    void Aktualisiere() override;

    Vektor mGeschwindigkeit;
    // Radians; the yaw stays within plus or minus 2 pi.
    float mGieren = 0;
    float mNicken = 0;
};

} // namespace Spiel
