#include "nadrel/spiel/anwendung.h"

#include "nadrel/oberflaeche/overlay.h"
#include "nadrel/spiel/bildschirmfoto.h"
#include "omvu/omvu_inputsystem.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_screen3d.h"

#include <exception>

namespace Spiel {

namespace {

// Kept in the configuration for a choice of language; no text of the game is translated yet.
Velm_Variable sprache("sprache", -1, Velm_Variable::kGespeichert);

constexpr const char* kAnwendung = "Spiel::Anwendung::Anwendung";

void SchreibeAusnahme(const char* datei, int64_t zeile, const char* funktion, const char* text) {
    Velm_Konsole::Schreibe("Exception thrown: %s (%d) - %s(): %s", datei, int(zeile), funktion, text);
}

} // namespace

void EingabeLog(const char* text) {
    Velm_Konsole::Schreibe("Input says: %s", text);
}

int Eintritt(const std::function<void()>& lauf) {
    const std::filesystem::path& benutzer = Velm_System::Global().mBenutzerOrdner;
    Velm_Konsole::Starte(benutzer, "spiel.log");
    Velm_Variable::LadeKonfiguration(benutzer, "spiel.cfg");

    int ergebnis = 0;
    try {
        lauf();
    } catch (const Velm_Ausnahme& ausnahme) {
        SchreibeAusnahme(ausnahme.mDatei.c_str(), ausnahme.mZeile, ausnahme.mFunktion.c_str(),
                         ausnahme.mText.c_str());
        ergebnis = -1;
    } catch (const std::exception& ausnahme) {
        // A file-system error, a bad value in a data file or exhausted memory: the same line, so
        // that the log says why the game ended, and the configuration is still saved.
        SchreibeAusnahme(__FILE__, __LINE__, "Spiel::Eintritt", ausnahme.what());
        ergebnis = -1;
    }
    Velm_Variable::SpeichereKonfiguration();
    return ergebnis;
}

Anwendung::Anwendung() {
    const Velm_Darstellung modus{displaywidth.Int(), displayheight.Int(), 0, 0};
    const uint64_t flags =
        (fullscreen.Bool() ? Velm_Screen3D::kVollbild : 0) | (vsync.Bool() ? Velm_Screen3D::kVSync : 0);
    if (!Velm_Screen3D::Init(modus, flags))
        VELM_WIRF("Screen initialisation failed.", kAnwendung);

    Velm_Zeitgeber::Global().SetMaxSchritt(int64_t(gZaehlerFrequenzF * 0.1f));

    Velm_Konsole::Schreibe("Creating Input");
    if (!Omvu::Initialize(Velm_Screen3D::mFenster))
        VELM_WIRF("Failed to initialize input system", kAnwendung);
    Omvu::gLogCallback = &EingabeLog;

    // Constructing the display attaches it to the log.
    mKonsole = std::make_unique<Velm_KonsoleStandardAnzeige>(DatenOrdner() / "calibrib.fnt");
    LadeOverlay();
}

Anwendung::~Anwendung() {
    // The console may still be the receiver; the input system must not reach it once it is gone.
    if (Omvu::gInstance != nullptr)
        Omvu::gInstance->SetHandler(nullptr);
    // Its base detaches it from the log; the log lines its parts write while they go still find
    // the console's text alive.
    mKonsole.reset();
    Omvu::Shutdown();
    Velm_Screen3D::Schliessen();
}

void Anwendung::SpeichereBildschirmfoto() {
    Spiel::SpeichereBildschirmfoto(*Velm_Screen3D::Kontext,
                                   Velm_System::Global().mBenutzerOrdner / "screenshots");
}

} // namespace Spiel
