#include "velmklassen/kern/velm_parallelfaser.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define VELM_ADRESSPRUEFUNG 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELM_ADRESSPRUEFUNG 1
#endif
#endif

#ifdef VELM_ADRESSPRUEFUNG
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

using boost::context::detail::jump_fcontext;
using boost::context::detail::make_fcontext;
using boost::context::detail::transfer_t;

namespace {

// AddressSanitizer tracks which stack the thread is on. It must hear of every switch, or it takes
// the fiber stacks for wild memory and the worker stacks' frames for leftovers. Without it these
// cost nothing.
void BeginneWechsel([[maybe_unused]] void** falscherStapel, [[maybe_unused]] const void* ziel,
                    [[maybe_unused]] size_t zielGroesse) {
#ifdef VELM_ADRESSPRUEFUNG
    __sanitizer_start_switch_fiber(falscherStapel, ziel, zielGroesse);
#endif
}

void BeendeWechsel([[maybe_unused]] void* falscherStapel, [[maybe_unused]] const void** herkunft,
                   [[maybe_unused]] size_t* herkunftGroesse) {
#ifdef VELM_ADRESSPRUEFUNG
    __sanitizer_finish_switch_fiber(falscherStapel, herkunft, herkunftGroesse);
#endif
}

// A finished fiber never returns from its frames, so their poisoned red zones would greet the
// next job on the same stack.
void EntgifteStapel([[maybe_unused]] void* unten, [[maybe_unused]] size_t groesse) {
#ifdef VELM_ADRESSPRUEFUNG
    ASAN_UNPOISON_MEMORY_REGION(unten, groesse);
#endif
}

thread_local Velm_ParallelFaser* tAktuelleFaser = nullptr;

} // namespace

// A fiber that awaited may resume on another thread, but the compiler may keep the address of a
// thread_local across the switch, as if the thread were still the same. The slot is therefore
// only touched inside these two, which the optimiser may neither inline nor look into.
#if defined(__clang__)
#define VELM_UNDURCHSICHTIG __attribute__((noinline))
#else
#define VELM_UNDURCHSICHTIG __attribute__((noipa))
#endif

VELM_UNDURCHSICHTIG Velm_ParallelFaser* Velm_ParallelFaser::Aktuelle() {
    return tAktuelleFaser;
}

VELM_UNDURCHSICHTIG void Velm_ParallelFaser::SetzeAktuelle(Velm_ParallelFaser* faser) {
    tAktuelleFaser = faser;
}

std::string Velm_Typname(const std::type_info& typ) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> lesbar(
        abi::__cxa_demangle(typ.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && lesbar ? std::string(lesbar.get()) : std::string(typ.name());
}

Velm_ParallelFaser::Velm_ParallelFaser(std::byte* stapelOben, size_t stapelGroesse)
    : mStapelOben(stapelOben), mStapelGroesse(stapelGroesse) {}

Velm_ParallelFaser::Velm_ParallelFaser(uint64_t id, Velm_FaserArt art, const std::function<void()>& auftrag,
                                       std::byte* stapelOben, size_t stapelGroesse)
    : Velm_ParallelFaser(stapelOben, stapelGroesse) {
    Belege(id, art, auftrag);
}

void Velm_ParallelFaser::Sperre() {
    for (;;) {
        uint8_t frei = 0;
        if (mSperre.compare_exchange_weak(frei, 1, std::memory_order_acquire, std::memory_order_relaxed))
            return;
        while (mSperre.load(std::memory_order_relaxed) != 0)
            __builtin_ia32_pause();
    }
}

void Velm_ParallelFaser::Entsperre() {
    mSperre.store(0, std::memory_order_release);
}

void Velm_ParallelFaser::Belege(uint64_t id, Velm_FaserArt art, const std::function<void()>& auftrag) {
    EntgifteStapel(mStapelOben - mStapelGroesse, mStapelGroesse);
    mAuftrag = auftrag;
    mKontext = make_fcontext(mStapelOben, mStapelGroesse, &Einstieg);
    mRueckKontext = nullptr;
    mNaechsterWartender = nullptr;
    mWarteZiel = {};
    mAusstehend.store(0, std::memory_order_relaxed);
    mArt = art;
    // A stale handle may be looking at this block under its lock right now; it must see either
    // the old id or the whole new fiber.
    Sperre();
    mId = id;
    mWartender = nullptr;
    mZustand.store(Velm_FaserZustand::Eingereiht, std::memory_order_release);
    Entsperre();
}

void Velm_ParallelFaser::Zuruecksetzen() {
    Sperre();
    mArt = Velm_FaserArt::Frei;
    mZustand.store(Velm_FaserZustand::Frei, std::memory_order_release);
    mId = kKeineId;
    mWartender = nullptr;
    Entsperre();
    // Outside the lock: the job's captures may do anything when they die.
    mAuftrag = nullptr;
}

void Velm_ParallelFaser::Einstieg(transfer_t uebergabe) {
    Velm_ParallelFaser* const faser = static_cast<Velm_ParallelFaser*>(uebergabe.data);
    BeendeWechsel(nullptr, &faser->mRueckStapel, &faser->mRueckStapelGroesse);
    faser->mRueckKontext = uebergabe.fctx;

    faser->Sperre();
    faser->mZustand.store(Velm_FaserZustand::Laeuft, std::memory_order_release);
    faser->Entsperre();

    SetzeAktuelle(faser);
    faser->FuehreAuftragAus();
    faser->Beende();

    // Nothing with a destructor may live in this frame: it is left for good here. The fiber
    // may have moved to another thread while awaiting, so the return context is the latest one.
    BeginneWechsel(nullptr, faser->mRueckStapel, faser->mRueckStapelGroesse);
    jump_fcontext(faser->mRueckKontext, nullptr);
    __builtin_unreachable();
}

void Velm_ParallelFaser::FuehreAuftragAus() {
    try {
        mAuftrag();
    } catch (const std::exception& ausnahme) {
        Velm_Konsole::Schreibe("Unbehandelte Ausnahme %s wegen \"%s\" bei Faser-Ausführung.",
                               Velm_Typname(typeid(ausnahme)).c_str(), ausnahme.what());
    } catch (...) {
        Velm_Konsole::Schreibe("Unbehandelte sonstige Ausnahme bei Faser-Ausführung.");
    }
}

void Velm_ParallelFaser::Beende() {
    Sperre();
    mZustand.store(Velm_FaserZustand::Fertig, std::memory_order_release);
    Velm_ParallelFaser* wartender = std::exchange(mWartender, nullptr);
    Entsperre();

    while (wartender) {
        // Read the link before queueing: once queued, the waiter may run and await again.
        Velm_ParallelFaser* const naechster = std::exchange(wartender->mNaechsterWartender, nullptr);
        if (wartender->mAusstehend.fetch_sub(1, std::memory_order_acq_rel) == 1)
            Velm_ParallelKern::Einreihen(wartender);
        wartender = naechster;
    }
}

bool Velm_ParallelFaser::FuehreHierAus() {
    Velm_ParallelFaser* const vorher = Aktuelle();
    SetzeAktuelle(this);
    void* falscherStapel = nullptr;
    BeginneWechsel(&falscherStapel, mStapelOben - mStapelGroesse, mStapelGroesse);
    const transfer_t zurueck = jump_fcontext(mKontext, this);
    BeendeWechsel(falscherStapel, nullptr, nullptr);
    mKontext = zurueck.fctx;
    SetzeAktuelle(vorher);

    if (Zustand() == Velm_FaserZustand::Fertig)
        return true;
    if (mWarteZiel.mFaser) {
        // From here on another thread may resume the fiber: it is not touched again.
        const Velm_FaserHandle ziel = std::exchange(mWarteZiel, Velm_FaserHandle{});
        MeldeWartenAn(ziel);
    }
    return false;
}

void Velm_ParallelFaser::Unterbreche() {
    SetzeAktuelle(nullptr);
    void* falscherStapel = nullptr;
    BeginneWechsel(&falscherStapel, mRueckStapel, mRueckStapelGroesse);
    const transfer_t weiter = jump_fcontext(mRueckKontext, nullptr);
    BeendeWechsel(falscherStapel, &mRueckStapel, &mRueckStapelGroesse);
    mRueckKontext = weiter.fctx;
    SetzeAktuelle(this);
}

bool Velm_ParallelFaser::LaeuftGesperrt(uint64_t id) const {
    const Velm_FaserZustand zustand = Zustand();
    return mId == id && (zustand == Velm_FaserZustand::Eingereiht || zustand == Velm_FaserZustand::Laeuft);
}

bool Velm_ParallelFaser::LaeuftNoch(uint64_t id) {
    Sperre();
    const bool laeuft = LaeuftGesperrt(id);
    Entsperre();
    return laeuft;
}

void Velm_ParallelFaser::WarteAuf(const Velm_FaserHandle& ziel) {
    if (!ziel.mFaser)
        return;
    if (!VELM_PRUEFE(Aktuelle() == this, "Nur die laufende Faser kann warten.",
                     "Velm_ParallelFaser::WarteAuf"))
        return;
    if (!ziel.mFaser->LaeuftNoch(ziel.mId))
        return;
    if (!VELM_PRUEFE(ziel.mFaser != this, "Eine Faser kann nicht auf sich selbst warten.",
                     "Velm_ParallelFaser::WarteAuf"))
        return;
    mWarteZiel = ziel;
    Unterbreche();
}

void Velm_ParallelFaser::MeldeWartenAn(const Velm_FaserHandle& ziel) {
    Velm_ParallelFaser* const faser = ziel.mFaser;
    faser->Sperre();
    if (faser->LaeuftGesperrt(ziel.mId)) {
        mNaechsterWartender = faser->mWartender;
        faser->mWartender = this;
        mAusstehend.fetch_add(1, std::memory_order_acq_rel);
        faser->Entsperre();
        return;
    }
    faser->Entsperre();
    // It finished between the fiber's look and its switch-out: carry on at once.
    Velm_ParallelKern::Einreihen(this);
}
