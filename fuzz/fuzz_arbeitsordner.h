// A scratch folder for fuzz targets that must hand their input to a loader as a file: one per
// fuzzing process, under the system's temporary folder, removed when the process ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>

inline const std::filesystem::path& FuzzArbeitsOrdner(const char* name) {
    struct TOrdner {
        explicit TOrdner(const char* name) {
            std::random_device zufall;
            mPfad = std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(zufall()));
            std::filesystem::create_directories(mPfad);
        }
        ~TOrdner() {
            std::error_code fehler;
            std::filesystem::remove_all(mPfad, fehler);
        }
        std::filesystem::path mPfad;
    };
    static const TOrdner ordner(name);
    return ordner.mPfad;
}
