#include "velmklassen/absturz/velm_absturz.h"

#include "plattform/absturz/plattform_abwicklung.h"
#include "plattform/absturz/plattform_helfer.h"
#include "plattform/absturz/plattform_minidump.h"
#include "plattform/system/plattform_faden.h"
#include "velmklassen/absturz/velm_absturzhelfer.h"
#include "velmklassen/absturz/velm_berichtzeile.h"
#include "velmklassen/absturz/velm_stapelleser.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"

#include <cstdlib>
#include <cstring>

namespace {

Plattform::AusnahmeFilter gVorherigerFilter = nullptr;
constexpr size_t kHoechstRahmen = 256;

struct AusnahmeName {
    uint32_t mCode;
    const char* mName;
};
constexpr AusnahmeName kNamen[] = {
    {0x80000001, "GUARD_PAGE"},
    {0x80000002, "DATATYPE_MISALIGNMENT"},
    {0x80000003, "BREAKPOINT"},
    {0x80000004, "SINGLE_STEP"},
    {0xC0000005, "ACCESS_VIOLATION"},
    {0xC0000006, "IN_PAGE_ERROR"},
    {0xC0000008, "INVALID_HANDLE"},
    {0xC000001D, "ILLEGAL_INSTRUCTION"},
    {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, "INVALID_DISPOSITION"},
    {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, "FLT_DENORMAL_OPERAND"},
    {0xC000008E, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "FLT_INEXACT_RESULT"},
    {0xC0000090, "FLT_INVALID_OPERATION"},
    {0xC0000091, "FLT_OVERFLOW"},
    {0xC0000092, "FLT_STACK_CHECK"},
    {0xC0000093, "FLT_UNDERFLOW"},
    {0xC0000094, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095, "INT_OVERFLOW"},
    {0xC0000096, "PRIV_INSTRUCTION"},
    {0xC00000FD, "STACK_OVERFLOW"},
};

void Logge(const TBerichtZeile& zeile) {
    Velm_Konsole::SchreibeDirekt(zeile.Ergebnis());
}

void SchreibeBerichtKopf(const Plattform::AusnahmeZeiger* zeiger) {
    char text[1400];
    Logge(TBerichtZeile(text).Text(
        "************************************************************************************"));
    Logge(TBerichtZeile(text)
              .Text("!Exception code: ")
              .Hex(zeiger->mCode, 8)
              .Text(" ")
              .Text(Velm_GibAusnahmeName(zeiger->mCode)));
    // Outside every module and section the place reads 00:00000000 and the module stays empty.
    Plattform::AdressOrt ort;
    Plattform::FindeAdressOrt(zeiger->mAdresse, ort);
    Logge(TBerichtZeile(text)
              .Text("Fault address:  ")
              .Hex(zeiger->mAdresse & 0xFFFFFFFF, 8)
              .Text(" ")
              .Hex(ort.mAbschnitt, 2)
              .Text(":")
              .Hex(ort.mVersatz & 0xFFFFFFFF, 8)
              .Text(" ")
              .Text(ort.mModul));
}

// The dump's result, logged once the frame lines are out.
struct DumpErgebnis {
    bool mErzeugt = false;
    bool mGeschrieben = false;
    uint32_t mFehler = 0;
};

// "MiniDump.dmp" in the user folder, joined by hand: no allocation inside a crash. False when the
// path is too long.
bool DumpPfad(char (&pfad)[4096]) {
    const char* ordner = Velm_System::Global().mBenutzerOrdner.c_str();
    const char* name = "/MiniDump.dmp";
    const size_t laenge = std::strlen(ordner);
    if (laenge + std::strlen(name) >= sizeof pfad)
        return false;
    std::memcpy(pfad, ordner, laenge);
    std::strcpy(pfad + laenge, name);
    return true;
}

// The dump of the calling thread alone, written by this process when the helper did not write one.
DumpErgebnis SchreibeEigenenDump(const Plattform::AusnahmeZeiger* zeiger, const char* pfad) {
    DumpErgebnis ergebnis;
    if (!pfad[0]) {
        ergebnis.mFehler = 36; // ENAMETOOLONG
        return ergebnis;
    }
    const int datei = Plattform::ErzeugeDumpDatei(pfad, ergebnis.mFehler);
    if (datei < 0)
        return ergebnis;
    ergebnis.mErzeugt = true;
    ergebnis.mGeschrieben = Plattform::SchreibeEigenenMiniDump(datei, zeiger, ergebnis.mFehler);
    Plattform::SchliesseDumpDatei(datei);
    return ergebnis;
}

void MeldeDump(const DumpErgebnis& ergebnis) {
    char text[128];
    if (!ergebnis.mErzeugt)
        Logge(TBerichtZeile(text).Text("MiniDump, CreateFile() failed with error: ").Dezimal(ergebnis.mFehler));
    else if (ergebnis.mGeschrieben)
        Logge(TBerichtZeile(text).Text("Minidump created."));
    else
        Logge(TBerichtZeile(text).Text("Minidump failed with error code ").Dezimal(int32_t(ergebnis.mFehler)));
}

// The frame lines with address and module only, when the helper could not give the symbols.
void SchreibeRoheRahmen(const Plattform::Rahmen* rahmen, size_t anzahl) {
    // Static: too large for a small stack, and only one thread reports at a time.
    static Velm_StapelEintrag eintrag;
    char zeile[4096];
    for (size_t i = 0; i < anzahl; ++i) {
        eintrag.mAdresse = rahmen[i].mAdresse;
        Plattform::AdressOrt ort;
        Plattform::FindeAdressOrt(rahmen[i].mAdresse - (rahmen[i].mRuecksprung ? 1 : 0), ort);
        const char* strich = std::strrchr(ort.mModul, '/');
        TBerichtZeile(eintrag.mModulName).Text(strich ? strich + 1 : ort.mModul);
        Velm_Stapelleser::FormatiereEintrag(i == 0 ? Velm_Stapelleser::kErsterEintrag : Velm_Stapelleser::kEintrag,
                                            eintrag, zeile);
        if (zeile[0])
            Velm_Konsole::SchreibeDirekt(zeile);
    }
    Velm_Konsole::SchreibeDirekt("\n");
}

struct HelferErgebnis {
    bool mDumpGemeldet = false;
    DumpErgebnis mDump;
    bool mStapelFertig = false;
};

// Hands the dump and the symbols to the helper process and logs the frame texts it returns.
HelferErgebnis FrageHelfer(const Plattform::AusnahmeZeiger* zeiger, const Plattform::Rahmen* rahmen, size_t anzahl,
                           const char* dumpPfad) {
    HelferErgebnis ergebnis;
    Plattform::THelferVerbindung helfer;
    if (!helfer.Starte() || !helfer.SendeAuftrag(zeiger, rahmen, anzahl, dumpPfad))
        return ergebnis;
    Plattform::HelferAntwort antwort;
    while (helfer.Empfange(antwort)) {
        Plattform::HelferDumpErgebnis dump;
        switch (antwort.mArt) {
        case Plattform::HelferAntwortArt::Dump:
            if (antwort.mLaenge != sizeof dump)
                break;
            std::memcpy(&dump, antwort.mDaten, sizeof dump);
            ergebnis.mDump = {dump.mErzeugt != 0, dump.mGeschrieben != 0, dump.mFehler};
            ergebnis.mDumpGemeldet = true;
            break;
        case Plattform::HelferAntwortArt::Text: Velm_Konsole::SchreibeDirekt(antwort.mDaten); break;
        case Plattform::HelferAntwortArt::StapelEnde: ergebnis.mStapelFertig = true; break;
        }
    }
    return ergebnis;
}

// The call stack of a fault and the dump, each when asked for. Here, without allocating, only the
// raw frames are taken; a fresh helper process writes the dump with every thread and reads the
// symbols with a heap of its own, so that a broken heap here cannot stop either. What it does not
// finish in time, this process does itself: the frames with addresses and modules, the dump of the
// calling thread.
DumpErgebnis BerichteStapelUndDump(const Plattform::AusnahmeZeiger* zeiger, bool mitStapel, bool mitDump) {
    Plattform::Rahmen rahmen[kHoechstRahmen];
    size_t anzahl = 0;
    if (zeiger && mitStapel)
        anzahl = Plattform::LiesAufrufstapel(zeiger->mKontext, zeiger->mAdresse, rahmen, kHoechstRahmen);
    char pfad[4096] = "";
    if (mitDump)
        DumpPfad(pfad);
    const HelferErgebnis helfer = FrageHelfer(zeiger, rahmen, anzahl, pfad);
    if (anzahl > 0 && !helfer.mStapelFertig)
        SchreibeRoheRahmen(rahmen, anzahl);
    if (!mitDump)
        return {};
    const DumpErgebnis dump = helfer.mDumpGemeldet ? helfer.mDump : SchreibeEigenenDump(zeiger, pfad);
    MeldeDump(dump);
    return dump;
}

// Before the program entry and before every other static initialiser of the engine, which run at
// the default priority or, the log's, at 200: a fault in any of them is reported too. A program
// started as the crash helper does the helper's work instead and ends.
__attribute__((constructor(101))) void InstalliereVorAllemAnderen(int argc, char** argv, char**) {
    if (argc >= 2 && std::strcmp(argv[1], Plattform::kHelferSchalter) == 0)
        std::_Exit(Velm_AbsturzHelfer());
    Velm_InstalliereAusnahmeFilter();
}

} // namespace

void Velm_InstalliereAusnahmeFilter() {
    // The main thread's alternate stack lives as long as the process: a crash may come at exit.
    static Plattform::TSignalstapel* const hauptStapel = new Plattform::TSignalstapel;
    (void)hauptStapel;
    gVorherigerFilter = Plattform::SetzeAusnahmeFilter(&Velm_AusnahmeFilter);
}

int Velm_AusnahmeFilter(const Plattform::AusnahmeZeiger* zeiger) {
    SchreibeBerichtKopf(zeiger);
    BerichteStapelUndDump(zeiger, true, true);
    return gVorherigerFilter ? gVorherigerFilter(zeiger) : Plattform::kWeiterSuchen;
}

bool Velm_SchreibeMiniDump(const Plattform::AusnahmeZeiger* zeiger) {
    return BerichteStapelUndDump(zeiger, false, true).mGeschrieben;
}

const char* Velm_GibAusnahmeName(uint32_t code) {
    for (const AusnahmeName& eintrag : kNamen)
        if (eintrag.mCode == code)
            return eintrag.mName;
    return Plattform::SystemText(code);
}

void Velm_SchreibeAusnahmeBericht(const Plattform::AusnahmeZeiger* zeiger) {
    SchreibeBerichtKopf(zeiger);
    BerichteStapelUndDump(zeiger, true, false);
}
