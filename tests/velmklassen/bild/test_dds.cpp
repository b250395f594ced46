#include "bild_testhilfen.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kMipFlag = 0x20000, kCapsMip = 0x400000, kCapsKomplex = 0x8;
constexpr uint32_t kCube = 0x200, kAlleSeiten = 0xFC00;

uint32_t FourCC(const char* code) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
           uint32_t(uint8_t(code[3])) << 24;
}

// A header for the format code, with a mip chain announced in all three places when `mips` is set.
TDDSKopf KopfMitCode(uint32_t breite, uint32_t hoehe, uint32_t code, uint32_t mips = 0,
                     bool wuerfel = false) {
    TDDSKopf kopf;
    kopf.breite = breite;
    kopf.hoehe = hoehe;
    kopf.pixelFlags = 0x4;
    kopf.fourCC = code;
    if (mips != 0) {
        kopf.mips = mips;
        kopf.flags |= kMipFlag;
        kopf.caps |= kCapsMip;
    }
    if (wuerfel) {
        kopf.caps |= kCapsKomplex;
        kopf.caps2 = kCube | kAlleSeiten;
    }
    return kopf;
}

std::vector<uint8_t> MitDaten(const TDDSKopf& kopf, size_t bytes) {
    std::vector<uint8_t> datei = kopf.Bytes();
    datei.resize(datei.size() + bytes);
    return datei;
}

bool Lade(Velm_Bild& bild, const std::vector<uint8_t>& datei) {
    TSpeicher speicher = AlsSpeicher(datei);
    return bild.LadeBildAusSpeicher(speicher);
}

} // namespace

TEST(DDSLesen, JedesFormatNachCode) {
    struct Fall {
        uint32_t code;
        Velm_Pixelformat format;
    };
    const Fall faelle[] = {{111, Velm_FormatR16F},   {112, Velm_FormatG16R16F},
                           {113, Velm_FormatA16B16G16R16F}, {114, Velm_FormatR32F},
                           {115, Velm_FormatG32R32F}, {116, Velm_FormatA32B32G32R32F},
                           {34, Velm_FormatG16R16},   {36, Velm_FormatA16B16G16R16},
                           {FourCC("DXT1"), Velm_FormatDXT1}, {FourCC("DXT3"), Velm_FormatDXT3},
                           {FourCC("DXT5"), Velm_FormatDXT5}};
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.code);
        std::vector<uint8_t> datei = KopfMitCode(6, 5, fall.code).Bytes();
        const uint64_t n = Velm_Bild::BerechneDatenGroesse(fall.format, 6, 5);
        const std::vector<uint8_t> daten = Zufallsbytes(n, fall.code);
        datei.insert(datei.end(), daten.begin(), daten.end());
        datei.insert(datei.end(), {1, 2, 3});
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadeDDS(speicher));
        EXPECT_EQ(bild.mFormat, fall.format);
        EXPECT_EQ(bild.mBreite, 6u);
        EXPECT_EQ(bild.mHoehe, 5u);
        EXPECT_EQ(bild.MipAnzahl(), 1u);
        EXPECT_EQ(std::vector<uint8_t>(bild.mDaten, bild.mDaten + n), daten);
        EXPECT_EQ(speicher.Rest(), 3u);
    }
}

TEST(DDSLesen, MipKetteNurMitAllenDreiAngaben) {
    const TDDSKopf kopf = KopfMitCode(256, 128, FourCC("DXT5"), 9);
    std::vector<uint8_t> datei = kopf.Bytes();
    std::vector<std::vector<uint8_t>> stufen;
    for (uint32_t l = 0; l < 9; ++l) {
        stufen.push_back(Zufallsbytes(Velm_Bild::BerechneDatenGroesse(
                                          Velm_FormatDXT5, std::max(1u, 256u >> l), std::max(1u, 128u >> l)),
                                      l));
        datei.insert(datei.end(), stufen.back().begin(), stufen.back().end());
    }
    Velm_Bild bild;
    ASSERT_TRUE(Lade(bild, datei));
    ASSERT_EQ(bild.MipAnzahl(), 9u);
    for (uint32_t l = 0; l < 9; ++l) {
        const Velm_Bild* stufe = bild.GibMipStufe(l);
        EXPECT_EQ(stufe->mBreite, std::max(1u, 256u >> l));
        EXPECT_EQ(stufe->mHoehe, std::max(1u, 128u >> l));
        EXPECT_EQ(std::vector<uint8_t>(stufe->mDaten, stufe->mDaten + stufen[l].size()), stufen[l]) << l;
    }
    EXPECT_EQ(bild.GibMipStufe(8)->mBreite, 1u);

    for (uint32_t wegflag : {kMipFlag, kCapsMip}) {
        std::vector<uint8_t> ohne = datei;
        TDDSKopf k = kopf;
        k.flags &= ~wegflag;
        k.caps &= ~wegflag;
        const std::vector<uint8_t> neu = k.Bytes();
        std::copy(neu.begin(), neu.end(), ohne.begin());
        Velm_Bild einzeln;
        TSpeicher speicher = AlsSpeicher(ohne);
        ASSERT_TRUE(einzeln.LadeDDS(speicher));
        EXPECT_EQ(einzeln.MipAnzahl(), 1u);
        EXPECT_EQ(speicher.Position(), 128 + stufen[0].size());
    }
}

TEST(DDSLesen, WuerfelMitAllenSeitenUndStufen) {
    const TDDSKopf kopf = KopfMitCode(8, 8, 114, 4, true);
    std::vector<uint8_t> datei = kopf.Bytes();
    // Each level of each face is filled with the float face * 10 + level.
    for (int seite = 0; seite < 6; ++seite)
        for (uint32_t l = 0; l < 4; ++l) {
            const float wert = float(seite * 10 + l);
            for (uint32_t i = 0; i < (8u >> l) * (8u >> l); ++i) {
                uint32_t bits;
                std::memcpy(&bits, &wert, 4);
                HaengeLE(datei, bits);
            }
        }
    Velm_Bild bild;
    ASSERT_TRUE(Lade(bild, datei));
    ASSERT_TRUE(bild.IstCubeMap());
    EXPECT_EQ(bild.mFormat, Velm_FormatR32F);
    // The file's second face (-X) is the object itself.
    EXPECT_EQ(bild.Seite(Velm_Bild::kMinusX), &bild);
    const int slotJeDateiSeite[6] = {Velm_Bild::kPlusX,  Velm_Bild::kMinusX, Velm_Bild::kPlusY,
                                     Velm_Bild::kMinusY, Velm_Bild::kPlusZ,  Velm_Bild::kMinusZ};
    for (int seite = 0; seite < 6; ++seite)
        for (uint32_t l = 0; l < 4; ++l) {
            Velm_Bild* stufe = bild.Seite(slotJeDateiSeite[seite])->GibMipStufe(l);
            ASSERT_NE(stufe, nullptr);
            EXPECT_EQ(stufe->mBreite, 8u >> l);
            const TPixelWert erster = stufe->LiesPixel(0, 0);
            const TPixelWert letzter = stufe->LiesPixel(stufe->mBreite - 1, stufe->mHoehe - 1);
            EXPECT_EQ(erster.x, float(seite * 10 + l));
            EXPECT_EQ(letzter.x, float(seite * 10 + l));
        }

    // Only some faces marked: a 2D image of the first face.
    TDDSKopf teil = kopf;
    teil.caps2 = kCube | 0x0400 | 0x0800;
    const std::vector<uint8_t> neu = teil.Bytes();
    std::copy(neu.begin(), neu.end(), datei.begin());
    Velm_Bild flach;
    ASSERT_TRUE(Lade(flach, datei));
    EXPECT_FALSE(flach.IstCubeMap());
    EXPECT_EQ(flach.MipAnzahl(), 4u);
    EXPECT_EQ(flach.LiesPixel(3, 3).x, 0.0f);
    EXPECT_EQ(flach.GibMipStufe(3)->LiesPixel(0, 0).x, 3.0f);
}

TEST(DDSLesen, MaskenpixelAllerBreiten) {
    struct Fall {
        const char* name;
        uint32_t bits, rot, gruen, blau, alpha;
        std::vector<uint8_t> pixel; // two pixels in file bytes
        uint32_t erwartet[2];
    };
    const Fall faelle[] = {
        {"ARGB roh", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, {1, 2, 3, 4, 5, 6, 7, 8},
         {0x04030201, 0x08070605}},
        {"ABGR getauscht", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000,
         {0x11, 0x22, 0x33, 0x44, 1, 2, 3, 4}, {0x44112233, 0x04010203}},
        {"XRGB ohne Alpha", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, {1, 2, 3, 4, 5, 6, 7, 8},
         {0xFF030201, 0xFF070605}},
        {"R5G6B5", 16, 0xF800, 0x07E0, 0x001F, 0, {0x00, 0xF8, 0x1F, 0x00}, {0xFFF80000, 0xFF0000F8}},
        {"R5G6B5 gruen", 16, 0xF800, 0x07E0, 0x001F, 0, {0xE0, 0x07, 0xFF, 0xFF}, {0xFF00FC00, 0xFFF8FCF8}},
        {"A1R5G5B5", 16, 0x7C00, 0x03E0, 0x001F, 0x8000, {0x00, 0x80, 0x1F, 0x7C}, {0x80000000, 0x00F800F8}},
        {"A4R4G4B4", 16, 0x0F00, 0x00F0, 0x000F, 0xF000, {0x21, 0xF3, 0x65, 0x47}, {0xF0302010, 0x40706050}},
        {"R8G8B8", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60},
         {0xFF302010, 0xFF605040}},
        {"L8", 8, 0xFF, 0, 0, 0, {0x7F, 0x80}, {0xFF7F0000, 0xFF800000}},
        {"A8", 8, 0, 0, 0, 0xFF, {0x7F, 0x80}, {0x7F000000, 0x80000000}},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TDDSKopf kopf;
        kopf.breite = 2;
        kopf.hoehe = 1;
        std::tie(kopf.bits, kopf.rot, kopf.gruen, kopf.blau, kopf.alpha) =
            std::tie(fall.bits, fall.rot, fall.gruen, fall.blau, fall.alpha);
        std::vector<uint8_t> datei = kopf.Bytes();
        datei.insert(datei.end(), fall.pixel.begin(), fall.pixel.end());
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadeDDS(speicher));
        EXPECT_EQ(bild.mFormat, Velm_FormatA8R8G8B8);
        EXPECT_EQ(Wort(bild, 0, 0), fall.erwartet[0]);
        EXPECT_EQ(Wort(bild, 1, 0), fall.erwartet[1]);
        EXPECT_EQ(speicher.Rest(), 0u);
    }
}

// Every refused file with its line: broken headers, unsupported formats and pixel sizes, sizes that
// cannot be, and huge sizes with no data behind them, refused before anything is allocated.
TEST(DDSLesen, AbgelehnteDateienMitIhrerZeile) {
    const std::string ungueltig = "!Velm_Bild::LadeDDS(): Ungültiger DDS-Header.";
    const TDDSKopf gut = KopfMitCode(4, 4, FourCC("DXT1"));
    TDDSKopf ohneFlags = gut, masken;
    ohneFlags.flags = 0x8;
    masken.breite = masken.hoehe = 0x80000000;
    masken.bits = 24;
    std::vector<std::pair<std::vector<uint8_t>, std::string>> faelle = {
        {MitDaten(gut, 8), ungueltig},
        {ohneFlags.Bytes(), ungueltig},
        {std::vector<uint8_t>(128 - 28), ungueltig},
        {{'D', 'D', 'S', '!'}, "!Velm_Bild::LadeDDS(): Datei ist keine DDS-Datei."},
        {KopfMitCode(0, 4, 114).Bytes(), "!Velm_Bild::LadeDDS(): Bildgröße 0 x 4 ist ungültig"},
        {KopfMitCode(4, 0, FourCC("DXT1")).Bytes(), "ist ungültig."},
        {MitDaten(KopfMitCode(8, 4, 114, 0, true), 6 * 8 * 8 * 4),
         "!Velm_Bild::LadeDDS(): CubeMap mit 8 x 4 ist nicht quadratisch."},
        {KopfMitCode(0xFFFFFFFF, 0xFFFFFFFF, 116).Bytes(),
         "!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (0 von 18446744073709551615 Bytes)."},
        {KopfMitCode(0x10000, 0x10000, 116, 0, true).Bytes(), "kürzer als ihre Bilddaten"},
        {masken.Bytes(), "Datei ist kürzer als ihre Bilddaten"},
    };
    faelle[0].first[4] = 123;
    std::copy_n(gut.Bytes().begin(), 100, faelle[2].first.begin());
    for (const char* code : {"DX10", "DXT2", "DXT4", "ATI1", "ATI2", "BC4U", "BC5U"}) {
        char zeile[80];
        std::snprintf(zeile, sizeof(zeile), "!Velm_Bild::LadeDDS(): Pixelformat %08x wird nicht unterstützt.",
                      FourCC(code));
        faelle.push_back({KopfMitCode(4, 4, FourCC(code)).Bytes(), zeile});
    }
    for (uint32_t bits : {0u, 4u, 12u, 48u, 64u}) {
        TDDSKopf kopf;
        kopf.breite = kopf.hoehe = 1;
        kopf.bits = bits;
        faelle.push_back(
            {MitDaten(kopf, 16),
             "!Velm_Bild::LadeDDS(): Pixel mit " + std::to_string(bits) + " Bit werden nicht unterstützt."});
    }
    // Mip counts beyond the full chain.
    for (uint32_t mips : {10u, 33u, 0xFFFFFFFFu}) {
        faelle.push_back({MitDaten(KopfMitCode(256, 128, FourCC("DXT5"), mips), 256 * 128 * 2),
                          "MipMap-Stufen sind mehr als die 9 eines Bildes von 256 x 128."});
    }
    for (const auto& [datei, zeile] : faelle) {
        ErwarteAbgelehnt(&Velm_Bild::LadeDDS, datei, zeile);
    }
    // Any one of the four flags is enough.
    TDDSKopf einFlag = gut;
    einFlag.flags = 0x4;
    Velm_Bild bild;
    EXPECT_TRUE(Lade(bild, MitDaten(einFlag, 8)));
}

TEST(DDSLesen, JedeVerkuerzungWirdAbgelehnt) {
    std::vector<uint8_t> datei = KopfMitCode(16, 16, FourCC("DXT3"), 5, true).Bytes();
    const size_t seite = 256 + 64 + 16 + 16 + 16;
    const std::vector<uint8_t> daten = Zufallsbytes(6 * seite, 5);
    datei.insert(datei.end(), daten.begin(), daten.end());
    Velm_Bild ganz;
    ASSERT_TRUE(Lade(ganz, datei));
    EXPECT_EQ(ganz.Seite(Velm_Bild::kMinusZ)->GibMipStufe(4)->mDaten[15], daten.back());
    for (size_t n = 0; n < datei.size(); n += 7) {
        Velm_Bild bild;
        EXPECT_FALSE(Lade(bild, std::vector<uint8_t>(datei.begin(), datei.begin() + n))) << n;
    }
    TBildLog log;
    Velm_Bild bild;
    EXPECT_FALSE(Lade(bild, std::vector<uint8_t>(datei.begin(), datei.end() - 1)));
    EXPECT_TRUE(
        log.Enthaelt("!Velm_Bild::LadeDDS(): Datei ist kürzer als ihre Bilddaten (2207 von 2208 Bytes)."));
}

TEST(BildLaden, InEineMipStufeOderFremdeSeiteWirdAbgelehnt) {
    // The refused resize must stop the loader: the level's memory has another size.
    TBildLog log;
    Velm_Bild bild(4, 4, Velm_FormatA8R8G8B8, 0);
    Velm_Bild* stufe = bild.GibMipStufe(2);
    const std::vector<uint8_t> dds = MitDaten(KopfMitCode(64, 64, 116), 64 * 64 * 16);
    EXPECT_FALSE(Lade(*stufe, dds));
    EXPECT_TRUE(log.Enthaelt("Umdimensionierung ist für MipMaps nicht zulässig."));
    const std::vector<uint8_t> png = BaueTestPNG(64, 64, 4, Zufallsbytes(64 * 64 * 4, 1), {0});
    EXPECT_FALSE(Lade(*stufe, png));
    EXPECT_EQ(stufe->mBreite, 1u);

    Velm_Bild wuerfel;
    wuerfel.SetCubeMapGroesse(2, Velm_FormatA8R8G8B8, 1);
    EXPECT_FALSE(Lade(*wuerfel.Seite(Velm_Bild::kPlusZ), png));
    EXPECT_FALSE(Lade(*wuerfel.Seite(Velm_Bild::kPlusZ), dds));
    EXPECT_EQ(wuerfel.Seite(Velm_Bild::kPlusZ)->mBreite, 2u);
    EXPECT_TRUE(Lade(wuerfel, png));
    EXPECT_FALSE(wuerfel.IstCubeMap());
}
