#pragma once
// A job as a fiber: one pooled block whose header describes the job and whose rest is the job's
// own stack. The parallel core creates, queues and releases fibers; jobs await each other here.

#include <boost/context/detail/fcontext.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <typeinfo>

// Which queue, and so which threads, run a fiber. A block in the pool has kind 0.
enum class Velm_FaserArt : uint32_t {
    Frei = 0,
    Hauptfaden = 1,  // the main thread, while it runs the core's main loop
    Sofort = 2,      // short jobs: one worker per processor
    Langfristig = 3, // long jobs: one worker per processor
    EinAusgabe = 4,  // waiting for files and devices: one worker
};

enum class Velm_FaserZustand : uint32_t {
    Frei = 0,       // in the pool
    Eingereiht = 1, // created and queued, not started yet
    Laeuft = 2,     // started; stays so while switched out in an await
    Fertig = 3,     // the job has returned or thrown
};

class Velm_ParallelFaser;

// What a caller awaits. It stays valid after its fiber's block has been reused for another job:
// the id tells the two apart.
struct Velm_FaserHandle {
    Velm_ParallelFaser* mFaser = nullptr;
    uint64_t mId = ~uint64_t(0);
};

class Velm_ParallelFaser {
public:
    static constexpr uint64_t kKeineId = ~uint64_t(0);

    // A free header at the start of a block whose stack of `stapelGroesse` bytes ends at
    // `stapelOben`, the block's end.
    Velm_ParallelFaser(std::byte* stapelOben, size_t stapelGroesse);
    // A header for a job, filled as the core fills it, but not queued.
    Velm_ParallelFaser(uint64_t id, Velm_FaserArt art, const std::function<void()>& auftrag,
                       std::byte* stapelOben, size_t stapelGroesse);
    Velm_ParallelFaser(const Velm_ParallelFaser&) = delete;
    Velm_ParallelFaser& operator=(const Velm_ParallelFaser&) = delete;

    // The fiber that runs on the calling thread now; null between fibers and outside them.
    static Velm_ParallelFaser* Aktuelle();
    static void SetzeAktuelle(Velm_ParallelFaser* faser);

    // The entry of every fiber: receives the context of whoever switched in and, as data, the
    // fiber itself. Runs the job, catching whatever it throws, and never returns.
    static void Einstieg(boost::context::detail::transfer_t uebergabe);

    // Runs the fiber on the calling thread until it finishes or switches out to await another.
    // True when it finished: the caller then releases it. An await the fiber asked for is
    // registered here, once its context is saved, so no other thread can resume it earlier.
    bool FuehreHierAus();
    // Switches back to whoever ran the fiber without queueing it again; something else must
    // queue it to resume it, and only after `FuehreHierAus` has returned.
    void Unterbreche();
    // Back to the free state: kind 0, state 0, id all ones, job destroyed. The block does not
    // go back to the pool by this.
    void Zuruecksetzen();
    // This fiber, running on the calling thread, waits until `ziel` has finished. Returns at
    // once when it has already finished or its block was released or reused. Never call it
    // inside a catch block: the thread's exception state does not travel with the fiber.
    void WarteAuf(const Velm_FaserHandle& ziel);

    Velm_FaserArt Art() const { return mArt; }
    Velm_FaserZustand Zustand() const { return mZustand.load(std::memory_order_acquire); }

private:
    friend class Velm_ParallelKern;

    void Belege(uint64_t id, Velm_FaserArt art, const std::function<void()>& auftrag);
    void FuehreAuftragAus();
    void Beende();
    void MeldeWartenAn(const Velm_FaserHandle& ziel);
    bool LaeuftNoch(uint64_t id);
    bool LaeuftGesperrt(uint64_t id) const; // the caller holds the lock
    void Sperre();
    void Entsperre();

    Velm_FaserArt mArt = Velm_FaserArt::Frei;
    uint64_t mId = kKeineId; // guarded by the lock once the block has been handed out
    std::function<void()> mAuftrag;
    boost::context::detail::fcontext_t mKontext = nullptr;      // the fiber's own, while away
    boost::context::detail::fcontext_t mRueckKontext = nullptr; // whoever runs it now
    // The first of the fibers awaiting this one; each of them links to the next.
    Velm_ParallelFaser* mWartender = nullptr;
    Velm_ParallelFaser* mNaechsterWartender = nullptr;
    std::atomic<uint32_t> mAusstehend{0}; // fibers this one awaits
    std::atomic<Velm_FaserZustand> mZustand{Velm_FaserZustand::Frei};
    std::atomic<uint8_t> mSperre{0}; // guards id, state and waiters between awaiting and finishing
    Velm_FaserHandle mWarteZiel;     // asked for just before switching out, registered after it

    std::byte* mStapelOben;
    size_t mStapelGroesse;
    // The stack of the thread that runs the fiber now, for AddressSanitizer's switch notices.
    const void* mRueckStapel = nullptr;
    size_t mRueckStapelGroesse = 0;
};

// The readable name of a C++ type, "std::runtime_error" rather than "St13runtime_error".
std::string Velm_Typname(const std::type_info& typ);
