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
    bool Reduziere();
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

bool Auswerter::Werte(int32_t& ergebnis) {
    mOps.push_back({O_Ende, false});
    bool operand = true;
    for (;;) {
        const bool still = mOps.back().mStill;
        const CppToken token = mLeser.Naechstes(still);
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
