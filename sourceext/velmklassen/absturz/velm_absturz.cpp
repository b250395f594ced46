#include "velmklassen/absturz/velm_absturz.h"

#include "plattform/absturz/plattform_abwicklung.h"
#include "plattform/absturz/plattform_minidump.h"
#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_berichtzeile.h"
#include "velmklassen/absturz/velm_stapelleser.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"

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

void SchreibeBerichtStapel(const Plattform::AusnahmeZeiger* zeiger) {
    Plattform::Rahmen rahmen[kHoechstRahmen];
    const size_t anzahl = Plattform::LiesAufrufstapel(zeiger->mKontext, zeiger->mAdresse, rahmen, kHoechstRahmen);
    Velm_LogStapelleser stapelleser;
    stapelleser.GibRahmenAus(rahmen, anzahl);
}

// The dump's result, logged once the report's slower parts are done.
struct DumpErgebnis {
    bool mErzeugt;
    bool mGeschrieben;
    uint32_t mFehler;
};

DumpErgebnis SchreibeDump(const Plattform::AusnahmeZeiger* zeiger) {
    // Joined by hand: no allocation inside a crash.
    char pfad[4096];
    const char* ordner = Velm_System::Global().mBenutzerOrdner.c_str();
    const char* name = "/MiniDump.dmp";
    const size_t laenge = std::strlen(ordner);
    if (laenge + std::strlen(name) >= sizeof pfad)
        return {false, false, 36}; // ENAMETOOLONG
    std::memcpy(pfad, ordner, laenge);
    std::strcpy(pfad + laenge, name);

    DumpErgebnis ergebnis{false, false, 0};
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

// Before the program entry and before every other static initialiser of the engine, which run at
// the default priority or, the log's, at 200: a fault in any of them is reported too.
__attribute__((constructor(101))) void InstalliereVorAllemAnderen() {
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
    // The dump comes before the symbols: should their look-up hang or fault, the dump is there.
    SchreibeBerichtKopf(zeiger);
    const DumpErgebnis dump = SchreibeDump(zeiger);
    SchreibeBerichtStapel(zeiger);
    MeldeDump(dump);
    return gVorherigerFilter ? gVorherigerFilter(zeiger) : Plattform::kWeiterSuchen;
}

bool Velm_SchreibeMiniDump(const Plattform::AusnahmeZeiger* zeiger) {
    const DumpErgebnis ergebnis = SchreibeDump(zeiger);
    MeldeDump(ergebnis);
    return ergebnis.mGeschrieben;
}

const char* Velm_GibAusnahmeName(uint32_t code) {
    for (const AusnahmeName& eintrag : kNamen)
        if (eintrag.mCode == code)
            return eintrag.mName;
    return Plattform::SystemText(code);
}

void Velm_SchreibeAusnahmeBericht(const Plattform::AusnahmeZeiger* zeiger) {
    SchreibeBerichtKopf(zeiger);
    SchreibeBerichtStapel(zeiger);
}
