#include "velmklassen/kern/velm_system.h"

#include "plattform/system/plattform_ordner.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cstdarg>
#include <cstdio>

namespace {

// The global object is built before the log starts, so its lines are dropped there. Errors go to
// standard error as well: a process that ends in static initialisation would otherwise end
// without saying why.
__attribute__((format(printf, 1, 2))) void MeldeFehler(const char* format, ...) {
    char text[2048];
    va_list argumente;
    va_start(argumente, format);
    std::vsnprintf(text, sizeof text, format, argumente);
    va_end(argumente);
    Velm_Konsole::Schreibe("%s", text);
    std::fprintf(stderr, "%s\n", text);
}

bool IstBinOrdner(const std::filesystem::path& ordner) {
    const std::string name = ordner.filename().string();
    return name == "bin32" || name == "bin64";
}

} // namespace

Velm_System& Velm_System::Global() {
    static Velm_System system;
    return system;
}

// Like the rest of the engine core's process-wide objects, the system object exists before the
// program entry runs.
[[maybe_unused]] static Velm_System& gSystemBeimStart = Velm_System::Global();

Velm_System::Velm_System()
    : Velm_System(Plattform::ProgrammPfad(), Plattform::DatenOrdner(), Plattform::BenutzerName()) {
    // The writers of screenshots, the configuration and the log handle a failed write and go on.
    Plattform::DateiGrenzeAlsFehler();
}

Velm_System::Velm_System(const std::optional<std::filesystem::path>& programmPfad,
                         const std::optional<std::filesystem::path>& datenOrdner,
                         const std::string& benutzerName) {
    if (!programmPfad) {
        MeldeFehler("!Unable to obtain path to executable.");
        MeldeFehler("!Now we are all going to die.");
        VELM_WIRF("Unable to obtain path to game executable.", "Velm_System::Velm_System");
    }

    // Only '/' separates: a backslash is an ordinary character of a Linux file name.
    mAnwendungsOrdner = programmPfad->parent_path();
    if (IstBinOrdner(mAnwendungsOrdner))
        mAnwendungsOrdner = mAnwendungsOrdner.parent_path();

    std::filesystem::path basis;
    if (datenOrdner) {
        basis = *datenOrdner;
    } else {
        Velm_Konsole::Schreibe("?Unable to obtain path to \"AppData\". Trying application directory...");
        basis = mAnwendungsOrdner;
    }
    mBenutzerName = benutzerName;
    mBenutzerOrdner = basis / kSpielOrdner;

    std::error_code fehler;
    if (!std::filesystem::exists(mBenutzerOrdner, fehler)) {
        std::filesystem::create_directories(mBenutzerOrdner, fehler);
        if (fehler)
            MeldeFehler("!Unable to create user data path \"%s\". This will end in tears.",
                        mBenutzerOrdner.c_str());
    }

    if (mBenutzerName.empty()) {
        Velm_Konsole::Schreibe("?Unable to obtain user name. Using dummy name instead...");
        mBenutzerName = "user";
    }
}

void Velm_System::Beenden(const std::string&) {
    Global().mBeenden = true;
}
