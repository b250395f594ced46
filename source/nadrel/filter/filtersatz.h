#pragma once
// A filter set: the effects active by sequence id, and the chain computed from them: the images
// the passes read and write, the parameter values, and the steps drawn every frame.

#include "nadrel/filter/filter.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_textur.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Velm_IndexBuffer;
class Velm_VertexBuffer;

namespace Spiel {

class FilterSatz {
public:
    enum BildArt : uint32_t {
        kBildAusgabe = 0, // a pass output, or one of the alternating "quiff" and "quoff"
        kBildRoh = 1,     // "ergebnis" read before any pass wrote it: the scene image
        kBildTextur = 2,  // declared by a "textur" entry; has no content
        kBildHdr = 3,     // "hdr_ref", from the run's resources
    };

    // Texture and target are made by `Ausfuehren` for outputs only.
    struct Bild {
        uint32_t mArt = kBildAusgabe;
        std::string mName;
        uint64_t mTeiler = 1;
        GpuZeiger<Velm_Textur> mTextur;
        GpuZeiger<Velm_Renderziel> mZiel;
    };
    struct Parameter {
        std::string mName;
        float mWert[4];
    };
    struct Schritt {
        const FilterEffekt* mEffekt;
        const Filter* mFilter;
        // One image index per input of the pass.
        std::vector<int64_t> mEingaben;
        // One index into the set's parameters per parameter of the effect, -1 when missing.
        std::vector<int64_t> mParameter;
        // -1: the run's destination.
        int64_t mAusgabe = -1;
    };
    // Null target: the back buffer.
    struct Ziel {
        Velm_Renderziel* mRenderziel = nullptr;
        uint64_t mX = 0;
        uint64_t mY = 0;
        uint64_t mBreite = 0;
        uint64_t mHoehe = 0;
    };
    struct Ressourcen {
        Velm_VertexBuffer* mQuadVertices = nullptr;
        Velm_IndexBuffer* mQuadIndizes = nullptr;
        Velm_Sampler* mSampler[4] = {};
        Velm_Textur* mHdrTextur = nullptr;
        Velm_Renderziel* mHdrZiel = nullptr;
    };

    // Effects are looked up by name in this list (the manager's), which must outlive the set.
    explicit FilterSatz(const std::vector<FilterEffekt>& effekte) : mVerfuegbar(&effekte) {}

    // Activates the first effect of that name under the id, replacing the one there. The chain
    // follows with `FilterVerwaltung::BerechneFilterkette`.
    void AddFilter(const std::string& name, int32_t sequenzId);
    void SetParameter(const std::string& name, float x, float y, float z, float w);
    // Draws the chain from the scene texture into the destination; output images are made, or
    // made again, at the destination's size.
    void Ausfuehren(Velm_Textur* rohbild, const Ziel& ziel, const Ressourcen& ressourcen);

    const std::vector<FilterEffekt>* mVerfuegbar;
    std::map<int32_t, const FilterEffekt*> mAktiv;
    std::vector<Bild> mBilder;
    std::vector<Parameter> mParameter;
    std::vector<Schritt> mSchritte;
};

} // namespace Spiel
