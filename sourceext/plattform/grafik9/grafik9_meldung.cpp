#include "plattform/grafik9/grafik9_meldung.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace Plattform {

namespace {

constexpr char kVorsatz[] = "grafik9: ";

// Set by the engine's thread, read by whichever thread the driver reports on.
std::atomic<GrafikMeldungsZiel> gZiel{nullptr};

} // namespace

void SetzeGrafikMeldungsZiel(GrafikMeldungsZiel ziel) {
    gZiel.store(ziel);
}

void MeldeGrafik(const char* format, ...) {
    va_list argumente;
    va_start(argumente, format);
    va_list nochmal;
    va_copy(nochmal, argumente);
    const int laenge = std::vsnprintf(nullptr, 0, format, argumente);
    va_end(argumente);
    // A shader's compile log may run to many lines; it is passed whole.
    std::string zeile = kVorsatz;
    if (laenge > 0) {
        zeile.resize(sizeof kVorsatz - 1 + size_t(laenge));
        std::vsnprintf(zeile.data() + sizeof kVorsatz - 1, size_t(laenge) + 1, format, nochmal);
    }
    va_end(nochmal);
    if (const GrafikMeldungsZiel ziel = gZiel.load()) {
        ziel(zeile.c_str());
    } else {
        std::fprintf(stderr, "%s\n", zeile.c_str());
    }
}

} // namespace Plattform
