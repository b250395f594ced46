#pragma once
// Engine time: timers that count performance-counter ticks, advance once per frame by the smoothed
// frame interval and fire scheduled callbacks. The global timer's time is the engine's clock.

#include "plattform/system/plattform_system.h"

#include <boost/function.hpp>

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

// The performance counter's ticks per second and the forms the engine computes with. Constant,
// so they hold their values before any static initialiser runs.
constexpr int64_t gZaehlerFrequenz = Plattform::kZaehlerFrequenz;
constexpr float gZaehlerFrequenzF = float(gZaehlerFrequenz);
constexpr float gZaehlerPeriodeF = 1.0f / gZaehlerFrequenzF;
constexpr double gZaehlerFrequenzD = double(gZaehlerFrequenz);
constexpr double gZaehlerPeriodeD = 1.0 / gZaehlerFrequenzD;

struct Velm_ZeitgeberEintrag {
    uint64_t mId;
    int64_t mFaellig; // due once the timer's time is past it
    boost::function<void()> mAufruf;
};

class Velm_Zeitgeber {
public:
    // The id no scheduled callback ever gets: callers keep it for "nothing scheduled".
    static constexpr uint64_t kKeinAufruf = ~uint64_t(0);

    using Zaehler = int64_t (*)();

    // The engine's clock. It starts at time 0 and exists before the program entry; the first call
    // builds it, so other static initialisers may use it too.
    static Velm_Zeitgeber& Global();

    // A timer that starts 0.02 s ahead of zero. Tests pass their own counter.
    Velm_Zeitgeber();
    explicit Velm_Zeitgeber(Zaehler zaehler);
    Velm_Zeitgeber(const Velm_Zeitgeber&) = delete;
    Velm_Zeitgeber& operator=(const Velm_Zeitgeber&) = delete;

    // Once per frame: steps by the mean of the last two frame intervals times the speed, at most
    // by the maximum step; while paused the time stands still and nothing fires.
    void Aktualisiere();
    // Advances by the given ticks and fires every callback that has become due, in the order in
    // which they were scheduled.
    void Schritt(int64_t ticks);
    void Pausiere() { mPausiert = true; }
    void SetzeFort() { mPausiert = false; }
    // 0 or a negative value removes the limit.
    void SetMaxSchritt(int64_t ticks) { mMaxSchritt = ticks > 0 ? ticks : 0; }

    // Schedules a callable on the global timer, whichever timer it is called on: it runs in the
    // first step after which the global time is past now + verzoegerung. Returns its id, or
    // kKeinAufruf (after a check report) for an empty callable.
    template <typename F> static uint64_t PlaneAufruf(int64_t verzoegerung, F aufruf) {
        boost::function<void()> huelle;
        // Function pointers and function wrappers may be empty; wrapped once more they would not
        // look empty any more. A lambda without captures is never empty.
        if constexpr (std::is_pointer_v<F> || (std::is_constructible_v<bool, const F&> &&
                                               !std::is_convertible_v<const F&, void (*)()>)) {
            if (aufruf)
                huelle = std::move(aufruf);
        } else {
            huelle = std::move(aufruf);
        }
        return Plane(verzoegerung, std::move(huelle));
    }
    // Cancels a callback of the global timer; unknown ids change nothing. A callback may cancel
    // others of the same step: they will not fire.
    static void EntferneAufruf(uint64_t id);

    bool Pausiert() const { return mPausiert; }
    int64_t Zeit() const { return mZeit; }
    int64_t LetzterSchritt() const { return mLetzterSchritt; }
    size_t AnzahlAufrufe() const { return mEintraege.size(); }

private:
    struct OhneVorlauf {};
    Velm_Zeitgeber(Zaehler zaehler, OhneVorlauf);

    static uint64_t Plane(int64_t verzoegerung, boost::function<void()> aufruf);
    void Entferne(uint64_t id);

    Zaehler mZaehler;
    bool mPausiert = false;
    int64_t mLetzteMessung = 0;
    int64_t mVorletzteMessung = 0;
    int64_t mZeit = 0;
    int64_t mLetzterSchritt = 0;
    double mTempo = 1.0;
    int64_t mMaxSchritt = 0;
    std::vector<Velm_ZeitgeberEintrag> mEintraege;
    bool mFeuert = false;
    std::vector<uint64_t> mZuEntfernen;
};
