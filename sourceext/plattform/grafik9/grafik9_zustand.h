#pragma once
// Direct3D 9's render and sampler states: kept as Direct3D values (the Get calls answer them and
// a repeated setting costs nothing) and applied to GL state and to one GL sampler object per
// Direct3D sampler, bound to the texture unit of the same number.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_kopf.h"

#include <array>
#include <cstdint>

namespace Plattform {

class GlZustand {
public:
    static constexpr uint32_t kSamplerPlaetze = 20;
    static constexpr uint32_t kRenderZustaende = 256;
    static constexpr uint32_t kSamplerZustaende = 14;

    // Needs the current context; `anisotropie` when GL filters anisotropically up to the degree.
    void Anlegen(bool anisotropie, float hoechsteAnisotropie);
    void Freigeben();
    // Direct3D 9's defaults; the depth test is on when there is an automatic depth buffer.
    void SetzeVorgaben(bool tiefe);

    void SetzeRender(D3DRENDERSTATETYPE zustand, DWORD wert);
    DWORD Render(D3DRENDERSTATETYPE zustand) const { return mRender[zustand]; }
    void SetzeSampler(uint32_t platz, D3DSAMPLERSTATETYPE zustand, DWORD wert);
    DWORD Sampler(uint32_t platz, D3DSAMPLERSTATETYPE zustand) const {
        return mSampler[platz].werte[zustand];
    }
    // Clear and Present open the write masks for themselves; this puts the states' back.
    void StelleMaskenWiederHer();

private:
    struct SamplerObjekt {
        GLuint id = 0;
        std::array<DWORD, kSamplerZustaende> werte{};
    };

    void WendeRenderAn(D3DRENDERSTATETYPE zustand);
    void WendeSamplerAn(uint32_t platz, D3DSAMPLERSTATETYPE zustand);

    std::array<DWORD, kRenderZustaende> mRender{};
    std::array<SamplerObjekt, kSamplerPlaetze> mSampler{};
    bool mAnisotropie = false;
    float mMaxAnisotropie = 1.0f;
};

} // namespace Plattform
