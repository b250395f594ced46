// #if expressions: an operator-precedence parser over 32-bit values that wrap, on the tokens of
// cpp_ausdruckleser.cpp.

#include "shaderpp/cpp_ausdruckleser.h"

#include <cstdint>

namespace {

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

// The unary operators; unary plus leaves the value as it is.
uint32_t Unaer(int op, uint32_t a) {
    switch (op) {
    case O_UMinus:
        return 0u - a;
    case O_Tilde:
        return ~a;
    case O_Nicht:
        return a == 0;
    default:
        return a;
    }
}

class Auswerter {
public:
    explicit Auswerter(CppLauf& lauf) : mLauf(lauf), mLeser(lauf) {}

    // False after an error of the parser itself (the condition then counts as true) or when the
    // run ended.
    bool Werte(int32_t& ergebnis);

private:
    struct OpEintrag {
        int mOp;
        bool mStill; // the operands are in a part that short-circuit evaluation skips
    };

    bool Fehler(int code, const char* operatorName = nullptr);
    // The steps of Werte: a value, an operator where an operand is due, an operator after one, and
    // the end of the expression.
    bool NimmWert(uint32_t wert, bool operandFaellig);
    bool SchiebeVorangestellt(int op, bool still);
    bool NachOperand(int op);
    bool SchliesseAb(int32_t& ergebnis);
    bool SchliesseKlammer();
    bool Frage();
    bool Doppelpunkt();
    bool Reduziere();
    uint32_t Rechne(const OpEintrag& eintrag, uint32_t a, uint32_t b);
    bool SchiebeOp(int op, bool still);

    CppLauf& mLauf;
    CppAusdruckLeser mLeser;
    std::vector<uint32_t> mWerte;
    std::vector<OpEintrag> mOps;
};

bool Auswerter::Fehler(int code, const char* operatorName) {
    mLauf.Melde(code, operatorName);
    return false;
}

bool Auswerter::SchiebeOp(int op, bool still) {
    if (mOps.size() >= 128)
        return Fehler(M_OperatorUeberlauf, OpName(op));
    mOps.push_back({op, still});
    return true;
}

// Reads tokens until the end of the expression: values go on the value stack, operators on the
// operator stack once what binds tighter before them is reduced.
bool Auswerter::Werte(int32_t& ergebnis) {
    mOps.push_back({O_Ende, false});
    bool operand = true;
    for (;;) {
        const bool still = mOps.back().mStill;
        const CppToken token = mLeser.Naechstes(still);
        if (mLauf.mAbbruch)
            return false;
        const int op = token.mOp;
        if (op == O_Unbekannt)
            return Fehler(M_IfZeile);
        if (op == O_Wert) {
            if (!NimmWert(token.mWert, operand))
                return false;
            operand = false;
        } else if (operand) {
            if (!SchiebeVorangestellt(op, still))
                return false;
        } else if (op == O_Ende) {
            return SchliesseAb(ergebnis);
        } else {
            if (!NachOperand(op))
                return false;
            // After ")" an operator is due, as after a value.
            operand = op != O_Zu;
        }
    }
}

bool Auswerter::NimmWert(uint32_t wert, bool operandFaellig) {
    if (!operandFaellig)
        return Fehler(M_KonstanteFalsch);
    if (mWerte.size() >= 127)
        return Fehler(M_WerteUeberlauf);
    mWerte.push_back(wert);
    return true;
}

// Where an operand is due only a unary operator or "(" may stand; "+" and "-" are the unary ones.
bool Auswerter::SchiebeVorangestellt(int op, bool still) {
    if (op == O_Plus)
        op = O_UPlus;
    else if (op == O_Minus)
        op = O_UMinus;
    if (!IstUnaer(op) && op != O_Auf)
        return Fehler(M_OperatorKontext, OpName(op));
    return SchiebeOp(op, still);
}

bool Auswerter::NachOperand(int op) {
    switch (op) {
    case O_Tilde:
    case O_Nicht:
    case O_Auf:
        return Fehler(M_OperatorKontext, OpName(op));
    case O_Zu:
        return SchliesseKlammer();
    case O_Frage:
        return Frage();
    case O_Doppelpunkt:
        return Doppelpunkt();
    default: {
        while (Prioritaet(mOps.back().mOp) >= Prioritaet(op))
            if (!Reduziere())
                return false;
        const uint32_t links = mWerte.back();
        const bool kurz = (op == O_UndUnd && links == 0) || (op == O_OderOder && links != 0);
        return SchiebeOp(op, mOps.back().mStill || kurz);
    }
    }
}

bool Auswerter::SchliesseAb(int32_t& ergebnis) {
    while (mOps.back().mOp != O_Ende) {
        if (mOps.back().mOp == O_Auf)
            return Fehler(M_Klammern, OpName(O_Auf));
        if (!Reduziere())
            return false;
    }
    ergebnis = static_cast<int32_t>(mWerte.back());
    return true;
}

bool Auswerter::SchliesseKlammer() {
    while (mOps.back().mOp != O_Auf) {
        if (mOps.back().mOp == O_Ende)
            return Fehler(M_Klammern, OpName(O_Zu));
        if (!Reduziere())
            return false;
    }
    mOps.pop_back();
    return true;
}

bool Auswerter::Frage() {
    while (Prioritaet(mOps.back().mOp) > Prioritaet(O_Frage))
        if (!Reduziere())
            return false;
    // The reductions may have closed a skipped part ("1 || 0 ? ..."), so ask the stack now.
    return SchiebeOp(O_Frage, mOps.back().mStill || mWerte.back() == 0);
}

bool Auswerter::Doppelpunkt() {
    // A finished inner conditional belongs to this one's middle operand.
    while (Prioritaet(mOps.back().mOp) > Prioritaet(O_Doppelpunkt) || mOps.back().mOp == O_Doppelpunkt)
        if (!Reduziere())
            return false;
    if (mOps.back().mOp != O_Frage)
        return Fehler(M_Bedingung, OpName(mOps.back().mOp));
    // The condition lies below the middle operand; when it holds, the last one is skipped.
    const bool aussen = mOps[mOps.size() - 2].mStill;
    mOps.back() = {O_Doppelpunkt, aussen || mWerte[mWerte.size() - 2] != 0};
    return true;
}

// Applies the operator on top of the stack.
bool Auswerter::Reduziere() {
    const OpEintrag eintrag = mOps.back();
    mOps.pop_back();
    if (eintrag.mOp == O_Frage)
        return Fehler(M_Bedingung, OpName(mOps.back().mOp));
    if (IstUnaer(eintrag.mOp)) {
        mWerte.back() = Unaer(eintrag.mOp, mWerte.back());
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
    mWerte.back() = Rechne(eintrag, mWerte.back(), b);
    return true;
}

// The binary operators. Arithmetic runs on unsigned values so that overflow wraps; signedness
// matters only for division, right shift and comparison.
uint32_t Auswerter::Rechne(const OpEintrag& eintrag, uint32_t a, uint32_t b) {
    const int32_t sa = static_cast<int32_t>(a), sb = static_cast<int32_t>(b);
    switch (eintrag.mOp) {
    case O_Plus:
        return a + b;
    case O_Minus:
        return a - b;
    case O_Mal:
        return a * b;
    case O_Durch:
    case O_Rest:
        if (b == 0) {
            if (!eintrag.mStill)
                mLauf.Melde(M_DurchNull, eintrag.mOp == O_Durch ? "divide" : "mod");
            return 0;
        }
        // The one quotient that does not fit; the hardware would trap.
        if (sa == INT32_MIN && sb == -1)
            return eintrag.mOp == O_Durch ? a : 0;
        return static_cast<uint32_t>(eintrag.mOp == O_Durch ? sa / sb : sa % sb);
    case O_Links:
        return a << (b & 31);
    case O_Rechts:
        return static_cast<uint32_t>(sa >> (b & 31));
    case O_Und:
        return a & b;
    case O_Oder:
        return a | b;
    case O_Xor:
        return a ^ b;
    case O_Gleich:
        return sa == sb;
    case O_Ungleich:
        return sa != sb;
    case O_Kleiner:
        return sa < sb;
    case O_KleinerGleich:
        return sa <= sb;
    case O_GroesserGleich:
        return sa >= sb;
    case O_Groesser:
        return sa > sb;
    case O_UndUnd:
        return a != 0 && b != 0;
    case O_OderOder:
        return a != 0 || b != 0;
    default:
        return a;
    }
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
