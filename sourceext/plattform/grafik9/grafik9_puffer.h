#pragma once
// Vertex and index buffers, and vertex declarations as the attribute layout OpenGL reads.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_kopf.h"
#include "plattform/grafik9/grafik9_objekt.h"

#include <vector>

namespace Plattform {

// Vertex and index buffers: a GL buffer and a main-memory staging copy that locks write into. The
// copy always holds the whole content, so a managed buffer comes back from it after a GPU reset.
class PufferBasis {
public:
    PufferBasis() = default;
    ~PufferBasis();
    bool Anlegen(uint32_t groesse, DWORD usage);
    // In a new context: the GL buffer again, with the copy's content.
    void LegeGlAn();
    HRESULT Sperre(UINT versatz, UINT groesse, void** daten, DWORD flags);
    HRESULT Entsperre();

    GLuint mId = 0;
    uint32_t mGroesse = 0;
    DWORD mUsage = 0;

private:
    std::vector<uint8_t> mStaging;
    bool mGesperrt = false;
    uint32_t mSperrVersatz = 0;
    uint32_t mSperrGroesse = 0;
};

class VertexPuffer final : public Objekt<IDirect3DVertexBuffer9>, public PufferBasis {
public:
    explicit VertexPuffer(Geraet* geraet);
    HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) override;
    HRESULT Unlock() override;
    void Wiederherstellen() override { LegeGlAn(); }

private:
    ~VertexPuffer() override;
};

class IndexPuffer final : public Objekt<IDirect3DIndexBuffer9>, public PufferBasis {
public:
    explicit IndexPuffer(Geraet* geraet);
    HRESULT Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) override;
    HRESULT Unlock() override;
    void Wiederherstellen() override { LegeGlAn(); }

    GLenum mIndexTyp = GL_UNSIGNED_SHORT;
    uint32_t mIndexBytes = 2;

private:
    ~IndexPuffer() override;
};

// One vertex element as OpenGL reads it: POSITION0 at location 0, TEXCOORDn at n + 1.
struct Attribut {
    uint32_t strom;
    uint32_t versatz;
    GLuint ort;
    GLint komponenten;
    GLenum typ;
    GLboolean normiert;
};

// The elements up to D3DDECL_END as attributes; false (with the reason as a layer line) for a usage
// without a location, an unknown type, a stream beyond `stroeme` or a list without its end.
bool LiesDeklaration(const D3DVERTEXELEMENT9* elemente, uint32_t stroeme, std::vector<Attribut>& attribute);

class Deklaration final : public Objekt<IDirect3DVertexDeclaration9> {
public:
    explicit Deklaration(Geraet* geraet) : Objekt(geraet, true) {}
    std::vector<Attribut> mAttribute;
};

} // namespace Plattform
