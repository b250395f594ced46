#pragma once
// The scene renderer: the world splatted on the processor into a small grey image, enlarged by a
// power of two into a screen-sized texture and drawn through the filter chain into the back buffer.

#include "nadrel/filter/filterverwaltung.h"
#include "nadrel/punktrenderer/punktrenderer.h"
#include "velmklassen/render/velm_blockgfx3d.h"

#include <filesystem>
#include <vector>

namespace Spiel {

class Renderer : public Punktrenderer {
public:
    // Loads the filter effects of the data folder.
    explicit Renderer(const std::filesystem::path& datenOrdner);

    // One frame of the world seen from the camera, `hoehe` pixels high. Main thread, inside a
    // main-thread fiber of the parallel core: it awaits its jobs, then draws.
    void ZeichneSzene(Szene& welt, uint64_t hoehe, const Vektor& kamera, float gieren, float nicken,
                      FilterSatz& filter);

    // Holds one graphic, id 0: the current frame's grey image, anchored at its centre.
    Velm_BlockGfx3D mAtlas{1280, 20, 4};
    // The grey image; kept from frame to frame so that its storage is not allocated anew.
    std::vector<uint32_t> mBild;
    // The screen's size; made on the first frame and again when the display size changes.
    GpuZeiger<Velm_Textur> mSzenenTextur;
    GpuZeiger<Velm_Renderziel> mSzenenZiel;
    FilterVerwaltung mFilter;
};

} // namespace Spiel
