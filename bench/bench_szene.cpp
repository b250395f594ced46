// The processor side of the scene renderer on a generated level seen from the player's start:
// the sort against boost's parallel stable sort, the projection on the parallel core against one
// thread and plain threads, and a whole frame with the share of each step.

#include "nadrel/punktrenderer/punktrenderer.h"
#include "nadrel/welt/levelbau.h"
#include "nadrel/welt/spieler.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <benchmark/benchmark.h>
#include <boost/sort/sort.hpp>

#include <atomic>
#include <barrier>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

namespace {

using namespace Spiel;

constexpr float kBildschirmBreite = 1280, kBildschirmHoehe = 720;
constexpr uint64_t kBildHoehe = 240;

int64_t StehendeUhr() {
    return 0;
}

// Runs the benchmark's loop inside a main-thread fiber, as the frame job runs the renderer.
void ImHauptfaden(Velm_ParallelKern& kern, const std::function<void()>& auftrag) {
    kern.StarteImHauptfaden([&] {
        auftrag();
        kern.BeendeHauptschleife();
    });
    kern.BearbeiteHauptschleife();
}

struct Level {
    Velm_Zeitgeber uhr{&StehendeUhr};
    Szene welt{&uhr};
    Matrix ansicht, projektion;

    Level() {
        Plattform::SetzeZufallsSaat(20261206);
        BaueSzene(welt);
        const Spieler& spieler = *welt.mSpieler;
        ansicht = Ansichtsmatrix(spieler.mPosition, spieler.mGieren, spieler.mNicken);
        projektion = Projektionsmatrix(kBildschirmBreite, kBildschirmHoehe);
    }
    void Projiziere(uint64_t hoehe) {
        FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& instanz) {
            Punktrenderer::BaueInstanzpunkte(instanz, ansicht, projektion, float(Bildbreite(hoehe)),
                                             float(hoehe));
        });
    }
};

// About a million items in 250 instances, depths spread over the whole range.
void FuelleSynthetisch(Szene& welt) {
    std::mt19937_64 zufall(5);
    for (int i = 0; i < 250; ++i) {
        const uint64_t id = welt.NeueInstanz(nullptr, nullptr, Einheitsmatrix());
        for (int k = 0; k < 4000; ++k)
            welt.mInstanzen[id].mZeichenpunkte.Anhaengen({zufall() % (500ull << 48), zufall()});
    }
}

uint64_t Items(Szene& welt) {
    uint64_t n = 0;
    FuerAlleBelegten(welt.mInstanzen,
                     [&](uint64_t, RenderInstanz& instanz) { n += instanz.mZeichenpunkte.mAnzahl; });
    return n;
}

void SortiereUnsere(benchmark::State& state, Szene& welt) {
    Velm_ParallelKern kern;
    Punktrenderer renderer;
    ImHauptfaden(kern, [&] {
        for (auto _ : state) {
            uint64_t anzahl[64] = {}, anfaenge[64] = {};
            renderer.SortiereZeichenpunkte(welt, anzahl, anfaenge);
            benchmark::DoNotOptimize(renderer.mPunkteA.data());
        }
    });
    state.SetItemsProcessed(int64_t(state.iterations() * Items(welt)));
}

// Gathering is part of the work: the items lie in one array per instance.
void SortiereBoost(benchmark::State& state, Szene& welt) {
    std::vector<Zeichenpunkt> punkte(Items(welt));
    const uint32_t faeden = uint32_t(Plattform::ProzessorAnzahl());
    for (auto _ : state) {
        Zeichenpunkt* ziel = punkte.data();
        FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, RenderInstanz& instanz) {
            ziel = std::copy(instanz.mZeichenpunkte.begin(), instanz.mZeichenpunkte.end(), ziel);
        });
        boost::sort::parallel_stable_sort(
            punkte.begin(), punkte.end(),
            [](const Zeichenpunkt& a, const Zeichenpunkt& b) { return a.mSchluessel > b.mSchluessel; },
            faeden);
        benchmark::DoNotOptimize(punkte.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations() * punkte.size()));
}

void BM_SortiereZeichenpunkte(benchmark::State& state) {
    Level level;
    level.Projiziere(kBildHoehe);
    state.counters["Items"] = double(Items(level.welt));
    SortiereUnsere(state, level.welt);
}
BENCHMARK(BM_SortiereZeichenpunkte)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SortiereBoostParallel(benchmark::State& state) {
    Level level;
    level.Projiziere(kBildHoehe);
    SortiereBoost(state, level.welt);
}
BENCHMARK(BM_SortiereBoostParallel)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SortiereZeichenpunkte1M(benchmark::State& state) {
    Szene welt(nullptr);
    FuelleSynthetisch(welt);
    SortiereUnsere(state, welt);
}
BENCHMARK(BM_SortiereZeichenpunkte1M)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SortiereBoostParallel1M(benchmark::State& state) {
    Szene welt(nullptr);
    FuelleSynthetisch(welt);
    SortiereBoost(state, welt);
}
BENCHMARK(BM_SortiereBoostParallel1M)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_BaueZeichenpunkte(benchmark::State& state) {
    Level level;
    Velm_ParallelKern kern;
    Punktrenderer renderer;
    ImHauptfaden(kern, [&] {
        for (auto _ : state)
            renderer.BaueZeichenpunkte(level.welt, level.ansicht, level.projektion,
                                       float(Bildbreite(kBildHoehe)), float(kBildHoehe));
    });
    state.counters["Items"] = double(Items(level.welt));
}
BENCHMARK(BM_BaueZeichenpunkte)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_BaueZeichenpunkteSeriell(benchmark::State& state) {
    Level level;
    for (auto _ : state)
        level.Projiziere(kBildHoehe);
}
BENCHMARK(BM_BaueZeichenpunkteSeriell)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One plain thread per processor, started once; each frame they take the next instance until
// none is left, between two barriers with the timing thread.
void BM_BaueZeichenpunkteFaeden(benchmark::State& state) {
    Level level;
    std::vector<RenderInstanz*> instanzen;
    FuerAlleBelegten(level.welt.mInstanzen,
                     [&](uint64_t, RenderInstanz& instanz) { instanzen.push_back(&instanz); });
    const float breite = float(Bildbreite(kBildHoehe)), hoehe = float(kBildHoehe);
    const uint64_t anzahl = Plattform::ProzessorAnzahl();
    std::barrier<> start(std::ptrdiff_t(anzahl + 1)), ende(std::ptrdiff_t(anzahl + 1));
    std::atomic<size_t> naechste{0};
    std::atomic<bool> fertig{false};
    std::vector<std::jthread> faeden;
    for (uint64_t f = 0; f < anzahl; ++f)
        faeden.emplace_back([&] {
            for (;;) {
                start.arrive_and_wait();
                if (fertig)
                    return;
                for (size_t i = naechste++; i < instanzen.size(); i = naechste++)
                    Punktrenderer::BaueInstanzpunkte(*instanzen[i], level.ansicht, level.projektion, breite,
                                                     hoehe);
                ende.arrive_and_wait();
            }
        });
    for (auto _ : state) {
        naechste = 0;
        start.arrive_and_wait();
        ende.arrive_and_wait();
    }
    fertig = true;
    start.arrive_and_wait();
}
BENCHMARK(BM_BaueZeichenpunkteFaeden)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The whole processor side of a frame; the counters give each step's mean time in milliseconds.
void BM_ZeichneSzeneCPU(benchmark::State& state) {
    const uint64_t hoehe = uint64_t(state.range(0));
    const uint64_t breite = Bildbreite(hoehe);
    Level level;
    Velm_ParallelKern kern;
    Punktrenderer renderer;
    std::vector<uint32_t> bild;
    double dauer[4] = {};
    ImHauptfaden(kern, [&] {
        for (auto _ : state) {
            using Uhr = std::chrono::steady_clock;
            const Uhr::time_point t0 = Uhr::now();
            renderer.BaueZeichenpunkte(level.welt, level.ansicht, level.projektion, float(breite),
                                       float(hoehe));
            const Uhr::time_point t1 = Uhr::now();
            uint64_t anzahl[64] = {}, anfaenge[64] = {};
            renderer.SortiereZeichenpunkte(level.welt, anzahl, anfaenge);
            uint64_t n = 0;
            for (uint64_t a : anzahl)
                n += a;
            const Uhr::time_point t2 = Uhr::now();
            bild.assign(breite * hoehe, 0);
            SplatteZeichenpunkte(renderer.mPunkteA.data(), n, bild.data(), breite, hoehe);
            const Uhr::time_point t3 = Uhr::now();
            WandleInPixel(bild.data(), bild.size());
            const Uhr::time_point t4 = Uhr::now();
            const Uhr::time_point t[5] = {t0, t1, t2, t3, t4};
            for (int s = 0; s < 4; ++s)
                dauer[s] += std::chrono::duration<double, std::milli>(t[s + 1] - t[s]).count();
            benchmark::DoNotOptimize(bild.data());
        }
    });
    const char* const namen[4] = {"Projektion_ms", "Sortierung_ms", "Splat_ms", "Umwandlung_ms"};
    for (int s = 0; s < 4; ++s)
        state.counters[namen[s]] = benchmark::Counter(dauer[s] / double(state.iterations()));
}
BENCHMARK(BM_ZeichneSzeneCPU)->Arg(240)->Arg(960)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
