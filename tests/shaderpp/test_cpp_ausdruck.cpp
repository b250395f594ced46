// #if expressions: priorities, 32-bit arithmetic, short-circuit, defined, sizeof, character
// constants and the errors that make a condition true or end the run.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

namespace {

// "1" when the condition holds, "0" when not; the messages go to *meldungen.
std::string Wahr(const std::string& bedingung, std::string* meldungen = nullptr, int* rueckgabe = nullptr) {
    const CppErgebnis e = Vorverarbeite("#if " + bedingung + "\n1\n#else\n0\n#endif\n");
    if (meldungen) {
        // A run that ends inside the #if also reports the open level; that line is tested once below.
        *meldungen = e.mMeldungen;
        const size_t offen = meldungen->find("cpp: \"test.fx\", line 1: Error: Inside #ifdef");
        if (offen != std::string::npos)
            meldungen->erase(offen);
    }
    if (rueckgabe)
        *rueckgabe = e.mRueckgabe;
    return e.mAusgabe == "1\n" ? "1" : e.mAusgabe == "0\n" ? "0" : "(" + e.mAusgabe + ")";
}

} // namespace

TEST(CppAusdruck, Prioritaeten) {
    EXPECT_EQ(Wahr("1 | 2 ^ 3"), "0");
    EXPECT_EQ(Wahr("(1 | 2 ^ 3) == 0 && (3 ^ 1 | 4) == 6"), "1");
    EXPECT_EQ(Wahr("~1 == -2"), "1");
    EXPECT_EQ(Wahr("2 + 3 * 4 == 14 && (2 + 3) * 4 == 20"), "1");
    EXPECT_EQ(Wahr("1 << 2 + 1 == 8"), "1");
    EXPECT_EQ(Wahr("1 < 2 == 1"), "1");
    EXPECT_EQ(Wahr("6 & 3 == 3"), "0");
    EXPECT_EQ(Wahr("!0 + !5 == 1"), "1");
    EXPECT_EQ(Wahr("- - 3 == 3 && +3 == 3"), "1");
    EXPECT_EQ(Wahr("0 ? 1 : 2 ? 3 : 4"), "1");
    EXPECT_EQ(Wahr("(1 ? 0 : 1) || (0 ? 1 : 0)"), "0");
    EXPECT_EQ(Wahr("1 ? 2 ? 0 : 1 : 1"), "0");
    EXPECT_EQ(Wahr("10 - 3 - 2 == 5 && 100 / 10 / 5 == 2"), "1");
}

TEST(CppAusdruck, ArithmetikIn32Bit) {
    EXPECT_EQ(Wahr("2147483647 + 1 < 0"), "1");
    EXPECT_EQ(Wahr("-1 >> 1 == -1"), "1");
    EXPECT_EQ(Wahr("1 << 33 == 2"), "1");
    EXPECT_EQ(Wahr("0xFFFFFFFF == -1 && 037 == 31 && 10u == 10"), "1");
    EXPECT_EQ(Wahr("65536 * 65536 == 0"), "1");
    EXPECT_EQ(Wahr("-7 / 2 == -3 && -7 % 2 == -1"), "1");
    EXPECT_EQ(Wahr("4294967297 == 1"), "1");
}

TEST(CppAusdruck, KleinsterWertDurchMinusEinsFaelltNicht) {
    EXPECT_EQ(Wahr("(-2147483647 - 1) / -1 == -2147483647 - 1"), "1");
    EXPECT_EQ(Wahr("(-2147483647 - 1) % -1 == 0"), "1");
}

TEST(CppAusdruck, DivisionDurchNull) {
    std::string m;
    EXPECT_EQ(Wahr("10 / 0", &m), "0");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Warning: divide by zero in #if, zero result assumed\n");
    EXPECT_EQ(Wahr("10 % 0 == 0", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Warning: mod by zero in #if, zero result assumed\n");
    EXPECT_EQ(Wahr("0 && 10 / 0", &m), "0");
    EXPECT_EQ(m, "");
    EXPECT_EQ(Wahr("1 || 10 / 0", &m), "1");
    EXPECT_EQ(m, "");
    EXPECT_EQ(Wahr("1 ? 1 : 1 / 0", &m), "1");
    EXPECT_EQ(m, "");
    EXPECT_EQ(Wahr("0 ? 1 / 0 : 1", &m), "1");
    EXPECT_EQ(m, "");
    EXPECT_EQ(Wahr("0 && 1 || 1 / 0", &m), "0");
    EXPECT_NE(m, "");
    // The condition of "?" is evaluated in full, so its chosen side is no skipped part.
    EXPECT_EQ(Wahr("1 || 0 ? 10 / 0 : 1", &m), "0");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Warning: divide by zero in #if, zero result assumed\n");
    EXPECT_EQ(Wahr("0 && 1 ? 1 : 10 % 0", &m), "0");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Warning: mod by zero in #if, zero result assumed\n");
}

TEST(CppAusdruck, DefinedUndNamen) {
    const std::string quelle = "#if defined FOO || defined(BAR)\n1\n#else\n0\n#endif\n";
    EXPECT_EQ(Vorverarbeite("#define BAR\n" + quelle).mAusgabe, "1\n");
    EXPECT_EQ(Vorverarbeite("#define FOO\n" + quelle).mAusgabe, "1\n");
    EXPECT_EQ(Vorverarbeite(quelle).mAusgabe, "0\n");
    EXPECT_EQ(Wahr("UNBEKANNT == 0"), "1");
    EXPECT_EQ(Vorverarbeite("#define DREI 1 + 2\n#if DREI * 2 == 5\nja\n#endif\n").mAusgabe, "ja\n");
    std::string m;
    int r = 0;
    EXPECT_EQ(Wahr("defined 3", &m, &r), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Bad #if ... defined() syntax\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Wahr("defined(X", &m), "()");
}

TEST(CppAusdruck, Sizeof) {
    EXPECT_EQ(Wahr("sizeof(long) == 4 && sizeof(char *) == 8 && sizeof(char) == 1"), "1");
    EXPECT_EQ(Wahr("sizeof(unsigned short int) == 2 && sizeof(long int) == 4 && sizeof(signed) == 4"), "1");
    EXPECT_EQ(Wahr("sizeof(double) == 8 && sizeof(float (*)()) == 8 && sizeof(int (*)) == 8"), "1");
    std::string m;
    int r = 0;
    EXPECT_EQ(Wahr("sizeof(short long)", &m, &r), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: #if ... sizeof: illegal type combination\n");
    EXPECT_EQ(r, 1);
    Wahr("sizeof(char float)", &m);
    EXPECT_NE(m.find("illegal type combination"), std::string::npos);
    Wahr("sizeof(unsigned signed)", &m);
    EXPECT_NE(m.find("illegal type combination"), std::string::npos);
    Wahr("sizeof(vec4)", &m);
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: #if sizeof, unknown type \"vec4\"\n");
    Wahr("sizeof()", &m);
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: #if sizeof() error, no type specified\n");
    for (const char* falsch : {"sizeof int", "sizeof(int", "sizeof(int (*)(", "sizeof(int (x))"}) {
        Wahr(falsch, &m);
        EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: #if ... sizeof() syntax error\n") << falsch;
    }
}

TEST(CppAusdruck, Zeichenkonstanten) {
    std::string m;
    EXPECT_EQ(Wahr("'ab' == 24930", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Warning: multi-byte constant 'b' isn't portable\n");
    EXPECT_EQ(Wahr("'\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && '\\\\' == 92 && '\\'' == 39", &m), "1");
    EXPECT_EQ(m, "");
    EXPECT_EQ(Wahr("0 && 'ab'", &m), "0");
    EXPECT_EQ(m, "");
    // With plain characters a quote starts no constant.
    const CppErgebnis e = Vorverarbeite("#if 'a'\n#endif\n", {cpp_Tag(CppTag_EinfacheZeichen, 1)});
    EXPECT_EQ(e.mMeldungen.substr(0, e.mMeldungen.find('\n')),
              "cpp: \"test.fx\", line 1: Error: illegal character ''' in #if");
}

TEST(CppAusdruck, ParserfehlerMachenDieBedingungWahr) {
    std::string m;
    EXPECT_EQ(Wahr("1 2", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: misplaced constant in #if\n");
    EXPECT_EQ(Wahr("0 +", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Operator end of expression in incorrect context\n");
    EXPECT_EQ(Wahr("(0", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: unbalanced paren's, op is \"(\"\n");
    EXPECT_EQ(Wahr("0)", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: unbalanced paren's, op is \")\"\n");
    EXPECT_EQ(Wahr("0 : 1", &m), "1");
    EXPECT_EQ(
        m, "cpp: \"test.fx\", line 1: Error: Misplaced '?' or ':', previous operator is end of expression\n");
    EXPECT_EQ(Wahr("0 ? 1", &m), "1");
    EXPECT_NE(m.find("Misplaced '?' or ':'"), std::string::npos);
    EXPECT_EQ(Wahr("0.5", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Illegal #if line\n");
    EXPECT_EQ(Wahr("1 ~ 0", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Operator ~ in incorrect context\n");
    std::string tief;
    for (int i = 0; i < 130; ++i)
        tief += "(";
    EXPECT_EQ(Wahr(tief + "0", &m), "1");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: expression stack overflow at op \"(\"\n");
}

TEST(CppAusdruck, ZeichenfehlerBeendenDenLauf) {
    const CppErgebnis e = Vorverarbeite("#if 1, 2\nja\n#endif\n");
    EXPECT_EQ(e.mAusgabe, "");
    EXPECT_EQ(e.mMeldungen,
              "cpp: \"test.fx\", line 1: Error: illegal character ',' in #if\n"
              "cpp: \"test.fx\", line 1: Error: Inside #ifdef block at end of input, depth = 1\n");
    std::string m;
    int r = 0;
    EXPECT_EQ(Wahr("1, 2", &m, &r), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: illegal character ',' in #if\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Wahr("\"s\"", &m), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Can't use a string in an #if\n");
    EXPECT_EQ(Wahr("1 = 1", &m), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: = not allowed in #if\n");
    EXPECT_EQ(Wahr("1 \\ 1", &m), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: Unexpected \\ in #if\n");
    EXPECT_EQ(Wahr("1 \x01", &m), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: illegal character (1 decimal) in #if\n");
}

TEST(CppAusdruck, ZeichenfehlerImUebersprungenenTeilWerdenGemeldet) {
    std::string m;
    int r = 0;
    EXPECT_EQ(Wahr("0 && [", &m, &r), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: illegal character '[' in #if\n");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Wahr("1 || \x02", &m, &r), "()");
    EXPECT_EQ(m, "cpp: \"test.fx\", line 1: Error: illegal character (2 decimal) in #if\n");
    EXPECT_EQ(r, 1);
}

TEST(CppAusdruck, FortsetzungszeileImAusdruck) {
    EXPECT_EQ(Vorverarbeite("#if 1 + \\\n 1 == 2\nja\n#endif\n").mAusgabe, "ja\n");
}
