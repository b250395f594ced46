#include "velmklassen/kern/velm_speicher.h"

#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

TSpeicher::TSpeicher(uint64_t anfangsKapazitaet) : mDaten(mInline) {
    if (anfangsKapazitaet != 0)
        Reserviere(anfangsKapazitaet);
}

TSpeicher::~TSpeicher() {
    if (!IstInline())
        delete[] mDaten;
}

void TSpeicher::UebernimmVon(TSpeicher& quelle) {
    if (quelle.IstInline()) {
        mDaten = mInline;
        std::memcpy(mInline, quelle.mInline, kInline);
    } else {
        mDaten = quelle.mDaten;
    }
    mKapazitaet = quelle.mKapazitaet;
    mPosition = quelle.mPosition;
    mGroesse = quelle.mGroesse;
    mUeberlauf = quelle.mUeberlauf;
    quelle.mDaten = quelle.mInline;
    quelle.mKapazitaet = kInline;
    quelle.mPosition = quelle.mGroesse = 0;
    quelle.mUeberlauf = false;
}

TSpeicher::TSpeicher(TSpeicher&& quelle) noexcept : mDaten(mInline) {
    UebernimmVon(quelle);
}

TSpeicher& TSpeicher::operator=(TSpeicher&& quelle) noexcept {
    if (this != &quelle) {
        if (!IstInline())
            delete[] mDaten;
        UebernimmVon(quelle);
    }
    return *this;
}

void TSpeicher::Reserviere(uint64_t n) {
    if (n <= kInline && IstInline())
        return;
    uint8_t* neu = n > kInline ? new uint8_t[n] : mInline;
    mPosition = std::min(mPosition, n);
    mGroesse = std::min(mGroesse, n);
    std::memmove(neu, mDaten, mGroesse);
    if (!IstInline())
        delete[] mDaten;
    mDaten = neu;
    mKapazitaet = n;
}

void TSpeicher::SichereSchreibPlatz(uint64_t k) {
    while (mPosition + k > mKapazitaet)
        Reserviere(mKapazitaet <= kInline ? 10000 : 2 * mKapazitaet);
}

void TSpeicher::SetGroesse(uint64_t n) {
    if (n > mKapazitaet) {
        VELM_BERICHT("Neue Inhaltgröße übersteigt die Puffergröße", "TSpeicher::SetGroesse");
        n = mKapazitaet;
    }
    mGroesse = n;
    mPosition = std::min(mPosition, n);
}

int64_t TSpeicher::SetPosition(uint64_t p) {
    const uint64_t alt = mPosition;
    mPosition = std::min(p, mGroesse);
    return int64_t(mPosition - alt);
}

int64_t TSpeicher::Ueberspringe(int64_t d) {
    const uint64_t alt = mPosition;
    if (d < 0) {
        // Negated as unsigned: -d overflows for INT64_MIN.
        const uint64_t zurueck = 0 - uint64_t(d);
        mPosition = zurueck > mPosition ? 0 : mPosition - zurueck;
    } else {
        mPosition = std::min(mPosition + uint64_t(d), mGroesse);
    }
    return int64_t(mPosition - alt);
}

int64_t TSpeicher::ZumAnfang() {
    const int64_t weg = -int64_t(mPosition);
    mPosition = 0;
    return weg;
}

void TSpeicher::Leere() {
    mPosition = mGroesse = 0;
    mUeberlauf = false;
}

uint8_t* TSpeicher::SchreibStelle(uint64_t n) {
    SichereSchreibPlatz(n);
    return mDaten + mPosition;
}

void TSpeicher::Vorruecken(uint64_t n) {
    mPosition += n;
    mGroesse = std::max(mGroesse, mPosition);
}

void TSpeicher::SchreibeU8(uint8_t wert) {
    SchreibeBlock(&wert, 1);
}

void TSpeicher::SchreibeU32(uint32_t wert) {
    SchreibeBlock(&wert, 4);
}

void TSpeicher::SchreibeBlock(const void* quelle, uint64_t n) {
    if (n == 0)
        return;
    std::memcpy(SchreibStelle(n), quelle, n);
    Vorruecken(n);
}

void TSpeicher::SchreibeText(const char* text) {
    SchreibeBlock(text, std::strlen(text));
}

void TSpeicher::SchreibeFormatText(const char* format, ...) {
    va_list argumente;
    va_start(argumente, format);
    SchreibeFormatTextV(format, argumente);
    va_end(argumente);
}

void TSpeicher::SchreibeFormatTextV(const char* format, va_list argumente) {
    char* ziel = reinterpret_cast<char*>(SchreibStelle(10000));
    const int n = std::vsnprintf(ziel, 10000, format, argumente);
    if (n < 0 || n > 9999) {
        VELM_BERICHT("Formatierter String zu groß für den internen Puffer", "TSpeicher::SchreibeFormatText");
        return;
    }
    Vorruecken(uint64_t(n));
}

void TSpeicher::LiesBlock(void* ziel, uint64_t n) {
    const uint64_t da = std::min(n, Rest());
    std::memcpy(ziel, mDaten + mPosition, da);
    if (da < n) {
        std::memset(static_cast<uint8_t*>(ziel) + da, 0, n - da);
        mUeberlauf = true;
    }
    mPosition += da;
}

uint8_t TSpeicher::LiesU8() {
    uint8_t wert;
    LiesBlock(&wert, 1);
    return wert;
}

uint32_t TSpeicher::LiesU32() {
    uint32_t wert;
    LiesBlock(&wert, 4);
    return wert;
}

uint64_t TSpeicher::LiesU64() {
    uint64_t wert;
    LiesBlock(&wert, 8);
    return wert;
}

void TSpeicher::LiesMemEndianKorrekt(void* ziel, uint64_t n) {
    if (n % 4 != 0)
        VELM_BERICHT("Größe eines endiankorrigierten Speicherblocks muss durch vier teilbar sein.",
                     "TSpeicher::LiesMemEndianKorrekt");
    const uint64_t woerter = n / 4;
    uint32_t* wort = static_cast<uint32_t*>(ziel);
    LiesBlock(wort, woerter * 4);
    // The compiler turns this loop into byte shuffles of 16 words at a time.
    for (uint64_t i = 0; i < woerter; ++i) {
        uint32_t w;
        std::memcpy(&w, wort + i, 4);
        w = __builtin_bswap32(w);
        std::memcpy(wort + i, &w, 4);
    }
}

bool TSpeicher::LadeDatei(const std::filesystem::path& pfad) {
    FILE* datei = std::fopen(pfad.c_str(), "rb");
    if (!datei)
        return false;
    // A folder opens too, but has no file size.
    std::error_code fehler;
    const uint64_t laenge = std::filesystem::file_size(pfad, fehler);
    if (fehler) {
        std::fclose(datei);
        return false;
    }
    mPosition = mGroesse = 0;
    mUeberlauf = false;
    try {
        // A buffer cut back inline below 512 bytes would stay as it is for a small file; the heap
        // block of at least 513 bytes takes the whole file.
        if (laenge + 8 > mKapazitaet)
            Reserviere(std::max(laenge + 8, kInline + 1));
    } catch (const std::bad_alloc&) {
        std::fclose(datei);
        return false;
    }
    // A file that grew since fstat is read only as far as the storage reaches.
    mGroesse = std::fread(mDaten, 1, std::min(laenge, mKapazitaet - 8), datei);
    std::memset(mDaten + mGroesse, 0, std::min<uint64_t>(32, mKapazitaet - mGroesse));
    std::fclose(datei);
    return true;
}

bool TSpeicher::SpeichereDatei(const std::filesystem::path& pfad, int modus) const {
    return Velm_ErsetzeDatei(pfad, modus == 1 ? "w" : "wb",
                             [this](FILE* datei) { std::fwrite(mDaten, 1, mGroesse, datei); });
}

bool Velm_ErsetzeDatei(const std::filesystem::path& pfad, const char* modus,
                       const std::function<void(FILE*)>& schreibe) {
    std::filesystem::path neu = pfad;
    neu += ".neu";
    FILE* datei = std::fopen(neu.c_str(), modus);
    if (!datei)
        return false;
    schreibe(datei);
    // A short write sets the error flag; what still sits in the stream's buffer fails at the flush.
    const bool geschrieben = std::fflush(datei) == 0 && !std::ferror(datei);
    std::error_code fehler;
    bool ersetzt = std::fclose(datei) == 0 && geschrieben;
    if (ersetzt) {
        std::filesystem::rename(neu, pfad, fehler);
        ersetzt = !fehler;
    }
    if (!ersetzt)
        std::filesystem::remove(neu, fehler);
    return ersetzt;
}

bool ZLib_Packen(TSpeicher& quelle, TSpeicher& ziel) {
    // zlib counts one call's input in 32 bits: a larger source would be packed cut short.
    if (quelle.Groesse() > UINT32_MAX) {
        Velm_Konsole::Schreibe("!ZLib_Packen(...): Failed to deflate data.");
        return false;
    }
    z_stream strom{};
    if (deflateInit2(&strom, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        Velm_Konsole::Schreibe("!ZLib_Packen(...): Failed to initialise deflate.");
        return false;
    }
    // zlib's worst case for this input, so even incompressible data fits in one call.
    const uint64_t bedarf = ziel.Position() + deflateBound(&strom, uLong(quelle.Groesse()));
    if (bedarf > ziel.Kapazitaet())
        ziel.Reserviere(std::max(bedarf, TSpeicher::kInline + 1));

    strom.next_in = quelle.Daten();
    strom.avail_in = uInt(quelle.Groesse());
    strom.next_out = ziel.Daten() + ziel.Position();
    strom.avail_out = uInt(ziel.Kapazitaet() - ziel.Position());
    const int ergebnis = deflate(&strom, Z_FINISH);

    quelle.SetPosition(std::min<uint64_t>(quelle.Groesse(), strom.total_in));
    const uint64_t ende = ziel.Position() + strom.total_out;
    ziel.SetGroesse(ende);
    ziel.SetPosition(ende);

    const int beendet = deflateEnd(&strom);
    if (ergebnis != Z_STREAM_END) {
        Velm_Konsole::Schreibe("!ZLib_Packen(...): Failed to deflate data.");
        return false;
    }
    if (beendet != Z_OK) {
        Velm_Konsole::Schreibe("!ZLib_Packen(...): Failed to finish deflating.");
        return false;
    }
    return true;
}

bool ZLib_Entpacken(TSpeicher& quelle, TSpeicher& ziel, uint64_t hoechstens) {
    z_stream strom{};
    if (inflateInit2(&strom, 15) != Z_OK) {
        Velm_Konsole::Schreibe("!ZLib_Entpacken(...): Failed to initialise inflate.");
        return false;
    }
    strom.next_in = quelle.Daten() + quelle.Position();
    strom.avail_in = uInt(quelle.Rest());

    uint64_t ausgabe = 0;
    int ergebnis;
    bool zuGross = false;
    do {
        // Doubling a buffer cut back inline below 512 bytes (or to none) would leave it as it is.
        if (ziel.Kapazitaet() - ausgabe < 10000)
            ziel.Reserviere(std::max(2 * ziel.Kapazitaet(), TSpeicher::kInline + 1));
        // Never ask for more than one byte beyond the limit: that byte already tells the overflow.
        uint64_t platz = ziel.Kapazitaet() - ausgabe;
        if (hoechstens - ausgabe < platz)
            platz = hoechstens - ausgabe + 1;
        strom.next_out = ziel.Daten() + ausgabe;
        strom.avail_out = uInt(std::min<uint64_t>(platz, UINT32_MAX));
        ergebnis = inflate(&strom, Z_NO_FLUSH);
        ausgabe = strom.total_out;
        ziel.SetGroesse(ausgabe);
        ziel.SetPosition(ausgabe);
        zuGross = ausgabe > hoechstens;
    } while (ergebnis == Z_OK && !zuGross && (strom.avail_in > 0 || strom.avail_out == 0));

    quelle.Ueberspringe(int64_t(strom.total_in));
    const int beendet = inflateEnd(&strom);
    if (zuGross) {
        Velm_Konsole::Schreibe("!ZLib_Entpacken(...): Data larger than expected.");
        return false;
    }
    if (ergebnis != Z_STREAM_END) {
        Velm_Konsole::Schreibe("!ZLib_Entpacken(...): Failed to inflate data.");
        return false;
    }
    if (beendet != Z_OK) {
        Velm_Konsole::Schreibe("!ZLib_Entpacken(...): Failed to finish inflating.");
        return false;
    }
    return true;
}
