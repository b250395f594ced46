// Reading and output: blank lines and line markers, whitespace, comments, literals and the
// function tracking with its insertion.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

namespace {
const CppTag kMarken = cpp_Tag(CppTag_Zeilenmarken, 1);
}

TEST(CppQuelle, OhneZeilenmarkenFallenLeerzeilenWeg) {
    EXPECT_EQ(Vorverarbeite("a;\n\n\n\nb;\n").mAusgabe, "a;\nb;\n");
}

TEST(CppQuelle, ZeilenmarkenUndLeerzeilen) {
    EXPECT_EQ(Vorverarbeite("a\n\n\nb\n", {kMarken}).mAusgabe, "a\n\n\nb\n");
    EXPECT_EQ(Vorverarbeite("a\n\n\n\n\n\nb\n\n\n\n\n\nc\n", {kMarken}).mAusgabe,
              "a\n#line 7 \"test.fx\"\nb\n#line 13\nc\n");
    EXPECT_EQ(Vorverarbeite("a\n\n\n\n\n\nb\n", {kMarken, cpp_Tag(CppTag_MarkenMitLine, 0)}).mAusgabe,
              "a\n# 7 \"test.fx\"\nb\n");
    // Directive lines and skipped lines count as empty lines.
    EXPECT_EQ(Vorverarbeite("#define X\na\n#if 0\nb\n#endif\nc\n", {kMarken}).mAusgabe,
              "\na\n#line 6 \"test.fx\"\nc\n");
}

TEST(CppQuelle, ZeilenmarkeNachInclude) {
    SetzeVirtuelleDateien({{"k.h", "k\n"}});
    EXPECT_EQ(Vorverarbeite("a\n#include \"k.h\"\nb\n", {kMarken}).mAusgabe,
              "a\n#line 1 \"k.h\"\nk\n#line 3 \"test.fx\"\nb\n");
}

TEST(CppQuelle, Leerraum) {
    EXPECT_EQ(Vorverarbeite("  a  \t b   \n").mAusgabe, "a b \n");
    EXPECT_EQ(Vorverarbeite("  a  \t b\n", {cpp_Tag(CppTag_LeerraumBehalten, 1)}).mAusgabe, "  a  \t b\n");
    EXPECT_EQ(Vorverarbeite("a\vb\fc\n").mAusgabe, "a b c\n");
}

TEST(CppQuelle, Kommentare) {
    EXPECT_EQ(Vorverarbeite("a/* x */b\n").mAusgabe, "a b\n");
    EXPECT_EQ(Vorverarbeite("a /* x\n y */ b // rest\nc\n").mAusgabe, "a b \nc\n");
    EXPECT_EQ(Vorverarbeite("/* nur */\nx\n").mAusgabe, "x\n");
    EXPECT_EQ(Vorverarbeite("a // x\n", {cpp_Tag(CppTag_KeineZeilenkommentare, 1)}).mAusgabe, "a // x\n");
    EXPECT_EQ(Vorverarbeite("a /* k */ b\n/* z */\n", {cpp_Tag(CppTag_KommentareBehalten, 1)}).mAusgabe,
              "a /* k */ b\n/* z */\n");
    EXPECT_EQ(Vorverarbeite("\"/* kein */\" '//'\n").mAusgabe, "\"/* kein */\" '//'\n");
}

TEST(CppQuelle, VerschachtelteKommentare) {
    EXPECT_EQ(Vorverarbeite("a /* x /* y */ b */ c\n").mAusgabe, "a b */ c\n");
    const CppErgebnis e =
        Vorverarbeite("a /* x /* y */ b */ c\n", {cpp_Tag(CppTag_KommentareVerschachtelt, 1),
                                                  cpp_Tag(CppTag_WarneKommentarImKommentar, 1)});
    EXPECT_EQ(e.mAusgabe, "a c\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Warning: Nested comment\n");
}

TEST(CppQuelle, KommentarBisZumEnde) {
    const CppErgebnis e = Vorverarbeite("a\n/* offen\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 3: Error: EOF in comment\n");
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppQuelle, FortsetzungszeilenUndLiterale) {
    EXPECT_EQ(Vorverarbeite("ab\\\ncd\n").mAusgabe, "abcd\n");
    EXPECT_EQ(Vorverarbeite("\"a\\\"b\" 'c' \"x\\\ny\"\n").mAusgabe, "\"a\\\"b\" 'c' \"x\\\ny\"\n");
    const CppErgebnis e = Vorverarbeite("vor \"offen\nnach\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: Unterminated string\n");
    EXPECT_EQ(e.mAusgabe, "vor ");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_EQ(Vorverarbeite("don't\n", {cpp_Tag(CppTag_EinfacheZeichen, 1)}).mAusgabe, "don't\n");
}

TEST(CppQuelle, EndeOhneZeilenumbruch) {
    EXPECT_EQ(Vorverarbeite("a/").mAusgabe, "a/");
    EXPECT_EQ(Vorverarbeite("abc\\").mAusgabe, "abc\\");
    const CppErgebnis e = Vorverarbeite("#define F(x) x\nF");
    EXPECT_EQ(e.mAusgabe, "F");
    EXPECT_EQ(e.mRueckgabe, 0);
}

TEST(CppQuelle, ZuVielZurueckgelegt) {
    // The input callback hands out 511 characters at a time: the backslash ends one buffer, and
    // putting back both it and the character after it would reach into the previous line.
    const std::string quelle = std::string(510, 'a') + "\\b\n";
    const CppErgebnis e = Vorverarbeite(quelle);
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Fatal: Too much pushback\n");
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppQuelle, Zahlen) {
    EXPECT_EQ(Vorverarbeite("1.5e+3f 0x1Fu .5 10UL\n").mAusgabe, "1.5e+3f 0x1Fu .5 10UL\n");
    CppErgebnis e = Vorverarbeite("089\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Warning: Illegal digit in octal number\n");
    EXPECT_EQ(Vorverarbeite("089 0.9 09.5\n", {cpp_Tag(CppTag_EinfacheZeichen, 1)}).mMeldungen, "");
}

TEST(CppQuelle, KlammerBilanz) {
    const CppErgebnis e = Vorverarbeite("( [ [ { } }\n", {cpp_Tag(CppTag_KlammerBilanz, 1)});
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Warning: Illegal bracket '[]' balance, depth = 2\n"
                            "cpp: \"test.fx\", line 2: Warning: Illegal parentheses '()' balance, depth = 1\n"
                            "cpp: \"test.fx\", line 2: Warning: Illegal brace '{}' balance, depth = -1\n");
    EXPECT_EQ(e.mRueckgabe, 0);
}

TEST(CppQuelle, FunktionsverfolgungMitEinfuegung) {
    const std::string quelle =
        "int f(int a, float b)\n{\n  return a;\n}\nvoid g(void);\nvoid h() { if (1) { x(); } }\n";
    const CppErgebnis e = Vorverarbeite(
        quelle, {cpp_Tag(CppTag_FunktionsText, "PROLOG;"), cpp_Tag(CppTag_FunktionenMelden, 1)});
    EXPECT_EQ(e.mAusgabe, "int f(int a, float b)\n{PROLOG;{\nreturn a;\n}}\nvoid g(void);\n"
                          "void h() {PROLOG;{ if (1) { x(); } }}\n");
    EXPECT_EQ(e.mMeldungen, "#> Function defined at line 2: f <#\n#> Function defined at line 6: h <#\n");
}

TEST(CppQuelle, FunktionsverfolgungAusnahmenUndKlammernImText) {
    const std::string quelle = "void a() { }\nvoid b() { }\n";
    EXPECT_EQ(Vorverarbeite(
                  quelle, {cpp_Tag(CppTag_FunktionsText, "{ t(); }"), cpp_Tag(CppTag_FunktionAusnehmen, "a")})
                  .mAusgabe,
              "void a() { }\nvoid b() {{ t(); }{ }}\n");
}

// Braces in the inserted text start no function, so every text ends: one insertion per brace.
TEST(CppQuelle, EingefuegteKlammernStartenKeineFunktion) {
    const struct {
        const char* text;
        const char* ausgabe;
    } faelle[] = {
        {"}{", "void f() {}{{ x; }}\nvoid h() {}{{ y; }}\n"},
        {"}", "void f() {}{ x; }\nvoid h() {}{ y; }\n"},
        {"} g() {", "void f() {} g() {{ x; }}\nvoid h() {} g() {{ y; }}\n"},
        {"{{", "void f() {{{{ x; }\nvoid h() { y; }\n"},
    };
    for (const auto& fall : faelle)
        EXPECT_EQ(
            Vorverarbeite("void f() { x; }\nvoid h() { y; }\n", {cpp_Tag(CppTag_FunktionsText, fall.text)})
                .mAusgabe,
            fall.ausgabe)
            << fall.text;
}

TEST(CppQuelle, HoechstensZwanzigAusnahmen) {
    std::vector<CppTag> tags = {cpp_Tag(CppTag_FunktionsText, "T;")};
    static const std::vector<std::string> namen = [] {
        std::vector<std::string> n;
        for (int i = 0; i < 22; ++i)
            n.push_back("f" + std::to_string(i));
        return n;
    }();
    for (const std::string& name : namen)
        tags.push_back(cpp_Tag(CppTag_FunktionAusnehmen, name.c_str()));
    EXPECT_EQ(Vorverarbeite("void f19() {}\nvoid f20() {}\n", tags).mAusgabe,
              "void f19() {}\nvoid f20() {T;{}}\n");
}

TEST(CppQuelle, FunktionsverfolgungErkenntAufrufeUndZeiger) {
    const std::string quelle = "foo(1), bar(2);\nvoid (*fp)(int);\nint k = (3);\nstruct S { int x; };\n"
                               "float4 $main(float2 uv : TEXCOORD0) : COLOR\n{\n  __FUNCTION__\n}\n";
    const CppErgebnis e = Vorverarbeite(quelle, {cpp_Tag(CppTag_FunktionenMelden, 1)});
    EXPECT_EQ(e.mMeldungen, "#> Function defined at line 6: $main <#\n");
    EXPECT_NE(e.mAusgabe.find("\"$main\""), std::string::npos);
}

TEST(CppQuelle, HauptEingabeUeberStandardeingabe) {
    // Without an input callback the main input is standard input; here it is empty.
    FILE* alt = stdin;
    stdin = fopen("/dev/null", "r");
    std::string ausgabe;
    const CppTag tags[] = {
        cpp_Tag(CppTag_Banner, 0),
        cpp_Tag(
            CppTag_Ausgabe, +[](int c, void* b) { *static_cast<std::string*>(b) += char(c); }),
        cpp_Tag(CppTag_Benutzerdaten, &ausgabe),
        {CppTag_Ende, 0}};
    CppZustand zustand;
    EXPECT_EQ(cpp_Verarbeite(tags, zustand), 0);
    EXPECT_EQ(ausgabe, "");
    fclose(stdin);
    stdin = alt;
}
