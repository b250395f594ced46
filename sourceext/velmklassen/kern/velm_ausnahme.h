#pragma once
// The engine's two ways of reporting failures: `Velm_Ausnahme` ends the current operation and is
// caught by the program entry; the check report logs a broken precondition, breaks, and carries on.

#include <cstdint>
#include <string>

class Velm_Ausnahme {
public:
    Velm_Ausnahme(std::string text, std::string funktion, std::string datei, int64_t zeile);

    std::string mText;
    std::string mFunktion; // "Klasse::Methode" of the raising site
    std::string mDatei;
    int64_t mZeile;
};

[[noreturn]] void Velm_WirfAusnahme(const char* text, const char* funktion, const char* datei, int64_t zeile);

// Writes "!Ausnahme ... aufgetreten in Funktion ..." and breaks into the debugger (or the crash
// handler). Returns when a debugger or a test hook continues.
void Velm_Pruefbericht(const char* text, const char* funktion, const char* datei, int zeile);

// Every throwing site and every check names itself with a "Klasse::Methode" literal.
#define VELM_WIRF(text, funktion) Velm_WirfAusnahme((text), (funktion), __FILE__, __LINE__)
#define VELM_BERICHT(text, funktion) Velm_Pruefbericht((text), (funktion), __FILE__, __LINE__)
// True when the condition holds; otherwise reports and yields false, so a site can skip the
// unsafe part of its work: `if (!VELM_PRUEFE(n <= k, "...", "TSpeicher::X")) return;`
#define VELM_PRUEFE(bedingung, text, funktion)                                                               \
    ((bedingung) ? true : (Velm_Pruefbericht((text), (funktion), __FILE__, __LINE__), false))
