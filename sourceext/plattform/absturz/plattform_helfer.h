#pragma once
// The crash helper: the program started once more in a fresh process, with a heap of its own, that
// takes every thread into the dump and reads the symbols for the crashed process. The crashed
// process starts it (vfork and execve), lets it trace it, sends the fault, its raw frames and its
// modules over a socket, and reads the answers until a deadline. Both ends live here.

#include "plattform/absturz/plattform_abwicklung.h"
#include "plattform/absturz/plattform_absturz.h"
#include "plattform/absturz/plattform_minidump.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Plattform {

// The argument that makes a program linked with the crash filter the helper.
constexpr char kHelferSchalter[] = "--velm-absturzhelfer";
// The helper's end of the socket.
constexpr int kHelferKanal = 0;
// How long the crashed process waits for all answers before it does the rest itself.
constexpr int64_t kHelferFristSekunden = 10;

// The fixed part of a request; the raw frames and the modules follow it.
struct HelferAuftrag {
    uint32_t mProzess = 0;
    // The thread that faulted, or that asks for a dump without a fault.
    uint32_t mFaden = 0;
    uint32_t mMitAusnahme = 0;
    // The fault (its context pointer is not sent) and the registers the signal gave.
    AusnahmeZeiger mAusnahme;
    MdKontext mKontext{};
    // "" for no dump.
    char mDumpPfad[4096] = {};
    uint32_t mRahmenAnzahl = 0;
    uint32_t mModulAnzahl = 0;
};

// A module in a request: these fields, then the path's bytes.
struct HelferModulKopf {
    uint64_t mBasis;
    uint64_t mGroesse;
    uint32_t mBauIdLaenge;
    uint8_t mBauId[ModulBereich::kMaxBauId];
    uint32_t mPfadLaenge;
};

enum class HelferAntwortArt : uint32_t {
    Dump = 1,       // the dump's result: HelferDumpErgebnis
    Text = 2,       // a text of the frame report, to be logged as it is
    StapelEnde = 3, // the frame report is complete
};
struct HelferDumpErgebnis {
    uint32_t mErzeugt = 0;
    uint32_t mGeschrieben = 0;
    uint32_t mFehler = 0;
};
struct HelferAntwort {
    HelferAntwortArt mArt{};
    uint32_t mLaenge = 0;
    char mDaten[4096] = {}; // a text ends with a zero
};

// The crashed process's side; signal-safe. Ending the connection closes it and waits for the
// helper until the deadline, then ends it.
class THelferVerbindung {
public:
    THelferVerbindung() = default;
    ~THelferVerbindung();
    THelferVerbindung(const THelferVerbindung&) = delete;
    THelferVerbindung& operator=(const THelferVerbindung&) = delete;

    // Starts the helper and lets it trace this process; false when it cannot be started.
    bool Starte();
    // The fault of the calling thread (null: a dump without one), the frames the helper reports,
    // the dump's path ("" for none); the modules are this process's.
    bool SendeAuftrag(const AusnahmeZeiger* zeiger, const Rahmen* rahmen, size_t anzahl, const char* dumpPfad);
    // The next answer; false at the end, after a broken answer or once the deadline has passed.
    bool Empfange(HelferAntwort& antwort);

private:
    int mKanal = -1;
    int mProzess = -1;
    int64_t mFrist = 0;
};

// Test hook: the helper cannot be started, as where the program's file is gone.
void SperreHelfer(bool gesperrt);

// The helper's side. A module's path lives in `mPfadText`.
struct HelferModul {
    ModulBereich mBereich{};
    std::string mPfadText;
};
// Ends the helper by SIGALRM after twice the crashed process's deadline, so that it never
// outlives a crashed process that hangs.
void BegrenzeHelfer();
// Whether the channel is what the crash filter hands its helper, a local stream socket; a user who
// types the helper's argument gives it a terminal, a pipe or nothing.
bool IstHelferKanal(int kanal);
// Reads the request within the crashed process's deadline; false for one that is cut short, comes
// too late or does not fit together.
bool UebernimmHelferAuftrag(int kanal, HelferAuftrag& auftrag, std::vector<Rahmen>& rahmen,
                            std::vector<HelferModul>& module);
bool SendeHelferAntwort(int kanal, HelferAntwortArt art, const void* daten, size_t groesse);

// The dump of the process a request comes from, with every thread: each one but the faulting
// thread is stopped (PTRACE_SEIZE, PTRACE_INTERRUPT) for its registers and goes on once the dump
// is written; the faulting thread has the context the signal gave. Threads that do not stop within
// two seconds are left out. False with the reason in `fehler` (errno) when a write failed.
bool SchreibeProzessDump(int datei, const HelferAuftrag& auftrag, const std::vector<HelferModul>& module,
                         uint32_t& fehler);

} // namespace Plattform
