#include "velmklassen/render/velm_wuerfeltextur.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"

#include <algorithm>
#include <cstring>

Velm_WuerfelTextur::Velm_WuerfelTextur(uint64_t kante, uint64_t mipAnzahl, uint32_t formatUndFlags,
                                       const TBereich (*inhalt)[16])
    : mKante(kante), mMipAnzahl(std::clamp<uint64_t>(mipAnzahl, 1, 16)),
      mFormat(std::min<uint32_t>(formatUndFlags & 0xFF, Velm_FormatA8)) {
    mFlags = formatUndFlags & ~0xFFu;
    if (Velm_IstDXT(Velm_Pixelformat(mFormat))) {
        mFlags |= FLAG_MANUELLE_MIPS;
    }
    mD3DFormat = Velm::GetD3DPixelFormat(mFormat);
    const Velm_Pixelformat format = Velm_Pixelformat(mFormat);
    for (uint32_t seite = 0; seite < 6 && mKante != 0; ++seite) {
        for (uint64_t i = 0; i < KopieStufen(); ++i) {
            const uint64_t k = StufenKante(i);
            const uint64_t bytes = Velm_Bild::BerechneDatenGroesse(format, k, k);
            TBereich& b = mKopie[seite][i];
            b.mDaten = Velm_Bild::BelegeDaten(bytes);
            std::memset(b.mDaten, 0, bytes);
            b.mFormat = format;
            b.mBreite = k;
            b.mHoehe = k;
            b.mPitch = Velm_Bild::BerechneZeilenGroesse(format, k);
            if (inhalt != nullptr && inhalt[seite][i].mDaten != nullptr) {
                inhalt[seite][i].KopiereAus(b);
            }
        }
    }
    mZustand = Velm_ObjektFreigegeben;
    Benutzen();
}

Velm_WuerfelTextur::~Velm_WuerfelTextur() {
    Velm::GibFrei(mTextur);
    for (auto& seite : mKopie) {
        for (TBereich& stufe : seite) {
            Velm_Bild::GibDatenFrei(stufe.mDaten);
        }
    }
}

uint64_t Velm_WuerfelTextur::StufenKante(uint64_t stufe) const {
    return std::max<uint64_t>(mKante >> stufe, 1);
}

uint64_t Velm_WuerfelTextur::KopieStufen() const {
    if (mFlags & FLAG_FLUECHTIG) {
        return 0;
    }
    return (mFlags & FLAG_MANUELLE_MIPS) ? mMipAnzahl : 1;
}

void Velm_WuerfelTextur::Freigeben() {
    Velm::GibFrei(mTextur);
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}

void Velm_WuerfelTextur::Benutzen() {
    Velm_BasisObjekt::Benutzen();
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mZustand != Velm_ObjektFreigegeben || mKante == 0 || geraet == nullptr) {
        return;
    }
    const bool manuell = (mFlags & FLAG_MANUELLE_MIPS) != 0;
    const UINT stufen = (manuell || mMipAnzahl < 2) ? UINT(mMipAnzahl) : 0;
    DWORD usage = 0;
    if (mFlags & FLAG_DYNAMISCH) {
        usage |= D3DUSAGE_DYNAMIC;
    }
    if (mFlags & FLAG_RENDERZIEL) {
        usage |= D3DUSAGE_RENDERTARGET;
    }
    if (mMipAnzahl != 1 && !manuell) {
        usage |= D3DUSAGE_AUTOGENMIPMAP;
    }
    const HRESULT ergebnis = Velm::ErzeugeMitRaeumung(
        [&] {
            return geraet->CreateCubeTexture(UINT(mKante), stufen, usage, mD3DFormat, D3DPOOL_DEFAULT,
                                             &mTextur, nullptr);
        },
        true);
    if (FAILED(ergebnis)) {
        mTextur = nullptr;
        Velm_Konsole::Schreibe("!Velm_WuerfelTextur::Benutzen(): Erzeugung der CubeMap gescheitert.");
        VELM_BERICHT("CubeMap-Erzeugung gescheitert.", "Velm_WuerfelTextur::Benutzen");
        return;
    }
    mZustand = Velm_ObjektResident;
    for (uint32_t seite = 0; seite < 6; ++seite) {
        for (uint64_t i = 0; i < KopieStufen(); ++i) {
            if (mKopie[seite][i].mDaten != nullptr) {
                InternSchreibeInhalt(seite, i, 0, 0, mKopie[seite][i]);
            }
        }
    }
}

void Velm_WuerfelTextur::InternSchreibeInhalt(uint32_t seite, uint64_t stufe, uint64_t x, uint64_t y,
                                              const TBereich& bereich) {
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mTextur == nullptr || geraet == nullptr) {
        return;
    }
    const uint64_t k = StufenKante(stufe);
    if (x >= k || y >= k) {
        return;
    }
    const uint64_t breite = std::min(k, x + bereich.mBreite) - x;
    const uint64_t hoehe = std::min(k, y + bereich.mHoehe) - y;
    if (breite == 0 || hoehe == 0) {
        return;
    }
    const Velm_Pixelformat format = Velm_Pixelformat(mFormat);
    IDirect3DSurface9* speicher = nullptr;
    if (FAILED(geraet->CreateOffscreenPlainSurface(UINT(breite), UINT(hoehe), mD3DFormat, D3DPOOL_SYSTEMMEM,
                                                   &speicher, nullptr))) {
        Velm_Konsole::Schreibe(
            "!Velm_WuerfelTextur::InternSchreibeInhalt( %d, %d, %d, %d, ...): Erzeugen der "
            "temporären Textur gescheitert.",
            int(seite), int(stufe), int(x), int(y));
        VELM_BERICHT("Texturzugriff gescheitert.", "Velm_WuerfelTextur::InternSchreibeInhalt");
        return;
    }
    D3DLOCKED_RECT gesperrt{};
    if (VELM_PRUEFE(SUCCEEDED(speicher->LockRect(&gesperrt, nullptr, D3DLOCK_DISCARD)),
                    "Texturzugriff gescheitert", "Velm_WuerfelTextur::InternSchreibeInhalt")) {
        TBereich ziel;
        ziel.mDaten = static_cast<uint8_t*>(gesperrt.pBits);
        ziel.mFormat = format;
        ziel.mBreite = breite;
        ziel.mHoehe = hoehe;
        ziel.mPitch = Velm_IstDXT(format) ? uint64_t(gesperrt.Pitch) / 4 : uint64_t(gesperrt.Pitch);
        bereich.KopiereAus(ziel);
        speicher->UnlockRect();
        IDirect3DSurface9* flaeche = nullptr;
        if (VELM_PRUEFE(
                SUCCEEDED(mTextur->GetCubeMapSurface(Velm::GetD3DSeite(seite), UINT(stufe), &flaeche)),
                "Texturzugriff gescheitert", "Velm_WuerfelTextur::InternSchreibeInhalt")) {
            const POINT punkt = {LONG(x), LONG(y)};
            VELM_PRUEFE(SUCCEEDED(geraet->UpdateSurface(speicher, nullptr, flaeche, &punkt)),
                        "Texturzugriff gescheitert", "Velm_WuerfelTextur::InternSchreibeInhalt");
            flaeche->Release();
        }
    }
    speicher->Release();
}
