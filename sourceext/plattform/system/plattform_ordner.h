#pragma once
// Where the program and the user live on Linux: the running executable, the user's data folder
// (the XDG base directory rules) and the login name of the effective user.

#include <filesystem>
#include <optional>
#include <string>

namespace Plattform {

// The running executable's absolute path, from /proc/self/exe; nothing when it cannot be read.
std::optional<std::filesystem::path> ProgrammPfad();

// The user's data folder, not created here: $XDG_DATA_HOME when it is absolute, else
// $HOME/.local/share when $HOME is absolute, else the home folder of the user database entry
// followed by .local/share; nothing when none of them is known.
std::optional<std::filesystem::path> DatenOrdner();

// The login name of the effective user; "" when the user database has no entry for it, as for
// an arbitrary uid in a container.
std::string BenutzerName();

} // namespace Plattform
