#include "velmklassen/render/velm_programm.h"

#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_vertexshader.h"

#include <algorithm>

Velm_Programm::Velm_Programm(Velm_VertexEingabe* eingabe, Velm_VertexShader* vertexShader,
                             Velm_PixelShader* pixelShader)
    : mEingabe(eingabe), mVertexShader(vertexShader), mPixelShader(pixelShader),
      mKanalAnzahl(eingabe != nullptr ? eingabe->mKanalAnzahl : 0),
      mInstanzMaske(eingabe != nullptr ? eingabe->mInstanzMaske : 0),
      mDeklaration(eingabe != nullptr ? eingabe->mDeklaration : nullptr),
      mD3DVertexShader(vertexShader != nullptr ? vertexShader->mShader : nullptr),
      mD3DPixelShader(pixelShader != nullptr ? pixelShader->mShader : nullptr) {
    std::fill(std::begin(mSchritt), std::end(mSchritt), uint16_t(0));
    if (eingabe != nullptr) {
        std::copy(std::begin(eingabe->mSchritt), std::end(eingabe->mSchritt), mSchritt);
    }
}

namespace {

uint32_t Register(const Velm_HighLevelShaderBasis* shader, const std::string& name, uint32_t fehlt) {
    const Velm_ShaderKonstante* k = shader != nullptr ? shader->FindeKonstante(name) : nullptr;
    return k != nullptr ? k->mRegister : fehlt;
}

} // namespace

Velm_KonstantenHandle Velm_Programm::GetKonstante(const std::string& name) const {
    const uint32_t vs = Register(mVertexShader, name, kVelm_KeinRegister) & 0xFFF;
    const uint32_t ps = Register(mPixelShader, name, kVelm_KeinRegister) & 0xFFF;
    return vs | ps << 12;
}

Velm_SamplerHandle Velm_Programm::GetSampler(const std::string& name) const {
    const uint32_t vs = Register(mVertexShader, name, kVelm_KeinSampler) & 0xFF;
    const uint32_t ps = Register(mPixelShader, name, kVelm_KeinSampler) & 0xFF;
    return ps | vs << 8;
}
