#include "velmklassen/render/velm_indexbuffer.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

#include <cstring>

Velm_IndexBuffer::Velm_IndexBuffer(Velm_Initialdaten& daten)
    : mGroesse(daten.mDaten != nullptr ? daten.mGroesse : 0) {
    VELM_PRUEFE(mGroesse != 0, "Ungültige Buffergröße", "Velm_IndexBuffer::Velm_IndexBuffer");
    mZustand = Velm_ObjektFreigegeben;
    Benutzen();
    if (mPuffer != nullptr && mGroesse != 0) {
        void* ziel = nullptr;
        if (VELM_PRUEFE(SUCCEEDED(mPuffer->Lock(0, 0, &ziel, 0)), "Schreiben der Initialdaten gescheitert",
                        "Velm_IndexBuffer::Velm_IndexBuffer")) {
            std::memcpy(ziel, daten.mDaten, mGroesse);
            mPuffer->Unlock();
        }
    }
    if (mGroesse != 0) {
        if (daten.mUebernehmen == 1) {
            mKopie = static_cast<uint8_t*>(daten.mDaten);
            daten.mDaten = nullptr;
        } else {
            mKopie = new uint8_t[mGroesse];
            std::memcpy(mKopie, daten.mDaten, mGroesse);
        }
    }
}

Velm_IndexBuffer::~Velm_IndexBuffer() {
    Velm::GibFrei(mPuffer);
    delete[] mKopie;
}

void Velm_IndexBuffer::Freigeben() {
    Velm::GibFrei(mPuffer);
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}

void Velm_IndexBuffer::Benutzen() {
    Velm_BasisObjekt::Benutzen();
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mZustand != Velm_ObjektFreigegeben || mGroesse == 0 || geraet == nullptr) {
        return;
    }
    const D3DFORMAT format = mIndexBreite == 2 ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
    const HRESULT ergebnis = Velm::ErzeugeMitRaeumung(
        [&] {
            return geraet->CreateIndexBuffer(UINT(mGroesse), D3DUSAGE_WRITEONLY, format, D3DPOOL_DEFAULT,
                                             &mPuffer, nullptr);
        },
        false);
    if (FAILED(ergebnis)) {
        mPuffer = nullptr;
        Velm_Konsole::Schreibe("!Velm_IndexBuffer::Velm_IndexBuffer( %d): Failed to create index buffer",
                               int(mGroesse));
        VELM_BERICHT("IndexBuffer creation failed", "Velm_IndexBuffer::Benutzen");
        return;
    }
    mZustand = Velm_ObjektResident;
    if (mKopie != nullptr) {
        void* ziel = nullptr;
        if (VELM_PRUEFE(SUCCEEDED(mPuffer->Lock(0, 0, &ziel, 0)), "Schreiben des Bufferinhalts gescheitert",
                        "Velm_IndexBuffer::Benutzen")) {
            std::memcpy(ziel, mKopie, mGroesse);
            mPuffer->Unlock();
        }
    }
}
