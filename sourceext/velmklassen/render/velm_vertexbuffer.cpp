#include "velmklassen/render/velm_vertexbuffer.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

#include <cstring>

Velm_VertexBuffer::Velm_VertexBuffer(uint64_t groesse, uint32_t flags, Velm_Initialdaten& daten)
    : mGroesse(groesse != 0 ? groesse : daten.mGroesse) {
    mFlags = flags;
    VELM_PRUEFE(mGroesse != 0, "Ungültige Buffergröße", "Velm_VertexBuffer::Velm_VertexBuffer");
    if (!(mFlags & FLAG_DYNAMISCH) && daten.mGroesse != mGroesse) {
        Velm_Konsole::Schreibe(
            "!Velm_VertexBuffer::Velm_VertexBuffer( %d, %d, ...): VertexBuffer ohne FLAG_DYNAMISCH "
            "kann nachträglich nicht mehr beschrieben werden. Vorgabedaten müssen daher den Buffer "
            "vollständig ausfüllen.",
            int(groesse), int(flags));
        VELM_BERICHT("Initialdaten müssen zum Buffer passen", "Velm_VertexBuffer::Velm_VertexBuffer");
    }
    // Never more than the buffer holds.
    const uint64_t bytes = daten.mDaten != nullptr ? std::min(daten.mGroesse, mGroesse) : 0;

    mZustand = Velm_ObjektFreigegeben;
    Benutzen();
    if (bytes != 0) {
        LadeHoch(daten.mDaten, bytes, "Schreiben der Initialdaten gescheitert", __LINE__);
    }

    if (!(mFlags & FLAG_FLUECHTIG) && mGroesse != 0) {
        if (daten.mDaten != nullptr && daten.mGroesse == mGroesse && daten.mUebernehmen == 1) {
            mKopie = static_cast<uint8_t*>(daten.mDaten);
            daten.mDaten = nullptr;
        } else {
            mKopie = new uint8_t[mGroesse]();
            if (bytes != 0) {
                std::memcpy(mKopie, daten.mDaten, bytes);
            }
        }
    }
    if (daten.mUebernehmen == 1 && daten.mDaten != nullptr) {
        delete[] static_cast<uint8_t*>(daten.mDaten);
        daten.mDaten = nullptr;
    }
}

Velm_VertexBuffer::~Velm_VertexBuffer() {
    Velm::GibFrei(mPuffer);
    delete[] mKopie;
}

void Velm_VertexBuffer::Freigeben() {
    Velm::GibFrei(mPuffer);
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}

// Writes from the start of the device buffer; nothing while it has none.
void Velm_VertexBuffer::LadeHoch(const void* daten, uint64_t groesse, const char* fehler, int zeile) {
    if (mPuffer == nullptr) {
        return;
    }
    void* ziel = nullptr;
    const DWORD flags = (mFlags & FLAG_DYNAMISCH) ? D3DLOCK_DISCARD : 0;
    if (FAILED(mPuffer->Lock(0, 0, &ziel, flags))) {
        Velm_Pruefbericht(fehler, "Velm_VertexBuffer::Velm_VertexBuffer", __FILE__, zeile);
        return;
    }
    std::memcpy(ziel, daten, groesse);
    mPuffer->Unlock();
}

void Velm_VertexBuffer::Benutzen() {
    Velm_BasisObjekt::Benutzen();
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mZustand != Velm_ObjektFreigegeben || mGroesse == 0 || geraet == nullptr) {
        return;
    }
    DWORD usage = D3DUSAGE_WRITEONLY;
    if (mFlags & FLAG_DYNAMISCH) {
        usage |= D3DUSAGE_DYNAMIC;
    }
    const HRESULT ergebnis = Velm::ErzeugeMitRaeumung(
        [&] {
            return geraet->CreateVertexBuffer(UINT(mGroesse), usage, 0, D3DPOOL_DEFAULT, &mPuffer, nullptr);
        },
        false);
    if (FAILED(ergebnis)) {
        mPuffer = nullptr;
        Velm_Konsole::Schreibe("!Velm_VertexBuffer::Velm_VertexBuffer( %d): Failed to create vertex buffer",
                               int(mGroesse));
        VELM_BERICHT("VertexBuffer creation failed", "Velm_VertexBuffer::Benutzen");
        return;
    }
    mZustand = Velm_ObjektResident;
    if (mKopie != nullptr) {
        LadeHoch(mKopie, mGroesse, "Schreiben des Bufferinhalts gescheitert", __LINE__);
    }
}

void Velm_VertexBuffer::SchreibeInhalt(Velm_Initialdaten& daten) {
    VELM_PRUEFE(mFlags & FLAG_DYNAMISCH,
                "Nachträgliches Ändern des Inhalts nur bei dynamischer Ressource möglich",
                "Velm_VertexBuffer::SchreibeInhalt");
    if (VELM_PRUEFE(daten.mGroesse <= mGroesse, "Neuer Inhalt zu groß für Buffer",
                    "Velm_VertexBuffer::SchreibeInhalt") &&
        daten.mDaten != nullptr) {
        Benutzen();
        if (mPuffer != nullptr) {
            void* ziel = nullptr;
            if (VELM_PRUEFE(SUCCEEDED(mPuffer->Lock(0, 0, &ziel, D3DLOCK_DISCARD)),
                            "Schreiben des Bufferinhalts gescheitert", "Velm_VertexBuffer::SchreibeInhalt")) {
                std::memcpy(ziel, daten.mDaten, daten.mGroesse);
                mPuffer->Unlock();
            }
        }
        if (mKopie != nullptr) {
            std::memcpy(mKopie, daten.mDaten, daten.mGroesse);
        }
    }
    if (daten.mUebernehmen == 1) {
        delete[] static_cast<uint8_t*>(daten.mDaten);
        daten.mDaten = nullptr;
        daten.mGroesse = 0;
    }
}
