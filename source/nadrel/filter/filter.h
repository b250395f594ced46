#pragma once
// Post-processing effects as the effect files of the data folder define them: an effect is a list
// of full-screen passes with its textures and parameters; a pass owns its shaders and states.

#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_programm.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_zustaende.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TiXmlElement;

namespace Spiel {

class FilterVerwaltung;

// Releases a GPU object through the drawing context's registry. Once the context is gone it has
// deleted every object still registered, so there is nothing left to release.
struct GpuFreigabe {
    void operator()(Velm_BasisObjekt* objekt) const;
};
template <class T> using GpuZeiger = std::unique_ptr<T, GpuFreigabe>;

// Sampler bits of an input, as the sampler descriptions take them: U, V and W alike.
constexpr uint32_t kFilterBegrenzen = 0x15;
constexpr uint32_t kFilterLinear = 0x15;

// One pass: reads named images through samplers and draws a full-screen quad into one image.
class Filter {
public:
    struct Eingabe {
        std::string mBild;
        std::string mSampler;
        // Receives the image's size factors.
        std::string mKonstante;
        uint32_t mAdressierung = kFilterBegrenzen;
        uint32_t mFilterung = 0;
    };

    Filter() = default;
    // Loads the pass from its element; logs the cause and throws `Velm_Ausnahme` when it cannot.
    Filter(const std::string& name, const TiXmlElement& element, const FilterVerwaltung& verwaltung);
    // Releases the vertex shader, the pixel shader, the program and the blend state, in this order.
    ~Filter();
    Filter(Filter&&) noexcept = default;
    Filter& operator=(Filter&&) noexcept = default;

    std::string mName;
    std::vector<Eingabe> mEingaben;
    std::string mAusgabe = "ergebnis";
    int64_t mTeiler = 1;
    // Null: no blending.
    GpuZeiger<Velm_AlphaZustand> mAlphaZustand;
    std::string mVertexShaderQuelle;
    std::string mPixelShaderQuelle;
    GpuZeiger<Velm_VertexShader> mVertexShader;
    GpuZeiger<Velm_PixelShader> mPixelShader;
    GpuZeiger<Velm_Programm> mProgramm;
};

// One effect file: its passes in order, and the textures and parameters they share.
struct FilterEffekt {
    struct Param {
        std::string mName;
        std::string mBeschreibung;
        // The shader constant that receives the value.
        std::string mKonstante;
        float mStandard[4] = {0, 0, 0, 1};
    };
    struct Textur {
        std::string mName;
        std::string mBeschreibung;
        std::string mStandard;
    };

    // Loads what loads and logs every entry that does not.
    void LadeAus(const std::string& name, const TiXmlElement& element, const FilterVerwaltung& verwaltung);

    std::string mName;
    std::string mBeschreibung;
    std::vector<Filter> mFilter;
    std::vector<Param> mParameter;
    std::vector<Textur> mTexturen;
};

} // namespace Spiel
