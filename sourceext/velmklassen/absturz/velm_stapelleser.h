#pragma once
// Walks a thread's call stack and reports one line per frame: function, source file and line where
// debug information allows, else address and module. `Velm_LogStapelleser` logs them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Plattform {
class Symbole;
struct Rahmen;
}

// One frame as the walker found it; empty texts where nothing was found.
struct Velm_StapelEintrag {
    uint64_t mAdresse = 0;
    char mName[4096] = {};
    char mUnverzierterName[4096] = {};
    char mVollerUnverzierterName[4096] = {};
    uint64_t mSymbolVersatz = 0;
    uint32_t mZeilenVersatz = 0;
    uint32_t mZeile = 0;
    char mZeilenDatei[4096] = {};
    uint32_t mSymbolTyp = 0;
    const char* mSymbolTypText = "";
    char mModulName[4096] = {};
    uint64_t mBildBasis = 0;
    char mGeladenesBild[4096] = {};
};

class Velm_Stapelleser {
public:
    // The kinds of a frame handed to `BeiStapelEintrag`.
    enum EintragArt { kErsterEintrag = 0, kEintrag = 1, kLetzterEintrag = 2 };
    // Option bits: read the modules' file versions, build the symbol search path.
    static constexpr uint32_t kOptionDateiVersion = 8;
    static constexpr uint32_t kOptionSuchpfad = 16;
    static constexpr uint32_t kAlleOptionen = 63;
    // Values of `LetzterFehler`: the symbol library is missing or failed (also: the thread cannot
    // be walked), out of memory, none.
    static constexpr uint32_t kFehlerBibliothek = 1114;
    static constexpr uint32_t kFehlerSpeicher = 8;

    // `prozess` is the process whose symbols are read: 0 for this one, or another (the crash helper
    // reads the crashed process's).
    explicit Velm_Stapelleser(uint32_t optionen = kAlleOptionen, uint32_t prozess = 0);
    virtual ~Velm_Stapelleser();
    Velm_Stapelleser(const Velm_Stapelleser&) = delete;
    Velm_Stapelleser& operator=(const Velm_Stapelleser&) = delete;

    // Walks a thread of this process: from `kontext` when given (a ucontext from a signal handler),
    // else the calling thread from here (`faden` 0 or its id) or another thread, which is stopped
    // for the walk and goes on afterwards. False with `kFehlerBibliothek` when the symbols cannot
    // be read, the walker reads another process, or the other thread does not answer.
    bool GibAufrufstapelAus(uint32_t faden, const void* kontext);
    // Reports frames walked elsewhere: the crash helper gets them from the crashed process.
    bool GibRahmenAus(const Plattform::Rahmen* rahmen, size_t anzahl);
    // Opens the symbols and registers every module of the process, once.
    bool LadeModule();
    uint32_t LetzterFehler() const { return mLetzterFehler; }

    // The frame line `BeiStapelEintrag` emits for an entry, cut to the buffer; "" for the last kind
    // or address 0. Signal-safe: the crash report formats its raw frames with it.
    static void FormatiereEintrag(int art, const Velm_StapelEintrag& eintrag, char (&zeile)[4096]);

protected:
    virtual void BeiSymbolStart(const char* suchpfad, uint32_t optionen, const char* benutzerName);
    virtual void BeiModulGeladen(const char* bildPfad, const char* modulName, uint64_t basis, uint32_t groesse,
                                 uint32_t ergebnis, const char* symbolTyp, const char* geladenesBild,
                                 uint64_t dateiVersion);
    virtual void BeiStapelEintrag(int art, const Velm_StapelEintrag& eintrag);
    virtual void BeiHilfeFehler(const char* funktion, uint32_t fehler, uint64_t adresse);
    // Standard error: Linux has no debugger output channel.
    virtual void BeiAusgabe(const char* text);

private:
    bool InitialisiereSymbole(const std::string& suchpfad);
    void FuelleEintrag(uint64_t adresse, bool ruecksprung, Velm_StapelEintrag& eintrag);

    std::unique_ptr<Plattform::Symbole> mSymbole;
    bool mModuleGeladen = false;
    std::string mBenutzerSuchpfad; // never set by this engine
    uint32_t mOptionen;
    uint32_t mProzess;
    uint32_t mLetzterFehler = 0;
};

// A walker whose every text goes straight to the log file and standard output, as an argument and
// never as a format, because a thread in trouble may never flush queued lines. The crash report
// walks in its helper process instead, whose texts the crashed process logs the same way.
class Velm_LogStapelleser : public Velm_Stapelleser {
protected:
    void BeiModulGeladen(const char*, const char*, uint64_t, uint32_t, uint32_t, const char*, const char*,
                         uint64_t) override {}
    void BeiHilfeFehler(const char*, uint32_t, uint64_t) override {}
    void BeiAusgabe(const char* text) override;
};
