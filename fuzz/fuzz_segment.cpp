// Segment files with a "PLTZ" payload: loading must never read past the data, and whatever
// loads must survive placing, freeing and a save-and-load round trip unchanged.

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_platz.h"
#include "velmklassen/kern/velm_segmentleser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

TSpeicher AlsSpeicher(const uint8_t* daten, size_t groesse) {
    TSpeicher speicher;
    speicher.SchreibeBlock(daten, groesse);
    speicher.ZumAnfang();
    return speicher;
}

void Pruefe(bool bedingung) {
    if (!bedingung)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Corrupt files raise check reports; here they only have to be survived.
    Plattform::SetzeHaltepunktHaken([] {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    {
        TSpeicher speicher = AlsSpeicher(daten, groesse);
        TSegmentLeser segment(speicher, Velm_Kennung("PLTZ"));
        Pruefe(segment.Rest() <= speicher.Rest());
        if (segment.Ende() != TSegmentLeser::kOhneLaenge && segment.Ende() >= 4)
            speicher.SetPosition(segment.Ende() - 4);
        segment.PruefeEnde();
        Pruefe(speicher.Position() <= speicher.Groesse());
    }

    TSpeicher speicher = AlsSpeicher(daten, groesse);
    TPlatz platz;
    platz.Init(256, 256, 0);
    if (!platz.Lade(speicher)) {
        Pruefe(platz.Belegt().empty() && platz.Frei().empty());
        return 0;
    }
    Pruefe(platz.Belegt().size() + platz.Frei().size() <= groesse / 16);

    const uint64_t groessen[][2] = {{1, 1}, {7, 3}, {16, 16}, {64, 8}, {300, 2}};
    for (const auto& [breite, hoehe] : groessen) {
        uint64_t x, y;
        if (platz.FindePlatz(breite, hoehe, x, y))
            Pruefe(x + breite <= platz.Breite() && y + hoehe <= platz.Hoehe());
    }
    if (!platz.Belegt().empty())
        platz.GibPlatzFrei(platz.Belegt().front().x, platz.Belegt().front().y);

    TSpeicher gespeichert;
    if (!platz.Speichere(gespeichert))
        return 0;
    gespeichert.ZumAnfang();
    TPlatz wieder;
    Pruefe(wieder.Lade(gespeichert));
    Pruefe(wieder.Breite() == platz.Breite() && wieder.Hoehe() == platz.Hoehe());
    Pruefe(wieder.Belegt() == platz.Belegt() && wieder.Frei() == platz.Frei());
    Pruefe(gespeichert.Position() == gespeichert.Groesse());
    return 0;
}
