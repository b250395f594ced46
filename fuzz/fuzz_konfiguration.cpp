// The configuration loader over arbitrary file contents: it must answer with its warning line or
// load what it can, never crash or read out of bounds. Each input is loaded, saved and reloaded.

#include "velmklassen/kern/velm_variable.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

// One folder per fuzzing process, removed when it ends.
struct TArbeitsOrdner {
    TArbeitsOrdner() {
        std::random_device zufall;
        mPfad = std::filesystem::temp_directory_path() / ("fuzz_konfiguration_" + std::to_string(zufall()));
        std::filesystem::create_directories(mPfad);
    }
    ~TArbeitsOrdner() {
        std::error_code fehler;
        std::filesystem::remove_all(mPfad, fehler);
    }
    std::filesystem::path mPfad;
};

const std::filesystem::path& Ordner() {
    static const TArbeitsOrdner ordner;
    return ordner.mPfad;
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
