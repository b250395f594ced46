#pragma once
// A command line split into tokens: blanks and commas separate, double quotes group. Every token
// also carries its value as a leading decimal number (0 when it does not begin with one).

#include <string>
#include <vector>

class Velm_Befehlszeile {
public:
    static Velm_Befehlszeile Zerlege(const std::string& text);

    size_t Anzahl() const { return mTokens.size(); }
    // "" and 0 beyond the last token.
    const std::string& Token(size_t i) const;
    float Wert(size_t i) const;

private:
    void FuegeHinzu(std::string token);

    std::vector<std::string> mTokens;
    std::vector<float> mWerte;
};

// A leading decimal floating-point number as the C library reads it, narrowed to float.
float Velm_LiesFloat(const std::string& text);
