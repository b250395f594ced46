// Makes "calibrib.fnt", the console's bitmap font: rasterises the scalable font "calibrib.ttf" at
// 24 pixels through the engine's own loader and saves it in the font-file format. The atlas is
// a GPU resource, so the tool opens a drawing context without a window.
//
// Usage: mache_schrift QUELLE.ttf ZIEL.fnt

#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_font3d.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_shaderbasis.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <cstdio>
#include <filesystem>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: %s QUELLE.ttf ZIEL.fnt\n", argv[0]);
        return 2;
    }
    Velm_Konsole::Starte(std::filesystem::temp_directory_path(), "mache_schrift.log");
    // No dumps of the batcher's shaders into the folder the tool runs in.
    debugShader.SetBool(false);
    Velm_Screen3D::mDarstellung = {64, 64, 0, 0};
    Velm_Screen3D::mFlags = 0;
    auto kontext = std::make_unique<Velm_ZeichenKontext>();
    Velm_Screen3D::Kontext = kontext.get();
    bool gut = false;
    if (kontext->HatGeraet()) {
        const std::unique_ptr<Velm_Font3D> font = Velm_Font3D::LadeSchriftart(argv[1]);
        gut = font != nullptr && font->Speichern(argv[2]);
    }
    kontext->MeldeNichtFreigegebene();
    kontext.reset();
    Velm_Screen3D::Kontext = nullptr;
    return gut ? 0 : 1;
}
