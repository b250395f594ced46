// A program that does to its own file what a developer's rebuild does to a running game, then
// writes through a null pointer:
//     absturzkind <folder> bleibt            the file stays
//     absturzkind <folder> geloescht         the file is deleted
//     absturzkind <folder> ersetzt <other>   <other> is renamed over it
// The log and the dump go to <folder>; the exit code 3 tells that the file could not be changed.

#include "plattform/absturz/plattform_absturz.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <filesystem>
#include <string>

namespace {

volatile int gNull = 0;

__attribute__((noinline, no_sanitize("null"))) void SchreibeNull() {
    *reinterpret_cast<volatile int*>(uintptr_t(gNull)) = 1;
}

bool AendereDatei(const std::string& art, int argc, char** argv) {
    const std::filesystem::path selbst = Plattform::ProgrammPfadText();
    std::error_code fehler;
    if (art == "geloescht")
        return std::filesystem::remove(selbst, fehler);
    if (art == "ersetzt" && argc > 3) {
        std::filesystem::rename(argv[3], selbst, fehler);
        return !fehler;
    }
    return art == "bleibt";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    Velm_System::Global().mBenutzerOrdner = argv[1];
    t_logfile.SetBool(true);
    Velm_Konsole::Starte(argv[1], "spiel.log");
    if (!AendereDatei(argv[2], argc, argv))
        return 3;
    SchreibeNull();
    return 0;
}
