#pragma once
// The application: what must exist before the first frame and outlive a run of the game (parallel
// core, screen, input, console display, overlay), and one run of the game with its frame loop.
// The run and its frame loop (`Ausfuehren`, `BildJob`, `SchalteKonsole`, `Pausenstaerke`,
// `BilderProSekunde`) are in bildschleife.cpp, the rest in anwendung.cpp.

#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/render/velm_konsolestandardanzeige.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Spiel {

class Buttons;
class FilterSatz;
class Renderer;
class Szene;

// The input library's log lines, as "Input says: %s".
void EingabeLog(const char* text);

// The pause filter's strength after one frame of the global timer's step: towards 1 while the
// game is paused, towards 0 while it runs, 0.5 s of real time for the whole way.
float Pausenstaerke(float staerke, int64_t schrittTicks, bool pausiert);

// The frames per second shown for the global timer's step, rounded; 0 for a step of 0.
int BilderProSekunde(int64_t schrittTicks);

// Starts the log in the user folder, loads the configuration, runs `lauf` and saves the
// configuration again whatever happened. An exception that escapes `lauf` is logged and makes
// the result -1; otherwise it is 0.
int Eintritt(const std::function<void()>& lauf);

class Anwendung {
public:
    // Throws `Velm_Ausnahme` when the screen, the input system or the overlay cannot be made.
    Anwendung();
    ~Anwendung();
    Anwendung(const Anwendung&) = delete;
    Anwendung& operator=(const Anwendung&) = delete;

    // One run of the game: returns once the quit request is set.
    void Ausfuehren();
    // Writes the back buffer to the user folder's "screenshots".
    void SpeichereBildschirmfoto();

    // One frame's world update and scene, run as a main-thread fiber; ends the main-thread loop.
    struct BildJob {
        Szene& mWelt;
        Renderer& mRenderer;
        const uint64_t& mHoehe;
        FilterSatz& mFilter;
        Anwendung& mAnwendung;

        void operator()() const;
    };

    // First constructed, last destroyed: its workers run every other part's jobs.
    Velm_ParallelKern mKern;
    std::unique_ptr<Velm_KonsoleStandardAnzeige> mKonsole;

private:
    // F11: opens the console as the input receiver, or closes it and gives the input back.
    void SchalteKonsole(Buttons& buttons);
};

} // namespace Spiel
