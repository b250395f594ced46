#include "bild_testhilfen.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/bild/velm_png.h"

#include <gtest/gtest.h>
#include <png.h>

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

// Loads and expects failure with the given line.
void ErwarteAbgelehnt(const std::vector<uint8_t>& datei, const std::string& zeile) {
    TBildLog log;
    Velm_Bild bild;
    TSpeicher speicher = AlsSpeicher(datei);
    EXPECT_FALSE(bild.LadeBildAusSpeicher(speicher));
    EXPECT_TRUE(log.Enthaelt(zeile)) << (log.mZeilen.empty() ? "(keine Zeile)" : log.mZeilen.back());
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

TEST(PNGLesen, JederFilterJedeBreiteBeideFarbtypen) {
    const std::vector<std::vector<int>> filterfolgen = {{0}, {1}, {2}, {3}, {4}, {4, 0, 3, 1, 2}};
    for (int b : {3, 4}) {
        for (uint32_t breite : {1u, 2u, 3u, 7u, 13u, 64u}) {
            for (const std::vector<int>& filter : filterfolgen) {
                const uint32_t hoehe = breite == 1 ? 1 : 9;
                SCOPED_TRACE(testing::Message()
                             << "b " << b << " breite " << breite << " filter " << filter[0]);
                const std::vector<uint8_t> pixel = Zufallsbytes(size_t(breite) * hoehe * b, breite * 31 + b);
                const std::vector<uint8_t> datei = BaueTestPNG(breite, hoehe, b, pixel, filter);
                Velm_Bild bild;
                TSpeicher speicher = AlsSpeicher(datei);
                ASSERT_TRUE(bild.LadeBildAusSpeicher(speicher));
                EXPECT_EQ(bild.mFormat, Velm_FormatA8R8G8B8);
                EXPECT_EQ(bild.MipAnzahl(), 1u);
                ASSERT_EQ(bild.mBreite, breite);
                ASSERT_EQ(bild.mHoehe, hoehe);
                EXPECT_EQ(Inhalt(bild), AlsBGRA(pixel, b));
                uint32_t w, h;
                std::vector<uint8_t> oracle;
                ASSERT_TRUE(DekodiereMitLibpng(datei, w, h, oracle));
                EXPECT_EQ(Inhalt(bild), oracle);
            }
        }
    }
}

TEST(PNGLesen, PaethGleichstaendeUndKleineWerte) {
    // Rows built so that the predictor's distances tie: a = 30, u = 60, c = 50 ties a with c
    // (a wins); a = 60, u = 30, c = 50 ties u with c (u wins). Small random values tie often.
    const uint32_t breite = 2, hoehe = 2;
    const std::vector<uint8_t> pixel = {50, 50, 50, 30, 30, 30, 60, 60, 60, 99, 99, 99};
    const std::vector<uint8_t> zweite = {50, 50, 50, 60, 60, 60, 30, 30, 30, 7, 7, 7};
    for (const auto& muster :
         {pixel, zweite, Zufallsbytes(40 * 40 * 4, 3, 4), Zufallsbytes(40 * 40 * 4, 4, 3)}) {
        const uint32_t w = muster.size() == 12 ? breite : 40, h = muster.size() == 12 ? hoehe : 40;
        const int b = muster.size() == 12 ? 3 : 4;
        const std::vector<uint8_t> datei = BaueTestPNG(w, h, b, muster, {4});
        Velm_Bild bild;
        TSpeicher speicher = AlsSpeicher(datei);
        ASSERT_TRUE(bild.LadePNG(speicher));
        EXPECT_EQ(Inhalt(bild), AlsBGRA(muster, b));
    }
}

TEST(PNGLesen, MehrereIDATWieEiner) {
    const std::vector<uint8_t> pixel = Zufallsbytes(33 * 17 * 4, 11);
    Velm_Bild einer, viele;
    TSpeicher a = AlsSpeicher(BaueTestPNG(33, 17, 4, pixel, {1, 2, 3, 4}, 1));
    const std::vector<uint8_t> zerteilt = BaueTestPNG(33, 17, 4, pixel, {1, 2, 3, 4}, 9);
    TSpeicher b = AlsSpeicher(zerteilt);
    ASSERT_TRUE(einer.LadePNG(a));
    ASSERT_TRUE(viele.LadePNG(b));
    EXPECT_EQ(Inhalt(einer), Inhalt(viele));
    EXPECT_EQ(Inhalt(viele), AlsBGRA(pixel, 4));
    EXPECT_EQ(b.Rest(), 0u);
}

TEST(PNGLesen, NichtUnterstuetzteMerkmale) {
    const std::string zeile = "!Velm_Bild::LadePNG(): PNG-Datei enthält nicht unterstützte Merkmale.";
    struct Fall {
        uint8_t tiefe, farbtyp, kompression, filter, zeilensprung;
    };
    const Fall faelle[] = {{8, 0, 0, 0, 0}, {8, 3, 0, 0, 0}, {8, 4, 0, 0, 0},  {1, 2, 0, 0, 0},
                           {2, 6, 0, 0, 0}, {4, 2, 0, 0, 0}, {16, 6, 0, 0, 0}, {16, 2, 0, 0, 0},
                           {8, 6, 0, 0, 1}, {8, 2, 1, 0, 0}, {8, 2, 0, 1, 0}};
    for (const Fall& fall : faelle) {
        std::vector<uint8_t> ihdr = Ihdr(4, 4, fall.tiefe, fall.farbtyp, fall.zeilensprung);
        ihdr[10] = fall.kompression;
        ihdr[11] = fall.filter;
        ErwarteAbgelehnt(PNGAusRoh(ihdr, std::vector<uint8_t>(4 * 17)), zeile);
    }
}

TEST(PNGLesen, KaputteDateien) {
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 3, Zufallsbytes(60, 1), {0, 1});
    // The IHDR length, the chunk's name, a file cut inside it.
    for (const auto& [stelle, wert] : {std::pair{11, 12}, {12, 'i'}, {-1, 0}}) {
        std::vector<uint8_t> kopf = gut;
        stelle >= 0 ? void(kopf[stelle] = uint8_t(wert)) : kopf.resize(20);
        ErwarteAbgelehnt(kopf, "!Velm_Bild::LadePNG(): PNG-Header ist ungültig.");
    }

    TBildLog log;
    Velm_Bild bild;
    std::vector<uint8_t> signatur = gut;
    signatur[5] = 0;
    TSpeicher s = AlsSpeicher(signatur);
    EXPECT_FALSE(bild.LadePNG(s));
    EXPECT_TRUE(log.Enthaelt("!Velm_Bild::LadePNG(): Datei ist kein PNG-Bild."));

    // Filter type 5 on the second row.
    std::vector<uint8_t> roh(2 * (3 * 5 + 1), 0);
    roh[16] = 5;
    ErwarteAbgelehnt(PNGAusRoh(Ihdr(5, 2, 8, 2), roh), "!Velm_Bild::LadePNG():\n  Unknown filter type 5.\n");
    // Raw data one byte short, or one row too long.
    for (size_t laenge : {31, 48}) {
        ErwarteAbgelehnt(PNGAusRoh(Ihdr(5, 2, 8, 2), std::vector<uint8_t>(laenge)),
                         "!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.");
    }
    // A corrupted stream.
    std::vector<uint8_t> strom = gut;
    const size_t idat = 8 + 25 + 21 + 8;
    ASSERT_EQ(std::string(strom.begin() + idat - 4, strom.begin() + idat), "IDAT");
    for (size_t i = idat + 2; i < idat + 12; ++i)
        strom[i] ^= 0x5A;
    ErwarteAbgelehnt(strom, "!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.");
}

TEST(PNGLesen, ChunkLaengenUeberDasEndeHinaus) {
    const std::string zeile = "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.";
    const std::vector<uint8_t> gut = BaueTestPNG(5, 4, 4, Zufallsbytes(80, 2), {2});
    const size_t idatLaenge = 8 + 25 + 21;
    for (uint32_t laenge : {0xFFFFFFFFu, 0x80000000u, 1000u}) {
        std::vector<uint8_t> datei = gut;
        for (int i = 0; i < 4; ++i)
            datei[idatLaenge + i] = uint8_t(laenge >> (24 - 8 * i));
        ErwarteAbgelehnt(datei, zeile);
    }
    // Every truncation is refused with some line, none reads past the buffer. Only the cut right
    // before IEND still loads: the reader does not ask for IEND.
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
    ErwarteAbgelehnt(abgeschnitten, "!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.");
}

TEST(PNGLesen, GroessenWerdenVorDemSpeicherGeprueft) {
    ErwarteAbgelehnt(PNGAusRoh(Ihdr(0, 4, 8, 2), {0}),
                     "!Velm_Bild::LadePNG(): Bildgröße 0 x 4 wird nicht unterstützt.");
    // (4 w + 1) h wraps in 64 bits for the last two; the reader must not believe the wrapped size.
    for (const auto& [breite, hoehe] :
         {std::pair{4u, 0u}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {0x40000000u, 0x40000000u}}) {
        ErwarteAbgelehnt(PNGAusRoh(Ihdr(breite, hoehe, 8, 6), {0}), "wird nicht unterstützt.");
    }
    // Large but plausible sizes with a few bytes of data cannot be inflated from them.
    ErwarteAbgelehnt(PNGAusRoh(Ihdr(16000, 16000, 8, 6), std::vector<uint8_t>(100)),
                     "!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.");
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

TEST(PNGSchreiben, RundreiseMitLibpngAlsZeuge) {
    const std::filesystem::path pfad = std::filesystem::temp_directory_path() / "velm_test_rundreise.png";
    for (const auto& [breite, hoehe] : {std::pair{1u, 1u}, {7u, 3u}, {640u, 480u}}) {
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

TEST(PNGSchreiben, RauschenPasstInsDeflateHoechstmass) {
    // Incompressible data grows under deflate: the packer must reserve zlib's worst case.
    const std::filesystem::path pfad = std::filesystem::temp_directory_path() / "velm_test_rauschen.png";
    Velm_Bild bild(1024, 768, Velm_FormatA8R8G8B8, 1);
    const std::vector<uint8_t> pixel = Zufallsbytes(4 * 1024 * 768, 99);
    std::memcpy(bild.mDaten, pixel.data(), pixel.size());
    ASSERT_TRUE(bild.SpeicherePNG(pfad));
    Velm_Bild gelesen;
    ASSERT_TRUE(gelesen.LadeBildAusDatei(pfad));
    for (size_t i = 0; i < pixel.size(); i += 4)
        ASSERT_EQ(std::memcmp(gelesen.mDaten + i, pixel.data() + i, 3), 0) << i;
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
