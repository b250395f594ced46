#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_segmentleser.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

constexpr uint32_t kPltz = Velm_Kennung("PLTZ");
constexpr uint64_t kOhne = TSegmentLeser::kOhneLaenge;

// Bytes exactly as given, so the tests spell the file layout out instead of trusting the writer.
template <size_t N> TSpeicher Bytes(const char (&bytes)[N], size_t laenge = N - 1) {
    TSpeicher speicher;
    speicher.SchreibeBlock(bytes, laenge);
    speicher.ZumAnfang();
    return speicher;
}

using Segment = TLogTest;

} // namespace

TEST_F(Segment, KopfLaengeUndEndkennung) {
    // The end marker lower-cases A to Z of the last three characters, nothing else.
    EXPECT_EQ(Velm_Endkennung(Velm_Kennung("a[@Z")), Velm_Kennung("a[@z"));
    struct Fall {
        TSpeicher bytes;
        bool pruefe; // PruefeEnde, else the destructor checks the end
        uint32_t version;
        uint64_t rest, nutzlast, nachDemEnde;
        int haltepunkte;
        std::string log; // without the source places of the check reports
    };
    const std::string kNichtBeendet = "!TSegmentLeser - Segment 'PLTZ' nicht korrekt beendet.\n";
    Fall faelle[] = {
        // Without a length the payload may take the rest of the buffer.
        {Bytes("PLTZ\0\0\1\2\xAB\xCD\xEF\1Pltzw"), true, 0x102, 9, 4, 16, 0, ""},
        // The length counts from its own field to behind the end marker.
        {Bytes("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x10\1\2\3\4Pltz\t"), true, 0x102, 4, 4, 24, 0, ""},
        // A higher version is reported and read.
        {Bytes("PLTZ\0\0\1\3\0\0\0\tPltz"), true, 0x103, 8, 4, 16, 1,
         "!Ausnahme \"TSegmentLeser - Segment 'PLTZ' hat ungültige Version 259.\" aufgetreten in Funktion "
         "TSegmentLeser::Init\n"},
        // So is a wrong start tag.
        {Bytes("BLKG\0\0\1\0Pltz"), true, 0x100, 4, 0, 12, 1,
         "!TSegmentLeser - Startkennung 'PLTZ' nicht gefunden.\n!Ausnahme \"TSegmentLeser - Startmarkierung "
         "'PLTZ' erwartet.\" aufgetreten in Funktion TSegmentLeser::Init\n"},
        // A wrong end marker moves to the segment's end.
        {Bytes("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x10PLTZPltzNEXT"), true, 0x102, 4, 0, 24, 1, kNichtBeendet},
        // A length that would wrap around counts as none: to the buffer's end.
        {Bytes("PLTZ\x80\0\1\2\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFFxxxx"), true, 0x102, 4, 0, 20, 1,
         kNichtBeendet},
        // The destructor checks an unchecked end without the debugger break.
        {Bytes("PLTZ\0\0\1\2XXXX\1\2\3"), false, 0x102, 7, 0, 15, 0, kNichtBeendet},
    };
    for (Fall& fall : faelle) {
        SCOPED_TRACE(testing::Message() << "Fall " << &fall - faelle);
        const int vorher = mHaltepunkte.Anzahl();
        mLog.mZeilen.clear();
        {
            TSegmentLeser segment(fall.bytes, kPltz);
            EXPECT_EQ(segment.Version(), fall.version);
            EXPECT_EQ(segment.Rest(), fall.rest);
            fall.bytes.Ueberspringe(int64_t(fall.nutzlast));
            if (fall.pruefe)
                segment.PruefeEnde();
        }
        // Checked once: the destructor does not read a checked end again.
        EXPECT_EQ(fall.bytes.Position(), fall.nachDemEnde);
        EXPECT_EQ(mHaltepunkte.Anzahl() - vorher, fall.haltepunkte);
        std::string log;
        for (const std::string& zeile : mLog.Texte())
            log += std::regex_replace(zeile, std::regex(R"( \(\S+:\d+\)\.$)"), "") + "\n";
        EXPECT_EQ(log, fall.log);
    }
}

TEST_F(Segment, AbgeschnittenerKopfLiestNichtUeberDenPuffer) {
    for (size_t laenge = 0; laenge < 16; ++laenge) {
        TSpeicher speicher = Bytes("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x0c", laenge);
        EXPECT_EQ(TSegmentLeser(speicher, kPltz).Rest(), 0u) << laenge;
        EXPECT_TRUE(speicher.Ueberlauf()) << laenge;
        EXPECT_LE(speicher.Position(), laenge);
    }
}

TEST_F(Segment, SchreiberLegtDasselbeLayoutAn) {
    // A segment with a length holding one without.
    TSpeicher speicher;
    const uint64_t aussen = Velm_BeginneSegment(speicher, kPltz, 0x102, true);
    const uint64_t innen = Velm_BeginneSegment(speicher, kPltz, 0x102, false);
    Velm_SchreibeU32BE(speicher, 0xABCDEF01);
    Velm_BeendeSegment(speicher, kPltz, innen);
    Velm_BeendeSegment(speicher, kPltz, aussen);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(speicher.Daten()), speicher.Groesse()),
              std::string("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x1cPLTZ\0\0\1\2\xAB\xCD\xEF\1PltzPltz", 36));
}
