#pragma once
// Shaders from the shader compiler's code blobs, and the GL programs linked from their pairs.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_kopf.h"
#include "plattform/grafik9/grafik9_objekt.h"

#include <map>
#include <string>
#include <utility>

namespace Plattform {

class ShaderObjekt {
public:
    ShaderObjekt() = default;
    ~ShaderObjekt();
    // Reads the blob of `stufe` and keeps its GLSL; false (with the reason as a layer line) for a blob of
    // the wrong stage or with too many registers or samplers.
    bool Anlegen(const DWORD* kode, uint32_t stufe, uint32_t hoechstRegister, uint32_t hoechstSampler);
    // Compiles the kept GLSL in the current context; false (with the reason as a layer line) when it
    // does not compile.
    bool Uebersetze();

    GLuint mId = 0;
    uint32_t mStufe = 0;
    uint32_t mRegister = 0;
    uint32_t mSampler = 0;
    std::string mGlsl; // kept for pairs that need a variant, see ProgrammSpeicher::Suche
};

class VertexShaderObjekt final : public Objekt<IDirect3DVertexShader9>, public ShaderObjekt {
public:
    explicit VertexShaderObjekt(Geraet* geraet) : Objekt(geraet, true) {}

private:
    ~VertexShaderObjekt() override;
};

class PixelShaderObjekt final : public Objekt<IDirect3DPixelShader9>, public ShaderObjekt {
public:
    explicit PixelShaderObjekt(Geraet* geraet) : Objekt(geraet, true) {}

private:
    ~PixelShaderObjekt() override;
};

// A linked program with what it last received: uniforms are per program in GL, while Direct3D
// keeps one register bank per stage across shader switches.
struct Programm {
    GLuint id = 0; // 0 when linking failed
    GLint vsKonstanten = -1;
    GLint psKonstanten = -1;
    GLint epilog = -1;
    GLsizei vsAnzahl = 0;
    GLsizei psAnzahl = 0;
    uint64_t vsStand = 0;
    uint64_t psStand = 0;
    float epilogWerte[2] = {0, 0};
};

// One program per vertex-shader and pixel-shader pair, linked at its first draw and kept until
// one of the two shaders goes.
class ProgrammSpeicher {
public:
    // Samplers get their units here: pixel sampler i unit i, vertex sampler i unit
    // `vertexEinheit` + i. A pixel-shader input that the vertex shader does not write reads
    // zero, as in Direct3D 9: the pair links with a variant of the pixel shader.
    Programm& Suche(const ShaderObjekt& vs, const ShaderObjekt& ps, GLint vertexEinheit);
    // Drops the programs of a shader that goes; true when `aktuell` was one of them.
    bool Vergiss(const ShaderObjekt* shader, const Programm* aktuell);
    // Deletes every program; the context must still be current.
    void Freigeben();
    // The context that held the programs is gone: forgets them, deleting nothing.
    void VergissKontext() { mProgramme.clear(); }

private:
    std::map<std::pair<const ShaderObjekt*, const ShaderObjekt*>, Programm> mProgramme;
};

} // namespace Plattform
