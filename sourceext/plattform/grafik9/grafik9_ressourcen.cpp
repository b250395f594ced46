// What the device creates: textures, buffers, surfaces, vertex declarations and shaders, and the
// copies between surfaces.

#include "plattform/grafik9/grafik9_geraet.h"

#include "plattform/shaderkompiler/shaderblob.h"

#include <algorithm>
#include <vector>

namespace Plattform {

// ---- Textures, buffers and surfaces ----

HRESULT Geraet::LegeTexturAn(TexturBasis& textur, UINT breite, UINT hoehe, UINT stufen, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool) {
    const GlFormat* f = SucheGlFormat(format);
    const bool autoMips = (usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
    // The managed pool holds neither render targets nor dynamic textures, as on Direct3D 9.
    const bool poolGueltig =
        pool == D3DPOOL_DEFAULT ||
        (pool == D3DPOOL_MANAGED && (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) == 0);
    if (f == nullptr || f->tiefe || !poolGueltig || breite == 0 || hoehe == 0 ||
        breite > mFaehigkeiten.MaxTextureWidth || hoehe > mFaehigkeiten.MaxTextureHeight ||
        (usage & D3DUSAGE_DEPTHSTENCIL) != 0 || ((usage & D3DUSAGE_RENDERTARGET) != 0 && !f->zielTauglich) ||
        (autoMips && (f->komprimiert || stufen > 1))) {
        return D3DERR_INVALIDCALL;
    }
    const uint32_t voll = VolleStufenZahl(breite, hoehe);
    if (stufen > voll) {
        return D3DERR_INVALIDCALL;
    }
    const uint32_t angelegt = (stufen == 0 || autoMips) ? voll : stufen;
    uint64_t bytes = 0;
    for (uint32_t stufe = 0; stufe < angelegt; ++stufe) {
        bytes +=
            StufenBytes(*f, std::max<uint32_t>(breite >> stufe, 1), std::max<uint32_t>(hoehe >> stufe, 1));
    }
    bytes *= textur.mSeiten;
    if ((pool == D3DPOOL_DEFAULT && !PasstInBudget(bytes)) ||
        !textur.Anlegen(*f, breite, hoehe, angelegt, usage, pool == D3DPOOL_MANAGED)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    NimmInPool(textur.mObjekt, pool, bytes);
    return D3D_OK;
}

HRESULT Geraet::CreateTexture(UINT breite, UINT hoehe, UINT stufen, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** textur, void**) {
    if (textur == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *textur = nullptr;
    auto* neu = new Textur2D(this, true);
    if (const HRESULT h = LegeTexturAn(*neu, breite, hoehe, stufen, usage, format, pool); FAILED(h)) {
        neu->Release();
        return h;
    }
    *textur = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateCubeTexture(UINT kante, UINT stufen, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DCubeTexture9** textur, void**) {
    if (textur == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *textur = nullptr;
    auto* neu = new WuerfelTextur(this);
    if (const HRESULT h = LegeTexturAn(*neu, kante, kante, stufen, usage, format, pool); FAILED(h)) {
        neu->Release();
        return h;
    }
    *textur = neu;
    return D3D_OK;
}

namespace {

// The pools a buffer may live in: the managed pool only for static buffers, as on Direct3D 9.
bool PufferPoolGueltig(D3DPOOL pool, DWORD usage) {
    return pool == D3DPOOL_DEFAULT || (pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC) == 0);
}

} // namespace

HRESULT Geraet::CreateVertexBuffer(UINT laenge, DWORD usage, DWORD, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** puffer, void**) {
    if (puffer == nullptr || laenge == 0 || !PufferPoolGueltig(pool, usage)) {
        return D3DERR_INVALIDCALL;
    }
    *puffer = nullptr;
    if (pool == D3DPOOL_DEFAULT && !PasstInBudget(laenge)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    auto* neu = new VertexPuffer(this);
    if (!neu->Anlegen(laenge, usage)) {
        neu->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    NimmInPool(*neu, pool, laenge);
    *puffer = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateIndexBuffer(UINT laenge, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** puffer, void**) {
    if (puffer == nullptr || laenge == 0 || !PufferPoolGueltig(pool, usage) ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    *puffer = nullptr;
    if (pool == D3DPOOL_DEFAULT && !PasstInBudget(laenge)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    auto* neu = new IndexPuffer(this);
    if (format == D3DFMT_INDEX32) {
        neu->mIndexTyp = GL_UNSIGNED_INT;
        neu->mIndexBytes = 4;
    }
    if (!neu->Anlegen(laenge, usage)) {
        neu->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    NimmInPool(*neu, pool, laenge);
    *puffer = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateDepthStencilSurface(UINT breite, UINT hoehe, D3DFORMAT format,
                                          D3DMULTISAMPLE_TYPE mehrfach, DWORD, BOOL,
                                          IDirect3DSurface9** oberflaeche, void**) {
    const GlFormat* f = SucheGlFormat(format);
    if (oberflaeche == nullptr || f == nullptr || !f->tiefe || mehrfach != D3DMULTISAMPLE_NONE ||
        breite == 0 || hoehe == 0 || breite > mFaehigkeiten.MaxTextureWidth ||
        hoehe > mFaehigkeiten.MaxTextureHeight) {
        return D3DERR_INVALIDCALL;
    }
    *oberflaeche = nullptr;
    const uint64_t bytes = StufenBytes(*f, breite, hoehe);
    if (!PasstInBudget(bytes)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    Oberflaeche* neu = Oberflaeche::MachTiefe(*this, *f, breite, hoehe, true);
    NimmInStandardPool(*neu, bytes);
    *oberflaeche = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateOffscreenPlainSurface(UINT breite, UINT hoehe, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** oberflaeche, void**) {
    const GlFormat* f = SucheGlFormat(format);
    if (oberflaeche == nullptr || f == nullptr || f->tiefe || breite == 0 || hoehe == 0 ||
        (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH)) {
        return D3DERR_INVALIDCALL;
    }
    *oberflaeche = Oberflaeche::MachSpeicher(*this, *f, breite, hoehe, pool);
    return D3D_OK;
}

HRESULT Geraet::UpdateSurface(IDirect3DSurface9* quelle, const RECT* quellBereich, IDirect3DSurface9* ziel,
                              const POINT* zielPunkt) {
    auto* q = static_cast<Oberflaeche*>(quelle);
    auto* z = static_cast<Oberflaeche*>(ziel);
    if (q == nullptr || z == nullptr || q->mArt != Oberflaeche::Art::Speicher ||
        q->mPool != D3DPOOL_SYSTEMMEM || z->mArt != Oberflaeche::Art::TexturStufe ||
        q->mFormat != z->mFormat) {
        return D3DERR_INVALIDCALL;
    }
    const GlFormat& f = *q->mFormat;
    const RECT r = quellBereich ? *quellBereich : RECT{0, 0, LONG(q->mBreite), LONG(q->mHoehe)};
    const POINT p = zielPunkt ? *zielPunkt : POINT{r.left, r.top};
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || LONG(q->mBreite) < r.right ||
        LONG(q->mHoehe) < r.bottom || p.x < 0 || p.y < 0 ||
        int64_t(p.x) + (r.right - r.left) > int64_t(z->mBreite) ||
        int64_t(p.y) + (r.bottom - r.top) > int64_t(z->mHoehe)) {
        return D3DERR_INVALIDCALL;
    }
    const RECT zielBereich = {p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
    if (f.komprimiert &&
        (!GanzeBloecke(r, q->mBreite, q->mHoehe) || !GanzeBloecke(zielBereich, z->mBreite, z->mHoehe))) {
        return D3DERR_INVALIDCALL;
    }
    const uint32_t breite = uint32_t(r.right - r.left);
    const uint32_t hoehe = uint32_t(r.bottom - r.top);
    const BereichImSpeicher b = LageImSpeicher(f, q->mBreite, r);
    const uint8_t* anfang = q->mSpeicher.data() + b.versatz;
    if (b.zeile == b.abstand) {
        z->mTextur->LadeHoch(z->mSeite, z->mStufe, uint32_t(p.x), uint32_t(p.y), breite, hoehe, anfang);
        return D3D_OK;
    }
    std::vector<uint8_t> gepackt(size_t(b.zeile * b.zeilen));
    KopiereZeilen(gepackt.data(), b.zeile, anfang, b.abstand, b.zeile, b.zeilen);
    z->mTextur->LadeHoch(z->mSeite, z->mStufe, uint32_t(p.x), uint32_t(p.y), breite, hoehe, gepackt.data());
    return D3D_OK;
}

void Geraet::LiesZiel(const TexturBasis& textur, uint32_t seite, uint32_t stufe, const RECT& bereich,
                      void* ziel) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mLeseFbo);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, textur.SeitenZiel(seite), textur.mId,
                           GLint(stufe));
    glReadPixels(bereich.left, bereich.top, bereich.right - bereich.left, bereich.bottom - bereich.top,
                 textur.mFormat->format, textur.mFormat->typ, ziel);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
}

// ---- Vertex declarations and shaders ----

HRESULT Geraet::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elemente,
                                        IDirect3DVertexDeclaration9** deklaration) {
    if (elemente == nullptr || deklaration == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *deklaration = nullptr;
    std::vector<Attribut> attribute;
    if (!LiesDeklaration(elemente, kStroeme, attribute)) {
        return D3DERR_INVALIDCALL;
    }
    auto* neu = new Deklaration(this);
    neu->mAttribute = std::move(attribute);
    *deklaration = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateVertexShader(const DWORD* kode, IDirect3DVertexShader9** shader) {
    if (shader == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *shader = nullptr;
    auto* neu = new VertexShaderObjekt(this);
    if (!NimmShader(*neu, kode, kStufeVertex, kVsRegister, kVertexSampler)) {
        neu->Release();
        return D3DERR_INVALIDCALL;
    }
    *shader = neu;
    return D3D_OK;
}

HRESULT Geraet::CreatePixelShader(const DWORD* kode, IDirect3DPixelShader9** shader) {
    if (shader == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *shader = nullptr;
    auto* neu = new PixelShaderObjekt(this);
    if (!NimmShader(*neu, kode, kStufePixel, kPsRegister, kPixelSampler)) {
        neu->Release();
        return D3DERR_INVALIDCALL;
    }
    *shader = neu;
    return D3D_OK;
}

// Without a context the shader compiles in the next one, with every other.
bool Geraet::NimmShader(ShaderObjekt& shader, const DWORD* kode, uint32_t stufe, uint32_t hoechstRegister,
                        uint32_t hoechstSampler) {
    if (!shader.Anlegen(kode, stufe, hoechstRegister, hoechstSampler) ||
        (HatKontext() && !shader.Uebersetze())) {
        return false;
    }
    mShader.insert(&shader);
    return true;
}

void Geraet::VergissProgramme(ShaderObjekt* shader) {
    mShader.erase(shader);
    if (mProgramme.Vergiss(shader, mProgramm)) {
        mProgramm = nullptr;
        mProgrammVeraltet = true;
    }
}

} // namespace Plattform
