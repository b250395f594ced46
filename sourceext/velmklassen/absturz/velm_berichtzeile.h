#pragma once
// A line of the crash report built in a fixed buffer without the C library's formatting, which a
// signal handler must avoid; longer texts are cut at the buffer's end.

#include "velmklassen/kern/velm_konsole.h"

#include <cstddef>
#include <cstdint>

class TBerichtZeile {
public:
    template <size_t N> explicit TBerichtZeile(char (&puffer)[N]) : mText(puffer), mGroesse(N) { mText[0] = 0; }

    TBerichtZeile& Text(const char* text) {
        while (*text && mLaenge < mGroesse - 1)
            mText[mLaenge++] = *text++;
        mText[mLaenge] = 0;
        return *this;
    }
    // Upper-case hexadecimal with at least `breite` digits.
    TBerichtZeile& Hex(uint64_t wert, int breite) { return Zahl(wert, breite, 16, true); }
    // An address as "%p" shows it: "0x" and lower-case digits.
    TBerichtZeile& Adresse(uint64_t wert) { return Text("0x").Zahl(wert, 1, 16, false); }
    TBerichtZeile& Dezimal(int64_t wert) {
        if (wert < 0)
            Text("-");
        return Zahl(wert < 0 ? 0 - uint64_t(wert) : uint64_t(wert), 1, 10, false);
    }
    const char* Ergebnis() const { return mText; }

private:
    TBerichtZeile& Zahl(uint64_t wert, int breite, unsigned basis, bool gross) {
        char ziffern[72];
        *Velm_Konsole::SchreibeZiffern(ziffern, wert, breite, basis, gross) = 0;
        return Text(ziffern);
    }

    char* mText;
    size_t mGroesse;
    size_t mLaenge = 0;
};
