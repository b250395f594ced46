// #if expressions: tokens with macro expansion, defined and sizeof, and an operator-precedence
// parser over 32-bit values that wrap.

#include "shaderpp/cpp_lauf.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace {

enum Op {
    O_Ende = 0,
    O_Wert = 1,
    O_Plus = 3,
    O_Minus,
    O_Mal,
    O_Durch,
    O_Rest,
    O_Links,
    O_Rechts,
    O_Und,
    O_Oder,
    O_Xor,
    O_Gleich,
    O_Ungleich,
    O_Kleiner,
    O_KleinerGleich,
    O_GroesserGleich,
    O_Groesser,
    O_UndUnd,
    O_OderOder,
    O_Frage,
    O_Doppelpunkt,
    O_UPlus = 24,
    O_UMinus,
    O_Tilde,
    O_Nicht,
    O_Auf,
    O_Zu,
    // A token that is no operator at all.
    O_Unbekannt = -1,
};

const char* OpName(int op) {
    static const char* const kNamen[] = {"end of expression",
                                         "val",
                                         "id",
                                         "+",
                                         "-",
                                         "*",
                                         "/",
                                         "%",
                                         "<<",
                                         ">>",
                                         "&",
                                         "|",
                                         "^",
                                         "==",
                                         "!=",
                                         "<",
                                         "<=",
                                         ">=",
                                         ">",
                                         "&&",
                                         "||",
                                         "?",
                                         ":",
                                         "",
                                         "unary +",
                                         "unary -",
                                         "~",
                                         "!",
                                         "(",
                                         ")",
                                         "(none)"};
    return op >= 0 && op < static_cast<int>(sizeof(kNamen) / sizeof(kNamen[0])) ? kNamen[op] : "(none)";
}

// Higher binds tighter. "^" and "|" share one priority and group from the left.
int Prioritaet(int op) {
    switch (op) {
    case O_UPlus:
    case O_UMinus:
    case O_Tilde:
    case O_Nicht:
        return 10;
    case O_Mal:
    case O_Durch:
    case O_Rest:
        return 9;
    case O_Plus:
    case O_Minus:
        return 8;
    case O_Links:
    case O_Rechts:
        return 7;
    case O_Kleiner:
    case O_KleinerGleich:
    case O_Groesser:
    case O_GroesserGleich:
        return 6;
    case O_Gleich:
    case O_Ungleich:
        return 5;
    case O_Und:
        return 4;
    case O_Xor:
    case O_Oder:
        return 3;
    case O_UndUnd:
        return 2;
    case O_OderOder:
        return 1;
    case O_Frage:
    case O_Doppelpunkt:
        return 0;
    default:
        return -1; // "(" and the start are never reduced by priority
    }
}

bool IstUnaer(int op) {
    return op == O_UPlus || op == O_UMinus || op == O_Tilde || op == O_Nicht;
}

// Sizes of char, short, int, long, float, double and (pointer sizes only) the function pointer.
constexpr int kTypen = 7;
int gGroesse[kTypen] = {1, 2, 4, 4, 4, 8, 8};
int gZeigerGroesse[kTypen] = {8, 8, 8, 8, 8, 8, 8};

int HexWert(int c) {
    if (IstZiffer(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

class Auswerter {
public:
    explicit Auswerter(CppLauf& lauf) : mLauf(lauf) {}

    // False after an error of the parser itself (the condition then counts as true) or when the
    // run ended.
    bool Werte(int32_t& ergebnis);

private:
    struct Token {
        int mOp;
        uint32_t mWert = 0;
    };
    struct OpEintrag {
        int mOp;
        bool mStill; // the operands are in a part that short-circuit evaluation skips
    };

    Token Naechstes(bool still);
    uint32_t Zahl(int erstes);
    Token Zeichenkonstante(bool still);
    Token Defined();
    Token Sizeof();
    Token Abbruch(int code, int wert = 0); // reports an error that ends the run
    bool Fehler(int code, const char* operatorName = nullptr);
    bool Reduziere();
    bool SchiebeOp(int op, bool still);

    CppLauf& mLauf;
    std::vector<uint32_t> mWerte;
    std::vector<OpEintrag> mOps;
};

bool Auswerter::Fehler(int code, const char* operatorName) {
    mLauf.Melde(code, operatorName);
    return false;
}

Auswerter::Token Auswerter::Abbruch(int code, int wert) {
    mLauf.Melde(code, wert);
    mLauf.Abbrechen();
    return {O_Ende};
}

bool Auswerter::SchiebeOp(int op, bool still) {
    if (mOps.size() >= 128)
        return Fehler(M_OperatorUeberlauf, OpName(op));
    mOps.push_back({op, still});
    return true;
}

bool Auswerter::Werte(int32_t& ergebnis) {
    mOps.push_back({O_Ende, false});
    bool operand = true;
    for (;;) {
        const bool still = mOps.back().mStill;
        const Token token = Naechstes(still);
        if (mLauf.mAbbruch)
            return false;
        int op = token.mOp;
        if (op == O_Unbekannt)
            return Fehler(M_IfZeile);
        if (op == O_Wert) {
            if (!operand)
                return Fehler(M_KonstanteFalsch);
            if (mWerte.size() >= 127)
                return Fehler(M_WerteUeberlauf);
            mWerte.push_back(token.mWert);
            operand = false;
            continue;
        }
        if (operand) {
            if (op == O_Plus)
                op = O_UPlus;
            else if (op == O_Minus)
                op = O_UMinus;
            if (!IstUnaer(op) && op != O_Auf)
                return Fehler(M_OperatorKontext, OpName(op));
            if (!SchiebeOp(op, still))
                return false;
            continue;
        }
        switch (op) {
        case O_Tilde:
        case O_Nicht:
        case O_Auf:
            return Fehler(M_OperatorKontext, OpName(op));
        case O_Zu:
            while (mOps.back().mOp != O_Auf) {
                if (mOps.back().mOp == O_Ende)
                    return Fehler(M_Klammern, OpName(O_Zu));
                if (!Reduziere())
                    return false;
            }
            mOps.pop_back();
            continue;
        case O_Ende:
            while (mOps.back().mOp != O_Ende) {
                if (mOps.back().mOp == O_Auf)
                    return Fehler(M_Klammern, OpName(O_Auf));
                if (!Reduziere())
                    return false;
            }
            ergebnis = static_cast<int32_t>(mWerte.back());
            return true;
        case O_Frage:
            while (Prioritaet(mOps.back().mOp) > Prioritaet(O_Frage))
                if (!Reduziere())
                    return false;
            // The reductions may have closed a skipped part ("1 || 0 ? ..."), so ask the stack now.
            if (!SchiebeOp(O_Frage, mOps.back().mStill || mWerte.back() == 0))
                return false;
            break;
        case O_Doppelpunkt: {
            // A finished inner conditional belongs to this one's middle operand.
            while (Prioritaet(mOps.back().mOp) > Prioritaet(O_Doppelpunkt) ||
                   mOps.back().mOp == O_Doppelpunkt)
                if (!Reduziere())
                    return false;
            if (mOps.back().mOp != O_Frage)
                return Fehler(M_Bedingung, OpName(mOps.back().mOp));
            // The condition lies below the middle operand; when it holds, the last one is skipped.
            const bool aussen = mOps[mOps.size() - 2].mStill;
            mOps.back() = {O_Doppelpunkt, aussen || mWerte[mWerte.size() - 2] != 0};
            break;
        }
        default: {
            while (Prioritaet(mOps.back().mOp) >= Prioritaet(op))
                if (!Reduziere())
                    return false;
            const uint32_t links = mWerte.back();
            const bool kurz = (op == O_UndUnd && links == 0) || (op == O_OderOder && links != 0);
            if (!SchiebeOp(op, mOps.back().mStill || kurz))
                return false;
            break;
        }
        }
        operand = true;
    }
}

// Applies the operator on top of the stack. Arithmetic runs on unsigned values so that overflow
// wraps; signedness matters only for division, right shift and comparison.
bool Auswerter::Reduziere() {
    const OpEintrag eintrag = mOps.back();
    mOps.pop_back();
    if (eintrag.mOp == O_Frage)
        return Fehler(M_Bedingung, OpName(mOps.back().mOp));
    if (IstUnaer(eintrag.mOp)) {
        uint32_t& a = mWerte.back();
        switch (eintrag.mOp) {
        case O_UMinus:
            a = 0u - a;
            break;
        case O_Tilde:
            a = ~a;
            break;
        case O_Nicht:
            a = a == 0;
            break;
        default:
            break;
        }
        return true;
    }
    if (eintrag.mOp == O_Doppelpunkt) {
        const uint32_t sonst = mWerte.back();
        mWerte.pop_back();
        const uint32_t dann = mWerte.back();
        mWerte.pop_back();
        mWerte.back() = mWerte.back() != 0 ? dann : sonst;
        return true;
    }
    const uint32_t b = mWerte.back();
    mWerte.pop_back();
    uint32_t& a = mWerte.back();
    const int32_t sa = static_cast<int32_t>(a), sb = static_cast<int32_t>(b);
    switch (eintrag.mOp) {
    case O_Plus:
        a += b;
        break;
    case O_Minus:
        a -= b;
        break;
    case O_Mal:
        a *= b;
        break;
    case O_Durch:
    case O_Rest:
        if (b == 0) {
            if (!eintrag.mStill)
                mLauf.Melde(M_DurchNull, eintrag.mOp == O_Durch ? "divide" : "mod");
            a = 0;
        } else if (sa == INT32_MIN && sb == -1) {
            // The one quotient that does not fit; the hardware would trap.
            a = eintrag.mOp == O_Durch ? a : 0;
        } else {
            a = static_cast<uint32_t>(eintrag.mOp == O_Durch ? sa / sb : sa % sb);
        }
        break;
    case O_Links:
        a <<= (b & 31);
        break;
    case O_Rechts:
        a = static_cast<uint32_t>(sa >> (b & 31));
        break;
    case O_Und:
        a &= b;
        break;
    case O_Oder:
        a |= b;
        break;
    case O_Xor:
        a ^= b;
        break;
    case O_Gleich:
        a = sa == sb;
        break;
    case O_Ungleich:
        a = sa != sb;
        break;
    case O_Kleiner:
        a = sa < sb;
        break;
    case O_KleinerGleich:
        a = sa <= sb;
        break;
    case O_GroesserGleich:
        a = sa >= sb;
        break;
    case O_Groesser:
        a = sa > sb;
        break;
    case O_UndUnd:
        a = a != 0 && b != 0;
        break;
    case O_OderOder:
        a = a != 0 || b != 0;
        break;
    default:
        break;
    }
    return true;
}

Auswerter::Token Auswerter::Naechstes(bool still) {
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
            std::string name;
            mLauf.LiesName(c, name);
            CppMakro* makro = expandieren ? mLauf.Finde(name) : nullptr;
            if (makro && mLauf.Expandiere(*makro))
                continue;
            if (mLauf.mAbbruch)
                return {O_Ende};
            if (name == "defined")
                return Defined();
            if (name == "sizeof")
                return Sizeof();
            return {O_Wert, 0};
        }
        if (IstZiffer(c))
            return {O_Wert, Zahl(c)};
        auto paar = [&](int zweites, int dann, int sonst) {
            const int d = mLauf.Lies();
            if (d == zweites)
                return Token{dann};
            mLauf.Zurueck(d);
            return Token{sonst};
        };
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
            return paar('&', O_UndUnd, O_Und);
        case '|':
            return paar('|', O_OderOder, O_Oder);
        case '!':
            return paar('=', O_Ungleich, O_Nicht);
        case '<': {
            const Token t = paar('<', O_Links, O_Kleiner);
            return t.mOp == O_Links ? t : paar('=', O_KleinerGleich, O_Kleiner);
        }
        case '>': {
            const Token t = paar('>', O_Rechts, O_Groesser);
            return t.mOp == O_Rechts ? t : paar('=', O_GroesserGleich, O_Groesser);
        }
        case '=': {
            const Token t = paar('=', O_Gleich, O_Unbekannt);
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
}

// Decimal, octal after a leading 0 (8 and 9 end it), hexadecimal after 0x; one "u" is skipped.
uint32_t Auswerter::Zahl(int erstes) {
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

Auswerter::Token Auswerter::Zeichenkonstante(bool still) {
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

Auswerter::Token Auswerter::Defined() {
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

Auswerter::Token Auswerter::Sizeof() {
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

} // namespace

bool CppLauf::Bedingung() {
    Auswerter auswerter(*this);
    int32_t wert = 0;
    if (auswerter.Werte(wert))
        return wert != 0;
    if (mAbbruch)
        return false;
    // After an error of the parser the rest of the line is dropped and the condition holds.
    UeberspringeZeile();
    return true;
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
