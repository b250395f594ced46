#include "velmklassen/bild/velm_bild.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

using ull = unsigned long long;

constexpr uint8_t kPngSignatur[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

} // namespace

uint64_t Velm_Bild::BerechneZeilenGroesse(Velm_Pixelformat format, uint64_t breite) {
    if (breite == 0)
        return 0;
    if (Velm_IstDXT(format))
        breite = (breite + 3) & ~uint64_t(3);
    return Velm_BitsProPixel(format) * breite / 8;
}

uint64_t Velm_Bild::BerechneDatenGroesse(Velm_Pixelformat format, uint64_t breite, uint64_t hoehe) {
    if (breite == 0 || hoehe == 0)
        return 0;
    if (Velm_IstDXT(format)) {
        breite = (breite + 3) & ~uint64_t(3);
        hoehe = (hoehe + 3) & ~uint64_t(3);
    }
    return Velm_BitsProPixel(format) * breite / 8 * hoehe;
}

uint8_t* Velm_Bild::BelegeDaten(uint64_t bytes) {
    return bytes == 0 ? nullptr : new uint8_t[bytes];
}

void Velm_Bild::GibDatenFrei(uint8_t* daten) {
    delete[] daten;
}

Velm_Bild::Velm_Bild() = default;

Velm_Bild::Velm_Bild(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format, uint64_t mipAnzahl) {
    SetGroesse(breite, hoehe, format, mipAnzahl);
}

Velm_Bild::~Velm_Bild() {
    GibDatenFrei(mDaten);
    LoescheKette(std::move(mNaechste));
}

void Velm_Bild::LoescheKette(std::unique_ptr<Velm_Bild> stufe) {
    // Each level is unlinked from the next before it dies, so no destructor recurses.
    while (stufe)
        stufe = std::move(stufe->mNaechste);
}

void Velm_Bild::LoeseAuf() {
    GibDatenFrei(mDaten);
    mDaten = nullptr;
    LoescheKette(std::move(mNaechste));
    mMipAnzahl = 1;
    for (std::unique_ptr<Velm_Bild>& seite : mGeschwister)
        seite.reset();
    std::fill(std::begin(mSeiten), std::end(mSeiten), nullptr);
    mIstCubeMap = false;
}

void Velm_Bild::BelegeEbene(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format) {
    // Allocated first: when memory runs out the image is still whole.
    uint8_t* daten = BelegeDaten(BerechneDatenGroesse(format, breite, hoehe));
    LoeseAuf();
    mDaten = daten;
    mFormat = format;
    mBreite = breite;
    mHoehe = hoehe;
    mPitch = BerechneZeilenGroesse(format, breite);
}

bool Velm_Bild::SetGroesse(uint64_t breite, uint64_t hoehe, Velm_Pixelformat format, uint64_t mipAnzahl) {
    if (mIstCubeMap && !IstBasisSeite()) {
        Velm_Konsole::Schreibe("!Velm_Bild::SetGroesse( %llu, %llu, %d, %llu):  Umbau einer CubeMap zu einem "
                               "2D-Bild darf nur von der Basisseite (Links) ausgehen.",
                               ull(breite), ull(hoehe), int(format), ull(mipAnzahl));
        return false;
    }
    if (mIstMipStufe) {
        Velm_Konsole::Schreibe("!Velm_Bild::SetGroesse( %llu, %llu, %d, %llu):  Umdimensionierung ist für "
                               "MipMaps nicht zulässig.",
                               ull(breite), ull(hoehe), int(format), ull(mipAnzahl));
        return false;
    }
    BelegeEbene(breite, hoehe, format);
    ErzeugeMipStufen(mipAnzahl);
    return true;
}

bool Velm_Bild::SetCubeMapGroesse(uint64_t kante, Velm_Pixelformat format, uint64_t mipAnzahl) {
    if (mIstMipStufe) {
        Velm_Konsole::Schreibe("!Velm_Bild::SetCubeMapGroesse( %llu, %d, %llu):  Umdimensionierung ist für "
                               "MipMaps nicht zulässig.",
                               ull(kante), int(format), ull(mipAnzahl));
        return false;
    }
    // Another face is owned by the base face, whose levels point into this face's levels.
    if (mIstCubeMap && !IstBasisSeite()) {
        Velm_Konsole::Schreibe(
            "!Velm_Bild::SetCubeMapGroesse( %llu, %d, %llu):  Umbau einer CubeMap darf nur von "
            "der Basisseite (Links) ausgehen.",
            ull(kante), int(format), ull(mipAnzahl));
        return false;
    }
    BelegeEbene(kante, kante, format);
    for (std::unique_ptr<Velm_Bild>& seite : mGeschwister)
        seite = std::make_unique<Velm_Bild>(kante, kante, format, mipAnzahl);
    mIstCubeMap = true;
    mSeiten[kMinusX] = this;
    // Creation order of the siblings: +X, +Y, -Y, +Z, -Z.
    mSeiten[kPlusX] = mGeschwister[0].get();
    mSeiten[kPlusY] = mGeschwister[1].get();
    mSeiten[kMinusY] = mGeschwister[2].get();
    mSeiten[kPlusZ] = mGeschwister[3].get();
    mSeiten[kMinusZ] = mGeschwister[4].get();
    ErzeugeMipStufen(mipAnzahl);
    return true;
}

void Velm_Bild::ErzeugeMipStufen(uint64_t anzahl) {
    if (anzahl == 0)
        anzahl = std::max<uint64_t>(1, std::bit_width(std::max(mBreite, mHoehe)));

    // First make sure the levels exist, then set the counts: when memory runs out on the way,
    // every count still matches the chain below it.
    Velm_Bild* stufe = this;
    for (uint64_t k = 1; k < anzahl; ++k) {
        if (!stufe->mNaechste) {
            auto neu =
                std::make_unique<Velm_Bild>(std::max<uint64_t>(1, stufe->mBreite / 2),
                                            std::max<uint64_t>(1, stufe->mHoehe / 2), stufe->mFormat, 1);
            neu->mIstMipStufe = true;
            stufe->mNaechste = std::move(neu);
        }
        stufe = stufe->mNaechste.get();
    }
    LoescheKette(std::move(stufe->mNaechste));
    stufe = this;
    for (uint64_t k = 0; k < anzahl; ++k, stufe = stufe->mNaechste.get())
        stufe->mMipAnzahl = anzahl - k;

    if (IstBasisSeite()) {
        for (std::unique_ptr<Velm_Bild>& seite : mGeschwister)
            if (seite)
                seite->ErzeugeMipStufen(anzahl);
        // New levels need their face pointers too.
        Velm_Bild* const s[kSeiten] = {mSeiten[0], mSeiten[1], mSeiten[2],
                                       mSeiten[3], mSeiten[4], mSeiten[5]};
        for (Velm_Bild* seite : s)
            if (seite)
                seite->VerbindeSeiten(s[kMinusX], s[kPlusX], s[kPlusY], s[kMinusY], s[kPlusZ], s[kMinusZ]);
    }
}

void Velm_Bild::VerbindeSeiten(Velm_Bild* minusX, Velm_Bild* plusX, Velm_Bild* plusY, Velm_Bild* minusY,
                               Velm_Bild* plusZ, Velm_Bild* minusZ) {
    Velm_Bild* seiten[kSeiten] = {plusY, minusY, plusX, minusX, plusZ, minusZ};
    for (Velm_Bild* stufe = this; stufe; stufe = stufe->mNaechste.get()) {
        stufe->mIstCubeMap = true;
        std::copy(std::begin(seiten), std::end(seiten), stufe->mSeiten);
        for (Velm_Bild*& seite : seiten)
            seite = seite ? seite->mNaechste.get() : nullptr;
    }
}

Velm_Bild* Velm_Bild::GibMipStufe(uint64_t n) {
    Velm_Bild* stufe = this;
    for (; stufe && n > 0; --n) {
        if (n >= stufe->mMipAnzahl)
            return nullptr;
        stufe = stufe->mNaechste.get();
    }
    return stufe;
}

TMipStufen Velm_Bild::LockMipStufen() {
    TMipStufen stufen;
    if (!VELM_PRUEFE(mMipAnzahl <= TMipStufen::kHoechstens, "Mehr als 16 MipMap-Stufen",
                     "Velm_Bild::LockMipStufen"))
        return stufen;
    Velm_Bild* stufe = this;
    for (uint64_t k = 0; k < mMipAnzahl && stufe; ++k, stufe = stufe->mNaechste.get()) {
        stufen.mStufen[k] = stufe->LockBereich();
        static_cast<TBereich&>(*stufe) = TBereich{};
    }
    stufen.mGueltig = true;
    return stufen;
}

bool Velm_Bild::LadeBildAusDatei(const std::filesystem::path& pfad) {
    TSpeicher speicher(1000000);
    if (!speicher.LadeDatei(pfad)) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeBildAusDatei( \"%s\"):  Datei konnte nicht geladen werden.",
                               pfad.c_str());
        return false;
    }
    return LadeBildAusSpeicher(speicher);
}

bool Velm_Bild::LadeBildAusSpeicher(TSpeicher& speicher) {
    const uint8_t* kopf = speicher.Daten() + speicher.Position();
    if (speicher.Rest() >= 8 && std::memcmp(kopf, kPngSignatur, 8) == 0)
        return LadePNG(speicher);
    if (speicher.Rest() >= 4 && (std::memcmp(kopf, "DDS ", 4) == 0 || std::memcmp(kopf, "MJLP", 4) == 0))
        return LadeDDS(speicher);
    Velm_Konsole::Schreibe("!Velm_Bild::LadeBildAusDatei():  Dateiformat nicht erkennbar.");
    return false;
}
