#include "testhilfe.h"
#include "velmklassen/bild/velm_bild.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>

namespace {

// libpng as the independent decoder: pixels as bytes B, G, R, A, the memory order of 0xAARRGGBB;
// empty when libpng refuses the file.
std::vector<uint8_t> MitLibpng(const std::vector<uint8_t>& datei) {
    png_image bild{};
    bild.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> pixel;
    if (png_image_begin_read_from_memory(&bild, datei.data(), datei.size())) {
        bild.format = PNG_FORMAT_BGRA;
        pixel.resize(PNG_IMAGE_SIZE(bild));
        if (!png_image_finish_read(&bild, nullptr, pixel.data(), 0, nullptr))
            pixel.clear();
    }
    return pixel;
}

std::vector<uint8_t> LiesDatei(const std::filesystem::path& pfad) {
    const std::string text = TextDerDatei(pfad);
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Inhalt(const Velm_Bild& bild) {
    return std::vector<uint8_t>(bild.mDaten, bild.mDaten + 4 * bild.mBreite * bild.mHoehe);
}

} // namespace

// Every filter, width and colour type, the Paeth predictor's ties, the stream cut into several IDAT
// chunks, and every 8-bit RGBA icon of the Adwaita theme: the engine's pixels are libpng's.
TEST(PNGLesen, PixelWieLibpng) {
    const auto pruefe = [](const std::vector<uint8_t>& datei, const std::string& name) {
        Velm_Bild bild;
        EXPECT_TRUE(Lade(bild, datei)) << name;
        EXPECT_EQ(Inhalt(bild), MitLibpng(datei)) << name;
    };
    // Small random values tie often.
    pruefe(BaueTestPNG(40, 40, 4, Zufallsbytes(40 * 40 * 4, 3, 4), {4}), "Paeth RGBA");
    pruefe(BaueTestPNG(40, 40, 3, Zufallsbytes(40 * 40 * 3, 4, 3), {4}), "Paeth RGB");
    pruefe(BaueTestPNG(33, 17, 4, Zufallsbytes(33 * 17 * 4, 11), {1, 2, 3, 4}, 9), "neun IDAT");
    for (int b : {3, 4})
        for (uint32_t breite : {1u, 2u, 3u, 7u, 13u, 64u})
            for (const std::vector<int>& filter : {std::vector{0}, {1}, {2}, {3}, {4}, {4, 0, 3, 1, 2}})
                pruefe(BaueTestPNG(breite, 9, b, Zufallsbytes(breite * 9 * b, breite + b), filter),
                       testing::PrintToString(std::tuple(b, breite, filter)));
    for (const auto& eintrag : std::filesystem::recursive_directory_iterator("/usr/share/icons/Adwaita")) {
        const std::vector<uint8_t> datei =
            eintrag.path().extension() == ".png" ? LiesDatei(eintrag.path()) : std::vector<uint8_t>();
        if (datei.size() > 33 && datei[24] == 8 && datei[25] == 6 && datei[28] == 0)
            pruefe(datei, eintrag.path());
    }
}

// Every refused file with its line: features the reader does not support, broken headers, bad filter
// types, raw data of the wrong length, a corrupted stream, a stream that inflates far beyond the
// image, chunk lengths past the end, sizes checked before anything is allocated.
TEST(PNGLesen, AbgelehnteDateienMitIhrerZeile) {
    const std::string merkmale = "!Velm_Bild::LadePNG(): PNG-Datei enthält nicht unterstützte Merkmale.",
                      kopf = "!Velm_Bild::LadePNG(): PNG-Header ist ungültig.",
                      passt = "!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.",
                      ende = "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.";
    std::vector<std::pair<std::vector<uint8_t>, std::string>> faelle;
    // Depth, colour type, compression, filter method, interlace.
    for (const auto& m : std::vector<std::array<uint8_t, 5>>{
             {8, 0, 0, 0, 0}, {8, 3, 0, 0, 0}, {8, 4, 0, 0, 0}, {4, 2, 0, 0, 0},
             {16, 6, 0, 0, 0}, {8, 6, 0, 0, 1}, {8, 2, 1, 0, 0}, {8, 2, 0, 1, 0}}) {
        std::vector<uint8_t> ihdr = Ihdr(4, 4, m[0], m[1], m[4]);
        ihdr[10] = m[2];
        ihdr[11] = m[3];
        faelle.push_back({PNGAusRoh(ihdr, std::vector<uint8_t>(4 * 17)), merkmale});
    }
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 3, Zufallsbytes(60, 1), {0, 1});
    // The IHDR length, the chunk's name, a file cut inside it; the signature.
    for (const auto& [stelle, wert] : {std::pair{11, 12}, {12, 'i'}, {5, 0}}) {
        faelle.push_back({gut, stelle == 5 ? "Dateiformat nicht erkennbar." : kopf});
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
    // A corrupted stream; a 4 x 4 image whose stream inflates to 64 MB, which inflating stops early.
    const size_t idat = 8 + 25 + 21 + 8;
    ASSERT_EQ(std::string(gut.begin() + idat - 4, gut.begin() + idat), "IDAT");
    faelle.push_back({gut, passt});
    for (size_t i = idat + 2; i < idat + 12; ++i)
        faelle.back().first[i] ^= 0x5A;
    faelle.push_back({PNGAusRoh(Ihdr(4, 4, 8, 6), std::vector<uint8_t>(64 << 20)),
                      "!ZLib_Entpacken(...): Data larger than expected."});
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
        ErwarteAbgelehnt(datei, zeile);
    }
}

// Every cut is refused and none reads past the buffer; only the cut right before IEND still loads,
// as the reader does not ask for IEND. Reading stops at IEND, as other readers do: bytes after it
// are ignored, a chunk cut short before it is still refused.
TEST(PNGLesen, DateiendeUndBytesNachIEND) {
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 4, Zufallsbytes(80, 2), {1});
    for (size_t n = 0; n < gut.size(); ++n) {
        Velm_Bild bild;
        EXPECT_EQ(Lade(bild, std::vector<uint8_t>(gut.begin(), gut.begin() + n)), n == gut.size() - 12) << n;
    }
    for (size_t anhang : {1, 12, 1000}) {
        std::vector<uint8_t> datei = gut;
        datei.resize(gut.size() + anhang, 0x5A);
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadePNG(speicher)) << anhang;
        EXPECT_EQ(Inhalt(bild), MitLibpng(gut));
        EXPECT_EQ(speicher.Rest(), anhang);
    }
    std::vector<uint8_t> abgeschnitten(gut.begin(), gut.end() - 13);
    abgeschnitten.insert(abgeschnitten.end(), gut.end() - 12, gut.end());
    ErwarteAbgelehnt(abgeschnitten, "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.");
}

// Random pixels are incompressible and grow under deflate: the packer must reserve zlib's worst case.
// The UTF-8 path reaches the file system as it is.
TEST(PNGSchreiben, RundreiseMitLibpngAlsZeuge) {
    TTempOrdner ordner;
    const std::filesystem::path pfad = ordner.Pfad() / u8"grüße_😀.png";
    for (const auto& [breite, hoehe] : {std::pair{1u, 1u}, {7u, 3u}, {1024u, 768u}}) {
        Velm_Bild bild(breite, hoehe, Velm_FormatA8R8G8B8, 1);
        std::vector<uint8_t> pixel = Zufallsbytes(4 * breite * hoehe, breite);
        std::memcpy(bild.mDaten, pixel.data(), pixel.size());
        ASSERT_TRUE(bild.SpeicherePNG(pfad));
        for (size_t i = 3; i < pixel.size(); i += 4)
            pixel[i] = 0xFF;
        const std::vector<uint8_t> datei = LiesDatei(ordner.Pfad() / "gr\xC3\xBC\xC3\x9F"
                                                                     "e_\xF0\x9F\x98\x80.png");
        EXPECT_EQ(MitLibpng(datei), pixel);
        Velm_Bild gelesen;
        ASSERT_TRUE(gelesen.LadeBildAusDatei(pfad));
        EXPECT_EQ(Inhalt(gelesen), pixel);
        // Colour type 2, IEND with its well-known CRC at the very end.
        EXPECT_EQ(datei[25], 2);
        EXPECT_EQ(std::vector<uint8_t>(datei.end() - 8, datei.end()),
                  (std::vector<uint8_t>{'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    }
}

TEST(PNGSchreiben, KeineDateiWennNichtsZuSchreibenIst) {
    TLog log;
    TTempOrdner ordner;
    Velm_Bild halb(4, 4, Velm_FormatR16F, 1), leer, bild(2, 2, Velm_FormatA8R8G8B8, 1);
    EXPECT_FALSE(halb.SpeicherePNG(ordner.Pfad() / "x.png"));
    EXPECT_FALSE(leer.SpeicherePNG(ordner.Pfad() / "x.png"));
    EXPECT_FALSE(std::filesystem::exists(ordner.Pfad() / "x.png"));
    std::memset(bild.mDaten, 0, 16);
    EXPECT_FALSE(bild.SpeicherePNG(ordner.Pfad() / "fehlt" / "x.png"));
    EXPECT_TRUE(log.Enthaelt("Datei konnte nicht geschrieben werden."));
    EXPECT_FALSE(bild.LadeBildAusDatei(ordner.Pfad() / u8"fehlt_ä.png"));
    EXPECT_TRUE(log.Enthaelt("!Velm_Bild::LadeBildAusDatei( \"" + (ordner.Pfad() / "fehlt_ä.png").string() +
                             "\"):  Datei konnte nicht geladen werden."));
}
