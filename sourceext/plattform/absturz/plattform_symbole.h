#pragma once
// A process's modules with their symbols, source files and lines, read through libdw from the
// files the process runs from, even where they were rebuilt or deleted since; nothing is fetched
// over the network. Not signal-safe: it opens files and allocates.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Plattform {

// What is known of a module's symbols, numbered as the stack walker's table of symbol kinds.
enum class SymbolArt : uint32_t {
    Keine = 0,
    Voll = 3,        // DWARF debug information: functions, files and lines
    Exportiert = 4,  // only the dynamic symbol table
    Verzoegert = 5,  // not read yet; read at the first look-up
    Symboltabelle = 6,
};

struct SymbolModul {
    std::string mPfad;   // the file the module was loaded from
    std::string mName;   // its file name
    std::string mDebugDatei; // where its debug information came from, "" when not read
    uint64_t mBasis = 0;
    uint64_t mGroesse = 0;
    SymbolArt mArt = SymbolArt::Verzoegert;
};

class Symbole {
public:
    // Reports every module of process `prozess` (0: this one), which must allow this one to trace
    // it; `suchpfad` lists folders for separate debug files in libdw's form (colon-separated; "" is
    // the module's own folder, ".debug" below it).
    Symbole(const std::string& suchpfad, uint32_t prozess);
    ~Symbole();
    Symbole(const Symbole&) = delete;
    Symbole& operator=(const Symbole&) = delete;

    bool Bereit() const;
    std::vector<SymbolModul> Module() const;

    // The module at an address, its symbols read.
    bool Modul(uint64_t adresse, SymbolModul& modul) const;
    // The linkage (mangled) name of the function at the address, without a symbol version
    // ("@GLIBC_2.34"), and the distance from its start.
    bool Name(uint64_t adresse, std::string& name, uint64_t& versatz) const;
    bool Zeile(uint64_t adresse, std::string& datei, int& zeile) const;

private:
    struct Zustand;
    std::unique_ptr<Zustand> mZustand;
};

} // namespace Plattform
