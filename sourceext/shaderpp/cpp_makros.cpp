// Macros: the symbol table, #define with its body encoding, #undef, expansion with raw arguments,
// stringizing and pasting, and the dump of all definitions.

#include "shaderpp/cpp_lauf.h"

#include <algorithm>

namespace {

uint32_t Hash(const std::string& name) {
    uint32_t summe = static_cast<uint32_t>(name.size());
    for (char c : name)
        summe += static_cast<unsigned char>(c);
    return summe;
}

int ParameterIndex(const std::vector<std::string>& parameter, const std::string& name) {
    const auto it = std::find(parameter.begin(), parameter.end(), name);
    return it == parameter.end() ? -1 : static_cast<int>(it - parameter.begin());
}

std::string Quotiert(const std::string& text) {
    std::string ergebnis;
    ergebnis.reserve(text.size() + 2);
    ergebnis += '"';
    ergebnis += text;
    ergebnis += '"';
    return ergebnis;
}

bool NurLeerraum(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IstLeer(c) || c == '\n'; });
}

} // namespace

CppMakro* CppLauf::Finde(const std::string& name) {
    const uint32_t hash = Hash(name);
    for (const auto& makro : mTabelle[hash % mTabelle.size()])
        if (makro->mHash == hash && makro->mName == name)
            return makro.get();
    return nullptr;
}

// Entries of equal hash stay sorted by name; a name already present is replaced.
void CppLauf::Speichere(const std::string& name, std::string koerper, int parameter) {
    const uint32_t hash = Hash(name);
    auto& eimer = mTabelle[hash % mTabelle.size()];
    auto stelle = eimer.end();
    for (auto it = eimer.begin(); it != eimer.end(); ++it) {
        if ((*it)->mHash != hash)
            continue;
        if ((*it)->mName == name) {
            (*it)->mKoerper = std::move(koerper);
            (*it)->mParameter = parameter;
            return;
        }
        if ((*it)->mName > name && stelle == eimer.end())
            stelle = it;
    }
    auto makro = std::make_unique<CppMakro>();
    makro->mKoerper = std::move(koerper);
    makro->mHash = hash;
    makro->mParameter = parameter;
    makro->mName = name;
    eimer.insert(stelle, std::move(makro));
}

void CppLauf::Entferne(const std::string& name) {
    const uint32_t hash = Hash(name);
    auto& eimer = mTabelle[hash % mTabelle.size()];
    eimer.erase(
        std::remove_if(eimer.begin(), eimer.end(),
                       [&](const auto& makro) { return makro->mHash == hash && makro->mName == name; }),
        eimer.end());
}

void CppLauf::Define() {
    int c = UeberspringeLeer();
    if (!IstNamensanfang(c)) {
        Zurueck(c);
        Melde(M_DefineSyntax);
        return;
    }
    std::string name;
    LiesName(c, name);
    const CppMakro* alt = Finde(name);
    const bool warDefiniert = alt != nullptr;
    const std::string alterKoerper = alt ? alt->mKoerper : "";

    std::vector<std::string> parameter;
    int anzahl = kMakroOhneListe;
    c = Lies();
    if (c == '(') {
        size_t belegt = 0;
        // "()" has no parameters; otherwise every "," must be followed by one.
        c = UeberspringeLeer();
        while (c != ')' || !parameter.empty()) {
            if (!IstNamensanfang(c)) {
                Zurueck(c);
                Melde(M_DefineSyntax);
                return;
            }
            std::string parameterName;
            LiesName(c, parameterName);
            if (static_cast<int>(parameter.size()) == kMaxParameter) {
                Melde(M_ZuVieleParameter);
                Abbrechen();
                return;
            }
            belegt += parameterName.size() + 1;
            if (belegt > kArgumentBereich) {
                Melde(M_MakroBereichVoll);
                Abbrechen();
                return;
            }
            parameter.push_back(std::move(parameterName));
            c = UeberspringeLeer();
            if (c == ')')
                break;
            if (c != ',') {
                Zurueck(c);
                Melde(M_DefineSyntax);
                return;
            }
            c = UeberspringeLeer();
        }
        anzahl = static_cast<int>(parameter.size());
        c = Lies();
    }
    while (IstLeer(c))
        c = Lies();

    // Encode the body. Backslashes stay in it with the character after them.
    mImDefine = true;
    std::string koerper;
    bool stringize = false;
    while (c != '\n' && c != 0) {
        if (koerper.size() >= kArbeitspuffer - 1) {
            mImDefine = false;
            Melde(M_ZeileZuLang);
            Abbrechen();
            return;
        }
        if (c == '#') {
            c = Lies();
            if (c == '#') {
                while (!koerper.empty() && koerper.back() == ' ')
                    koerper.pop_back();
                koerper += static_cast<char>(kPaste);
                c = UeberspringeLeer();
            } else {
                stringize = true;
                while (IstLeer(c))
                    c = Lies();
            }
            continue;
        }
        if (IstNamensanfang(c)) {
            std::string wort;
            LiesName(c, wort);
            const int index = ParameterIndex(parameter, wort);
            if (index >= 0) {
                if (stringize)
                    koerper += static_cast<char>(kStringize);
                koerper += static_cast<char>(kParameter + index);
            } else {
                if (wort == name)
                    koerper += static_cast<char>(kNichtExpandieren);
                koerper += wort;
            }
            stringize = false;
            c = Lies();
            continue;
        }
        stringize = false;
        if (c == '.') {
            const int d = Lies();
            Zurueck(d);
            if (!IstZiffer(d)) {
                koerper += '.';
                c = Lies();
                continue;
            }
        }
        if (IstZiffer(c) || c == '.') {
            std::string zahl;
            ScanneZahl(c, zahl);
            koerper += zahl;
        } else if ((c == '"' || c == '\'') && !mOpt.mEinfacheZeichen) {
            std::string literal;
            if (!ScanneLiteral(c, literal)) {
                mImDefine = false;
                return;
            }
            const int index = ParameterIndex(parameter, literal.substr(1, literal.size() - 2));
            if (index >= 0) {
                koerper += static_cast<char>(c);
                koerper += static_cast<char>(kQuotierterParam);
                koerper += static_cast<char>(kParameter + index);
                koerper += static_cast<char>(c);
            } else {
                koerper += literal;
            }
        } else if (IstLeer(c)) {
            koerper += ' ';
            c = UeberspringeLeer();
            continue;
        } else if (c == '\\') {
            koerper += '\\';
            c = Lies();
            if (c == 0)
                break;
            if (c == '\n')
                mMarkeFaellig = true;
            koerper += static_cast<char>(c);
        } else {
            koerper += static_cast<char>(c);
        }
        c = Lies();
    }
    mImDefine = false;
    Zurueck(c);
    if (!koerper.empty() && koerper.back() == ' ')
        koerper.pop_back();
    if (koerper.size() >= kArbeitspuffer) {
        Melde(M_ZeileZuLang);
        Abbrechen();
        return;
    }
    Speichere(name, koerper, anzahl);
    if (warDefiniert && alterKoerper != koerper)
        Melde(M_Umdefiniert, name.c_str());
}

void CppLauf::Undef() {
    const int c = UeberspringeLeer();
    if (!IstNamensanfang(c)) {
        Zurueck(c);
        Melde(M_UndefArgument);
        return;
    }
    std::string name;
    LiesName(c, name);
    Entferne(name);
}

// Looks for the "(" of a call. Whatever was passed over goes back to the input when there is none.
bool CppLauf::SucheArgumentKlammer(const std::string& name) {
    std::string uebersprungen;
    int c = Lies();
    // Inside a directive the call must stay on the directive's line.
    while (IstLeer(c) || (c == '\n' && !mImDirektive)) {
        if (c == '\n')
            mMarkeFaellig = true;
        uebersprungen += static_cast<char>(c);
        c = Lies();
    }
    if (c == '(')
        return true;
    if (uebersprungen.empty()) {
        Zurueck(c);
    } else {
        if (c != 0)
            uebersprungen += static_cast<char>(c);
        Schiebe(name, std::move(uebersprungen));
    }
    return false;
}

// The raw arguments up to the closing ")". Returns false when the run ended.
bool CppLauf::SammleArgumente(std::vector<std::string>& argumente) {
    size_t belegt = 0;
    int tiefe = 0;
    bool komma = false;
    std::string argument;
    auto haengeAn = [&](int c) {
        if (belegt >= kArgumentBereich) {
            Melde(M_MakroBereichVoll);
            return;
        }
        argument += static_cast<char>(c);
        ++belegt;
    };
    for (;;) {
        int c = Lies();
        if (c == 0) {
            if (!mAbbruch) {
                Melde(M_EndeImArgument);
                Abbrechen();
            }
            return false;
        }
        if (c == kPaste)
            continue;
        if (tiefe == 0 && (c == ',' || c == ')')) {
            if (c == ')' && !komma && NurLeerraum(argument))
                return true;
            if (static_cast<int>(argumente.size()) == kMaxParameter) {
                Melde(M_ZuVieleArgumente);
                Abbrechen();
                return false;
            }
            argumente.push_back(std::move(argument));
            argument.clear();
            ++belegt;
            if (c == ')')
                return true;
            komma = true;
            continue;
        }
        if (c == '(')
            ++tiefe;
        else if (c == ')')
            --tiefe;
        if ((c == '"' || c == '\'') && !mOpt.mEinfacheZeichen) {
            std::string literal;
            if (!ScanneLiteral(c, literal))
                return false;
            for (char z : literal)
                haengeAn(static_cast<unsigned char>(z));
            continue;
        }
        haengeAn(c);
        if (c == '\\') {
            c = Lies();
            if (c != 0)
                haengeAn(c);
        }
    }
}

// Expands a macro whose name was just read: its text becomes a new input level that is read
// again. Returns false when the name stays as it is (a call without arguments).
bool CppLauf::Expandiere(CppMakro& makro) {
    const std::string name = makro.mName;
    const int anzahl = makro.mParameter;
    if (anzahl >= 0 && !SucheArgumentKlammer(name)) {
        Melde(M_BrauchtArgumente, name.c_str());
        return false;
    }
    if (++mTiefe == 1)
        mAeusserstes = name;
    if (!mEbenen.empty())
        ++mEbenen.back().mExpansionen;
    if (mTiefe >= kMaxExpansionen || ++mOhneEingabe > kMaxExpansionenOhneEingabe) {
        Melde(M_Rekursion, name.c_str(), mAeusserstes.c_str());
        while (!mEbenen.empty() && !mEbenen.back().mIstDatei)
            mEbenen.pop_back();
        mTiefe = 0;
        mOhneEingabe = 0;
        return true;
    }

    switch (anzahl) {
    case kEingebautLine:
        Schiebe(name, std::to_string(mZeile));
        return true;
    case kEingebautFile: {
        const std::string wert = Quotiert(DateiAnzeigeName());
        if (wert.size() >= kArbeitspuffer) {
            Melde(M_ZeileZuLang);
            Abbrechen();
            return true;
        }
        Schiebe(name, wert);
        return true;
    }
    case kEingebautFunction:
        Schiebe(name, Quotiert(mFunktion.empty() ? "<unknown function>" : mFunktion));
        return true;
    case kEingebautFuncLine:
        Schiebe(name, std::to_string(mFunktionsZeile));
        return true;
    default:
        break;
    }

    std::vector<std::string> argumente;
    if (anzahl >= 0) {
        if (!SammleArgumente(argumente))
            return true;
        if (static_cast<int>(argumente.size()) != anzahl)
            Melde(M_ArgumentZahl, name.c_str());
    }

    // Bytes that name no parameter of this macro are ordinary text.
    const std::string& koerper = makro.mKoerper;
    const std::string leer;
    auto istReferenz = [&](unsigned char b) {
        return b >= kParameter && b < kParameter + std::max(anzahl, 0);
    };
    auto argument = [&](unsigned char b) -> const std::string& {
        const size_t index = b - kParameter;
        return index < argumente.size() ? argumente[index] : leer;
    };
    std::string text;
    for (size_t i = 0; i < koerper.size(); ++i) {
        const unsigned char b = koerper[i];
        if (b == kStringize && i + 1 < koerper.size() && istReferenz(koerper[i + 1])) {
            text += '"';
            for (char z : argument(koerper[++i])) {
                if (z == '\\' || z == '"')
                    text += '\\';
                text += z;
            }
            text += '"';
        } else if ((b == '"' || b == '\'') && i + 3 < koerper.size() &&
                   static_cast<unsigned char>(koerper[i + 1]) == kQuotierterParam &&
                   istReferenz(koerper[i + 2]) && koerper[i + 3] == koerper[i]) {
            const std::string& wert = argument(koerper[i + 2]);
            if (!wert.empty() && wert[0] == koerper[i])
                text += wert;
            else
                text += static_cast<char>(b) + wert + static_cast<char>(b);
            i += 3;
        } else if (istReferenz(b)) {
            text += argument(b);
        } else {
            text += static_cast<char>(b);
        }
        if (text.size() >= kArbeitspuffer) {
            Melde(M_ExpansionZuLang, name.c_str());
            Abbrechen();
            return true;
        }
    }
    Schiebe(name, std::move(text));
    return true;
}

// Called when a name is followed by a paste mark: joins it with the name or number after it.
void CppLauf::Paste(const std::string& erster) {
    int c = Lies();
    std::string zweiter;
    if (mOpt.mPasteExpandiert && IstNamensanfang(c)) {
        LiesName(c, zweiter);
        CppMakro* makro = Finde(zweiter);
        if (!makro || !Expandiere(*makro)) {
            Verbinde(erster, zweiter);
            return;
        }
        c = Lies();
    }
    if (IstNamensanfang(c)) {
        LiesName(c, zweiter);
    } else if (IstZiffer(c) || c == '.') {
        ScanneZahl(c, zweiter);
    } else {
        if (c >= 32 && c < 127)
            Melde(M_ZeichenNachPaste, c);
        else
            Melde(M_CodeNachPaste, c);
        Zurueck(c);
        Schiebe(erster, erster);
        return;
    }
    Verbinde(erster, zweiter);
}

void CppLauf::Verbinde(const std::string& erster, const std::string& zweiter) {
    if (erster.size() + zweiter.size() >= kArbeitspuffer) {
        Melde(M_PasteZuLang, erster.c_str(), zweiter.c_str());
        Abbrechen();
        return;
    }
    Schiebe(erster, erster + zweiter);
}

void CppLauf::GibDefinitionenAus() {
    if (mOpt.mDefinitionenAusgeben < 2)
        Entferne("quorrcpp");
    for (const char* name : {"__LINE__", "__FILE__", "__FUNCTION__", "__FUNC_LINE__", "__DATE__", "__TIME__"})
        Entferne(name);
    mAusgabeAn = true;
    for (const auto& eimer : mTabelle) {
        for (const auto& makro : eimer) {
            std::string zeile = "#define " + makro->mName;
            if (makro->mParameter >= 0) {
                zeile += '(';
                for (int i = 1; i <= makro->mParameter; ++i)
                    zeile += (i > 1 ? ",__" : "__") + std::to_string(i);
                zeile += ')';
            }
            if (!makro->mKoerper.empty()) {
                zeile += '\t';
                for (char z : makro->mKoerper) {
                    const unsigned char b = z;
                    if (b == kNichtExpandieren)
                        continue;
                    if (b >= kParameter && b < kParameter + std::max(makro->mParameter, 0)) {
                        zeile += "__" + std::to_string(b - kParameter + 1);
                    } else if (b == kStringize) {
                        zeile += '#';
                    } else if (b == kPaste) {
                        zeile += "##";
                    } else if (b == 31) {
                        zeile += ' ';
                    } else if ((b < 32 || b >= 127) && b != '\t' && b != '\n') {
                        char oktal[8];
                        snprintf(oktal, sizeof(oktal), "\\0%o", b);
                        zeile += oktal;
                    } else {
                        zeile += z;
                    }
                }
            }
            zeile += '\n';
            Schreibe(zeile);
        }
    }
}
