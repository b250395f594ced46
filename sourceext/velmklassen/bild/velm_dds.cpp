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

} // namespace

bool Velm_Bild::LadeDDS(TSpeicher& speicher) {
    const uint32_t magie = speicher.Rest() >= 4 ? __builtin_bswap32(speicher.LiesU32()) : 0;
    if (magie != 0x44445320 && magie != 0x4D4A4C50) { // "DDS ", "MJLP"
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Datei ist keine DDS-Datei.");
        return false;
    }
    uint32_t kopf[31];
    const bool vollstaendig = speicher.Rest() >= sizeof(kopf);
    speicher.LiesBlock(kopf, sizeof(kopf));
    // Word i of the header lies at file offset 4 + 4 i.
    const auto feld = [&kopf](int offset) { return kopf[(offset - 4) / 4]; };
    if (!vollstaendig || feld(4) != 124 || (feld(8) & kKopfFlagsNoetig) == 0) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Ungültiger DDS-Header.");
        return false;
    }
    const uint32_t flags = feld(8);
    const uint64_t hoehe = feld(12);
    const uint64_t breite = feld(16);
    const uint32_t dateiMips = feld(28);
    const uint32_t pixelFlags = feld(80);
    const uint32_t fourCC = feld(84);
    const uint32_t bitAnzahl = feld(88);
    const uint32_t caps = feld(108);
    const uint32_t caps2 = feld(112);

    const uint64_t mipAnzahl =
        dateiMips != 0 && (flags & kKopfMipAnzahl) && (caps & kCapsMipMap) ? dateiMips : 1;
    const bool cubeMap =
        (caps & kCapsKomplex) && (caps2 & kCaps2CubeMap) && (caps2 & kCaps2AlleSeiten) == kCaps2AlleSeiten;

    Velm_Pixelformat format = Velm_FormatA8R8G8B8;
    TMasken masken{feld(92), feld(96), feld(100), feld(104), 0, 0, 0, 0};
    bool roh = true; // level data copied as it is
    if (pixelFlags & kPixelFourCC) {
        const int f = FormatAusFourCC(fourCC);
        if (f < 0) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Pixelformat %08x wird nicht unterstützt.", fourCC);
            return false;
        }
        format = Velm_Pixelformat(f);
    } else {
        if (bitAnzahl != 8 && bitAnzahl != 16 && bitAnzahl != 24 && bitAnzahl != 32) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Pixel mit %u Bit werden nicht unterstützt.",
                                   bitAnzahl);
            return false;
        }
        roh = bitAnzahl == 32 && masken.rot == 0x00FF0000 && masken.gruen == 0x0000FF00 &&
              masken.blau == 0x000000FF && masken.alpha == 0xFF000000;
        masken.sRot = Verschiebung(masken.rot, 8);
        masken.sGruen = Verschiebung(masken.gruen, 16);
        masken.sBlau = Verschiebung(masken.blau, 24);
        masken.sAlpha = Verschiebung(masken.alpha, 0);
    }
    const uint32_t bytesProPixel = bitAnzahl / 8;

    if (breite == 0 || hoehe == 0) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Bildgröße %llu x %llu ist ungültig.", ull(breite),
                               ull(hoehe));
        return false;
    }
    if (cubeMap && breite != hoehe) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): CubeMap mit %llu x %llu ist nicht quadratisch.",
                               ull(breite), ull(hoehe));
        return false;
    }
    const uint64_t volleKette = std::bit_width(std::max(breite, hoehe));
    if (mipAnzahl > volleKette) {
        Velm_Konsole::Schreibe(
            "!Velm_Bild::LadeDDS(): %llu MipMap-Stufen sind mehr als die %llu eines Bildes von "
            "%llu x %llu.",
            ull(mipAnzahl), ull(volleKette), ull(breite), ull(hoehe));
        return false;
    }

    // Everything the header announces must be in the buffer before anything is allocated. The
    // sum is taken in 128 bits: 2^32 x 2^32 pixels of 16 bytes do not fit in 64.
    const int seiten = cubeMap ? kSeiten : 1;
    unsigned __int128 benoetigt = 0;
    for (uint64_t l = 0; l < mipAnzahl; ++l) {
        const uint64_t w = std::max<uint64_t>(1, breite >> l);
        const uint64_t h = std::max<uint64_t>(1, hoehe >> l);
        unsigned __int128 stufe;
        if (roh) {
            const uint64_t wb = Velm_IstDXT(format) ? (w + 3) & ~uint64_t(3) : w;
            const uint64_t hb = Velm_IstDXT(format) ? (h + 3) & ~uint64_t(3) : h;
            stufe = (unsigned __int128)(Velm_BitsProPixel(format) * wb / 8) * hb;
        } else {
            stufe = (unsigned __int128)w * h * bytesProPixel;
        }
        benoetigt += stufe * seiten;
    }
    if (benoetigt > speicher.Rest()) {
        Velm_Konsole::Schreibe(
            "!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (%llu von %llu Bytes).",
            ull(speicher.Rest()), ull(std::min<unsigned __int128>(benoetigt, UINT64_MAX)));
        return false;
    }

    try {
        const bool umgebaut = cubeMap ? SetCubeMapGroesse(hoehe, format, mipAnzahl)
                                      : SetGroesse(breite, hoehe, format, mipAnzahl);
        if (!umgebaut)
            return false;
    } catch (const std::bad_alloc&) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadeDDS(): Kein Speicher für %llu x %llu Pixel.", ull(breite),
                               ull(hoehe));
        return false;
    }

    for (int s = 0; s < seiten; ++s) {
        Velm_Bild* seite = cubeMap ? mSeiten[kSeiteInDatei[s]] : this;
        for (uint64_t l = 0; l < mipAnzahl; ++l) {
            Velm_Bild* stufe = seite->GibMipStufe(l);
            const uint8_t* quelle = speicher.Daten() + speicher.Position();
            if (roh) {
                const uint64_t n = BerechneDatenGroesse(format, stufe->mBreite, stufe->mHoehe);
                std::memcpy(stufe->mDaten, quelle, n);
                speicher.Ueberspringe(int64_t(n));
            } else {
                const uint64_t n = stufe->mBreite * stufe->mHoehe;
                WandlePixel(quelle, n, bytesProPixel, masken, stufe->mDaten);
                speicher.Ueberspringe(int64_t(n * bytesProPixel));
            }
        }
    }
    return true;
}
