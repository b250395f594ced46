#pragma once
// The filter manager: loads every effect file of the data folder once and holds what all passes
// share (the full-screen quad and four samplers); computes the chain of a filter set.
// `BerechneFilterkette` is in filterkette.cpp, the rest in filterverwaltung.cpp.

#include "nadrel/filter/filter.h"
#include "nadrel/filter/filtersatz.h"

#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"

#include <filesystem>
#include <vector>

namespace Spiel {

class FilterVerwaltung {
public:
    // Makes the shared resources, then loads every "filter.<name>.xml" directly in the folder.
    explicit FilterVerwaltung(const std::filesystem::path& ordner);
    // Destroys the effects, then releases the quad and the samplers.
    ~FilterVerwaltung();
    FilterVerwaltung(const FilterVerwaltung&) = delete;
    FilterVerwaltung& operator=(const FilterVerwaltung&) = delete;

    // Loads one file and appends its effect, or logs why not.
    void InternLadeEffekt(const std::filesystem::path& pfad);

    // Resolves every input and output of the set's active passes to an image and resets the
    // parameters to their defaults. Logs conflicts and unresolved names and carries on.
    static void BerechneFilterkette(FilterSatz& satz);

    // What `FilterSatz::Ausfuehren` draws with; this system has no "hdr_ref" image.
    FilterSatz::Ressourcen Ressourcen() const;

    std::filesystem::path mOrdner;
    // Does not change after construction: filter sets point into it.
    std::vector<FilterEffekt> mEffekte;
    // Position as float4 at 0, texture coordinate as float2 at 16: 24 bytes a vertex.
    GpuZeiger<Velm_VertexEingabe> mQuadEingabe;
    GpuZeiger<Velm_VertexBuffer> mQuadVertices;
    GpuZeiger<Velm_IndexBuffer> mQuadIndizes;
    // Point wrap, point clamp, linear wrap, linear clamp.
    GpuZeiger<Velm_Sampler> mSampler[4];
};

} // namespace Spiel
