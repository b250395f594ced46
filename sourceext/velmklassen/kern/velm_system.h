#pragma once
// The one process-wide system object: where the program and the user's files live, who the user
// is, and the small shared state of the window (presence), the frame loop and the quit request.

#include <boost/function.hpp>
#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class Velm_System {
public:
    // How the window is shown; the screen keeps it, the frame loop reads it.
    enum Praesenz : uint32_t {
        Aktiv = 0,     // visible and focused
        Inaktiv = 1,   // visible without focus
        Minimiert = 2, // minimised
    };

    // The name of the folder below the user's data folder.
    static constexpr const char* kSpielOrdner = "Nadrel";

    // Built during static initialisation (before the log starts) and kept until the process ends;
    // the first call builds it, so other static initialisers may use it too.
    static Velm_System& Global();

    // Asks the platform for the executable's path, the user's data folder and the user name, and
    // sets the process up: a write beyond the file-size limit fails instead of ending it.
    Velm_System();
    // The same rules over given answers, without touching the process; nothing stands for a
    // question the platform cannot answer.
    Velm_System(const std::optional<std::filesystem::path>& programmPfad,
                const std::optional<std::filesystem::path>& datenOrdner, const std::string& benutzerName);
    Velm_System(const Velm_System&) = delete;
    Velm_System& operator=(const Velm_System&) = delete;

    // The console command "quit": sets the global object's quit request, whatever the argument.
    static void Beenden(const std::string& argumente);

    // Written by the screen, which then emits `mPraesenzSignal` with the new presence.
    Praesenz mPraesenz = Aktiv;
    bool mSichtbar = true;
    bool mFokussiert = true;

    // The frame loop ends at the start of the frame that finds it set; it is never cleared.
    bool mBeenden = false;

    // The per-user folder (configuration, log, screenshots, crash dump), created when missing.
    std::filesystem::path mBenutzerOrdner;
    // The executable's folder, or its parent when that folder is "bin64" or "bin32"; the
    // read-only data folder "Daten" lies below it.
    std::filesystem::path mAnwendungsOrdner;
    std::string mBenutzerName;

    // Run by the frame loop once per frame when set (the screen's message pump).
    boost::function<void()> mProFrame;
    boost::signals2::signal<void(Praesenz)> mPraesenzSignal;
};
