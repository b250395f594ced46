// Makes "grafik.png", the overlay sprite sheet: a soft white disc (sprite 1 at 0, 0, 15 x 15), an
// opaque white block that the GUI tints for every rectangle (sprite 0 at 16, 0) and a key
// pictogram (sprite 2 at 32, 0). Texels carry straight alpha, as the sprite batcher expects; the
// transparent ones keep the colour of their neighbours so shrunken mip levels get no dark rim.
//
// Usage: mache_grafik ZIEL.png

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/bild/velm_png.h"
#include "velmklassen/kern/velm_segmentleser.h"
#include "velmklassen/kern/velm_speicher.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kBreite = 48;
constexpr uint64_t kHoehe = 16;
constexpr uint32_t kGold = 0xF2C230;
constexpr uint32_t kRand = 0x7A5410;

// '#' gold, '+' the darker rim, '.' transparent.
constexpr const char* kSchluessel[16] = {
    "................", "................", "................", "...++++.........",
    "..+####+........", ".+##++##+.......", ".+#+..+#++++++++", ".+#+..+########+",
    ".+#+..+#++#++#++", ".+##++##++#++#+.", "..+####+.+++++..", "...++++.........",
    "................", "................", "................", "................",
};

void Setze(Velm_Bild& bild, uint64_t x, uint64_t y, uint32_t argb) {
    std::memcpy(bild.mDaten + y * bild.mPitch + x * 4, &argb, 4);
}

// The disc takes 15 x 15; its 16th row and column stay see-through white.
void ZeichneScheibe(Velm_Bild& bild) {
    for (uint64_t y = 0; y < 16; ++y) {
        for (uint64_t x = 0; x < 16; ++x) {
            const double abstand = std::hypot(double(x) - 7.0, double(y) - 7.0);
            const double deckung = std::clamp(7.5 - abstand, 0.0, 1.0);
            Setze(bild, x, y, uint32_t(std::lround(deckung * 255)) << 24 | 0xFFFFFF);
        }
    }
}

void ZeichneBlock(Velm_Bild& bild) {
    for (uint64_t y = 0; y < 16; ++y) {
        for (uint64_t x = 16; x < 32; ++x) {
            Setze(bild, x, y, 0xFFFFFFFF);
        }
    }
}

void ZeichneSchluessel(Velm_Bild& bild) {
    for (uint64_t y = 0; y < 16; ++y) {
        for (uint64_t x = 0; x < 16; ++x) {
            const char c = kSchluessel[y][x];
            Setze(bild, 32 + x, y, c == '#' ? 0xFF000000 | kGold : c == '+' ? 0xFF000000 | kRand : kGold);
        }
    }
}

// The engine's own writer keeps no alpha, so the sheet is written here as 8-bit RGBA (colour
// type 6) with the engine's CRC and zlib packing.
bool SpeichereRGBA(const Velm_Bild& bild, const char* pfad) {
    TSpeicher roh;
    for (uint64_t y = 0; y < bild.mHoehe; ++y) {
        roh.SchreibeU8(0);
        for (uint64_t x = 0; x < bild.mBreite; ++x) {
            uint32_t argb;
            std::memcpy(&argb, bild.mDaten + y * bild.mPitch + x * 4, 4);
            for (int schiebe : {16, 8, 0, 24}) {
                roh.SchreibeU8(uint8_t(argb >> schiebe));
            }
        }
    }
    TSpeicher datei;
    datei.SchreibeBlock("\x89PNG\r\n\x1A\n", 8);
    const auto chunk = [&datei](const char* typ, TSpeicher& inhalt) {
        Velm_SchreibeU32BE(datei, uint32_t(inhalt.Groesse()));
        const uint64_t anfang = datei.Position();
        datei.SchreibeBlock(typ, 4);
        datei.SchreibeBlock(inhalt.Daten(), inhalt.Groesse());
        Velm_SchreibeU32BE(datei, Velm_Crc32(datei.Daten() + anfang, int64_t(datei.Position() - anfang)));
    };
    TSpeicher kopf;
    Velm_SchreibeU32BE(kopf, uint32_t(bild.mBreite));
    Velm_SchreibeU32BE(kopf, uint32_t(bild.mHoehe));
    kopf.SchreibeBlock("\x08\x06\x00\x00\x00", 5);
    chunk("IHDR", kopf);
    TSpeicher gepackt;
    if (!ZLib_Packen(roh, gepackt)) {
        return false;
    }
    chunk("IDAT", gepackt);
    TSpeicher leer;
    chunk("IEND", leer);
    return datei.SpeichereDatei(pfad);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: %s ZIEL.png\n", argv[0]);
        return 2;
    }
    Velm_Bild bild(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    ZeichneScheibe(bild);
    ZeichneBlock(bild);
    ZeichneSchluessel(bild);
    if (!SpeichereRGBA(bild, argv[1])) {
        std::fprintf(stderr, "%s: \"%s\" konnte nicht geschrieben werden.\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
