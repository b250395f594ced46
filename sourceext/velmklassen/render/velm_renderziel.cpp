#include "velmklassen/render/velm_renderziel.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_wuerfeltextur.h"
#include "velmklassen/render/velm_zbuffer.h"

#include <algorithm>

Velm_RenderzielBeschreibung::Velm_RenderzielBeschreibung(Velm_Textur* textur)
    : mAnzahl(1), mBreite(textur != nullptr ? textur->mBreite : 0),
      mHoehe(textur != nullptr ? textur->mHoehe : 0) {
    mTexturen[0] = textur;
}

Velm_Renderziel::Velm_Renderziel(const Velm_RenderzielBeschreibung& beschreibung)
    : mBeschreibung(beschreibung) {
    mBeschreibung.mAnzahl = std::min<uint64_t>(mBeschreibung.mAnzahl, 8);
    mZustand = Velm_ObjektFreigegeben;
    ErzeugeDaten();
}

Velm_Renderziel::~Velm_Renderziel() {
    Freigeben();
}

void Velm_Renderziel::Benutzen() {
    if (mZustand == Velm_ObjektFreigegeben) {
        ErzeugeDaten();
    }
}

void Velm_Renderziel::ErzeugeDaten() {
    if (mBeschreibung.mAnzahl == 0 && mBeschreibung.mZBuffer == nullptr) {
        return;
    }
    // A surface whose texture has no device object is missing; the target then stays released
    // and tries again at its next use.
    bool vollstaendig = true;
    for (uint64_t i = 0; i < mBeschreibung.mAnzahl; ++i) {
        Velm_BasisObjekt* textur = mBeschreibung.mTexturen[i];
        if (textur == nullptr) {
            continue;
        }
        textur->Benutzen();
        Velm::GibFrei(mFarbe[i]);
        if (auto* w = dynamic_cast<Velm_WuerfelTextur*>(textur)) {
            if (w->mTextur != nullptr) {
                w->mTextur->GetCubeMapSurface(Velm::GetD3DSeite(mBeschreibung.mSeiten[i]), 0, &mFarbe[i]);
            }
        } else if (auto* t = dynamic_cast<Velm_Textur*>(textur)) {
            if (t->mTextur != nullptr) {
                t->mTextur->GetSurfaceLevel(0, &mFarbe[i]);
            }
        } else {
            VELM_BERICHT("Renderziel-FarbBuffer ist keine Textur", "Velm_Renderziel::ErzeugeDaten");
            continue;
        }
        vollstaendig = vollstaendig && mFarbe[i] != nullptr;
    }
    if (mBeschreibung.mZBuffer != nullptr) {
        mBeschreibung.mZBuffer->Benutzen();
        mTiefe = mBeschreibung.mZBuffer->mOberflaeche;
        vollstaendig = vollstaendig && mTiefe != nullptr;
    }
    mZustand = vollstaendig ? Velm_ObjektResident : Velm_ObjektFreigegeben;
}

void Velm_Renderziel::Freigeben() {
    for (IDirect3DSurface9*& farbe : mFarbe) {
        Velm::GibFrei(farbe);
    }
    mTiefe = nullptr;
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}
