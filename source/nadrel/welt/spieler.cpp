#include "nadrel/welt/spieler.h"

#include "nadrel/welt/szene.h"
#include "omvu/omvu_inputsystem.h"

#include <algorithm>
#include <cmath>

namespace Spiel {

namespace {

constexpr float kZweiPi = 6.2831855f;

// Scan codes of the walking keys.
enum Taste : uint32_t {
    kW = 17,
    kA = 30,
    kS = 31,
    kD = 32,
    kShiftLinks = 42,
    kHoch = 200,
    kLinks = 203,
    kRechts = 205,
    kRunter = 208,
};

bool Gedrueckt(const Omvu::Keyboard* tastatur, uint32_t code) {
    return tastatur && tastatur->IsKeyDown(code);
}

} // namespace

void Spieler::Aktualisiere() {
    // Paused: the player keeps its velocity for later and ignores the input entirely.
    if (mWelt->SchrittTicks() == 0)
        return;
    const float dt = mWelt->Schritt();

    const Omvu::Mouse* maus = Omvu::gInstance ? Omvu::gInstance->GetFirstMouse() : nullptr;
    const Omvu::Keyboard* tastatur = Omvu::gInstance ? Omvu::gInstance->GetFirstKeyboard() : nullptr;
    const float mx = maus ? maus->GetMotionX() : 0;
    const float my = maus ? maus->GetMotionY() : 0;

    mGieren = std::fmod(mGieren + 0.01f * mx, kZweiPi);
    mNicken = std::clamp(mNicken + 0.001f * my, -kNickGrenze, kNickGrenze);

    float seitwaerts = 0;
    if (Gedrueckt(tastatur, kA) || Gedrueckt(tastatur, kLinks))
        seitwaerts = -1;
    if (Gedrueckt(tastatur, kD) || Gedrueckt(tastatur, kRechts))
        seitwaerts += 1;
    float vorwaerts = 0;
    if (Gedrueckt(tastatur, kW) || Gedrueckt(tastatur, kHoch))
        vorwaerts = 1;
    if (Gedrueckt(tastatur, kS) || Gedrueckt(tastatur, kRunter))
        vorwaerts -= 1;

    // 5 units/s sideways, 10 forward, five times that while running.
    const float sn = std::sin(-mGieren);
    const float cs = std::cos(-mGieren);
    float zielX = 5 * seitwaerts * cs - 10 * vorwaerts * sn;
    float zielZ = 5 * seitwaerts * sn + 10 * vorwaerts * cs;
    if (Gedrueckt(tastatur, kShiftLinks)) {
        zielX *= 5;
        zielZ *= 5;
    }

    // Halves the distance to the target velocity every tenth of a second, whatever the frame rate.
    const float k = 1 - std::pow(0.5f, 10 * dt);
    mGeschwindigkeit.x += (zielX - mGeschwindigkeit.x) * k;
    mGeschwindigkeit.y -= mGeschwindigkeit.y * k;
    mGeschwindigkeit.z += (zielZ - mGeschwindigkeit.z) * k;

    mPosition += mGeschwindigkeit * dt;
}

} // namespace Spiel
