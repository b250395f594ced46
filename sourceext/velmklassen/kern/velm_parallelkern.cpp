#include "velmklassen/kern/velm_parallelkern.h"

#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_speicherseiten.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"

#include <array>
#include <exception>
#include <new>
#include <string>

namespace {

std::atomic<Velm_ParallelKern*> gKern{nullptr};

constexpr size_t kStapelBytes = 131072;

size_t AufSeiteGerundet(size_t bytes) {
    const size_t seite = Plattform::SeitenGroesse();
    return (bytes + seite - 1) / seite * seite;
}

// Polling for work before sleeping: rounds of a few looks with pauses between them; after each
// round the processor is offered to other threads.
constexpr int kPollRunden = 16;
constexpr int kPollBlicke = 32;
// An offer that kept the thread away this long was taken: other threads were waiting to run.
constexpr int64_t kAbgegebenTicks = Plattform::kZaehlerFrequenz / 50000; // 20 µs

// Thread names as `top -H` shows them; the queue index is the kind minus one.
const char* const kFadenNamen[4] = {"", "velm-sofort-", "velm-lang-", "velm-ea-"};

} // namespace

Velm_ParallelKern::BlockAufteilung Velm_ParallelKern::Aufteilung() {
    return {AufSeiteGerundet(sizeof(Velm_ParallelFaser)), Plattform::SeitenGroesse(),
            AufSeiteGerundet(kStapelBytes)};
}

Velm_ParallelFaser* Velm_ParallelKern::NeuerBlock() {
    const BlockAufteilung aufteilung = Aufteilung();
    std::byte* const block = static_cast<std::byte*>(Plattform::ReserviereSeiten(aufteilung.Gesamt()));
    if (!block)
        throw std::bad_alloc();
    if (!Plattform::SperreSeiten(block + aufteilung.mKopf, aufteilung.mWaechter)) {
        Plattform::GibSeitenFrei(block, aufteilung.Gesamt());
        throw std::bad_alloc();
    }
    return new (block) Velm_ParallelFaser(block + aufteilung.Gesamt(), aufteilung.mStapel);
}

void Velm_ParallelKern::LoescheBlock(Velm_ParallelFaser* faser) {
    faser->~Velm_ParallelFaser();
    Plattform::GibSeitenFrei(faser, Aufteilung().Gesamt());
}

Velm_ParallelKern::Velm_ParallelKern() {
    std::array<void*, kAnfangsBloecke> bloecke;
    int angelegt = 0;
    try {
        for (; angelegt < kAnfangsBloecke; ++angelegt)
            bloecke[angelegt] = NeuerBlock();
    } catch (...) {
        for (int i = 0; i < angelegt; ++i)
            LoescheBlock(static_cast<Velm_ParallelFaser*>(bloecke[i]));
        throw;
    }
    mFreieBloecke.enqueue_bulk(bloecke.data(), bloecke.size());
    mAllokationen.store(kAnfangsBloecke);

    const int n = int(Plattform::ProzessorAnzahl());
    Velm_Konsole::Schreibe(
        "Starting parallel execution core: %d immediate threads, %d long-term threads, %d I/O threads", n, n,
        1);
    try {
        const int anzahl[4] = {1, n, n, 1};
        for (int art = 0; art < 4; ++art)
            for (int i = 0; i < anzahl[art]; ++i)
                mSchleifen[art].push_back(std::make_unique<Velm_Arbeitsschleife>(mWarteschlangen[art]));
        StarteFaeden();
    } catch (...) {
        // The threads already running would end the process when their handles die joinable.
        StoppeFaeden();
        LoescheBloecke();
        throw;
    }
    gKern.store(this);
}

void Velm_ParallelKern::StarteFaeden() {
    try {
        for (int art = 1; art < 4; ++art) {
            mFaeden[art - 1].reserve(mSchleifen[art].size());
            for (size_t i = 0; i < mSchleifen[art].size(); ++i) {
                Velm_Arbeitsschleife& schleife = *mSchleifen[art][i];
                mFaeden[art - 1].push_back(Plattform::StarteFaden(
                    kFadenNamen[art] + std::to_string(i), [this, &schleife] { Arbeitsschleife(schleife); }));
            }
        }
    } catch (const std::exception& ausnahme) {
        Velm_Konsole::Schreibe("Ausnahme bei Thread-Erstellung vom Typ \"%s\" mit Text \"%s",
                               Velm_Typname(typeid(ausnahme)).c_str(), ausnahme.what());
        throw;
    }
}

void Velm_ParallelKern::StoppeFaeden() {
    // One null per running worker: each loop ends on the first null it takes.
    for (int art = 1; art < 4; ++art)
        for (size_t i = 0; i < mFaeden[art - 1].size(); ++i)
            mWarteschlangen[art].enqueue(nullptr);
    for (std::vector<std::thread>& faeden : mFaeden)
        for (std::thread& faden : faeden)
            faden.join();
    for (std::vector<std::thread>& faeden : mFaeden)
        faeden.clear();
}

void Velm_ParallelKern::LoescheBloecke() {
    void* block = nullptr;
    while (mFreieBloecke.try_dequeue(block))
        LoescheBlock(static_cast<Velm_ParallelFaser*>(block));
    // Fibers still queued but never started hold nothing but their job. One that awaited holds
    // live frames on its stack that nobody can unwind now: its block stays mapped.
    for (Velm_FaserWarteschlange& warteschlange : mWarteschlangen) {
        Velm_ParallelFaser* faser = nullptr;
        while (warteschlange.try_dequeue(faser))
            if (faser && faser->Zustand() == Velm_FaserZustand::Eingereiht)
                LoescheBlock(faser);
    }
}

Velm_ParallelKern::~Velm_ParallelKern() {
    StoppeFaeden();
    gKern.store(nullptr);
    Velm_Konsole::Schreibe("Am Ende waren es %lld Alloks", static_cast<long long>(mAllokationen.load()));
    LoescheBloecke();
}

Velm_ParallelKern* Velm_ParallelKern::Kern() {
    return gKern.load(std::memory_order_acquire);
}

Velm_FaserHandle Velm_ParallelKern::StarteFaser(Velm_FaserArt art, const std::function<void()>& auftrag) {
    void* block = nullptr;
    Velm_ParallelFaser* faser;
    if (mFreieBloecke.try_dequeue(block)) {
        faser = static_cast<Velm_ParallelFaser*>(block);
    } else {
        faser = NeuerBlock();
        mAllokationen.fetch_add(1);
    }
    const uint64_t id = mNaechsteId.fetch_add(1);
    faser->Belege(id, art, auftrag);
    Einreihen(faser);
    return {faser, id};
}

void Velm_ParallelKern::Einreihen(Velm_ParallelFaser* faser) {
    const uint32_t art = uint32_t(faser->Art());
    if (art < 1 || art > 4)
        return;
    Velm_ParallelKern* const kern = Kern();
    if (!VELM_PRUEFE(kern, "Kein Parallelkern vorhanden.", "Velm_ParallelKern::Einreihen"))
        return;
    kern->mWarteschlangen[art - 1].enqueue(faser);
}

void Velm_ParallelKern::Warte(const Velm_FaserHandle& handle) {
    Velm_ParallelFaser* const faser = Velm_ParallelFaser::Aktuelle();
    if (!VELM_PRUEFE(faser, "Warten geht nur in einer Faser.", "Velm_ParallelKern::Warte"))
        return;
    faser->WarteAuf(handle);
}

void Velm_ParallelKern::GibFaserFrei(Velm_ParallelFaser* faser) {
    Velm_ParallelKern* const kern = Kern();
    if (!VELM_PRUEFE(kern, "Kein Parallelkern vorhanden.", "Velm_ParallelKern::GibFaserFrei"))
        return;
    faser->Zuruecksetzen();
    kern->mFreieBloecke.enqueue(faser);
}

void Velm_ParallelKern::BearbeiteHauptschleife() {
    Velm_Arbeitsschleife& schleife = *mSchleifen[0].front();
    Arbeitsschleife(schleife);
    schleife.LoescheStopp();
}

void Velm_ParallelKern::BeendeHauptschleife() {
    mSchleifen[0].front()->SetzeStopp();
}

// A fan-out queues its jobs one after the other, and a fiber that awaited is queued again within
// microseconds, so a loop that finds its queue empty looks again for a while before it sleeps:
// sleeping and being woken cost a system call on each side. It pauses between two looks, since
// every look reads the counter that each enqueue must write. On a busy machine those microseconds
// belong to other threads, often to the very one that would queue the next job: so after each
// round the loop offers its processor, and once another thread has taken it, it stops polling
// and sleeps.
Velm_ParallelFaser* Velm_ParallelKern::NaechsteFaser(Velm_FaserWarteschlange& warteschlange,
                                                     moodycamel::ConsumerToken& token) {
    Velm_ParallelFaser* faser = nullptr;
    for (int runde = 0; runde < kPollRunden; ++runde) {
        for (int blick = 0; blick < kPollBlicke; ++blick) {
            if (warteschlange.try_dequeue(token, faser))
                return faser;
            __builtin_ia32_pause();
        }
        const int64_t vorher = Plattform::LiesZaehler();
        std::this_thread::yield();
        if (Plattform::LiesZaehler() - vorher > kAbgegebenTicks)
            break;
    }
    warteschlange.wait_dequeue(token, faser);
    return faser;
}

void Velm_ParallelKern::Arbeitsschleife(Velm_Arbeitsschleife& schleife) {
    moodycamel::ConsumerToken token(schleife.mWarteschlange);
    while (!schleife.mStopp.load()) {
        Velm_ParallelFaser* const faser = NaechsteFaser(schleife.mWarteschlange, token);
        if (!faser)
            return;
        if (faser->FuehreHierAus())
            GibFaserFrei(faser);
    }
}
