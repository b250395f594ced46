// The configuration file: the saved variables as XML, <config> with one <var name=".." wert=".."/>
// per variable in name order, read at start and written at the end of every run.

#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_variable.h"

#include <tinyxml.h>

#include <cstdio>

namespace {

// TinyXML parses and frees nested elements recursively, so a deeply nested file would overflow
// the stack. No element can be nested deeper than the file has '<' characters, and a
// configuration file has a few dozen of them: a file with more is refused as unreadable.
constexpr size_t kHoechstensSpitzeKlammern = 2000;

// TinyXML reads the whole file into memory at once and takes a folder or a device for a file
// of absurd size: only regular files of a sensible size are read.
constexpr uintmax_t kHoechstensBytes = 1 << 20;

bool IstLesbareDatei(const std::filesystem::path& pfad) {
    std::error_code fehler;
    if (!std::filesystem::is_regular_file(pfad, fehler))
        return false;
    const uintmax_t groesse = std::filesystem::file_size(pfad, fehler);
    return !fehler && groesse <= kHoechstensBytes;
}

// Counts the '<' of the open file and leaves it at its start again.
bool ZuTiefVerschachtelt(FILE* datei) {
    size_t klammern = 0;
    char block[4096];
    while (const size_t n = std::fread(block, 1, sizeof block, datei)) {
        for (size_t i = 0; i < n; ++i)
            klammern += block[i] == '<';
        if (klammern > kHoechstensSpitzeKlammern)
            return true;
    }
    std::rewind(datei);
    return false;
}

} // namespace

void Velm_Variable::LadeKonfiguration(const std::filesystem::path& ordner, const std::string& dateiname) {
    const std::filesystem::path pfad = ordner / dateiname;
    if (Velm_VariablenRegister* reg = Register())
        reg->mKonfigPfad = pfad;

    FILE* datei = IstLesbareDatei(pfad) ? std::fopen(pfad.c_str(), "rb") : nullptr;
    if (!datei) {
        Velm_Konsole::Schreibe("?Keine Konfig-Datei gefunden, benutze Standardwerte.");
        return;
    }
    TiXmlDocument dokument;
    const bool gelesen = !ZuTiefVerschachtelt(datei) && dokument.LoadFile(datei);
    std::fclose(datei);
    if (!gelesen) {
        Velm_Konsole::Schreibe("?Keine Konfig-Datei gefunden, benutze Standardwerte.");
        return;
    }

    // The root's name is not checked: any first element holding "var" elements will do.
    const TiXmlElement* wurzel = dokument.FirstChildElement();
    if (!wurzel || !wurzel->FirstChildElement("var")) {
        Velm_Konsole::Schreibe("?Konfig-Datei fehlerhaft, benutze Standardwerte.");
        return;
    }
    for (const TiXmlElement* eintrag = wurzel->FirstChildElement("var"); eintrag;
         eintrag = eintrag->NextSiblingElement("var")) {
        const char* name = eintrag->Attribute("name");
        if (!name)
            continue;
        Velm_Variable* variable = Finde(name);
        if (!variable)
            continue;
        const char* wert = eintrag->Attribute("wert");
        if (!wert)
            continue;
        // The file is trusted like the program itself: read-only variables take its values too.
        variable->SetText(wert);
    }
}

void Velm_Variable::SpeichereKonfiguration() {
    const Velm_VariablenRegister* reg = Register();
    if (!reg || reg->mKonfigPfad.empty())
        return;

    TiXmlDocument dokument;
    dokument.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* wurzel = new TiXmlElement("config");
    dokument.LinkEndChild(wurzel);
    for (const auto& [name, variable] : reg->mVariablen) {
        if (!(variable->mFlags & kGespeichert))
            continue;
        TiXmlElement* eintrag = new TiXmlElement("var");
        eintrag->SetAttribute("name", name);
        eintrag->SetAttribute("wert", variable->mText);
        wurzel->LinkEndChild(eintrag);
    }

    FILE* datei = std::fopen(reg->mKonfigPfad.c_str(), "wb");
    if (!datei)
        return;
    for (const TiXmlNode* knoten = dokument.FirstChild(); knoten; knoten = knoten->NextSibling()) {
        knoten->Print(datei, 0);
        std::fputs("\n", datei);
    }
    std::fflush(datei);
    std::fclose(datei);
}
