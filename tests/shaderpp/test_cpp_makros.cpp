// Macros: redefinition, expansion with raw arguments, stringizing, quoted parameters, pasting,
// the limits and the dump of all definitions.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

TEST(CppMakros, UmdefinierenMeldetNurAndereKoerper) {
    const CppErgebnis e = Vorverarbeite("#define A 1\n#define A 1\n#define A  2 \nA\n#define F(x) 2\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 3: Error: Redefining defined variable \"A\"\n");
    EXPECT_EQ(e.mAusgabe, "2\n");
    // Parameter counts are not compared.
    EXPECT_EQ(Vorverarbeite("#define A 1\n#define A() 1\n").mMeldungen, "");
    EXPECT_EQ(Vorverarbeite("#define X\n#undef X\n#undef X\n#ifdef X\nx\n#endif\n").mAusgabe, "");
    for (const char* falsch :
         {"#define F(a,) x\n", "#define F(a b) x\n", "#define F(1) x\n", "#define F(a\n"})
        EXPECT_EQ(Vorverarbeite(falsch).mMeldungen.rfind(
                      "cpp: \"test.fx\", line 1: Error: #define syntax error\n", 0),
                  0u)
            << falsch;
    EXPECT_EQ(Vorverarbeite("#define F( a , b ) a\n#define G() g\n").mMeldungen, "");
    EXPECT_EQ(Vorverarbeite("#undef 9\n").mMeldungen,
              "cpp: \"test.fx\", line 1: Error: Illegal #undef argument\n"
              "cpp: \"test.fx\", line 1: Warning: Unexpected text in #control line ignored\n");
}

TEST(CppMakros, ArgumenteRohUndErneutGelesen) {
    EXPECT_EQ(Vorverarbeite("#define F(a,b) [a|b]\nF(x, y) F((1,2),\"a,b\") F(',',F(1,2))\n").mAusgabe,
              "[x| y] [(1,2)|\"a,b\"] [','|[1|2]]\n");
    // The expansion is read again, so a macro defined later in the text still applies.
    EXPECT_EQ(Vorverarbeite("#define A B\n#define B 5\nA\n").mAusgabe, "5\n");
    // Arguments keep their newlines.
    EXPECT_EQ(Vorverarbeite("#define F(a) <a>\nF(1\n2)\nende\n").mAusgabe, "<1\n2>\nende\n");
}

TEST(CppMakros, EigenerNameWirdNichtWiederExpandiert) {
    EXPECT_EQ(Vorverarbeite("#define X (X+1)\nX\n").mAusgabe, "(X+1)\n");
    EXPECT_EQ(Vorverarbeite("#define F(a) F(a)\nF(2)\n").mAusgabe, "F(2)\n");
}

TEST(CppMakros, StringizeUndQuotierteParameter) {
    EXPECT_EQ(Vorverarbeite("#define S(x) #x\nS(abc) S(\"a\\\\b\")\n").mAusgabe,
              "\"abc\" \"\\\"a\\\\\\\\b\\\"\"\n");
    EXPECT_EQ(Vorverarbeite("#define Q(x) \"x\"\nQ(abc) Q(\"fertig\")\n").mAusgabe, "\"abc\" \"fertig\"\n");
    EXPECT_EQ(Vorverarbeite("#define C(x) 'x'\nC(a)\n").mAusgabe, "'a'\n");
}

TEST(CppMakros, OhneKlammerBleibtDerName) {
    const CppErgebnis e = Vorverarbeite("#define F(a) a\nF + F\n");
    EXPECT_EQ(e.mAusgabe, "F + F\n");
    // The second search went over the newline.
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Warning: Macro \"F\" needs arguments\n"
                            "cpp: \"test.fx\", line 3: Warning: Macro \"F\" needs arguments\n");
    // The call may continue on the next line.
    EXPECT_EQ(Vorverarbeite("#define F(a) <a>\nF\n(1)\n").mAusgabe, "<1>\n");
}

TEST(CppMakros, AufrufsucheBleibtInDerDirektivenzeile) {
    // Inside #if the search for "(" must not swallow the next line; the name then counts as 0.
    const CppErgebnis e = Vorverarbeite("#define F(a) 1\n#if F\n(ja)\n#else\nnein\n#endif\n");
    EXPECT_EQ(e.mAusgabe, "nein\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Warning: Macro \"F\" needs arguments\n");
}

TEST(CppMakros, LeereKlammernMitLeerraumSindKeinArgument) {
    const CppErgebnis e = Vorverarbeite("#define G() g\nG( ) G(\n)\n");
    EXPECT_EQ(e.mAusgabe, "g g\n");
    EXPECT_EQ(e.mMeldungen, "");
}

TEST(CppMakros, PasteNachZahlVerbindetNichtsUndSchreibtKeinSteuerzeichen) {
    EXPECT_EQ(Vorverarbeite("#define P(a) 1##a\nP(x)\n").mAusgabe, "1x\n");
}

TEST(CppMakros, FalscheArgumentzahl) {
    CppErgebnis e = Vorverarbeite("#define F(a) <a>\nF()\n");
    EXPECT_EQ(e.mAusgabe, "<>\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Warning: Wrong number of macro arguments for \"F\"\n");
    e = Vorverarbeite("#define G() g\n#define H(a,b) a-b\nG() H(1)\n");
    EXPECT_EQ(e.mAusgabe, "g 1-\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 3: Warning: Wrong number of macro arguments for \"H\"\n");
}

TEST(CppMakros, Paste) {
    EXPECT_EQ(Vorverarbeite("#define P(a,b) a##b\nP(foo,bar)\n").mAusgabe, "foobar\n");
    EXPECT_EQ(Vorverarbeite("#define foobar ok\n#define P(a,b) a ## b\nP(foo,bar)\n").mAusgabe, "ok\n");
    EXPECT_EQ(Vorverarbeite("#define P(a) v##a\nP(12)\n").mAusgabe, "v12\n");
    const CppErgebnis e = Vorverarbeite("#define P(a) a##+\nP(x)\n");
    EXPECT_EQ(e.mAusgabe, "x+\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Error: Strange character '+' after ##\n");
}

TEST(CppMakros, PasteMitVorherExpandiertemNamen) {
    const std::string quelle = "#define B zwei\n#define P(a,b) a##b\nP(eins,B)\n";
    EXPECT_EQ(Vorverarbeite(quelle).mAusgabe, "einsB\n");
    EXPECT_EQ(Vorverarbeite(quelle, {cpp_Tag(CppTag_PasteExpandiert, 1)}).mAusgabe, "einszwei\n");
}

TEST(CppMakros, ZuLangesPasteIstFatal63) {
    // Each part fits an expansion; joined they do not fit the work buffer.
    const std::string a(300, 'a'), b(300, 'b');
    const CppErgebnis e = Vorverarbeite("#define B " + b + "\n#define P(x) x##B\nP(" + a + ")\n",
                                        {cpp_Tag(CppTag_PasteExpandiert, 1)});
    EXPECT_NE(e.mMeldungen.find("Fatal: work buffer overflow doing " + a + " ##\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppMakros, GegenseitigeRekursionStopptNach1000) {
    const CppErgebnis e = Vorverarbeite("#define A B\n#define B A\nvor A nach\n");
    EXPECT_EQ(e.mMeldungen,
              "cpp: \"test.fx\", line 3: Error: Recursive macro definition of \"B\"(Defined by \"A\")\n");
    EXPECT_EQ(e.mAusgabe, "vor  nach\n");
    EXPECT_EQ(e.mRueckgabe, 1);
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

TEST(CppMakros, GrenzenSindFatal) {
    std::string parameter = "p0";
    for (int i = 1; i < 32; ++i)
        parameter += ",p" + std::to_string(i);
    CppErgebnis e = Vorverarbeite("#define F(" + parameter + ") x\nweiter\n");
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many arguments for macro\n"), std::string::npos);
    EXPECT_EQ(e.mAusgabe, "");

    std::string argumente = "0";
    for (int i = 1; i < 32; ++i)
        argumente += "," + std::to_string(i);
    e = Vorverarbeite("#define F(a) a\nF(" + argumente + ")\n");
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many arguments in macro expansion\n"), std::string::npos);

    e = Vorverarbeite("#define L " + std::string(520, 'x') + "\n");
    EXPECT_NE(e.mMeldungen.find("Fatal: Work buffer overflow\n"), std::string::npos);

    e = Vorverarbeite("#define F(a) a a\nF(" + std::string(300, 'y') + ")\n");
    EXPECT_NE(e.mMeldungen.find("Fatal: Out of space in macro \"F\" arg expansion\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppMakros, VolleArgumentflaecheVerliertZeichenMitMeldung) {
    const CppErgebnis e = Vorverarbeite("#define F(a) a\nF(" + std::string(1030, 'z') + ")\nweiter\n");
    size_t meldungen = 0;
    for (size_t p = e.mMeldungen.find("Macro work area overflow"); p != std::string::npos;
         p = e.mMeldungen.find("Macro work area overflow", p + 1))
        ++meldungen;
    EXPECT_EQ(meldungen, 6u);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppMakros, EndeImArgument) {
    const CppErgebnis e = Vorverarbeite("#define F(a) a\nF(1,\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 3: Error: end of file within macro argument\n");
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppMakros, Eingebaute) {
    EXPECT_EQ(Vorverarbeite("a __LINE__\n#define L __LINE__\n\nL\n").mAusgabe, "a 1\n4\n");
    EXPECT_EQ(Vorverarbeite("__FILE__\n").mAusgabe, "\"test.fx\"\n");
    EXPECT_EQ(
        Vorverarbeite("__FUNCTION__ __FUNC_LINE__\nvoid f()\n{\n  __FUNCTION__ __FUNC_LINE__\n}\n").mAusgabe,
        "\"<unknown function>\" 0\nvoid f()\n{\n\"f\" 3\n}\n");
}

TEST(CppMakros, DefinitionenAusgeben) {
    CppErgebnis e = Vorverarbeite("#define F(a,b) a+b\n#define E\n#define S(x) #x##x\n#define N() n\n",
                                  {cpp_Tag(CppTag_DefinitionenAusgeben, 1)});
    std::string a = e.mAusgabe;
    EXPECT_NE(a.find("#define F(__1,__2)\t__1+__2\n"), std::string::npos) << a;
    EXPECT_NE(a.find("#define E\n"), std::string::npos);
    EXPECT_NE(a.find("#define S(__1)\t#__1##__1\n"), std::string::npos);
    EXPECT_NE(a.find("#define N()\tn\n"), std::string::npos);
    EXPECT_EQ(a.find("quorrcpp"), std::string::npos);
    EXPECT_EQ(a.find("__LINE__"), std::string::npos);
    EXPECT_EQ(a.find("__DATE__"), std::string::npos);
    e = Vorverarbeite("#define R R\n",
                      {cpp_Tag(CppTag_DefinitionenAusgeben, 1), cpp_Tag(CppTag_DefinitionenAusgeben, 1),
                       cpp_Tag(CppTag_Definiere, "K=\x01")});
    a = e.mAusgabe;
    EXPECT_NE(a.find("#define quorrcpp\t1\n"), std::string::npos);
    EXPECT_NE(a.find("#define R\tR\n"), std::string::npos);
    EXPECT_NE(a.find("#define K\t\\01\n"), std::string::npos);
}

TEST(CppMakros, HoheBytesInObjektMakrosBleibenErhalten) {
    EXPECT_EQ(Vorverarbeite("#define U \"\xc3\xbc\"\nU\n").mAusgabe, "\"\xc3\xbc\"\n");
}
