// The tokens of #if expressions, and the sizes that sizeof reports.

#include "shaderpp/cpp_ausdruckleser.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

// Sizes of char, short, int, long, float, double and (pointer sizes only) the function pointer.
constexpr int kTypen = 7;
int gGroesse[kTypen] = {1, 2, 4, 4, 4, 8, 8};
int gZeigerGroesse[kTypen] = {8, 8, 8, 8, 8, 8, 8};

int HexWert(int c) {
    if (IstZiffer(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

} // namespace

CppToken CppAusdruckLeser::Abbruch(int code, int wert) {
    mLauf.Melde(code, wert);
    mLauf.Abbrechen();
    return {O_Ende};
}

CppToken CppAusdruckLeser::Naechstes(bool still) {
    for (;;) {
        int c = mLauf.UeberspringeLeer();
        if (c == '\n' || c == 0) {
            mLauf.Zurueck(c);
            return {O_Ende};
        }
        bool expandieren = true;
        if (c == kNichtExpandieren) {
            c = mLauf.Lies();
            expandieren = false;
            if (!IstNamensanfang(c)) {
                mLauf.Zurueck(c);
                continue;
            }
        }
        if (IstNamensanfang(c)) {
            if (const std::optional<CppToken> token = Name(c, expandieren))
                return *token;
            continue;
        }
        if (IstZiffer(c))
            return {O_Wert, Zahl(c)};
        return Operator(c, still);
    }
}

std::optional<CppToken> CppAusdruckLeser::Name(int erstes, bool expandieren) {
    std::string name;
    mLauf.LiesName(erstes, name);
    CppMakro* makro = expandieren ? mLauf.Finde(name) : nullptr;
    if (makro && mLauf.Expandiere(*makro))
        return std::nullopt;
    if (mLauf.mAbbruch)
        return CppToken{O_Ende};
    if (name == "defined")
        return Defined();
    if (name == "sizeof")
        return Sizeof();
    return CppToken{O_Wert, 0};
}

CppToken CppAusdruckLeser::Paar(int zweites, int dann, int sonst) {
    const int d = mLauf.Lies();
    if (d == zweites)
        return CppToken{dann};
    mLauf.Zurueck(d);
    return CppToken{sonst};
}

CppToken CppAusdruckLeser::Operator(int c, bool still) {
    switch (c) {
    case '\'':
        if (mLauf.mOpt.mEinfacheZeichen)
            return Abbruch(M_ZeichenImIf, c);
        return Zeichenkonstante(still);
    case '"':
        return Abbruch(M_StringImIf);
    case '+':
        return {O_Plus};
    case '-':
        return {O_Minus};
    case '*':
        return {O_Mal};
    case '/':
        return {O_Durch};
    case '%':
        return {O_Rest};
    case '^':
        return {O_Xor};
    case '~':
        return {O_Tilde};
    case '?':
        return {O_Frage};
    case ':':
        return {O_Doppelpunkt};
    case '(':
        return {O_Auf};
    case ')':
        return {O_Zu};
    case '&':
        return Paar('&', O_UndUnd, O_Und);
    case '|':
        return Paar('|', O_OderOder, O_Oder);
    case '!':
        return Paar('=', O_Ungleich, O_Nicht);
    case '<': {
        const CppToken t = Paar('<', O_Links, O_Kleiner);
        return t.mOp == O_Links ? t : Paar('=', O_KleinerGleich, O_Kleiner);
    }
    case '>': {
        const CppToken t = Paar('>', O_Rechts, O_Groesser);
        return t.mOp == O_Rechts ? t : Paar('=', O_GroesserGleich, O_Groesser);
    }
    case '=': {
        const CppToken t = Paar('=', O_Gleich, O_Unbekannt);
        return t.mOp == O_Gleich ? t : Abbruch(M_Zuweisung);
    }
    case '.':
        return {O_Unbekannt};
    case '\\':
        return Abbruch(M_Backslash);
    default:
        // Reported even inside a part that short-circuit evaluation skips: the run ends here.
        return Abbruch(c >= 32 && c < 127 ? M_ZeichenImIf : M_CodeImIf, c);
    }
}

// Decimal, octal after a leading 0 (8 and 9 end it), hexadecimal after 0x; one "u" is skipped.
uint32_t CppAusdruckLeser::Zahl(int erstes) {
    uint32_t wert = 0;
    int c = mLauf.Lies();
    if (erstes == '0' && (c == 'x' || c == 'X')) {
        for (c = mLauf.Lies(); isxdigit(c); c = mLauf.Lies())
            wert = wert * 16 + HexWert(c);
    } else if (erstes == '0') {
        for (; c >= '0' && c <= '7'; c = mLauf.Lies())
            wert = wert * 8 + (c - '0');
    } else {
        wert = erstes - '0';
        for (; IstZiffer(c); c = mLauf.Lies())
            wert = wert * 10 + (c - '0');
    }
    if (c != 'u' && c != 'U')
        mLauf.Zurueck(c);
    return wert;
}

CppToken CppAusdruckLeser::Zeichenkonstante(bool still) {
    uint32_t wert = 0;
    int anzahl = 0;
    for (;;) {
        int c = mLauf.LiesRoh();
        if (c == '\'')
            return {O_Wert, wert};
        if (c == '\\') {
            c = mLauf.LiesRoh();
            switch (c) {
            case 'a':
                c = '\a';
                break;
            case 'b':
                c = '\b';
                break;
            case 'f':
                c = '\f';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            case 'v':
                c = '\v';
                break;
            case 'x': {
                int ziffern = 0, d = mLauf.LiesRoh();
                for (c = 0; ziffern < 3 && isxdigit(d); ++ziffern, d = mLauf.LiesRoh())
                    c = c * 16 + HexWert(d);
                mLauf.Zurueck(d);
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    int ziffern = 1, d = mLauf.LiesRoh();
                    for (c -= '0'; ziffern < 3 && d >= '0' && d <= '7'; ++ziffern, d = mLauf.LiesRoh())
                        c = c * 8 + (d - '0');
                    mLauf.Zurueck(d);
                } else if (c == '\n' || c == 0) {
                    mLauf.Zurueck(c);
                    return Abbruch(M_OffenerString);
                }
                break;
            }
        } else if (c == '\n' || c == 0) {
            mLauf.Zurueck(c);
            return Abbruch(M_OffenerString);
        }
        if (anzahl++ > 0 && !still)
            mLauf.Melde(M_Mehrzeichen, c & 0xFF);
        wert = wert * 256 + static_cast<uint32_t>(c & 0xFF);
    }
}

CppToken CppAusdruckLeser::Defined() {
    int c = mLauf.UeberspringeLeer();
    const bool klammer = c == '(';
    if (klammer)
        c = mLauf.UeberspringeLeer();
    if (!IstNamensanfang(c)) {
        mLauf.Zurueck(c);
        return Abbruch(M_DefinedSyntax);
    }
    std::string name;
    mLauf.LiesName(c, name);
    if (klammer && (c = mLauf.UeberspringeLeer()) != ')') {
        mLauf.Zurueck(c);
        return Abbruch(M_DefinedSyntax);
    }
    return {O_Wert, mLauf.Finde(name) ? 1u : 0u};
}

CppToken CppAusdruckLeser::Sizeof() {
    static const char* const kWoerter[] = {"char",  "short",  "int",    "long",
                                           "float", "double", "signed", "unsigned"};
    enum { Char = 1, Short = 2, Int = 4, Long = 8, Float = 16, Double = 32, Signed = 64, Unsigned = 128 };

    // The character that breaks the syntax goes back, so a newline still ends the line.
    int c = mLauf.UeberspringeLeer();
    auto syntaxfehler = [&]() {
        mLauf.Zurueck(c);
        return Abbruch(M_SizeofSyntax);
    };
    auto folgt = [&](int zeichen) { return (c = mLauf.UeberspringeLeer()) == zeichen; };
    if (c != '(')
        return syntaxfehler();
    unsigned woerter = 0;
    bool doppelt = false;
    for (c = mLauf.UeberspringeLeer(); IstNamensanfang(c); c = mLauf.UeberspringeLeer()) {
        std::string wort;
        mLauf.LiesName(c, wort);
        unsigned bit = 0;
        for (int i = 0; i < 8; ++i)
            if (wort == kWoerter[i])
                bit = 1u << i;
        if (bit == 0) {
            mLauf.Melde(M_SizeofTyp, wort.c_str());
            mLauf.Abbrechen();
            return {O_Ende};
        }
        doppelt |= (woerter & bit) != 0;
        woerter |= bit;
    }
    int zeiger = 0; // 1 pointer, 2 function pointer
    if (c == '*') {
        zeiger = 1;
        c = mLauf.UeberspringeLeer();
    } else if (c == '(') {
        if (!folgt('*') || !folgt(')'))
            return syntaxfehler();
        zeiger = 1;
        if (folgt('(')) {
            if (!folgt(')'))
                return syntaxfehler();
            zeiger = 2;
            c = mLauf.UeberspringeLeer();
        }
    }
    if (c != ')')
        return syntaxfehler();
    if (woerter == 0)
        return Abbruch(M_SizeofOhneTyp);
    auto mehrAlsEins = [&](unsigned gruppe) { return __builtin_popcount(woerter & gruppe) > 1; };
    if (doppelt || mehrAlsEins(Short | Long | Float | Double) || mehrAlsEins(Char | Int | Float | Double) ||
        mehrAlsEins(Float | Double | Signed | Unsigned) || mehrAlsEins(Char | Short | Long))
        return Abbruch(M_SizeofKombination);

    int typ = 2;
    if (woerter & Char)
        typ = 0;
    else if (woerter & Short)
        typ = 1;
    else if (woerter & Long)
        typ = 3;
    else if (woerter & Float)
        typ = 4;
    else if (woerter & Double)
        typ = 5;
    const int groesse = zeiger == 2   ? gZeigerGroesse[kTypen - 1]
                        : zeiger == 1 ? gZeigerGroesse[typ]
                                      : gGroesse[typ];
    return {O_Wert, static_cast<uint32_t>(groesse)};
}

bool cpp_SetzeGroessen(const char* text, int& fehlercode) {
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    const bool zeiger = *p == '*';
    if (zeiger)
        ++p;
    int* ziel = zeiger ? gZeigerGroesse : gGroesse;
    const int anzahl = zeiger ? kTypen : kTypen - 1;
    int gesetzt = 0;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == ',')
            ++p;
        char* ende = nullptr;
        const long wert = strtol(p, &ende, 10);
        if (ende == p)
            break;
        p = ende;
        if (gesetzt == anzahl) {
            fehlercode = M_ZuVieleGroessen;
            return false;
        }
        ziel[gesetzt++] = static_cast<int>(wert);
    }
    if (gesetzt < anzahl) {
        fehlercode = M_ZuWenigGroessen;
        return false;
    }
    return true;
}
