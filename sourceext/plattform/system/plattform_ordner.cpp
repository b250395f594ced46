#include "plattform/system/plattform_ordner.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace Plattform {

namespace {

// The user database entry of the effective user, copied out while its buffer lives.
struct Nutzereintrag {
    std::string mName;
    std::string mHeim;
};

std::optional<Nutzereintrag> LiesNutzereintrag() {
    const long vorschlag = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> puffer(vorschlag > 0 ? size_t(vorschlag) : 1024);
    passwd eintrag{};
    passwd* gefunden = nullptr;
    for (;;) {
        const int fehler = getpwuid_r(geteuid(), &eintrag, puffer.data(), puffer.size(), &gefunden);
        if (fehler == ERANGE && puffer.size() < (size_t(1) << 20)) {
            puffer.resize(puffer.size() * 2);
            continue;
        }
        if (fehler != 0 || !gefunden)
            return std::nullopt;
        return Nutzereintrag{gefunden->pw_name ? gefunden->pw_name : "",
                             gefunden->pw_dir ? gefunden->pw_dir : ""};
    }
}

// A variable that names a folder counts only when it is set to an absolute path; the XDG rules
// ask to ignore relative ones.
std::optional<std::filesystem::path> AbsoluterOrdner(const char* variable) {
    const char* wert = std::getenv(variable);
    if (!wert || wert[0] != '/')
        return std::nullopt;
    return std::filesystem::path(wert);
}

} // namespace

std::optional<std::filesystem::path> ProgrammPfad() {
    std::vector<char> puffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", puffer.data(), puffer.size());
        if (n <= 0)
            return std::nullopt;
        if (size_t(n) < puffer.size())
            return std::filesystem::path(std::string(puffer.data(), size_t(n)));
        // The link may have been cut at the buffer's end: try again with more room.
        if (puffer.size() >= (size_t(1) << 20))
            return std::nullopt;
        puffer.resize(puffer.size() * 2);
    }
}

std::optional<std::filesystem::path> DatenOrdner() {
    if (auto ordner = AbsoluterOrdner("XDG_DATA_HOME"))
        return ordner;
    if (auto heim = AbsoluterOrdner("HOME"))
        return *heim / ".local" / "share";
    const std::optional<Nutzereintrag> eintrag = LiesNutzereintrag();
    if (!eintrag || eintrag->mHeim.empty() || eintrag->mHeim[0] != '/')
        return std::nullopt;
    return std::filesystem::path(eintrag->mHeim) / ".local" / "share";
}

std::string BenutzerName() {
    const std::optional<Nutzereintrag> eintrag = LiesNutzereintrag();
    return eintrag ? eintrag->mName : std::string();
}

} // namespace Plattform
