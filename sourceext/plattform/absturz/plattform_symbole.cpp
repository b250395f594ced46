#include "plattform/absturz/plattform_symbole.h"

#include <elfutils/libdwfl.h>

#include <cstring>
#include <unistd.h>

namespace Plattform {

struct Symbole::Zustand {
    Dwfl_Callbacks mRueckrufe{};
    char* mSuchpfad = nullptr;
    Dwfl* mDwfl = nullptr;
};

namespace {

const char* DateiName(const char* pfad) {
    const char* strich = std::strrchr(pfad, '/');
    return strich ? strich + 1 : pfad;
}

SymbolModul Beschreibe(Dwfl_Module* modul, bool lesen) {
    SymbolModul ergebnis;
    Dwarf_Addr anfang = 0, ende = 0;
    if (lesen) {
        Dwarf_Addr versatz = 0;
        if (dwfl_module_getdwarf(modul, &versatz))
            ergebnis.mArt = SymbolArt::Voll;
        else if (dwfl_module_getsymtab(modul) > 0)
            ergebnis.mArt = SymbolArt::Symboltabelle;
        else
            ergebnis.mArt = SymbolArt::Keine;
    }
    const char* hauptdatei = nullptr;
    const char* debugdatei = nullptr;
    const char* name = dwfl_module_info(modul, nullptr, &anfang, &ende, nullptr, nullptr, &hauptdatei, &debugdatei);
    ergebnis.mPfad = hauptdatei ? hauptdatei : name ? name : "";
    ergebnis.mName = DateiName(name ? name : ergebnis.mPfad.c_str());
    ergebnis.mDebugDatei = debugdatei ? debugdatei : "";
    ergebnis.mBasis = anfang;
    ergebnis.mGroesse = ende - anfang;
    return ergebnis;
}

int SammleModul(Dwfl_Module* modul, void**, const char*, Dwarf_Addr, void* daten) {
    static_cast<std::vector<SymbolModul>*>(daten)->push_back(Beschreibe(modul, false));
    return DWARF_CB_OK;
}

} // namespace

Symbole::Symbole(const std::string& suchpfad, uint32_t prozess) : mZustand(std::make_unique<Zustand>()) {
    Zustand& z = *mZustand;
    z.mSuchpfad = strdup(suchpfad.c_str());
    z.mRueckrufe.find_elf = dwfl_linux_proc_find_elf;
    z.mRueckrufe.find_debuginfo = dwfl_standard_find_debuginfo;
    z.mRueckrufe.debuginfo_path = &z.mSuchpfad;
    z.mDwfl = dwfl_begin(&z.mRueckrufe);
    if (!z.mDwfl)
        return;
    if (dwfl_linux_proc_report(z.mDwfl, prozess ? pid_t(prozess) : getpid()) != 0 ||
        dwfl_report_end(z.mDwfl, nullptr, nullptr) != 0) {
        dwfl_end(z.mDwfl);
        z.mDwfl = nullptr;
    }
}

Symbole::~Symbole() {
    if (mZustand->mDwfl)
        dwfl_end(mZustand->mDwfl);
    free(mZustand->mSuchpfad);
}

bool Symbole::Bereit() const {
    return mZustand->mDwfl != nullptr;
}

std::vector<SymbolModul> Symbole::Module() const {
    std::vector<SymbolModul> module;
    if (mZustand->mDwfl)
        dwfl_getmodules(mZustand->mDwfl, &SammleModul, &module, 0);
    return module;
}

bool Symbole::Modul(uint64_t adresse, SymbolModul& modul) const {
    Dwfl_Module* gefunden = mZustand->mDwfl ? dwfl_addrmodule(mZustand->mDwfl, adresse) : nullptr;
    if (!gefunden)
        return false;
    modul = Beschreibe(gefunden, true);
    return true;
}

bool Symbole::Name(uint64_t adresse, std::string& name, uint64_t& versatz) const {
    Dwfl_Module* modul = mZustand->mDwfl ? dwfl_addrmodule(mZustand->mDwfl, adresse) : nullptr;
    GElf_Off abstand = 0;
    GElf_Sym symbol;
    const char* gefunden =
        modul ? dwfl_module_addrinfo(modul, adresse, &abstand, &symbol, nullptr, nullptr, nullptr) : nullptr;
    versatz = abstand;
    if (!gefunden)
        return false;
    name.assign(gefunden, std::strcspn(gefunden, "@"));
    return true;
}

bool Symbole::Zeile(uint64_t adresse, std::string& datei, int& zeile) const {
    Dwfl_Line* eintrag = mZustand->mDwfl ? dwfl_getsrc(mZustand->mDwfl, adresse) : nullptr;
    const char* gefunden = eintrag ? dwfl_lineinfo(eintrag, nullptr, &zeile, nullptr, nullptr, nullptr) : nullptr;
    if (!gefunden)
        return false;
    datei = gefunden;
    return true;
}

} // namespace Plattform
