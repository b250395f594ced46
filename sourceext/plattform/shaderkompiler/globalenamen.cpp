#include "plattform/shaderkompiler/globalenamen.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace Plattform {

namespace {

bool IstNamenZeichen(char z) {
    return std::isalnum(static_cast<unsigned char>(z)) || z == '_';
}

// Words one at a time: a name or number whole, a string literal as its quote, any other character
// alone. Keeps the line and file that glslang would name, following "#line N" and "#line N "file"".
struct Woerter {
    std::string_view text;
    std::string datei;
    size_t pos = 0;
    int zeile = 1;
    bool zeilenAnfang = true;

    bool Naechstes(std::string_view& wort) {
        while (pos < text.size()) {
            const char z = text[pos];
            if (z == '\n') {
                ++zeile;
                zeilenAnfang = true;
                ++pos;
            } else if (std::isspace(static_cast<unsigned char>(z))) {
                ++pos;
            } else if (z == '#' && zeilenAnfang) {
                LiesDirektive();
            } else {
                zeilenAnfang = false;
                const size_t anfang = pos++;
                if (IstNamenZeichen(z)) {
                    while (pos < text.size() && IstNamenZeichen(text[pos])) {
                        ++pos;
                    }
                } else if (z == '"') {
                    while (pos < text.size() && text[pos] != '"' && text[pos] != '\n') {
                        pos += text[pos] == '\\' ? 2 : 1;
                    }
                    pos = std::min(pos + 1, text.size());
                    return wort = text.substr(anfang, 1), true;
                }
                return wort = text.substr(anfang, pos - anfang), true;
            }
        }
        return false;
    }

    // Reads a directive up to the end of its line, which then counts as the line before N.
    void LiesDirektive() {
        const size_t ende = std::min(text.find('\n', pos), text.size());
        const std::string_view direktive = text.substr(pos + 1, ende - pos - 1);
        pos = ende;
        const size_t wort = direktive.find_first_not_of(" \t");
        if (wort == std::string_view::npos || direktive.substr(wort, 4) != "line") {
            return;
        }
        const size_t zahl = direktive.find_first_not_of(" \t", wort + 4);
        if (zahl == std::string_view::npos || !std::isdigit(static_cast<unsigned char>(direktive[zahl]))) {
            return;
        }
        int n = 0;
        size_t i = zahl;
        for (; i < direktive.size() && std::isdigit(static_cast<unsigned char>(direktive[i])) && n < 1000000;
             ++i) {
            n = n * 10 + (direktive[i] - '0');
        }
        zeile = n - 1;
        const size_t auf = direktive.find('"', i);
        const size_t zu = auf == std::string_view::npos ? auf : direktive.find('"', auf + 1);
        if (zu != std::string_view::npos) {
            datei = direktive.substr(auf + 1, zu - auf - 1);
        }
    }
};

} // namespace

std::string DoppelteGlobale(std::string_view text, const std::string& quellName) {
    Woerter woerter{text, quellName.empty() ? std::string("0") : quellName};
    std::set<std::string_view> namen;
    int tiefe = 0;              // ( [ { outside a cbuffer's body
    int winkel = 0;             // < > of a template type or an annotation
    bool ueberspringen = false; // a semantic, register or initializer, up to the next ',' or ';'
    bool nachStruct = false;    // the next name is a structure's
    bool pufferKopf = false;    // between "cbuffer" and its '{'
    bool imPuffer = false;      // a cbuffer's members are globals
    std::string_view kandidat;  // the last name, while nothing else followed it
    int kandidatZeile = 0;
    std::string_view wort;
    while (woerter.Naechstes(wort)) {
        const char z = wort[0];
        const bool name = std::isalpha(static_cast<unsigned char>(z)) || z == '_';
        if (tiefe > 0 || winkel > 0) {
            int& zaehler = tiefe > 0 ? tiefe : winkel;
            const std::string_view auf = tiefe > 0 ? "([{" : "<";
            const std::string_view zu = tiefe > 0 ? ")]}" : ">";
            zaehler += auf.find(z) != std::string_view::npos;
            zaehler -= zu.find(z) != std::string_view::npos;
            // After a function body or a braced initializer a new declaration starts.
            ueberspringen = ueberspringen && !(tiefe == 0 && z == '}');
            continue;
        }
        if (pufferKopf) {
            imPuffer = z == '{';
            pufferKopf = !imPuffer;
            continue;
        }
        if (wort == "cbuffer" || wort == "tbuffer") {
            pufferKopf = true;
            continue;
        }
        std::string_view deklariert;
        int zeile = kandidatZeile;
        if (name && !ueberspringen) {
            if (wort == "struct") {
                nachStruct = true;
            } else if (nachStruct) {
                deklariert = wort;
                zeile = woerter.zeile;
                nachStruct = false;
            } else {
                kandidat = wort;
                kandidatZeile = woerter.zeile;
            }
        } else if (z == '}' && imPuffer) {
            imPuffer = false;
            ueberspringen = false;
        } else if (z == ';' || z == ',') {
            deklariert = kandidat;
            ueberspringen = false;
        } else if (!ueberspringen && (z == '=' || z == ':' || z == '[')) {
            deklariert = kandidat;
            ueberspringen = z != '[';
        } else if (!ueberspringen && z == '<') {
            winkel = 1;
            continue;
        }
        tiefe += (z == '(' || z == '[' || z == '{');
        nachStruct = nachStruct && name;
        if (!name) {
            kandidat = {};
        }
        if (!deklariert.empty() && !namen.insert(deklariert).second) {
            return "ERROR: " + woerter.datei + ":" + std::to_string(zeile) + ": '" + std::string(deklariert) +
                   "' : redefinition\n";
        }
    }
    return {};
}

} // namespace Plattform
