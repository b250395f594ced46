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

// Sets a flag for as long as it lives, so that every way out clears it again.
class Gesetzt {
public:
    explicit Gesetzt(bool& flag) : mFlag(flag) { mFlag = true; }
    ~Gesetzt() { mFlag = false; }
    Gesetzt(const Gesetzt&) = delete;
    Gesetzt& operator=(const Gesetzt&) = delete;

private:
    bool& mFlag;
};

// Encodes the body of a #define from its first character to the end of the line: a parameter
// becomes its index byte, "#" before one stringizes it, "##" becomes the paste mark, and the
// macro's own name is marked so that it does not expand itself. Backslashes stay in the body with
// the character after them.
class KoerperKodierer {
public:
    KoerperKodierer(CppLauf& lauf, const std::string& name, const std::vector<std::string>& parameter)
        : mLauf(lauf), mName(name), mParameter(parameter) {}

    // False after a diagnostic; the body is not to be stored then.
    bool Kodiere(int c);
    const std::string& Koerper() const { return mKoerper; }

private:
    int NachRaute();
    int Wort(int erstes);
    int Zahl(int erstes);
    bool Literal(int quote);
    int Maskiert();
    bool PasstInPuffer(size_t grenze);

    CppLauf& mLauf;
    const std::string& mName;
    const std::vector<std::string>& mParameter;
    std::string mKoerper;
    bool mStringize = false;
};

bool KoerperKodierer::Kodiere(int c) {
    const Gesetzt imDefine(mLauf.mImDefine);
    while (c != '\n' && c != 0) {
        if (!PasstInPuffer(kArbeitspuffer - 1))
            return false;
        if (c == '#') {
            c = NachRaute();
            continue;
        }
        if (IstNamensanfang(c)) {
            c = Wort(c);
            continue;
        }
        mStringize = false;
        if (IstZiffer(c) || c == '.') {
            c = Zahl(c);
        } else if ((c == '"' || c == '\'') && !mLauf.mOpt.mEinfacheZeichen) {
            if (!Literal(c))
                return false;
            c = mLauf.Lies();
        } else if (IstLeer(c)) {
            mKoerper += ' ';
            c = mLauf.UeberspringeLeer();
        } else if (c == '\\') {
            c = Maskiert();
        } else {
            mKoerper += static_cast<char>(c);
            c = mLauf.Lies();
        }
    }
    mLauf.Zurueck(c);
    if (!mKoerper.empty() && mKoerper.back() == ' ')
        mKoerper.pop_back();
    return PasstInPuffer(kArbeitspuffer);
}

bool KoerperKodierer::PasstInPuffer(size_t grenze) {
    if (mKoerper.size() < grenze)
        return true;
    mLauf.Melde(M_ZeileZuLang);
    mLauf.Abbrechen();
    return false;
}

// After a "#": a second one pastes (blanks before it go), a single one stringizes the next name.
int KoerperKodierer::NachRaute() {
    int c = mLauf.Lies();
    if (c == '#') {
        while (!mKoerper.empty() && mKoerper.back() == ' ')
            mKoerper.pop_back();
        mKoerper += static_cast<char>(kPaste);
        return mLauf.UeberspringeLeer();
    }
    mStringize = true;
    while (IstLeer(c))
        c = mLauf.Lies();
    return c;
}

int KoerperKodierer::Wort(int erstes) {
    std::string wort;
    mLauf.LiesName(erstes, wort);
    const int index = ParameterIndex(mParameter, wort);
    if (index >= 0) {
        if (mStringize)
            mKoerper += static_cast<char>(kStringize);
        mKoerper += static_cast<char>(kParameter + index);
    } else {
        if (wort == mName)
            mKoerper += static_cast<char>(kNichtExpandieren);
        mKoerper += wort;
    }
    mStringize = false;
    return mLauf.Lies();
}

// A number, or a "." that starts none.
int KoerperKodierer::Zahl(int erstes) {
    if (erstes == '.') {
        const int d = mLauf.Lies();
        mLauf.Zurueck(d);
        if (!IstZiffer(d)) {
            mKoerper += '.';
            return mLauf.Lies();
        }
    }
    std::string zahl;
    mLauf.ScanneZahl(erstes, zahl);
    mKoerper += zahl;
    return mLauf.Lies();
}

// A literal that holds nothing but a parameter's name is marked, so that the argument replaces it.
bool KoerperKodierer::Literal(int quote) {
    std::string literal;
    if (!mLauf.ScanneLiteral(quote, literal))
        return false;
    const int index = ParameterIndex(mParameter, literal.substr(1, literal.size() - 2));
    if (index < 0) {
        mKoerper += literal;
        return true;
    }
    mKoerper += static_cast<char>(quote);
    mKoerper += static_cast<char>(kQuotierterParam);
    mKoerper += static_cast<char>(kParameter + index);
    mKoerper += static_cast<char>(quote);
    return true;
}

// A backslash with the character after it; before a newline the body goes on on the next line.
int KoerperKodierer::Maskiert() {
    mKoerper += '\\';
    const int c = mLauf.Lies();
    if (c == 0)
        return 0;
    if (c == '\n')
        mLauf.mMarkeFaellig = true;
    mKoerper += static_cast<char>(c);
    return mLauf.Lies();
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

// The parameter names after the "(" of "#define NAME(", up to the ")". "()" has none; otherwise
// every "," must be followed by one. False after a diagnostic.
bool CppLauf::LiesParameter(std::vector<std::string>& parameter) {
    size_t belegt = 0;
    int c = UeberspringeLeer();
    while (c != ')' || !parameter.empty()) {
        if (!IstNamensanfang(c)) {
            Zurueck(c);
            Melde(M_DefineSyntax);
            return false;
        }
        std::string parameterName;
        LiesName(c, parameterName);
        if (static_cast<int>(parameter.size()) == kMaxParameter) {
            Melde(M_ZuVieleParameter);
            Abbrechen();
            return false;
        }
        belegt += parameterName.size() + 1;
        if (belegt > kArgumentBereich) {
            Melde(M_MakroBereichVoll);
            Abbrechen();
            return false;
        }
        parameter.push_back(std::move(parameterName));
        c = UeberspringeLeer();
        if (c == ')')
            break;
        if (c != ',') {
            Zurueck(c);
            Melde(M_DefineSyntax);
            return false;
        }
        c = UeberspringeLeer();
    }
    return true;
}

// #define in three steps: the name, the parameter list when a "(" follows it at once, the body.
void CppLauf::Define() {
    std::string name;
    if (!LiesNameNachLeerraum(name, M_DefineSyntax))
        return;
    const CppMakro* alt = Finde(name);
    const bool warDefiniert = alt != nullptr;
    const std::string alterKoerper = alt ? alt->mKoerper : "";

    std::vector<std::string> parameter;
    int anzahl = kMakroOhneListe;
    int c = Lies();
    if (c == '(') {
        if (!LiesParameter(parameter))
            return;
        anzahl = static_cast<int>(parameter.size());
        c = Lies();
    }
    while (IstLeer(c))
        c = Lies();

    KoerperKodierer kodierer(*this, name, parameter);
    if (!kodierer.Kodiere(c))
        return;
    Speichere(name, kodierer.Koerper(), anzahl);
    if (warDefiniert && alterKoerper != kodierer.Koerper())
        Melde(M_Umdefiniert, name.c_str());
}

void CppLauf::Undef() {
    std::string name;
    if (LiesNameNachLeerraum(name, M_UndefArgument))
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
    if (!ZaehleExpansion(name) || ExpandiereEingebautes(name, anzahl))
        return true;
    std::vector<std::string> argumente;
    if (anzahl >= 0) {
        if (!SammleArgumente(argumente))
            return true;
        if (static_cast<int>(argumente.size()) != anzahl)
            Melde(M_ArgumentZahl, name.c_str());
    }
    std::string text;
    if (SetzeArgumenteEin(name, makro.mKoerper, anzahl, argumente, text))
        Schiebe(name, std::move(text));
    return true;
}

// False when the expansions nest too deep or go on too long without input: that is reported as
// recursion and every macro level is dropped.
bool CppLauf::ZaehleExpansion(const std::string& name) {
    if (++mTiefe == 1)
        mAeusserstes = name;
    if (!mEbenen.empty())
        ++mEbenen.back().mExpansionen;
    if (mTiefe < kMaxExpansionen && ++mOhneEingabe <= kMaxExpansionenOhneEingabe)
        return true;
    Melde(M_Rekursion, name.c_str(), mAeusserstes.c_str());
    while (!mEbenen.empty() && !mEbenen.back().mIstDatei)
        mEbenen.pop_back();
    mTiefe = 0;
    mOhneEingabe = 0;
    return false;
}

// __LINE__, __FILE__, __FUNCTION__ and __FUNC_LINE__; false for every other macro.
bool CppLauf::ExpandiereEingebautes(const std::string& name, int art) {
    switch (art) {
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
        return false;
    }
}

// The macro's body with its parameters replaced: "#" turns an argument into a string, a quoted
// parameter keeps an argument that is already quoted as it is. False when the text grew too long,
// which ends the run.
bool CppLauf::SetzeArgumenteEin(const std::string& name, const std::string& koerper, int anzahl,
                                const std::vector<std::string>& argumente, std::string& text) {
    // Bytes that name no parameter of this macro are ordinary text.
    const std::string leer;
    auto istReferenz = [&](unsigned char b) {
        return b >= kParameter && b < kParameter + std::max(anzahl, 0);
    };
    auto argument = [&](unsigned char b) -> const std::string& {
        const size_t index = b - kParameter;
        return index < argumente.size() ? argumente[index] : leer;
    };
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
            return false;
        }
    }
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
