#include "velmklassen/kern/velm_zeitgeber.h"

#include "velmklassen/kern/velm_ausnahme.h"

#include <algorithm>

namespace {
// Ids are unique for the whole process and start at 0. Constant-initialised, so a callback
// scheduled from another static initialiser still gets id 0 first.
constinit uint64_t gNaechsteId = 0;
} // namespace

Velm_Zeitgeber& Velm_Zeitgeber::Global() {
    // Built without the 0.02 s head start of other timers: the engine's clock starts at 0.
    static Velm_Zeitgeber zeitgeber(&Plattform::LiesZaehler, OhneVorlauf{});
    return zeitgeber;
}

// Like the rest of the engine core's process-wide objects, the global timer exists before the
// program entry runs, so its first frame interval is measured from then.
[[maybe_unused]] static Velm_Zeitgeber& gZeitgeberBeimStart = Velm_Zeitgeber::Global();

Velm_Zeitgeber::Velm_Zeitgeber(Zaehler zaehler, OhneVorlauf) : mZaehler(zaehler), mLetzteMessung(zaehler()) {}

Velm_Zeitgeber::Velm_Zeitgeber(Zaehler zaehler) : Velm_Zeitgeber(zaehler, OhneVorlauf{}) {
    Schritt(int64_t(gZaehlerFrequenzF * 0.02));
}

Velm_Zeitgeber::Velm_Zeitgeber() : Velm_Zeitgeber(&Plattform::LiesZaehler) {}

void Velm_Zeitgeber::Aktualisiere() {
    const int64_t frueher = mVorletzteMessung;
    mVorletzteMessung = mLetzteMessung;
    mLetzteMessung = mZaehler();
    if (mPausiert) {
        mLetzterSchritt = 0;
        return;
    }
    // Half the time since the update before the last one: the mean of the last two intervals.
    // Right after construction that is measured from 0, so the maximum step applies.
    const int64_t mittel = (mLetzteMessung - frueher) >> 1;
    int64_t schritt = int64_t(double(mittel) * gZaehlerPeriodeD * mTempo * gZaehlerFrequenzD);
    if (mMaxSchritt > 0)
        schritt = std::min(schritt, mMaxSchritt);
    Schritt(schritt);
}

void Velm_Zeitgeber::Schritt(int64_t ticks) {
    mZeit += ticks;
    mLetzterSchritt = ticks;
    mFeuert = true;
    // Callbacks may schedule and cancel others, so the list is re-read after every call. A due
    // entry leaves the list before it runs: an entry added by its callable may move the list.
    for (size_t i = 0; i < mEintraege.size();) {
        Velm_ZeitgeberEintrag& eintrag = mEintraege[i];
        if (std::find(mZuEntfernen.begin(), mZuEntfernen.end(), eintrag.mId) != mZuEntfernen.end()) {
            ++i;
        } else if (eintrag.mFaellig < mZeit) {
            const boost::function<void()> aufruf = std::move(eintrag.mAufruf);
            mEintraege.erase(mEintraege.begin() + ptrdiff_t(i));
            aufruf();
        } else {
            ++i;
        }
    }
    mFeuert = false;

    while (!mZuEntfernen.empty()) {
        Entferne(mZuEntfernen.back());
        mZuEntfernen.pop_back();
    }
}

uint64_t Velm_Zeitgeber::Plane(int64_t verzoegerung, boost::function<void()> aufruf) {
    if (!VELM_PRUEFE(!aufruf.empty(), "Leerer Aufruf", "Velm_Zeitgeber::PlaneAufruf"))
        return kKeinAufruf;
    // 2^64 schedules are out of reach, so the counter never gets to kKeinAufruf.
    Velm_Zeitgeber& global = Global();
    const uint64_t id = gNaechsteId++;
    global.mEintraege.push_back({id, global.mZeit + verzoegerung, std::move(aufruf)});
    return id;
}

void Velm_Zeitgeber::EntferneAufruf(uint64_t id) {
    Velm_Zeitgeber& global = Global();
    if (global.mFeuert)
        global.mZuEntfernen.push_back(id);
    else
        global.Entferne(id);
}

void Velm_Zeitgeber::Entferne(uint64_t id) {
    const auto it = std::find_if(mEintraege.begin(), mEintraege.end(),
                                 [id](const Velm_ZeitgeberEintrag& eintrag) { return eintrag.mId == id; });
    if (it != mEintraege.end())
        mEintraege.erase(it);
}
