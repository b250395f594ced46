#include "nadrel/spiel/bildschirmfoto.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <cstdio>

namespace Spiel {

std::filesystem::path SpeichereBildschirmfoto(Velm_ZeichenKontext& kontext,
                                              const std::filesystem::path& ordner) {
    // An existing folder is no error; a file of that name is.
    std::error_code fehler;
    if (std::filesystem::create_directory(ordner, fehler); fehler) {
        Velm_Konsole::Schreibe("!Screenshot folder \"%s\" cannot be created: %s", ordner.c_str(),
                               fehler.message().c_str());
        return {};
    }

    Velm_Bild bild(uint64_t(Velm_Screen3D::mDarstellung.mBreite),
                   uint64_t(Velm_Screen3D::mDarstellung.mHoehe), Velm_FormatA8R8G8B8, 1);
    if (!kontext.LiesBildschirmInhalt(bild)) {
        Velm_Konsole::Schreibe("!Screenshot not saved: the back buffer cannot be read.");
        return {};
    }

    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot%04d.png", i);
        const std::filesystem::path pfad = ordner / name;
        if (std::filesystem::exists(pfad, fehler))
            continue;
        if (!bild.SpeicherePNG(pfad)) {
            Velm_Konsole::Schreibe("!Screenshot \"%s\" cannot be written.", pfad.c_str());
            return {};
        }
        Velm_Konsole::Schreibe("Screenshot saved as \"%s\".", pfad.c_str());
        return pfad;
    }
    return {};
}

} // namespace Spiel
