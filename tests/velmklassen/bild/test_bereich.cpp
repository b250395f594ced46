#include "bild_testhilfen.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

void SetzeWort(const TBereich& bereich, uint64_t x, uint64_t y, uint32_t wort) {
    std::memcpy(bereich.mDaten + y * bereich.mPitch + 4 * x, &wort, 4);
}

void ErwarteGleich(const TPixelWert& ist, const TPixelWert& soll) {
    EXPECT_TRUE(ist.x == soll.x && ist.y == soll.y && ist.z == soll.z && ist.w == soll.w)
        << ist.x << " " << ist.y << " " << ist.z << " " << ist.w;
}

uint32_t Bits(float wert) {
    return std::bit_cast<uint32_t>(wert);
}

} // namespace

TEST(HalbFloat, LesenUndSchreibenInAllenBereichen) {
    const float kMin = std::ldexp(1.0f, -14), kInf = std::numeric_limits<float>::infinity();
    // Subnormal halves read as signed zero, exponent 31 as the formula's 65536..131008.
    const std::pair<uint16_t, float> lesen[] = {{0x3C00, 1.0f},    {0xC000, -2.0f},    {0x7BFF, 65504.0f},
                                                {0x0400, kMin},    {0x0000, 0.0f},     {0x8000, -0.0f},
                                                {0x83FF, -0.0f},   {0x7C00, 65536.0f}, {0xFFFF, -131008.0f}};
    for (const auto& [halb, wert] : lesen) {
        EXPECT_EQ(Bits(Velm_HalbZuFloat(halb)), Bits(wert)) << halb;
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

TEST(Bereich, UmwandlungJeFormat) {
    const float k255 = 1.0f / 255.0f, k65535 = 1.0f / 65535.0f;
    const TPixelWert wert{0.25f, 0.5f, 0.75f, 1.0f};
    struct Fall {
        Velm_Pixelformat format;
        TPixelWert zurueck;
    };
    const Fall faelle[] = {
        {Velm_FormatA8R8G8B8, {64 * k255, 128 * k255, 191 * k255, 255 * k255}},
        {Velm_FormatR16F, {0.25f, 0, 0, 1}},
        {Velm_FormatG16R16F, {0.25f, 0.5f, 0, 1}},
        {Velm_FormatA16B16G16R16F, {0.25f, 0.5f, 0.75f, 1}},
        {Velm_FormatR32F, {0.25f, 0, 0, 1}},
        {Velm_FormatG32R32F, {0.25f, 0.5f, 0, 1}},
        {Velm_FormatA32B32G32R32F, wert},
        {Velm_FormatG16R16, {16383 * k65535, 32767 * k65535, 0, 1}},
        {Velm_FormatA16B16G16R16, {16383 * k65535, 32767 * k65535, 49151 * k65535, 65535 * k65535}},
        {Velm_FormatA8, {63 * k255, 0, 0, 1}},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.format);
        Velm_Bild bild(3, 2, fall.format, 1);
        bild.SchreibePixel(2, 1, wert);
        ErwarteGleich(bild.LiesPixel(2, 1), fall.zurueck);
        ErwarteGleich(bild.LiesPixel(3, 1), {0, 0, 0, 1});
        ErwarteGleich(bild.LiesPixel(0, 2), {0, 0, 0, 1});
    }
}

// The 16-bit back-buffer formats against known words: converted to A8R8G8B8 for a screenshot and
// back, every word survives the round trip.
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
        SCOPED_TRACE(fall.wort);
        Velm_Bild sechzehn(2, 1, fall.format, 1);
        std::memcpy(sechzehn.mDaten + 2, &fall.wort, 2);
        Velm_Bild argb(2, 1, Velm_FormatA8R8G8B8, 1);
        sechzehn.KopiereAus(argb);
        EXPECT_EQ(Wort(argb, 1, 0), fall.argb);

        argb.KopiereAus(sechzehn);
        uint16_t zurueck;
        std::memcpy(&zurueck, sechzehn.mDaten + 2, 2);
        EXPECT_EQ(zurueck, fall.format == Velm_FormatX1R5G5B5 ? (fall.wort | 0x8000) : fall.wort);
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
    Velm_Bild breit(1, 1, Velm_FormatA16B16G16R16, 1);
    breit.SchreibePixel(0, 0, {1, 0, 0, 1});
    ErwarteGleich(breit.LiesPixel(0, 0), {1, 0, 0, 1});
    // Divisions are multiplications by the reciprocal, and the tests compare exact floats.
    Velm_Bild argb(1, 1, Velm_FormatA8R8G8B8, 1);
    SetzeWort(argb, 0, 0, 0xFF336699);
    const float k255 = 1.0f / 255.0f;
    ErwarteGleich(argb.LiesPixel(0, 0), {0x33 * k255, 0x66 * k255, 0x99 * k255, 0xFF * k255});
    argb.SchreibePixel(0, 0, argb.LiesPixel(0, 0));
    EXPECT_EQ(Wort(argb, 0, 0), 0xFF336699u);
}

TEST(Bereich, FormateOhneUmwandlungBleibenUnberuehrt) {
    Velm_Bild a2(2, 2, Velm_FormatA2B10G10R10, 1);
    std::memset(a2.mDaten, 0xAB, 16);
    a2.SchreibePixel(0, 0, {1, 1, 1, 1});
    EXPECT_EQ(a2.mDaten[0], 0xAB);
    ErwarteGleich(a2.LiesPixel(1, 1), {0, 0, 0, 1});
    Velm_Bild dxt(4, 4, Velm_FormatDXT1, 1);
    std::memset(dxt.mDaten, 0x5A, 8);
    dxt.SchreibePixel(0, 0, {1, 1, 1, 1});
    EXPECT_EQ(dxt.mDaten[0], 0x5A);
}

TEST(Bereich, KopieInKleinerenBereichUndMitUmwandlung) {
    Velm_Bild quelle(8, 8, Velm_FormatA8R8G8B8, 1);
    for (uint64_t y = 0; y < 8; ++y)
        for (uint64_t x = 0; x < 8; ++x)
            SetzeWort(quelle, x, y, 0xFF000000u | uint32_t(y * 16 + x));
    Velm_Bild klein(4, 4, Velm_FormatA8R8G8B8, 1);
    quelle.KopiereAus(klein);
    for (uint64_t y = 0; y < 4; ++y)
        for (uint64_t x = 0; x < 4; ++x)
            EXPECT_EQ(Wort(klein, x, y), 0xFF000000u | uint32_t(y * 16 + x));

    // Through every convertible format and back: eight-bit values survive all of them.
    // The mask keeps the channels the format holds.
    for (const auto& [format, maske] :
         {std::pair{Velm_FormatR16F, 0x00FF0000u}, {Velm_FormatR32F, 0x00FF0000u},
          {Velm_FormatA8, 0x00FF0000u}, {Velm_FormatG16R16F, 0x00FFFF00u}, {Velm_FormatG32R32F, 0x00FFFF00u},
          {Velm_FormatG16R16, 0x00FFFF00u}, {Velm_FormatA16B16G16R16F, ~0u}, {Velm_FormatA32B32G32R32F, ~0u},
          {Velm_FormatA16B16G16R16, ~0u}}) {
        SCOPED_TRACE(format);
        Velm_Bild zwischen(8, 8, format, 1);
        Velm_Bild zurueck(8, 8, Velm_FormatA8R8G8B8, 1);
        quelle.KopiereAus(zwischen);
        zwischen.KopiereAus(zurueck);
        for (uint64_t y = 0; y < 8; ++y)
            for (uint64_t x = 0; x < 8; ++x)
                EXPECT_EQ(Wort(zurueck, x, y) & maske, (0xFF000000u | uint32_t(y * 16 + x)) & maske);
    }
}

TEST(Bereich, UnterbereicheUndSchreibeInBereich) {
    TBildLog log;
    Velm_Bild quelle(6, 5, Velm_FormatA8R8G8B8, 1);
    for (uint64_t y = 0; y < 5; ++y)
        for (uint64_t x = 0; x < 6; ++x)
            SetzeWort(quelle, x, y, uint32_t(y << 8 | x));
    const TBereich teil = TBereich::LockSubBereich(quelle, 2, 1, 3, 2);
    EXPECT_EQ(teil.mDaten, quelle.mDaten + quelle.mPitch + 8);
    EXPECT_EQ(teil.mPitch, quelle.mPitch);
    EXPECT_EQ(Wort(teil, 0, 0), 0x0102u);

    Velm_Bild ziel(10, 10, Velm_FormatA8R8G8B8, 1);
    std::memset(ziel.mDaten, 0, 400);
    ziel.SchreibeInBereich(quelle, 4, 3);
    EXPECT_EQ(Wort(ziel, 0, 0), 0x0304u);
    EXPECT_EQ(Wort(ziel, 1, 1), 0x0405u);
    EXPECT_EQ(Wort(ziel, 2, 0), 0u);
    EXPECT_EQ(Wort(ziel, 0, 2), 0u);

    ziel.SchreibeInBereich(quelle, 6, 0);
    EXPECT_TRUE(log.Enthaelt("!TBereich::SchreibeInBereich( ..., 6, 0): Kopierbereich liegt außerhalb des "
                             "Quellbereiches"));
}

TEST(Bereich, MarkiereEcke) {
    Velm_Bild bild(20, 3, Velm_FormatA8R8G8B8, 1);
    std::memset(bild.mDaten, 0, 240);
    EXPECT_EQ(bild.MarkiereEcke(), 0x80FFFFFFu);
    EXPECT_EQ(Wort(bild, 15, 2), 0x80FFFFFFu);
    EXPECT_EQ(Wort(bild, 16, 0), 0u);
    Velm_Bild a8(4, 7, Velm_FormatA8, 1);
    EXPECT_EQ(a8.MarkiereEcke(), 7u);
    EXPECT_EQ(Velm_Bild().MarkiereEcke(), 0u);
}

TEST(BereichDXT, ZweiMalZweiFuelltDenBlockMitWiederholung) {
    // Two colours that 5:6:5 holds exactly, so DXT1 keeps them as they are.
    Velm_Bild quelle(2, 2, Velm_FormatA8R8G8B8, 1);
    const uint32_t farben[4] = {0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000};
    for (int i = 0; i < 4; ++i)
        SetzeWort(quelle, i % 2, i / 2, farben[i]);
    Velm_Bild dxt(2, 2, Velm_FormatDXT1, 1);
    quelle.KopiereAus(dxt);
    uint8_t pixel[64];
    squish::Decompress(pixel, dxt.mDaten, squish::kDxt1);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const uint8_t* p = pixel + 4 * (4 * j + i);
            const uint32_t soll = farben[(j % 2) * 2 + i % 2];
            EXPECT_EQ(p[0], soll >> 16 & 0xFF);
            EXPECT_EQ(p[1], soll >> 8 & 0xFF);
            EXPECT_EQ(p[2], soll & 0xFF);
        }
    // A pixel of a DXT region reads its decompressed block, outside the region the default.
    ErwarteGleich(dxt.LiesPixel(1, 0), {0, 0, 1, 1});
    ErwarteGleich(dxt.LiesPixel(1, 1), {1, 0, 0, 1});
    ErwarteGleich(dxt.LiesPixel(2, 0), {0, 0, 0, 1});
}

TEST(BereichDXT, RundreiseAllerDreiFormateMitToleranz) {
    // A smooth gradient with alpha: DXT keeps it within a few steps.
    Velm_Bild quelle(16, 12, Velm_FormatA8R8G8B8, 1);
    for (uint64_t y = 0; y < 12; ++y)
        for (uint64_t x = 0; x < 16; ++x)
            SetzeWort(quelle, x, y, uint32_t(x * 16) << 24 | uint32_t(x * 8 + y * 4) * 0x010101u);
    for (Velm_Pixelformat format : {Velm_FormatDXT1, Velm_FormatDXT3, Velm_FormatDXT5}) {
        SCOPED_TRACE(format);
        Velm_Bild dxt(16, 12, format, 1);
        quelle.KopiereAus(dxt);
        Velm_Bild zurueck(16, 12, Velm_FormatA8R8G8B8, 1);
        dxt.KopiereAus(zurueck);
        for (uint64_t y = 0; y < 12; ++y)
            for (uint64_t x = 0; x < 16; ++x) {
                const uint32_t ist = Wort(zurueck, x, y), soll = Wort(quelle, x, y);
                // DXT1 keeps one bit of alpha: below one half a pixel is transparent black.
                if (format == Velm_FormatDXT1 && soll >> 24 < 128) {
                    EXPECT_EQ(ist, 0u);
                    continue;
                }
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(int(ist >> 8 * k & 0xFF), int(soll >> 8 * k & 0xFF), 12) << x << "," << y;
                if (format == Velm_FormatDXT1)
                    EXPECT_EQ(ist >> 24, 0xFFu);
                else
                    EXPECT_NEAR(int(ist >> 24), int(soll >> 24), format == Velm_FormatDXT3 ? 17 : 6);
            }
    }
}

TEST(BereichDXT, KopieGleichenFormatsNimmtAngebrocheneBloecke) {
    // 6 x 6 is the 96 x 96 chain's level 4: two blocks per row, not one.
    Velm_Bild quelle(6, 6, Velm_FormatDXT5, 1);
    for (uint64_t i = 0; i < 64; ++i)
        quelle.mDaten[i] = uint8_t(i + 1);
    Velm_Bild ziel(8, 8, Velm_FormatDXT5, 1);
    std::memset(ziel.mDaten, 0, 64);
    quelle.KopiereAus(ziel);
    EXPECT_EQ(std::memcmp(ziel.mDaten, quelle.mDaten, 64), 0);

    // Into a bigger image at a block position, through a region.
    Velm_Bild gross(16, 16, Velm_FormatDXT1, 1);
    std::memset(gross.mDaten, 0, 128);
    Velm_Bild klein(5, 5, Velm_FormatDXT1, 1);
    std::memset(klein.mDaten, 0xEE, 32);
    klein.KopiereAus(TBereich::LockSubBereich(gross, 4, 8, 12, 8));
    // Blocks (1..2, 2..3) of the 4 x 4 block grid.
    for (uint64_t by = 0; by < 4; ++by)
        for (uint64_t bx = 0; bx < 4; ++bx) {
            const bool belegt = bx >= 1 && bx <= 2 && by >= 2;
            EXPECT_EQ(gross.mDaten[by * 32 + bx * 8], belegt ? 0xEE : 0) << bx << "," << by;
        }
}

TEST(BereichDXT, UnterbereichNurAufBlockgrenzen) {
    TBildLog log;
    Velm_Bild dxt(16, 16, Velm_FormatDXT3, 1);
    const TBereich teil = TBereich::LockSubBereich(dxt, 8, 4, 4, 4);
    EXPECT_EQ(teil.mDaten, dxt.mDaten + 4 * dxt.mPitch + 2 * 16);
    const TBereich schief = TBereich::LockSubBereich(dxt, 2, 4, 4, 4);
    EXPECT_TRUE(
        log.Enthaelt("!TBereich::LockSubBereich( 2, 4, 4, 4): Unterbereiche in einem DXT-komprimierten "
                     "Bereich müssen durch 4 teilbare Position haben."));
    EXPECT_EQ(schief.mDaten, nullptr);
    EXPECT_EQ(schief.mBreite, 0u);
    // Copying from or into the empty region does nothing at all.
    schief.KopiereAus(dxt);
    dxt.KopiereAus(schief);
    Velm_Bild argb(4, 4, Velm_FormatA8R8G8B8, 1);
    schief.KopiereAus(argb);
    argb.KopiereAus(schief);
    Velm_Bild leer;
    leer.KopiereAus(dxt);
    // A DXT source at an unaligned position copies nothing either.
    Velm_Bild ziel(8, 8, Velm_FormatDXT3, 1);
    ziel.SchreibeInBereich(dxt, 6, 0);
}

TEST(BereichDXT, ZwischenDXTFormatenUndAusDXTHeraus) {
    // Flat colours survive DXT exactly; DXT3 and DXT5 also keep the alpha.
    Velm_Bild quelle(8, 8, Velm_FormatA8R8G8B8, 1);
    for (uint64_t y = 0; y < 8; ++y)
        for (uint64_t x = 0; x < 8; ++x)
            SetzeWort(quelle, x, y, x < 4 ? 0x80FF0000u : 0x800000FFu);
    Velm_Bild dxt5(8, 8, Velm_FormatDXT5, 1);
    quelle.KopiereAus(dxt5);
    ErwarteGleich(dxt5.LiesPixel(1, 6), {1, 0, 0, 0x80 / 255.0f});
    Velm_Bild dxt3(8, 8, Velm_FormatDXT3, 1);
    dxt5.KopiereAus(dxt3);
    ErwarteGleich(dxt3.LiesPixel(6, 1), {0, 0, 1, 0x88 / 255.0f}); // DXT3 keeps 4 bits of alpha
    Velm_Bild dxt1(8, 8, Velm_FormatDXT1, 1);
    dxt3.KopiereAus(dxt1);
    ErwarteGleich(dxt1.LiesPixel(6, 1), {0, 0, 1, 1}); // one bit: 0x88 is at least one half
    Velm_Bild zurueck(8, 8, Velm_FormatR32F, 1);
    dxt5.KopiereAus(zurueck);
    ErwarteGleich(zurueck.LiesPixel(7, 7), {0, 0, 0, 1});
    ErwarteGleich(zurueck.LiesPixel(0, 0), {1, 0, 0, 1});

    // From a block position of a DXT image into a smaller one.
    Velm_Bild teil(4, 4, Velm_FormatDXT5, 1);
    teil.SchreibeInBereich(dxt5, 4, 4);
    ErwarteGleich(teil.LiesPixel(0, 0), {0, 0, 1, 0x80 / 255.0f});
}
