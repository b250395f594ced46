// Feeds arbitrary bytes to the image loader: PNG and DDS files must fail with a line, never crash,
// leak or read outside the buffer.

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_speicher.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    TSpeicher speicher;
    speicher.SchreibeBlock(daten, groesse);
    speicher.ZumAnfang();
    Velm_Bild bild;
    if (bild.LadeBildAusSpeicher(speicher) && bild.mDaten) {
        // Touch what was loaded: the sanitizer sees a level that is smaller than it claims.
        Velm_Bild* stufe = &bild;
        for (uint64_t k = 0; stufe; ++k, stufe = bild.GibMipStufe(k))
            (void)stufe->LiesPixel(stufe->mBreite - 1, stufe->mHoehe - 1);
    }
    return 0;
}
