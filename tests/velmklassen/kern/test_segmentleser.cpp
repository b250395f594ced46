#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_segmentleser.h"
#include "velmklassen/kern/velm_variable.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr uint32_t kPltz = Velm_Kennung("PLTZ");

// Bytes exactly as given, so the tests spell the file layout out instead of trusting the writer.
TSpeicher Bytes(std::initializer_list<uint8_t> bytes) {
    TSpeicher speicher;
    for (uint8_t b : bytes)
        speicher.SchreibeU8(b);
    speicher.ZumAnfang();
    return speicher;
}

class Segment : public ::testing::Test {
protected:
    Segment() {
        t_debug.SetBool(true);
        Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
    }
    ~Segment() override { t_debug.SetBool(true); }

    TTempOrdner mOrdner;
    TLogMitschrift mLog;
    THaltepunktZaehler mHaltepunkte;
};

} // namespace

TEST(SegmentKennung, GrossbuchstabenDerLetztenDreiZeichenWerdenKlein) {
    EXPECT_EQ(kPltz, 0x504C545Au);
    EXPECT_EQ(Velm_Endkennung(kPltz), Velm_Kennung("Pltz"));
    EXPECT_EQ(Velm_Endkennung(Velm_Kennung("FX3D")), Velm_Kennung("Fx3d"));
    EXPECT_EQ(Velm_Endkennung(Velm_Kennung("a[@Z")), Velm_Kennung("a[@z"));
    EXPECT_EQ(Velm_Endkennung(Velm_Kennung("blkg")), Velm_Kennung("blkg"));
}

TEST_F(Segment, OhneLaengeWirdStillAngenommen) {
    TSpeicher speicher =
        Bytes({'P', 'L', 'T', 'Z', 0, 0, 1, 2, 0xAB, 0xCD, 0xEF, 0x01, 'P', 'l', 't', 'z', 0x77});
    {
        TSegmentLeser segment(speicher, kPltz);
        EXPECT_EQ(segment.Version(), 0x102u);
        EXPECT_EQ(segment.Ende(), TSegmentLeser::kOhneLaenge);
        EXPECT_EQ(segment.Rest(), 9u); // without a length: the rest of the buffer
        EXPECT_EQ(Velm_LiesU32BE(speicher), 0xABCDEF01u);
        EXPECT_EQ(segment.PruefeEnde(), Velm_Kennung("Pltz"));
    }
    EXPECT_EQ(speicher.Position(), 16u);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_FALSE(mLog.Enthaelt("!"));
}

TEST_F(Segment, LaengeZaehltVomLaengenfeldBisHinterDieEndkennung) {
    TSpeicher speicher = Bytes({'P', 'L', 'T', 'Z', 0x80, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 40});
    TSegmentLeser segment(speicher, kPltz);
    EXPECT_EQ(segment.Version(), 0x102u);
    EXPECT_EQ(segment.Ende(), 48u);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}

TEST_F(Segment, HoehereVersionWirdGemeldetUndGelesen) {
    TSpeicher speicher = Bytes({'P', 'L', 'T', 'Z', 0, 0, 1, 3, 0, 0, 0, 9, 'P', 'l', 't', 'z'});
    TSegmentLeser segment(speicher, kPltz);
    EXPECT_EQ(segment.Version(), 0x103u);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(
        mLog.Enthaelt("!Ausnahme \"TSegmentLeser - Segment 'PLTZ' hat ungültige Version 259.\" aufgetreten "
                      "in Funktion TSegmentLeser::Init"));
    EXPECT_EQ(Velm_LiesU32BE(speicher), 9u);
    segment.PruefeEnde();
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
}

TEST_F(Segment, FalscheStartkennungWirdGemeldet) {
    TSpeicher speicher = Bytes({'B', 'L', 'K', 'G', 0, 0, 1, 0, 'P', 'l', 't', 'z'});
    TSegmentLeser segment(speicher, kPltz);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("!TSegmentLeser - Startkennung 'PLTZ' nicht gefunden."));
    EXPECT_TRUE(mLog.Enthaelt("\"TSegmentLeser - Startmarkierung 'PLTZ' erwartet.\" aufgetreten in Funktion "
                              "TSegmentLeser::Init"));
    EXPECT_EQ(segment.Version(), 0x100u);
}

TEST_F(Segment, DebugZeilenNurMitTDebug) {
    t_debug.SetBool(false);
    TSpeicher speicher = Bytes({'B', 'L', 'K', 'G', 0, 0, 1, 0, 'P', 'L', 'T', 'Z'});
    { TSegmentLeser segment(speicher, kPltz); }
    EXPECT_FALSE(mLog.Enthaelt("nicht gefunden"));
    EXPECT_FALSE(mLog.Enthaelt("nicht korrekt beendet"));
    EXPECT_TRUE(mLog.Enthaelt("Startmarkierung 'PLTZ' erwartet."));
}

TEST_F(Segment, FalscheEndkennungSpringtAnsSegmentende) {
    // "PLTZ" is the start tag, not the end marker; with a length the reader skips to the end.
    TSpeicher speicher = Bytes({'P', 'L', 'T', 'Z', 0x80, 0,   1,   2,   0,   0,   0,   0,   0,   0,
                                0,   16,  'P', 'L', 'T',  'Z', 'P', 'l', 't', 'z', 'N', 'E', 'X', 'T'});
    TSegmentLeser segment(speicher, kPltz);
    EXPECT_EQ(segment.Rest(), 4u);
    segment.PruefeEnde();
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
    EXPECT_TRUE(mLog.Enthaelt("!TSegmentLeser - Segment 'PLTZ' nicht korrekt beendet."));
    EXPECT_EQ(speicher.Position(), 24u);
    EXPECT_EQ(Velm_LiesU32BE(speicher), Velm_Kennung("NEXT"));
}

TEST_F(Segment, FalscheEndkennungOhneLaengeSpringtAnsPufferende) {
    TSpeicher speicher = Bytes({'P', 'L', 'T', 'Z', 0, 0, 1, 2, 'P', 'L', 'T', 'Z', 1, 2, 3});
    TSegmentLeser segment(speicher, kPltz);
    segment.PruefeEnde();
    EXPECT_EQ(speicher.Position(), speicher.Groesse());
    EXPECT_EQ(mHaltepunkte.Anzahl(), 1);
}

TEST_F(Segment, DestruktorPrueftOhneHaltepunktUndNurEinmal) {
    TSpeicher speicher = Bytes({'P', 'L', 'T', 'Z', 0, 0, 1, 2, 'X', 'X', 'X', 'X', 1, 2, 3});
    { TSegmentLeser segment(speicher, kPltz); }
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_TRUE(mLog.Enthaelt("nicht korrekt beendet"));
    EXPECT_EQ(speicher.Position(), speicher.Groesse());

    TSpeicher richtig = Bytes({'P', 'L', 'T', 'Z', 0, 0, 1, 2, 'P', 'l', 't', 'z', 1, 2, 3});
    {
        TSegmentLeser segment(richtig, kPltz);
        segment.PruefeEnde();
    }
    EXPECT_EQ(richtig.Position(), 12u);
}

TEST_F(Segment, AbgeschnittenerKopfLiestNichtUeberDenPuffer) {
    for (size_t laenge = 0; laenge < 16; ++laenge) {
        const uint8_t voll[] = {'P', 'L', 'T', 'Z', 0x80, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 12};
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

TEST_F(Segment, RiesigeLaengeLaeuftNichtUm) {
    TSpeicher speicher = Bytes({'P',  'L',  'T',  'Z',  0x80, 0,    1,   2,   0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x', 'x', 'x',  'x'});
    TSegmentLeser segment(speicher, kPltz);
    EXPECT_EQ(segment.Ende(), TSegmentLeser::kOhneLaenge);
    segment.PruefeEnde();
    EXPECT_EQ(speicher.Position(), speicher.Groesse());
}

TEST_F(Segment, GeschriebeneSegmenteLesenSichZurueck) {
    // A "BLKG" block with a length holding a "PLTZ" segment without, then a third segment.
    TSpeicher speicher;
    const uint32_t blkg = Velm_Kennung("BLKG");
    const uint64_t aussen = Velm_BeginneSegment(speicher, blkg, 0x101, true);
    Velm_SchreibeU32BE(speicher, 0x11223344);
    const uint64_t innen = Velm_BeginneSegment(speicher, kPltz, 0x102, false);
    EXPECT_EQ(innen, TSegmentLeser::kOhneLaenge);
    Velm_SchreibeU64BE(speicher, 0x0102030405060708);
    Velm_BeendeSegment(speicher, kPltz, innen);
    Velm_BeendeSegment(speicher, blkg, aussen);
    const uint64_t drittes = Velm_BeginneSegment(speicher, Velm_Kennung("FX3D"), 7, true);
    Velm_BeendeSegment(speicher, Velm_Kennung("FX3D"), drittes);
    const uint64_t groesse = speicher.Groesse();
    EXPECT_EQ(groesse, 16u + 4 + 8 + 8 + 4 + 4 + 16 + 4);

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
            platz.PruefeEnde();
        }
        block.PruefeEnde();
        EXPECT_EQ(speicher.Position(), block.Ende());
    }
    {
        TSegmentLeser fx(speicher, Velm_Kennung("FX3D"));
        EXPECT_EQ(fx.Version(), 7u);
        EXPECT_EQ(fx.Rest(), 0u);
        EXPECT_EQ(fx.PruefeEnde(), Velm_Kennung("Fx3d"));
    }
    EXPECT_EQ(speicher.Position(), groesse);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
    EXPECT_FALSE(speicher.Ueberlauf());
}

TEST_F(Segment, UebersprungenerInhaltWirdMitDerLaengeGefunden) {
    // A reader that does not know a segment's payload uses the length to jump past it.
    TSpeicher speicher;
    const uint64_t stelle = Velm_BeginneSegment(speicher, Velm_Kennung("NEUE"), 1, true);
    for (int i = 0; i < 100; ++i)
        Velm_SchreibeU32BE(speicher, uint32_t(i));
    Velm_BeendeSegment(speicher, Velm_Kennung("NEUE"), stelle);
    Velm_SchreibeU32BE(speicher, 0xFEEDF00D);
    speicher.ZumAnfang();
    {
        TSegmentLeser segment(speicher, Velm_Kennung("NEUE"));
        EXPECT_EQ(segment.Rest(), 400u); // up to the end marker, not the word after it
        speicher.SetPosition(segment.Ende() - 4);
    }
    EXPECT_EQ(Velm_LiesU32BE(speicher), 0xFEEDF00Du);
    EXPECT_EQ(mHaltepunkte.Anzahl(), 0);
}
