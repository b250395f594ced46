#pragma once
// The level builder: fills an empty world with clusters of hills, each one point cloud of ground
// and trees, the player at the south-west end, the key at the north-east end and the ghosts.

namespace Spiel {

class Szene;

constexpr unsigned kBodenAttribut = 0x7A02FF66;

// Every value comes from the process-wide random generator, so one seed gives one level. The
// world's clock is set and its tables are empty.
void BaueSzene(Szene& welt);

} // namespace Spiel
