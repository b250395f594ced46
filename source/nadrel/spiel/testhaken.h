#pragma once
// Switches from the environment for tests and measurements: a fixed world seed, a fixed game step,
// a frame limit, a deliberate crash and a GPU reset. Unset, the game runs exactly as it does for a
// player.

#include "velmklassen/kern/velm_zeitgeber.h"

#include <cstdint>
#include <optional>

namespace Spiel {

struct Testhaken {
    // NADREL_SAAT: the world's random seed in place of the performance counter.
    std::optional<uint32_t> mSaat;
    // NADREL_SCHRITT: seconds the game timer advances each frame, whatever the real time.
    int64_t mSchrittTicks = 0;
    // NADREL_BILDER: after this many frames the game asks to quit; 0 is no limit.
    uint64_t mBildgrenze = 0;
    // NADREL_ABSTURZ: in this frame the game writes through a null pointer, so that the crash
    // report can be checked from end to end; 0 is never.
    uint64_t mAbsturzBild = 0;
    // NADREL_GPURESET: at the present of this frame the graphics driver reports a GPU reset, and
    // still reports it at the next two checks, so that the recovery from a real device loss can be
    // checked from end to end (the software renderer never resets); 0 is never.
    uint64_t mGpuResetBild = 0;
    // NADREL_KONTEXTFEHLER: after that GPU reset, this many attempts at a new context fail, as on
    // a driver that recovers slowly; the game goes on without drawing until one succeeds.
    uint32_t mKontextFehler = 0;

    // The counter the game timer measures with: the performance counter, or one that advances
    // by the fixed step at every reading.
    Velm_Zeitgeber::Zaehler Zaehler() const;
};

// The fault of NADREL_ABSTURZ: a write to address 0 that the compiler cannot see through.
[[noreturn]] void LoeseAbsturzAus();

// Reads the variables; a value that is not a number counts as unset, with a "?" line.
Testhaken LiesTesthaken();

} // namespace Spiel
