#include "nadrel/spiel/testhaken.h"

#include "velmklassen/kern/velm_konsole.h"

#include <cstdlib>
#include <string>

namespace Spiel {

namespace {

// The game timer takes a plain function, so the fixed counter's state lives here; one run of the
// game builds one game timer.
int64_t gFesterSchritt = 0;
int64_t gFesteZeit = 0;

int64_t FesterZaehler() {
    gFesteZeit += gFesterSchritt;
    return gFesteZeit;
}

std::optional<double> LiesZahl(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == 0)
        return std::nullopt;
    char* ende = nullptr;
    const double wert = std::strtod(text, &ende);
    if (*ende != 0 || !(wert >= 0) || wert > 4294967295.0) {
        Velm_Konsole::Schreibe("?%s=\"%s\" ist keine Zahl von 0 bis 2^32-1 und bleibt unbeachtet.", name,
                               text);
        return std::nullopt;
    }
    return wert;
}

} // namespace

Velm_Zeitgeber::Zaehler Testhaken::Zaehler() const {
    if (mSchrittTicks <= 0)
        return &Plattform::LiesZaehler;
    gFesterSchritt = mSchrittTicks;
    gFesteZeit = 0;
    return &FesterZaehler;
}

// The fault must reach the processor in the sanitizer build too, not be reported before it.
__attribute__((no_sanitize("null"))) void LoeseAbsturzAus() {
    volatile int* volatile ziel = nullptr;
    *ziel = 1;
    // Only when address 0 is mapped after all.
    std::abort();
}

Testhaken LiesTesthaken() {
    Testhaken haken;
    if (const auto saat = LiesZahl("NADREL_SAAT"))
        haken.mSaat = uint32_t(*saat);
    if (const auto schritt = LiesZahl("NADREL_SCHRITT"))
        haken.mSchrittTicks = int64_t(*schritt * gZaehlerFrequenzD);
    if (const auto bilder = LiesZahl("NADREL_BILDER"))
        haken.mBildgrenze = uint64_t(*bilder);
    if (const auto bild = LiesZahl("NADREL_ABSTURZ"))
        haken.mAbsturzBild = uint64_t(*bild);
    if (const auto bild = LiesZahl("NADREL_GPURESET"))
        haken.mGpuResetBild = uint64_t(*bild);
    if (const auto fehler = LiesZahl("NADREL_KONTEXTFEHLER"))
        haken.mKontextFehler = uint32_t(*fehler);
    return haken;
}

} // namespace Spiel
