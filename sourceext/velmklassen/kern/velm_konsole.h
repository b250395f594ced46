#pragma once
// The one process-wide log: every line gets a time and thread prefix and goes to the log file,
// the attached display and standard output; lines of other threads wait for the main thread.

#include <cstdarg>
#include <filesystem>
#include <string>

class Velm_Variable;
class Velm_KonsoleBasisAnzeige;

// Debug-only lines and the log file are switched by these two (both read-only and saved).
extern Velm_Variable t_debug;
extern Velm_Variable t_logfile;

class Velm_Konsole {
public:
    // printf-style; callable from any thread, also before `Starte` (the line is then dropped).
    static void Schreibe(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // The same, but only while `t_debug` is on; otherwise nothing is formatted.
    static void SchreibeDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void SchreibeV(const char* format, va_list argumente) __attribute__((format(printf, 1, 0)));

    // Delivers one finished line: file, display and standard output on the main thread,
    // the queue on any other thread.
    static void GibZeileAus(const char* zeile);
    // Main thread only: delivers every line queued by other threads, in bulks of 20.
    static void Aktualisiere();
    // Whether lines of the calling thread are delivered at once rather than queued.
    static bool AufHauptfaden();

    // For lines that must not wait for the main thread: a failed check on another thread, a
    // crash report. Writes `text` with the usual prefix at once to the log file (while the log
    // runs and `t_logfile` is on) and to `fd`, from any thread and from a signal handler: no
    // lock, no allocation, only write(2) and open(2). The display does not receive it. The text
    // is used as it is, never as a format; the line is cut and ended like any other.
    static void SchreibeDirekt(const char* text, int fd = 1);
    // The digits of `wert` in `basis` (10 or 16, upper case letters when `gross`), at least
    // `breite` of them, zero-padded, written at `ziel` without a terminating zero; returns the end.
    // Signal-safe, for lines that SchreibeDirekt takes.
    static char* SchreibeZiffern(char* ziel, uint64_t wert, int breite, unsigned basis, bool gross = false);

    // Switches the log on and makes the calling thread its main thread; with `t_logfile` on,
    // the file ordner/dateiname is truncated and receives every line from now on.
    static void Starte(const std::filesystem::path& ordner, const std::string& dateiname);
    static void SetzeDatei(const std::filesystem::path& ordner, const std::string& dateiname);
    // Appends `text` to the file `pfad` (created when missing); an empty path writes nothing.
    // Signal-safe: open(2) and write(2) only.
    static void SchreibeInDatei(const char* pfad, const char* text);

    static Velm_KonsoleBasisAnzeige* Anzeige();

private:
    friend class Velm_KonsoleBasisAnzeige;
    static void SetzeAnzeige(Velm_KonsoleBasisAnzeige* anzeige);
};

// A display that shows the log (the on-screen console). Constructing one attaches it to the
// log, replacing an earlier one; destroying it detaches it. FuehreAus is in
// velm_konsolenbefehl.cpp with the commands it runs.
class Velm_KonsoleBasisAnzeige {
public:
    Velm_KonsoleBasisAnzeige();
    virtual ~Velm_KonsoleBasisAnzeige() = 0;
    Velm_KonsoleBasisAnzeige(const Velm_KonsoleBasisAnzeige&) = delete;
    Velm_KonsoleBasisAnzeige& operator=(const Velm_KonsoleBasisAnzeige&) = delete;

    // Receives one finished line, prefix and newline included.
    virtual void NeueZeile(const char* zeile) = 0;

    // Runs a line typed into the display: echoes ">line", then runs it as a console command.
    void FuehreAus(const std::string& zeile);
};
