#pragma once
// Test hooks of the graphics layer: they make a lost device, a GPU reset and exhausted video memory,
// real paths of the engine that no software renderer ever takes by itself, reachable from tests.

#include <cstdint>

namespace Plattform {

// The next Present of the device reports D3DERR_DEVICELOST. From then on TestCooperativeLevel and
// Reset together answer D3DERR_DEVICELOST `verlorenAntworten` times (the engine's reset loop calls
// Reset alone); after that TestCooperativeLevel answers D3DERR_DEVICENOTRESET and Reset works.
void ErzwingeGeraeteVerlust(uint32_t verlorenAntworten);

// The next check of the reset status, right after Present's swap, reports a GPU reset, as a driver
// with reset notification does once it has recovered from a hang (llvmpipe never resets); the
// `nochLaufend` checks after it, TestCooperativeLevel's, report the reset still in progress. The
// device then takes the path of a real loss: Present answers D3DERR_DEVICELOST, and Reset replaces
// the context with a new one.
void ErzwingeKontextVerlust(uint32_t nochLaufend);

// The next `anzahl` new contexts that Reset makes after a GPU reset cannot be made, as when the
// driver has not yet recovered: Reset answers D3DERR_DEVICELOST and the device holds no context.
void ErzwingeKontextFehler(uint32_t anzahl);

// TestCooperativeLevel answers D3DERR_DEVICELOST for at most this many checks of a reset the driver
// still reports; one that never stops reporting it is not waited for.
constexpr uint32_t kLaufendeResetsHoechstens = 40;

// When on, every context the device makes reports OpenGL's errors through its debug output: each
// goes out as a layer line and is counted. A name that a context never made is an error in it, so tests see
// whether anything of a lost context is still used in the new one.
void BeobachteGlFehler(bool an);
uint64_t GlFehlerAnzahl();

// Bytes of the default pool (textures with all levels, cube textures, vertex and index buffers,
// depth surfaces) that creation may fill; beyond it creation answers D3DERR_OUTOFVIDEOMEMORY.
// 0 means no limit, the default.
void SetzeVideoSpeicherBudget(uint64_t bytes);
uint64_t VideoSpeicherBelegt();

// When on (the default, as on Direct3D 9), Reset fails with D3DERR_INVALIDCALL while the engine
// still holds a reference to a default-pool object: that is a leak across a device reset.
void SetzeResetPruefung(bool an);

} // namespace Plattform
