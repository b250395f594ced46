// Binding and drawing: targets, viewport and clearing, render and sampler states, textures, vertex
// input, shaders and their constants, and the draw call with what it needs bound first.

#include "plattform/grafik9/grafik9_geraet.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Plattform {

namespace {

// Pixel samplers 0..15 and vertex samplers 257..260 share one array; the slot is also the
// texture unit (vertex sampler i on unit 16 + i).
int SamplerPlatzVon(DWORD sampler) {
    if (sampler < Geraet::kPixelSampler) {
        return int(sampler);
    }
    if (sampler >= D3DVERTEXTEXTURESAMPLER0 && sampler < D3DVERTEXTEXTURESAMPLER0 + Geraet::kVertexSampler) {
        return int(Geraet::kVertexEinheit + sampler - D3DVERTEXTEXTURESAMPLER0);
    }
    return -1;
}

constexpr DWORD kFrequenzArt = D3DSTREAMSOURCE_INDEXEDDATA | D3DSTREAMSOURCE_INSTANCEDATA;

} // namespace

template <class T> void Geraet::Binde(T*& platz, T* neu) {
    if (neu != nullptr) {
        neu->HalteIntern();
    }
    T* alt = std::exchange(platz, neu);
    if (alt != nullptr) {
        alt->LasseIntern();
    }
}

void Geraet::LoeseAlles() {
    for (uint32_t platz = 0; platz < kSamplerPlaetze; ++platz) {
        SetTexture(platz < kPixelSampler ? platz : D3DVERTEXTEXTURESAMPLER0 + platz - kVertexEinheit,
                   nullptr);
    }
    for (Strom& strom : mStroeme) {
        Binde(strom.puffer, static_cast<VertexPuffer*>(nullptr));
    }
    Binde(mIndizes, static_cast<IndexPuffer*>(nullptr));
    Binde(mDeklaration, static_cast<Deklaration*>(nullptr));
    Binde(mVs, static_cast<VertexShaderObjekt*>(nullptr));
    Binde(mPs, static_cast<PixelShaderObjekt*>(nullptr));
    for (Oberflaeche*& ziel : mZiele) {
        Binde(ziel, static_cast<Oberflaeche*>(nullptr));
    }
    Binde(mTiefe, static_cast<Oberflaeche*>(nullptr));
    mZieleVeraltet = true;
    mAttributeVeraltet = true;
    mProgrammVeraltet = true;
}

// Direct3D 9's defaults after creation and after every Reset.
void Geraet::SetzeStandardZustand() {
    LoeseAlles();
    Binde(mZiele[0], Rueckpuffer());
    Binde(mTiefe, mAutoTiefe);
    mViewport = {0, 0, mParameter.BackBufferWidth, mParameter.BackBufferHeight, 0.0f, 1.0f};
    glViewport(0, 0, GLsizei(mViewport.Width), GLsizei(mViewport.Height));
    glDepthRange(0.0, 1.0);

    mZustand.SetzeVorgaben(mAutoTiefe != nullptr);
    for (Strom& strom : mStroeme) {
        strom = Strom{};
    }
    mVsKonstanten.fill(0.0f);
    mPsKonstanten.fill(0.0f);
    ++mVsStand;
    ++mPsStand;
    mSzene = false;
}

// ---- Targets, viewport, clearing ----

HRESULT Geraet::SetRenderTarget(DWORD index, IDirect3DSurface9* oberflaeche) {
    auto* o = static_cast<Oberflaeche*>(oberflaeche);
    if (index >= mFaehigkeiten.NumSimultaneousRTs || (index == 0 && o == nullptr)) {
        return D3DERR_INVALIDCALL;
    }
    if (o != nullptr &&
        (o->mArt != Oberflaeche::Art::TexturStufe || (o->mTextur->mUsage & D3DUSAGE_RENDERTARGET) == 0)) {
        return D3DERR_INVALIDCALL;
    }
    if (mZiele[index] != o) {
        Binde(mZiele[index], o);
        mZieleVeraltet = true;
    }
    // Direct3D 9 sets the viewport to the whole new target; the engine relies on it.
    if (index == 0) {
        mViewport = {0, 0, o->mBreite, o->mHoehe, 0.0f, 1.0f};
        glViewport(0, 0, GLsizei(o->mBreite), GLsizei(o->mHoehe));
        glDepthRange(0.0, 1.0);
    }
    return D3D_OK;
}

HRESULT Geraet::GetRenderTarget(DWORD index, IDirect3DSurface9** oberflaeche) {
    if (oberflaeche == nullptr || index >= kZiele) {
        return D3DERR_INVALIDCALL;
    }
    *oberflaeche = mZiele[index];
    if (mZiele[index] == nullptr) {
        return D3DERR_NOTFOUND;
    }
    mZiele[index]->AddRef();
    return D3D_OK;
}

HRESULT Geraet::SetDepthStencilSurface(IDirect3DSurface9* oberflaeche) {
    auto* o = static_cast<Oberflaeche*>(oberflaeche);
    if (o != nullptr && o->mArt != Oberflaeche::Art::Tiefe) {
        return D3DERR_INVALIDCALL;
    }
    if (mTiefe != o) {
        Binde(mTiefe, o);
        mZieleVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::GetDepthStencilSurface(IDirect3DSurface9** oberflaeche) {
    if (oberflaeche == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *oberflaeche = mTiefe;
    if (mTiefe == nullptr) {
        return D3DERR_NOTFOUND;
    }
    mTiefe->AddRef();
    return D3D_OK;
}

void Geraet::BindeZiele() {
    GLenum puffer[kZiele];
    for (uint32_t i = 0; i < kZiele; ++i) {
        const Oberflaeche* z = mZiele[i];
        if (z != nullptr) {
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i,
                                   z->mTextur->SeitenZiel(z->mSeite), z->mTextur->mId, GLint(z->mStufe));
            puffer[i] = GL_COLOR_ATTACHMENT0 + i;
        } else {
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, 0, 0);
            puffer[i] = GL_NONE;
        }
    }
    glDrawBuffers(kZiele, puffer);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              mTiefe != nullptr ? mTiefe->mPuffer : 0);
    mZieleVeraltet = false;
}

// Drawing into level 0 of an automatic chain makes its lower levels stale, as an upload does.
void Geraet::ZielGeaendert() {
    for (const Oberflaeche* z : mZiele) {
        if (z != nullptr && z->mStufe == 0 && z->mTextur->mAutoMips) {
            z->mTextur->mMipsVeraltet = true;
        }
    }
}

HRESULT Geraet::BeginScene() {
    if (mSzene) {
        return D3DERR_INVALIDCALL;
    }
    mSzene = true;
    return D3D_OK;
}

HRESULT Geraet::EndScene() {
    if (!mSzene) {
        return D3DERR_INVALIDCALL;
    }
    mSzene = false;
    return D3D_OK;
}

// Clears only the viewport (or the given rectangles inside it), whatever the write masks say.
HRESULT Geraet::Clear(DWORD anzahl, const RECT* bereiche, DWORD flags, D3DCOLOR farbe, float z, DWORD) {
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && mTiefe == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0 || (anzahl > 0 && bereiche == nullptr)) {
        return D3DERR_INVALIDCALL;
    }
    if (mZieleVeraltet) {
        BindeZiele();
    }
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) {
        bits |= GL_COLOR_BUFFER_BIT;
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(float((farbe >> 16) & 0xFF) / 255.0f, float((farbe >> 8) & 0xFF) / 255.0f,
                     float(farbe & 0xFF) / 255.0f, float(farbe >> 24) / 255.0f);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        bits |= GL_DEPTH_BUFFER_BIT;
        glDepthMask(GL_TRUE);
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
    }
    glEnable(GL_SCISSOR_TEST);
    const RECT ganz = {LONG(mViewport.X), LONG(mViewport.Y), LONG(mViewport.X + mViewport.Width),
                       LONG(mViewport.Y + mViewport.Height)};
    for (DWORD i = 0; i < std::max<DWORD>(anzahl, 1); ++i) {
        RECT r = ganz;
        if (anzahl > 0) {
            r.left = std::max(r.left, bereiche[i].left);
            r.top = std::max(r.top, bereiche[i].top);
            r.right = std::min(r.right, bereiche[i].right);
            r.bottom = std::min(r.bottom, bereiche[i].bottom);
        }
        if (r.left < r.right && r.top < r.bottom) {
            glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
            glClear(bits);
        }
    }
    glDisable(GL_SCISSOR_TEST);
    mZustand.StelleMaskenWiederHer();
    if (flags & D3DCLEAR_TARGET) {
        ZielGeaendert();
    }
    return D3D_OK;
}

HRESULT Geraet::SetViewport(const D3DVIEWPORT9* bereich) {
    if (bereich == nullptr || mZiele[0] == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const D3DVIEWPORT9& v = *bereich;
    if (uint64_t(v.X) + v.Width > mZiele[0]->mBreite || uint64_t(v.Y) + v.Height > mZiele[0]->mHoehe ||
        !(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) {
        return D3DERR_INVALIDCALL;
    }
    mViewport = v;
    // Rows count from the top in both: Direct3D's y goes to GL unchanged.
    glViewport(GLint(v.X), GLint(v.Y), GLsizei(v.Width), GLsizei(v.Height));
    glDepthRange(v.MinZ, v.MaxZ);
    return D3D_OK;
}

HRESULT Geraet::GetViewport(D3DVIEWPORT9* bereich) {
    if (bereich == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *bereich = mViewport;
    return D3D_OK;
}

// ---- Render and sampler states ----

HRESULT Geraet::SetRenderState(D3DRENDERSTATETYPE zustand, DWORD wert) {
    if (zustand >= GlZustand::kRenderZustaende) {
        return D3DERR_INVALIDCALL;
    }
    mZustand.SetzeRender(zustand, wert);
    return D3D_OK;
}

HRESULT Geraet::GetRenderState(D3DRENDERSTATETYPE zustand, DWORD* wert) {
    if (wert == nullptr || zustand >= GlZustand::kRenderZustaende) {
        return D3DERR_INVALIDCALL;
    }
    *wert = mZustand.Render(zustand);
    return D3D_OK;
}

HRESULT Geraet::SetTexture(DWORD sampler, IDirect3DBaseTexture9* textur) {
    const int platz = SamplerPlatzVon(sampler);
    TexturBasis* neu = textur != nullptr ? AlsTextur(textur) : nullptr;
    if (platz < 0 || (textur != nullptr && neu == nullptr)) {
        return D3DERR_INVALIDCALL;
    }
    TexturBasis* alt = mTexturen[platz];
    if (alt == neu) {
        return D3D_OK;
    }
    if (neu != nullptr) {
        neu->mObjekt.HalteIntern();
    }
    mTexturen[platz] = neu;
    glActiveTexture(GL_TEXTURE0 + GLenum(platz));
    if (alt != nullptr && (neu == nullptr || alt->mZiel != neu->mZiel)) {
        glBindTexture(alt->mZiel, 0);
    }
    if (neu != nullptr) {
        glBindTexture(neu->mZiel, neu->mId);
    }
    glActiveTexture(GL_TEXTURE0 + kArbeitsEinheit);
    if (alt != nullptr) {
        alt->mObjekt.LasseIntern();
    }
    return D3D_OK;
}

HRESULT Geraet::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD wert) {
    const int platz = SamplerPlatzVon(sampler);
    if (platz < 0 || zustand == 0 || zustand >= GlZustand::kSamplerZustaende) {
        return D3DERR_INVALIDCALL;
    }
    mZustand.SetzeSampler(uint32_t(platz), zustand, wert);
    return D3D_OK;
}

HRESULT Geraet::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE zustand, DWORD* wert) {
    const int platz = SamplerPlatzVon(sampler);
    if (wert == nullptr || platz < 0 || zustand == 0 || zustand >= GlZustand::kSamplerZustaende) {
        return D3DERR_INVALIDCALL;
    }
    *wert = mZustand.Sampler(uint32_t(platz), zustand);
    return D3D_OK;
}

// ---- Vertex input ----

HRESULT Geraet::SetVertexDeclaration(IDirect3DVertexDeclaration9* deklaration) {
    auto* d = static_cast<Deklaration*>(deklaration);
    if (mDeklaration != d) {
        Binde(mDeklaration, d);
        mAttributeVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::SetStreamSource(UINT strom, IDirect3DVertexBuffer9* puffer, UINT versatz, UINT schritt) {
    if (strom >= kStroeme) {
        return D3DERR_INVALIDCALL;
    }
    Strom& s = mStroeme[strom];
    auto* p = static_cast<VertexPuffer*>(puffer);
    if (s.puffer != p || s.versatz != versatz || s.schritt != schritt) {
        Binde(s.puffer, p);
        s.versatz = versatz;
        s.schritt = schritt;
        mAttributeVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::SetStreamSourceFreq(UINT strom, UINT teiler) {
    if (strom >= kStroeme) {
        return D3DERR_INVALIDCALL;
    }
    const UINT alt = std::exchange(mStroeme[strom].frequenz, teiler);
    // Stream 0's instance count is read per draw; only a change of the divisors needs new
    // attribute pointers.
    if (((alt ^ teiler) & kFrequenzArt) != 0 || (strom != 0 && alt != teiler)) {
        mAttributeVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::SetIndices(IDirect3DIndexBuffer9* puffer) {
    auto* p = static_cast<IndexPuffer*>(puffer);
    if (mIndizes != p) {
        Binde(mIndizes, p);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, p != nullptr ? p->mId : 0);
    }
    return D3D_OK;
}

// Instancing: stream 0 with INDEXEDDATA | n draws n instances and INSTANCEDATA streams advance
// per instance; otherwise every stream advances per vertex, whatever its frequency says.
void Geraet::BaueAttribute() {
    const bool instanziert = (mStroeme[0].frequenz & D3DSTREAMSOURCE_INDEXEDDATA) != 0;
    uint32_t orte = 0;
    for (const Attribut& a : mDeklaration->mAttribute) {
        const Strom& s = mStroeme[a.strom];
        if (s.puffer == nullptr) {
            continue;
        }
        glBindBuffer(GL_ARRAY_BUFFER, s.puffer->mId);
        glVertexAttribPointer(a.ort, a.komponenten, a.typ, a.normiert, GLsizei(s.schritt),
                              reinterpret_cast<const void*>(uintptr_t(s.versatz) + a.versatz));
        const bool proInstanz = instanziert && (s.frequenz & D3DSTREAMSOURCE_INSTANCEDATA) != 0;
        glVertexAttribDivisor(a.ort, proInstanz ? std::max<GLuint>(s.frequenz & ~kFrequenzArt, 1) : 0);
        orte |= 1u << a.ort;
    }
    for (GLuint ort = 0; ort < 16; ++ort) {
        const uint32_t bit = 1u << ort;
        if ((orte & bit) != 0 && (mAktiveOrte & bit) == 0) {
            glEnableVertexAttribArray(ort);
        } else if ((orte & bit) == 0 && (mAktiveOrte & bit) != 0) {
            glDisableVertexAttribArray(ort);
        }
    }
    mAktiveOrte = orte;
    mAttributeVeraltet = false;
}

// ---- Shaders and their constants ----

HRESULT Geraet::SetVertexShader(IDirect3DVertexShader9* shader) {
    auto* s = static_cast<VertexShaderObjekt*>(shader);
    if (mVs != s) {
        Binde(mVs, s);
        mProgrammVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::SetPixelShader(IDirect3DPixelShader9* shader) {
    auto* s = static_cast<PixelShaderObjekt*>(shader);
    if (mPs != s) {
        Binde(mPs, s);
        mProgrammVeraltet = true;
    }
    return D3D_OK;
}

HRESULT Geraet::SetVertexShaderConstantF(UINT start, const float* werte, UINT anzahl) {
    if (werte == nullptr || uint64_t(start) + anzahl > kVsRegister) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(mVsKonstanten.data() + size_t(start) * 4, werte, size_t(anzahl) * 4 * sizeof(float));
    ++mVsStand;
    return D3D_OK;
}

HRESULT Geraet::SetPixelShaderConstantF(UINT start, const float* werte, UINT anzahl) {
    if (werte == nullptr || uint64_t(start) + anzahl > kPsRegister) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(mPsKonstanten.data() + size_t(start) * 4, werte, size_t(anzahl) * 4 * sizeof(float));
    ++mPsStand;
    return D3D_OK;
}

// ---- Drawing ----

bool Geraet::BereiteZeichnenVor() {
    if (mVs == nullptr || mPs == nullptr || mDeklaration == nullptr || mIndizes == nullptr) {
        return false;
    }
    if (mZieleVeraltet) {
        BindeZiele();
    }
    if (mProgrammVeraltet) {
        mProgramm = &mProgramme.Suche(*mVs, *mPs, kVertexEinheit);
        glUseProgram(mProgramm->id);
        mProgrammVeraltet = false;
    }
    Programm& p = *mProgramm;
    if (p.id == 0) {
        return false;
    }
    if (p.vsStand != mVsStand) {
        if (p.vsAnzahl > 0) {
            glUniform4fv(p.vsKonstanten, p.vsAnzahl, mVsKonstanten.data());
        }
        p.vsStand = mVsStand;
    }
    if (p.psStand != mPsStand) {
        if (p.psAnzahl > 0) {
            glUniform4fv(p.psKonstanten, p.psAnzahl, mPsKonstanten.data());
        }
        p.psStand = mPsStand;
    }
    const float epilog[2] = {1.0f / float(std::max<DWORD>(mViewport.Width, 1)),
                             1.0f / float(std::max<DWORD>(mViewport.Height, 1))};
    if (p.epilogWerte[0] != epilog[0] || p.epilogWerte[1] != epilog[1]) {
        glUniform4f(p.epilog, epilog[0], epilog[1], 0.0f, 0.0f);
        p.epilogWerte[0] = epilog[0];
        p.epilogWerte[1] = epilog[1];
    }
    for (TexturBasis* textur : mTexturen) {
        if (textur != nullptr) {
            textur->ErneuereMips();
        }
    }
    if (mAttributeVeraltet) {
        BaueAttribute();
    }
    return true;
}

HRESULT Geraet::DrawIndexedPrimitive(D3DPRIMITIVETYPE typ, INT basisVertex, UINT, UINT, UINT startIndex,
                                     UINT primitivAnzahl) {
    GLenum modus = GL_TRIANGLES;
    uint64_t indizes = 0;
    switch (typ) {
    case D3DPT_POINTLIST:
        modus = GL_POINTS;
        indizes = primitivAnzahl;
        break;
    case D3DPT_LINELIST:
        modus = GL_LINES;
        indizes = uint64_t(primitivAnzahl) * 2;
        break;
    case D3DPT_LINESTRIP:
        modus = GL_LINE_STRIP;
        indizes = uint64_t(primitivAnzahl) + 1;
        break;
    case D3DPT_TRIANGLELIST:
        indizes = uint64_t(primitivAnzahl) * 3;
        break;
    case D3DPT_TRIANGLESTRIP:
        modus = GL_TRIANGLE_STRIP;
        indizes = uint64_t(primitivAnzahl) + 2;
        break;
    case D3DPT_TRIANGLEFAN:
        modus = GL_TRIANGLE_FAN;
        indizes = uint64_t(primitivAnzahl) + 2;
        break;
    default:
        return D3DERR_INVALIDCALL;
    }
    if (primitivAnzahl == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (!HatKontext()) {
        return D3D_OK;
    }
    if (!BereiteZeichnenVor()) {
        return D3DERR_INVALIDCALL;
    }
    if ((uint64_t(startIndex) + indizes) * mIndizes->mIndexBytes > mIndizes->mGroesse) {
        return D3DERR_INVALIDCALL;
    }
    const UINT frequenz = mStroeme[0].frequenz;
    const GLsizei instanzen = (frequenz & D3DSTREAMSOURCE_INDEXEDDATA) != 0
                                  ? GLsizei(std::max<UINT>(frequenz & ~kFrequenzArt, 1))
                                  : 1;
    glDrawElementsInstancedBaseVertex(
        modus, GLsizei(indizes), mIndizes->mIndexTyp,
        reinterpret_cast<const void*>(uintptr_t(startIndex) * mIndizes->mIndexBytes), instanzen, basisVertex);
    ZielGeaendert();
    return D3D_OK;
}

} // namespace Plattform
