#pragma once
// Shared by the image tests: loading from bytes, builders of PNG files made with zlib and by hand,
// and of DDS headers, so the engine's readers meet files they did not write.

#include "testhilfen/testhilfen.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_speicher.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

// The 32-bit word of an image at (x, y).
inline uint32_t Pixel(const TBereich& bereich, uint64_t x, uint64_t y) {
    uint32_t wort;
    std::memcpy(&wort, bereich.mDaten + y * bereich.mPitch + 4 * x, 4);
    return wort;
}

inline TSpeicher AlsSpeicher(const std::vector<uint8_t>& bytes) {
    TSpeicher speicher;
    speicher.SchreibeBlock(bytes.data(), bytes.size());
    speicher.ZumAnfang();
    return speicher;
}

// Loads a file from its bytes, its format told by its content.
inline bool Lade(Velm_Bild& bild, const std::vector<uint8_t>& datei) {
    TSpeicher speicher = AlsSpeicher(datei);
    return bild.LadeBildAusSpeicher(speicher);
}

// Expects the file to be refused with the given line.
inline void ErwarteAbgelehnt(const std::vector<uint8_t>& datei, const std::string& zeile) {
    TLog log;
    Velm_Bild bild;
    EXPECT_FALSE(Lade(bild, datei));
    EXPECT_TRUE(log.Enthaelt(zeile)) << (log.mZeilen.empty() ? "(keine Zeile)" : log.mZeilen.back());
}

// Appends a 32-bit word, little-endian unless `bigEndian`.
inline void Haenge(std::vector<uint8_t>& ziel, uint32_t wert, bool bigEndian = false) {
    for (int i = 0; i < 4; ++i)
        ziel.push_back(uint8_t(wert >> (bigEndian ? 24 - 8 * i : 8 * i)));
}

// A chunk with zlib's CRC.
inline void HaengeChunk(std::vector<uint8_t>& png, const char* typ, const std::vector<uint8_t>& daten) {
    Haenge(png, uint32_t(daten.size()), true);
    const size_t anfang = png.size();
    png.insert(png.end(), typ, typ + 4);
    png.insert(png.end(), daten.begin(), daten.end());
    Haenge(png, uint32_t(crc32(0, png.data() + anfang, uInt(png.size() - anfang))), true);
}

inline std::vector<uint8_t> Ihdr(uint32_t breite, uint32_t hoehe, uint8_t tiefe, uint8_t farbtyp,
                                 uint8_t zeilensprung = 0) {
    std::vector<uint8_t> ihdr;
    Haenge(ihdr, breite, true);
    Haenge(ihdr, hoehe, true);
    ihdr.insert(ihdr.end(), {tiefe, farbtyp, 0, 0, zeilensprung});
    return ihdr;
}

// A PNG of the header and the raw (filtered) rows, with a text chunk the reader skips and the
// packed rows cut into `idatTeile` IDAT chunks.
inline std::vector<uint8_t> PNGAusRoh(const std::vector<uint8_t>& ihdr, const std::vector<uint8_t>& roh,
                                      int idatTeile = 1) {
    uLongf groesse = compressBound(uLong(roh.size()));
    std::vector<uint8_t> gepackt(groesse);
    compress2(gepackt.data(), &groesse, roh.data(), uLong(roh.size()), 6);
    gepackt.resize(groesse);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    HaengeChunk(png, "IHDR", ihdr);
    HaengeChunk(png, "tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
    const size_t teil = (gepackt.size() + idatTeile - 1) / idatTeile;
    for (size_t anfang = 0; anfang < gepackt.size(); anfang += teil) {
        const size_t ende = std::min(gepackt.size(), anfang + teil);
        HaengeChunk(png, "IDAT", std::vector<uint8_t>(gepackt.begin() + anfang, gepackt.begin() + ende));
    }
    HaengeChunk(png, "IEND", {});
    return png;
}

inline int PaethVorhersage(int a, int u, int c) {
    const int p = a + u - c;
    const int pa = std::abs(p - a), pb = std::abs(p - u), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    if (pb <= pc)
        return u;
    return c;
}

// An 8-bit PNG from rows of b bytes per pixel (RGB or RGBA in file order), each row with the
// filter filter[y % filter.size()].
inline std::vector<uint8_t> BaueTestPNG(uint32_t breite, uint32_t hoehe, int b,
                                        const std::vector<uint8_t>& pixel, const std::vector<int>& filter,
                                        int idatTeile = 1) {
    std::vector<uint8_t> roh;
    const size_t zeile = size_t(breite) * b;
    for (uint32_t y = 0; y < hoehe; ++y) {
        const int f = filter[y % filter.size()];
        roh.push_back(uint8_t(f));
        for (size_t i = 0; i < zeile; ++i) {
            const int a = i >= size_t(b) ? pixel[y * zeile + i - b] : 0;
            const int u = y > 0 ? pixel[(y - 1) * zeile + i] : 0;
            const int c = y > 0 && i >= size_t(b) ? pixel[(y - 1) * zeile + i - b] : 0;
            const int vorhersage = f == 1   ? a
                                   : f == 2 ? u
                                   : f == 3 ? (a + u) / 2
                                   : f == 4 ? PaethVorhersage(a, u, c)
                                            : 0;
            roh.push_back(uint8_t(pixel[y * zeile + i] - vorhersage));
        }
    }
    return PNGAusRoh(Ihdr(breite, hoehe, 8, b == 3 ? 2 : 6), roh, idatTeile);
}

inline std::vector<uint8_t> Zufallsbytes(size_t n, uint32_t saat, int bereich = 256) {
    std::mt19937 zufall(saat);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& byte : bytes)
        byte = uint8_t(zufall() % bereich);
    return bytes;
}

inline constexpr uint32_t kMipFlag = 0x20000, kCapsMip = 0x400000;

inline uint32_t FourCC(const char* code) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
           uint32_t(uint8_t(code[3])) << 24;
}

// A DDS header (magic included) with the fields the reader looks at; a format code of 0 leaves the
// pixels to the bit count and masks.
struct TDDSKopf {
    uint32_t breite = 0, hoehe = 0, fourCC = 0, mips = 0;
    uint32_t flags = 0x1007, caps = 0x1000, caps2 = 0, bits = 32;
    uint32_t rot = 0x00FF0000, gruen = 0x0000FF00, blau = 0x000000FF, alpha = 0xFF000000;
    const char* magie = "DDS ";

    // The header followed by the level data.
    std::vector<uint8_t> Bytes(const std::vector<uint8_t>& daten = {}) const {
        std::vector<uint8_t> d(magie, magie + 4);
        const uint32_t pixelFlags = fourCC != 0 ? 0x4 : 0;
        const uint32_t woerter[31] = {
            124, flags, hoehe, breite,     0,      0,    mips, 0,     0,    0,     0,    0,     0, 0, 0, 0,
            0,   0,     32,    pixelFlags, fourCC, bits, rot,  gruen, blau, alpha, caps, caps2, 0, 0, 0};
        for (uint32_t wort : woerter)
            Haenge(d, wort);
        d.insert(d.end(), daten.begin(), daten.end());
        return d;
    }
};

// A header for the format code, with a mip chain announced in all three places when `mips` is set
// and all six faces of a cube map when `wuerfel` is.
inline TDDSKopf Kopf(uint32_t breite, uint32_t hoehe, uint32_t code, uint32_t mips = 0,
                     bool wuerfel = false) {
    TDDSKopf kopf{.breite = breite, .hoehe = hoehe, .fourCC = code, .mips = mips};
    kopf.flags |= mips ? kMipFlag : 0;
    kopf.caps |= (mips ? kCapsMip : 0) | (wuerfel ? 0x8 : 0);
    kopf.caps2 = wuerfel ? 0xFE00 : 0;
    return kopf;
}
