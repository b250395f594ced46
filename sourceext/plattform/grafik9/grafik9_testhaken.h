#pragma once
// Test hooks of the graphics layer: they make a lost device and exhausted video memory, real
// paths of the engine that no software renderer ever takes by itself, reachable from tests.

#include <cstdint>

namespace Plattform {

// The next Present of the device reports D3DERR_DEVICELOST. From then on TestCooperativeLevel and
// Reset together answer D3DERR_DEVICELOST `verlorenAntworten` times (the engine's reset loop calls
// Reset alone); after that TestCooperativeLevel answers D3DERR_DEVICENOTRESET and Reset works.
void ErzwingeGeraeteVerlust(uint32_t verlorenAntworten);

// Bytes of the default pool (textures with all levels, cube textures, vertex and index buffers,
// depth surfaces) that creation may fill; beyond it creation answers D3DERR_OUTOFVIDEOMEMORY.
// 0 means no limit, the default.
void SetzeVideoSpeicherBudget(uint64_t bytes);
uint64_t VideoSpeicherBelegt();

// When on (the default, as on Direct3D 9), Reset fails with D3DERR_INVALIDCALL while the engine
// still holds a reference to a default-pool object: that is a leak across a device reset.
void SetzeResetPruefung(bool an);

} // namespace Plattform
