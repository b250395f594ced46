#pragma once
// The tokens of an #if expression: operators, numbers, character constants, names (macros
// expanded, unknown ones 0), defined and sizeof. The parser in cpp_ausdruck.cpp takes them.

#include "shaderpp/cpp_lauf.h"

#include <cstdint>
#include <optional>

enum CppOp {
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

struct CppToken {
    int mOp;
    uint32_t mWert = 0;
};

class CppAusdruckLeser {
public:
    explicit CppAusdruckLeser(CppLauf& lauf) : mLauf(lauf) {}

    // The next token of the line; O_Ende at its end. `still`: the token lies in a part that
    // short-circuit evaluation skips, where a character constant of several characters is not
    // reported.
    CppToken Naechstes(bool still);

private:
    // The steps of Naechstes: a name (none when it was a macro, whose text is read on), an
    // operator, an operator of one or two characters.
    std::optional<CppToken> Name(int erstes, bool expandieren);
    CppToken Operator(int c, bool still);
    CppToken Paar(int zweites, int dann, int sonst);
    uint32_t Zahl(int erstes);
    CppToken Zeichenkonstante(bool still);
    CppToken Defined();
    CppToken Sizeof();
    CppToken Abbruch(int code, int wert = 0); // reports an error that ends the run

    CppLauf& mLauf;
};
