// Directives: conditional nesting and its errors, #include search, #line, #pragma and the rest.

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(CppDirektiven, BedingungenUndAndereDirektiven) {
    const std::string rest = "Warning: Unexpected text in #control line ignored\n";
    const std::string zuTief = "line 32: Fatal: Too many nested #ifdef statements\n"
                               "line 32: Error: Inside #ifdef block at end of input, depth = 31\n";
    Pruefe({
        // Which branch is taken is compared with cpp; here "defined" of a known name and the errors.
        {"#define D\n#if defined D && defined(D)\nja\n#endif\n", "ja\n"},
        // Nests as cpp takes them, also inside skipped parts.
        {"#define A 1\n#define B A + 2\n#if A\nx = B;\n#if B == 3\ny\n#else\nz\n#endif\n#elif 1\nw\n#endif\n",
         "x = 1 + 2;\ny\n"},
        {"#ifdef U\nu\n#elif defined(V) || !defined W\nv\n#else\nw\n#endif\n#ifndef U\nnu\n#endif\n",
         "v\nnu\n"},
        {"#if 0\n#define S 1\n#if 1\na\n#elif 1\nb\n#else\nc\n#endif\n#elif S\nd\n#elif 2 > 1\n#undef Z\n"
         "#ifdef S\ne\n#elif 0\nf\n#else\ng\n#endif\n#else\nh\n#endif\nS\n",
         "g\nS\n"},
        {"#if 1\na\n#else\nb\n#else\nc\n#endif\n", "a\n", "line 5: Error: #else may not follow #else\n"},
        {"#endif\n#else\n#elif 1\n", "",
         "line 1: Error: #endif must be in an #if\nline 2: Error: #else must be in an #if\n"
         "line 3: Error: #elif must be in an #if\n"},
        {"#if 0\n#else\n#elif 1\nx\n#endif\n", "x\n", "line 3: Error: #elif may not follow #else\n"},
        // Without an argument the block is compiled and has no other branch.
        {"#if\nja\n#else\nnein\n#endif\n#ifdef 3\nauch\n#endif\n", "ja\nauch\n",
         "line 1: Error: #if, #ifdef, or #ifndef without an argument\n"
         "line 6: Error: #if, #ifdef, or #ifndef without an argument\n"},
        // 31 levels still work; the 32nd is fatal, also when opened inside skipped text, and the
        // truncated output must not look like success.
        {Wiederholt("#if 1\n", 31) + "tief\n" + Wiederholt("#endif\n", 31), "tief\n"},
        {"#if 0\n" + Wiederholt("#ifdef X\n", 31), "", zuTief},
        {Wiederholt("#ifdef quorrcpp\n", 32) + "text\n", "", zuTief},
        {"#\n#endif\n#ifdef A B\n#endif /* ok */\n#endif // ok\n", "",
         "line 2: Error: #endif must be in an #if\nline 3: " + rest +
             "line 5: Error: #endif must be in an #if\n"},
        // Other directives.
        {"#pragma pack(1)\n#version 330 core\n#  pragma\tx\n",
         "#pragma  pack(1)\n#version  330 core\n#pragma \tx\n"},
        {"#if 0\n#foo\n#endif\n#foo bar\n", "#foo  bar\n", "line 4: Warning: Illegal # command \"foo\"\n",
         Tags(cpp_Tag(CppTag_WarneUnbekannte, 1))},
        // Pending empty lines give one newline before the pragma.
        {"a\n\n\n#pragma p\n", "a\n\n#pragma  p\n"},
        {"#define M(x) x\nM(\n#define Y 5\n)Y\n", "\n5\n",
         "line 4: Warning: Control line \"define\" within macro expansion\n"},
        {"#assert 1 + 1 == 2\n#assert 0\n", "", "line 2: Error: Preprocessor assertion failure\n"},
        {"#error halt\n", "",
         "line 1: Error: #error directive encountered\n"
         "line 1: Warning: Unexpected text in #control line ignored\n"},
        {"#error\n", "", "line 1: Error: #error directive encountered\n",
         Tags(cpp_Tag(CppTag_FehlerIgnorieren, 1))},
        {"#warning\n", "#warning \n"},
        {"#line 100 \"anders.fx\"\n__LINE__ __FILE__\n#error\n", "100 \"anders.fx\"\n",
         "cpp: \"anders.fx\", line 101: Error: #error directive encountered\n"},
        {"#line 99999999999\n__LINE__\n", "1000000000\n"},
        // The pending empty line of the #define goes out before the #line.
        {"#define N 7\n#line N\n__LINE__\n# 20\n__LINE__\n", "\n7\n20\n"},
        {"#line 5 \"" + std::string(600, 'n') + "\"\n", "", "line 1: Fatal: Work buffer overflow\n"},
    });
}

TEST(CppDirektiven, Include) {
    SetzeVirtuelleDateien({{"a.h", "A_INHALT\n"},
                           {"inc/sub/c.h", "#include \"d.h\"\n"},
                           {"inc/sub/d.h", "D_IM_ORDNER\n"},
                           {"inc/d.h", "D_GLOBAL\n"},
                           {"selbst.h", "#include \"selbst.h\"\n"},
                           {std::string(500, 'v') + "/abcdefghij", "vorher __FILE__ nachher\n"}});
    const CppTag inc = cpp_Tag(CppTag_IncludeVerzeichnis, "inc");
    const std::string syntax = "line 1: Error: #include syntax error\n";
    const std::string ordner(500, 'v'), lang(505, 'v');
    Pruefe({
        // Angle brackets skip the including file's folder.
        {"#include <a.h>\n", "", "line 1: Error: Cannot open include file \"a.h\"\n", Tags(inc)},
        // A quoted include looks next to the including file first, unless tag 34 is off.
        {"#include \"sub/c.h\"\n", "D_IM_ORDNER\n", "", Tags(inc)},
        {"#include \"sub/c.h\"\n", "D_GLOBAL\n", "", Tags(inc, cpp_Tag(CppTag_IncludeImDateiordner, 0))},
        // A macro may give the name; trailing blanks go.
        {"#define H \"a.h\"\n#include H  \n", "A_INHALT\n"},
        {"#include \"a.h\"\n", "A_INHALT\n", "cpp: included \"a.h\"\n",
         Tags(cpp_Tag(CppTag_IncludesMelden, 1))},
        {"#include <a.h\" \n", "", syntax},
        {"#include\n", "", syntax},
        {"#include NICHTDEFINIERT\n", "", syntax},
        {"#include \"" + std::string(600, 'x') + "\"\n", "", "line 1: Fatal: Work buffer overflow\n"},
        // A missing file is an error while tag 25 is on.
        {"#include \"fehlt.h\"\nweiter\n", "weiter\n",
         "line 1: Error: Cannot open include file \"fehlt.h\"\n"},
        {"#include \"fehlt.h\"\nweiter\n", "weiter\n", "", Tags(cpp_Tag(CppTag_IncludeFehlerMelden, 0))},
        {"#include <abcdefgh.h>\n", "", "line 1: Fatal: Filename work buffer overflow\n",
         Tags(cpp_Tag(CppTag_IncludeVerzeichnis, lang.c_str()))},
        // A joined name of 511 characters opens, but does not fit the work buffer with the quotes of
        // __FILE__.
        {"#include <abcdefghij>\n", "vorher ",
         "cpp: \"" + ordner +
             "/abcdefghij\", line 1: Fatal: Work buffer overflow\n"
             " from file test.fx, line 1.\n",
         Tags(cpp_Tag(CppTag_IncludeVerzeichnis, ordner.c_str()))},
        {"#include \"selbst.h\"\n", "",
         "cpp: \"selbst.h\", line 1: Fatal: Too many nested #include statements\n" +
             Wiederholt(" from file selbst.h, line 1,\n", 199) + " from file test.fx, line 1.\n"},
    });
}

TEST(CppDirektiven, DateiMitCrLfUndFortsetzung) {
    const auto pfad =
        std::filesystem::temp_directory_path() / ("cpp_crlf_" + std::to_string(getpid()) + ".h");
    std::ofstream(pfad, std::ios::binary) << "#define LANG eins \\\r\n zwei\r\nLANG\r\n";
    Pruefe({{"#include \"" + pfad.string() + "\"\n", "eins zwei\n", "",
             Tags(cpp_Tag(CppTag_DateiOeffnen, static_cast<CppOeffneFn>(nullptr)))}});
    std::filesystem::remove(pfad);
}
