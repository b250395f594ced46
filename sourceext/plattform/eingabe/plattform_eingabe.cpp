#include "plattform/eingabe/plattform_eingabe.h"

#include "plattform/system/plattform_system.h"

#include <atomic>

namespace Plattform {

std::unique_ptr<EingabeQuelle> OeffneGlfwEingabe(GLFWwindow* fenster);

namespace {
std::atomic<EingabeFabrik> gFabrik{nullptr};
std::atomic<EingabeUhrHaken> gUhr{nullptr};
} // namespace

std::unique_ptr<EingabeQuelle> OeffneEingabe(GLFWwindow* fenster) {
    if (const EingabeFabrik fabrik = gFabrik.load())
        return fabrik(fenster);
    return OeffneGlfwEingabe(fenster);
}

EingabeFabrik SetzeEingabeFabrik(EingabeFabrik fabrik) {
    return gFabrik.exchange(fabrik);
}

uint32_t EingabeUhr() {
    if (const EingabeUhrHaken uhr = gUhr.load())
        return uhr();
    return uint32_t(LiesZaehler() / (kZaehlerFrequenz / 1000));
}

EingabeUhrHaken SetzeEingabeUhr(EingabeUhrHaken uhr) {
    return gUhr.exchange(uhr);
}

} // namespace Plattform
