#include "velmklassen/kern/velm_platz.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_segmentleser.h"

#include <algorithm>

namespace {

constexpr uint32_t kPlatzKennung = Velm_Kennung("PLTZ");
// x, y, width and height, each a big-endian u32.
constexpr uint64_t kRechteckBytes = 16;

// Tests by position rather than by the buffer's sticky overrun state, which a caller's earlier
// reads may have set already.
bool LiesWort(TSpeicher& speicher, uint64_t& wert) {
    if (speicher.Rest() < 4)
        return false;
    wert = Velm_LiesU32BE(speicher);
    return true;
}

// A count and that many rectangles. The count is tested against the bytes that can hold them
// before anything is reserved, so a corrupt count cannot claim gigabytes.
bool LiesRechtecke(TSpeicher& speicher, const TSegmentLeser* segment, std::vector<TPlatzRechteck>& liste) {
    uint64_t anzahl;
    if (!LiesWort(speicher, anzahl))
        return false;
    const uint64_t verfuegbar = segment ? segment->Rest() : speicher.Rest();
    if (anzahl > verfuegbar / kRechteckBytes)
        return false;
    liste.resize(anzahl);
    for (TPlatzRechteck& r : liste) {
        r.x = Velm_LiesU32BE(speicher);
        r.y = Velm_LiesU32BE(speicher);
        r.breite = Velm_LiesU32BE(speicher);
        r.hoehe = Velm_LiesU32BE(speicher);
    }
    return true;
}

} // namespace

void TPlatz::Init(uint64_t breite, uint64_t hoehe, uint64_t n) {
    mBreite = breite;
    mHoehe = hoehe;
    mBelegt.reserve(n);
    mFrei.reserve(n);
}

bool TPlatz::FindePlatz(uint64_t breite, uint64_t hoehe, uint64_t& x, uint64_t& y) {
    if (mBelegt.empty() && mFrei.empty())
        mFrei.push_back({0, 0, mBreite, mHoehe});
    if (breite > mBreite || hoehe > mHoehe)
        return false;

    // Only a free rectangle's corner is a candidate; its own size does not matter, since the
    // free rectangles together cover everything that no used one does.
    uint64_t besterX = 0;
    uint64_t besterY = mHoehe;
    for (const TPlatzRechteck& frei : mFrei) {
        if (frei.y >= besterY || frei.x > mBreite - breite || frei.y > mHoehe - hoehe)
            continue;
        const TPlatzRechteck kandidat{frei.x, frei.y, breite, hoehe};
        const bool belegt = std::any_of(mBelegt.begin(), mBelegt.end(),
                                        [&](const TPlatzRechteck& b) { return b.Ueberlappt(kandidat); });
        if (!belegt) {
            besterX = frei.x;
            besterY = frei.y;
        }
    }
    if (besterY == mHoehe)
        return false;

    const TPlatzRechteck platz{besterX, besterY, breite, hoehe};
    TeileFreiePlaetze(platz);
    mBelegt.push_back(platz);
    x = besterX;
    y = besterY;
    return true;
}

void TPlatz::TeileFreiePlaetze(const TPlatzRechteck& p) {
    // Pieces appended at the end are walked as well; none of them overlaps p, so the walk ends.
    for (size_t i = 0; i < mFrei.size();) {
        const TPlatzRechteck f = mFrei[i];
        if (!f.Ueberlappt(p)) {
            ++i;
            continue;
        }
        mFrei.erase(mFrei.begin() + ptrdiff_t(i));
        const uint64_t bandOben = std::max(f.y, p.y);
        const uint64_t bandUnten = std::min(f.Unten(), p.Unten());
        if (f.y < p.y)
            AddFreienPlatz({f.x, f.y, f.breite, p.y - f.y});
        if (f.x < p.x)
            AddFreienPlatz({f.x, bandOben, p.x - f.x, bandUnten - bandOben});
        if (f.Rechts() > p.Rechts())
            AddFreienPlatz({p.Rechts(), bandOben, f.Rechts() - p.Rechts(), bandUnten - bandOben});
        if (f.Unten() > p.Unten())
            AddFreienPlatz({f.x, p.Unten(), f.breite, f.Unten() - p.Unten()});
    }
}

void TPlatz::AddFreienPlatz(const TPlatzRechteck& r) {
    // One merge only: the grown rectangle is not merged on with its own neighbours.
    for (TPlatzRechteck& f : mFrei) {
        if (f.x == r.x && f.breite == r.breite) {
            if (f.y == r.Unten()) {
                f.y -= r.hoehe;
                f.hoehe += r.hoehe;
                return;
            }
            if (f.Unten() == r.y) {
                f.hoehe += r.hoehe;
                return;
            }
        }
        if (f.y == r.y && f.hoehe == r.hoehe) {
            if (f.x == r.Rechts()) {
                f.x -= r.breite;
                f.breite += r.breite;
                return;
            }
            if (f.Rechts() == r.x) {
                f.breite += r.breite;
                return;
            }
        }
    }
    mFrei.push_back(r);
}

void TPlatz::GibPlatzFrei(uint64_t x, uint64_t y) {
    const auto belegt = std::find_if(mBelegt.begin(), mBelegt.end(),
                                     [&](const TPlatzRechteck& b) { return b.x == x && b.y == y; });
    if (belegt == mBelegt.end()) {
        VELM_BERICHT("Segment nicht in Platzverwaltung gefunden", "TPlatz::GibPlatzFrei");
        return;
    }
    AddFreienPlatz(*belegt);
    mBelegt.erase(belegt);
}

void TPlatz::Leere() {
    mBelegt.clear();
    mFrei.clear();
}

bool TPlatz::Lade(TSpeicher& speicher) {
    Leere();
    uint64_t breite = mBreite;
    uint64_t hoehe = mHoehe;
    std::vector<TPlatzRechteck> belegt;
    std::vector<TPlatzRechteck> frei;
    uint64_t kopf;
    bool gelesen = LiesWort(speicher, kopf);
    if (gelesen && kopf != kPlatzKennung) {
        // The older layout: the word just read is unused, then the free rectangles follow.
        gelesen = LiesRechtecke(speicher, nullptr, frei);
    } else if (gelesen) {
        speicher.Ueberspringe(-4);
        // The reader's destructor checks the end marker when it goes out of scope.
        TSegmentLeser segment(speicher, kPlatzKennung);
        if (segment.Version() >= 0x102)
            gelesen = LiesWort(speicher, breite) && LiesWort(speicher, hoehe);
        gelesen =
            gelesen && LiesRechtecke(speicher, &segment, belegt) && LiesRechtecke(speicher, &segment, frei);
    }
    if (!gelesen) {
        Velm_Konsole::Schreibe("!TPlatz::Lade: Platzdaten sind abgeschnitten oder beschädigt.");
        return false;
    }
    mBreite = breite;
    mHoehe = hoehe;
    mBelegt = std::move(belegt);
    mFrei = std::move(frei);
    return true;
}

bool TPlatz::Speichere(TSpeicher& speicher) const {
    const auto passt = [](const TPlatzRechteck& r) {
        return r.x <= UINT32_MAX && r.y <= UINT32_MAX && r.breite <= UINT32_MAX && r.hoehe <= UINT32_MAX;
    };
    const bool allesPasst = mBreite <= UINT32_MAX && mHoehe <= UINT32_MAX &&
                            std::all_of(mBelegt.begin(), mBelegt.end(), passt) &&
                            std::all_of(mFrei.begin(), mFrei.end(), passt);
    if (!VELM_PRUEFE(allesPasst, "Platzverwaltung passt nicht in 32-Bit-Werte", "TPlatz::Speichere"))
        return false;

    const uint64_t laengenStelle = Velm_BeginneSegment(speicher, kPlatzKennung, kVersion, true);
    Velm_SchreibeU32BE(speicher, uint32_t(mBreite));
    Velm_SchreibeU32BE(speicher, uint32_t(mHoehe));
    for (const std::vector<TPlatzRechteck>* liste : {&mBelegt, &mFrei}) {
        Velm_SchreibeU32BE(speicher, uint32_t(liste->size()));
        for (const TPlatzRechteck& r : *liste) {
            Velm_SchreibeU32BE(speicher, uint32_t(r.x));
            Velm_SchreibeU32BE(speicher, uint32_t(r.y));
            Velm_SchreibeU32BE(speicher, uint32_t(r.breite));
            Velm_SchreibeU32BE(speicher, uint32_t(r.hoehe));
        }
    }
    Velm_BeendeSegment(speicher, kPlatzKennung, laengenStelle);
    return true;
}
