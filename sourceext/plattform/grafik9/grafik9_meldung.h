#pragma once
// Where the graphics layer's lines go: the cause behind a call that failed, or a notice (a GPU
// reset, a driver without reset notification). Direct3D 9 told such causes to the debugger only.

namespace Plattform {

// Receives one line, "grafik9: " in front, without a line end. The layer does not know whether its
// caller recovers from the failure it explains, so a line carries no severity of its own.
using GrafikMeldungsZiel = void (*)(const char* zeile);
// From now on every line goes to `ziel`; null (the default) writes them to stderr.
void SetzeGrafikMeldungsZiel(GrafikMeldungsZiel ziel);

// The layer's own: one line, printf-style, to the sink or stderr.
void MeldeGrafik(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace Plattform
