// The configuration file: the saved variables as XML, <config> with one <var name=".." wert=".."/>
// per variable in name order, read at start and written at the end of every run.

#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_speicher.h"
#include "velmklassen/kern/velm_variable.h"
#include "velmklassen/kern/velm_xml.h"

#include <tinyxml.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// The file's name once; the program entry names its file itself, so nothing reads it.
Velm_Variable t_konfig("t_konfig", "programm.cfg", Velm_Variable::kSchreibgeschuetzt);

// A configuration file has a few dozen lines. TinyXML would take a folder or a device for a file
// of absurd size, so only regular files are opened, and a file larger than this is not ours.
constexpr size_t kHoechstensBytes = 1 << 20;

// A configuration file holds a few dozen elements; one with more is refused as unreadable before
// TinyXML's recursive parser meets its nesting.
constexpr size_t kHoechstensElemente = 2000;

bool IstRegulaereDatei(const std::filesystem::path& pfad) {
    std::error_code fehler;
    return std::filesystem::is_regular_file(pfad, fehler);
}

// The file's text as TinyXML's own file loader prepares it (up to the first zero byte, every
// "\r\n" and lone "\r" made "\n"); false when the file is too large.
bool LiesText(FILE* datei, std::string& text) {
    std::string roh;
    char block[4096];
    while (const size_t n = std::fread(block, 1, sizeof block, datei)) {
        roh.append(block, n);
        if (roh.size() > kHoechstensBytes)
            return false;
    }
    text.reserve(roh.size());
    for (size_t i = 0; i < roh.size() && roh[i] != 0; ++i) {
        if (roh[i] != '\r') {
            text += roh[i];
            continue;
        }
        text += '\n';
        if (i + 1 < roh.size() && roh[i + 1] == '\n')
            ++i;
    }
    return true;
}

} // namespace

void Velm_Variable::LadeKonfiguration(const std::filesystem::path& ordner, const std::string& dateiname) {
    const std::filesystem::path pfad = ordner / dateiname;
    if (Velm_VariablenRegister* reg = Register())
        reg->mKonfigPfad = pfad;

    FILE* datei = IstRegulaereDatei(pfad) ? std::fopen(pfad.c_str(), "rb") : nullptr;
    if (!datei) {
        Velm_Konsole::Schreibe("?Keine Konfig-Datei gefunden, benutze Standardwerte.");
        return;
    }
    std::string text;
    const bool gelesen = LiesText(datei, text);
    std::fclose(datei);

    TiXmlDocument dokument;
    if (!gelesen || !Velm_ParseXml(dokument, text, kHoechstensElemente)) {
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

    // An error or a crash while saving leaves the old settings as they were.
    Velm_ErsetzeDatei(reg->mKonfigPfad, "wb", [&dokument](FILE* datei) {
        for (const TiXmlNode* knoten = dokument.FirstChild(); knoten; knoten = knoten->NextSibling()) {
            knoten->Print(datei, 0);
            std::fputs("\n", datei);
        }
    });
}
