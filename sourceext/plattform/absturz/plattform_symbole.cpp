#include "plattform/absturz/plattform_symbole.h"

#include "plattform/absturz/plattform_abbildungen.h"

#include <elfutils/libdwfl.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace Plattform {

namespace {

// What opens a module's running image: the process and its executable as its map names it.
struct LaufendeBilder {
    uint32_t mProzess = 0;
    std::string mProgramm;
};

// A module's file as the process's map names it, without the mark of a file that is gone.
std::string OhneGeloescht(const char* pfad) {
    static constexpr char kGeloescht[] = " (deleted)";
    const size_t laenge = std::strlen(pfad);
    const size_t mark = sizeof kGeloescht - 1;
    if (laenge > mark && std::strcmp(pfad + laenge - mark, kGeloescht) == 0)
        return std::string(pfad, laenge - mark);
    return pfad;
}

// libdw opens a module by the path in the process's map, which after a rebuild names another file
// or none. The running image is opened instead; libdw's own way is the fallback (a deleted file
// then reads from memory, without debug information). `basis` lies in the module's first mapping.
int FindeLaufendesBild(Dwfl_Module* modul, void** nutzdaten, const char* name, Dwarf_Addr basis, char** dateiName,
                       Elf** elf) {
    const auto* bilder = static_cast<const LaufendeBilder*>(*nutzdaten);
    const int datei = bilder && name[0] == '/' ? OeffneModulDatei(bilder->mProzess, basis, name == bilder->mProgramm) : -1;
    if (datei < 0)
        return dwfl_linux_proc_find_elf(modul, nutzdaten, name, basis, dateiName, elf);
    *dateiName = strdup(OhneGeloescht(name).c_str());
    return datei;
}

int MerkeBilder(Dwfl_Module*, void** nutzdaten, const char*, Dwarf_Addr, void* bilder) {
    *nutzdaten = bilder;
    return DWARF_CB_OK;
}

} // namespace

struct Symbole::Zustand {
    Dwfl_Callbacks mRueckrufe{};
    char* mSuchpfad = nullptr;
    Dwfl* mDwfl = nullptr;
    LaufendeBilder mBilder;
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
    ergebnis.mPfad = OhneGeloescht(hauptdatei ? hauptdatei : name ? name : "");
    ergebnis.mName = DateiName(ergebnis.mPfad.c_str());
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
    z.mBilder.mProzess = prozess ? prozess : uint32_t(getpid());
    std::error_code fehler;
    z.mBilder.mProgramm = std::filesystem::read_symlink("/proc/" + std::to_string(z.mBilder.mProzess) + "/exe", fehler);
    z.mRueckrufe.find_elf = FindeLaufendesBild;
    z.mRueckrufe.find_debuginfo = dwfl_standard_find_debuginfo;
    z.mRueckrufe.debuginfo_path = &z.mSuchpfad;
    z.mDwfl = dwfl_begin(&z.mRueckrufe);
    if (!z.mDwfl)
        return;
    if (dwfl_linux_proc_report(z.mDwfl, pid_t(z.mBilder.mProzess)) != 0 ||
        dwfl_report_end(z.mDwfl, nullptr, nullptr) != 0) {
        dwfl_end(z.mDwfl);
        z.mDwfl = nullptr;
        return;
    }
    dwfl_getmodules(z.mDwfl, &MerkeBilder, &z.mBilder, 0);
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
