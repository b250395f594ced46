#include "bild_testhilfen.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/bild/velm_png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <fstream>

namespace {

// libpng as the independent decoder: pixels as bytes B, G, R, A, the memory order of 0xAARRGGBB.
bool DekodiereMitLibpng(const std::vector<uint8_t>& datei, uint32_t& breite, uint32_t& hoehe,
                        std::vector<uint8_t>& pixel) {
    png_image bild{};
    bild.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&bild, datei.data(), datei.size()))
        return false;
    bild.format = PNG_FORMAT_BGRA;
    pixel.resize(PNG_IMAGE_SIZE(bild));
    breite = bild.width;
    hoehe = bild.height;
    return png_image_finish_read(&bild, nullptr, pixel.data(), 0, nullptr) != 0;
}

std::vector<uint8_t> LiesDatei(const std::filesystem::path& pfad) {
    std::ifstream datei(pfad, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(datei), {});
}

// The file's RGB(A) bytes as the engine's words in memory order.
std::vector<uint8_t> AlsBGRA(const std::vector<uint8_t>& pixel, int b) {
    std::vector<uint8_t> bgra;
    for (size_t i = 0; i < pixel.size(); i += b)
        bgra.insert(bgra.end(),
                    {pixel[i + 2], pixel[i + 1], pixel[i], b == 4 ? pixel[i + 3] : uint8_t(0xFF)});
    return bgra;
}

std::vector<uint8_t> Inhalt(const Velm_Bild& bild) {
    return std::vector<uint8_t>(bild.mDaten, bild.mDaten + 4 * bild.mBreite * bild.mHoehe);
}

std::vector<uint8_t> PNGAusRoh(const std::vector<uint8_t>& ihdr, const std::vector<uint8_t>& roh) {
    uLongf groesse = compressBound(uLong(roh.size()));
    std::vector<uint8_t> gepackt(groesse);
    compress2(gepackt.data(), &groesse, roh.data(), uLong(roh.size()), 9);
    gepackt.resize(groesse);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    HaengeChunk(png, "IHDR", ihdr);
    HaengeChunk(png, "IDAT", gepackt);
    HaengeChunk(png, "IEND", {});
    return png;
}

} // namespace

TEST(Crc32, WerteUndFortsetzung) {
    EXPECT_EQ(Velm_Crc32(reinterpret_cast<const uint8_t*>("IEND"), 4), 0xAE426082u);
    EXPECT_EQ(Velm_Crc32(nullptr, 0), 0u);
    EXPECT_EQ(Velm_Crc32Fortsetzen(nullptr, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Velm_Crc32Fortsetzen(nullptr, 0, 0x12345678), 0x12345678u);
    const std::vector<uint8_t> daten = Zufallsbytes(1000, 7);
    const uint32_t teil = Velm_Crc32Fortsetzen(daten.data(), 300);
    EXPECT_EQ(~Velm_Crc32Fortsetzen(daten.data() + 300, 700, teil), uint32_t(crc32(0, daten.data(), 1000)));
    EXPECT_EQ(Velm_Crc32(daten.data(), 1000), uint32_t(crc32(0, daten.data(), 1000)));
}

// Every filter, width and colour type, the Paeth predictor's ties, the stream cut into several
// IDAT chunks: the engine's pixels are the file's and libpng's.
TEST(PNGLesen, JederFilterJedeBreiteBeideFarbtypen) {
    struct Fall {
        uint32_t breite, hoehe;
        int b;
        std::vector<uint8_t> pixel;
        std::vector<int> filter;
        int idatTeile;
    };
    // a = 30, u = 60, c = 50 ties a with c (a wins); a = 60, u = 30, c = 50 ties u with c (u wins).
    // Small random values tie often.
    std::vector<Fall> faelle = {{2, 2, 3, {50, 50, 50, 30, 30, 30, 60, 60, 60, 99, 99, 99}, {4}, 1},
                                {2, 2, 3, {50, 50, 50, 60, 60, 60, 30, 30, 30, 7, 7, 7}, {4}, 1},
                                {40, 40, 4, Zufallsbytes(40 * 40 * 4, 3, 4), {4}, 1},
                                {40, 40, 3, Zufallsbytes(40 * 40 * 3, 4, 3), {4}, 1},
                                {33, 17, 4, Zufallsbytes(33 * 17 * 4, 11), {1, 2, 3, 4}, 9}};
    for (int b : {3, 4}) {
        for (uint32_t breite : {1u, 2u, 3u, 7u, 13u, 64u}) {
            for (const std::vector<int>& filter : {std::vector{0}, {1}, {2}, {3}, {4}, {4, 0, 3, 1, 2}}) {
                const uint32_t hoehe = breite == 1 ? 1 : 9;
                faelle.push_back({breite, hoehe, b, Zufallsbytes(size_t(breite) * hoehe * b, breite * 31 + b),
                                  filter, 1});
            }
        }
    }
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(testing::Message() << "b " << fall.b << " breite " << fall.breite << " filter "
                                        << fall.filter[0] << " teile " << fall.idatTeile);
        const std::vector<uint8_t> datei =
            BaueTestPNG(fall.breite, fall.hoehe, fall.b, fall.pixel, fall.filter, fall.idatTeile);
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadeBildAusSpeicher(speicher));
        EXPECT_EQ(speicher.Rest(), 0u);
        EXPECT_EQ(bild.mFormat, Velm_FormatA8R8G8B8);
        EXPECT_EQ(bild.MipAnzahl(), 1u);
        ASSERT_EQ(bild.mBreite, fall.breite);
        ASSERT_EQ(bild.mHoehe, fall.hoehe);
        EXPECT_EQ(Inhalt(bild), AlsBGRA(fall.pixel, fall.b));
        uint32_t w, h;
        std::vector<uint8_t> oracle;
        ASSERT_TRUE(DekodiereMitLibpng(datei, w, h, oracle));
        EXPECT_EQ(Inhalt(bild), oracle);
    }
}

// Every refused file with its line: features the reader does not support, broken headers, bad filter
// types, raw data of the wrong length, a corrupted stream, chunk lengths past the end, sizes checked
// before anything is allocated.
TEST(PNGLesen, AbgelehnteDateienMitIhrerZeile) {
    const std::string merkmale = "!Velm_Bild::LadePNG(): PNG-Datei enthält nicht unterstützte Merkmale.",
                      kopf = "!Velm_Bild::LadePNG(): PNG-Header ist ungültig.",
                      passt = "!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.",
                      ende = "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.";
    std::vector<std::pair<std::vector<uint8_t>, std::string>> faelle;
    // Depth, colour type, compression, filter method, interlace.
    for (const auto& m : std::vector<std::array<uint8_t, 5>>{
             {8, 0, 0, 0, 0}, {8, 3, 0, 0, 0}, {8, 4, 0, 0, 0}, {1, 2, 0, 0, 0}, {2, 6, 0, 0, 0},
             {4, 2, 0, 0, 0}, {16, 6, 0, 0, 0}, {16, 2, 0, 0, 0}, {8, 6, 0, 0, 1}, {8, 2, 1, 0, 0},
             {8, 2, 0, 1, 0}}) {
        std::vector<uint8_t> ihdr = Ihdr(4, 4, m[0], m[1], m[4]);
        ihdr[10] = m[2];
        ihdr[11] = m[3];
        faelle.push_back({PNGAusRoh(ihdr, std::vector<uint8_t>(4 * 17)), merkmale});
    }
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 3, Zufallsbytes(60, 1), {0, 1});
    // The IHDR length, the chunk's name, a file cut inside it; the signature.
    for (const auto& [stelle, wert] : {std::pair{11, 12}, {12, 'i'}, {5, 0}}) {
        faelle.push_back({gut, stelle == 5 ? "!Velm_Bild::LadePNG(): Datei ist kein PNG-Bild." : kopf});
        faelle.back().first[stelle] = uint8_t(wert);
    }
    faelle.push_back({std::vector<uint8_t>(gut.begin(), gut.begin() + 20), kopf});
    // Filter type 5 on the second row; raw data one byte short, or one row too long.
    std::vector<uint8_t> roh(2 * (3 * 5 + 1), 0);
    roh[16] = 5;
    faelle.push_back({PNGAusRoh(Ihdr(5, 2, 8, 2), roh), //
                      "!Velm_Bild::LadePNG():\n  Unknown filter type 5.\n"});
    for (size_t laenge : {31, 48}) {
        faelle.push_back({PNGAusRoh(Ihdr(5, 2, 8, 2), std::vector<uint8_t>(laenge)), passt});
    }
    // A corrupted stream.
    const size_t idat = 8 + 25 + 21 + 8;
    ASSERT_EQ(std::string(gut.begin() + idat - 4, gut.begin() + idat), "IDAT");
    faelle.push_back({gut, passt});
    for (size_t i = idat + 2; i < idat + 12; ++i)
        faelle.back().first[i] ^= 0x5A;
    // IDAT lengths past the end.
    for (uint32_t laenge : {0xFFFFFFFFu, 0x80000000u, 1000u}) {
        faelle.push_back({gut, ende});
        for (int i = 0; i < 4; ++i)
            faelle.back().first[idat - 8 + i] = uint8_t(laenge >> (24 - 8 * i));
    }
    // (4 w + 1) h wraps in 64 bits for the last two; the reader must not believe the wrapped size.
    faelle.push_back({PNGAusRoh(Ihdr(0, 4, 8, 2), {0}), //
                      "!Velm_Bild::LadePNG(): Bildgröße 0 x 4 wird nicht unterstützt."});
    for (const auto& [breite, hoehe] :
         {std::pair{4u, 0u}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {0x40000000u, 0x40000000u}})
        faelle.push_back({PNGAusRoh(Ihdr(breite, hoehe, 8, 6), {0}), "wird nicht unterstützt."});
    // Large but plausible sizes with a few bytes of data cannot be inflated from them.
    faelle.push_back({PNGAusRoh(Ihdr(16000, 16000, 8, 6), std::vector<uint8_t>(100)), passt});
    for (const auto& [datei, zeile] : faelle) {
        ErwarteAbgelehnt(&Velm_Bild::LadePNG, datei, zeile);
    }
}

// Every truncation is refused with some line, none reads past the buffer. Only the cut right before
// IEND still loads: the reader does not ask for IEND.
TEST(PNGLesen, JedeVerkuerzungWirdAbgelehnt) {
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 4, Zufallsbytes(80, 2), {2});
    for (size_t n = 8; n < gut.size(); ++n) {
        if (n == gut.size() - 12)
            continue;
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(std::vector<uint8_t>(gut.begin(), gut.begin() + n));
        EXPECT_FALSE(bild.LadePNG(speicher)) << n;
    }
}

// Reading stops at IEND, as other readers do: bytes after it are ignored, a chunk cut short before
// it is still refused.
TEST(PNGLesen, BytesNachIENDZaehlenNicht) {
    const std::vector<uint8_t> pixel = Zufallsbytes(5 * 4 * 4, 3);
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 4, pixel, {1});
    for (size_t anhang : {1, 12, 1000}) {
        std::vector<uint8_t> datei = gut;
        datei.resize(gut.size() + anhang, 0x5A);
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadePNG(speicher)) << anhang;
        EXPECT_EQ(Inhalt(bild), AlsBGRA(pixel, 4));
        EXPECT_EQ(speicher.Rest(), anhang);
    }
    std::vector<uint8_t> abgeschnitten(gut.begin(), gut.end() - 13);
    abgeschnitten.insert(abgeschnitten.end(), gut.end() - 12, gut.end());
    ErwarteAbgelehnt(&Velm_Bild::LadePNG, abgeschnitten,
                     "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.");
}

TEST(PNGLesen, ZipBombeHoertBeimErwartetenEndeAuf) {
    // A 4 x 4 image whose stream inflates to 64 MB: inflating stops right after 68 bytes.
    TBildLog log;
    const std::vector<uint8_t> datei = PNGAusRoh(Ihdr(4, 4, 8, 6), std::vector<uint8_t>(64 << 20, 0));
    Velm_Bild bild;
    TSpeicher speicher = AlsSpeicher(datei);
    EXPECT_FALSE(bild.LadePNG(speicher));
    EXPECT_TRUE(log.Enthaelt("!ZLib_Entpacken(...): Data larger than expected."));
    EXPECT_TRUE(log.Enthaelt("Picture data doesn't fit picture size."));
}

// Random pixels are incompressible and grow under deflate: the packer must reserve zlib's worst case.
TEST(PNGSchreiben, RundreiseMitLibpngAlsZeuge) {
    const std::filesystem::path pfad = std::filesystem::temp_directory_path() / "velm_test_rundreise.png";
    for (const auto& [breite, hoehe] : {std::pair{1u, 1u}, {7u, 3u}, {1024u, 768u}}) {
        Velm_Bild bild(breite, hoehe, Velm_FormatA8R8G8B8, 1);
        const std::vector<uint8_t> pixel = Zufallsbytes(4 * breite * hoehe, breite);
        std::memcpy(bild.mDaten, pixel.data(), pixel.size());
        ASSERT_TRUE(bild.SpeicherePNG(pfad));

        const std::vector<uint8_t> datei = LiesDatei(pfad);
        uint32_t w, h;
        std::vector<uint8_t> oracle;
        ASSERT_TRUE(DekodiereMitLibpng(datei, w, h, oracle));
        EXPECT_EQ(w, breite);
        EXPECT_EQ(h, hoehe);
        std::vector<uint8_t> opak = pixel;
        for (size_t i = 3; i < opak.size(); i += 4)
            opak[i] = 0xFF;
        EXPECT_EQ(oracle, opak);

        Velm_Bild gelesen;
        ASSERT_TRUE(gelesen.LadeBildAusDatei(pfad));
        EXPECT_EQ(Inhalt(gelesen), opak);
        // Colour type 2, one IDAT, IEND with its well-known CRC at the very end.
        EXPECT_EQ(datei[25], 2);
        EXPECT_EQ(std::vector<uint8_t>(datei.end() - 8, datei.end()),
                  (std::vector<uint8_t>{'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    }
    std::filesystem::remove(pfad);
}

TEST(PNGSchreiben, KeineDateiWennNichtsZuSchreibenIst) {
    TBildLog log;
    const std::filesystem::path ordner = std::filesystem::temp_directory_path();
    Velm_Bild halb(4, 4, Velm_FormatR16F, 1), leer;
    for (Velm_Bild* bild : {&halb, &leer}) {
        EXPECT_FALSE(bild->SpeicherePNG(ordner / "velm_test_nichts.png"));
        EXPECT_FALSE(std::filesystem::exists(ordner / "velm_test_nichts.png"));
    }
    Velm_Bild bild(2, 2, Velm_FormatA8R8G8B8, 1);
    std::memset(bild.mDaten, 0, 16);
    EXPECT_FALSE(bild.SpeicherePNG(ordner / "velm_gibt_es_nicht" / "x.png"));
    EXPECT_TRUE(log.Enthaelt("Datei konnte nicht geschrieben werden."));
}

TEST(PNGLesen, EchteSymboleGegenLibpng) {
    // Every 8-bit RGBA icon of the Adwaita theme, decoded by us and by libpng.
    const std::filesystem::path ordner = "/usr/share/icons/Adwaita";
    if (!std::filesystem::exists(ordner))
        GTEST_SKIP() << "adwaita-icon-theme fehlt";
    int geprueft = 0;
    for (const auto& eintrag : std::filesystem::recursive_directory_iterator(ordner)) {
        if (eintrag.path().extension() != ".png" || !eintrag.is_regular_file())
            continue;
        const std::vector<uint8_t> datei = LiesDatei(eintrag.path());
        if (datei.size() < 33 || datei[24] != 8 || datei[25] != 6 || datei[28] != 0)
            continue;
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadePNG(speicher)) << eintrag.path();
        uint32_t w, h;
        std::vector<uint8_t> oracle;
        ASSERT_TRUE(DekodiereMitLibpng(datei, w, h, oracle)) << eintrag.path();
        ASSERT_EQ(bild.mBreite, w);
        ASSERT_EQ(bild.mHoehe, h);
        ASSERT_EQ(Inhalt(bild), oracle) << eintrag.path();
        ++geprueft;
    }
    EXPECT_GT(geprueft, 100);
}
