#include "nadrel/oberflaeche/overlay.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/render/velm_blockgfx3d.h"
#include "velmklassen/render/velm_font3d.h"

#include <memory>
#include <string>

namespace Spiel {

Velm_BlockGfx3D* gOverlayAtlas = nullptr;
Velm_Font3D* gOverlayFont = nullptr;

namespace {

constexpr const char* kFunktion = "Spiel::LadeOverlay";

struct Sprite {
    uint64_t id, x, y, breite, hoehe;
};
constexpr Sprite kSprites[] = {
    {kOverlayRechteck, 16, 0, 16, 16},
    {kOverlayReserve, 0, 0, 15, 15},
    {kOverlaySchluessel, 32, 0, 16, 16},
};

[[noreturn]] void Scheitere(const std::filesystem::path& pfad) {
    const std::string text = "Kann \"" + pfad.string() + "\" nicht laden";
    VELM_WIRF(text.c_str(), kFunktion);
}

} // namespace

std::filesystem::path DatenOrdner() {
    return Velm_System::Global().mAnwendungsOrdner / "Daten";
}

void LadeOverlay() {
    const std::filesystem::path grafik = DatenOrdner() / "grafik.png";
    Velm_Bild bild;
    if (!bild.LadeBildAusDatei(grafik)) {
        Scheitere(grafik);
    }
    const TBereich bereich = TBereich::LockSubBereich(bild, 0, 0, bild.mBreite, bild.mHoehe);

    auto atlas = std::make_unique<Velm_BlockGfx3D>(1024, 1000, 0);
    for (const Sprite& s : kSprites) {
        // The atlas refuses, with its line, a sheet in another format or too small for the sprite.
        atlas->AddGrafik(s.id, bereich, s.x, s.y, s.breite, s.hoehe);
        if (!atlas->HatGrafik(s.id)) {
            Scheitere(grafik);
        }
    }
    // Clears the pending mark, makes the texture resident and has the device build the levels.
    atlas->ErzeugeMipStufen();

    const std::filesystem::path schrift = DatenOrdner() / "calibrib.ttf";
    std::unique_ptr<Velm_Font3D> font = Velm_Font3D::LadeSchriftart(schrift);
    if (font == nullptr) {
        Scheitere(schrift);
    }
    // The frame loop flushes the font's atlas itself, after the fps text.
    font->mSofortZeichnen = false;

    gOverlayAtlas = atlas.release();
    gOverlayFont = font.release();
}

} // namespace Spiel
