#include "velmklassen/absturz/velm_stapelleser.h"

#include "plattform/absturz/plattform_abwicklung.h"
#include "plattform/absturz/plattform_absturz.h"
#include "plattform/absturz/plattform_symbole.h"
#include "plattform/system/plattform_ordner.h"
#include "plattform/system/plattform_system.h"
#include "velmklassen/absturz/velm_berichtzeile.h"
#include "velmklassen/kern/velm_konsole.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHoechstRahmen = 256;

const char* const kSymbolTypTexte[] = {"-nosymbols-", "COFF", "CV", "PDB", "-exported-",
                                       "-deferred-", "SYM", "DIA", "Virtual"};

void Kopiere(char (&ziel)[4096], const std::string& text) {
    const size_t laenge = std::min(text.size(), sizeof ziel - 1);
    std::memcpy(ziel, text.data(), laenge);
    ziel[laenge] = 0;
}

// The demangled name without its parameter list: "a::b<c>(int) const" gives "a::b<c>".
std::string OhneParameter(const std::string& voll) {
    int tiefe = 0;
    for (size_t i = 0; i < voll.size(); ++i) {
        if (voll[i] == '<')
            ++tiefe;
        else if (voll[i] == '>')
            --tiefe;
        else if (voll[i] == '(' && tiefe == 0 && i > 0)
            return voll.substr(0, i);
    }
    return voll;
}

} // namespace

Velm_Stapelleser::Velm_Stapelleser(uint32_t optionen, uint32_t prozess) : mOptionen(optionen), mProzess(prozess) {}

// Nothing to clean up beyond the symbols: libdw is linked, never loaded or unloaded at run time.
Velm_Stapelleser::~Velm_Stapelleser() = default;

bool Velm_Stapelleser::LadeModule() {
    if (mModuleGeladen)
        return true;
    // libdw's search list: the module's own folder, its ".debug" folder and the system's debug
    // folder. No server: nothing touches the network in a crash.
    std::string suchpfad;
    if (mOptionen & kOptionSuchpfad) {
        if (!mBenutzerSuchpfad.empty())
            suchpfad = mBenutzerSuchpfad + ":";
        suchpfad += ":.debug:/usr/lib/debug";
    }
    if (!InitialisiereSymbole(suchpfad)) {
        BeiHilfeFehler("Error while initializing dbghelp.dll", 0, 0);
        mLetzterFehler = kFehlerBibliothek;
        return false;
    }
    const std::vector<Plattform::SymbolModul> module = mSymbole->Module();
    for (const Plattform::SymbolModul& modul : module) {
        // ELF files carry no version resource: the file version is 0.
        BeiModulGeladen(modul.mPfad.c_str(), modul.mName.c_str(), modul.mBasis, uint32_t(modul.mGroesse), 0,
                        kSymbolTypTexte[uint32_t(modul.mArt)], modul.mDebugDatei.c_str(), 0);
    }
    if (module.empty())
        return false;
    mModuleGeladen = true;
    return true;
}

bool Velm_Stapelleser::InitialisiereSymbole(const std::string& suchpfad) {
    mSymbole = std::make_unique<Plattform::Symbole>(suchpfad, mProzess);
    if (!mSymbole->Bereit())
        BeiHilfeFehler("SymInitialize", kFehlerBibliothek, 0);
    // Lines are always read and nothing ever asks the user: the two options the walk relies on.
    const uint32_t optionen = 0x210;
    BeiSymbolStart(suchpfad.c_str(), optionen, Plattform::BenutzerName().c_str());
    return true;
}

void Velm_Stapelleser::FuelleEintrag(uint64_t adresse, bool ruecksprung, Velm_StapelEintrag& eintrag) {
    eintrag = Velm_StapelEintrag{};
    eintrag.mAdresse = adresse;
    if (adresse == 0)
        return;
    // A return address belongs to the call before it, whose line is the one to show.
    const uint64_t suche = ruecksprung ? adresse - 1 : adresse;

    std::string name;
    if (mSymbole->Name(suche, name, eintrag.mSymbolVersatz)) {
        Kopiere(eintrag.mName, name);
        int status = 0;
        char* entschluesselt = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
        const std::string voll = status == 0 && entschluesselt ? entschluesselt : name;
        std::free(entschluesselt);
        Kopiere(eintrag.mVollerUnverzierterName, voll);
        Kopiere(eintrag.mUnverzierterName, OhneParameter(voll));
    } else {
        BeiHilfeFehler("SymGetSymFromAddr64", kFehlerBibliothek, adresse);
    }

    std::string datei;
    int zeile = 0;
    if (mSymbole->Zeile(suche, datei, zeile)) {
        Kopiere(eintrag.mZeilenDatei, datei);
        eintrag.mZeile = uint32_t(zeile);
    } else {
        BeiHilfeFehler("SymGetLineFromAddr64", kFehlerBibliothek, adresse);
    }

    Plattform::SymbolModul modul;
    if (mSymbole->Modul(suche, modul)) {
        eintrag.mSymbolTyp = uint32_t(modul.mArt);
        eintrag.mSymbolTypText = kSymbolTypTexte[eintrag.mSymbolTyp];
        Kopiere(eintrag.mModulName, modul.mName);
        eintrag.mBildBasis = modul.mBasis;
        Kopiere(eintrag.mGeladenesBild, modul.mPfad);
    } else {
        BeiHilfeFehler("SymGetModuleInfo64", kFehlerBibliothek, adresse);
    }
}

bool Velm_Stapelleser::GibAufrufstapelAus(uint32_t faden, const void* kontext) {
    if (mProzess != 0) {
        BeiHilfeFehler("GetThreadContext", kFehlerBibliothek, 0);
        mLetzterFehler = kFehlerBibliothek;
        return false;
    }
    Plattform::Rahmen rahmen[kHoechstRahmen];
    size_t anzahl = 0;
    if (kontext || faden == 0 || faden == Plattform::FadenId()) {
        anzahl = Plattform::LiesAufrufstapel(kontext, 0, rahmen, kHoechstRahmen);
    } else if (!Plattform::LiesFadenAufrufstapel(faden, rahmen, kHoechstRahmen, anzahl)) {
        BeiHilfeFehler("GetThreadContext", kFehlerBibliothek, 0);
        mLetzterFehler = kFehlerBibliothek;
        return false;
    }
    return GibRahmenAus(rahmen, anzahl);
}

bool Velm_Stapelleser::GibRahmenAus(const Plattform::Rahmen* rahmen, size_t anzahl) {
    if (!mModuleGeladen)
        LadeModule();
    if (!mSymbole) {
        mLetzterFehler = kFehlerBibliothek;
        return false;
    }
    auto eintrag = std::make_unique<Velm_StapelEintrag>();
    for (size_t i = 0; i < anzahl; ++i) {
        FuelleEintrag(rahmen[i].mAdresse, rahmen[i].mRuecksprung, *eintrag);
        BeiStapelEintrag(i == 0 ? kErsterEintrag : kEintrag, *eintrag);
    }
    mLetzterFehler = 0;
    BeiAusgabe("\n");
    return true;
}

void Velm_Stapelleser::FormatiereEintrag(int art, const Velm_StapelEintrag& eintrag, char (&zeile)[4096]) {
    TBerichtZeile text(zeile);
    if (art == kLetzterEintrag || eintrag.mAdresse == 0)
        return;
    const char* name = eintrag.mVollerUnverzierterName[0] ? eintrag.mVollerUnverzierterName
                       : eintrag.mUnverzierterName[0] ? eintrag.mUnverzierterName
                       : eintrag.mName[0]             ? eintrag.mName
                                                      : "(function-name not available)";
    if (eintrag.mZeilenDatei[0]) {
        text.Text(eintrag.mZeilenDatei).Text(" (").Dezimal(int32_t(eintrag.mZeile)).Text("): ");
    } else {
        const char* modul = eintrag.mModulName[0] ? eintrag.mModulName : "(module-name not available)";
        text.Adresse(eintrag.mAdresse).Text(" (").Text(modul).Text("): (filename not available): ");
    }
    text.Text(name).Text("\n");
}

void Velm_Stapelleser::BeiSymbolStart(const char* suchpfad, uint32_t optionen, const char* benutzerName) {
    char text[4096];
    std::snprintf(text, sizeof text, "SymInit: Symbol-SearchPath: '%s', symOptions: %d, UserName: '%s'\n", suchpfad,
                  int(optionen), benutzerName);
    BeiAusgabe(text);
    const Plattform::SystemVersion version = Plattform::LiesSystemVersion();
    std::snprintf(text, sizeof text, "OS-Version: %d.%d.%d (%s) 0x%x\n", int(version.mHaupt), int(version.mNeben),
                  int(version.mBau), version.mText, Plattform::kPlattformLinux);
    BeiAusgabe(text);
}

void Velm_Stapelleser::BeiModulGeladen(const char*, const char*, uint64_t, uint32_t, uint32_t, const char*,
                                       const char*, uint64_t) {}

void Velm_Stapelleser::BeiStapelEintrag(int art, const Velm_StapelEintrag& eintrag) {
    char zeile[4096];
    FormatiereEintrag(art, eintrag, zeile);
    if (zeile[0])
        BeiAusgabe(zeile);
}

void Velm_Stapelleser::BeiHilfeFehler(const char*, uint32_t, uint64_t) {}

void Velm_Stapelleser::BeiAusgabe(const char* text) {
    std::fputs(text, stderr);
}

void Velm_LogStapelleser::BeiAusgabe(const char* text) {
    Velm_Konsole::SchreibeDirekt(text);
}
