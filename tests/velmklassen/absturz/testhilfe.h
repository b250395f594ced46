#pragma once
// The crash tests' fixtures: a child process that crashes with its log and dump in a folder, the
// frame lines of its report, and a reader of the dump's streams and memory.

#include "testhilfen/testhilfen.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct TKind {
    pid_t mProzess = 0;
    int mStatus = 0;
    std::string mLog;
    std::string mDump;
    std::chrono::steady_clock::duration mDauer{};

    // The signal that ended the child, or minus its exit code.
    int Ende() const { return WIFSIGNALED(mStatus) ? WTERMSIG(mStatus) : -WEXITSTATUS(mStatus); }
};

// Runs `rumpf` in a child with core dumps off, its user folder and log in `ordner` and its
// standard output discarded; returns how the child ended, what it left and how long it took.
inline TKind FuehreImKindAus(const std::filesystem::path& ordner, const std::function<void()>& rumpf) {
    const auto anfang = std::chrono::steady_clock::now();
    const pid_t kind = fork();
    if (kind == 0) {
        const rlimit keinKern{0, 0};
        setrlimit(RLIMIT_CORE, &keinKern);
        const int nichts = open("/dev/null", O_WRONLY);
        dup2(nichts, STDOUT_FILENO);
        Velm_System::Global().mBenutzerOrdner = ordner;
        t_logfile.SetBool(true);
        Velm_Konsole::Starte(ordner, "spiel.log");
        rumpf();
        _exit(0);
    }
    TKind ergebnis;
    ergebnis.mProzess = kind;
    waitpid(kind, &ergebnis.mStatus, 0);
    ergebnis.mDauer = std::chrono::steady_clock::now() - anfang;
    ergebnis.mLog = TextDerDatei(ordner / "spiel.log");
    ergebnis.mDump = TextDerDatei(ordner / "MiniDump.dmp");
    return ergebnis;
}

// The report's frame lines without their prefix: those after the fault address line, the lines of
// the symbols' start left out, up to the empty line that ends them.
inline std::vector<std::string> RahmenZeilen(const std::string& log) {
    std::vector<std::string> zeilen;
    std::istringstream text(log);
    bool drin = false;
    for (std::string zeile; std::getline(text, zeile);) {
        const std::string inhalt = zeile.size() > 21 ? zeile.substr(21) : "";
        if (!drin) {
            drin = inhalt.rfind("Fault address:", 0) == 0;
        } else if (inhalt.empty()) {
            break;
        } else if (inhalt.rfind("SymInit: ", 0) != 0 && inhalt.rfind("OS-Version: ", 0) != 0) {
            zeilen.push_back(inhalt);
        }
    }
    return zeilen;
}

template <typename T> T Lies(const std::string& daten, size_t versatz) {
    T wert{};
    if (versatz + sizeof(T) <= daten.size())
        std::memcpy(&wert, daten.data() + versatz, sizeof(T));
    return wert;
}

// The streams of a dump by type: offset of the stream's data, 0 when missing.
inline std::map<uint32_t, uint32_t> Stroeme(const std::string& dump) {
    std::map<uint32_t, uint32_t> stroeme;
    const uint32_t anzahl = Lies<uint32_t>(dump, 8);
    const uint32_t verzeichnis = Lies<uint32_t>(dump, 12);
    for (uint32_t i = 0; i < anzahl && i < 64; ++i)
        stroeme[Lies<uint32_t>(dump, verzeichnis + i * 12)] = Lies<uint32_t>(dump, verzeichnis + i * 12 + 8);
    return stroeme;
}

// The byte at an address from the dump's memory ranges; -1 when no range holds it.
inline int SpeicherByte(const std::string& dump, uint64_t adresse) {
    const uint32_t liste = Stroeme(dump)[5];
    for (uint32_t i = 0; i < Lies<uint32_t>(dump, liste); ++i) {
        const uint32_t bereich = liste + 4 + i * 16;
        const uint64_t anfang = Lies<uint64_t>(dump, bereich);
        if (adresse >= anfang && adresse < anfang + Lies<uint32_t>(dump, bereich + 8))
            return uint8_t(dump[Lies<uint32_t>(dump, bereich + 12) + (adresse - anfang)]);
    }
    return -1;
}

// The instruction pointer in the context of the exception record.
inline uint64_t AusnahmeRip(const std::string& dump) {
    return Lies<uint64_t>(dump, Lies<uint32_t>(dump, Stroeme(dump)[6] + 164) + 0xF8);
}
