#include "plattform/grafik9/grafik9_geraet.h"

#include "plattform/grafik9/grafik9_testhaken.h"
#include "plattform/shaderkompiler/shaderblob.h"

#include <algorithm>
#include <cstring>
#include <malloc.h>
#include <string>

namespace Plattform {

namespace {

// Free memory at the top of the heap that stays with the process. GL drivers free and allocate
// megabytes every frame (a whole-buffer upload gets a new store, the software rasteriser's scene
// memory comes and goes); with glibc's default the heap shrinks back to the kernel each time
// and every frame pays for system calls and freshly zeroed pages.
constexpr int kBehaltenerHeap = 64 << 20;

// Process-wide, like the hardware they stand in for: there is one device at a time.
struct Haken {
    bool verlustAusstehend = false;
    uint32_t verlorenAntworten = 0;
    uint64_t budget = 0;
    uint64_t belegt = 0;
    bool resetPruefung = true;
    Geraet* geraet = nullptr;
} gHaken;

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

bool IstFarbFormatDesRueckpuffers(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5;
}

constexpr DWORD kFrequenzArt = D3DSTREAMSOURCE_INDEXEDDATA | D3DSTREAMSOURCE_INSTANCEDATA;

} // namespace

// ---- Test hooks ----

void ErzwingeGeraeteVerlust(uint32_t verlorenAntworten) {
    gHaken.verlustAusstehend = true;
    gHaken.verlorenAntworten = verlorenAntworten;
}

void SetzeVideoSpeicherBudget(uint64_t bytes) {
    gHaken.budget = bytes;
}
uint64_t VideoSpeicherBelegt() {
    return gHaken.belegt;
}
void SetzeResetPruefung(bool an) {
    gHaken.resetPruefung = an;
}

// ---- The swap chain: only the back buffer is asked of it ----

class Tauschkette final : public Objekt<IDirect3DSwapChain9> {
public:
    explicit Tauschkette(Geraet* geraet) : Objekt(geraet, false) {}
    HRESULT GetBackBuffer(UINT nummer, D3DBACKBUFFER_TYPE typ, IDirect3DSurface9** oberflaeche) override {
        return mGeraet->GetBackBuffer(0, nummer, typ, oberflaeche);
    }
};

// ---- Creation and teardown ----

Geraet::Geraet() : Objekt(nullptr, true) {
    gHaken.geraet = this;
}

Geraet* Geraet::Erzeuge(HWND fenster, D3DPRESENT_PARAMETERS& parameter, HRESULT& ergebnis) {
    if (gHaken.geraet != nullptr) {
        MeldeGrafik("only one device at a time");
        ergebnis = D3DERR_NOTAVAILABLE;
        return nullptr;
    }
    auto* geraet = new Geraet();
    ergebnis = geraet->Einrichten(fenster, parameter);
    if (FAILED(ergebnis)) {
        geraet->Release();
        return nullptr;
    }
    return geraet;
}

HRESULT Geraet::AdapterFaehigkeiten(D3DCAPS9& faehigkeiten) {
    if (gHaken.geraet != nullptr) {
        faehigkeiten = gHaken.geraet->mFaehigkeiten;
        return D3D_OK;
    }
    std::string fehler;
    const std::unique_ptr<EglKontext> kontext = EglKontext::Erzeuge(nullptr, fehler);
    if (!kontext) {
        MeldeGrafik("no context to ask the adapter's limits before a device: %s", fehler.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    float hoechsteAnisotropie = 1.0f;
    faehigkeiten = LiesFaehigkeiten(hoechsteAnisotropie);
    return D3D_OK;
}

HRESULT Geraet::Einrichten(HWND fenster, D3DPRESENT_PARAMETERS& parameter) {
    std::string fehler;
    mFenster = fenster != nullptr ? fenster : parameter.hDeviceWindow;
    mEgl = EglKontext::Erzeuge(mFenster, fehler);
    if (!mEgl) {
        MeldeGrafik("no OpenGL 3.3 core context: %s", fehler.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    mallopt(M_TRIM_THRESHOLD, kBehaltenerHeap);
    D3DPRESENT_PARAMETERS geprueft = parameter;
    if (const HRESULT h = PruefeParameter(geprueft); FAILED(h)) {
        return h;
    }
    RichteKontextEin();
    mParameter = geprueft;
    if (const HRESULT h = LegeRueckpufferAn(); FAILED(h)) {
        return h;
    }
    mKette = new Tauschkette(this);
    mKette->HalteIntern();
    SetzeStandardZustand();
    mEgl->SetzeIntervall(mParameter.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    parameter = geprueft;
    return D3D_OK;
}

HRESULT Geraet::PruefeParameter(D3DPRESENT_PARAMETERS& parameter) const {
    if (parameter.BackBufferFormat == D3DFMT_UNKNOWN && parameter.Windowed) {
        parameter.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (!IstFarbFormatDesRueckpuffers(parameter.BackBufferFormat) ||
        parameter.MultiSampleType != D3DMULTISAMPLE_NONE) {
        MeldeGrafik("unsupported back buffer format %u", unsigned(parameter.BackBufferFormat));
        return D3DERR_INVALIDCALL;
    }
    if (parameter.EnableAutoDepthStencil) {
        const GlFormat* tiefe = SucheGlFormat(parameter.AutoDepthStencilFormat);
        if (tiefe == nullptr || !tiefe->tiefe) {
            MeldeGrafik("unsupported depth format %u", unsigned(parameter.AutoDepthStencilFormat));
            return D3DERR_INVALIDCALL;
        }
    }
    // No context while a new one after a loss could not be had yet.
    if (parameter.Windowed && (parameter.BackBufferWidth == 0 || parameter.BackBufferHeight == 0) && mEgl) {
        int breite = 0;
        int hoehe = 0;
        mEgl->FensterGroesse(breite, hoehe);
        if (parameter.BackBufferWidth == 0) {
            parameter.BackBufferWidth = UINT(breite);
        }
        if (parameter.BackBufferHeight == 0) {
            parameter.BackBufferHeight = UINT(hoehe);
        }
    }
    if (parameter.BackBufferWidth == 0 || parameter.BackBufferHeight == 0) {
        MeldeGrafik("a back buffer of size 0");
        return D3DERR_INVALIDCALL;
    }
    if (parameter.BackBufferCount == 0) {
        parameter.BackBufferCount = 1;
    }
    return D3D_OK;
}

// The back buffer is an ordinary render-target texture the device keeps for itself; stored
// as RGB8 it reads back with X = 0xFF and blends DESTALPHA as 1, as on Direct3D 9.
HRESULT Geraet::LegeRueckpufferAn() {
    mRueckpufferTextur = new Textur2D(this, false);
    mRueckpufferTextur->HalteIntern();
    mRueckpufferTextur->mSperrbaresZiel = (mParameter.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    if (!mRueckpufferTextur->Anlegen(*SucheGlFormat(mParameter.BackBufferFormat), mParameter.BackBufferWidth,
                                     mParameter.BackBufferHeight, 1, D3DUSAGE_RENDERTARGET)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    if (mParameter.EnableAutoDepthStencil) {
        mAutoTiefe = Oberflaeche::MachTiefe(*this, *SucheGlFormat(mParameter.AutoDepthStencilFormat),
                                            mParameter.BackBufferWidth, mParameter.BackBufferHeight, false);
        mAutoTiefe->HalteIntern();
    }
    return D3D_OK;
}

Oberflaeche* Geraet::Rueckpuffer() const {
    return mRueckpufferTextur->Stufe(0, 0);
}

// The engine released the device: drop every binding; resources it still holds keep the
// context alive until they go too.
void Geraet::ExternFrei() {
    LoeseAlles();
    if (mKette != nullptr) {
        std::exchange(mKette, nullptr)->LasseIntern();
    }
    if (mAutoTiefe != nullptr) {
        std::exchange(mAutoTiefe, nullptr)->LasseIntern();
    }
    if (mRueckpufferTextur != nullptr) {
        std::exchange(mRueckpufferTextur, nullptr)->LasseIntern();
    }
}

Geraet::~Geraet() {
    if (mEgl) {
        mProgramme.Freigeben();
        mZustand.Freigeben();
        glDeleteVertexArrays(1, &mVao);
        glDeleteFramebuffers(1, &mFbo);
        glDeleteFramebuffers(1, &mLeseFbo);
        mEgl.reset();
    }
    gHaken.geraet = nullptr;
}

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

// ---- Device state: loss, reset, present ----

HRESULT Geraet::TestCooperativeLevel() {
    if (mKontextVerloren && mLage == Lage::Verloren) {
        return KooperationNachRuecksetzung();
    }
    switch (mLage) {
    case Lage::Gut:
        return D3D_OK;
    case Lage::Verloren:
        if (mVerlorenAntworten > 0) {
            --mVerlorenAntworten;
            return D3DERR_DEVICELOST;
        }
        mLage = Lage::NichtZurueckgesetzt;
        return D3DERR_DEVICENOTRESET;
    case Lage::NichtZurueckgesetzt:
        return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

HRESULT Geraet::Reset(D3DPRESENT_PARAMETERS* parameter) {
    if (parameter == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (mLage == Lage::Verloren) {
        if (mVerlorenAntworten > 0) {
            --mVerlorenAntworten;
            return D3DERR_DEVICELOST;
        }
        mLage = Lage::NichtZurueckgesetzt;
    }
    // What a lost context held is gone whatever the switch says, so nothing may keep it.
    if (gHaken.resetPruefung || mKontextVerloren) {
        bool gehalten = (mRueckpufferTextur != nullptr && mRueckpufferTextur->VonAussenGehalten()) ||
                        mKette->ExternZahl() > 0 || (mAutoTiefe != nullptr && mAutoTiefe->ExternZahl() > 0);
        for (const ObjektBasis* objekt : mStandardObjekte) {
            gehalten = gehalten || objekt->VonAussenGehalten();
        }
        if (gehalten) {
            MeldeGrafik("Reset with default-pool objects still referenced");
            mLage = Lage::NichtZurueckgesetzt;
            return D3DERR_INVALIDCALL;
        }
    }
    D3DPRESENT_PARAMETERS neu = *parameter;
    if (const HRESULT h = PruefeParameter(neu); FAILED(h)) {
        mLage = Lage::NichtZurueckgesetzt;
        return h;
    }
    LoeseAlles();
    if (mAutoTiefe != nullptr) {
        std::exchange(mAutoTiefe, nullptr)->LasseIntern();
    }
    if (mRueckpufferTextur != nullptr) {
        std::exchange(mRueckpufferTextur, nullptr)->LasseIntern();
    }
    if (mKontextVerloren && !ErneuereKontext()) {
        mLage = Lage::NichtZurueckgesetzt;
        return D3DERR_DEVICELOST;
    }
    mParameter = neu;
    if (const HRESULT h = LegeRueckpufferAn(); FAILED(h)) {
        mLage = Lage::NichtZurueckgesetzt;
        return h;
    }
    SetzeStandardZustand();
    mEgl->SetzeIntervall(mParameter.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    mLage = Lage::Gut;
    *parameter = neu;
    return D3D_OK;
}

HRESULT Geraet::Present(const RECT*, const RECT*, HWND, const void*) {
    if (gHaken.verlustAusstehend) {
        gHaken.verlustAusstehend = false;
        mLage = Lage::Verloren;
        mVerlorenAntworten = gHaken.verlorenAntworten;
    }
    if (mLage != Lage::Gut) {
        return D3DERR_DEVICELOST;
    }
    if (!mEgl->HatFenster()) {
        return PruefeRuecksetzung();
    }
    int breite = 0;
    int hoehe = 0;
    mEgl->FensterGroesse(breite, hoehe);
    const GLint b = GLint(mParameter.BackBufferWidth);
    const GLint h = GLint(mParameter.BackBufferHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mLeseFbo);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mRueckpufferTextur->mId,
                           0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Row 0 of the back buffer is the top of the picture; the window's row 0 is its bottom.
    glBlitFramebuffer(0, 0, b, h, 0, hoehe, breite, 0, GL_COLOR_BUFFER_BIT,
                      (breite == b && hoehe == h) ? GL_NEAREST : GL_LINEAR);
    mEgl->Tausche();
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mFbo);
    mZustand.StelleMaskenWiederHer();
    return PruefeRuecksetzung();
}

HRESULT Geraet::GetDeviceCaps(D3DCAPS9* faehigkeiten) {
    if (faehigkeiten == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *faehigkeiten = mFaehigkeiten;
    return D3D_OK;
}

HRESULT Geraet::GetSwapChain(UINT nummer, IDirect3DSwapChain9** kette) {
    if (kette == nullptr || nummer != 0 || mKette == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    mKette->AddRef();
    *kette = mKette;
    return D3D_OK;
}

HRESULT Geraet::GetBackBuffer(UINT kette, UINT nummer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** oberflaeche) {
    if (oberflaeche == nullptr || kette != 0 || nummer != 0 || mRueckpufferTextur == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    return mRueckpufferTextur->GibOberflaeche(0, 0, oberflaeche);
}

// ---- Resources ----

bool Geraet::PasstInBudget(uint64_t bytes) const {
    return gHaken.budget == 0 || gHaken.belegt + bytes <= gHaken.budget;
}

void Geraet::NimmInStandardPool(ObjektBasis& objekt, uint64_t bytes) {
    objekt.mImStandardPool = true;
    objekt.mVideoBytes = bytes;
    gHaken.belegt += bytes;
    mStandardObjekte.insert(&objekt);
}

void Geraet::NimmAusStandardPool(ObjektBasis& objekt) {
    gHaken.belegt -= objekt.mVideoBytes;
    mStandardObjekte.erase(&objekt);
}

HRESULT Geraet::LegeTexturAn(TexturBasis& textur, UINT breite, UINT hoehe, UINT stufen, DWORD usage,
                             D3DFORMAT format, D3DPOOL pool) {
    const GlFormat* f = SucheGlFormat(format);
    const bool autoMips = (usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
    if (f == nullptr || f->tiefe || pool != D3DPOOL_DEFAULT || breite == 0 || hoehe == 0 ||
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
    if (!PasstInBudget(bytes) || !textur.Anlegen(*f, breite, hoehe, angelegt, usage)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    NimmInStandardPool(textur.mObjekt, bytes);
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

HRESULT Geraet::CreateVertexBuffer(UINT laenge, DWORD usage, DWORD, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** puffer, void**) {
    if (puffer == nullptr || laenge == 0 || pool != D3DPOOL_DEFAULT) {
        return D3DERR_INVALIDCALL;
    }
    *puffer = nullptr;
    if (!PasstInBudget(laenge)) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    auto* neu = new VertexPuffer(this);
    if (!neu->Anlegen(laenge, usage)) {
        neu->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    NimmInStandardPool(*neu, laenge);
    *puffer = neu;
    return D3D_OK;
}

HRESULT Geraet::CreateIndexBuffer(UINT laenge, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** puffer, void**) {
    if (puffer == nullptr || laenge == 0 || pool != D3DPOOL_DEFAULT ||
        (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    *puffer = nullptr;
    if (!PasstInBudget(laenge)) {
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
    NimmInStandardPool(*neu, laenge);
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
    const uint64_t quellAbstand = ZeilenBytes(f, q->mBreite);
    const uint64_t zeilenBytes = ZeilenBytes(f, breite);
    const uint32_t zeilen = f.komprimiert ? (hoehe + 3) / 4 : hoehe;
    const uint64_t ersteZeile = f.komprimiert ? uint64_t(r.top) / 4 : uint64_t(r.top);
    const uint64_t spalte =
        f.komprimiert ? uint64_t(r.left) / 4 * f.bytesProPixel : uint64_t(r.left) * f.bytesProPixel;
    const uint8_t* anfang = q->mSpeicher.data() + ersteZeile * quellAbstand + spalte;
    if (zeilenBytes == quellAbstand) {
        z->mTextur->LadeHoch(z->mSeite, z->mStufe, uint32_t(p.x), uint32_t(p.y), breite, hoehe, anfang);
        return D3D_OK;
    }
    std::vector<uint8_t> gepackt(size_t(zeilenBytes * zeilen));
    for (uint32_t zeile = 0; zeile < zeilen; ++zeile) {
        std::memcpy(gepackt.data() + zeile * zeilenBytes, anfang + zeile * quellAbstand, size_t(zeilenBytes));
    }
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

// ---- Shaders and programs ----

HRESULT Geraet::CreateVertexShader(const DWORD* kode, IDirect3DVertexShader9** shader) {
    if (shader == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *shader = nullptr;
    auto* neu = new VertexShaderObjekt(this);
    if (!neu->Anlegen(kode, kStufeVertex, kVsRegister, kVertexSampler)) {
        neu->Release();
        return D3DERR_INVALIDCALL;
    }
    mShader.insert(neu);
    *shader = neu;
    return D3D_OK;
}

HRESULT Geraet::CreatePixelShader(const DWORD* kode, IDirect3DPixelShader9** shader) {
    if (shader == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *shader = nullptr;
    auto* neu = new PixelShaderObjekt(this);
    if (!neu->Anlegen(kode, kStufePixel, kPsRegister, kPixelSampler)) {
        neu->Release();
        return D3DERR_INVALIDCALL;
    }
    mShader.insert(neu);
    *shader = neu;
    return D3D_OK;
}

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

void Geraet::VergissProgramme(ShaderObjekt* shader) {
    mShader.erase(shader);
    if (mProgramme.Vergiss(shader, mProgramm)) {
        mProgramm = nullptr;
        mProgrammVeraltet = true;
    }
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
    if (primitivAnzahl == 0 || !BereiteZeichnenVor()) {
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
