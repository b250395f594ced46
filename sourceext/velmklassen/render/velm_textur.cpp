#include "velmklassen/render/velm_textur.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/render/velm_internhelfer.h"
#include "velmklassen/render/velm_screen3d.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#include <algorithm>
#include <cstring>

namespace {

bool Vorhanden(const TBereich& b) {
    return b.mDaten != nullptr && b.mBreite != 0 && b.mHoehe != 0 && b.mPitch != 0;
}

// The number of halvings of width and height until both are 0: the full chain down to 1 x 1.
uint64_t VolleKette(uint64_t breite, uint64_t hoehe) {
    uint64_t n = 0;
    for (; breite != 0 || hoehe != 0; ++n) {
        breite >>= 1;
        hoehe >>= 1;
    }
    return n;
}

TBereich NeueStufe(Velm_Pixelformat format, uint64_t breite, uint64_t hoehe) {
    TBereich b;
    const uint64_t bytes = Velm_Bild::BerechneDatenGroesse(format, breite, hoehe);
    b.mDaten = Velm_Bild::BelegeDaten(bytes);
    std::memset(b.mDaten, 0, bytes);
    b.mFormat = format;
    b.mBreite = breite;
    b.mHoehe = hoehe;
    b.mPitch = Velm_Bild::BerechneZeilenGroesse(format, breite);
    return b;
}

// A locked device rectangle as a region; DXT pitches count rows of 4 x 4 blocks.
TBereich GesperrterBereich(const D3DLOCKED_RECT& gesperrt, Velm_Pixelformat format, uint64_t breite,
                           uint64_t hoehe) {
    TBereich b;
    b.mDaten = static_cast<uint8_t*>(gesperrt.pBits);
    b.mFormat = format;
    b.mBreite = breite;
    b.mHoehe = hoehe;
    b.mPitch = Velm_IstDXT(format) ? uint64_t(gesperrt.Pitch) / 4 : uint64_t(gesperrt.Pitch);
    return b;
}

} // namespace

Velm_TexturInhalt::Velm_TexturInhalt(const TMipStufen& stufen) : mUebernehmen(1) {
    std::copy(std::begin(stufen.mStufen), std::end(stufen.mStufen), mStufen);
}

// 1. the format, 2. the mip count, 3. the flags the format and the use force, 4. the given levels,
// 5. the size the device takes, 6. the device texture with the given levels, 7. the copy kept in
// main memory, 8. the given buffers freed when they were handed over.
Velm_Textur::Velm_Textur(uint64_t breite, uint64_t hoehe, uint64_t mipAnzahl, uint32_t formatUndFlags,
                         Velm_TexturInhalt& inhalt)
    : mBreite(breite != 0 ? breite : inhalt.mStufen[0].mBreite),
      mHoehe(hoehe != 0 ? hoehe : inhalt.mStufen[0].mHoehe), mFormat(formatUndFlags & 0xFF) {
    const Angaben angaben = {int(breite), int(hoehe), int(mipAnzahl)};
    mFlags = formatUndFlags & ~0xFFu;
    PruefeFormat(angaben);
    WaehleMipAnzahl(mipAnzahl, angaben);
    ErzwingeFlags(angaben);
    const bool mitInhalt = Vorhanden(inhalt.mStufen[0]);
    const StufenGueltig gueltig = PruefeInhalt(inhalt, mitInhalt);
    PruefeGroesse();

    mD3DFormat = Velm::GetD3DPixelFormat(mFormat);
    mZustand = Velm_ObjektFreigegeben;
    Benutzen();
    if (mitInhalt && !mUngueltig) {
        SchreibeGegebeneStufen(inhalt, gueltig);
    }
    if (!mUngueltig) {
        BehalteKopie(inhalt, gueltig);
    }
    if (inhalt.mUebernehmen == 1) {
        for (TBereich& stufe : inhalt.mStufen) {
            Velm_Bild::GibDatenFrei(stufe.mDaten);
            stufe = TBereich{};
        }
    }
}

void Velm_Textur::PruefeFormat(const Angaben& a) {
    if (mFormat < Velm_FormatAnzahl) {
        return;
    }
    Velm_Konsole::Schreibe("?Velm_Textur::Velm_Textur( %d, %d, %d, 0x%x, ...): Ungültiges Texturformat",
                           a.breite, a.hoehe, a.mips, mFlags);
    VELM_BERICHT("Ungültiges Texturformat", "Velm_Textur::Velm_Textur");
    // The device takes A8R8G8B8 for it; the kept copy must be sized for the same.
    mFormat = Velm_FormatA8R8G8B8;
}

void Velm_Textur::WaehleMipAnzahl(uint64_t mipAnzahl, const Angaben& a) {
    const uint64_t kette = VolleKette(mBreite, mHoehe);
    if (mipAnzahl == 0) {
        mMipAnzahl = kette;
    } else if (mipAnzahl > kette) {
        Velm_Konsole::Schreibe("?Velm_Textur::Velm_Textur( %d, %d, %d, %d): Zuviele MipMap-Stufen angegeben.",
                               a.breite, a.hoehe, a.mips, int(mFlags));
        mMipAnzahl = kette;
    } else {
        mMipAnzahl = mipAnzahl;
    }
    mMipAnzahl = std::clamp<uint64_t>(mMipAnzahl, 1, Velm_TexturInhalt::kStufen);
}

void Velm_Textur::ErzwingeFlags(const Angaben& a) {
    if ((mFlags & FLAG_RENDERZIEL) && !(mFlags & FLAG_FLUECHTIG)) {
        Velm_Konsole::Schreibe(
            "?Velm_Textur::Velm_Textur( %d, %d, %d, 0x%x): Renderziel-Texturen sind immer flüchtig.",
            a.breite, a.hoehe, a.mips, mFlags);
        mFlags |= FLAG_FLUECHTIG;
    }
    if (Velm_IstDXT(Velm_Pixelformat(mFormat)) && !(mFlags & FLAG_MANUELLE_MIPS)) {
        Velm_Konsole::Schreibe(
            "?Velm_Textur::Velm_Textur( %d, %d, %d, 0x%x, ...): Keine automatischen MipMaps für "
            "komprimierte Texturformate. Ich vermute manuelle MipMaps.",
            a.breite, a.hoehe, a.mips, mFlags);
        mFlags |= FLAG_MANUELLE_MIPS;
    }
}

// Which given levels are usable: present, of the level's size and of the texture's format. A
// texture without content must be dynamic to get one later.
Velm_Textur::StufenGueltig Velm_Textur::PruefeInhalt(const Velm_TexturInhalt& inhalt, bool mitInhalt) {
    StufenGueltig gueltig = {};
    if (!mitInhalt) {
        if (!(mFlags & (FLAG_DYNAMISCH | FLAG_RENDERZIEL))) {
            Velm_Konsole::Schreibe(
                "!Velm_Textur::VelmTextur( %d, %d, ...): Textur ohne Initialinhalt muss dynamisch sein",
                int(mBreite), int(mHoehe));
            mFlags |= FLAG_DYNAMISCH;
        }
        return gueltig;
    }
    for (uint64_t i = 0; i < GegebeneStufen(); ++i) {
        const TBereich& s = inhalt.mStufen[i];
        gueltig[i] = Vorhanden(s) && s.mBreite == StufenBreite(i) && s.mHoehe == StufenHoehe(i) &&
                     uint32_t(s.mFormat) == mFormat;
        if (!gueltig[i]) {
            Velm_Konsole::Schreibe(
                "!Velm_Textur::VelmTextur( %d, %d, ...): Vorgabegrafik für Mip-Stufe %d ist "
                "ungültig",
                int(mBreite), int(mHoehe), int(i));
            VELM_BERICHT("Ungültige Vorgabedaten", "Velm_Textur::Velm_Textur");
        }
    }
    return gueltig;
}

void Velm_Textur::PruefeGroesse() {
    const Velm_GeraeteFaehigkeiten* f =
        Velm_Screen3D::Kontext != nullptr ? &Velm_Screen3D::Kontext->mFaehigkeiten : nullptr;
    if (mBreite != 0 && mHoehe != 0 && f != nullptr && mBreite <= f->mMaxTexturBreite &&
        mHoehe <= f->mMaxTexturHoehe) {
        return;
    }
    Velm_Konsole::Schreibe("!Velm_Textur::VelmTextur( %d, %d, ...): Ungültige Texturgröße.", int(mBreite),
                           int(mHoehe));
    VELM_BERICHT("Ungültige Texturgröße.", "Velm_Textur::Velm_Textur");
    // Neither the device nor main memory can hold it: the texture stays empty.
    mUngueltig = true;
}

void Velm_Textur::SchreibeGegebeneStufen(const Velm_TexturInhalt& inhalt, const StufenGueltig& gueltig) {
    for (uint64_t i = 0; i < GegebeneStufen(); ++i) {
        if (gueltig[i]) {
            InternSchreibeInhalt(i, 0, 0, inhalt.mStufen[i]);
        }
    }
    if (!HatManuelleMips()) {
        ErzeugeMipStufen();
    }
}

// Handed-over levels are taken as they are; the others are copied into new buffers.
void Velm_Textur::BehalteKopie(Velm_TexturInhalt& inhalt, const StufenGueltig& gueltig) {
    for (uint64_t i = 0; i < KopieStufen(); ++i) {
        TBereich& quelle = inhalt.mStufen[i];
        if (gueltig[i] && inhalt.mUebernehmen == 1) {
            mKopie[i] = quelle;
            quelle = TBereich{};
            continue;
        }
        mKopie[i] = NeueStufe(Velm_Pixelformat(mFormat), StufenBreite(i), StufenHoehe(i));
        if (gueltig[i]) {
            quelle.KopiereAus(mKopie[i]);
        }
    }
}

Velm_Textur::~Velm_Textur() {
    Velm::GibFrei(mTextur);
    for (TBereich& stufe : mKopie) {
        Velm_Bild::GibDatenFrei(stufe.mDaten);
    }
}

uint64_t Velm_Textur::StufenBreite(uint64_t stufe) const {
    return std::max<uint64_t>(mBreite >> stufe, 1);
}

uint64_t Velm_Textur::StufenHoehe(uint64_t stufe) const {
    return std::max<uint64_t>(mHoehe >> stufe, 1);
}

uint64_t Velm_Textur::GegebeneStufen() const {
    return HatManuelleMips() ? mMipAnzahl : 1;
}

uint64_t Velm_Textur::KopieStufen() const {
    if (mFlags & FLAG_FLUECHTIG) {
        return 0;
    }
    return GegebeneStufen();
}

void Velm_Textur::Freigeben() {
    Velm::GibFrei(mTextur);
    if (mZustand == Velm_ObjektResident) {
        mZustand = Velm_ObjektFreigegeben;
    }
}

void Velm_Textur::Benutzen() {
    Velm_BasisObjekt::Benutzen();
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mZustand != Velm_ObjektFreigegeben || mUngueltig || geraet == nullptr) {
        return;
    }
    const UINT stufen = (HatManuelleMips() || mMipAnzahl < 2) ? UINT(mMipAnzahl) : 0;
    DWORD usage = 0;
    if (mFlags & FLAG_DYNAMISCH) {
        usage |= D3DUSAGE_DYNAMIC;
    }
    if (mFlags & FLAG_RENDERZIEL) {
        usage |= D3DUSAGE_RENDERTARGET;
    }
    if (mMipAnzahl != 1 && !HatManuelleMips()) {
        usage |= D3DUSAGE_AUTOGENMIPMAP;
    }
    const HRESULT ergebnis = Velm::ErzeugeMitRaeumung(
        [&] {
            return geraet->CreateTexture(UINT(mBreite), UINT(mHoehe), stufen, usage, mD3DFormat,
                                         D3DPOOL_DEFAULT, &mTextur, nullptr);
        },
        true);
    if (FAILED(ergebnis)) {
        mTextur = nullptr;
        Velm_Konsole::Schreibe(
            "!Velm_Textur::Benutzen(): Erzeugung der Textur gescheitert. Rückgabewert: %ld", long(ergebnis));
        VELM_BERICHT("Textur-Erzeugung gescheitert.", "Velm_Textur::Benutzen");
        return;
    }
    mZustand = Velm_ObjektResident;
    for (uint64_t i = 0; i < KopieStufen(); ++i) {
        if (mKopie[i].mDaten != nullptr) {
            InternSchreibeInhalt(i, 0, 0, mKopie[i]);
        }
    }
}

void Velm_Textur::InternSchreibeInhalt(uint64_t stufe, uint64_t x, uint64_t y, const TBereich& bereich) {
    IDirect3DDevice9* geraet = Velm::Geraet();
    if (mTextur == nullptr || geraet == nullptr) {
        return;
    }
    const uint64_t w = StufenBreite(stufe);
    const uint64_t h = StufenHoehe(stufe);
    if (x >= w || y >= h) {
        return;
    }
    const uint64_t breite = std::min(w, x + bereich.mBreite) - x;
    const uint64_t hoehe = std::min(h, y + bereich.mHoehe) - y;
    if (breite == 0 || hoehe == 0) {
        return;
    }
    const Velm_Pixelformat format = Velm_Pixelformat(mFormat);
    const RECT rechteck = {LONG(x), LONG(y), LONG(x + breite), LONG(y + hoehe)};
    D3DLOCKED_RECT gesperrt{};

    if (mFlags & FLAG_DYNAMISCH) {
        const bool ganz = x == 0 && y == 0 && breite == w && hoehe == h;
        if (!VELM_PRUEFE(SUCCEEDED(mTextur->LockRect(UINT(stufe), &gesperrt, ganz ? nullptr : &rechteck,
                                                     ganz ? D3DLOCK_DISCARD : 0)),
                         "Texturzugriff gescheitert.", "Velm_Textur::InternSchreibeInhalt")) {
            return;
        }
        bereich.KopiereAus(GesperrterBereich(gesperrt, format, breite, hoehe));
        mTextur->UnlockRect(UINT(stufe));
        return;
    }

    IDirect3DSurface9* speicher = nullptr;
    if (FAILED(geraet->CreateOffscreenPlainSurface(UINT(breite), UINT(hoehe), mD3DFormat, D3DPOOL_SYSTEMMEM,
                                                   &speicher, nullptr))) {
        Velm_Konsole::Schreibe(
            "!Velm_Textur::InternSchreibeInhalt( %d, %d, %d, ...): Erzeugen der temporären Textur "
            "gescheitert.",
            int(stufe), int(x), int(y));
        VELM_BERICHT("Texturzugriff gescheitert.", "Velm_Textur::InternSchreibeInhalt");
        return;
    }
    if (VELM_PRUEFE(SUCCEEDED(speicher->LockRect(&gesperrt, nullptr, D3DLOCK_DISCARD)),
                    "Texturzugriff gescheitert", "Velm_Textur::InternSchreibeInhalt")) {
        bereich.KopiereAus(GesperrterBereich(gesperrt, format, breite, hoehe));
        speicher->UnlockRect();
        IDirect3DSurface9* ziel = nullptr;
        if (VELM_PRUEFE(SUCCEEDED(mTextur->GetSurfaceLevel(UINT(stufe), &ziel)), "Texturzugriff gescheitert",
                        "Velm_Textur::InternSchreibeInhalt")) {
            const POINT punkt = {LONG(x), LONG(y)};
            VELM_PRUEFE(SUCCEEDED(geraet->UpdateSurface(speicher, nullptr, ziel, &punkt)),
                        "Texturzugriff gescheitert", "Velm_Textur::InternSchreibeInhalt");
            ziel->Release();
        }
    }
    speicher->Release();
}

void Velm_Textur::SchreibeTeilInhalt(uint64_t stufe, uint64_t x, uint64_t y, TBereich& bereich,
                                     bool uebernehmen) {
    (void)stufe; // writes always go to level 0
    VELM_PRUEFE(mFlags & FLAG_DYNAMISCH, "Statische Textur kann nachträglich nicht mehr beschrieben werden.",
                "Velm_Textur::SchreibeTeilInhalt");
    bool schreiben = true;
    if (Velm_IstDXT(Velm_Pixelformat(mFormat)) && (x % 4 != 0 || y % 4 != 0)) {
        Velm_Konsole::Schreibe(
            "!Velm_Textur::SchreibeTeilInhalt( %d, %d, %d, ...): Der Zugriffsbereich auf einer "
            "DXT-komprimierten Textur muss durch vier teilbare Koordinaten haben.",
            0, int(x), int(y));
        VELM_BERICHT("Ungültiger Teilbereich", "Velm_Textur::SchreibeTeilInhalt");
        // Blocks cannot be written from the middle.
        schreiben = false;
    }
    if (!VELM_PRUEFE(x < mBreite && y < mHoehe, "Ungültige Zielkoordinaten",
                     "Velm_Textur::SchreibeTeilInhalt")) {
        schreiben = false;
    }
    if (schreiben) {
        if (mKopie[0].mDaten != nullptr) {
            const TBereich ziel =
                TBereich::LockSubBereich(mKopie[0], x, y, mKopie[0].mBreite - x, mKopie[0].mHoehe - y);
            bereich.KopiereAus(ziel);
        }
        Benutzen();
        InternSchreibeInhalt(0, x, y, bereich);
    }
    if (uebernehmen) {
        Velm_Bild::GibDatenFrei(bereich.mDaten);
        bereich = TBereich{};
    }
}

void Velm_Textur::ErzeugeMipStufen() {
    Benutzen();
    if (mTextur != nullptr) {
        mTextur->GenerateMipSubLevels();
    }
}
