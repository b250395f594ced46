#pragma once
// Segments, the unit of the engine's binary files: a four-character tag, a big-endian version
// word, an optional 64-bit length, the payload and an end marker derived from the tag.
//
// Layout, all big-endian:
//   tag            4 characters, e.g. "PLTZ"
//   version word   u32; bit 31 announces the length field, the version is the low 31 bits
//   length         u64, only with bit 31; counted from the start of this field to the end of
//                  the segment, end marker included
//   payload
//   end marker     the tag with its last three characters in lower case: "PLTZ" ends with "Pltz"

#include "velmklassen/kern/velm_speicher.h"

#include <cstdint>

// The four characters of a tag as the big-endian word the reader compares: "PLTZ" -> 0x504C545A.
constexpr uint32_t Velm_Kennung(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}

// The end marker of a tag: its second to fourth characters with A-Z lowered, "FX3D" -> "Fx3d".
constexpr uint32_t Velm_Endkennung(uint32_t kennung) {
    uint32_t ende = kennung;
    for (int verschiebung = 0; verschiebung < 24; verschiebung += 8) {
        const uint32_t zeichen = kennung >> verschiebung & 0xFF;
        if (zeichen >= 'A' && zeichen <= 'Z')
            ende += uint32_t('a' - 'A') << verschiebung;
    }
    return ende;
}

// Big-endian fields of the engine's files; reads are as bounded as the buffer's own.
uint32_t Velm_LiesU32BE(TSpeicher& speicher);
uint64_t Velm_LiesU64BE(TSpeicher& speicher);
void Velm_SchreibeU32BE(TSpeicher& speicher, uint32_t wert);
void Velm_SchreibeU64BE(TSpeicher& speicher, uint64_t wert);

// Reads one segment's frame from the buffer's position: the constructor reads tag, version and
// length, the caller reads the payload, `PruefeEnde` (or the destructor) the end marker.
class TSegmentLeser {
public:
    static constexpr uint32_t kHoechsteVersion = 0x102;
    static constexpr uint64_t kOhneLaenge = UINT64_MAX;

    // The buffer is observed, not owned, and must outlive the reader.
    TSegmentLeser(TSpeicher& speicher, uint32_t kennung);
    // Checks the end marker unless `PruefeEnde` did, without the debugger break.
    ~TSegmentLeser();
    TSegmentLeser(const TSegmentLeser&) = delete;
    TSegmentLeser& operator=(const TSegmentLeser&) = delete;

    // A wrong start tag and a version above kHoechsteVersion are reported; reading goes on.
    void Init();
    // Reads the end marker. On a mismatch the position moves to the segment's end (the end of
    // the buffer for a segment without length) and the debugger breaks. Returns the marker
    // expected.
    uint32_t PruefeEnde();

    uint32_t Version() const { return mVersion; }
    // Offset just past the end marker, or kOhneLaenge.
    uint64_t Ende() const { return mEnde; }
    // Bytes the payload may still take: up to the end marker when the length tells where it lies,
    // and never beyond the buffer. Loaders test counts against it before they reserve or read.
    uint64_t Rest() const;

private:
    void PruefeEndkennung(bool mitHaltepunkt);

    TSpeicher* mSpeicher;
    uint32_t mKennung;
    uint32_t mVersion = 0;
    uint64_t mEnde = kOhneLaenge;
    bool mBeendet = false;
};

// Writes a segment in the same layout. `Velm_BeginneSegment` writes tag and version word (and a
// length to be filled in when mitLaenge) and returns what `Velm_BeendeSegment` needs to write
// the end marker and the length.
uint64_t Velm_BeginneSegment(TSpeicher& speicher, uint32_t kennung, uint32_t version, bool mitLaenge);
void Velm_BeendeSegment(TSpeicher& speicher, uint32_t kennung, uint64_t laengenStelle);
