#pragma once
// A console command: a name bound to a handler that receives the rest of the typed line. Every
// command is a static object that registers itself by name when it is built.

#include <map>
#include <string>

using Velm_BefehlsHandler = void (*)(const std::string& argumente);

class Velm_Konsolenbefehl {
public:
    // Registers the command; a second command with the same name replaces the first.
    Velm_Konsolenbefehl(const char* name, Velm_BefehlsHandler handler);
    Velm_Konsolenbefehl(const Velm_Konsolenbefehl&) = delete;
    Velm_Konsolenbefehl& operator=(const Velm_Konsolenbefehl&) = delete;

    static void Registriere(Velm_Konsolenbefehl& befehl);
    // Every registered command by byte-wise name; null until the first registration.
    static const std::map<std::string, Velm_Konsolenbefehl*>* Register();

    // Runs one line: the text up to the first blank names the command, the rest is its argument.
    // Unknown names are reported in the log; nothing throws.
    static void FuehreAus(const std::string& zeile);
    // The first command name in name order that begins with the prefix, or "".
    static std::string Vervollstaendige(const std::string& praefix);
    // " - name" for every command in name order.
    static void ZeigeAlle();
    // The console command "help".
    static void ZeigeHilfe(const std::string& argumente);

    const std::string& Name() const { return mName; }
    Velm_BefehlsHandler Handler() const { return mHandler; }

private:
    std::string mName;
    Velm_BefehlsHandler mHandler;
};
