// The standard subset (conditional nesting, object-like macros, #if arithmetic within 32 bits) with
// the answers of the system's "cpp -P -undef -nostdinc": hand-written inputs and random #if conditions.

#include "cpp_hilfe.h"

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

TEST(CppGcc, WieGcc) {
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
    Pruefe({
        {"#define A 1\n#define B A + 2\n#if A\nx = B;\n#if B == 3\ny\n#else\nz\n#endif\n#elif 1\nw\n#endif\n",
         "x = 1 + 2;\ny\n"},
        {"#ifdef U\nu\n#elif defined(V) || !defined W\nv\n#else\nw\n#endif\n#ifndef U\nnu\n#endif\n",
         "v\nnu\n"},
        {"#if 0\n#define S 1\n#if 1\na\n#elif 1\nb\n#else\nc\n#endif\n#elif S\nd\n#elif 2 > 1\n#undef Z\n"
         "#ifdef S\ne\n#elif 0\nf\n#else\ng\n#endif\n#else\nh\n#endif\nS\n",
         "g\nS\n"},
        {bedingungen, erwartet},
    });
}
