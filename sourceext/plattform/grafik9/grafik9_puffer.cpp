#include "plattform/grafik9/grafik9_puffer.h"

#include "plattform/grafik9/grafik9_meldung.h"
#include "plattform/grafik9/grafik9_objekt.h"

#include <cstddef>

namespace Plattform {

bool LiesDeklaration(const D3DVERTEXELEMENT9* elemente, uint32_t stroeme, std::vector<Attribut>& attribute) {
    attribute.clear();
    // A list without its end marker stops here instead of reading on.
    constexpr std::size_t kHoechstens = 64;
    std::size_t i = 0;
    for (; i < kHoechstens && elemente[i].Stream != 0xFF; ++i) {
        const D3DVERTEXELEMENT9& e = elemente[i];
        Attribut a{e.Stream, e.Offset, 0, 0, GL_FLOAT, GL_FALSE};
        if (e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) {
            a.ort = 0;
        } else if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < 15) {
            a.ort = GLuint(e.UsageIndex) + 1;
        } else {
            MeldeGrafik("vertex element with usage %u index %u has no attribute location", e.Usage,
                        e.UsageIndex);
            return false;
        }
        switch (e.Type) {
        case D3DDECLTYPE_FLOAT1:
        case D3DDECLTYPE_FLOAT2:
        case D3DDECLTYPE_FLOAT3:
        case D3DDECLTYPE_FLOAT4:
            a.komponenten = GLint(e.Type) + 1;
            break;
        case D3DDECLTYPE_D3DCOLOR:
            a.komponenten = GL_BGRA;
            a.typ = GL_UNSIGNED_BYTE;
            a.normiert = GL_TRUE;
            break;
        case D3DDECLTYPE_UBYTE4:
        case D3DDECLTYPE_UBYTE4N:
            a.komponenten = 4;
            a.typ = GL_UNSIGNED_BYTE;
            a.normiert = e.Type == D3DDECLTYPE_UBYTE4N;
            break;
        case D3DDECLTYPE_SHORT2:
        case D3DDECLTYPE_SHORT4:
        case D3DDECLTYPE_SHORT2N:
        case D3DDECLTYPE_SHORT4N:
            a.komponenten = (e.Type == D3DDECLTYPE_SHORT2 || e.Type == D3DDECLTYPE_SHORT2N) ? 2 : 4;
            a.typ = GL_SHORT;
            a.normiert = e.Type == D3DDECLTYPE_SHORT2N || e.Type == D3DDECLTYPE_SHORT4N;
            break;
        case D3DDECLTYPE_USHORT2N:
        case D3DDECLTYPE_USHORT4N:
            a.komponenten = e.Type == D3DDECLTYPE_USHORT2N ? 2 : 4;
            a.typ = GL_UNSIGNED_SHORT;
            a.normiert = GL_TRUE;
            break;
        case D3DDECLTYPE_FLOAT16_2:
        case D3DDECLTYPE_FLOAT16_4:
            a.komponenten = e.Type == D3DDECLTYPE_FLOAT16_2 ? 2 : 4;
            a.typ = GL_HALF_FLOAT;
            break;
        default:
            return false;
        }
        if (a.strom >= stroeme) {
            return false;
        }
        attribute.push_back(a);
    }
    if (i == kHoechstens) {
        return false;
    }
    return true;
}

PufferBasis::~PufferBasis() {
    if (mId != 0) {
        glDeleteBuffers(1, &mId);
    }
}

bool PufferBasis::Anlegen(uint32_t groesse, DWORD usage) {
    mGroesse = groesse;
    mUsage = usage;
    mStaging.resize(groesse);
    while (glGetError() != GL_NO_ERROR) {
    }
    LegeGlAn();
    return glGetError() != GL_OUT_OF_MEMORY;
}

void PufferBasis::LegeGlAn() {
    glGenBuffers(1, &mId);
    glBindBuffer(GL_COPY_WRITE_BUFFER, mId);
    glBufferData(GL_COPY_WRITE_BUFFER, mGroesse, mStaging.data(),
                 (mUsage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

HRESULT PufferBasis::Sperre(UINT versatz, UINT groesse, void** daten, DWORD) {
    if (daten == nullptr || mGesperrt || versatz > mGroesse) {
        return D3DERR_INVALIDCALL;
    }
    if (groesse == 0) {
        groesse = mGroesse - versatz;
    }
    if (groesse > mGroesse - versatz) {
        return D3DERR_INVALIDCALL;
    }
    mGesperrt = true;
    mSperrVersatz = versatz;
    mSperrGroesse = groesse;
    *daten = mStaging.data() + versatz;
    return D3D_OK;
}

HRESULT PufferBasis::Entsperre() {
    if (!mGesperrt) {
        return D3DERR_INVALIDCALL;
    }
    mGesperrt = false;
    if (mSperrGroesse == 0) {
        return D3D_OK;
    }
    // Index buffers are bound to the vertex array; uploading through the copy target leaves
    // that binding alone.
    glBindBuffer(GL_COPY_WRITE_BUFFER, mId);
    if (mSperrVersatz == 0 && mSperrGroesse == mGroesse) {
        // A whole new store: the driver need not wait for draws still reading the old one.
        glBufferData(GL_COPY_WRITE_BUFFER, mGroesse, mStaging.data(),
                     (mUsage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    } else {
        glBufferSubData(GL_COPY_WRITE_BUFFER, mSperrVersatz, mSperrGroesse, mStaging.data() + mSperrVersatz);
    }
    return D3D_OK;
}

VertexPuffer::VertexPuffer(Geraet* geraet) : Objekt(geraet, true) {}
VertexPuffer::~VertexPuffer() = default;
HRESULT VertexPuffer::Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) {
    return Sperre(versatz, groesse, daten, flags);
}
HRESULT VertexPuffer::Unlock() {
    return Entsperre();
}

IndexPuffer::IndexPuffer(Geraet* geraet) : Objekt(geraet, true) {}
IndexPuffer::~IndexPuffer() = default;
HRESULT IndexPuffer::Lock(UINT versatz, UINT groesse, void** daten, DWORD flags) {
    return Sperre(versatz, groesse, daten, flags);
}
HRESULT IndexPuffer::Unlock() {
    return Entsperre();
}

} // namespace Plattform
