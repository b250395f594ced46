#include "velmklassen/kern/velm_ausnahme.h"

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_konsole.h"

#include <utility>

Velm_Ausnahme::Velm_Ausnahme(std::string text, std::string funktion, std::string datei, int64_t zeile)
    : mText(std::move(text)), mFunktion(std::move(funktion)), mDatei(std::move(datei)), mZeile(zeile) {}

void Velm_WirfAusnahme(const char* text, const char* funktion, const char* datei, int64_t zeile) {
    throw Velm_Ausnahme(text, funktion, datei, zeile);
}

void Velm_Pruefbericht(const char* text, const char* funktion, const char* datei, int zeile) {
    Velm_Konsole::Schreibe("!Ausnahme \"%s\" aufgetreten in Funktion %s (%s:%d).", text, funktion, datei,
                           zeile);
    Plattform::Haltepunkt();
}
