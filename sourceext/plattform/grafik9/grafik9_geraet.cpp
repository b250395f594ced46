// The device's life: creation and teardown, the checks of loss and reset, Reset and Present, and
// the bookkeeping of the default pool that Reset checks.

#include "plattform/grafik9/grafik9_geraet.h"

#include "plattform/grafik9/grafik9_meldung.h"
#include "plattform/grafik9/grafik9_testhaken.h"

#include <malloc.h>
#include <string>
#include <utility>

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

bool IstFarbFormatDesRueckpuffers(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5;
}

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
                                     mParameter.BackBufferHeight, 1, D3DUSAGE_RENDERTARGET, false)) {
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
    const bool mitKontext = !mKontextVerloren || ErneuereKontext();
    mParameter = neu;
    if (const HRESULT h = LegeRueckpufferAn(); FAILED(h)) {
        mLage = Lage::NichtZurueckgesetzt;
        return h;
    }
    SetzeStandardZustand();
    // Without a new context the back buffer and the states exist all the same, so the engine can
    // go on with its frames as on a lost device until a later Reset gets one.
    if (!mitKontext) {
        mLage = Lage::NichtZurueckgesetzt;
        return D3DERR_DEVICELOST;
    }
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

// ---- Default-pool bookkeeping ----

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

void Geraet::NimmInPool(ObjektBasis& objekt, D3DPOOL pool, uint64_t bytes) {
    if (pool == D3DPOOL_DEFAULT) {
        NimmInStandardPool(objekt, bytes);
        return;
    }
    objekt.mVerwaltet = true;
    mVerwalteteObjekte.insert(&objekt);
}

void Geraet::NimmAusVerwaltetemPool(ObjektBasis& objekt) {
    mVerwalteteObjekte.erase(&objekt);
}

} // namespace Plattform
