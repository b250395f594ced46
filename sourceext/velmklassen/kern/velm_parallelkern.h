#pragma once
// The parallel execution core: runs jobs as fibers on worker threads and, on demand, on the main
// thread. One per process; the application owns it, and jobs reach it through `Kern()`.

#include "velmklassen/kern/velm_parallelfaser.h"

#include <concurrentqueue/blockingconcurrentqueue.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// The worker loop polls by itself before it sleeps, giving way to other threads while it does
// (see `Velm_ParallelKern::NaechsteFaser`); the queue's semaphore only sleeps.
struct Velm_FaserWarteschlangenArt : moodycamel::ConcurrentQueueDefaultTraits {
    static const int MAX_SEMA_SPINS = 0;
};
using Velm_FaserWarteschlange =
    moodycamel::BlockingConcurrentQueue<Velm_ParallelFaser*, Velm_FaserWarteschlangenArt>;

// The control record of one worker loop: the queue it serves and its stop flag.
class Velm_Arbeitsschleife {
public:
    explicit Velm_Arbeitsschleife(Velm_FaserWarteschlange& warteschlange) : mWarteschlange(warteschlange) {}

    void SetzeStopp() { mStopp.store(1); }
    void LoescheStopp() { mStopp.store(0); }

    Velm_FaserWarteschlange& mWarteschlange;
    std::atomic<uint8_t> mStopp{0};
};

class Velm_ParallelKern {
public:
    static constexpr int kAnfangsBloecke = 128;
    // A block: the header's page, one inaccessible guard page, then the stack up to the block's
    // end. An overflowing stack faults on the guard page instead of overwriting the header.
    struct BlockAufteilung {
        size_t mKopf;
        size_t mWaechter;
        size_t mStapel;
        size_t Gesamt() const { return mKopf + mWaechter + mStapel; }
    };
    static BlockAufteilung Aufteilung();

    // Builds the pool and starts one immediate and one long-term worker per processor and one
    // I/O worker. When a thread cannot be started, the ones already running are stopped and the
    // failure is thrown on.
    Velm_ParallelKern();
    // Stops and joins every worker; jobs still queued then do not run.
    ~Velm_ParallelKern();
    Velm_ParallelKern(const Velm_ParallelKern&) = delete;
    Velm_ParallelKern& operator=(const Velm_ParallelKern&) = delete;

    // The core of the process; null while there is none.
    static Velm_ParallelKern* Kern();

    // Wraps the job in a fiber of that kind and queues it at once.
    Velm_FaserHandle StarteFaser(Velm_FaserArt art, const std::function<void()>& auftrag);
    Velm_FaserHandle StarteSofort(const std::function<void()>& auftrag) {
        return StarteFaser(Velm_FaserArt::Sofort, auftrag);
    }
    Velm_FaserHandle StarteImHauptfaden(const std::function<void()>& auftrag) {
        return StarteFaser(Velm_FaserArt::Hauptfaden, auftrag);
    }

    // Queues a fiber on the queue of its kind; a fiber of no known kind is queued nowhere.
    static void Einreihen(Velm_ParallelFaser* faser);
    // The running fiber waits until the handle's fiber has finished; its thread meanwhile runs
    // other fibers. To await several, await them one after the other.
    static void Warte(const Velm_FaserHandle& handle);
    // Returns a finished fiber's block to the pool.
    static void GibFaserFrei(Velm_ParallelFaser* faser);

    // Main thread: runs main-thread fibers until `BeendeHauptschleife`, typically called by the
    // last of them. A stop asked for while the loop sleeps takes effect after the next fiber.
    void BearbeiteHauptschleife();
    void BeendeHauptschleife();
    // The loop of every worker thread and of `BearbeiteHauptschleife`; a queued null ends it.
    void Arbeitsschleife(Velm_Arbeitsschleife& schleife);

    // Blocks ever mapped for fibers: 128 unless more were alive at once.
    uint64_t Allokationen() const { return mAllokationen.load(); }

private:
    static Velm_ParallelFaser* NaechsteFaser(Velm_FaserWarteschlange& warteschlange,
                                             moodycamel::ConsumerToken& token);
    static Velm_ParallelFaser* NeuerBlock();
    static void LoescheBlock(Velm_ParallelFaser* faser);
    void StarteFaeden();
    void StoppeFaeden();
    void LoescheBloecke();

    moodycamel::ConcurrentQueue<void*> mFreieBloecke;
    Velm_FaserWarteschlange mWarteschlangen[4]; // by kind 1 to 4
    std::vector<std::unique_ptr<Velm_Arbeitsschleife>> mSchleifen[4];
    std::vector<std::thread> mFaeden[3]; // immediate, long-term, I/O
    std::atomic<uint64_t> mNaechsteId{0};
    std::atomic<uint64_t> mAllokationen{0};
};
