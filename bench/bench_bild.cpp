// PNG reading and writing against libpng on the same image and settings, and DXT5 compression
// through regions against libsquish called directly on the same blocks.

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_speicher.h"

#include <benchmark/benchmark.h>
#include <png.h>
#include <squish.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kKante = 1024;

// Four kinds of content side by side: a smooth gradient, noise, flat tiles with alpha, and thin
// stripes, so neither filter choice nor the compressor has it too easy.
const Velm_Bild& Testbild() {
    static const std::unique_ptr<Velm_Bild> bild = [] {
        auto b = std::make_unique<Velm_Bild>(kKante, kKante, Velm_FormatA8R8G8B8, 1);
        std::mt19937 zufall(42);
        for (uint32_t y = 0; y < kKante; ++y)
            for (uint32_t x = 0; x < kKante; ++x) {
                uint32_t argb;
                if (x < 512 && y < 512)
                    argb = 0xFF000000u | (x / 2) << 16 | (y / 2) << 8 | ((x + y) / 4);
                else if (x >= 512 && y < 512)
                    argb = zufall();
                else if (x < 512)
                    argb = ((x / 64 + y / 64) % 3 * 0x7F) << 24 | ((x / 64 * 0x1F3A7) & 0xFFFFFF);
                else
                    argb = (x % 7 < 3 ? 0xFFFFFFFFu : 0x80204060u) ^ (y % 5 == 0 ? 0x00FF0000u : 0u);
                std::memcpy(b->mDaten + y * b->mPitch + 4 * x, &argb, 4);
            }
        return b;
    }();
    return *bild;
}

struct TLibpngSchreiber {
    std::vector<uint8_t> mDaten;
    static void Schreibe(png_structp png, png_bytep daten, png_size_t n) {
        auto* ziel = static_cast<TLibpngSchreiber*>(png_get_io_ptr(png));
        ziel->mDaten.insert(ziel->mDaten.end(), daten, daten + n);
    }
    static void Leere(png_structp) {}
};

// The test image as an RGBA PNG with libpng's adaptive filters, as image tools write it.
const std::vector<uint8_t>& TestPNG() {
    static const std::vector<uint8_t> datei = [] {
        const Velm_Bild& bild = Testbild();
        TLibpngSchreiber schreiber;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &schreiber, &TLibpngSchreiber::Schreibe, &TLibpngSchreiber::Leere);
        png_set_IHDR(png, info, kKante, kKante, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, 0, PNG_ALL_FILTERS);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        png_set_bgr(png);
        for (uint32_t y = 0; y < kKante; ++y)
            png_write_row(png, bild.mDaten + y * bild.mPitch);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return schreiber.mDaten;
    }();
    return datei;
}

void BM_LadePNG(benchmark::State& state) {
    const std::vector<uint8_t>& datei = TestPNG();
    TSpeicher speicher;
    speicher.SchreibeBlock(datei.data(), datei.size());
    Velm_Bild bild;
    for (auto _ : state) {
        speicher.ZumAnfang();
        if (!bild.LadePNG(speicher))
            state.SkipWithError("LadePNG");
        benchmark::DoNotOptimize(bild.mDaten);
    }
}
BENCHMARK(BM_LadePNG)->Unit(benchmark::kMillisecond);

// Decodes into the same memory layout as the engine (bytes B, G, R, A).
void BM_LadePNGLibpng(benchmark::State& state) {
    const std::vector<uint8_t>& datei = TestPNG();
    std::vector<uint8_t> pixel(4 * kKante * kKante);
    for (auto _ : state) {
        png_image bild{};
        bild.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&bild, datei.data(), datei.size());
        bild.format = PNG_FORMAT_BGRA;
        if (!png_image_finish_read(&bild, nullptr, pixel.data(), 0, nullptr))
            state.SkipWithError("libpng");
        benchmark::DoNotOptimize(pixel.data());
    }
}
BENCHMARK(BM_LadePNGLibpng)->Unit(benchmark::kMillisecond);

std::filesystem::path Ziel(const char* name) {
    return std::filesystem::temp_directory_path() / name;
}

void BM_SpeicherePNG(benchmark::State& state) {
    const Velm_Bild& bild = Testbild();
    const std::filesystem::path pfad = Ziel("velm_bench_bild.png");
    for (auto _ : state)
        if (!bild.SpeicherePNG(pfad))
            state.SkipWithError("SpeicherePNG");
    std::filesystem::remove(pfad);
}
BENCHMARK(BM_SpeicherePNG)->Unit(benchmark::kMillisecond);

// The engine's settings: RGB without alpha, filter none on every row, level 9, zlib's defaults.
void BM_SpeicherePNGLibpng(benchmark::State& state) {
    const Velm_Bild& bild = Testbild();
    const std::filesystem::path pfad = Ziel("velm_bench_libpng.png");
    for (auto _ : state) {
        FILE* datei = std::fopen(pfad.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, datei);
        png_set_IHDR(png, info, kKante, kKante, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, 0, PNG_FILTER_NONE);
        png_set_compression_level(png, 9);
        png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
        png_write_info(png, info);
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        for (uint32_t y = 0; y < kKante; ++y)
            png_write_row(png, bild.mDaten + y * bild.mPitch);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(datei);
    }
    std::filesystem::remove(pfad);
}
BENCHMARK(BM_SpeicherePNGLibpng)->Unit(benchmark::kMillisecond);

void BM_KopiereAusDXT5(benchmark::State& state) {
    const Velm_Bild& bild = Testbild();
    Velm_Bild dxt(kKante, kKante, Velm_FormatDXT5, 1);
    for (auto _ : state) {
        bild.KopiereAus(dxt);
        benchmark::DoNotOptimize(dxt.mDaten);
    }
}
BENCHMARK(BM_KopiereAusDXT5)->Unit(benchmark::kMillisecond);

// The same blocks, gathered straight from the bytes and handed to libsquish.
void BM_SquishDirekt(benchmark::State& state) {
    const Velm_Bild& bild = Testbild();
    std::vector<uint8_t> bloecke(kKante * kKante);
    for (auto _ : state) {
        uint8_t* block = bloecke.data();
        uint8_t rgba[64];
        for (uint32_t by = 0; by < kKante; by += 4)
            for (uint32_t bx = 0; bx < kKante; bx += 4, block += 16) {
                for (uint32_t j = 0; j < 4; ++j)
                    for (uint32_t i = 0; i < 4; ++i) {
                        const uint8_t* p = bild.mDaten + (by + j) * bild.mPitch + 4 * (bx + i);
                        uint8_t* q = rgba + 4 * (4 * j + i);
                        q[0] = p[2];
                        q[1] = p[1];
                        q[2] = p[0];
                        q[3] = p[3];
                    }
                squish::Compress(rgba, block, squish::kDxt5);
            }
        benchmark::DoNotOptimize(bloecke.data());
    }
}
BENCHMARK(BM_SquishDirekt)->Unit(benchmark::kMillisecond);

} // namespace
