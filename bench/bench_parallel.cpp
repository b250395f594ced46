// The parallel core against the obvious alternative: spreading many tiny jobs (the cost of a
// job), a frame's fan-out of a few hundred jobs, and a fixed amount of real work (how well the
// immediate workers scale). The "Belastet" runs share the processors with one busy thread per
// processor, as on a desktop where a compile or a browser keeps every core busy.

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kKleineAuftraege = 10000;
constexpr int kBildAuftraege = 256;
constexpr int kRechenAuftraege = 64;
// About half a millisecond of dependent integer work on a current desktop core.
constexpr int kRechenSchritte = 700000;

uint64_t Rechenkern(uint64_t saat) {
    uint64_t x = saat | 1;
    for (int i = 0; i < kRechenSchritte; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
    }
    return x;
}

// The plain pool a programmer writes first: one locked queue, one condition variable, a future
// per job.
class TFadenPool {
public:
    explicit TFadenPool(unsigned anzahl) {
        for (unsigned i = 0; i < anzahl; ++i)
            mFaeden.emplace_back([this] { Arbeite(); });
    }
    ~TFadenPool() {
        {
            std::lock_guard<std::mutex> sperre(mSperre);
            mEnde = true;
        }
        mSignal.notify_all();
        for (std::thread& faden : mFaeden)
            faden.join();
    }

    std::future<void> Starte(std::function<void()> auftrag) {
        std::packaged_task<void()> aufgabe(std::move(auftrag));
        std::future<void> ergebnis = aufgabe.get_future();
        {
            std::lock_guard<std::mutex> sperre(mSperre);
            mAufgaben.push_back(std::move(aufgabe));
        }
        mSignal.notify_one();
        return ergebnis;
    }

private:
    void Arbeite() {
        for (;;) {
            std::packaged_task<void()> aufgabe;
            {
                std::unique_lock<std::mutex> sperre(mSperre);
                mSignal.wait(sperre, [this] { return mEnde || !mAufgaben.empty(); });
                if (mAufgaben.empty())
                    return;
                aufgabe = std::move(mAufgaben.front());
                mAufgaben.pop_front();
            }
            aufgabe();
        }
    }

    std::mutex mSperre;
    std::condition_variable mSignal;
    std::deque<std::packaged_task<void()>> mAufgaben;
    std::vector<std::thread> mFaeden;
    bool mEnde = false;
};

// One busy-looping thread per processor at normal priority while it lives.
class TLast {
public:
    TLast() {
        for (unsigned i = 0; i < Plattform::ProzessorAnzahl(); ++i)
            mFaeden.emplace_back([this] {
                uint64_t x = 1;
                while (!mEnde.load(std::memory_order_relaxed))
                    benchmark::DoNotOptimize(x = x * 6364136223846793005ull + 1);
            });
    }
    ~TLast() {
        mEnde.store(true);
        for (std::thread& faden : mFaeden)
            faden.join();
    }

private:
    std::atomic<bool> mEnde{false};
    std::vector<std::thread> mFaeden;
};

// Runs `auftrag` as a main-thread fiber until it has finished, as the frame loop runs its job.
void FuehreImHauptfadenAus(Velm_ParallelKern& kern, const std::function<void()>& auftrag) {
    kern.StarteImHauptfaden([&] {
        auftrag();
        kern.BeendeHauptschleife();
    });
    kern.BearbeiteHauptschleife();
}

// Starts `anzahl` empty jobs from a main-thread fiber and awaits them all, once per iteration.
void Verteile(benchmark::State& state, int anzahl) {
    Velm_ParallelKern kern;
    std::vector<Velm_FaserHandle> handles(static_cast<size_t>(anzahl));
    for (auto _ : state) {
        FuehreImHauptfadenAus(kern, [&] {
            for (Velm_FaserHandle& handle : handles)
                handle = kern.StarteSofort([] {});
            for (const Velm_FaserHandle& handle : handles)
                Velm_ParallelKern::Warte(handle);
        });
    }
    state.SetItemsProcessed(state.iterations() * anzahl);
}

void PoolVerteile(benchmark::State& state) {
    TFadenPool pool(Plattform::ProzessorAnzahl());
    std::vector<std::future<void>> ergebnisse(kKleineAuftraege);
    for (auto _ : state) {
        for (std::future<void>& ergebnis : ergebnisse)
            ergebnis = pool.Starte([] {});
        for (std::future<void>& ergebnis : ergebnisse)
            ergebnis.wait();
    }
    state.SetItemsProcessed(state.iterations() * kKleineAuftraege);
}

void BM_Verteile10000(benchmark::State& state) {
    Verteile(state, kKleineAuftraege);
}
BENCHMARK(BM_Verteile10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThreadPoolReferenz(benchmark::State& state) {
    PoolVerteile(state);
}
BENCHMARK(BM_ThreadPoolReferenz)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Verteile10000Belastet(benchmark::State& state) {
    TLast last;
    Verteile(state, kKleineAuftraege);
}
BENCHMARK(BM_Verteile10000Belastet)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThreadPoolReferenzBelastet(benchmark::State& state) {
    TLast last;
    PoolVerteile(state);
}
BENCHMARK(BM_ThreadPoolReferenzBelastet)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame's fan-out: argument 1 runs it beside the busy threads.
void BM_BildFanOut(benchmark::State& state) {
    std::unique_ptr<TLast> last;
    if (state.range(0))
        last = std::make_unique<TLast>();
    Verteile(state, kBildAuftraege);
}
BENCHMARK(BM_BildFanOut)->ArgName("belastet")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Skalierung(benchmark::State& state) {
    Velm_ParallelKern kern;
    std::vector<uint64_t> ergebnisse(kRechenAuftraege);
    std::vector<Velm_FaserHandle> handles(kRechenAuftraege);
    for (auto _ : state) {
        FuehreImHauptfadenAus(kern, [&] {
            for (int i = 0; i < kRechenAuftraege; ++i)
                handles[i] = kern.StarteSofort([&ergebnisse, i] { ergebnisse[i] = Rechenkern(uint64_t(i)); });
            for (const Velm_FaserHandle& handle : handles)
                Velm_ParallelKern::Warte(handle);
        });
        benchmark::DoNotOptimize(ergebnisse.data());
        benchmark::ClobberMemory();
    }
    state.counters["Sofort-Faeden"] = double(Plattform::ProzessorAnzahl());
}
BENCHMARK(BM_Skalierung)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SkalierungSeriell(benchmark::State& state) {
    std::vector<uint64_t> ergebnisse(kRechenAuftraege);
    for (auto _ : state) {
        for (int i = 0; i < kRechenAuftraege; ++i)
            ergebnisse[i] = Rechenkern(uint64_t(i));
        benchmark::DoNotOptimize(ergebnisse.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SkalierungSeriell)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
