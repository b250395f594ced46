#pragma once
// Hands out rectangles of a fixed-size area, such as the places of sprites in an atlas: used and
// free rectangle lists, new rectangles at the highest free corner, freed ones merged back.

#include "velmklassen/kern/velm_speicher.h"

#include <cstdint>
#include <vector>

struct TPlatzRechteck {
    uint64_t x = 0, y = 0, breite = 0, hoehe = 0;

    uint64_t Rechts() const { return x + breite; }
    uint64_t Unten() const { return y + hoehe; }
    // Each one's left edge lies left of the other's right edge, and the same for top and bottom.
    bool Ueberlappt(const TPlatzRechteck& r) const {
        return x < r.Rechts() && r.x < Rechts() && y < r.Unten() && r.y < Unten();
    }
    friend bool operator==(const TPlatzRechteck&, const TPlatzRechteck&) = default;
};

class TPlatz {
public:
    // The "PLTZ" segment; from version 0x102 on it carries the area's size.
    static constexpr uint32_t kVersion = 0x102;

    // Sets the area and reserves room for n rectangles in both lists.
    void Init(uint64_t breite, uint64_t hoehe, uint64_t n);
    // Places a breite x hoehe rectangle at the top-left corner of a free rectangle: the highest
    // such corner where it fits inside the area without touching a used rectangle, the first in
    // list order on ties. False when there is none.
    bool FindePlatz(uint64_t breite, uint64_t hoehe, uint64_t& x, uint64_t& y);
    // Frees the used rectangle whose top-left corner is (x, y); an unknown corner is reported.
    void GibPlatzFrei(uint64_t x, uint64_t y);
    // Empties both lists; the area stays.
    void Leere();

    // Loads both lists (and, from version 0x102, the area) from a "PLTZ" segment at the buffer's
    // position, or from the older layout without a frame (free rectangles only). Data that is
    // cut short or counts more rectangles than it holds is reported and leaves the lists empty.
    bool Lade(TSpeicher& speicher);
    // Writes the state as a "PLTZ" segment of the current version. Values beyond 32 bits do not
    // fit the format: reported, nothing written.
    bool Speichere(TSpeicher& speicher) const;

    // Removes every free rectangle that overlaps the placed one and adds the parts of it above,
    // left, right and below the placed one.
    void TeileFreiePlaetze(const TPlatzRechteck& platz);
    // Merges a free rectangle into the first free one it continues with the same extent, or
    // appends it.
    void AddFreienPlatz(const TPlatzRechteck& r);

    uint64_t Breite() const { return mBreite; }
    uint64_t Hoehe() const { return mHoehe; }
    const std::vector<TPlatzRechteck>& Belegt() const { return mBelegt; }
    const std::vector<TPlatzRechteck>& Frei() const { return mFrei; }

private:
    uint64_t mBreite = 0;
    uint64_t mHoehe = 0;
    std::vector<TPlatzRechteck> mBelegt;
    std::vector<TPlatzRechteck> mFrei;
};
