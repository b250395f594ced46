#include "plattform/eingabe/plattform_eingabe_skript.h"

namespace Plattform {

RohSatz SkriptEingabe::Taste(uint64_t geraet, uint32_t code, bool gedrueckt, uint32_t zeichen) {
    RohSatz s;
    s.art = GeraeteArt::Tastatur;
    s.geraet = geraet;
    s.tastatur.code = code;
    s.tastatur.gedrueckt = gedrueckt;
    s.tastatur.uebersetzung = zeichen ? 1 : 0;
    s.tastatur.zeichen = zeichen;
    return s;
}

RohSatz SkriptEingabe::TotTaste(uint64_t geraet, uint32_t code, uint32_t akzent) {
    RohSatz s = Taste(geraet, code, true);
    s.tastatur.uebersetzung = 2;
    s.tastatur.zeichen = akzent;
    return s;
}

RohSatz SkriptEingabe::Knopf(uint64_t geraet, unsigned knopf, bool gedrueckt) {
    RohSatz s;
    s.geraet = geraet;
    s.maus.knopfFlags = gedrueckt ? MausKnopfRunter(knopf) : MausKnopfHoch(knopf);
    return s;
}

RohSatz SkriptEingabe::Rad(uint64_t geraet, int16_t menge) {
    RohSatz s;
    s.geraet = geraet;
    s.maus.knopfFlags = kMausRad;
    s.maus.knopfDaten = menge;
    return s;
}

RohSatz SkriptEingabe::Bewegung(uint64_t geraet, int32_t dx, int32_t dy, bool absolut) {
    RohSatz s;
    s.geraet = geraet;
    s.maus.flags = absolut ? kMausAbsolut : 0;
    s.maus.x = dx;
    s.maus.y = dy;
    return s;
}

void SkriptEingabe::Pumpe(const RohSatz& satz) {
    if (mEmpfaenger)
        mEmpfaenger(satz);
}

ListenStatus SkriptEingabe::LiesGeraeteliste(std::vector<RohGeraet>& liste) {
    if (listenStatus == ListenStatus::Ok)
        liste = geraete;
    return listenStatus;
}

bool SkriptEingabe::LiesSatz(RohSatz& satz) {
    if (puffer.empty())
        return false;
    satz = puffer.front();
    puffer.pop_front();
    return true;
}

bool SkriptEingabe::LiesCursor(float& x, float& y) {
    if (!cursorLesbar)
        return false;
    x = cursorX;
    y = cursorY;
    return true;
}

std::string SkriptEingabe::TastenName(uint32_t code) {
    return FesterTastenName(code);
}

bool SkriptEingabe::PadListe(std::vector<uint32_t>& produktWorte) {
    produktWorte = padListe;
    return padListeLesbar;
}

bool SkriptEingabe::LiesPad(uint64_t padIndex, PadZustand& zustand) {
    ++padLesungen[padIndex];
    const auto it = pads.find(padIndex);
    if (it == pads.end())
        return false;
    zustand = it->second;
    return true;
}

bool SkriptEingabe::LiesJoystick(uint64_t handle, JoystickZustand& zustand) {
    const auto it = joysticks.find(handle);
    if (it == joysticks.end())
        return false;
    zustand = it->second;
    return true;
}

} // namespace Plattform
