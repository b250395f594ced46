#pragma once
// Small fixtures shared by the engine tests: a temporary folder, a recorder of log lines (also one
// that starts the log itself), a counter of debugger breaks that lets the code carry on after a
// failed check, the three together, ticks of seconds, a recursion without end, and how a touch of
// a locked page ends a death test.

#include "plattform/system/plattform_system.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_zeitgeber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempOrdner {
public:
    TTempOrdner() {
        std::random_device zufall;
        mPfad = std::filesystem::temp_directory_path() / ("velm_test_" + std::to_string(zufall()));
        std::filesystem::create_directories(mPfad);
    }
    ~TTempOrdner() {
        std::error_code fehler;
        std::filesystem::remove_all(mPfad, fehler);
    }
    const std::filesystem::path& Pfad() const { return mPfad; }

private:
    std::filesystem::path mPfad;
};

// A whole file's bytes; empty when it cannot be read.
inline std::string TextDerDatei(const std::filesystem::path& pfad) {
    std::ifstream datei(pfad, std::ios::binary);
    return {std::istreambuf_iterator<char>(datei), {}};
}

// Attached to the log while it lives: keeps every line the main thread delivers.
class TLogMitschrift : public Velm_KonsoleBasisAnzeige {
public:
    void NeueZeile(const char* zeile) override { mZeilen.emplace_back(zeile); }

    // How many lines contain the text.
    int Anzahl(const std::string& text) const {
        const auto enthaelt = [&](const std::string& zeile) { return zeile.find(text) != std::string::npos; };
        return int(std::count_if(mZeilen.begin(), mZeilen.end(), enthaelt));
    }
    bool Enthaelt(const std::string& text) const { return Anzahl(text) > 0; }

    // The lines without their time and thread prefix and without the line end.
    std::vector<std::string> Texte() const {
        std::vector<std::string> texte;
        for (const std::string& zeile : mZeilen)
            texte.push_back(zeile.substr(21, zeile.size() - 22));
        return texte;
    }

    std::vector<std::string> mZeilen;
};

// A recorder on the log, which the first one of the program starts in the temporary folder.
class TLog : public TLogMitschrift {
public:
    TLog() {
        static const bool gestartet =
            (Velm_Konsole::Starte(std::filesystem::temp_directory_path(), "velm_test.log"), true);
        (void)gestartet;
        mZeilen.clear();
    }
};

// Counts debugger breaks while it lives instead of letting them end the process.
class THaltepunktZaehler {
public:
    THaltepunktZaehler() : mVorher(Plattform::SetzeHaltepunktHaken(&Zaehle)) { sAnzahl = 0; }
    ~THaltepunktZaehler() { Plattform::SetzeHaltepunktHaken(mVorher); }
    int Anzahl() const { return sAnzahl; }
    void Null() { sAnzahl = 0; }

private:
    static void Zaehle() { ++sAnzahl; }
    static inline std::atomic<int> sAnzahl{0};
    Plattform::HaltepunktHaken mVorher;
};

// The log started in a fresh folder, its lines recorded and debugger breaks counted.
class TLogTest : public ::testing::Test {
protected:
    TLogTest() {
        Velm_Konsole::Starte(mOrdner.Pfad(), "spiel.log");
        mLog.mZeilen.clear();
    }

    TTempOrdner mOrdner;
    TLogMitschrift mLog;
    THaltepunktZaehler mHaltepunkte;
};

// The counter ticks of `sekunden`, for stepping a timer by hand.
inline int64_t Ticks(double sekunden) {
    return int64_t(sekunden * gZaehlerFrequenzD);
}

// "Function: text" of the Velm_Ausnahme the call throws; "" when it throws none.
template <class F> std::string AusnahmeText(F&& aufruf) {
    try {
        aufruf();
    } catch (const Velm_Ausnahme& ausnahme) {
        return ausnahme.mFunktion + ": " + ausnahme.mText;
    }
    return "";
}

// Recurses until the stack runs out, half a kilobyte a frame whatever the optimiser does.
inline volatile bool gRekursionEndet = false;
__attribute__((noinline)) inline int Rekursion(int tiefe) {
    volatile char rahmen[512];
    rahmen[0] = char(tiefe);
    if (gRekursionEndet)
        return rahmen[0];
    return Rekursion(tiefe + 1) + rahmen[0];
}

// How a touch of a locked page ends the process: without AddressSanitizer the kernel ends it with
// SIGSEGV; with it, its own handler reports the fault and exits.
#if defined(__SANITIZE_ADDRESS__)
inline const auto kSpeicherschutzFehler = [](int status) { return status != 0; };
#else
inline const auto kSpeicherschutzFehler = ::testing::KilledBySignal(SIGSEGV);
#endif
