#pragma once
// How each Direct3D 9 format the engine names is stored in OpenGL: internal format, upload
// format and type, and the swizzle that makes one- and two-channel formats read as on Direct3D 9.

#include "plattform/grafik9/d3d9.h"
#include "plattform/grafik9/gl_kopf.h"

#include <cstdint>

namespace Plattform {

struct GlFormat {
    D3DFORMAT d3d = D3DFMT_UNKNOWN;
    GLenum intern = 0;
    GLenum format = 0;
    GLenum typ = 0;
    uint32_t bytesProPixel = 0; // of a 4 x 4 block for the compressed formats
    bool komprimiert = false;
    bool tiefe = false;
    bool zielTauglich = false; // can be a render target
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// Null for a format the layer does not offer.
const GlFormat* SucheGlFormat(D3DFORMAT format);

// Bytes of one row of a level, and of the whole level (rows of 4 x 4 blocks when compressed).
uint64_t ZeilenBytes(const GlFormat& format, uint32_t breite);
uint64_t StufenBytes(const GlFormat& format, uint32_t breite, uint32_t hoehe);

// The number of levels of the full chain down to 1 x 1.
uint32_t VolleStufenZahl(uint32_t breite, uint32_t hoehe);

// Whether a rectangle of a compressed level of breite x hoehe covers whole 4 x 4 blocks: it starts
// on a block and ends on one or at the level's edge. GL refuses any other part of a block.
bool GanzeBloecke(const RECT& bereich, uint32_t breite, uint32_t hoehe);

// Where a rectangle lies in a level of `breite` stored as packed rows: the byte offset of its first
// pixel (or block), the level's row pitch, and the bytes and number of the rectangle's rows.
struct BereichImSpeicher {
    uint64_t versatz;
    uint64_t abstand;
    uint64_t zeile;
    uint64_t zeilen;
};
BereichImSpeicher LageImSpeicher(const GlFormat& format, uint32_t breite, const RECT& bereich);

// Copies `zeilen` rows of `bytes` between buffers of different row pitches.
void KopiereZeilen(uint8_t* ziel, uint64_t zielAbstand, const uint8_t* quelle, uint64_t quellAbstand,
                   uint64_t bytes, uint64_t zeilen);

} // namespace Plattform
