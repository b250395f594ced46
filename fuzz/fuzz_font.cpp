// Font files: loading must never read past the data, and whatever loads must measure, wrap and
// queue text and survive a save-and-load round trip. The atlas is a GPU resource, so the target
// draws on a drawing context without a window.

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Pruefe(bool bedingung) {
    if (!bedingung)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Corrupt files raise check reports; here they only have to be survived.
    Plattform::SetzeHaltepunktHaken([] {});
    debugShader.SetBool(false);
    Velm_Screen3D::mDarstellung = {64, 64, 0, 0};
    Velm_Screen3D::mFlags = 0;
    Velm_Screen3D::Kontext = new Velm_ZeichenKontext();
    // Keeps the shared sprite pipeline alive, so it is not compiled anew for every input.
    static Velm_BlockGfx3D halter(0, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    TSpeicher speicher;
    speicher.SchreibeBlock(daten, groesse);
    speicher.ZumAnfang();
    Velm_Font3D font;
    if (!font.InternLaden(speicher, "fuzz")) {
        Pruefe(font.mBuchstaben.empty());
        return 0;
    }
    font.mSofortZeichnen = false;
    const char* texte[] = {"Hallo Welt", "\xC3\xA9\xD0\x96 ~'!", "\xE2\x82", "A\xC3",
                           "\xF0\x9F\x98\x80 x\ny"};
    for (const char* text : texte) {
        font.GetTextBreite(text);
        font.ZeichneText(10, 10, text);
        font.ZeichneTextImBereich(0, 0, 40, 30, "%s %s", text, text);
    }
    font.ZeichneWarteschlange();

    TSpeicher gespeichert;
    font.InternSpeichern(gespeichert);
    gespeichert.ZumAnfang();
    Velm_Font3D wieder;
    Pruefe(wieder.InternLaden(gespeichert, "fuzz"));
    Pruefe(wieder.mBuchstaben.size() == font.mBuchstaben.size());
    Pruefe(gespeichert.Rest() == 0);
    return 0;
}
