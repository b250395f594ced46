#include "velmklassen/kern/velm_programmvariablen.h"

namespace {
// The display variables take every change; the screen reads them when it (re)creates the device.
bool AkzeptiereJedeAenderung(Velm_Variable&, bool, const std::string&) {
    return true;
}

constexpr uint32_t kGespeichert = Velm_Variable::kGespeichert;
} // namespace

Velm_Variable zeigeFps("zeigeFps", true, kGespeichert);
Velm_Variable t_konfig("t_konfig", "programm.cfg", Velm_Variable::kSchreibgeschuetzt);
Velm_Variable displaywidth("displaywidth", 0, kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable displayheight("displayheight", 0, kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable displaydepth("displaydepth", 32, kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable fullscreen("fullscreen", true, kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable vsync("vsync", true, kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable debugShader("debugShader", true, kGespeichert);
Velm_Variable sprache("sprache", -1, kGespeichert);
