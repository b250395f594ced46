#pragma once
// The box layout a container may own: its children in a row or a column inside the container's
// size, spaced by "elmAbstand.x" and "elmAbstand.y", the block aligned in the free space.

#include "velmklassen/kern/velm_vektor.h"

#include <cstdint>

namespace Gui {

class VaterBasis;

class Anordnung {
public:
    enum Art : uint32_t { kZeile = 0, kSpalte = 1 };

    // A centred column.
    Anordnung() = default;
    Anordnung(uint32_t art, float ausrichtungX, float ausrichtungY)
        : mArt(art), mAusrichtungX(ausrichtungX), mAusrichtungY(ausrichtungY) {}

    // Sizes the active children with an automatic size (preferred size plus their share of the
    // leftover space) and places those whose position is set by layout.
    void OrdneZeile(VaterBasis& vater) const;
    void OrdneSpalte(VaterBasis& vater) const;
    // Counts every child, active or not; (0, 0, 0) for an unknown kind.
    BVektor GibWunschGroesse(const VaterBasis& vater) const;

    uint32_t mArt = kSpalte; // other kinds lay out nothing
    // Where the block sits in the free space: 0 left or top, 0.5 centred, 1 right or bottom.
    float mAusrichtungX = 0.5f;
    float mAusrichtungY = 0.5f;
};

} // namespace Gui
