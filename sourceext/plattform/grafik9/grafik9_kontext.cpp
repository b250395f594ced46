// The device's OpenGL context: what the device makes in it, the driver's reset notification, and
// a new context after the driver reset the old one.

#include "plattform/grafik9/grafik9_geraet.h"

#include "plattform/grafik9/grafik9_meldung.h"
#include "plattform/grafik9/grafik9_testhaken.h"

#include <algorithm>
#include <string>

namespace Plattform {

namespace {

struct KontextHaken {
    uint32_t resetMeldungen = 0; // status checks still to report a reset
    uint32_t kontextFehler = 0;  // new contexts still to fail
    bool fehlerBeobachten = false;
    uint64_t fehler = 0;
} gKontextHaken;

void GLAPIENTRY MeldeGlFehler(GLenum, GLenum typ, GLuint, GLenum, GLsizei, const GLchar* text, const void*) {
    if (typ == GL_DEBUG_TYPE_ERROR) {
        ++gKontextHaken.fehler;
        MeldeGrafik("OpenGL: %s", text);
    }
}

// In the current context.
void SchalteFehlerBeobachtung(bool an) {
    if (an) {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(MeldeGlFehler, nullptr);
    } else {
        glDisable(GL_DEBUG_OUTPUT);
    }
}

} // namespace

void ErzwingeKontextVerlust(uint32_t nochLaufend) {
    gKontextHaken.resetMeldungen = 1 + nochLaufend;
}

void ErzwingeKontextFehler(uint32_t anzahl) {
    gKontextHaken.kontextFehler = anzahl;
}

void BeobachteGlFehler(bool an) {
    gKontextHaken.fehlerBeobachten = an;
    SchalteFehlerBeobachtung(an);
}

uint64_t GlFehlerAnzahl() {
    return gKontextHaken.fehler;
}

void Geraet::RichteKontextEin() {
    if (gKontextHaken.fehlerBeobachten) {
        SchalteFehlerBeobachtung(true);
    }
    glGenFramebuffers(1, &mFbo);
    glGenFramebuffers(1, &mLeseFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mFbo);
    glGenVertexArrays(1, &mVao);
    glBindVertexArray(mVao);
    mAktiveOrte = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    float hoechsteAnisotropie = 1.0f;
    mFaehigkeiten = LiesFaehigkeiten(hoechsteAnisotropie);
    mZustand.Anlegen((mFaehigkeiten.TextureFilterCaps & D3DPTFILTERCAPS_MINFANISOTROPIC) != 0,
                     hoechsteAnisotropie);
}

D3DCAPS9 Geraet::LiesFaehigkeiten(float& hoechsteAnisotropie) {
    GLint groesse = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &groesse);
    GLint zielZahl = 1;
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &zielZahl);
    const bool anisotropie = HatGlErweiterung("GL_EXT_texture_filter_anisotropic") ||
                             HatGlErweiterung("GL_ARB_texture_filter_anisotropic");
    hoechsteAnisotropie = 1.0f;
    if (anisotropie) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &hoechsteAnisotropie);
    }
    D3DCAPS9 f{};
    f.DeviceType = D3DDEVTYPE_HAL;
    f.MaxTextureWidth = DWORD(groesse);
    f.MaxTextureHeight = DWORD(groesse);
    f.TextureFilterCaps = anisotropie ? D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC : 0;
    f.MaxAnisotropy = DWORD(hoechsteAnisotropie);
    f.NumSimultaneousRTs = DWORD(std::min<GLint>(zielZahl, kZiele));
    f.VertexShaderVersion = D3DVS_VERSION(3, 0);
    f.MaxVertexShaderConst = kVsRegister;
    f.PixelShaderVersion = D3DPS_VERSION(3, 0);
    return f;
}

uint32_t Geraet::RuecksetzStatus() {
    if (gKontextHaken.resetMeldungen > 0) {
        --gKontextHaken.resetMeldungen;
        return GL_UNKNOWN_CONTEXT_RESET;
    }
    return mEgl ? mEgl->RuecksetzStatus() : GL_NO_ERROR;
}

HRESULT Geraet::PruefeRuecksetzung() {
    const uint32_t status = RuecksetzStatus();
    if (status == GL_NO_ERROR) {
        return D3D_OK;
    }
    MeldeGrafik("the driver reset the OpenGL context (status 0x%x): the device is lost", unsigned(status));
    mLage = Lage::Verloren;
    mKontextVerloren = true;
    mVerlorenAntworten = 0;
    mLaufendGemeldet = 0;
    return D3DERR_DEVICELOST;
}

// The driver answers "no error" again once the reset is over; until then the device stays lost.
HRESULT Geraet::KooperationNachRuecksetzung() {
    if (RuecksetzStatus() != GL_NO_ERROR && mLaufendGemeldet < kLaufendeResetsHoechstens) {
        ++mLaufendGemeldet;
        return D3DERR_DEVICELOST;
    }
    mLage = Lage::NichtZurueckgesetzt;
    return D3DERR_DEVICENOTRESET;
}

// Reset has released every default-pool object and the device's own ones in the old context
// already. The old context's names mean nothing in the new one, where the same numbers may name
// other objects: nothing is deleted, everything that stays is forgotten or made again.
bool Geraet::ErneuereKontext() {
    mProgramme.VergissKontext();
    mProgramm = nullptr;
    mProgrammVeraltet = true;
    mEgl.reset();
    std::string fehler;
    if (gKontextHaken.kontextFehler > 0) {
        --gKontextHaken.kontextFehler;
        fehler = "refused by the test hook";
    } else {
        mEgl = EglKontext::Erzeuge(mFenster, fehler);
    }
    if (!mEgl) {
        MeldeGrafik("no new OpenGL context after the reset: %s", fehler.c_str());
        return false;
    }
    RichteKontextEin();
    for (ShaderObjekt* shader : mShader) {
        shader->Uebersetze();
    }
    for (ObjektBasis* objekt : mVerwalteteObjekte) {
        objekt->Wiederherstellen();
    }
    // What the hook still had to report belonged to the old context.
    gKontextHaken.resetMeldungen = 0;
    mKontextVerloren = false;
    return true;
}

} // namespace Plattform
