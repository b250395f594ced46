// Directives: conditional nesting and its errors, #include search, #line, #pragma and the rest.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(CppDirektiven, IfElifElse) {
    const std::string quelle = "#if A\na\n#elif B\nb\n#else\nc\n#endif\n";
    EXPECT_EQ(Vorverarbeite("#define B 1\n" + quelle).mAusgabe, "b\n");
    EXPECT_EQ(Vorverarbeite("#define A 1\n#define B 1\n" + quelle).mAusgabe, "a\n");
    EXPECT_EQ(Vorverarbeite(quelle).mAusgabe, "c\n");
    // A taken branch inside a skipped one stays skipped.
    EXPECT_EQ(Vorverarbeite("#if 0\n#if 1\nx\n#else\ny\n#endif\n#elif 1\nz\n#endif\n").mAusgabe, "z\n");
    EXPECT_EQ(Vorverarbeite("#ifndef N\nn\n#endif\n#ifdef quorrcpp\nq\n#endif\n").mAusgabe, "n\nq\n");
}

TEST(CppDirektiven, FehlerDerBedingungsebenen) {
    CppErgebnis e = Vorverarbeite("#if 1\na\n#else\nb\n#else\nc\n#endif\n");
    EXPECT_EQ(e.mAusgabe, "a\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 5: Error: #else may not follow #else\n");
    e = Vorverarbeite("#endif\n#else\n#elif 1\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: #endif must be in an #if\n"
                            "cpp: \"test.fx\", line 2: Error: #else must be in an #if\n"
                            "cpp: \"test.fx\", line 3: Error: #elif must be in an #if\n");
    e = Vorverarbeite("#if 0\n#else\n#elif 1\nx\n#endif\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 3: Error: #elif may not follow #else\n");
    EXPECT_EQ(e.mAusgabe, "x\n");
}

TEST(CppDirektiven, IfOhneArgumentBleibtKompiliertOhneZweig) {
    const CppErgebnis e = Vorverarbeite("#if\nja\n#else\nnein\n#endif\n#ifdef 3\nauch\n#endif\n");
    EXPECT_EQ(e.mAusgabe, "ja\nauch\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: #if, #ifdef, or #ifndef without an argument\n"
                            "cpp: \"test.fx\", line 6: Error: #if, #ifdef, or #ifndef without an argument\n");
}

TEST(CppDirektiven, EinunddreissigEbenenGehenNochDie32IstFatal) {
    std::string quelle;
    for (int i = 0; i < 31; ++i)
        quelle += "#if 1\n";
    quelle += "tief\n";
    for (int i = 0; i < 31; ++i)
        quelle += "#endif\n";
    EXPECT_EQ(Vorverarbeite(quelle).mAusgabe, "tief\n");
    // Levels opened inside skipped text count as well.
    std::string zuTief = "#if 0\n";
    for (int i = 0; i < 31; ++i)
        zuTief += "#ifdef X\n";
    const CppErgebnis e = Vorverarbeite(zuTief);
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many nested #ifdef statements"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, RestTextUndLeeresRaute) {
    CppErgebnis e = Vorverarbeite("#\n#endif\n#ifdef A B\n#endif /* ok */\n#endif // ok\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Error: #endif must be in an #if\n"
                            "cpp: \"test.fx\", line 3: Warning: Unexpected text in #control line ignored\n"
                            "cpp: \"test.fx\", line 5: Error: #endif must be in an #if\n");
    e = Vorverarbeite("#define 1x\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: #define syntax error\n"
                            "cpp: \"test.fx\", line 1: Warning: Unexpected text in #control line ignored\n");
}

TEST(CppDirektiven, PragmaUndUnbekannteGehenDurch) {
    CppErgebnis e = Vorverarbeite("#pragma pack(1)\n#version 330 core\n#  pragma\tx\n");
    EXPECT_EQ(e.mAusgabe, "#pragma  pack(1)\n#version  330 core\n#pragma \tx\n");
    EXPECT_EQ(e.mMeldungen, "");
    e = Vorverarbeite("#if 0\n#foo\n#endif\n#foo bar\n", {cpp_Tag(CppTag_WarneUnbekannte, 1)});
    EXPECT_EQ(e.mAusgabe, "#foo  bar\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 4: Warning: Illegal # command \"foo\"\n");
    // Pending empty lines give one newline before the pragma.
    EXPECT_EQ(Vorverarbeite("a\n\n\n#pragma p\n").mAusgabe, "a\n\n#pragma  p\n");
}

TEST(CppDirektiven, DirektiveAusMakroexpansion) {
    const CppErgebnis e = Vorverarbeite("#define M(x) x\nM(\n#define Y 5\n)Y\n");
    EXPECT_EQ(e.mMeldungen,
              "cpp: \"test.fx\", line 4: Warning: Control line \"define\" within macro expansion\n");
    EXPECT_EQ(e.mAusgabe, "\n5\n");
}

TEST(CppDirektiven, AssertUndError) {
    const CppErgebnis e = Vorverarbeite("#assert 1 + 1 == 2\n#assert 0\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 2: Error: Preprocessor assertion failure\n");
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, IncludeAusDemSpeicher) {
    SetzeVirtuelleDateien({{"a.h", "A_INHALT\n"},
                           {"inc/b.h", "B_INHALT\n"},
                           {"inc/sub/c.h", "#include \"d.h\"\n"},
                           {"inc/sub/d.h", "D_IM_ORDNER\n"},
                           {"inc/d.h", "D_GLOBAL\n"}});
    const std::vector<CppTag> tags = {cpp_Tag(CppTag_IncludeVerzeichnis, "inc")};
    EXPECT_EQ(Vorverarbeite("#include \"a.h\"\nnach\n", tags).mAusgabe, "A_INHALT\nnach\n");
    EXPECT_EQ(Vorverarbeite("#include <b.h>\n", tags).mAusgabe, "B_INHALT\n");
    // Angle brackets skip the including file's folder.
    EXPECT_EQ(Vorverarbeite("#include <a.h>\n", tags).mAusgabe, "");
    // A quoted include looks next to the including file first, unless tag 34 is off.
    EXPECT_EQ(Vorverarbeite("#include \"sub/c.h\"\n", tags).mAusgabe, "D_IM_ORDNER\n");
    EXPECT_EQ(
        Vorverarbeite("#include \"sub/c.h\"\n", {tags[0], cpp_Tag(CppTag_IncludeImDateiordner, 0)}).mAusgabe,
        "D_GLOBAL\n");
    // A macro may give the name; trailing blanks go.
    EXPECT_EQ(Vorverarbeite("#define H \"a.h\"\n#include H  \n").mAusgabe, "A_INHALT\n");
    const CppErgebnis bericht = Vorverarbeite("#include \"a.h\"\n", {cpp_Tag(CppTag_IncludesMelden, 1)});
    EXPECT_EQ(bericht.mMeldungen, "cpp: included \"a.h\"\n");
}

TEST(CppDirektiven, IncludeSyntaxfehler) {
    for (const char* zeile : {"#include a.h\n", "#include \"a.h\n", "#include <a.h\" \n", "#include\n",
                              "#include NICHTDEFINIERT\n"}) {
        const CppErgebnis e = Vorverarbeite(zeile);
        EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: #include syntax error\n") << zeile;
    }
    const std::string lang = "#include \"" + std::string(600, 'x') + "\"\n";
    const CppErgebnis e = Vorverarbeite(lang);
    EXPECT_NE(e.mMeldungen.find("Fatal: Work buffer overflow\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, FehlendesIncludeIstMitTag25EinFehler) {
    const CppErgebnis e = Vorverarbeite("#include \"fehlt.h\"\nweiter\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: Cannot open include file \"fehlt.h\"\n");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_EQ(e.mAusgabe, "weiter\n");
    const CppErgebnis still =
        Vorverarbeite("#include \"fehlt.h\"\nweiter\n", {cpp_Tag(CppTag_IncludeFehlerMelden, 0)});
    EXPECT_EQ(still.mMeldungen, "");
    EXPECT_EQ(still.mRueckgabe, 0);
    EXPECT_EQ(still.mAusgabe, "weiter\n");
}

TEST(CppDirektiven, ZuLangerVerbundenerNameIstFatal55) {
    const std::string verzeichnis(505, 'v');
    const CppErgebnis e =
        Vorverarbeite("#include <abcdefgh.h>\n", {cpp_Tag(CppTag_IncludeVerzeichnis, verzeichnis.c_str())});
    EXPECT_NE(e.mMeldungen.find("Fatal: Filename work buffer overflow\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, SichSelbstEinbindendeDateiStopptFatal) {
    SetzeVirtuelleDateien({{"selbst.h", "#include \"selbst.h\"\n"}});
    const CppErgebnis e = Vorverarbeite("#include \"selbst.h\"\n");
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many nested #include statements\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, LineSetztZeileUndNamen) {
    CppErgebnis e = Vorverarbeite("#line 100 \"anders.fx\"\n__LINE__ __FILE__\n#error\n");
    EXPECT_EQ(e.mAusgabe, "100 \"anders.fx\"\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"anders.fx\", line 101: Error: #error directive encountered\n");
    EXPECT_EQ(Vorverarbeite("#line 99999999999\n__LINE__\n").mAusgabe, "1000000000\n");
    e = Vorverarbeite("#define N 7\n#line N\n__LINE__\n# 20\n__LINE__\n");
    // The pending empty line of the #define goes out before the #line.
    EXPECT_EQ(e.mAusgabe, "\n7\n20\n");
    const std::string lang = "#line 5 \"" + std::string(600, 'n') + "\"\n";
    e = Vorverarbeite(lang);
    EXPECT_NE(e.mMeldungen.find("Fatal: Work buffer overflow\n"), std::string::npos);
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, FileMitLangemNamenIstFatal64) {
    // A joined name of 511 characters opens, but does not fit the work buffer with the quotes of __FILE__.
    const std::string verzeichnis(500, 'v');
    SetzeVirtuelleDateien({{verzeichnis + "/abcdefghij", "vorher __FILE__ nachher\n"}});
    const CppErgebnis e =
        Vorverarbeite("#include <abcdefghij>\n", {cpp_Tag(CppTag_IncludeVerzeichnis, verzeichnis.c_str())});
    EXPECT_NE(e.mMeldungen.find("Fatal: Work buffer overflow\n"), std::string::npos);
    EXPECT_EQ(e.mAusgabe, "vorher ");
    EXPECT_EQ(e.mRueckgabe, 1);
}

TEST(CppDirektiven, DateiMitCrLfUndFortsetzung) {
    namespace fs = std::filesystem;
    const fs::path ordner = fs::temp_directory_path() / ("cpp_test_" + std::to_string(getpid()));
    fs::create_directories(ordner);
    {
        std::ofstream datei(ordner / "crlf.h", std::ios::binary);
        datei << "#define LANG eins \\\r\n zwei\r\nLANG\r\n";
    }
    const std::string pfad = (ordner / "crlf.h").string();
    const CppTag tag = cpp_Tag(CppTag_DateiOeffnen, static_cast<CppOeffneFn>(nullptr));
    const CppErgebnis e = Vorverarbeite("#include \"" + pfad + "\"\n", {tag});
    EXPECT_EQ(e.mAusgabe, "eins zwei\n");
    EXPECT_EQ(e.mMeldungen, "");
    fs::remove_all(ordner);
}
