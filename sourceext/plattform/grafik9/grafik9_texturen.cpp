#include "plattform/grafik9/grafik9_texturen.h"

#include "plattform/grafik9/grafik9_geraet.h"

#include <algorithm>

namespace Plattform {

namespace {

// A rectangle inside a level, whole blocks for the compressed formats (only the level's edge may
// cut a block); null means all of it.
bool PruefeBereich(const RECT* bereich, uint32_t breite, uint32_t hoehe, const GlFormat& format, RECT& aus) {
    aus = bereich ? *bereich : RECT{0, 0, LONG(breite), LONG(hoehe)};
    if (aus.left < 0 || aus.top < 0 || aus.left >= aus.right || aus.top >= aus.bottom ||
        uint32_t(aus.right) > breite || uint32_t(aus.bottom) > hoehe) {
        return false;
    }
    return !format.komprimiert || GanzeBloecke(aus, breite, hoehe);
}

uint32_t BereichBreite(const RECT& r) {
    return uint32_t(r.right - r.left);
}
uint32_t BereichHoehe(const RECT& r) {
    return uint32_t(r.bottom - r.top);
}

} // namespace

// ---- Surfaces ----

Oberflaeche* Oberflaeche::MachStufe(TexturBasis& textur, uint32_t seite, uint32_t stufe) {
    auto* o = new Oberflaeche(textur.mObjekt.GibGeraet(), false);
    o->mArt = Art::TexturStufe;
    o->mFormat = textur.mFormat;
    o->mBreite = textur.StufenBreite(stufe);
    o->mHoehe = textur.StufenHoehe(stufe);
    o->mPool = D3DPOOL_DEFAULT;
    o->mTextur = &textur;
    o->mSeite = seite;
    o->mStufe = stufe;
    return o;
}

Oberflaeche* Oberflaeche::MachTiefe(Geraet& geraet, const GlFormat& format, uint32_t breite, uint32_t hoehe,
                                    bool extern_) {
    auto* o = new Oberflaeche(&geraet, extern_);
    o->mArt = Art::Tiefe;
    o->mFormat = &format;
    o->mBreite = breite;
    o->mHoehe = hoehe;
    o->mPool = D3DPOOL_DEFAULT;
    glGenRenderbuffers(1, &o->mPuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, o->mPuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format.intern, GLsizei(breite), GLsizei(hoehe));
    return o;
}

Oberflaeche* Oberflaeche::MachSpeicher(Geraet& geraet, const GlFormat& format, uint32_t breite,
                                       uint32_t hoehe, D3DPOOL pool) {
    auto* o = new Oberflaeche(&geraet, true);
    o->mArt = Art::Speicher;
    o->mFormat = &format;
    o->mBreite = breite;
    o->mHoehe = hoehe;
    o->mPool = pool;
    o->mSpeicher.resize(size_t(StufenBytes(format, breite, hoehe)));
    return o;
}

Oberflaeche::~Oberflaeche() {
    if (mPuffer != 0) {
        glDeleteRenderbuffers(1, &mPuffer);
    }
}

void Oberflaeche::LoeseVonTextur() {
    mTextur = nullptr;
    delete this;
}

// A texture level lives as long as its texture; while anyone holds the level, it holds the texture.
void Oberflaeche::Unbenutzt() {
    if (mTextur != nullptr) {
        mTextur->mObjekt.LasseIntern();
    } else {
        delete this;
    }
}

void Oberflaeche::WiederBenutzt() {
    if (mTextur != nullptr) {
        mTextur->mObjekt.HalteIntern();
    }
}

HRESULT Oberflaeche::GetDesc(D3DSURFACE_DESC* beschreibung) {
    if (beschreibung == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (mTextur != nullptr) {
        return mTextur->StufenBeschreibung(mStufe, beschreibung);
    }
    *beschreibung = {};
    beschreibung->Format = mFormat->d3d;
    beschreibung->Type = D3DRTYPE_SURFACE;
    beschreibung->Usage = mArt == Art::Tiefe ? D3DUSAGE_DEPTHSTENCIL : 0;
    beschreibung->Pool = mPool;
    beschreibung->Width = mBreite;
    beschreibung->Height = mHoehe;
    return D3D_OK;
}

HRESULT Oberflaeche::LockRect(D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) {
    if (gesperrt == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    switch (mArt) {
    case Art::TexturStufe:
        return mTextur->Sperre(mSeite, mStufe, gesperrt, bereich, flags);
    case Art::Tiefe:
        return D3DERR_INVALIDCALL;
    case Art::Speicher:
        break;
    }
    RECT r;
    if (mGesperrt || !PruefeBereich(bereich, mBreite, mHoehe, *mFormat, r)) {
        return D3DERR_INVALIDCALL;
    }
    const BereichImSpeicher b = LageImSpeicher(*mFormat, mBreite, r);
    gesperrt->Pitch = INT(b.abstand);
    gesperrt->pBits = mSpeicher.data() + b.versatz;
    mGesperrt = true;
    return D3D_OK;
}

HRESULT Oberflaeche::UnlockRect() {
    switch (mArt) {
    case Art::TexturStufe:
        return mTextur->Entsperre(mSeite, mStufe);
    case Art::Tiefe:
        return D3DERR_INVALIDCALL;
    case Art::Speicher:
        break;
    }
    if (!mGesperrt) {
        return D3DERR_INVALIDCALL;
    }
    mGesperrt = false;
    return D3D_OK;
}

// ---- Textures ----

TexturBasis::TexturBasis(ObjektBasis& objekt, GLenum ziel, uint32_t seiten)
    : mObjekt(objekt), mZiel(ziel), mSeiten(seiten) {}

TexturBasis::~TexturBasis() {
    for (Oberflaeche* o : mOberflaechen) {
        if (o != nullptr) {
            o->LoeseVonTextur();
        }
    }
    if (mId != 0) {
        glDeleteTextures(1, &mId);
    }
}

bool TexturBasis::Anlegen(const GlFormat& format, uint32_t breite, uint32_t hoehe, uint32_t stufen,
                          DWORD usage, bool verwaltet) {
    mFormat = &format;
    mBreite = breite;
    mHoehe = hoehe;
    mStufen = stufen;
    mUsage = usage;
    mAutoMips = (usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
    mOberflaechen.assign(size_t(mSeiten) * mStufen, nullptr);
    mSperrungen.resize(size_t(mSeiten) * mStufen);
    if (verwaltet) {
        mKopie.resize(size_t(mSeiten) * mStufen);
        for (uint32_t seite = 0; seite < mSeiten; ++seite) {
            for (uint32_t stufe = 0; stufe < mStufen; ++stufe) {
                mKopie[Index(seite, stufe)].resize(
                    size_t(StufenBytes(format, StufenBreite(stufe), StufenHoehe(stufe))));
            }
        }
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    LegeGlAn();
    return glGetError() != GL_OUT_OF_MEMORY;
}

void TexturBasis::StelleWiederHer() {
    LegeGlAn();
    for (uint32_t seite = 0; seite < mSeiten; ++seite) {
        for (uint32_t stufe = 0; stufe < mStufen; ++stufe) {
            SendeAnGl(seite, stufe, 0, 0, StufenBreite(stufe), StufenHoehe(stufe),
                      mKopie[Index(seite, stufe)].data());
        }
    }
    // The copy of an automatic chain holds only what was written; the levels come from level 0.
    mMipsVeraltet = mAutoMips;
}

void TexturBasis::LegeGlAn() {
    const GlFormat& format = *mFormat;
    glGenTextures(1, &mId);
    glActiveTexture(GL_TEXTURE0 + Geraet::kArbeitsEinheit);
    glBindTexture(mZiel, mId);
    for (uint32_t seite = 0; seite < mSeiten; ++seite) {
        for (uint32_t stufe = 0; stufe < mStufen; ++stufe) {
            const GLsizei b = GLsizei(StufenBreite(stufe));
            const GLsizei h = GLsizei(StufenHoehe(stufe));
            if (format.komprimiert) {
                glCompressedTexImage2D(SeitenZiel(seite), GLint(stufe), format.intern, b, h, 0,
                                       GLsizei(StufenBytes(format, uint32_t(b), uint32_t(h))), nullptr);
            } else {
                glTexImage2D(SeitenZiel(seite), GLint(stufe), GLint(format.intern), b, h, 0, format.format,
                             format.typ, nullptr);
            }
        }
    }
    // A texture with fewer levels than its full chain is incomplete for every mip filter
    // unless GL knows where the chain ends: it would sample black.
    glTexParameteri(mZiel, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(mZiel, GL_TEXTURE_MAX_LEVEL, GLint(mStufen - 1));
    glTexParameteriv(mZiel, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
}

uint64_t TexturBasis::Bytes() const {
    uint64_t summe = 0;
    for (uint32_t stufe = 0; stufe < mStufen; ++stufe) {
        summe += StufenBytes(*mFormat, StufenBreite(stufe), StufenHoehe(stufe));
    }
    return summe * mSeiten;
}

uint32_t TexturBasis::StufenBreite(uint32_t stufe) const {
    return std::max<uint32_t>(mBreite >> stufe, 1);
}
uint32_t TexturBasis::StufenHoehe(uint32_t stufe) const {
    return std::max<uint32_t>(mHoehe >> stufe, 1);
}

GLenum TexturBasis::SeitenZiel(uint32_t seite) const {
    // Direct3D's face order +X, -X, +Y, -Y, +Z, -Z is GL's; both index rows from the top.
    return mZiel == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + seite : mZiel;
}

Oberflaeche* TexturBasis::Stufe(uint32_t seite, uint32_t stufe) {
    Oberflaeche*& o = mOberflaechen[Index(seite, stufe)];
    if (o == nullptr) {
        o = Oberflaeche::MachStufe(*this, seite, stufe);
    }
    return o;
}

bool TexturBasis::StufeGehalten() const {
    for (const Oberflaeche* o : mOberflaechen) {
        if (o != nullptr && o->ExternZahl() > 0) {
            return true;
        }
    }
    return false;
}

HRESULT TexturBasis::GibOberflaeche(uint32_t seite, uint32_t stufe, IDirect3DSurface9** oberflaeche) {
    if (oberflaeche == nullptr || seite >= mSeiten || stufe >= mStufen) {
        return D3DERR_INVALIDCALL;
    }
    Oberflaeche* o = Stufe(seite, stufe);
    o->AddRef();
    *oberflaeche = o;
    return D3D_OK;
}

HRESULT TexturBasis::StufenBeschreibung(uint32_t stufe, D3DSURFACE_DESC* beschreibung) const {
    if (beschreibung == nullptr || stufe >= mStufen) {
        return D3DERR_INVALIDCALL;
    }
    *beschreibung = {};
    beschreibung->Format = mFormat->d3d;
    beschreibung->Type = D3DRTYPE_SURFACE;
    beschreibung->Usage = mUsage;
    beschreibung->Pool = mKopie.empty() ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    beschreibung->Width = StufenBreite(stufe);
    beschreibung->Height = StufenHoehe(stufe);
    return D3D_OK;
}

// Locks write into a packed staging copy that the unlock uploads; the engine always fills the
// whole locked rectangle, so nothing is read back except from render targets (screenshots) and
// from a managed texture's copy.
HRESULT TexturBasis::Sperre(uint32_t seite, uint32_t stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich,
                            DWORD flags) {
    if (gesperrt == nullptr || seite >= mSeiten || stufe >= mStufen) {
        return D3DERR_INVALIDCALL;
    }
    // As on Direct3D 9: the default pool is lockable only for dynamic textures and the lockable
    // back buffer; the managed pool always.
    const bool verwaltet = !mKopie.empty();
    const bool lesbar = mSperrbaresZiel;
    if (!verwaltet && !lesbar && (mUsage & D3DUSAGE_DYNAMIC) == 0) {
        return D3DERR_INVALIDCALL;
    }
    Sperrung& s = mSperrungen[Index(seite, stufe)];
    RECT r;
    if (s.aktiv || !PruefeBereich(bereich, StufenBreite(stufe), StufenHoehe(stufe), *mFormat, r)) {
        return D3DERR_INVALIDCALL;
    }
    s.aktiv = true;
    s.bereich = r;
    s.daten.resize(size_t(StufenBytes(*mFormat, BereichBreite(r), BereichHoehe(r))));
    if (verwaltet) {
        const BereichImSpeicher b = LageImSpeicher(*mFormat, StufenBreite(stufe), r);
        KopiereZeilen(s.daten.data(), b.zeile, mKopie[Index(seite, stufe)].data() + b.versatz, b.abstand,
                      b.zeile, b.zeilen);
    } else if (lesbar && (flags & D3DLOCK_DISCARD) == 0) {
        mObjekt.GibGeraet()->LiesZiel(*this, seite, stufe, r, s.daten.data());
    }
    gesperrt->Pitch = INT(ZeilenBytes(*mFormat, BereichBreite(r)));
    gesperrt->pBits = s.daten.data();
    return D3D_OK;
}

HRESULT TexturBasis::Entsperre(uint32_t seite, uint32_t stufe) {
    if (seite >= mSeiten || stufe >= mStufen) {
        return D3DERR_INVALIDCALL;
    }
    Sperrung& s = mSperrungen[Index(seite, stufe)];
    if (!s.aktiv) {
        return D3DERR_INVALIDCALL;
    }
    s.aktiv = false;
    LadeHoch(seite, stufe, uint32_t(s.bereich.left), uint32_t(s.bereich.top), BereichBreite(s.bereich),
             BereichHoehe(s.bereich), s.daten.data());
    return D3D_OK;
}

void TexturBasis::LadeHoch(uint32_t seite, uint32_t stufe, uint32_t x, uint32_t y, uint32_t breite,
                           uint32_t hoehe, const void* daten) {
    if (!mKopie.empty()) {
        const RECT r{LONG(x), LONG(y), LONG(x + breite), LONG(y + hoehe)};
        const BereichImSpeicher b = LageImSpeicher(*mFormat, StufenBreite(stufe), r);
        KopiereZeilen(mKopie[Index(seite, stufe)].data() + b.versatz, b.abstand,
                      static_cast<const uint8_t*>(daten), b.zeile, b.zeile, b.zeilen);
    }
    SendeAnGl(seite, stufe, x, y, breite, hoehe, daten);
}

void TexturBasis::SendeAnGl(uint32_t seite, uint32_t stufe, uint32_t x, uint32_t y, uint32_t breite,
                            uint32_t hoehe, const void* daten) {
    glActiveTexture(GL_TEXTURE0 + Geraet::kArbeitsEinheit);
    glBindTexture(mZiel, mId);
    if (mFormat->komprimiert) {
        glCompressedTexSubImage2D(SeitenZiel(seite), GLint(stufe), GLint(x), GLint(y), GLsizei(breite),
                                  GLsizei(hoehe), mFormat->intern,
                                  GLsizei(StufenBytes(*mFormat, breite, hoehe)), daten);
    } else {
        glTexSubImage2D(SeitenZiel(seite), GLint(stufe), GLint(x), GLint(y), GLsizei(breite), GLsizei(hoehe),
                        mFormat->format, mFormat->typ, daten);
    }
    if (stufe == 0 && mAutoMips) {
        mMipsVeraltet = true;
    }
}

void TexturBasis::ErneuereMips() {
    if (mMipsVeraltet) {
        MipsErneuern();
    }
}

void TexturBasis::MipsErneuern() {
    mMipsVeraltet = false;
    glActiveTexture(GL_TEXTURE0 + Geraet::kArbeitsEinheit);
    glBindTexture(mZiel, mId);
    glGenerateMipmap(mZiel);
}

Textur2D::Textur2D(Geraet* geraet, bool extern_)
    : Objekt(geraet, extern_), TexturBasis(*this, GL_TEXTURE_2D, 1) {}

Textur2D::~Textur2D() = default;

// Direct3D 9 shows an automatic chain as a single level.
DWORD Textur2D::GetLevelCount() {
    return mAutoMips ? 1 : mStufen;
}

void Textur2D::GenerateMipSubLevels() {
    if (mAutoMips) {
        MipsErneuern();
    }
}

HRESULT Textur2D::GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) {
    return StufenBeschreibung(stufe, beschreibung);
}

HRESULT Textur2D::GetSurfaceLevel(UINT stufe, IDirect3DSurface9** oberflaeche) {
    return GibOberflaeche(0, stufe, oberflaeche);
}

HRESULT Textur2D::LockRect(UINT stufe, D3DLOCKED_RECT* gesperrt, const RECT* bereich, DWORD flags) {
    return Sperre(0, stufe, gesperrt, bereich, flags);
}

HRESULT Textur2D::UnlockRect(UINT stufe) {
    return Entsperre(0, stufe);
}

WuerfelTextur::WuerfelTextur(Geraet* geraet)
    : Objekt(geraet, true), TexturBasis(*this, GL_TEXTURE_CUBE_MAP, 6) {}

WuerfelTextur::~WuerfelTextur() = default;

DWORD WuerfelTextur::GetLevelCount() {
    return mAutoMips ? 1 : mStufen;
}

void WuerfelTextur::GenerateMipSubLevels() {
    if (mAutoMips) {
        MipsErneuern();
    }
}

HRESULT WuerfelTextur::GetLevelDesc(UINT stufe, D3DSURFACE_DESC* beschreibung) {
    return StufenBeschreibung(stufe, beschreibung);
}

HRESULT WuerfelTextur::GetCubeMapSurface(D3DCUBEMAP_FACES seite, UINT stufe,
                                         IDirect3DSurface9** oberflaeche) {
    return GibOberflaeche(seite, stufe, oberflaeche);
}

HRESULT WuerfelTextur::LockRect(D3DCUBEMAP_FACES seite, UINT stufe, D3DLOCKED_RECT* gesperrt,
                                const RECT* bereich, DWORD flags) {
    return Sperre(seite, stufe, gesperrt, bereich, flags);
}

HRESULT WuerfelTextur::UnlockRect(D3DCUBEMAP_FACES seite, UINT stufe) {
    return Entsperre(seite, stufe);
}

TexturBasis* AlsTextur(IDirect3DBaseTexture9* textur) {
    return dynamic_cast<TexturBasis*>(textur);
}

} // namespace Plattform
