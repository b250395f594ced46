#include "velmklassen/bild/velm_bereich.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_farbe.h"
#include "velmklassen/kern/velm_konsole.h"

#include <squish.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

using ull = unsigned long long;

constexpr float kDurch31 = 1.0f / 31.0f;
constexpr float kDurch63 = 1.0f / 63.0f;
constexpr float kDurch255 = 1.0f / 255.0f;
constexpr float kDurch65535 = 1.0f / 65535.0f;

int SquishFlag(Velm_Pixelformat format) {
    return format == Velm_FormatDXT1   ? squish::kDxt1
           : format == Velm_FormatDXT3 ? squish::kDxt3
                                       : squish::kDxt5;
}

// Scales and truncates a component into 0..grenze. The clamp comes first because converting an
// out-of-range float to an unsigned type is undefined; values in range come out unchanged.
uint32_t Ganzzahl(float wert, float grenze) {
    const float t = wert * grenze;
    if (!(t > 0.0f)) // also NaN
        return 0;
    if (t >= grenze)
        return uint32_t(grenze);
    return uint32_t(t);
}

// The 5- and 6-bit channels of the 16-bit formats round to the nearest step, so that a pixel read
// from them writes back unchanged.
uint32_t Kanal(float wert, float grenze) {
    return Ganzzahl(wert + 0.5f / grenze, grenze);
}

template <typename T> T Lies(const uint8_t* stelle) {
    T wert;
    std::memcpy(&wert, stelle, sizeof(T));
    return wert;
}

template <typename T> void Schreibe(uint8_t* stelle, T wert) {
    std::memcpy(stelle, &wert, sizeof(T));
}

float Halb(const uint8_t* stelle, int i) {
    return Velm_HalbZuFloat(Lies<uint16_t>(stelle + 2 * i));
}

void SchreibeHalb(uint8_t* stelle, int i, float wert) {
    Schreibe<uint16_t>(stelle + 2 * i, Velm_FloatZuHalb(wert));
}

} // namespace

float Velm_HalbZuFloat(uint16_t halb) {
    const uint32_t vorzeichen = uint32_t(halb & 0x8000) << 16;
    if ((halb & 0x7C00) == 0)
        return std::bit_cast<float>(vorzeichen);
    // Exponent 31 is not special here: it reads as 65536 to 131008.
    return std::bit_cast<float>(vorzeichen | (uint32_t(halb & 0x7FFF) + 0x1C000) << 13);
}

uint16_t Velm_FloatZuHalb(float wert) {
    const uint32_t bits = std::bit_cast<uint32_t>(wert);
    const uint16_t vorzeichen = uint16_t(bits >> 16 & 0x8000);
    const uint32_t betrag = bits & 0x7FFFFFFF;
    if (betrag > 0x7F800000)
        return 0x7E00;
    if (betrag == 0x7F800000)
        return vorzeichen | 0x7C00;
    if (betrag < 0x38800000) // below 2^-14, the smallest normal half
        return vorzeichen;
    if (betrag >= 0x47800000) // 65536 and more: truncated like the rest, to the largest half
        return vorzeichen | 0x7BFF;
    return uint16_t(vorzeichen | (betrag - 0x38000000) >> 13);
}

TBereich TBereich::LockSubBereich(const TBereich& quelle, uint64_t x, uint64_t y, uint64_t w, uint64_t h) {
    TBereich bereich;
    if (Velm_IstDXT(quelle.mFormat)) {
        if (x % 4 != 0 || y % 4 != 0) {
            Velm_Konsole::Schreibe(
                "!TBereich::LockSubBereich( %llu, %llu, %llu, %llu): Unterbereiche in einem "
                "DXT-komprimierten Bereich müssen durch 4 teilbare Position haben.",
                ull(x), ull(y), ull(w), ull(h));
            return bereich;
        }
        bereich.mDaten = quelle.mDaten + y * quelle.mPitch + x / 4 * Velm_DXTBlockBytes(quelle.mFormat);
    } else {
        bereich.mDaten = quelle.mDaten + y * quelle.mPitch + x * Velm_BytesProPixel(quelle.mFormat);
    }
    bereich.mFormat = quelle.mFormat;
    bereich.mBreite = w;
    bereich.mHoehe = h;
    bereich.mPitch = quelle.mPitch;
    return bereich;
}

void TBereich::SchreibeInBereich(const TBereich& quelle, uint64_t x, uint64_t y) const {
    if (x >= quelle.mBreite || y >= quelle.mHoehe) {
        Velm_Konsole::Schreibe(
            "!TBereich::SchreibeInBereich( ..., %llu, %llu): Kopierbereich liegt außerhalb "
            "des Quellbereiches",
            ull(x), ull(y));
        return;
    }
    LockSubBereich(quelle, x, y, quelle.mBreite - x, quelle.mHoehe - y).KopiereAus(*this);
}

void TBereich::KopiereAus(const TBereich& ziel) const {
    const uint64_t w = std::min(mBreite, ziel.mBreite);
    const uint64_t h = std::min(mHoehe, ziel.mHoehe);
    if (w == 0 || h == 0)
        return;

    if (mFormat == ziel.mFormat && Velm_IstDXT(mFormat)) {
        // Partly covered blocks at the right and bottom edges are copied whole.
        const uint64_t zeilenBytes = (w + 3) / 4 * Velm_DXTBlockBytes(mFormat);
        for (uint64_t by = 0; by < (h + 3) / 4; ++by)
            std::memcpy(ziel.mDaten + 4 * by * ziel.mPitch, mDaten + 4 * by * mPitch, zeilenBytes);
        return;
    }
    if (mFormat == ziel.mFormat) {
        const uint64_t zeilenBytes = Velm_Bild::BerechneZeilenGroesse(mFormat, w);
        for (uint64_t y = 0; y < h; ++y)
            std::memcpy(ziel.mDaten + y * ziel.mPitch, mDaten + y * mPitch, zeilenBytes);
        return;
    }
    if (Velm_IstDXT(ziel.mFormat)) {
        // Blocks that stick out of a smaller copy repeat pixels from the region's start.
        const int flag = SquishFlag(ziel.mFormat);
        const uint64_t blockBytes = Velm_DXTBlockBytes(ziel.mFormat);
        uint8_t pixel[16 * 4];
        for (uint64_t by = 0; by < h; by += 4) {
            uint8_t* block = ziel.mDaten + by * ziel.mPitch;
            for (uint64_t bx = 0; bx < w; bx += 4, block += blockBytes) {
                uint8_t* p = pixel;
                for (uint64_t j = 0; j < 4; ++j) {
                    for (uint64_t i = 0; i < 4; ++i, p += 4) {
                        const TPixelWert wert = LiesPixel((bx + i) % w, (by + j) % h);
                        p[0] = uint8_t(Ganzzahl(wert.x, 255.0f));
                        p[1] = uint8_t(Ganzzahl(wert.y, 255.0f));
                        p[2] = uint8_t(Ganzzahl(wert.z, 255.0f));
                        p[3] = uint8_t(Ganzzahl(wert.w, 255.0f));
                    }
                }
                squish::Compress(pixel, block, flag);
            }
        }
        return;
    }
    for (uint64_t y = 0; y < h; ++y)
        for (uint64_t x = 0; x < w; ++x)
            ziel.SchreibePixel(x, y, LiesPixel(x, y));
}

TPixelWert TBereich::LiesPixel(uint64_t x, uint64_t y) const {
    if (x >= mBreite || y >= mHoehe)
        return {0, 0, 0, 1};
    if (Velm_IstDXT(mFormat)) {
        uint8_t pixel[16 * 4];
        squish::Decompress(pixel, mDaten + y / 4 * 4 * mPitch + x / 4 * Velm_DXTBlockBytes(mFormat),
                           SquishFlag(mFormat));
        const uint8_t* p = pixel + 4 * (4 * (y % 4) + x % 4);
        return {p[0] * kDurch255, p[1] * kDurch255, p[2] * kDurch255, p[3] * kDurch255};
    }
    const uint8_t* stelle = mDaten + y * mPitch + x * Velm_BytesProPixel(mFormat);
    switch (mFormat) {
    case Velm_FormatA8R8G8B8: {
        const uint32_t argb = Lies<uint32_t>(stelle);
        return {float(argb >> 16 & 0xFF) * kDurch255, float(argb >> 8 & 0xFF) * kDurch255,
                float(argb & 0xFF) * kDurch255, float(argb >> 24) * kDurch255};
    }
    case Velm_FormatR5G6B5: {
        const uint16_t rgb = Lies<uint16_t>(stelle);
        return {float(rgb >> 11) * kDurch31, float(rgb >> 5 & 0x3F) * kDurch63, float(rgb & 0x1F) * kDurch31,
                1};
    }
    case Velm_FormatX1R5G5B5: {
        const uint16_t xrgb = Lies<uint16_t>(stelle);
        return {float(xrgb >> 10 & 0x1F) * kDurch31, float(xrgb >> 5 & 0x1F) * kDurch31,
                float(xrgb & 0x1F) * kDurch31, 1};
    }
    case Velm_FormatR16F:
        return {Halb(stelle, 0), 0, 0, 1};
    case Velm_FormatG16R16F:
        return {Halb(stelle, 0), Halb(stelle, 1), 0, 1};
    case Velm_FormatA16B16G16R16F:
        return {Halb(stelle, 0), Halb(stelle, 1), Halb(stelle, 2), Halb(stelle, 3)};
    case Velm_FormatR32F:
        return {Lies<float>(stelle), 0, 0, 1};
    case Velm_FormatG32R32F:
        return {Lies<float>(stelle), Lies<float>(stelle + 4), 0, 1};
    case Velm_FormatA32B32G32R32F:
        return {Lies<float>(stelle), Lies<float>(stelle + 4), Lies<float>(stelle + 8),
                Lies<float>(stelle + 12)};
    case Velm_FormatG16R16: {
        const uint32_t gr = Lies<uint32_t>(stelle);
        return {float(gr & 0xFFFF) * kDurch65535, float(gr >> 16) * kDurch65535, 0, 1};
    }
    case Velm_FormatA16B16G16R16: {
        const uint64_t abgr = Lies<uint64_t>(stelle);
        return {float(abgr & 0xFFFF) * kDurch65535, float(abgr >> 16 & 0xFFFF) * kDurch65535,
                float(abgr >> 32 & 0xFFFF) * kDurch65535, float(abgr >> 48) * kDurch65535};
    }
    case Velm_FormatA8:
        return {float(*stelle) * kDurch255, 0, 0, 1};
    default:
        return {0, 0, 0, 1};
    }
}

void TBereich::SchreibePixel(uint64_t x, uint64_t y, const TPixelWert& wert) const {
    if (x >= mBreite || y >= mHoehe || Velm_IstDXT(mFormat))
        return;
    uint8_t* stelle = mDaten + y * mPitch + x * Velm_BytesProPixel(mFormat);
    switch (mFormat) {
    case Velm_FormatA8R8G8B8:
        Schreibe<uint32_t>(stelle, TAlphaFarbe{wert.x, wert.y, wert.z, wert.w}.AlsARGB());
        break;
    case Velm_FormatR5G6B5:
        Schreibe<uint16_t>(stelle,
                           uint16_t(Kanal(wert.x, 31) << 11 | Kanal(wert.y, 63) << 5 | Kanal(wert.z, 31)));
        break;
    case Velm_FormatX1R5G5B5:
        Schreibe<uint16_t>(
            stelle, uint16_t(0x8000 | Kanal(wert.x, 31) << 10 | Kanal(wert.y, 31) << 5 | Kanal(wert.z, 31)));
        break;
    case Velm_FormatR16F:
        SchreibeHalb(stelle, 0, wert.x);
        break;
    case Velm_FormatG16R16F:
        SchreibeHalb(stelle, 0, wert.x);
        SchreibeHalb(stelle, 1, wert.y);
        break;
    case Velm_FormatA16B16G16R16F:
        SchreibeHalb(stelle, 0, wert.x);
        SchreibeHalb(stelle, 1, wert.y);
        SchreibeHalb(stelle, 2, wert.z);
        SchreibeHalb(stelle, 3, wert.w);
        break;
    case Velm_FormatR32F:
        Schreibe<float>(stelle, wert.x);
        break;
    case Velm_FormatG32R32F:
        Schreibe<float>(stelle, wert.x);
        Schreibe<float>(stelle + 4, wert.y);
        break;
    case Velm_FormatA32B32G32R32F:
        Schreibe<float>(stelle, wert.x);
        Schreibe<float>(stelle + 4, wert.y);
        Schreibe<float>(stelle + 8, wert.z);
        Schreibe<float>(stelle + 12, wert.w);
        break;
    case Velm_FormatG16R16:
        Schreibe<uint32_t>(stelle, Ganzzahl(wert.x, 65535.0f) | Ganzzahl(wert.y, 65535.0f) << 16);
        break;
    case Velm_FormatA16B16G16R16:
        Schreibe<uint64_t>(stelle, uint64_t(Ganzzahl(wert.x, 65535.0f)) |
                                       uint64_t(Ganzzahl(wert.y, 65535.0f)) << 16 |
                                       uint64_t(Ganzzahl(wert.z, 65535.0f)) << 32 |
                                       uint64_t(Ganzzahl(wert.w, 65535.0f)) << 48);
        break;
    case Velm_FormatA8:
        *stelle = uint8_t(Ganzzahl(wert.x, 255.0f));
        break;
    default:
        break;
    }
}

uint64_t TBereich::MarkiereEcke() const {
    if (mFormat != Velm_FormatA8R8G8B8 || mHoehe < 1)
        return mHoehe;
    const uint64_t w = std::min<uint64_t>(mBreite, 16);
    const uint64_t h = std::min<uint64_t>(mHoehe, 16);
    for (uint64_t y = 0; y < h; ++y)
        for (uint64_t x = 0; x < w; ++x)
            Schreibe<uint32_t>(mDaten + y * mPitch + 4 * x, 0x80FFFFFFu);
    return 0x80FFFFFF;
}
