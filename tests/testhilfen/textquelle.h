#pragma once
// A text in memory as the shader preprocessor's main input, handed out line by line as fgets
// reads a file. The preprocessor's tests, its benchmark and its fuzz target read through it.

#include <algorithm>
#include <cstddef>
#include <cstring>

struct TTextQuelle {
    const char* mText = nullptr;
    size_t mLaenge = 0;
    size_t mPos = 0;

    // The next line, at most `groesse - 1` characters of it, zero-terminated in `puffer`; null
    // at the end of the text.
    char* LiesZeile(char* puffer, int groesse) {
        if (mPos >= mLaenge)
            return nullptr;
        const char* zeile = mText + mPos;
        const void* umbruch = std::memchr(zeile, '\n', mLaenge - mPos);
        const size_t bisUmbruch = umbruch ? static_cast<const char*>(umbruch) - zeile + 1 : mLaenge - mPos;
        const size_t laenge = std::min(bisUmbruch, static_cast<size_t>(groesse - 1));
        std::memcpy(puffer, zeile, laenge);
        puffer[laenge] = 0;
        mPos += laenge;
        return puffer;
    }
};
