#include "velmklassen/kern/velm_konsole.h"

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <concurrentqueue/concurrentqueue.h>

#include <cstdio>
#include <cstring>

// The variables the log reads are defined here, before the log's state, so that they are built
// before it and destroyed after it: the teardown at exit still reads `t_logfile`.
Velm_Variable t_debug("t_debug", true, Velm_Variable::kSchreibgeschuetzt | Velm_Variable::kGespeichert);
Velm_Variable t_logfile("t_logfile", true, Velm_Variable::kSchreibgeschuetzt | Velm_Variable::kGespeichert);

namespace {

// Constant-initialised, so lines written during static initialisation are dropped whatever
// the order in which the translation units are initialised.
constinit bool gAktiv = false;
constinit Velm_KonsoleBasisAnzeige* gAnzeige = nullptr;
constinit uint32_t gHauptfaden = 0;
constinit int64_t gStartzeit = 0;

struct Zustand {
    moodycamel::ConcurrentQueue<std::string> mWartend;
    std::filesystem::path mDateipfad;

    ~Zustand() {
        Velm_Konsole::Aktualisiere();
        gAktiv = false;
        std::fflush(stdout);
    }
};
Zustand gZustand;

constexpr int kZeilenPuffer = 2000;
constexpr int kZeilenGrenze = 1998; // terminator included, so at most 1997 characters

uint16_t FadenKennung(uint32_t faden) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int i = 0; i < 4; ++i) {
        hash ^= (faden >> (8 * i)) & 0xFF;
        hash *= 0x100000001b3ull;
    }
    return uint16_t(hash);
}

int64_t MikrosekundenSeitStart() {
    const double jeTick = 1.0 / double(Plattform::kZaehlerFrequenz);
    return int64_t(double(Plattform::LiesZaehler() - gStartzeit) * jeTick * 1000000.0);
}

} // namespace

void Velm_Konsole::SchreibeV(const char* format, va_list argumente) {
    const int64_t t = MikrosekundenSeitStart();
    const int64_t sekunden = t / 1000000;
    const int64_t mikro = t - sekunden * 1000000;

    char zeile[kZeilenPuffer];
    int praefix = std::snprintf(zeile, kZeilenGrenze, "%04d:%06d (t%04x): ", int(sekunden), int(mikro),
                                unsigned(FadenKennung(Plattform::FadenId())));
    if (praefix < 0)
        return;
    if (praefix > kZeilenGrenze - 1)
        praefix = kZeilenGrenze - 1;

    int laenge;
    const int nachricht = std::vsnprintf(zeile + praefix, size_t(kZeilenGrenze - praefix), format, argumente);
    if (nachricht < 0) {
        zeile[praefix - 1] = '\n';
        zeile[praefix] = 0;
        laenge = praefix;
    } else {
        laenge = praefix + std::min(nachricht, kZeilenGrenze - 1 - praefix);
    }
    if (laenge == 0 || zeile[laenge - 1] != '\n') {
        zeile[laenge] = '\n';
        zeile[laenge + 1] = 0;
    }
    GibZeileAus(zeile);
}

void Velm_Konsole::Schreibe(const char* format, ...) {
    if (!gAktiv)
        return;
    va_list argumente;
    va_start(argumente, format);
    SchreibeV(format, argumente);
    va_end(argumente);
}

void Velm_Konsole::SchreibeDebug(const char* format, ...) {
    if (!gAktiv || !t_debug.Bool())
        return;
    va_list argumente;
    va_start(argumente, format);
    SchreibeV(format, argumente);
    va_end(argumente);
}

void Velm_Konsole::GibZeileAus(const char* zeile) {
    if (!gAktiv)
        return;
    if (Plattform::FadenId() != gHauptfaden) {
        // Each thread enqueues through its own implicit producer; a failed enqueue drops the line.
        gZustand.mWartend.enqueue(std::string(zeile));
        return;
    }
    if (t_logfile.Bool())
        SchreibeInDatei(gZustand.mDateipfad, zeile);
    if (gAnzeige)
        gAnzeige->NeueZeile(zeile);
    std::fputs(zeile, stdout);
}

void Velm_Konsole::Aktualisiere() {
    // On any other thread each line would go straight back into the queue, and the flush would
    // never end (also at exit, when a thread other than the main thread ends the process).
    if (Plattform::FadenId() != gHauptfaden)
        return;
    moodycamel::ConsumerToken token(gZustand.mWartend);
    std::string zeilen[20];
    while (const size_t n = gZustand.mWartend.try_dequeue_bulk(token, zeilen, 20)) {
        for (size_t i = 0; i < n; ++i)
            GibZeileAus(zeilen[i].c_str());
    }
}

void Velm_Konsole::Starte(const std::filesystem::path& ordner, const std::string& dateiname) {
    if (t_logfile.Bool())
        SetzeDatei(ordner, dateiname);
    gAktiv = true;
    gHauptfaden = Plattform::FadenId();
    gStartzeit = Plattform::LiesZaehler();
    Schreibe("Log-Start");
}

void Velm_Konsole::SetzeDatei(const std::filesystem::path& ordner, const std::string& dateiname) {
    gZustand.mDateipfad = ordner / dateiname;
    if (FILE* datei = std::fopen(gZustand.mDateipfad.c_str(), "wb"))
        std::fclose(datei);
}

void Velm_Konsole::SchreibeInDatei(const std::filesystem::path& pfad, const char* text) {
    if (pfad.empty())
        return;
    FILE* datei = std::fopen(pfad.c_str(), "a");
    if (!datei)
        return;
    std::fputs(text, datei);
    std::fclose(datei);
}

Velm_KonsoleBasisAnzeige* Velm_Konsole::Anzeige() {
    return gAnzeige;
}

void Velm_Konsole::SetzeAnzeige(Velm_KonsoleBasisAnzeige* anzeige) {
    gAnzeige = anzeige;
}

Velm_KonsoleBasisAnzeige::Velm_KonsoleBasisAnzeige() {
    Velm_Konsole::SetzeAnzeige(this);
}

Velm_KonsoleBasisAnzeige::~Velm_KonsoleBasisAnzeige() {
    Velm_Konsole::SetzeAnzeige(nullptr);
}
