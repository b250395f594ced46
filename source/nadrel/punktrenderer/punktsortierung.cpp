// The far-to-near order of the frame's items: a counting sort on the top 6 key bits spread over
// jobs, then one job per bucket on the next 6 bits, written mirrored so that far comes first.

#include "nadrel/punktrenderer/punktrenderer.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_parallelkern.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace Spiel {

namespace {

constexpr uint64_t kEimer = 64;
constexpr uint64_t kRing = 64;
constexpr uint64_t kGruppen = 16;
constexpr uint64_t kEimerJeGruppe = kEimer / kGruppen;

uint64_t Eimer(const Zeichenpunkt& punkt) {
    return punkt.mSchluessel >> 58;
}

uint64_t Untereimer(const Zeichenpunkt& punkt) {
    return (punkt.mSchluessel >> 52) & 63;
}

void Addiere(uint64_t summe[64], const uint64_t zeile[64]) {
    for (uint64_t b = 0; b < kEimer; ++b)
        summe[b] += zeile[b];
}

} // namespace

void Punktrenderer::ZaehleInstanz(const RenderInstanz& instanz, uint64_t zeile[64]) {
    uint64_t lokal[kEimer] = {};
    for (const Zeichenpunkt& punkt : instanz.mZeichenpunkte)
        ++lokal[Eimer(punkt)];
    std::memcpy(zeile, lokal, sizeof lokal);
}

void Punktrenderer::VerteileGruppe(Szene& welt, const uint64_t anfaenge[64], uint64_t gruppe) {
    const uint64_t erster = gruppe * kEimerJeGruppe;
    // Most items belong to the other 15 groups. They are written to a spare slot that never
    // advances instead of being branched around: the branch would be mispredicted all the time.
    Zeichenpunkt abfall;
    Zeichenpunkt* ziel[kEimerJeGruppe + 1] = {&abfall, &abfall, &abfall, &abfall, &abfall};
    for (uint64_t e = 0; e < kEimerJeGruppe; ++e)
        ziel[e] = mPunkteA.data() + anfaenge[erster + e];
    FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, const RenderInstanz& instanz) {
        for (const Zeichenpunkt& punkt : instanz.mZeichenpunkte) {
            const uint64_t eimer = Eimer(punkt);
            const uint64_t k =
                (eimer & ~(kEimerJeGruppe - 1)) == erster ? eimer & (kEimerJeGruppe - 1) : kEimerJeGruppe;
            *ziel[k] = punkt;
            ziel[k] += k < kEimerJeGruppe;
        }
    });
}

void Punktrenderer::SortiereEimer(uint64_t eimer, const uint64_t anzahl[64], const uint64_t anfaenge[64],
                                  uint64_t n) {
    const Zeichenpunkt* quelle = mPunkteA.data() + anfaenge[eimer];
    const uint64_t menge = anzahl[eimer];
    if (menge == 0)
        return;
    uint64_t haeufigkeit[kEimer] = {};
    for (uint64_t k = 0; k < menge; ++k)
        ++haeufigkeit[Untereimer(quelle[k])];

    // Cursors run downwards from the bucket's mirrored end: sub-bucket 0, the farthest, on top.
    uint64_t cursor[kEimer];
    uint64_t summe = 0;
    const uint64_t ende = n - anfaenge[eimer] - 1;
    for (uint64_t s = 0; s < kEimer; ++s) {
        cursor[s] = ende - summe;
        summe += haeufigkeit[s];
    }
    if (!VELM_PRUEFE(summe == menge, "stidx == anzahl", "Spiel::Renderer::SortiereEimer"))
        return;
    Zeichenpunkt* ziel = mPunkteB.data();
    for (uint64_t k = 0; k < menge; ++k)
        ziel[cursor[Untereimer(quelle[k])]--] = quelle[k];
}

void Punktrenderer::SortiereZeichenpunkte(Szene& welt, uint64_t anzahl[64], uint64_t anfaenge[64]) {
    Velm_ParallelKern& kern = *Velm_ParallelKern::Kern();

    // At most 64 counting jobs in flight; a row is added when its ring entry is reused or at the end.
    // 32 KiB: on the heap rather than the calling fiber's small stack.
    std::vector<std::array<uint64_t, kEimer>> zeilen(kRing);
    Velm_FaserHandle ring[kRing];
    uint64_t k = 0;
    FuerAlleBelegten(welt.mInstanzen, [&](uint64_t, const RenderInstanz& instanz) {
        if (ring[k].mFaser) {
            Velm_ParallelKern::Warte(ring[k]);
            Addiere(anzahl, zeilen[k].data());
        }
        uint64_t* zeile = zeilen[k].data();
        ring[k] = kern.StarteSofort([&instanz, zeile] { ZaehleInstanz(instanz, zeile); });
        k = (k + 1) % kRing;
    });
    for (uint64_t r = 0; r < kRing; ++r)
        if (ring[r].mFaser)
            Velm_ParallelKern::Warte(ring[r]);
    for (uint64_t r = 0; r < kRing; ++r)
        Addiere(anzahl, zeilen[r].data());

    uint64_t n = 0;
    for (uint64_t b = 0; b < kEimer; ++b) {
        anfaenge[b] = n;
        n += anzahl[b];
    }
    if (mPunkteA.size() < n) {
        mPunkteA.resize(std::bit_floor(n) << 1);
        mPunkteB.resize(mPunkteA.size());
    }

    Velm_FaserHandle gruppen[kGruppen];
    for (uint64_t j = 0; j < kGruppen; ++j)
        gruppen[j] = kern.StarteSofort([this, &welt, anfaenge, j] { VerteileGruppe(welt, anfaenge, j); });
    for (const Velm_FaserHandle& handle : gruppen)
        Velm_ParallelKern::Warte(handle);

    // Interleaved start order: 0, 4, ..., 60, 1, 5, ..., 63.
    Velm_FaserHandle eimer[kEimer];
    for (uint64_t i = 0; i < kEimer; ++i) {
        const uint64_t b = ((i & 15) << 2) | ((i >> 4) & 3);
        eimer[i] =
            kern.StarteSofort([this, anzahl, anfaenge, b, n] { SortiereEimer(b, anzahl, anfaenge, n); });
    }
    for (const Velm_FaserHandle& handle : eimer)
        Velm_ParallelKern::Warte(handle);

    mPunkteA.swap(mPunkteB);
}

} // namespace Spiel
