#pragma once
// Screenshots: the back buffer as "screenshot%04d.png" under the first free number in a folder.

#include <cstdint>
#include <filesystem>

class Velm_ZeichenKontext;

namespace Spiel {

// Creates the folder when it is missing (one level). Returns the file written, or an empty path
// when the folder cannot be made, the back buffer cannot be read, the image cannot be written
// (each with a "!" line) or all 10,000 names are taken (silently).
std::filesystem::path SpeichereBildschirmfoto(Velm_ZeichenKontext& kontext,
                                              const std::filesystem::path& ordner);

} // namespace Spiel
