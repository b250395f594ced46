#include "velmklassen/kern/velm_ausnahme.h"

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cstdio>
#include <utility>

Velm_Ausnahme::Velm_Ausnahme(std::string text, std::string funktion, std::string datei, int64_t zeile)
    : mText(std::move(text)), mFunktion(std::move(funktion)), mDatei(std::move(datei)), mZeile(zeile) {}

void Velm_WirfAusnahme(const char* text, const char* funktion, const char* datei, int64_t zeile) {
    throw Velm_Ausnahme(text, funktion, datei, zeile);
}

void Velm_Pruefbericht(const char* text, const char* funktion, const char* datei, int zeile) {
    constexpr const char* kFormat = "!Ausnahme \"%s\" aufgetreten in Funktion %s (%s:%d).";
    if (Velm_Konsole::AufHauptfaden()) {
        Velm_Konsole::Schreibe(kFormat, text, funktion, datei, zeile);
    } else {
        // Queued, the line would wait for a flush of the main thread that the break may never let
        // come: it goes to the log file and standard error at once.
        char bericht[2048];
        std::snprintf(bericht, sizeof bericht, kFormat, text, funktion, datei, zeile);
        Velm_Konsole::SchreibeDirekt(bericht, 2);
    }
    Plattform::Haltepunkt();
}
