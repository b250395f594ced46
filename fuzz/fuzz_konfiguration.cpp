// The configuration loader over arbitrary file contents: it must answer with its warning line or
// load what it can, never crash or read out of bounds. Each input is loaded, saved and reloaded.

#include "velmklassen/kern/velm_variable.h"

#include "fuzz_arbeitsordner.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const std::filesystem::path& Ordner() {
    return FuzzArbeitsOrdner("fuzz_konfiguration");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const std::filesystem::path pfad = Ordner() / "spiel.cfg";
    FILE* datei = std::fopen(pfad.c_str(), "wb");
    if (!datei)
        return 0;
    std::fwrite(daten, 1, groesse, datei);
    std::fclose(datei);

    Velm_Variable::LadeKonfiguration(Ordner(), "spiel.cfg");
    Velm_Variable::SpeichereKonfiguration();
    Velm_Variable::LadeKonfiguration(Ordner(), "spiel.cfg");
    return 0;
}
