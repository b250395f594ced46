#include "velmklassen/absturz/velm_absturz.h"

#include "plattform/absturz/plattform_minidump.h"
#include "plattform/system/plattform_faden.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_stapelleser.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"

#include <cstring>

namespace {

Plattform::AusnahmeFilter gVorherigerFilter = nullptr;

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

// One report line built without the C library's formatting, which a signal handler must avoid.
class TBerichtZeile {
public:
    TBerichtZeile& Text(const char* text) {
        while (*text && mLaenge < sizeof mText - 1)
            mText[mLaenge++] = *text++;
        mText[mLaenge] = 0;
        return *this;
    }
    // Upper-case hexadecimal with at least `breite` digits.
    TBerichtZeile& Hex(uint64_t wert, int breite) { return Zahl(wert, breite, 16); }
    TBerichtZeile& Dezimal(int64_t wert) {
        if (wert < 0)
            Text("-");
        return Zahl(wert < 0 ? 0 - uint64_t(wert) : uint64_t(wert), 1, 10);
    }
    void Schreibe() const { Velm_Konsole::SchreibeDirekt(mText); }

private:
    TBerichtZeile& Zahl(uint64_t wert, int breite, unsigned basis) {
        char text[72];
        *Velm_Konsole::SchreibeZiffern(text, wert, breite, basis, true) = 0;
        return Text(text);
    }

    char mText[1400] = {};
    size_t mLaenge = 0;
};

void SchreibeBerichtKopf(const Plattform::AusnahmeZeiger* zeiger) {
    TBerichtZeile().Text("************************************************************************************").Schreibe();
    TBerichtZeile()
        .Text("!Exception code: ")
        .Hex(zeiger->mCode, 8)
        .Text(" ")
        .Text(Velm_GibAusnahmeName(zeiger->mCode))
        .Schreibe();
    // Outside every module and section the place reads 00:00000000 and the module stays empty.
    Plattform::AdressOrt ort;
    Plattform::FindeAdressOrt(zeiger->mAdresse, ort);
    TBerichtZeile()
        .Text("Fault address:  ")
        .Hex(zeiger->mAdresse & 0xFFFFFFFF, 8)
        .Text(" ")
        .Hex(ort.mAbschnitt, 2)
        .Text(":")
        .Hex(ort.mVersatz & 0xFFFFFFFF, 8)
        .Text(" ")
        .Text(ort.mModul)
        .Schreibe();
}

void SchreibeBerichtStapel(const Plattform::AusnahmeZeiger* zeiger) {
    Velm_LogStapelleser stapelleser;
    stapelleser.GibAufrufstapelAus(zeiger->mFadenId, zeiger->mKontext);
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
    ergebnis.mGeschrieben = Plattform::SchreibeMiniDump(datei, zeiger, ergebnis.mFehler);
    Plattform::SchliesseDumpDatei(datei);
    return ergebnis;
}

void MeldeDump(const DumpErgebnis& ergebnis) {
    if (!ergebnis.mErzeugt)
        TBerichtZeile().Text("MiniDump, CreateFile() failed with error: ").Dezimal(ergebnis.mFehler).Schreibe();
    else if (ergebnis.mGeschrieben)
        TBerichtZeile().Text("Minidump created.").Schreibe();
    else
        TBerichtZeile().Text("Minidump failed with error code ").Dezimal(int32_t(ergebnis.mFehler)).Schreibe();
}

// Before the program entry, so that a fault anywhere in the program's life is reported.
const bool gInstalliert = (Velm_InstalliereAusnahmeFilter(), true);

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
    return "";
}

void Velm_SchreibeAusnahmeBericht(const Plattform::AusnahmeZeiger* zeiger) {
    SchreibeBerichtKopf(zeiger);
    SchreibeBerichtStapel(zeiger);
}
