// Building one level from a fixed seed: clusters of hills, ground points and trees.

#include "nadrel/welt/levelbau.h"
#include "nadrel/welt/szene.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <benchmark/benchmark.h>

namespace {

int64_t StehendeUhr() {
    return 0;
}

uint64_t Punkte(Spiel::Szene& welt) {
    uint64_t n = 0;
    Spiel::FuerAlleBelegten(welt.mMeshes,
                            [&](uint64_t, Spiel::Feld<Spiel::Punkt>& punkte) { n += punkte.mAnzahl; });
    return n;
}

void BM_BaueSzene(benchmark::State& state) {
    Velm_Zeitgeber uhr(&StehendeUhr);
    uint64_t punkte = 0;
    for (auto _ : state) {
        Spiel::Szene welt(&uhr);
        Plattform::SetzeZufallsSaat(20261206);
        Spiel::BaueSzene(welt);
        punkte += Punkte(welt);
    }
    state.counters["Punkte"] = benchmark::Counter(double(punkte), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BaueSzene)->Unit(benchmark::kMillisecond);

} // namespace
