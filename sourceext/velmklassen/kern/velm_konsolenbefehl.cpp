#include "velmklassen/kern/velm_konsolenbefehl.h"

#include "velmklassen/kern/velm_befehlszeile.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_variable.h"

#include <memory>

namespace {

using BefehlsRegister = std::map<std::string, Velm_Konsolenbefehl*>;

// Created by whichever command registers first, so the order of static initialisation across
// translation units does not matter.
std::unique_ptr<BefehlsRegister>& RegisterHalter() {
    static std::unique_ptr<BefehlsRegister> halter;
    return halter;
}

} // namespace

Velm_Konsolenbefehl::Velm_Konsolenbefehl(const char* name, Velm_BefehlsHandler handler)
    : mName(name), mHandler(handler) {
    Registriere(*this);
}

void Velm_Konsolenbefehl::Registriere(Velm_Konsolenbefehl& befehl) {
    auto& halter = RegisterHalter();
    if (!halter)
        halter = std::make_unique<BefehlsRegister>();
    (*halter)[befehl.mName] = &befehl;
}

const std::map<std::string, Velm_Konsolenbefehl*>* Velm_Konsolenbefehl::Register() {
    return RegisterHalter().get();
}

void Velm_Konsolenbefehl::FuehreAus(const std::string& zeile) {
    const BefehlsRegister* reg = Register();
    if (!reg) {
        Velm_Konsole::Schreibe("!Keine Konsolenbefehle definiert.");
        return;
    }
    // Only the blank separates the name: a tab belongs to it.
    const size_t blank = zeile.find(' ');
    if (blank == 0)
        return;
    const std::string name = zeile.substr(0, blank);
    const std::string argumente = blank == std::string::npos ? std::string() : zeile.substr(blank + 1);

    const auto it = reg->find(name);
    if (it == reg->end()) {
        Velm_Konsole::Schreibe("!Unbekannter Befehl \"%s\"", name.c_str());
        return;
    }
    it->second->mHandler(argumente);
}

std::string Velm_Konsolenbefehl::Vervollstaendige(const std::string& praefix) {
    const BefehlsRegister* reg = Register();
    if (!reg)
        return {};
    const auto it = reg->lower_bound(praefix);
    if (it != reg->end() && it->first.compare(0, praefix.size(), praefix) == 0)
        return it->first;
    return {};
}

void Velm_Konsolenbefehl::ZeigeAlle() {
    if (const BefehlsRegister* reg = Register())
        for (const auto& eintrag : *reg)
            Velm_Konsole::Schreibe(" - %s", eintrag.first.c_str());
}

void Velm_Konsolenbefehl::ZeigeHilfe(const std::string&) {
    Velm_Konsole::Schreibe("Definierte Konsolenbefehle sind:");
    if (!Register()) {
        Velm_Konsole::Schreibe("!Keine Konsolenbefehle definiert.");
        return;
    }
    ZeigeAlle();
}

void Velm_KonsoleBasisAnzeige::FuehreAus(const std::string& zeile) {
    Velm_Konsole::Schreibe(">%s", zeile.c_str());
    Velm_Konsolenbefehl::FuehreAus(zeile);
}

void Velm_Variable::BefehlSet(const std::string& argumente) {
    const Velm_Befehlszeile zeile = Velm_Befehlszeile::Zerlege(argumente);
    if (zeile.Anzahl() == 0) {
        ZeigeAlle();
        return;
    }

    Velm_Variable* variable = Finde(zeile.Token(0));
    if (!variable) {
        Velm_Konsole::Schreibe("!Variable %s ist nicht definiert.", zeile.Token(0).c_str());
        return;
    }
    if (zeile.Anzahl() == 1) {
        Velm_Konsole::Schreibe("%s = %s", variable->mName.c_str(), variable->mText.c_str());
        return;
    }

    if (variable->mFlags & kSchreibgeschuetzt) {
        if (!t_debug.Bool()) {
            Velm_Konsole::Schreibe("!Zuweisung unmöglich: Variable \"%s\" ist schreibgeschützt.",
                                   variable->mName.c_str());
            return;
        }
        Velm_Konsole::Schreibe("?Debug-Modus: schreibgeschützte Variable \"%s\" geändert.",
                               variable->mName.c_str());
    }

    // The tokens lose their quotes and are joined again, so "x y" assigns x y and 1280 720
    // assigns 1280, 720.
    std::string wert = zeile.Token(1);
    for (size_t i = 2; i < zeile.Anzahl(); ++i)
        wert += ", " + zeile.Token(i);
    variable->SetText(wert);
    Velm_Konsole::Schreibe("Variable \"%s\" auf Wert \"%s\" gesetzt.", variable->mName.c_str(),
                           variable->mText.c_str());
}

// The engine core's own commands; the screen adds "reinitvideo" and "videoram".
static Velm_Konsolenbefehl gBefehlQuit("quit", &Velm_System::Beenden);
static Velm_Konsolenbefehl gBefehlSet("set", &Velm_Variable::BefehlSet);
static Velm_Konsolenbefehl gBefehlHelp("help", &Velm_Konsolenbefehl::ZeigeHilfe);
