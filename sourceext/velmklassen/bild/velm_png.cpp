#include "velmklassen/bild/velm_png.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace {

using ull = unsigned long long;

// Largest image the reader accepts: 2^28 pixels (1 GiB as A8R8G8B8), at most 2^24 on a side.
constexpr uint64_t kHoechsteKante = uint64_t(1) << 24;
constexpr uint64_t kHoechstePixel = uint64_t(1) << 28;
// Deflate expands at most about 1032:1, so compressed data bounds the raw size it can give.
constexpr uint64_t kHoechsteEntpackRate = 1032;

uint32_t LiesU32BE(TSpeicher& speicher) {
    return __builtin_bswap32(speicher.LiesU32());
}

void SchreibeU32BE(TSpeicher& speicher, uint32_t wert) {
    speicher.SchreibeU32(__builtin_bswap32(wert));
}

uint32_t Typ(const char* name) {
    uint32_t typ;
    std::memcpy(&typ, name, 4);
    return __builtin_bswap32(typ);
}

int Paeth(int a, int u, int c) {
    const int pa = std::abs(u - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + u - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? u : c;
}

// Undoes one row's filter in place. Both rows start with b zero bytes, so the left neighbour of
// the first pixel is 0; the row above the first row is all zero.
bool EntferneFilter(int filter, uint8_t* zeile, const uint8_t* oben, uint64_t n, uint64_t b) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (uint64_t i = b; i < n; ++i)
            zeile[i] = uint8_t(zeile[i] + zeile[i - b]);
        return true;
    case 2:
        for (uint64_t i = b; i < n; ++i)
            zeile[i] = uint8_t(zeile[i] + oben[i]);
        return true;
    case 3:
        for (uint64_t i = b; i < n; ++i)
            zeile[i] = uint8_t(zeile[i] + ((zeile[i - b] + oben[i]) >> 1));
        return true;
    case 4:
        for (uint64_t i = b; i < n; ++i)
            zeile[i] = uint8_t(zeile[i] + Paeth(zeile[i - b], oben[i], oben[i - b]));
        return true;
    default:
        return false;
    }
}

// What the IHDR chunk says of an image the reader takes: 8-bit RGB or RGBA, not interlaced.
struct PngKopf {
    uint64_t breite = 0;
    uint64_t hoehe = 0;
    uint64_t bytesProPixel = 0;
};

// The signature and the IHDR chunk; false with a line for anything else or an image too large.
bool LiesPngKopf(TSpeicher& speicher, PngKopf& kopf) {
    if (speicher.Rest() < 8 || LiesU32BE(speicher) != 0x89504E47 || LiesU32BE(speicher) != 0x0D0A1A0A) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): Datei ist kein PNG-Bild.");
        return false;
    }
    if (speicher.Rest() < 25 || LiesU32BE(speicher) != 13 || LiesU32BE(speicher) != Typ("IHDR")) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): PNG-Header ist ungültig.");
        return false;
    }
    const uint64_t breite = LiesU32BE(speicher);
    const uint64_t hoehe = LiesU32BE(speicher);
    const uint8_t tiefe = speicher.LiesU8();
    const uint8_t farbtyp = speicher.LiesU8();
    const uint8_t kompression = speicher.LiesU8();
    const uint8_t filtermethode = speicher.LiesU8();
    const uint8_t zeilensprung = speicher.LiesU8();
    speicher.Ueberspringe(4);
    if (tiefe != 8 || (farbtyp != 2 && farbtyp != 6) || kompression != 0 || filtermethode != 0 ||
        zeilensprung != 0) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): PNG-Datei enthält nicht unterstützte Merkmale.");
        return false;
    }
    if (breite == 0 || hoehe == 0 || breite > kHoechsteKante || hoehe > kHoechsteKante ||
        breite * hoehe > kHoechstePixel) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): Bildgröße %llu x %llu wird nicht unterstützt.",
                               ull(breite), ull(hoehe));
        return false;
    }
    kopf = {breite, hoehe, uint64_t(farbtyp == 2 ? 3 : 4)};
    return true;
}

// The data of every IDAT chunk, in order. Reading ends with IEND: whatever a tool appended after
// it is not part of the image.
bool SammleBilddaten(TSpeicher& speicher, TSpeicher& gepackt) {
    gepackt.Reserviere(speicher.Rest());
    for (bool ende = false; !ende && speicher.Rest() > 0;) {
        // Length, type and CRC take 12 bytes; the data must fit in what is left after them.
        if (speicher.Rest() < 12) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.");
            return false;
        }
        const uint64_t laenge = LiesU32BE(speicher);
        const uint32_t typ = LiesU32BE(speicher);
        if (laenge > speicher.Rest() - 4) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): Chunk reicht über das Dateiende hinaus.");
            return false;
        }
        if (typ == Typ("IDAT"))
            gepackt.SchreibeBlock(speicher.Daten() + speicher.Position(), laenge);
        speicher.Ueberspringe(int64_t(laenge + 4));
        ende = typ == Typ("IEND");
    }
    return true;
}

// Undoes each row's filter and stores its pixels as the words 0xAARRGGBB, which lie in memory as
// B, G, R, A.
bool SchreibePngZeilen(const uint8_t* quelle, const PngKopf& kopf, uint8_t* ziel, uint64_t pitch) {
    const uint64_t b = kopf.bytesProPixel;
    const uint64_t n = (kopf.breite + 1) * b;
    std::vector<uint8_t> zeilen(2 * n, 0);
    uint8_t* zeile = zeilen.data();
    uint8_t* oben = zeilen.data() + n;
    for (uint64_t y = 0; y < kopf.hoehe; ++y) {
        const int filter = *quelle++;
        std::memcpy(zeile + b, quelle, n - b);
        quelle += n - b;
        if (!EntferneFilter(filter, zeile, oben, n, b)) {
            Velm_Konsole::Schreibe("!Velm_Bild::LadePNG():\n  Unknown filter type %d.\n", filter);
            return false;
        }
        uint8_t* pixel = ziel + y * pitch;
        const uint8_t* p = zeile + b;
        for (uint64_t x = 0; x < kopf.breite; ++x, p += b, pixel += 4) {
            pixel[0] = p[2];
            pixel[1] = p[1];
            pixel[2] = p[0];
            pixel[3] = b == 4 ? p[3] : 0xFF;
        }
        std::swap(zeile, oben);
    }
    return true;
}

} // namespace

const uint32_t* Velm_Crc32Tabelle() {
    // A function-local static is built once, even with several threads asking.
    static const std::array<uint32_t, 256> tabelle = [] {
        std::array<uint32_t, 256> t;
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ c >> 1 : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return tabelle.data();
}

uint32_t Velm_Crc32Fortsetzen(const uint8_t* daten, int64_t laenge, uint32_t crc) {
    const uint32_t* tabelle = Velm_Crc32Tabelle();
    for (int64_t i = 0; i < laenge; ++i)
        crc = tabelle[(crc ^ daten[i]) & 0xFF] ^ crc >> 8;
    return crc;
}

uint32_t Velm_Crc32(const uint8_t* daten, int64_t laenge) {
    if (laenge < 1)
        return 0;
    return ~Velm_Crc32Fortsetzen(daten, laenge);
}

bool Velm_Bild::LadePNG(TSpeicher& speicher) {
    PngKopf kopf;
    TSpeicher gepackt;
    if (!LiesPngKopf(speicher, kopf) || !SammleBilddaten(speicher, gepackt)) {
        return false;
    }
    const uint64_t rohGroesse = (kopf.bytesProPixel * kopf.breite + 1) * kopf.hoehe;
    if (rohGroesse / kHoechsteEntpackRate > gepackt.Groesse()) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.");
        return false;
    }
    TSpeicher roh;
    try {
        // The room beyond the expected size keeps the inflater from growing the buffer.
        roh.Reserviere(rohGroesse + 10001);
        if (!SetGroesse(kopf.breite, kopf.hoehe, Velm_FormatA8R8G8B8, 1))
            return false;
    } catch (const std::bad_alloc&) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG(): Kein Speicher für %llu x %llu Pixel.",
                               ull(kopf.breite), ull(kopf.hoehe));
        return false;
    }
    gepackt.ZumAnfang();
    if (!ZLib_Entpacken(gepackt, roh, rohGroesse) || roh.Groesse() != rohGroesse) {
        Velm_Konsole::Schreibe("!Velm_Bild::LadePNG():\n  Picture data doesn't fit picture size.");
        return false;
    }
    return SchreibePngZeilen(roh.Daten(), kopf, mDaten, mPitch);
}

bool Velm_Bild::SpeicherePNG(const std::filesystem::path& pfad, bool) const {
    if (mFormat != Velm_FormatA8R8G8B8 || mBreite == 0 || mHoehe == 0 || mBreite > 0x7FFFFFFF ||
        mHoehe > 0x7FFFFFFF) {
        Velm_Konsole::Schreibe("!Velm_Bild::SpeicherePNG( \"%s\"): Nur A8R8G8B8-Bilder mit Inhalt können "
                               "gespeichert werden.",
                               pfad.c_str());
        return false;
    }
    const uint64_t rohGroesse = (1 + 3 * mBreite) * mHoehe;
    TSpeicher roh;
    roh.Reserviere(rohGroesse);
    for (uint64_t y = 0; y < mHoehe; ++y) {
        uint8_t* z = roh.Daten() + y * (1 + 3 * mBreite);
        *z++ = 0;
        const uint8_t* pixel = mDaten + y * mPitch;
        for (uint64_t x = 0; x < mBreite; ++x, z += 3, pixel += 4) {
            z[0] = pixel[2]; // the word 0xAARRGGBB is stored B, G, R, A
            z[1] = pixel[1];
            z[2] = pixel[0];
        }
    }
    roh.SetGroesse(rohGroesse);

    TSpeicher datei;
    datei.SchreibeBlock("\x89PNG\r\n\x1A\n", 8);
    const auto schliesseChunk = [&datei](uint64_t typStelle) {
        const uint64_t laenge = datei.Position() - typStelle - 4;
        const uint32_t laengeBE = __builtin_bswap32(uint32_t(laenge));
        std::memcpy(datei.Daten() + typStelle - 4, &laengeBE, 4);
        SchreibeU32BE(datei, ~Velm_Crc32Fortsetzen(datei.Daten() + typStelle, int64_t(laenge + 4)));
    };
    SchreibeU32BE(datei, 0);
    uint64_t typStelle = datei.Position();
    datei.SchreibeBlock("IHDR", 4);
    SchreibeU32BE(datei, uint32_t(mBreite));
    SchreibeU32BE(datei, uint32_t(mHoehe));
    datei.SchreibeBlock("\x08\x02\x00\x00\x00", 5);
    schliesseChunk(typStelle);

    SchreibeU32BE(datei, 0);
    typStelle = datei.Position();
    datei.SchreibeBlock("IDAT", 4);
    // The packer reserves zlib's worst case itself; a failure has logged its line.
    if (!ZLib_Packen(roh, datei))
        return false;
    schliesseChunk(typStelle);

    SchreibeU32BE(datei, 0);
    typStelle = datei.Position();
    datei.SchreibeBlock("IEND", 4);
    schliesseChunk(typStelle);

    if (!datei.SpeichereDatei(pfad)) {
        Velm_Konsole::Schreibe("!Velm_Bild::SpeicherePNG( \"%s\"): Datei konnte nicht geschrieben werden.",
                               pfad.c_str());
        return false;
    }
    return true;
}
