#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

using ull = unsigned long long;

constexpr uint32_t kKopfFlagsNoetig = 0x1007; // caps, height, width, pixel format
constexpr uint32_t kKopfMipAnzahl = 0x20000;
constexpr uint32_t kPixelFourCC = 0x4;
constexpr uint32_t kCapsKomplex = 0x8;
constexpr uint32_t kCapsMipMap = 0x400000;
constexpr uint32_t kCaps2CubeMap = 0x200;
constexpr uint32_t kCaps2AlleSeiten = 0xFC00;

// The file stores the faces +X, -X, +Y, -Y, +Z, -Z.
constexpr int kSeiteInDatei[Velm_Bild::kSeiten] = {Velm_Bild::kPlusX, Velm_Bild::kMinusX,
                                                   Velm_Bild::kPlusY, Velm_Bild::kMinusY,
                                                   Velm_Bild::kPlusZ, Velm_Bild::kMinusZ};

constexpr uint32_t FourCC(const char* code) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
           uint32_t(uint8_t(code[3])) << 24;
}

// -1 for a code the engine does not read.
int FormatAusFourCC(uint32_t code) {
    switch (code) {
    case 111:
        return Velm_FormatR16F;
    case 112:
        return Velm_FormatG16R16F;
    case 113:
        return Velm_FormatA16B16G16R16F;
    case 114:
        return Velm_FormatR32F;
    case 115:
        return Velm_FormatG32R32F;
    case 116:
        return Velm_FormatA32B32G32R32F;
    case 34:
        return Velm_FormatG16R16;
    case 36:
        return Velm_FormatA16B16G16R16;
    case FourCC("DXT1"):
        return Velm_FormatDXT1;
    case FourCC("DXT3"):
        return Velm_FormatDXT3;
    case FourCC("DXT5"):
        return Velm_FormatDXT5;
    default:
        return -1;
    }
}

// How a mask-described channel moves into its byte of 0xAARRGGBB: right by s, left by -s.
int Verschiebung(uint32_t maske, int ziel) {
    return ziel - (maske == 0 ? 0 : std::countl_zero(maske));
}

uint32_t Schiebe(uint32_t wert, int s) {
    return s >= 0 ? wert >> s : uint32_t(uint64_t(wert) << -s);
}

struct TMasken {
    uint32_t rot, gruen, blau, alpha;
    int sRot, sGruen, sBlau, sAlpha;
};

void WandlePixel(const uint8_t* quelle, uint64_t anzahl, uint32_t bytesProPixel, const TMasken& m,
                 uint8_t* ziel) {
    for (uint64_t i = 0; i < anzahl; ++i, quelle += bytesProPixel, ziel += 4) {
        uint32_t v = 0;
        std::memcpy(&v, quelle, bytesProPixel); // little-endian: the pixel's own bytes, low first
        const uint32_t alpha = m.alpha == 0 ? 0xFF000000u : Schiebe(v & m.alpha, m.sAlpha) & 0xFF000000u;
        const uint32_t argb = (Schiebe(v & m.rot, m.sRot) & 0x00FF0000u) |
                              (Schiebe(v & m.gruen, m.sGruen) & 0x0000FF00u) |
                              (Schiebe(v & m.blau, m.sBlau) & 0x000000FFu) | alpha;
        std::memcpy(ziel, &argb, 4);
    }
}

// The header after the magic word, field by field as the file lays it out: 31 little-endian
// words, the pixel format from `pixelGroesse` to `maskeAlpha`.
struct TDDSKopf {
    uint32_t groesse; // 124
    uint32_t flags;
    uint32_t hoehe;
    uint32_t breite;
    uint32_t zeilenLaenge;
    uint32_t tiefe;
    uint32_t mipAnzahl;
    uint32_t reserviert1[11];
    uint32_t pixelGroesse;
    uint32_t pixelFlags;
    uint32_t fourCC;
    uint32_t bitAnzahl;
    uint32_t maskeRot;
    uint32_t maskeGruen;
    uint32_t maskeBlau;
    uint32_t maskeAlpha;
    uint32_t caps;
    uint32_t caps2;
    uint32_t caps3;
    uint32_t caps4;
    uint32_t reserviert2;
};
static_assert(sizeof(TDDSKopf) == 124);

// The image as the header describes it.
struct TDDSInhalt {
    uint64_t breite = 0;
    uint64_t hoehe = 0;
    uint64_t mipAnzahl = 1;
    bool cubeMap = false;
    Velm_Pixelformat format = Velm_FormatA8R8G8B8;
    TMasken masken{};
    bool roh = true; // level data copied as it is
    uint32_t bytesProPixel = 0;

    int Seiten() const { return cubeMap ? Velm_Bild::kSeiten : 1; }
};

bool PruefeMagie(TSpeicher& speicher) {
    const uint32_t magie = speicher.Rest() >= 4 ? __builtin_bswap32(speicher.LiesU32()) : 0;
    if (magie == 0x44445320 || magie == 0x4D4A4C50) // "DDS ", "MJLP"
        return true;
    Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Datei ist keine DDS-Datei.");
    return false;
}

bool LiesKopf(TSpeicher& speicher, TDDSKopf& kopf) {
    const bool vollstaendig = speicher.Rest() >= sizeof(kopf);
    speicher.LiesBlock(&kopf, sizeof(kopf));
    if (vollstaendig && kopf.groesse == 124 && (kopf.flags & kKopfFlagsNoetig) != 0)
        return true;
    Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Ungültiger DDS-Header.");
    return false;
}

// Size, levels and cube faces; a mip count or faces the flags do not confirm are ignored.
TDDSInhalt Aufbau(const TDDSKopf& kopf) {
    TDDSInhalt inhalt;
    inhalt.breite = kopf.breite;
    inhalt.hoehe = kopf.hoehe;
    if (kopf.mipAnzahl != 0 && (kopf.flags & kKopfMipAnzahl) && (kopf.caps & kCapsMipMap))
        inhalt.mipAnzahl = kopf.mipAnzahl;
    inhalt.cubeMap = (kopf.caps & kCapsKomplex) && (kopf.caps2 & kCaps2CubeMap) &&
                     (kopf.caps2 & kCaps2AlleSeiten) == kCaps2AlleSeiten;
    return inhalt;
}

// A FourCC names a format whose levels are copied as they are; otherwise channel masks describe
// pixels of 8 to 32 bits, converted to A8R8G8B8 unless they are that already.
bool BestimmeFormat(const TDDSKopf& kopf, TDDSInhalt& inhalt) {
    inhalt.masken = {kopf.maskeRot, kopf.maskeGruen, kopf.maskeBlau, kopf.maskeAlpha, 0, 0, 0, 0};
    inhalt.bytesProPixel = kopf.bitAnzahl / 8;
    if (kopf.pixelFlags & kPixelFourCC) {
        const int f = FormatAusFourCC(kopf.fourCC);
        if (f < 0) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Pixelformat %08x wird nicht unterstützt.",
                                   kopf.fourCC);
            return false;
        }
        inhalt.format = Velm_Pixelformat(f);
        return true;
    }
    const uint32_t bits = kopf.bitAnzahl;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Pixel mit %u Bit werden nicht unterstützt.", bits);
        return false;
    }
    TMasken& m = inhalt.masken;
    inhalt.roh = bits == 32 && m.rot == 0x00FF0000 && m.gruen == 0x0000FF00 && m.blau == 0x000000FF &&
                 m.alpha == 0xFF000000;
    m.sRot = Verschiebung(m.rot, 8);
    m.sGruen = Verschiebung(m.gruen, 16);
    m.sBlau = Verschiebung(m.blau, 24);
    m.sAlpha = Verschiebung(m.alpha, 0);
    return true;
}

bool PruefeGroesse(const TDDSInhalt& inhalt) {
    const uint64_t breite = inhalt.breite, hoehe = inhalt.hoehe;
    if (breite == 0 || hoehe == 0) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Bildgröße %llu x %llu ist ungültig.", ull(breite),
                               ull(hoehe));
        return false;
    }
    if (inhalt.cubeMap && breite != hoehe) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): CubeMap mit %llu x %llu ist nicht quadratisch.",
                               ull(breite), ull(hoehe));
        return false;
    }
    const uint64_t volleKette = std::bit_width(std::max(breite, hoehe));
    if (inhalt.mipAnzahl > volleKette) {
        Velm_Konsole::Schreibe(
            "!Velm_Bild::LadeDDS(): %llu MipMap-Stufen sind mehr als die %llu eines Bildes von "
            "%llu x %llu.",
            ull(inhalt.mipAnzahl), ull(volleKette), ull(breite), ull(hoehe));
        return false;
    }
    return true;
}

// Everything the header announces must be in the buffer before anything is allocated. The sum is
// taken in 128 bits: 2^32 x 2^32 pixels of 16 bytes do not fit in 64.
bool PruefeDatenLaenge(const TDDSInhalt& inhalt, uint64_t rest) {
    unsigned __int128 benoetigt = 0;
    for (uint64_t l = 0; l < inhalt.mipAnzahl; ++l) {
        const uint64_t w = std::max<uint64_t>(1, inhalt.breite >> l);
        const uint64_t h = std::max<uint64_t>(1, inhalt.hoehe >> l);
        unsigned __int128 stufe;
        if (inhalt.roh) {
            const bool dxt = Velm_IstDXT(inhalt.format);
            const uint64_t wb = dxt ? (w + 3) & ~uint64_t(3) : w;
            const uint64_t hb = dxt ? (h + 3) & ~uint64_t(3) : h;
            stufe = (unsigned __int128)(Velm_BitsProPixel(inhalt.format) * wb / 8) * hb;
        } else {
            stufe = (unsigned __int128)w * h * inhalt.bytesProPixel;
        }
        benoetigt += stufe * inhalt.Seiten();
    }
    if (benoetigt <= rest)
        return true;
    Velm_Konsole::Schreibe(
        "!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (%llu von %llu Bytes).", ull(rest),
        ull(std::min<unsigned __int128>(benoetigt, UINT64_MAX)));
    return false;
}

bool LegeAn(Velm_Bild& bild, const TDDSInhalt& inhalt) {
    try {
        return inhalt.cubeMap ? bild.SetCubeMapGroesse(inhalt.hoehe, inhalt.format, inhalt.mipAnzahl)
                              : bild.SetGroesse(inhalt.breite, inhalt.hoehe, inhalt.format, inhalt.mipAnzahl);
    } catch (const std::bad_alloc&) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Kein Speicher für %llu x %llu Pixel.",
                               ull(inhalt.breite), ull(inhalt.hoehe));
        return false;
    }
}

// The file holds each face's levels, largest first, the faces in the file's order.
void LiesStufen(Velm_Bild& bild, const TDDSInhalt& inhalt, TSpeicher& speicher) {
    for (int s = 0; s < inhalt.Seiten(); ++s) {
        Velm_Bild* seite = inhalt.cubeMap ? bild.Seite(kSeiteInDatei[s]) : &bild;
        for (uint64_t l = 0; l < inhalt.mipAnzahl; ++l) {
            Velm_Bild* stufe = seite->GibMipStufe(l);
            const uint8_t* quelle = speicher.Daten() + speicher.Position();
            if (inhalt.roh) {
                const uint64_t n =
                    Velm_Bild::BerechneDatenGroesse(inhalt.format, stufe->mBreite, stufe->mHoehe);
                std::memcpy(stufe->mDaten, quelle, n);
                speicher.Ueberspringe(int64_t(n));
            } else {
                const uint64_t n = stufe->mBreite * stufe->mHoehe;
                WandlePixel(quelle, n, inhalt.bytesProPixel, inhalt.masken, stufe->mDaten);
                speicher.Ueberspringe(int64_t(n * inhalt.bytesProPixel));
            }
        }
    }
}

} // namespace

bool Velm_Bild::LadeDDS(TSpeicher& speicher) {
    TDDSKopf kopf;
    if (!PruefeMagie(speicher) || !LiesKopf(speicher, kopf))
        return false;
    TDDSInhalt inhalt = Aufbau(kopf);
    if (!BestimmeFormat(kopf, inhalt) || !PruefeGroesse(inhalt) ||
        !PruefeDatenLaenge(inhalt, speicher.Rest()))
        return false;
    if (!LegeAn(*this, inhalt))
        return false;
    LiesStufen(*this, inhalt, speicher);
    return true;
}
