#pragma once
// A rectangular window onto pixel memory it does not own: copies between regions convert the
// pixel format, and copies into DXT regions compress each 4 x 4 block with libsquish.

#include "velmklassen/bild/velm_pixelformat.h"

#include <cstdint>

// A pixel in flight between formats: the components in memory order, normally in 0..1.
struct TPixelWert {
    float x = 0, y = 0, z = 0, w = 1;
};

// Half floats as the pixel formats store them. Halves with a zero exponent read as signed zero;
// on writing, magnitudes below the smallest normal half become signed zero, finite ones beyond
// the largest become 65504 (the conversion truncates), infinities stay infinite, NaN is 0x7E00.
float Velm_HalbZuFloat(uint16_t halb);
uint16_t Velm_FloatZuHalb(float wert);

// A region is a view: it is copied freely, and writing through a copy writes the same pixels.
// `Velm_Bild` begins with the same five fields, so every image level is a region of itself.
struct TBereich {
    uint8_t* mDaten = nullptr; // the first pixel, for DXT the first block
    Velm_Pixelformat mFormat = Velm_FormatA8R8G8B8;
    uint64_t mBreite = 0;
    uint64_t mHoehe = 0;
    uint64_t mPitch = 0; // bytes from one row of pixels to the next; DXT blocks span 4 rows

    // The w x h rectangle at (x, y) of the source, not tested against the source's size. On a
    // DXT source x and y must be multiples of 4; otherwise the result is an empty region.
    static TBereich LockSubBereich(const TBereich& quelle, uint64_t x, uint64_t y, uint64_t w, uint64_t h);

    // Copies the source from (x, y) to its right and bottom edges to this region's origin.
    void SchreibeInBereich(const TBereich& quelle, uint64_t x, uint64_t y) const;
    // Copies the top-left min(widths) x min(heights) pixels into the destination's pixels,
    // converting the format. DXT blocks are packed in buffers of the call, so copies on
    // different threads do not meet.
    void KopiereAus(const TBereich& ziel) const;

    // (0, 0, 0, 1) outside the region and for format 2.
    TPixelWert LiesPixel(uint64_t x, uint64_t y) const;
    // Writes nothing outside the region, for format 2 and for DXT (written by blocks).
    void SchreibePixel(uint64_t x, uint64_t y, const TPixelWert& wert) const;

    // Marks the top-left 16 x 16 pixels of an A8R8G8B8 region with 0x80FFFFFF and returns that
    // value; other regions stay untouched and the height is returned.
    uint64_t MarkiereEcke() const;
};
