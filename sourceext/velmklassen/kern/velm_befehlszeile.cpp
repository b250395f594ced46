#include "velmklassen/kern/velm_befehlszeile.h"

#include <cstdlib>

float Velm_LiesFloat(const std::string& text) {
    return float(std::strtod(text.c_str(), nullptr));
}

void Velm_Befehlszeile::FuegeHinzu(std::string token) {
    mWerte.push_back(Velm_LiesFloat(token));
    mTokens.push_back(std::move(token));
}

const std::string& Velm_Befehlszeile::Token(size_t i) const {
    static const std::string kLeer;
    return i < mTokens.size() ? mTokens[i] : kLeer;
}

float Velm_Befehlszeile::Wert(size_t i) const {
    return i < mWerte.size() ? mWerte[i] : 0.0f;
}

Velm_Befehlszeile Velm_Befehlszeile::Zerlege(const std::string& text) {
    Velm_Befehlszeile zeile;
    const size_t laenge = text.size();
    size_t pos = 0;
    size_t start = 0;
    bool inAnfuehrung = false;

    while (pos < laenge) {
        const char c = text[pos];
        if (inAnfuehrung) {
            if (c != '"') {
                ++pos;
                continue;
            }
            zeile.FuegeHinzu(text.substr(start, pos - start));
            inAnfuehrung = false;
            start = pos + 1;
            if (start < laenge && text[start] == ',')
                ++start;
            pos = start;
        } else if (c == '"') {
            // Whatever was collected before the quote belongs to no token.
            inAnfuehrung = true;
            start = ++pos;
        } else if (c != ' ' && c != ',') {
            ++pos;
        } else if (c == ' ' && start == pos) {
            start = ++pos;
        } else {
            zeile.FuegeHinzu(text.substr(start, pos - start));
            start = ++pos;
        }
    }
    if (start < laenge)
        zeile.FuegeHinzu(text.substr(start));
    return zeile;
}
