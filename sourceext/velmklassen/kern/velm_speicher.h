#pragma once
// The engine's growable byte buffer with a read/write cursor: 512 bytes inline, typed
// little-endian reads and writes, whole-file load and save, and zlib packing.

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>

class TSpeicher {
public:
    static constexpr uint64_t kInline = 512;

    explicit TSpeicher(uint64_t anfangsKapazitaet = 0);
    ~TSpeicher();
    TSpeicher(TSpeicher&& quelle) noexcept;
    TSpeicher& operator=(TSpeicher&& quelle) noexcept;
    TSpeicher(const TSpeicher&) = delete;
    TSpeicher& operator=(const TSpeicher&) = delete;

    // 513 bytes or more live on the heap, less inline; position and size are cut to n.
    void Reserviere(uint64_t n);
    // Grows to 10,000 bytes from inline storage, then by doubling.
    void SichereSchreibPlatz(uint64_t k);
    // A size above the capacity is reported and cut to the capacity.
    void SetGroesse(uint64_t n);
    // The cursor moves return the signed distance actually moved.
    int64_t SetPosition(uint64_t p);
    int64_t Ueberspringe(int64_t d);
    int64_t ZumAnfang();
    // Position and size 0; the storage stays. Clears the overrun state.
    void Leere();

    void SchreibeU8(uint8_t wert);
    void SchreibeU32(uint32_t wert);
    void SchreibeBlock(const void* quelle, uint64_t n);
    void SchreibeText(const char* text);
    void SchreibeFormatText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SchreibeFormatTextV(const char* format, va_list argumente) __attribute__((format(printf, 2, 0)));

    // Reads never pass the size: what is missing reads as zero bytes, the cursor stops at the
    // size and the buffer remembers the overrun until it is emptied or loaded again.
    uint8_t LiesU8();
    uint32_t LiesU32();
    uint64_t LiesU64();
    void LiesBlock(void* ziel, uint64_t n);
    // n bytes as 32-bit words, each with its byte order reversed.
    void LiesMemEndianKorrekt(void* ziel, uint64_t n);
    bool Ueberlauf() const { return mUeberlauf; }
    uint64_t Rest() const { return mGroesse > mPosition ? mGroesse - mPosition : 0; }

    // Loads a whole file (path in UTF-8); false when it cannot be opened or does not fit in
    // memory. The 32 bytes after the content are zeroed where the capacity allows.
    bool LadeDatei(const std::filesystem::path& pfad);
    // Writes the content from the start, through `Velm_ErsetzeDatei`; modus 1 is text mode,
    // anything else binary.
    bool SpeichereDatei(const std::filesystem::path& pfad, int modus = 0) const;

    uint8_t* Daten() { return mDaten; }
    const uint8_t* Daten() const { return mDaten; }
    uint64_t Kapazitaet() const { return mKapazitaet; }
    uint64_t Position() const { return mPosition; }
    uint64_t Groesse() const { return mGroesse; }

private:
    bool IstInline() const { return mDaten == mInline; }
    uint8_t* SchreibStelle(uint64_t n);
    void Vorruecken(uint64_t n);
    void UebernimmVon(TSpeicher& quelle);

    uint8_t* mDaten;
    uint64_t mKapazitaet = kInline;
    uint64_t mPosition = 0;
    uint64_t mGroesse = 0;
    bool mUeberlauf = false;
    uint8_t mInline[kInline];
};

// Writes a file through `schreibe` into a temporary beside it ("<name>.neu", fopen's `modus`),
// which replaces the file only once it is written and closed completely. A failed write (a full
// disk) or a crash leaves the old file or none, never a cut or empty one; false then.
bool Velm_ErsetzeDatei(const std::filesystem::path& pfad, const char* modus,
                       const std::function<void(FILE*)>& schreibe);

// Packs the source's whole content (zlib format, level 9) behind the destination's position.
bool ZLib_Packen(TSpeicher& quelle, TSpeicher& ziel);
// Unpacks from the source's position into the destination from its first byte. Output beyond
// `hoechstens` bytes (for callers that know the size to expect) fails the call.
bool ZLib_Entpacken(TSpeicher& quelle, TSpeicher& ziel, uint64_t hoechstens = UINT64_MAX);
