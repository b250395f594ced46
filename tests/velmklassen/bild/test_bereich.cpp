#include "testhilfe.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

void SetzePixel(const TBereich& bereich, uint64_t x, uint64_t y, uint32_t wort) {
    std::memcpy(bereich.mDaten + y * bereich.mPitch + 4 * x, &wort, 4);
}

} // namespace

TEST(HalbFloat, LesenUndSchreibenInAllenBereichen) {
    const float kMin = std::ldexp(1.0f, -14), kInf = std::numeric_limits<float>::infinity();
    // Subnormal halves read as signed zero, exponent 31 as the formula's 65536..131008.
    const std::pair<uint16_t, float> lesen[] = {{0x3C00, 1.0f},    {0xC000, -2.0f},    {0x7BFF, 65504.0f},
                                                {0x0400, kMin},    {0x0000, 0.0f},     {0x8000, -0.0f},
                                                {0x83FF, -0.0f},   {0x7C00, 65536.0f}, {0xFFFF, -131008.0f}};
    for (const auto& [halb, wert] : lesen) {
        EXPECT_EQ(std::bit_cast<uint32_t>(Velm_HalbZuFloat(halb)), std::bit_cast<uint32_t>(wert)) << halb;
    }
    // Truncated, not rounded; below the smallest normal half signed zero, not a wrapped subtraction;
    // beyond the largest half the largest finite half; infinities stay infinite, NaN is quiet.
    const std::pair<float, uint16_t> schreiben[] = {
        {1.0f, 0x3C00},     {-2.0f, 0xC000},  {0.0f, 0x0000}, {-0.0f, 0x8000},  {65504.0f, 0x7BFF},
        {kMin, 0x0400},     {1.0f + std::ldexp(1.0f, -11), 0x3C00},             {std::ldexp(1.0f, -15), 0},
        {-1e-30f, 0x8000},  {std::numeric_limits<float>::denorm_min(), 0x0000}, {65520.0f, 0x7BFF},
        {70000.0f, 0x7BFF}, {-1e30f, 0xFBFF}, {kInf, 0x7C00}, {-kInf, 0xFC00},
        {std::numeric_limits<float>::quiet_NaN(), 0x7E00}};
    for (const auto& [wert, halb] : schreiben) {
        EXPECT_EQ(Velm_FloatZuHalb(wert), halb) << wert;
    }
    // Every normal half survives the round trip.
    for (uint32_t h = 0; h < 0x10000; ++h) {
        if ((h & 0x7C00) != 0 && (h & 0x7C00) != 0x7C00) {
            ASSERT_EQ(Velm_FloatZuHalb(Velm_HalbZuFloat(uint16_t(h))), h) << h;
        }
    }
}

// The 16-bit back-buffer formats against known words: converted to A8R8G8B8 for a screenshot and
// back, every word survives the round trip (X1R5G5B5 with its unused bit set).
TEST(Bereich, SechzehnBitFormate) {
    const struct {
        Velm_Pixelformat format;
        uint16_t wort;
        uint32_t argb;
    } faelle[] = {
        {Velm_FormatR5G6B5, 0xF800, 0xFFFF0000},   {Velm_FormatR5G6B5, 0x07E0, 0xFF00FF00},
        {Velm_FormatR5G6B5, 0x001F, 0xFF0000FF},   {Velm_FormatR5G6B5, 0x8410, 0xFF848284},
        {Velm_FormatR5G6B5, 0x0000, 0xFF000000},   {Velm_FormatX1R5G5B5, 0xFC00, 0xFFFF0000},
        {Velm_FormatX1R5G5B5, 0x83E0, 0xFF00FF00}, {Velm_FormatX1R5G5B5, 0x801F, 0xFF0000FF},
        {Velm_FormatX1R5G5B5, 0xC210, 0xFF848484}, {Velm_FormatX1R5G5B5, 0x7FFF, 0xFFFFFFFF},
    };
    for (const auto& fall : faelle) {
        Velm_Bild sechzehn(2, 1, fall.format, 1), argb(2, 1, Velm_FormatA8R8G8B8, 1);
        std::memcpy(sechzehn.mDaten + 2, &fall.wort, 2);
        sechzehn.KopiereAus(argb);
        EXPECT_EQ(Pixel(argb, 1, 0), fall.argb) << fall.wort;
        argb.KopiereAus(sechzehn);
        uint16_t zurueck;
        std::memcpy(&zurueck, sechzehn.mDaten + 2, 2);
        EXPECT_EQ(zurueck, fall.format == Velm_FormatX1R5G5B5 ? (fall.wort | 0x8000) : fall.wort)
            << fall.wort;
    }
}

// The stored words of written values: exact, clamped instead of overflowing, NaN as 0.
TEST(Bereich, SpeicherbilderDerFormate) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        Velm_Pixelformat format;
        TPixelWert wert;
        uint64_t wort;
    } faelle[] = {
        {Velm_FormatA16B16G16R16, {1, 0, 0, 1}, 0xFFFF00000000FFFFull},
        {Velm_FormatA16B16G16R16, {-1, 7, nan, 1e20f}, 0xFFFF0000FFFF0000ull},
        {Velm_FormatG16R16, {1, 0.5f, 0, 1}, 0x7FFFFFFFu},
        {Velm_FormatA16B16G16R16F, {1, -2, 0, 65504}, 0x7BFF0000C0003C00ull},
        {Velm_FormatA8R8G8B8, {2, -1, 0.5f, 9}, 0xFFFF0080u},
        {Velm_FormatA8, {-3, 0, 0, 1}, 0},      {Velm_FormatA8, {2, 0, 0, 1}, 255},
        {Velm_FormatA8, {1e30f, 0, 0, 1}, 255}, {Velm_FormatA8, {nan, 0, 0, 1}, 0},
        {Velm_FormatA8, {0.5f, 0, 0, 1}, 127},
    };
    for (const auto& fall : faelle) {
        Velm_Bild bild(1, 1, fall.format, 1);
        bild.SchreibePixel(0, 0, fall.wert);
        uint64_t wort = 0;
        std::memcpy(&wort, bild.mDaten, Velm_BytesProPixel(fall.format));
        EXPECT_EQ(wort, fall.wort) << fall.format << " " << fall.wert.x;
    }
}

// Copies take the top-left part that fits. Through every convertible format and back, the eight-bit
// values of the channels the format holds survive; the others read as 0, a missing alpha as opaque.
TEST(Bereich, KopieInKleinerenBereichUndMitUmwandlung) {
    Velm_Bild quelle(8, 8, Velm_FormatA8R8G8B8, 1);
    std::memcpy(quelle.mDaten, Zufallsbytes(256, 8).data(), 256);
    for (const auto& [format, maske] :
         {std::pair{Velm_FormatR16F, 0x00FF0000u}, {Velm_FormatR32F, 0x00FF0000u},
          {Velm_FormatA8, 0x00FF0000u}, {Velm_FormatG16R16F, 0x00FFFF00u}, {Velm_FormatG32R32F, 0x00FFFF00u},
          {Velm_FormatG16R16, 0x00FFFF00u}, {Velm_FormatA16B16G16R16F, ~0u}, {Velm_FormatA32B32G32R32F, ~0u},
          {Velm_FormatA16B16G16R16, ~0u}}) {
        Velm_Bild zwischen(4, 4, format, 1), zurueck(8, 8, Velm_FormatA8R8G8B8, 1);
        quelle.KopiereAus(zwischen);
        zwischen.KopiereAus(zurueck);
        for (uint64_t i = 0; i < 16; ++i)
            EXPECT_EQ(Pixel(zurueck, i % 4, i / 4),
                      (Pixel(quelle, i % 4, i / 4) & maske) | (0xFF000000u & ~maske))
                << format << " " << i;
    }
}

// A region is a window at its position with the source's pitch. Writing into a region takes the
// source from (x, y) on; a start outside the source is reported.
TEST(Bereich, UnterbereicheUndSchreibeInBereich) {
    TLog log;
    Velm_Bild quelle(6, 5, Velm_FormatA8R8G8B8, 1), ziel(10, 10, Velm_FormatA8R8G8B8, 1);
    for (uint32_t i = 0; i < 30; ++i)
        SetzePixel(quelle, i % 6, i / 6, i / 6 << 8 | i % 6);
    EXPECT_EQ(Pixel(TBereich::LockSubBereich(quelle, 2, 1, 3, 2), 1, 1), 0x0203u);
    std::memset(ziel.mDaten, 0, 400);
    ziel.SchreibeInBereich(quelle, 4, 3);
    EXPECT_EQ(std::vector({Pixel(ziel, 0, 0), Pixel(ziel, 1, 1), Pixel(ziel, 2, 0), Pixel(ziel, 0, 2)}),
              std::vector({0x0304u, 0x0405u, 0u, 0u}));
    ziel.SchreibeInBereich(quelle, 6, 0);
    EXPECT_TRUE(log.Enthaelt("!TBereich::SchreibeInBereich( ..., 6, 0): Kopierbereich liegt außerhalb des "
                             "Quellbereiches"));
}

TEST(Bereich, MarkiereEcke) {
    Velm_Bild bild(20, 17, Velm_FormatA8R8G8B8, 1);
    std::memset(bild.mDaten, 0, 20 * 17 * 4);
    EXPECT_EQ(bild.MarkiereEcke(), 0x80FFFFFFu);
    EXPECT_EQ(std::vector({Pixel(bild, 15, 15), Pixel(bild, 16, 0), Pixel(bild, 0, 16)}),
              std::vector({0x80FFFFFFu, 0u, 0u}));
}

// A 2 x 2 image fills its block by repeating itself. Both colours are exact in 5:6:5.
TEST(BereichDXT, ZweiMalZweiFuelltDenBlockMitWiederholung) {
    const uint32_t farben[4] = {0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000};
    Velm_Bild quelle(2, 2, Velm_FormatA8R8G8B8, 1), dxt(2, 2, Velm_FormatDXT1, 1),
        block(4, 4, Velm_FormatA8R8G8B8, 1);
    for (int i = 0; i < 4; ++i)
        SetzePixel(quelle, i % 2, i / 2, farben[i]);
    quelle.KopiereAus(dxt);
    TBereich ganz = dxt.LockBereich();
    ganz.mBreite = ganz.mHoehe = 4;
    ganz.KopiereAus(block);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Pixel(block, i % 4, i / 4), farben[i / 4 % 2 * 2 + i % 2]) << i;
}

// Flat colours survive DXT exactly, each 4 x 4 block its own, so block rows and columns are told
// apart; from DXT5 to DXT3 to DXT1 the alpha keeps 8, then 4 bits, then one.
TEST(BereichDXT, ZwischenDXTFormatenUndAusDXTHeraus) {
    const uint32_t farben[4] = {0x80FF0000, 0x800000FF, 0x8000FF00, 0x80FFFFFF};
    Velm_Bild quelle(8, 8, Velm_FormatA8R8G8B8, 1), zurueck(8, 8, Velm_FormatA8R8G8B8, 1);
    Velm_Bild dxt5(8, 8, Velm_FormatDXT5, 1), dxt3(8, 8, Velm_FormatDXT3, 1), dxt1(8, 8, Velm_FormatDXT1, 1);
    for (uint64_t i = 0; i < 64; ++i)
        SetzePixel(quelle, i % 8, i / 8, farben[i / 32 * 2 + i % 8 / 4]);
    quelle.KopiereAus(dxt5);
    dxt5.KopiereAus(dxt3);
    dxt3.KopiereAus(dxt1);
    for (const auto& [dxt, alpha] : {std::pair{&dxt5, 0x80u}, {&dxt3, 0x88u}, {&dxt1, 0xFFu}}) {
        dxt->KopiereAus(zurueck);
        for (uint64_t i = 0; i < 64; ++i)
            EXPECT_EQ(Pixel(zurueck, i % 8, i / 8), (farben[i / 32 * 2 + i % 8 / 4] & 0xFFFFFF) | alpha << 24)
                << dxt->mFormat << " " << i;
    }
    // From a block position of a DXT image into a smaller one.
    Velm_Bild teil(4, 4, Velm_FormatDXT5, 1);
    teil.SchreibeInBereich(dxt5, 4, 4);
    EXPECT_EQ(std::memcmp(teil.mDaten, dxt5.mDaten + 4 * dxt5.mPitch + 16, 16), 0);
}

// Within one DXT format partly covered blocks are copied whole: a 6 x 6 level has two blocks per
// row, not one. Into a larger image the blocks go through a region at a block position.
TEST(BereichDXT, KopieGleichenFormatsNimmtAngebrocheneBloecke) {
    Velm_Bild quelle(6, 6, Velm_FormatDXT5, 1), ziel(8, 8, Velm_FormatDXT5, 1);
    std::memcpy(quelle.mDaten, Zufallsbytes(64, 6).data(), 64);
    std::memset(ziel.mDaten, 0, 64);
    quelle.KopiereAus(ziel);
    EXPECT_EQ(std::memcmp(ziel.mDaten, quelle.mDaten, 64), 0);

    Velm_Bild gross(16, 16, Velm_FormatDXT1, 1), klein(5, 5, Velm_FormatDXT1, 1);
    std::memset(gross.mDaten, 0, 128);
    std::memset(klein.mDaten, 0xEE, 32);
    klein.KopiereAus(TBereich::LockSubBereich(gross, 4, 8, 12, 8));
    // Blocks 1 and 2 of block rows 2 and 3 of the 4 x 4 grid.
    for (uint64_t b = 0; b < 16; ++b)
        EXPECT_EQ(gross.mDaten[8 * b], b % 4 >= 1 && b % 4 <= 2 && b / 4 >= 2 ? 0xEE : 0) << b;
}

// DXT regions start on block boundaries: another start is reported and gives the empty region.
// Copies from or into it, and from an unaligned DXT position, touch nothing (the sanitizer run sees
// any access).
TEST(BereichDXT, UnterbereichNurAufBlockgrenzen) {
    TLog log;
    Velm_Bild dxt(16, 16, Velm_FormatDXT3, 1), argb(4, 4, Velm_FormatA8R8G8B8, 1), leer;
    EXPECT_EQ(TBereich::LockSubBereich(dxt, 8, 4, 4, 4).mDaten, dxt.mDaten + 4 * dxt.mPitch + 2 * 16);
    const TBereich schief = TBereich::LockSubBereich(dxt, 2, 4, 4, 4);
    EXPECT_TRUE(
        log.Enthaelt("!TBereich::LockSubBereich( 2, 4, 4, 4): Unterbereiche in einem DXT-komprimierten "
                     "Bereich müssen durch 4 teilbare Position haben."));
    EXPECT_EQ(schief.mDaten, nullptr);
    EXPECT_EQ(schief.mBreite, 0u);
    EXPECT_EQ(TBereich::LockSubBereich(dxt, 4, 2, 4, 4).mDaten, nullptr);
    for (const TBereich* bereich : {&dxt, &argb}) {
        schief.KopiereAus(*bereich);
        bereich->KopiereAus(schief);
    }
    leer.KopiereAus(dxt);
    Velm_Bild(8, 8, Velm_FormatDXT3, 1).SchreibeInBereich(dxt, 6, 0);
}
