#include "velmklassen/kern/velm_konsole.h"

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <concurrentqueue/concurrentqueue.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// The variables the log reads are defined here, before the log's state, so that they are built
// before it and destroyed after it: the teardown at exit still reads `t_logfile`. All three are
// built before the static objects of every other file, whatever the link order, so objects that
// write at exit (the audio system) are destroyed while the log still takes their lines.
constexpr uint32_t kLogSchalter = Velm_Variable::kSchreibgeschuetzt | Velm_Variable::kGespeichert;
[[gnu::init_priority(200)]] Velm_Variable t_debug("t_debug", true, kLogSchalter);
[[gnu::init_priority(200)]] Velm_Variable t_logfile("t_logfile", true, kLogSchalter);

namespace {

// Constant-initialised, so lines written during static initialisation are dropped whatever
// the order in which the translation units are initialised.
constinit bool gAktiv = false;
constinit Velm_KonsoleBasisAnzeige* gAnzeige = nullptr;
constinit uint32_t gHauptfaden = 0;
constinit int64_t gStartzeit = 0;
// A plain array, so that the direct path reads it from a signal handler; empty: no log file.
constinit char gDateipfad[4096] = {};

struct Zustand {
    moodycamel::ConcurrentQueue<std::string> mWartend;

    ~Zustand() {
        Velm_Konsole::Aktualisiere();
        gAktiv = false;
        std::fflush(stdout);
    }
};
[[gnu::init_priority(200)]] Zustand gZustand;

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

// "%04d:%06d (t%04x): " without the C library's formatting, which is not signal-safe.
int SchreibePraefix(char* ziel) {
    const int64_t t = std::max<int64_t>(MikrosekundenSeitStart(), 0);
    char* ende = Velm_Konsole::SchreibeZiffern(ziel, uint64_t(t / 1000000), 4, 10);
    *ende++ = ':';
    ende = Velm_Konsole::SchreibeZiffern(ende, uint64_t(t % 1000000), 6, 10);
    std::memcpy(ende, " (t", 3);
    ende = Velm_Konsole::SchreibeZiffern(ende + 3, FadenKennung(Plattform::FadenId()), 4, 16);
    std::memcpy(ende, "): ", 3);
    return int(ende + 3 - ziel);
}

void SchreibeGanz(int fd, const char* text, size_t laenge) {
    while (laenge > 0) {
        const ssize_t n = write(fd, text, laenge);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        laenge -= size_t(n);
    }
}

} // namespace

void Velm_Konsole::SchreibeV(const char* format, va_list argumente) {
    char zeile[kZeilenPuffer];
    const int praefix = SchreibePraefix(zeile);
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
        SchreibeInDatei(gDateipfad, zeile);
    if (gAnzeige)
        gAnzeige->NeueZeile(zeile);
    std::fputs(zeile, stdout);
}

bool Velm_Konsole::AufHauptfaden() {
    return Plattform::FadenId() == gHauptfaden;
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

void Velm_Konsole::SchreibeDirekt(const char* text, int fd) {
    char zeile[kZeilenPuffer];
    int laenge = SchreibePraefix(zeile);
    while (*text && laenge < kZeilenGrenze - 1)
        zeile[laenge++] = *text++;
    if (zeile[laenge - 1] != '\n')
        zeile[laenge++] = '\n';
    zeile[laenge] = 0;

    if (gAktiv && t_logfile.Bool())
        SchreibeInDatei(gDateipfad, zeile);
    SchreibeGanz(fd, zeile, size_t(laenge));
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
    const std::string pfad = (ordner / dateiname).string();
    // A path the kernel would refuse anyway leaves the log without a file.
    const size_t laenge = pfad.size() < sizeof gDateipfad ? pfad.size() : 0;
    std::memcpy(gDateipfad, pfad.data(), laenge);
    gDateipfad[laenge] = 0;
    if (FILE* datei = std::fopen(gDateipfad, "wb"))
        std::fclose(datei);
}

void Velm_Konsole::SchreibeInDatei(const char* pfad, const char* text) {
    if (!pfad[0])
        return;
    const int datei = open(pfad, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (datei < 0)
        return;
    SchreibeGanz(datei, text, std::strlen(text));
    close(datei);
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

char* Velm_Konsole::SchreibeZiffern(char* ziel, uint64_t wert, int breite, unsigned basis, bool gross) {
    const char* const zeichen = gross ? "0123456789ABCDEF" : "0123456789abcdef";
    char umgekehrt[64];
    int n = 0;
    do {
        umgekehrt[n++] = zeichen[wert % basis];
        wert /= basis;
    } while (wert != 0);
    while (n < breite && n < int(sizeof umgekehrt))
        umgekehrt[n++] = '0';
    while (n > 0)
        *ziel++ = umgekehrt[--n];
    return ziel;
}
