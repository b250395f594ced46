// #if expressions: priorities, 32-bit arithmetic, short-circuit, defined, sizeof, character
// constants and the errors that make a condition true or end the run; and 300 random conditions with
// the answers of the system's "cpp -P -undef -nostdinc".

#include "testhilfe.h"

#include <gtest/gtest.h>

namespace {

// A number below grenze from a linear congruential sequence.
struct Zufall {
    uint32_t mZustand;
    uint32_t operator()(uint32_t grenze) {
        mZustand = mZustand * 1664525u + 1013904223u;
        return (mZustand >> 8) % grenze;
    }
};

// A random #if expression over small literals: no "^" (its priority is our own), divisors and
// shift counts are literals that cannot be 0 or too large, so gcc's 64-bit values agree with ours.
std::string Ausdruck(Zufall& zahl, int tiefe) {
    if (tiefe == 0 || zahl(4) == 0)
        return zahl(3) == 0 ? "-" + std::to_string(zahl(20)) : std::to_string(zahl(20));
    static const char* const kBinaer[] = {"+",  "-",  "*", "&",  "|", "&&", "||",
                                          "==", "!=", "<", "<=", ">", ">="};
    switch (zahl(6)) {
    case 0:
        return "(" + Ausdruck(zahl, tiefe - 1) + ")";
    case 1:
        return (zahl(2) ? "!" : "~") + std::string("(") + Ausdruck(zahl, tiefe - 1) + ")";
    case 2:
        return "(" + Ausdruck(zahl, tiefe - 1) + ") " + (zahl(2) ? "/ " : "% ") + std::to_string(1 + zahl(9));
    case 3:
        return "(" + Ausdruck(zahl, tiefe - 1) + ") " + (zahl(2) ? "<< " : ">> ") + std::to_string(zahl(4));
    case 4:
        return Ausdruck(zahl, tiefe - 1) + " ? " + Ausdruck(zahl, tiefe - 1) + " : " +
               Ausdruck(zahl, tiefe - 1);
    default:
        return Ausdruck(zahl, tiefe - 1) + " " + kBinaer[zahl(13)] + " " + Ausdruck(zahl, tiefe - 1);
    }
}

} // namespace

TEST(CppAusdruck, Bedingungen) {
    // What "#if condition" chooses: "1", "0", or "" when the run ends inside the condition; and the
    // one message line about it.
    const struct {
        std::string bedingung;
        const char* wert;
        const char* meldung;
    } faelle[] = {
        // Priorities (the others are compared with cpp): "^" binds tighter than "|", and unary plus.
        {"(1 | 2 ^ 3) == 0 && (3 ^ 1 | 4) == 6", "1", ""},
        {"- - 3 == 3 && +3 == 3", "1", ""},
        // Arithmetic in 32 bits.
        {"2147483647 + 1 < 0", "1", ""},
        {"-1 >> 1 == -1", "1", ""},
        {"1 << 33 == 2", "1", ""},
        {"0xFFFFFFFF == -1 && 037 == 31 && 10u == 10", "1", ""},
        {"65536 * 65536 == 0", "1", ""},
        {"-7 / 2 == -3 && -7 % 2 == -1", "1", ""},
        {"4294967297 == 1", "1", ""},
        {"(-2147483647 - 1) / -1 == -2147483647 - 1", "1", ""},
        {"(-2147483647 - 1) % -1 == 0", "1", ""},
        // Division by zero warns, except in a skipped part; the operands of "?" are skipped only
        // by their own condition, even right after a short-circuit.
        {"0 && 10 / 0", "0", ""},
        {"1 || 10 / 0", "1", ""},
        {"1 ? 1 : 1 / 0", "1", ""},
        {"0 ? 1 / 0 : 1", "1", ""},
        {"0 && 1 || 1 / 0", "0", "Warning: divide by zero in #if, zero result assumed"},
        {"1 || 0 ? 10 / 0 : 1", "0", "Warning: divide by zero in #if, zero result assumed"},
        {"0 && 1 ? 1 : 10 % 0", "0", "Warning: mod by zero in #if, zero result assumed"},
        // Names, defined and sizeof.
        {"UNBEKANNT == 0", "1", ""},
        {"defined 3", "", "Error: Bad #if ... defined() syntax"},
        {"defined(X", "", "Error: Bad #if ... defined() syntax"},
        {"sizeof(unsigned short int) == 2 && sizeof(long int) == 4 && sizeof(signed) == 4", "1", ""},
        {"sizeof(double) == 8 && sizeof(float (*)()) == 8 && sizeof(int (*)) == 8", "1", ""},
        {"sizeof(short long)", "", "Error: #if ... sizeof: illegal type combination"},
        {"sizeof(char float)", "", "Error: #if ... sizeof: illegal type combination"},
        {"sizeof(unsigned signed)", "", "Error: #if ... sizeof: illegal type combination"},
        {"sizeof(vec4)", "", "Error: #if sizeof, unknown type \"vec4\""},
        {"sizeof()", "", "Error: #if sizeof() error, no type specified"},
        {"sizeof int", "", "Error: #if ... sizeof() syntax error"},
        {"sizeof(int", "", "Error: #if ... sizeof() syntax error"},
        {"sizeof(int (*)(", "", "Error: #if ... sizeof() syntax error"},
        {"sizeof(int (x))", "", "Error: #if ... sizeof() syntax error"},
        // Character constants.
        {"'ab' == 24930", "1", "Warning: multi-byte constant 'b' isn't portable"},
        {"'\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && '\\\\' == 92 && '\\'' == 39", "1", ""},
        {"0 && 'ab'", "0", ""},
        // Parser errors make the condition true.
        {"1 2", "1", "Error: misplaced constant in #if"},
        {"0 +", "1", "Error: Operator end of expression in incorrect context"},
        {"(0", "1", "Error: unbalanced paren's, op is \"(\""},
        {"0)", "1", "Error: unbalanced paren's, op is \")\""},
        {"0 : 1", "1", "Error: Misplaced '?' or ':', previous operator is end of expression"},
        {"0 ? 1", "1", "Error: Misplaced '?' or ':', previous operator is end of expression"},
        {"0.5", "1", "Error: Illegal #if line"},
        {"1 ~ 0", "1", "Error: Operator ~ in incorrect context"},
        {std::string(130, '(') + "0", "1", "Error: expression stack overflow at op \"(\""},
        // Character errors end the run, also in a skipped part.
        {"\"s\"", "", "Error: Can't use a string in an #if"},
        {"1 = 1", "", "Error: = not allowed in #if"},
        {"1 \\ 1", "", "Error: Unexpected \\ in #if"},
        {"0 && [", "", "Error: illegal character '[' in #if"},
        {"1 || \x02", "", "Error: illegal character (2 decimal) in #if"},
    };
    std::vector<CppFall> laeufe;
    for (const auto& [bedingung, wert, meldung] : faelle) {
        std::string meldungen = *meldung ? std::string("line 1: ") + meldung + "\n" : "";
        if (!*wert)
            meldungen += "line 1: Error: Inside #ifdef block at end of input, depth = 1\n";
        laeufe.push_back({"#if " + bedingung + "\n1\n#else\n0\n#endif\n",
                          *wert ? wert + std::string("\n") : "", meldungen});
    }
    Pruefe(laeufe);
}

TEST(CppAusdruck, ZufaelligeBedingungenWieCpp) {
    // Whether each of the 300 conditions holds as cpp decides it, four conditions to a hex digit
    // (the first in the digit's highest bit).
    const std::string kCpp = "AFFFBDFD6B7FFDEC37FF2AC5F62F8FEEF7EFF96FD36FF97FFE7C7FBB5CBE5DEBDD97AAFF3B5";
    Zufall zahl{12345};
    std::string bedingungen, erwartet;
    for (int i = 0; i < 300; ++i) {
        bedingungen += "#if " + Ausdruck(zahl, 3) + "\nja\n#else\nnein\n#endif\n";
        erwartet +=
            (std::stoi(kCpp.substr(size_t(i / 4), 1), nullptr, 16) >> (3 - i % 4) & 1) ? "ja\n" : "nein\n";
    }
    Pruefe({{bedingungen, erwartet}});
}
