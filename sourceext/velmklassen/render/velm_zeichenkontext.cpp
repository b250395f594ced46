#include "velmklassen/render/velm_zeichenkontext.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_indexbuffer.h"
#include "velmklassen/render/velm_pixelshader.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_vertexbuffer.h"
#include "velmklassen/render/velm_vertexeingabe.h"
#include "velmklassen/render/velm_vertexshader.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zbuffer.h"
#include "velmklassen/render/velm_zustaende.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <typeinfo>

namespace {

template <class T> T* NichtGebunden() {
    return reinterpret_cast<T*>(Velm_ZeichenKontext::kNichtGebunden);
}

// The marker is no object: converting it to the base class would be undefined, so it is
// compared first.
template <class T> bool IstGebunden(T* gebunden, const Velm_BasisObjekt* objekt) {
    return gebunden != NichtGebunden<T>() && gebunden == objekt;
}

// The class name as the original platform's type information spells it: "class Velm_Textur".
std::string KlassenName(const Velm_BasisObjekt& objekt) {
    const char* roh = typeid(objekt).name();
    int status = 0;
    char* lesbar = abi::__cxa_demangle(roh, nullptr, nullptr, &status);
    std::string name = std::string("class ") + (status == 0 && lesbar != nullptr ? lesbar : roh);
    std::free(lesbar);
    return name;
}

// Unsigned addition that stops at the largest value instead of wrapping around.
uint64_t SummeOhneUeberlauf(uint64_t a, uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

} // namespace

Velm_ZeichenKontext::Velm_ZeichenKontext() : mDX9(*this) {
    InternVergissZustand();
    Velm_AlphaZustand* alpha = ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung());
    mStandardAlpha = alpha;
    SetAlphaZustand(alpha);
    mStandardTiefe = Registriere(new Velm_TiefeZustand(Velm_TiefeZustandBeschreibung()));
    SetTiefeZustand(mStandardTiefe);
    SetRueckseite();
}

Velm_ZeichenKontext::~Velm_ZeichenKontext() {
    MeldeNichtFreigegebene();
}

template <class T> T* Velm_ZeichenKontext::Registriere(T* objekt) {
    objekt->mSlot = mRegister.Einfuegen(objekt);
    return objekt;
}

void Velm_ZeichenKontext::InternVergissZustand() {
    mRenderziel = NichtGebunden<Velm_Renderziel>();
    mZielBreite = uint64_t(std::max<int64_t>(Velm_Screen3D::mDarstellung.mBreite, 0));
    mZielHoehe = uint64_t(std::max<int64_t>(Velm_Screen3D::mDarstellung.mHoehe, 0));
    mBereichX = 0;
    mBereichY = 0;
    mBereichBreite = mZielBreite;
    mBereichHoehe = mZielHoehe;
    mProgramm = nullptr;
    mRueckseite = kKeineRueckseite;
    mTiefeZustand = NichtGebunden<Velm_TiefeZustand>();
    mAlphaZustand = NichtGebunden<Velm_AlphaZustand>();
    for (VertexKanal& kanal : mKanaele) {
        kanal = VertexKanal{};
    }
    mIndexBuffer = nullptr;
}

// ---- Factories ----

Velm_Textur* Velm_ZeichenKontext::ErzeugeTextur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl,
                                                uint32_t formatUndFlags, Velm_TexturInhalt& inhalt) {
    return Registriere(new Velm_Textur(breite, hoehe, mipAnzahl, formatUndFlags, inhalt));
}

Velm_Textur* Velm_ZeichenKontext::ErzeugeTextur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl,
                                                uint32_t formatUndFlags) {
    Velm_TexturInhalt leer;
    return ErzeugeTextur(breite, hoehe, mipAnzahl, formatUndFlags, leer);
}

Velm_Renderziel* Velm_ZeichenKontext::ErzeugeRenderziel(const Velm_RenderzielBeschreibung& beschreibung) {
    return Registriere(new Velm_Renderziel(beschreibung));
}

Velm_VertexBuffer* Velm_ZeichenKontext::ErzeugeVertexBuffer(uint64_t groesse, uint32_t flags,
                                                            Velm_Initialdaten& daten) {
    return Registriere(new Velm_VertexBuffer(groesse, flags, daten));
}

Velm_IndexBuffer* Velm_ZeichenKontext::ErzeugeIndexBuffer(Velm_Initialdaten& daten) {
    return Registriere(new Velm_IndexBuffer(daten));
}

Velm_VertexEingabe* Velm_ZeichenKontext::ErzeugeVertexEingabe() {
    return Registriere(new Velm_VertexEingabe());
}

Velm_VertexShader* Velm_ZeichenKontext::ErzeugeVertexShader() {
    return Registriere(new Velm_VertexShader());
}

Velm_PixelShader* Velm_ZeichenKontext::ErzeugePixelShader() {
    return Registriere(new Velm_PixelShader());
}

Velm_Programm* Velm_ZeichenKontext::ErzeugeProgramm(Velm_VertexEingabe* eingabe,
                                                    Velm_VertexShader* vertexShader,
                                                    Velm_PixelShader* pixelShader) {
    return Registriere(new Velm_Programm(eingabe, vertexShader, pixelShader));
}

Velm_Sampler* Velm_ZeichenKontext::ErzeugeSampler(const Velm_SamplerBeschreibung& beschreibung) {
    return Registriere(new Velm_Sampler(beschreibung));
}

Velm_AlphaZustand*
Velm_ZeichenKontext::ErzeugeAlphaZustand(const Velm_AlphaZustandBeschreibung& beschreibung) {
    return Registriere(new Velm_AlphaZustand(beschreibung));
}

Velm_TiefeZustand*
Velm_ZeichenKontext::ErzeugeTiefeZustand(const Velm_TiefeZustandBeschreibung& beschreibung) {
    return Registriere(new Velm_TiefeZustand(beschreibung));
}

void Velm_ZeichenKontext::Abmelden(Velm_BasisObjekt* objekt) {
    if (mRegister.IstBelegt(objekt->mSlot) && mRegister[objekt->mSlot] == objekt) {
        mRegister.Entfernen(objekt->mSlot);
    }
    // A new object may be made at the same address; it must not find itself already bound.
    VergissGebunden(objekt);
}

void Velm_ZeichenKontext::VergissGebunden(const Velm_BasisObjekt* objekt) {
    if (IstGebunden(mRenderziel, objekt)) {
        mRenderziel = NichtGebunden<Velm_Renderziel>();
    }
    if (IstGebunden(mProgramm, objekt)) {
        mProgramm = NichtGebunden<Velm_Programm>();
    }
    if (IstGebunden(mTiefeZustand, objekt)) {
        mTiefeZustand = NichtGebunden<Velm_TiefeZustand>();
    }
    if (IstGebunden(mAlphaZustand, objekt)) {
        mAlphaZustand = NichtGebunden<Velm_AlphaZustand>();
    }
    for (VertexKanal& kanal : mKanaele) {
        if (IstGebunden(kanal.mPuffer, objekt)) {
            kanal.mPuffer = NichtGebunden<Velm_VertexBuffer>();
        }
    }
    if (IstGebunden(mIndexBuffer, objekt)) {
        mIndexBuffer = NichtGebunden<Velm_IndexBuffer>();
    }
}

void Velm_ZeichenKontext::GibObjektFrei(Velm_BasisObjekt* objekt) {
    if (objekt == nullptr) {
        return;
    }
    Abmelden(objekt);
    delete objekt;
}

// ---- Binding ----

void Velm_ZeichenKontext::SetRenderZiel(Velm_Renderziel* ziel) {
    if (ziel == mRenderziel) {
        SetRenderBereich(0, 0, UINT64_MAX, UINT64_MAX);
        return;
    }
    if (ziel != nullptr) {
        ziel->Benutzen();
    }
    mDX9.SetRenderZiel(ziel);
    mRenderziel = ziel;
    if (ziel != nullptr && ziel->mBeschreibung.mBreite != 0) {
        mZielBreite = ziel->mBeschreibung.mBreite;
        mZielHoehe = ziel->mBeschreibung.mHoehe;
    } else {
        mZielBreite = uint64_t(std::max<int64_t>(Velm_Screen3D::mDarstellung.mBreite, 0));
        mZielHoehe = uint64_t(std::max<int64_t>(Velm_Screen3D::mDarstellung.mHoehe, 0));
    }
    // The device resets its viewport to the whole target when the target changes.
    mBereichX = 0;
    mBereichY = 0;
    mBereichBreite = mZielBreite;
    mBereichHoehe = mZielHoehe;
}

void Velm_ZeichenKontext::SetRenderBereich(uint64_t x, uint64_t y, uint64_t breite, uint64_t hoehe) {
    const uint64_t x1 = std::min(x, mZielBreite);
    const uint64_t y1 = std::min(y, mZielHoehe);
    const uint64_t b1 = std::min(SummeOhneUeberlauf(x1, breite), mZielBreite) - x1;
    const uint64_t h1 = std::min(SummeOhneUeberlauf(y1, hoehe), mZielHoehe) - y1;
    if (x1 == mBereichX && y1 == mBereichY && b1 == mBereichBreite && h1 == mBereichHoehe) {
        return;
    }
    mDX9.SetRenderBereich(x1, y1, b1, h1);
    mBereichX = x1;
    mBereichY = y1;
    mBereichBreite = b1;
    mBereichHoehe = h1;
}

void Velm_ZeichenKontext::SetProgramm(Velm_Programm* programm) {
    if (programm == mProgramm) {
        return;
    }
    if (programm != nullptr) {
        mDX9.SetProgramm(programm);
    }
    mProgramm = programm;
}

void Velm_ZeichenKontext::SetVertexBuffer(uint64_t kanal, Velm_VertexBuffer* puffer, uint64_t versatz,
                                          uint64_t schritt) {
    if (!VELM_PRUEFE(kanal < 4, "Ungültiger Vertexkanal", "Velm_ZeichenKontext::SetVertexBuffer")) {
        return;
    }
    if (schritt == 0 && mProgramm != nullptr && mProgramm != NichtGebunden<Velm_Programm>()) {
        schritt = mProgramm->mSchritt[kanal];
    }
    VertexKanal& k = mKanaele[kanal];
    if (k.mPuffer == puffer && k.mVersatz == versatz && k.mSchritt == schritt) {
        return;
    }
    if (puffer != nullptr) {
        puffer->Benutzen();
    }
    mDX9.SetVertexBuffer(kanal, puffer, schritt);
    k.mPuffer = puffer;
    k.mVersatz = versatz;
    k.mSchritt = schritt;
}

void Velm_ZeichenKontext::SetIndexBuffer(Velm_IndexBuffer* puffer) {
    if (puffer == mIndexBuffer) {
        return;
    }
    if (puffer != nullptr) {
        puffer->Benutzen();
    }
    mDX9.SetIndexBuffer(puffer);
    mIndexBuffer = puffer;
}

void Velm_ZeichenKontext::SetTiefeZustand(Velm_TiefeZustand* zustand) {
    if (zustand == mTiefeZustand || zustand == nullptr) {
        return;
    }
    zustand->Benutzen();
    mDX9.SetTiefeZustand(zustand);
    mTiefeZustand = zustand;
}

void Velm_ZeichenKontext::SetAlphaZustand(Velm_AlphaZustand* zustand) {
    if (zustand == nullptr) {
        zustand = mStandardAlpha;
    }
    if (zustand == mAlphaZustand || zustand == nullptr) {
        return;
    }
    zustand->Benutzen();
    mDX9.SetAlphaZustand(zustand);
    mAlphaZustand = zustand;
}

void Velm_ZeichenKontext::SetRueckseite() {
    if (mRueckseite == 0) {
        return;
    }
    mDX9.SetRueckseite();
    mRueckseite = 0;
}

void Velm_ZeichenKontext::SetSampler(Velm_SamplerHandle handle, Velm_Sampler* sampler,
                                     Velm_BasisObjekt* textur) {
    if (handle == kVelm_KeinSamplerHandle) {
        return;
    }
    if (sampler != nullptr) {
        sampler->Benutzen();
    }
    if (textur != nullptr) {
        textur->Benutzen();
    }
    mDX9.SetTextur(handle, sampler, textur);
}

void Velm_ZeichenKontext::SetProgrammKonstante(Velm_KonstantenHandle handle, float x, float y, float z,
                                               float w) {
    mDX9.SetProgrammKonstante(handle, x, y, z, w);
}

// ---- Drawing ----

void Velm_ZeichenKontext::ZeichneIndexElemente() {
    mDX9.ZeichneIndexElemente();
}

void Velm_ZeichenKontext::ZeichneIndexInstanzen(uint64_t anzahl) {
    mDX9.ZeichneIndexInstanzen(anzahl);
}

void Velm_ZeichenKontext::Leeren(uint32_t flags, const TAlphaFarbe& farbe) {
    mDX9.Leeren(flags, farbe);
}

bool Velm_ZeichenKontext::LiesBildschirmInhalt(Velm_Bild& bild) {
    return mDX9.LiesBildschirmInhalt(bild);
}

void Velm_ZeichenKontext::Praesentieren() {
    mDX9.Praesentieren();
}

bool Velm_ZeichenKontext::Zuruecksetzen() {
    for (uint64_t i = 0; i < mRegister.Kapazitaet(); ++i) {
        if (mRegister.IstBelegt(i) && mRegister[i]->BelegtVideoRAM()) {
            mRegister[i]->VorZuruecksetzen();
        }
    }
    mDX9.Zuruecksetzen();
    for (uint64_t i = 0; i < mRegister.Kapazitaet(); ++i) {
        if (mRegister.IstBelegt(i) && mRegister[i]->BelegtVideoRAM()) {
            mRegister[i]->NachZuruecksetzen();
        }
    }
    InternVergissZustand();
    mRenderziel = nullptr;
    return true;
}

// ---- Statistics and shut-down ----

namespace {

struct Posten {
    uint64_t anzahl = 0;
    uint64_t bytes = 0;
    void Zaehle(uint64_t b) {
        ++anzahl;
        bytes += b;
    }
};

struct Klasse {
    Posten alle, video, dynamisch, ziele, offline;
    void Zaehle(const Velm_BasisObjekt& objekt, uint64_t bytes) {
        alle.Zaehle(bytes);
        if (objekt.mZustand == Velm_ObjektResident) {
            video.Zaehle(bytes);
        } else {
            offline.Zaehle(bytes);
        }
        if (objekt.mFlags & FLAG_DYNAMISCH) {
            dynamisch.Zaehle(bytes);
        }
        if (objekt.mFlags & FLAG_RENDERZIEL) {
            ziele.Zaehle(bytes);
        }
    }
};

uint64_t KettenBytes(uint32_t format, uint64_t breite, uint64_t hoehe, uint64_t stufen) {
    uint64_t summe = 0;
    for (uint64_t i = 0; i < stufen; ++i) {
        summe += Velm_Bild::BerechneDatenGroesse(Velm_Pixelformat(format), std::max<uint64_t>(breite >> i, 1),
                                                 std::max<uint64_t>(hoehe >> i, 1));
    }
    return summe;
}

int Kb(uint64_t bytes) {
    return int(bytes >> 10);
}

void SchreibeKlasse(const char* kopf, const Klasse& k, bool mitZielen) {
    Velm_Konsole::Schreibe(kopf, int(k.alle.anzahl), Kb(k.alle.bytes));
    Velm_Konsole::Schreibe("  davon %d im VideoRAM (%d kb)", int(k.video.anzahl), Kb(k.video.bytes));
    Velm_Konsole::Schreibe("  davon %d dynamisch (%d kb)", int(k.dynamisch.anzahl), Kb(k.dynamisch.bytes));
    if (mitZielen) {
        Velm_Konsole::Schreibe("  davon %d Renderziele (%d kb)", int(k.ziele.anzahl), Kb(k.ziele.bytes));
    }
    Velm_Konsole::Schreibe("  davon %d offline (%d kb)", int(k.offline.anzahl), Kb(k.offline.bytes));
}

} // namespace

void Velm_ZeichenKontext::GetStatistik() {
    uint64_t anzahl = 0;
    uint64_t bytes = 0;
    int programme = 0, eingaben = 0, vertexShader = 0, pixelShader = 0;
    int ziele = 0, sampler = 0, alpha = 0, tiefe = 0;
    Klasse vertexPuffer, indexPuffer, texturen, wuerfel;
    for (uint64_t i = 0; i < mRegister.Kapazitaet(); ++i) {
        if (!mRegister.IstBelegt(i)) {
            continue;
        }
        Velm_BasisObjekt* o = mRegister[i];
        ++anzahl;
        if (auto* p = dynamic_cast<Velm_VertexBuffer*>(o)) {
            vertexPuffer.Zaehle(*p, p->mGroesse);
            bytes += p->mGroesse;
        } else if (auto* p = dynamic_cast<Velm_IndexBuffer*>(o)) {
            indexPuffer.Zaehle(*p, p->mGroesse);
            bytes += p->mGroesse;
        } else if (auto* t = dynamic_cast<Velm_Textur*>(o)) {
            const uint64_t b = KettenBytes(t->mFormat, t->mBreite, t->mHoehe, t->mMipAnzahl);
            texturen.Zaehle(*t, b);
            bytes += b;
        } else if (auto* w = dynamic_cast<Velm_WuerfelTextur*>(o)) {
            const uint64_t b = 6 * KettenBytes(w->mFormat, w->mKante, w->mKante, w->mMipAnzahl);
            wuerfel.Zaehle(*w, b);
            bytes += b;
        } else if (dynamic_cast<Velm_Programm*>(o)) {
            ++programme;
        } else if (dynamic_cast<Velm_VertexEingabe*>(o)) {
            ++eingaben;
        } else if (dynamic_cast<Velm_VertexShader*>(o)) {
            ++vertexShader;
        } else if (dynamic_cast<Velm_PixelShader*>(o)) {
            ++pixelShader;
        } else if (dynamic_cast<Velm_Renderziel*>(o)) {
            ++ziele;
        } else if (dynamic_cast<Velm_Sampler*>(o)) {
            ++sampler;
        } else if (dynamic_cast<Velm_AlphaZustand*>(o)) {
            ++alpha;
        } else if (dynamic_cast<Velm_TiefeZustand*>(o)) {
            ++tiefe;
        }
    }
    Velm_Konsole::Schreibe("Insgesamt %d Resourcen mit einer Gesamtgröße von schätzungsweise %d kb.",
                           int(anzahl), Kb(bytes));
    Velm_Konsole::Schreibe("%d Shader-Programme von", programme);
    Velm_Konsole::Schreibe("%d VertexEingaben, %d VertexShader, %d PixelShader", eingaben, vertexShader,
                           pixelShader);
    Velm_Konsole::Schreibe("%d Renderziele, %d Sampler-Konfigs, %d Alpha-Konfigs, %d Alpha-Zustände", ziele,
                           sampler, alpha, tiefe);
    Velm_Konsole::Schreibe("%s", "");
    SchreibeKlasse("%d VertexBuffer (%d kb)", vertexPuffer, false);
    Velm_Konsole::Schreibe("%s", "");
    SchreibeKlasse("%d IndexBuffer (%d kb)", indexPuffer, false);
    Velm_Konsole::Schreibe("%s", "");
    SchreibeKlasse("%d Texturen (%d kb)", texturen, true);
    Velm_Konsole::Schreibe("%s", "");
    SchreibeKlasse("%d CubeMaps (%d kb)", wuerfel, true);
}

void Velm_ZeichenKontext::MeldeNichtFreigegebene() {
    if (mGeschlossen) {
        return;
    }
    mGeschlossen = true;
    GibObjektFrei(std::exchange(mStandardTiefe, nullptr));
    GibObjektFrei(std::exchange(mStandardAlpha, nullptr));
    for (uint64_t i = 0; i < mRegister.Kapazitaet(); ++i) {
        if (!mRegister.IstBelegt(i)) {
            continue;
        }
        Velm_BasisObjekt* objekt = mRegister[i];
        Velm_Konsole::Schreibe("%s mit AllocID %d nicht freigegeben.", KlassenName(*objekt).c_str(),
                               int(objekt->mAllocId));
        GibObjektFrei(objekt);
    }
    mDX9.Beende();
    mRegister.SetKapazitaet(0, false);
}
