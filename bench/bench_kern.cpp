// zlib packing of the engine's byte buffer against zlib's own one-call compress2 at the same
// level. Goal: ZLib_Packen takes at most 1.10 times the reference's time.

#include "velmklassen/kern/velm_speicher.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace {

// 1 MiB of mixed data: repeated text, runs and noise, as packed screenshots and fonts hold.
const std::vector<uint8_t>& GemischteDaten() {
    static const std::vector<uint8_t> daten = [] {
        std::vector<uint8_t> bytes;
        std::mt19937 zufall(42);
        const std::string text = "Punktwolke mit Baeumen, Geistern und einem Schluessel. ";
        while (bytes.size() < (1u << 20)) {
            switch (zufall() % 3) {
            case 0:
                bytes.insert(bytes.end(), text.begin(), text.end());
                break;
            case 1:
                bytes.insert(bytes.end(), 64 + zufall() % 64, uint8_t(zufall()));
                break;
            default:
                for (int i = 0; i < 48; ++i)
                    bytes.push_back(uint8_t(zufall()));
            }
        }
        bytes.resize(1u << 20);
        return bytes;
    }();
    return daten;
}

void BM_ZLibPacken(benchmark::State& state) {
    TSpeicher quelle;
    quelle.SchreibeBlock(GemischteDaten().data(), GemischteDaten().size());
    TSpeicher ziel;
    for (auto _ : state) {
        ziel.Leere();
        quelle.ZumAnfang();
        if (!ZLib_Packen(quelle, ziel))
            state.SkipWithError("ZLib_Packen failed");
        benchmark::DoNotOptimize(ziel.Daten());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(GemischteDaten().size()));
}
BENCHMARK(BM_ZLibPacken)->Unit(benchmark::kMillisecond);

void BM_ZLibReferenz(benchmark::State& state) {
    const std::vector<uint8_t>& daten = GemischteDaten();
    std::vector<uint8_t> ziel(compressBound(uLong(daten.size())));
    for (auto _ : state) {
        uLongf laenge = uLongf(ziel.size());
        if (compress2(ziel.data(), &laenge, daten.data(), uLong(daten.size()), 9) != Z_OK)
            state.SkipWithError("compress2 failed");
        benchmark::DoNotOptimize(ziel.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(daten.size()));
}
BENCHMARK(BM_ZLibReferenz)->Unit(benchmark::kMillisecond);

} // namespace
