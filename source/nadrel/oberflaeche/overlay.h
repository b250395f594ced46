#pragma once
// The 2D graphics the game draws over the scene: three sprites in one atlas (the GUI's rectangle,
// a spare, the key icon) and one font, made once at start-up and kept until the process ends.

#include <cstdint>
#include <filesystem>

class Velm_BlockGfx3D;
class Velm_Font3D;

namespace Spiel {

// Sprite ids of the overlay atlas.
enum : uint64_t { kOverlayRechteck = 0, kOverlayReserve = 1, kOverlaySchluessel = 2 };

// Null until `LadeOverlay` has run; never released.
extern Velm_BlockGfx3D* gOverlayAtlas;
extern Velm_Font3D* gOverlayFont;

// The read-only data folder "Daten" below the application folder of the system object.
std::filesystem::path DatenOrdner();

// Loads "grafik.png" into the overlay atlas and rasterises "calibrib.ttf" into the overlay font,
// whose text then waits for the caller to flush it. A missing or unusable file throws
// `Velm_Ausnahme` naming it, and both pointers stay as they were.
void LadeOverlay();

} // namespace Spiel
