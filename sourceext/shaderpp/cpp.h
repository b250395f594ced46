#pragma once
// The shader preprocessor: a C preprocessor that runs in memory. The caller hands it one list of
// tagged options (input, output, messages, flags) and gets the preprocessed text character by character.

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>

// Option tags. A value counts as "on" when it is not 0; an absent tag keeps its default.
enum : uint32_t {
    CppTag_Ende = 0,                       // end of the list
    CppTag_KommentareBehalten = 1,         // copy comments to the output (off)
    CppTag_Definiere = 2,                  // "name=value" or "name" (value 1)
    CppTag_FehlerIgnorieren = 3,           // errors do not make the result non-zero (off)
    CppTag_IncludeVerzeichnis = 4,         // include directory, searched in the order given (up to 20)
    CppTag_KeinProgrammMakro = 5,          // accepted and stored, changes nothing
    CppTag_KeineEingebauten = 6,           // accepted and stored, changes nothing
    CppTag_KeineZeilenkommentare = 7,      // "//" starts no comment (off)
    CppTag_Groessen = 8,                   // sizes for sizeof in #if ("*" first: pointer sizes), process-wide
    CppTag_Undefiniere = 9,                // remove a macro by name
    CppTag_DefinitionenAusgeben = 10,      // write all definitions at the end; twice: with quorrcpp
    CppTag_Eingabename = 11,               // name of the main input ("[stdin]")
    CppTag_Eingabe = 12,                   // CppEingabeFn for the main input (else standard input)
    CppTag_Ausgabe = 13,                   // CppAusgabeFn, gets every output character
    CppTag_Benutzerdaten = 14,             // user data passed to the callbacks
    CppTag_Zeilenmarken = 15,              // write line markers (on)
    CppTag_Meldungen = 16,                 // CppMeldungFn for diagnostics and reports
    CppTag_WarneUnbekannte = 17,           // warn about unknown directives (off)
    CppTag_MarkenMitLine = 18,             // markers read "#line N" instead of "# N" (on)
    CppTag_Banner = 19,                    // version line through the message callback (on)
    CppTag_IncludesMelden = 20,            // report every include file opened (off)
    CppTag_KlammerBilanz = 21,             // warn about unbalanced brackets at the end (off)
    CppTag_LeerraumBehalten = 22,          // keep whitespace as it was (off)
    CppTag_KommentareVerschachtelt = 23,   // comments nest (off)
    CppTag_WarneKommentarImKommentar = 24, // warn about "/*" inside a comment (off)
    CppTag_IncludeFehlerMelden = 25,       // a missing include file is an error (on)
    CppTag_AusgabeAn = 26,                 // output on (on)
    CppTag_VorabDatei = 27,                // file read before the main input (up to 20 with tag 28)
    CppTag_VorabDatei2 = 28,               // the same as tag 27
    CppTag_PasteExpandiert = 29,           // expand a macro name after "##" before pasting (off)
    CppTag_FunktionsText = 30,             // text inserted after the opening brace of each function
    CppTag_FunktionAusnehmen = 31,         // function that gets no insertion (up to 20)
    CppTag_FunktionenMelden = 32,          // report each function definition (off)
    CppTag_EinfacheZeichen = 33,           // quotes start no literal, octal digits unchecked (off)
    CppTag_IncludeImDateiordner = 34,      // quoted includes look in the including file's folder (on)
    CppTag_DateiOeffnen = 35,              // CppOeffneFn for include files (else fopen)
};

// Returns the filled, zero-terminated buffer, or null at the end of the main input.
using CppEingabeFn = char* (*)(char* puffer, int groesse, void* benutzer, FILE* datei);
using CppAusgabeFn = void (*)(int zeichen, void* benutzer);
using CppMeldungFn = void (*)(void* benutzer, const char* format, va_list argumente);
using CppOeffneFn = FILE* (*)(const char* name, const char* modus);

// One entry of the option list; the list ends with CppTag_Ende. The value holds a flag, a number,
// a text pointer, a callback or the user data.
struct CppTag {
    uint32_t mTag;
    uint64_t mWert;
};

template <class T> CppTag cpp_Tag(uint32_t tag, T wert) {
    if constexpr (std::is_integral_v<T>)
        return {tag, static_cast<uint64_t>(wert)};
    else
        return {tag, reinterpret_cast<uintptr_t>(wert)};
}

// The processing state of one run. The caller owns it; every run starts by clearing it, so one
// record may serve many runs (one at a time).
struct CppLauf;
struct CppZustand {
    CppZustand();
    ~CppZustand();
    std::unique_ptr<CppLauf> mLauf;
};

// Preprocesses one main input with its includes. Returns 1 when errors were counted (unless
// CppTag_FehlerIgnorieren) or a fatal diagnostic was reported, else 0.
int cpp_Verarbeite(const CppTag* tags, CppZustand& zustand);

// Whether the state's last run reported a fatal diagnostic (or could not start): its output may be
// cut short anywhere.
bool cpp_Fatal(const CppZustand& zustand);
