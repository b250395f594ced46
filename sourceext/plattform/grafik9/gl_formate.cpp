#include "plattform/grafik9/gl_formate.h"

#include <algorithm>
#include <cstring>

namespace Plattform {

namespace {

GlFormat Farbe(D3DFORMAT d3d, GLenum intern, GLenum format, GLenum typ, uint32_t bytes) {
    GlFormat f;
    f.d3d = d3d;
    f.intern = intern;
    f.format = format;
    f.typ = typ;
    f.bytesProPixel = bytes;
    f.zielTauglich = true;
    return f;
}

GlFormat MitSwizzle(GlFormat f, GLint r, GLint g, GLint b, GLint a) {
    f.swizzle[0] = r;
    f.swizzle[1] = g;
    f.swizzle[2] = b;
    f.swizzle[3] = a;
    return f;
}

GlFormat Komprimiert(D3DFORMAT d3d, GLenum intern, uint32_t blockBytes) {
    GlFormat f;
    f.d3d = d3d;
    f.intern = intern;
    f.bytesProPixel = blockBytes;
    f.komprimiert = true;
    return f;
}

GlFormat Tiefe(D3DFORMAT d3d, GLenum intern, uint32_t bytes) {
    GlFormat f;
    f.d3d = d3d;
    f.intern = intern;
    f.format = GL_DEPTH_COMPONENT;
    f.typ = GL_UNSIGNED_INT;
    f.bytesProPixel = bytes;
    f.tiefe = true;
    return f;
}

// Direct3D 9 fills the channels a format lacks with 1, except A8, which reads (0, 0, 0, a).
const GlFormat kFormate[] = {
    Farbe(D3DFMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4),
    // Stored without alpha, so reading it gives X = 0xFF and DESTALPHA blends with 1.
    Farbe(D3DFMT_X8R8G8B8, GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4),
    Farbe(D3DFMT_R5G6B5, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2),
    MitSwizzle(Farbe(D3DFMT_X1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2), GL_RED,
               GL_GREEN, GL_BLUE, GL_ONE),
    MitSwizzle(Farbe(D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1), GL_ZERO, GL_ZERO, GL_ZERO, GL_RED),
    Farbe(D3DFMT_A2B10G10R10, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4),
    MitSwizzle(Farbe(D3DFMT_G16R16, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4), GL_RED, GL_GREEN, GL_ONE, GL_ONE),
    Farbe(D3DFMT_A16B16G16R16, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8),
    MitSwizzle(Farbe(D3DFMT_R16F, GL_R16F, GL_RED, GL_HALF_FLOAT, 2), GL_RED, GL_ONE, GL_ONE, GL_ONE),
    MitSwizzle(Farbe(D3DFMT_G16R16F, GL_RG16F, GL_RG, GL_HALF_FLOAT, 4), GL_RED, GL_GREEN, GL_ONE, GL_ONE),
    Farbe(D3DFMT_A16B16G16R16F, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8),
    MitSwizzle(Farbe(D3DFMT_R32F, GL_R32F, GL_RED, GL_FLOAT, 4), GL_RED, GL_ONE, GL_ONE, GL_ONE),
    MitSwizzle(Farbe(D3DFMT_G32R32F, GL_RG32F, GL_RG, GL_FLOAT, 8), GL_RED, GL_GREEN, GL_ONE, GL_ONE),
    Farbe(D3DFMT_A32B32G32R32F, GL_RGBA32F, GL_RGBA, GL_FLOAT, 16),
    Komprimiert(D3DFMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8),
    Komprimiert(D3DFMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16),
    Komprimiert(D3DFMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16),
    Tiefe(D3DFMT_D16, GL_DEPTH_COMPONENT16, 2),
    Tiefe(D3DFMT_D24X8, GL_DEPTH_COMPONENT24, 4),
};

} // namespace

const GlFormat* SucheGlFormat(D3DFORMAT format) {
    for (const GlFormat& f : kFormate) {
        if (f.d3d == format) {
            return &f;
        }
    }
    return nullptr;
}

uint64_t ZeilenBytes(const GlFormat& format, uint32_t breite) {
    if (format.komprimiert) {
        return uint64_t((breite + 3) / 4) * format.bytesProPixel;
    }
    return uint64_t(breite) * format.bytesProPixel;
}

uint64_t StufenBytes(const GlFormat& format, uint32_t breite, uint32_t hoehe) {
    const uint64_t zeilen = format.komprimiert ? (hoehe + 3) / 4 : hoehe;
    return ZeilenBytes(format, breite) * zeilen;
}

uint32_t VolleStufenZahl(uint32_t breite, uint32_t hoehe) {
    uint32_t stufen = 1;
    for (uint32_t groesste = std::max(breite, hoehe); groesste > 1; groesste >>= 1) {
        ++stufen;
    }
    return stufen;
}

bool GanzeBloecke(const RECT& bereich, uint32_t breite, uint32_t hoehe) {
    return bereich.left % 4 == 0 && bereich.top % 4 == 0 &&
           (bereich.right % 4 == 0 || uint32_t(bereich.right) == breite) &&
           (bereich.bottom % 4 == 0 || uint32_t(bereich.bottom) == hoehe);
}

BereichImSpeicher LageImSpeicher(const GlFormat& format, uint32_t breite, const RECT& bereich) {
    const uint32_t b = uint32_t(bereich.right - bereich.left);
    const uint32_t h = uint32_t(bereich.bottom - bereich.top);
    const uint64_t abstand = ZeilenBytes(format, breite);
    const uint64_t ersteZeile = format.komprimiert ? uint64_t(bereich.top) / 4 : uint64_t(bereich.top);
    // A compressed rectangle starts on a block, so its left edge counts whole blocks.
    const uint64_t versatz = ersteZeile * abstand + ZeilenBytes(format, uint32_t(bereich.left));
    const uint64_t zeile = ZeilenBytes(format, b);
    return {versatz, abstand, zeile, StufenBytes(format, b, h) / zeile};
}

void KopiereZeilen(uint8_t* ziel, uint64_t zielAbstand, const uint8_t* quelle, uint64_t quellAbstand,
                   uint64_t bytes, uint64_t zeilen) {
    for (uint64_t i = 0; i < zeilen; ++i) {
        std::memcpy(ziel + i * zielAbstand, quelle + i * quellAbstand, size_t(bytes));
    }
}

} // namespace Plattform
