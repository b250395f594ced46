#include "plattform/absturz/plattform_abbildungen.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Plattform {

namespace {

// How far below the readable stack an overflowed stack pointer may lie: the largest frame that
// can step over the main thread's stack end at once.
constexpr uint64_t kUeberlaufReichweite = 64 * 1024;

// A path under /proc built without the C library's formatting, which a signal handler must avoid.
struct ProcPfad {
    char mText[96];
    size_t mLaenge = 0;

    void Text(const char* text) {
        while (*text && mLaenge < sizeof mText - 1)
            mText[mLaenge++] = *text++;
        mText[mLaenge] = 0;
    }
    void Zahl(uint64_t wert, unsigned basis) {
        char ziffern[24];
        char* erste = ziffern + sizeof ziffern - 1;
        *erste = 0;
        do {
            *--erste = "0123456789abcdef"[wert % basis];
            wert /= basis;
        } while (wert != 0);
        Text(erste);
    }
    // "/proc/self/" or "/proc/<pid>/", then `rest`.
    ProcPfad(uint32_t prozess, const char* rest) {
        Text("/proc/");
        if (prozess == 0)
            Text("self");
        else
            Zahl(prozess, 10);
        Text("/");
        Text(rest);
    }
};

const char* LiesHex(const char* text, const char* ende, uint64_t& wert) {
    wert = 0;
    for (; text < ende; ++text) {
        const char c = *text;
        const int ziffer = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (ziffer < 0)
            break;
        wert = wert << 4 | uint64_t(ziffer);
    }
    return text;
}

const char* UeberspringeFeld(const char* text, const char* ende) {
    while (text < ende && *text != ' ')
        ++text;
    while (text < ende && *text == ' ')
        ++text;
    return text;
}

// "anfang-ende rechte versatz geraet inode     pfad"; false for a line that is not one.
bool LiesZeile(const char* text, const char* ende, Abbildung& abbildung) {
    text = LiesHex(text, ende, abbildung.mAnfang);
    if (text == ende || *text != '-')
        return false;
    text = LiesHex(text + 1, ende, abbildung.mEnde);
    if (text == ende || *text != ' ' || abbildung.mEnde <= abbildung.mAnfang)
        return false;
    ++text;
    abbildung.mLesbar = text < ende && *text == 'r';
    for (int feld = 0; feld < 4; ++feld)
        text = UeberspringeFeld(text, ende);
    const size_t laenge = std::min(size_t(ende - text), sizeof abbildung.mPfad - 1);
    std::memcpy(abbildung.mPfad, text, laenge);
    abbildung.mPfad[laenge] = 0;
    return true;
}

struct Suche {
    uint64_t mAdresse;
    Abbildung* mGefunden;
    bool mErfolg = false;
};

struct StapelSuche {
    uint64_t mZeiger;
    bool mHaelt = false;    // a mapping holds the pointer
    Abbildung mDarin{};     // that mapping
    bool mDarueber = false; // a mapping begins above the pointer
    Abbildung mNaechste{};  // the first one that does
};

// Hands each mapping, lowest address first, to `besuche` until it returns false. A line longer
// than the buffer is taken as far as it reaches: only its path is cut.
using AbbildungsBesuch = bool (*)(const Abbildung& abbildung, void* daten);
void DurchlaufeAbbildungen(uint32_t prozess, AbbildungsBesuch besuche, void* daten) {
    const ProcPfad pfad(prozess, "maps");
    const int datei = open(pfad.mText, O_RDONLY | O_CLOEXEC);
    if (datei < 0)
        return;
    char puffer[4096];
    size_t gefuellt = 0;
    bool ueberlang = false;
    bool weiter = true;
    Abbildung abbildung;
    while (weiter) {
        ssize_t n = read(datei, puffer + gefuellt, sizeof puffer - gefuellt);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        gefuellt += size_t(n);
        size_t anfang = 0;
        for (;;) {
            const char* zeilenEnde =
                static_cast<const char*>(std::memchr(puffer + anfang, '\n', gefuellt - anfang));
            if (!zeilenEnde) {
                if (anfang == 0 && gefuellt == sizeof puffer) {
                    if (!ueberlang && LiesZeile(puffer, puffer + gefuellt, abbildung))
                        weiter = besuche(abbildung, daten);
                    ueberlang = true;
                    anfang = gefuellt;
                }
                break;
            }
            if (!ueberlang && LiesZeile(puffer + anfang, zeilenEnde, abbildung))
                weiter = besuche(abbildung, daten);
            ueberlang = false;
            anfang = size_t(zeilenEnde - puffer) + 1;
            if (!weiter)
                break;
        }
        std::memmove(puffer, puffer + anfang, gefuellt - anfang);
        gefuellt -= anfang;
    }
    close(datei);
}

} // namespace

bool FindeAbbildung(uint32_t prozess, uint64_t adresse, Abbildung& abbildung) {
    Suche suche{adresse, &abbildung};
    DurchlaufeAbbildungen(
        prozess,
        [](const Abbildung& a, void* daten) {
            auto* s = static_cast<Suche*>(daten);
            if (s->mAdresse < a.mAnfang)
                return false;
            if (s->mAdresse >= a.mEnde)
                return true;
            *s->mGefunden = a;
            s->mErfolg = true;
            return false;
        },
        &suche);
    return suche.mErfolg;
}

bool FindeStapel(uint32_t prozess, uint64_t zeiger, uint64_t& unten, uint64_t& oben) {
    StapelSuche suche{zeiger};
    DurchlaufeAbbildungen(
        prozess,
        [](const Abbildung& a, void* daten) {
            auto* s = static_cast<StapelSuche*>(daten);
            if (s->mZeiger >= a.mEnde)
                return true;
            if (s->mZeiger >= a.mAnfang) {
                s->mHaelt = true;
                s->mDarin = a;
                return true;
            }
            s->mDarueber = true;
            s->mNaechste = a;
            return false;
        },
        &suche);
    const Abbildung* stapel = nullptr;
    if (suche.mHaelt && suche.mDarin.mLesbar)
        stapel = &suche.mDarin;
    else if (suche.mDarueber && suche.mNaechste.mLesbar &&
             ((suche.mHaelt && suche.mDarin.mEnde == suche.mNaechste.mAnfang) ||
              suche.mNaechste.mAnfang - zeiger <= kUeberlaufReichweite))
        stapel = &suche.mNaechste;
    if (!stapel)
        return false;
    unten = stapel->mAnfang;
    oben = stapel->mEnde;
    return true;
}

int OeffneModulDatei(uint32_t prozess, uint64_t adresse, bool programm) {
    if (programm) {
        const ProcPfad pfad(prozess, "exe");
        if (const int datei = open(pfad.mText, O_RDONLY | O_CLOEXEC); datei >= 0)
            return datei;
    }
    Abbildung abbildung;
    if (!FindeAbbildung(prozess, adresse, abbildung) || abbildung.mPfad[0] != '/')
        return -1;
    ProcPfad pfad(prozess, "map_files/");
    pfad.Zahl(abbildung.mAnfang, 16);
    pfad.Text("-");
    pfad.Zahl(abbildung.mEnde, 16);
    return open(pfad.mText, O_RDONLY | O_CLOEXEC);
}

} // namespace Plattform
