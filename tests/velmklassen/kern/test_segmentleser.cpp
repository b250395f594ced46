#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_segmentleser.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kPltz = Velm_Kennung("PLTZ");
constexpr uint64_t kOhne = TSegmentLeser::kOhneLaenge;

// Bytes exactly as given, so the tests spell the file layout out instead of trusting the writer.
template <size_t N> TSpeicher Bytes(const char (&bytes)[N]) {
    TSpeicher speicher;
    speicher.SchreibeBlock(bytes, N - 1);
    speicher.ZumAnfang();
    return speicher;
}

class Segment : public TLogTest {
protected:
    ~Segment() override { t_debug.SetBool(true); }
};

} // namespace

TEST_F(Segment, KopfLaengeUndEndkennung) {
    // The end marker lower-cases A to Z of the last three characters, nothing else.
    EXPECT_EQ(Velm_Endkennung(Velm_Kennung("a[@Z")), Velm_Kennung("a[@z"));
    struct Fall {
        const char* name;
        TSpeicher bytes;
        uint32_t version;
        uint64_t ende, rest, nutzlast, nachDemEnde;
        int haltepunkte;
        const char* zeile;
    };
    Fall faelle[] = {
        {"ohne Länge: der Rest des Puffers", Bytes("PLTZ\0\0\1\2\xAB\xCD\xEF\1Pltzw"), 0x102, kOhne, 9, 4, 16,
         0, nullptr},
        {"Länge vom Längenfeld bis hinter die Endkennung",
         Bytes("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x10\1\2\3\4Pltz\t"), 0x102, 24, 4, 4, 24, 0, nullptr},
        {"höhere Version: gemeldet und gelesen", Bytes("PLTZ\0\0\1\3\0\0\0\tPltz"), 0x103, kOhne, 8, 4, 16, 1,
         "!Ausnahme \"TSegmentLeser - Segment 'PLTZ' hat ungültige Version 259.\" aufgetreten in Funktion "
         "TSegmentLeser::Init"},
        {"falsche Endkennung mit Länge: zum Segmentende",
         Bytes("PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x10PLTZPltzNEXT"), 0x102, 24, 4, 0, 24, 1,
         "!TSegmentLeser - Segment 'PLTZ' nicht korrekt beendet."},
        {"falsche Endkennung ohne Länge: zum Pufferende", Bytes("PLTZ\0\0\1\2PLTZ\1\2\3"), 0x102, kOhne, 7, 0,
         15, 1, nullptr},
        {"riesige Länge läuft nicht um", Bytes("PLTZ\x80\0\1\2\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFFxxxx"), 0x102,
         kOhne, 4, 0, 20, 1, nullptr},
    };
    for (Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        const int vorher = mHaltepunkte.Anzahl();
        {
            TSegmentLeser segment(fall.bytes, kPltz);
            EXPECT_EQ(segment.Version(), fall.version);
            EXPECT_EQ(segment.Ende(), fall.ende);
            EXPECT_EQ(segment.Rest(), fall.rest);
            fall.bytes.Ueberspringe(int64_t(fall.nutzlast));
            segment.PruefeEnde();
            EXPECT_EQ(fall.bytes.Position(), fall.nachDemEnde);
        }
        EXPECT_EQ(mHaltepunkte.Anzahl() - vorher, fall.haltepunkte);
        EXPECT_TRUE(!fall.zeile || mLog.Enthaelt(fall.zeile));
    }
}

TEST_F(Segment, FalscheStartkennungUndDestruktorOhneHaltepunkt) {
    TSpeicher falsch = Bytes("BLKG\0\0\1\0Pltz");
    EXPECT_EQ(TSegmentLeser(falsch, kPltz).Version(), 0x100u);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("!TSegmentLeser - Startkennung 'PLTZ' nicht gefunden."));
    EXPECT_TRUE(mLog.Enthaelt("\"TSegmentLeser - Startmarkierung 'PLTZ' erwartet.\" aufgetreten in Funktion "
                              "TSegmentLeser::Init"));

    // Without t_debug only the check report is written. The destructor checks an unchecked end
    // without a break, and a checked one not again.
    t_debug.SetBool(false);
    mLog.mZeilen.clear();
    TSpeicher ohneEnde = Bytes("PLTZ\0\0\1\2XXXX\1\2\3");
    { TSegmentLeser segment(ohneEnde, kPltz); }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_FALSE(mLog.Enthaelt("nicht korrekt beendet"));
    EXPECT_EQ(ohneEnde.Position(), ohneEnde.Groesse());
    t_debug.SetBool(true);
    ohneEnde.ZumAnfang();
    { TSegmentLeser segment(ohneEnde, kPltz); }
    EXPECT_TRUE(mLog.Enthaelt("nicht korrekt beendet"));
    TSpeicher richtig = Bytes("PLTZ\0\0\1\2Pltz\1\2\3");
    {
        TSegmentLeser segment(richtig, kPltz);
        segment.PruefeEnde();
    }
    EXPECT_EQ(richtig.Position(), 12u);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
}

TEST_F(Segment, AbgeschnittenerKopfLiestNichtUeberDenPuffer) {
    const char voll[] = "PLTZ\x80\0\1\2\0\0\0\0\0\0\0\x0c";
    for (size_t laenge = 0; laenge < 16; ++laenge) {
        TSpeicher speicher;
        speicher.SchreibeBlock(voll, laenge);
        speicher.ZumAnfang();
        {
            TSegmentLeser segment(speicher, kPltz);
            EXPECT_EQ(segment.Rest(), 0u) << laenge;
        }
        EXPECT_TRUE(speicher.Ueberlauf()) << laenge;
        EXPECT_LE(speicher.Position(), laenge);
    }
}

TEST_F(Segment, GeschriebeneSegmenteLesenSichZurueckUndLassenSichUeberspringen) {
    // A "BLKG" block with a length holding a "PLTZ" segment without, then a segment a reader
    // does not know and jumps past with its length.
    TSpeicher speicher;
    const uint32_t blkg = Velm_Kennung("BLKG"), neue = Velm_Kennung("NEUE");
    const uint64_t aussen = Velm_BeginneSegment(speicher, blkg, 0x101, true);
    Velm_SchreibeU32BE(speicher, 0x11223344);
    const uint64_t innen = Velm_BeginneSegment(speicher, kPltz, 0x102, false);
    EXPECT_EQ(innen, kOhne);
    Velm_SchreibeU64BE(speicher, 0x0102030405060708);
    Velm_BeendeSegment(speicher, kPltz, innen);
    Velm_BeendeSegment(speicher, blkg, aussen);
    const uint64_t drittes = Velm_BeginneSegment(speicher, neue, 7, true);
    for (int i = 0; i < 100; ++i)
        Velm_SchreibeU32BE(speicher, uint32_t(i));
    Velm_BeendeSegment(speicher, neue, drittes);
    Velm_SchreibeU32BE(speicher, 0xFEEDF00D);

    speicher.ZumAnfang();
    {
        TSegmentLeser block(speicher, blkg);
        EXPECT_EQ(block.Version(), 0x101u);
        EXPECT_EQ(block.Ende(), 44u);
        EXPECT_EQ(Velm_LiesU32BE(speicher), 0x11223344u);
        {
            TSegmentLeser platz(speicher, kPltz);
            EXPECT_EQ(platz.Version(), 0x102u);
            EXPECT_EQ(Velm_LiesU64BE(speicher), 0x0102030405060708u);
            EXPECT_EQ(platz.PruefeEnde(), Velm_Kennung("Pltz"));
        }
        block.PruefeEnde();
        EXPECT_EQ(speicher.Position(), 44u);
    }
    {
        TSegmentLeser segment(speicher, neue);
        EXPECT_EQ(segment.Version(), 7u);
        EXPECT_EQ(segment.Rest(), 400u); // up to the end marker, not the word after it
        speicher.SetPosition(segment.Ende() - 4);
    }
    EXPECT_EQ(Velm_LiesU32BE(speicher), 0xFEEDF00Du);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_FALSE(speicher.Ueberlauf());
}
