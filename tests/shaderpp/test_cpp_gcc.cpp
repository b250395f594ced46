// The standard subset (conditional nesting, object-like macros, #if arithmetic within 32 bits)
// against the system's "cpp -P -undef -nostdinc": hand-written inputs and random #if conditions.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The tokens of a text, one blank between them and no empty lines, so that both outputs compare
// regardless of how each lays out its whitespace.
std::string Tokens(const std::string& text) {
    std::istringstream zeilen(text);
    std::string zeile, ergebnis;
    while (std::getline(zeilen, zeile)) {
        std::istringstream woerter(zeile);
        std::string wort, neu;
        while (woerter >> wort)
            neu += (neu.empty() ? "" : " ") + wort;
        if (!neu.empty())
            ergebnis += neu + "\n";
    }
    return ergebnis;
}

std::string Gcc(const std::string& quelle) {
    namespace fs = std::filesystem;
    const fs::path datei = fs::temp_directory_path() / ("cpp_vergleich_" + std::to_string(getpid()) + ".c");
    std::ofstream(datei) << quelle;
    const std::string befehl = "cpp -P -undef -nostdinc " + datei.string() + " 2>/dev/null";
    std::string ausgabe;
    if (FILE* rohr = popen(befehl.c_str(), "r")) {
        char puffer[4096];
        size_t n;
        while ((n = fread(puffer, 1, sizeof(puffer), rohr)) > 0)
            ausgabe.append(puffer, n);
        pclose(rohr);
    }
    fs::remove(datei);
    return ausgabe;
}

const char* const kVergleiche[] = {
    "#define A 1\n#define B A + 2\n#if A\nx = B;\n#if B == 3\ny\n#else\nz\n#endif\n#elif 1\nw\n#endif\n",
    "#ifdef U\nu\n#elif defined(V) || !defined W\nv\n#else\nw\n#endif\n#ifndef U\nnu\n#endif\n",
    "#define N 10\n#if N * N - 1 == 99 && (N << 3) == 80 && N % 3 == 1 && -N / 3 == -3\nrechnen\n#endif\n",
    "#if (0x7fffffff >> 4) == 134217727 && ~0 == -1 && (5 ^ 3) == 6 && (5 | 3) == 7 && (5 & 3) == "
    "1\nbits\n#endif\n",
    "#if 1 ? 0 : 1\na\n#elif 0 ? 1 : 2 ? 3 : 0\nb\n#endif\n#if 010 == 8 && 0x10 == 16 && 'A' == "
    "65\nc\n#endif\n",
    "#define LEER\n#define X LEER y LEER\nX\n#undef X\nX\n#if 0\n#if 1\nnie\n#endif\n#else\n#if "
    "1\nimmer\n#endif\n#endif\n",
    "#define Z0 0\n#define Z1 Z0 + 1\n#define Z2 Z1 + 1\n#define Z3 Z2 + 1\n#if Z3 == 3 && Z3 * 2 == "
    "4\nvorrang\n#endif\nZ3\n",
    "#if 0\n#define S 1\n#if 1\na\n#elif 1\nb\n#else\nc\n#endif\n#elif S\nd\n#elif 2 > 1\n#undef Z\n"
    "#ifdef S\ne\n#elif 0\nf\n#else\ng\n#endif\n#else\nh\n#endif\nS\n",
};

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
    if (system("cpp --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "cpp fehlt";
    std::vector<std::string> quellen(std::begin(kVergleiche), std::end(kVergleiche));
    Zufall zahl{12345};
    std::string bedingungen;
    for (int i = 0; i < 300; ++i)
        bedingungen += "#if " + Ausdruck(zahl, 3) + "\nja" + std::to_string(i) + "\n#else\nnein" +
                       std::to_string(i) + "\n#endif\n";
    quellen.push_back(bedingungen);
    for (const std::string& quelle : quellen) {
        const CppErgebnis e = Vorverarbeite(quelle, {cpp_Tag(CppTag_Undefiniere, "quorrcpp")});
        EXPECT_EQ(e.mMeldungen, "") << quelle;
        EXPECT_EQ(Tokens(e.mAusgabe), Tokens(Gcc(quelle))) << quelle;
    }
}
