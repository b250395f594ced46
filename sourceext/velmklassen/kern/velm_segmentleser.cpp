#include "velmklassen/kern/velm_segmentleser.h"

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cstdio>

// The four characters of a tag as printf arguments for "%c%c%c%c".
#define VELM_KENNUNG_ZEICHEN(k) char((k) >> 24), char((k) >> 16), char((k) >> 8), char(k)

uint32_t Velm_LiesU32BE(TSpeicher& speicher) {
    return __builtin_bswap32(speicher.LiesU32());
}

uint64_t Velm_LiesU64BE(TSpeicher& speicher) {
    return __builtin_bswap64(speicher.LiesU64());
}

void Velm_SchreibeU32BE(TSpeicher& speicher, uint32_t wert) {
    speicher.SchreibeU32(__builtin_bswap32(wert));
}

void Velm_SchreibeU64BE(TSpeicher& speicher, uint64_t wert) {
    const uint64_t gedreht = __builtin_bswap64(wert);
    speicher.SchreibeBlock(&gedreht, sizeof gedreht);
}

TSegmentLeser::TSegmentLeser(TSpeicher& speicher, uint32_t kennung)
    : mSpeicher(&speicher), mKennung(kennung) {
    Init();
}

TSegmentLeser::~TSegmentLeser() {
    if (!mBeendet)
        PruefeEndkennung(false);
}

void TSegmentLeser::Init() {
    mBeendet = false;
    const uint32_t start = Velm_LiesU32BE(*mSpeicher);
    const uint32_t versionsWort = Velm_LiesU32BE(*mSpeicher);
    mVersion = versionsWort & 0x7FFFFFFF;
    mEnde = kOhneLaenge;
    if (versionsWort & 0x80000000) {
        const uint64_t laengenStelle = mSpeicher->Position();
        const uint64_t laenge = Velm_LiesU64BE(*mSpeicher);
        // A corrupt length must not wrap around to an end before the segment.
        mEnde = laenge > kOhneLaenge - laengenStelle ? kOhneLaenge : laengenStelle + laenge;
    }

    char text[96];
    if (start != mKennung) {
        Velm_Konsole::SchreibeDebug("!TSegmentLeser - Startkennung '%c%c%c%c' nicht gefunden.",
                                    VELM_KENNUNG_ZEICHEN(mKennung));
        std::snprintf(text, sizeof text, "TSegmentLeser - Startmarkierung '%c%c%c%c' erwartet.",
                      VELM_KENNUNG_ZEICHEN(mKennung));
        VELM_BERICHT(text, "TSegmentLeser::Init");
    }
    if (mVersion > kHoechsteVersion) {
        std::snprintf(text, sizeof text, "TSegmentLeser - Segment '%c%c%c%c' hat ungültige Version %d.",
                      VELM_KENNUNG_ZEICHEN(mKennung), int(mVersion));
        VELM_BERICHT(text, "TSegmentLeser::Init");
    }
}

uint32_t TSegmentLeser::PruefeEnde() {
    PruefeEndkennung(true);
    return Velm_Endkennung(mKennung);
}

void TSegmentLeser::PruefeEndkennung(bool mitHaltepunkt) {
    if (Velm_LiesU32BE(*mSpeicher) != Velm_Endkennung(mKennung)) {
        Velm_Konsole::SchreibeDebug("!TSegmentLeser - Segment '%c%c%c%c' nicht korrekt beendet.",
                                    VELM_KENNUNG_ZEICHEN(mKennung));
        // Skipping to the end lets the caller go on with whatever follows the segment.
        mSpeicher->SetPosition(mEnde);
        if (mitHaltepunkt)
            Plattform::Haltepunkt();
    }
    mBeendet = true;
}

uint64_t TSegmentLeser::Rest() const {
    const uint64_t rest = mSpeicher->Rest();
    if (mEnde == kOhneLaenge)
        return rest;
    const uint64_t marke = mEnde >= 4 ? mEnde - 4 : 0;
    const uint64_t bisMarke = marke > mSpeicher->Position() ? marke - mSpeicher->Position() : 0;
    return bisMarke < rest ? bisMarke : rest;
}

uint64_t Velm_BeginneSegment(TSpeicher& speicher, uint32_t kennung, uint32_t version, bool mitLaenge) {
    Velm_SchreibeU32BE(speicher, kennung);
    Velm_SchreibeU32BE(speicher, (version & 0x7FFFFFFF) | (mitLaenge ? 0x80000000 : 0));
    if (!mitLaenge)
        return TSegmentLeser::kOhneLaenge;
    const uint64_t laengenStelle = speicher.Position();
    Velm_SchreibeU64BE(speicher, 0);
    return laengenStelle;
}

void Velm_BeendeSegment(TSpeicher& speicher, uint32_t kennung, uint64_t laengenStelle) {
    Velm_SchreibeU32BE(speicher, Velm_Endkennung(kennung));
    if (laengenStelle == TSegmentLeser::kOhneLaenge)
        return;
    const uint64_t ende = speicher.Position();
    speicher.SetPosition(laengenStelle);
    Velm_SchreibeU64BE(speicher, ende - laengenStelle);
    speicher.SetPosition(ende);
}
