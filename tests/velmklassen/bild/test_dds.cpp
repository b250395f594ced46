#include "testhilfe.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

#include <bit>

// The level data of every format code arrive as they are, and the reader stops right after them.
TEST(DDSLesen, JedesFormatNachCode) {
    const std::pair<uint32_t, Velm_Pixelformat> faelle[] = {
        {111, Velm_FormatR16F},           {112, Velm_FormatG16R16F},        {113, Velm_FormatA16B16G16R16F},
        {114, Velm_FormatR32F},           {115, Velm_FormatG32R32F},        {116, Velm_FormatA32B32G32R32F},
        {34, Velm_FormatG16R16},          {36, Velm_FormatA16B16G16R16},    {FourCC("DXT1"), Velm_FormatDXT1},
        {FourCC("DXT3"), Velm_FormatDXT3}, {FourCC("DXT5"), Velm_FormatDXT5}};
    for (const auto& [code, format] : faelle) {
        const std::vector<uint8_t> daten = Zufallsbytes(Velm_Bild::BerechneDatenGroesse(format, 6, 5), code);
        std::vector<uint8_t> datei = Kopf(6, 5, code).Bytes(daten);
        datei.insert(datei.end(), {1, 2, 3});
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadeDDS(speicher)) << code;
        EXPECT_EQ(bild.mFormat, format);
        EXPECT_EQ(std::vector<uint8_t>(bild.mDaten, bild.mDaten + daten.size()), daten);
        EXPECT_EQ(speicher.Rest(), 3u);
    }
}

// A mip chain needs its count, its header flag and its caps bit; without the flag or the bit the
// file holds one level.
TEST(DDSLesen, MipKetteNurMitAllenDreiAngaben) {
    for (uint32_t ohne : {0u, kMipFlag, kCapsMip}) {
        TDDSKopf kopf = Kopf(256, 128, FourCC("DXT5"), 9);
        kopf.flags &= ~ohne;
        kopf.caps &= ~ohne;
        Velm_Bild bild;
        ASSERT_TRUE(Lade(bild, kopf.Bytes(std::vector<uint8_t>(43728))));
        EXPECT_EQ(bild.MipAnzahl(), ohne == 0 ? 9u : 1u);
    }
}

// The file's faces +X, -X, +Y, -Y, +Z, -Z land in their slots, each with its levels; a file that
// marks only some faces is a 2D image of the first.
TEST(DDSLesen, WuerfelMitAllenSeitenUndStufen) {
    TDDSKopf kopf = Kopf(8, 8, 114, 4, true);
    // Each level of each face is filled with the float face * 10 + level.
    std::vector<uint8_t> daten;
    for (int seite = 0; seite < 6; ++seite)
        for (uint32_t l = 0; l < 4; ++l)
            for (uint32_t i = 0; i < (64u >> 2 * l); ++i)
                Haenge(daten, std::bit_cast<uint32_t>(float(seite * 10 + l)));
    Velm_Bild bild;
    ASSERT_TRUE(Lade(bild, kopf.Bytes(daten)));
    EXPECT_EQ(bild.Seite(Velm_Bild::kMinusX), &bild);
    const int slot[6] = {Velm_Bild::kPlusX,  Velm_Bild::kMinusX, Velm_Bild::kPlusY,
                         Velm_Bild::kMinusY, Velm_Bild::kPlusZ,  Velm_Bild::kMinusZ};
    for (int seite = 0; seite < 6; ++seite)
        for (uint32_t l = 0; l < 4; ++l) {
            const Velm_Bild* stufe = bild.Seite(slot[seite])->GibMipStufe(l);
            EXPECT_EQ(stufe->LiesPixel(0, 0).x, float(seite * 10 + l));
            EXPECT_EQ(stufe->LiesPixel(stufe->mBreite - 1, stufe->mHoehe - 1).x, float(seite * 10 + l));
        }
    kopf.caps2 = 0x200 | 0x0400 | 0x0800;
    ASSERT_TRUE(Lade(bild, kopf.Bytes(daten)));
    EXPECT_FALSE(bild.IstCubeMap());
    EXPECT_EQ(bild.GibMipStufe(3)->LiesPixel(0, 0).x, 3.0f);
}

// Pixels described by masks, 8 to 32 bits wide, become A8R8G8B8; so do those of the other magic word.
TEST(DDSLesen, MaskenpixelAllerBreiten) {
    struct Fall {
        uint32_t bits, rot, gruen, blau, alpha;
        std::vector<uint8_t> pixel; // two pixels in file bytes
        std::vector<uint32_t> erwartet;
    };
    const Fall faelle[] = {
        {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, {1, 2, 3, 4, 5, 6, 7, 8},
         {0x04030201, 0x08070605}},
        {32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, {0x11, 0x22, 0x33, 0x44, 1, 2, 3, 4},
         {0x44112233, 0x04010203}},
        {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, {1, 2, 3, 4, 5, 6, 7, 8}, {0xFF030201, 0xFF070605}},
        {16, 0xF800, 0x07E0, 0x001F, 0, {0x00, 0xF8, 0x1F, 0x00}, {0xFFF80000, 0xFF0000F8}},
        {16, 0xF800, 0x07E0, 0x001F, 0, {0xE0, 0x07, 0xFF, 0xFF}, {0xFF00FC00, 0xFFF8FCF8}},
        {16, 0x7C00, 0x03E0, 0x001F, 0x8000, {0x00, 0x80, 0x1F, 0x7C}, {0x80000000, 0x00F800F8}},
        {16, 0x0F00, 0x00F0, 0x000F, 0xF000, {0x21, 0xF3, 0x65, 0x47}, {0xF0302010, 0x40706050}},
        {24, 0xFF0000, 0x00FF00, 0x0000FF, 0, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, {0xFF302010, 0xFF605040}},
        {8, 0xFF, 0, 0, 0, {0x7F, 0x80}, {0xFF7F0000, 0xFF800000}},
        {8, 0, 0, 0, 0xFF, {0x7F, 0x80}, {0x7F000000, 0x80000000}},
    };
    for (const Fall& fall : faelle) {
        const TDDSKopf kopf{.breite = 2,
                            .hoehe = 1,
                            .bits = fall.bits,
                            .rot = fall.rot,
                            .gruen = fall.gruen,
                            .blau = fall.blau,
                            .alpha = fall.alpha,
                            .magie = fall.bits == 24 ? "MJLP" : "DDS "};
        Velm_Bild bild;
        ASSERT_TRUE(Lade(bild, kopf.Bytes(fall.pixel)));
        EXPECT_EQ(std::vector({Pixel(bild, 0, 0), Pixel(bild, 1, 0)}), fall.erwartet) << fall.bits << " " << fall.rot;
    }
}

// Every refused file with its line: broken headers, unsupported formats and pixel sizes, sizes that
// cannot be, and huge sizes with no data behind them, refused before anything is allocated.
TEST(DDSLesen, AbgelehnteDateienMitIhrerZeile) {
    const std::string ungueltig = "!Velm_Bild::LadeDDS(): Ungültiger DDS-Header.";
    const TDDSKopf gut = Kopf(4, 4, FourCC("DXT1"));
    TDDSKopf ohneFlags = gut, masken{.breite = 0x80000000, .hoehe = 0x80000000, .bits = 24};
    ohneFlags.flags = 0x8;
    std::vector<std::pair<std::vector<uint8_t>, std::string>> faelle = {
        {gut.Bytes(std::vector<uint8_t>(8)), ungueltig},
        {ohneFlags.Bytes(), ungueltig},
        {gut.Bytes(), ungueltig},
        {{'D', 'D', 'S', '!'}, "!Velm_Bild::LadeBildAusDatei():  Dateiformat nicht erkennbar."},
        {Kopf(0, 4, 114).Bytes(), "!Velm_Bild::LadeDDS(): Bildgröße 0 x 4 ist ungültig"},
        {Kopf(4, 0, FourCC("DXT1")).Bytes(), "ist ungültig."},
        {Kopf(8, 4, 114, 0, true).Bytes(std::vector<uint8_t>(6 * 8 * 8 * 4)),
         "!Velm_Bild::LadeDDS(): CubeMap mit 8 x 4 ist nicht quadratisch."},
        {Kopf(0xFFFFFFFF, 0xFFFFFFFF, 116).Bytes(),
         "!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (0 von 18446744073709551615 Bytes)."},
        {Kopf(0x10000, 0x10000, 116, 0, true).Bytes(), "kürzer als ihre Bilddaten"},
        {masken.Bytes(), "Datei ist kürzer als ihre Bilddaten"},
    };
    faelle[0].first[4] = 123;
    faelle[2].first.resize(100);
    for (const char* code : {"DX10", "DXT2", "DXT4", "ATI1", "ATI2", "BC4U", "BC5U"}) {
        char zeile[80];
        std::snprintf(zeile, sizeof(zeile), "!Velm_Bild::LadeDDS(): Pixelformat %08x wird nicht unterstützt.",
                      FourCC(code));
        faelle.push_back({Kopf(4, 4, FourCC(code)).Bytes(), zeile});
    }
    for (uint32_t bits : {0u, 4u, 12u, 48u, 64u}) {
        faelle.push_back(
            {TDDSKopf{.breite = 1, .hoehe = 1, .bits = bits}.Bytes(std::vector<uint8_t>(16)),
             "!Velm_Bild::LadeDDS(): Pixel mit " + std::to_string(bits) + " Bit werden nicht unterstützt."});
    }
    // Mip counts beyond the full chain.
    for (uint32_t mips : {10u, 33u, 0xFFFFFFFFu}) {
        faelle.push_back({Kopf(256, 128, FourCC("DXT5"), mips).Bytes(std::vector<uint8_t>(256 * 128 * 2)),
                          "MipMap-Stufen sind mehr als die 9 eines Bildes von 256 x 128."});
    }
    for (const auto& [datei, zeile] : faelle) {
        ErwarteAbgelehnt(datei, zeile);
    }
    // Any one of the four flags is enough.
    TDDSKopf einFlag = gut;
    einFlag.flags = 0x4;
    Velm_Bild bild;
    EXPECT_TRUE(Lade(bild, einFlag.Bytes(std::vector<uint8_t>(8))));
}

// The data of every face and level are counted before reading: every cut is refused.
TEST(DDSLesen, JedeVerkuerzungWirdAbgelehnt) {
    const std::vector<uint8_t> datei = Kopf(16, 16, FourCC("DXT3"), 5, true).Bytes(Zufallsbytes(6 * 368, 5));
    Velm_Bild bild;
    ASSERT_TRUE(Lade(bild, datei));
    EXPECT_EQ(bild.Seite(Velm_Bild::kMinusZ)->GibMipStufe(4)->mDaten[15], datei.back());
    for (size_t n = 0; n < datei.size(); n += 7) {
        EXPECT_FALSE(Lade(bild, std::vector<uint8_t>(datei.begin(), datei.begin() + n))) << n;
    }
    ErwarteAbgelehnt(std::vector<uint8_t>(datei.begin(), datei.end() - 1),
                     "!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (2207 von 2208 Bytes).");
}
