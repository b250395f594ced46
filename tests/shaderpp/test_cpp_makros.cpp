// Macros: redefinition, expansion with raw arguments, stringizing, quoted parameters, pasting,
// the limits and the dump of all definitions.

#include "testhilfe.h"

#include <gtest/gtest.h>

TEST(CppMakros, DefinierenExpandierenUndAusgeben) {
    const std::string b(300, 'b'), a(300, 'a');
    std::string parameter = "p0";
    for (int i = 1; i < 32; ++i)
        parameter += ",p" + std::to_string(i);
    const CppTag pasteExpandiert = cpp_Tag(CppTag_PasteExpandiert, 1);
    const std::string kSyntax = "line 1: Error: #define syntax error\n";
    const std::string kRest = "line 1: Warning: Unexpected text in #control line ignored\n";
    Pruefe({
        // Only a different body is a redefinition; parameter counts are not compared.
        {"#define A 1\n#define A 1\n#define A  2 \nA\n#define F(x) 2\n", "2\n",
         "line 3: Error: Redefining defined variable \"A\"\n"},
        {"#define A 1\n#define A() 1\n", ""},
        {"#define X\n#undef X\n#undef X\n#ifdef X\nx\n#endif\n", ""},
        {"#define F(a,) x\n", "", kSyntax + kRest},
        {"#define 1x\n", "", kSyntax + kRest},
        {"#define F(a\n", "", kSyntax},
        {"#undef 9\n", "", "line 1: Error: Illegal #undef argument\n" + kRest},
        // Arguments are taken raw, with their blanks and newlines, and the expansion is read again.
        {"#define F(a,b) [a|b]\nF(x, y) F((1,2),\"a,b\") F(',',F(1,2))\n",
         "[x| y] [(1,2)|\"a,b\"] [','|[1|2]]\n"},
        {"#define X (X+1)\nX\n", "(X+1)\n"},
        {"#define U \"\xc3\xbc\"\nU\n", "\"\xc3\xbc\"\n"},
        // Stringizing and parameters inside quotes.
        {"#define S(x) #x\nS(abc) S(\"a\\\\b\")\n", "\"abc\" \"\\\"a\\\\\\\\b\\\"\"\n"},
        {"#define Q(x) \"x\"\nQ(abc) Q(\"fertig\")\n", "\"abc\" \"fertig\"\n"},
        {"#define C(x) 'x'\nC(a)\n", "'a'\n"},
        // Without "(" the name stays; the search may cross a line, but not out of a directive.
        {"#define F(a) a\nF + F\n", "F + F\n",
         "line 2: Warning: Macro \"F\" needs arguments\nline 3: Warning: Macro \"F\" needs arguments\n"},
        {"#define F(a) <a>\nF\n(1)\n", "<1>\n"},
        {"#define F(a) 1\n#if F\n(ja)\n#else\nnein\n#endif\n", "nein\n",
         "line 2: Warning: Macro \"F\" needs arguments\n"},
        {"#define G() g\nG( ) G(\n)\n", "g g\n"},
        {"#define G() g\n#define H(a,b) a-b\nG() H(1)\n", "g 1-\n",
         "line 3: Warning: Wrong number of macro arguments for \"H\"\n"},
        {"#define F(a) a\nF(1,\n", "", "line 3: Error: end of file within macro argument\n"},
        // Pasting.
        {"#define foobar ok\n#define P(a,b) a ## b\nP(foo,bar)\n", "ok\n"},
        {"#define P(a) v##a\nP(12)\n", "v12\n"},
        {"#define P(a) 1##a\nP(x)\n", "1x\n"},
        {"#define P(a) a##+\nP(x)\n", "x+\n", "line 2: Error: Strange character '+' after ##\n"},
        {"#define B zwei\n#define P(a,b) a##b\nP(eins,B)\n", "einsB\n"},
        {"#define B zwei\n#define P(a,b) a##b\nP(eins,B)\n", "einszwei\n", "", Tags(pasteExpandiert)},
        // Each part fits an expansion; joined they do not fit the work buffer.
        {"#define B " + b + "\n#define P(x) x##B\nP(" + a + ")\n", "",
         "line 3: Fatal: work buffer overflow doing " + a + " ##\n", Tags(pasteExpandiert)},
        {"#define A B\n#define B A\nvor A nach\n", "vor  nach\n",
         "line 3: Error: Recursive macro definition of \"B\"(Defined by \"A\")\n"},
        // Built-in macros.
        {"a __LINE__\n#define L __LINE__\n\nL\n", "a 1\n4\n"},
        {"__FUNCTION__ __FUNC_LINE__\nvoid f()\n{\n  __FUNCTION__ __FUNC_LINE__\n}\n",
         "\"<unknown function>\" 0\nvoid f()\n{\n\"f\" 3\n}\n"},
        // Limits are fatal.
        {"#define F(" + parameter + ") x\nweiter\n", "", "line 1: Fatal: Too many arguments for macro\n"},
        {"#define F(a) a\nF(" + Wiederholt("0,", 31) + "0)\n", "",
         "line 2: Fatal: Too many arguments in macro expansion\n"},
        {"#define L " + std::string(520, 'x') + "\n", "", "line 1: Fatal: Work buffer overflow\n"},
        // A full argument area loses characters, each with a message.
        {"#define F(a) a\nF(" + std::string(1030, 'z') + ")\nweiter\n", "",
         Wiederholt("line 2: Fatal: Macro work area overflow\n", 6) +
             "line 2: Fatal: Out of space in macro \"F\" arg expansion\n"},
        // The dump of all definitions.
        {"#define F(a,b) a+b\n#define E\n#define S(x) #x##x\n#define N() n\n",
         "#define E\n#define F(__1,__2)\t__1+__2\n#define N()\tn\n#define S(__1)\t#__1##__1\n", "",
         Tags(cpp_Tag(CppTag_DefinitionenAusgeben, 1))},
        // Twice: with the program's own macro.
        {"#define R R\n", "#define quorrcpp\t1\n#define K\t\\01\n#define R\tR\n", "",
         Tags(cpp_Tag(CppTag_DefinitionenAusgeben, 1), cpp_Tag(CppTag_DefinitionenAusgeben, 1),
              cpp_Tag(CppTag_Definiere, "K=\x01"))},
    });
}

// Pasted onto its own name at the end of its body, a macro makes itself again after each expansion
// has ended, so the nesting never grows; the run still stops, with the same error.
TEST(CppMakros, EinMakroDasSichSelbstAnklebtStoppt) {
    // The input ends right after the name, so every paste meets the same end of input again.
    const CppErgebnis e = Vorverarbeite("#define x. q) x ## \nnach x.");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_NE(e.mMeldungen.find("Error: Recursive macro definition of \"x\"(Defined by \"x\")\n"),
              std::string::npos);
    EXPECT_EQ(e.mAusgabe.rfind("nach ", 0), 0u);
}
