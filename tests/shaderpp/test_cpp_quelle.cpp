// Reading and output: blank lines and line markers, whitespace, comments and literals.

#include "testhilfe.h"

#include <gtest/gtest.h>

TEST(CppQuelle, ZeilenLeerraumKommentareUndLiterale) {
    SetzeVirtuelleDateien({{"k.h", "k\n"}});
    const CppTag marken = cpp_Tag(CppTag_Zeilenmarken, 1);
    const CppTag einfach = cpp_Tag(CppTag_EinfacheZeichen, 1);
    Pruefe({
        {"a\n\n\nb\n", "a\n\n\nb\n", "", Tags(marken)},
        {"a\n\n\n\n\n\nb\n\n\n\n\n\nc\n", "a\n#line 7 \"test.fx\"\nb\n#line 13\nc\n", "", Tags(marken)},
        {"a\n\n\n\n\n\nb\n", "a\n# 7 \"test.fx\"\nb\n", "", Tags(marken, cpp_Tag(CppTag_MarkenMitLine, 0))},
        // Directive lines and skipped lines count as empty lines.
        {"#define X\na\n#if 0\nb\n#endif\nc\n", "\na\n#line 6 \"test.fx\"\nc\n", "", Tags(marken)},
        {"a\n#include \"k.h\"\nb\n", "a\n#line 1 \"k.h\"\nk\n#line 3 \"test.fx\"\nb\n", "", Tags(marken)},
        {"  a  \t b   \n", "a b \n"},
        {"  a  \t b\n", "  a  \t b\n", "", Tags(cpp_Tag(CppTag_LeerraumBehalten, 1))},
        {"a\vb\fc\n", "a b c\n"},
        {"a/* x */b\n", "a b\n"},
        {"a /* x\n y */ b // rest\nc\n", "a b \nc\n"},
        {"a // x\n", "a // x\n", "", Tags(cpp_Tag(CppTag_KeineZeilenkommentare, 1))},
        {"a /* k */ b\n/* z */\n", "a /* k */ b\n/* z */\n", "", Tags(cpp_Tag(CppTag_KommentareBehalten, 1))},
        {"\"/* kein */\" '//'\n", "\"/* kein */\" '//'\n"},
        {"a /* x /* y */ b */ c\n", "a b */ c\n"},
        {"a /* x /* y */ b */ c\n", "a c\n", "line 1: Warning: Nested comment\n",
         Tags(cpp_Tag(CppTag_KommentareVerschachtelt, 1), cpp_Tag(CppTag_WarneKommentarImKommentar, 1))},
        {"a\n/* offen\n", "a\n", "line 3: Error: EOF in comment\n"},
        {"\"a\\\"b\" 'c' \"x\\\ny\"\n", "\"a\\\"b\" 'c' \"x\\\ny\"\n"},
        {"vor \"offen\nnach\n", "vor ", "line 1: Error: Unterminated string\n"},
        // With plain characters a quote starts no literal, nor a constant in #if.
        {"don't\n", "don't\n", "", Tags(einfach)},
        {"#if 'a'\n#endif\n", "",
         "line 1: Error: illegal character ''' in #if\nline 1: Error: Inside #ifdef block at end of input, "
         "depth = 1\n",
         Tags(einfach)},
        {"1.5e+3f 0x1Fu .5 10UL\n", "1.5e+3f 0x1Fu .5 10UL\n"},
        {"089\n", "089\n", "line 1: Warning: Illegal digit in octal number\n"},
        {"089 0.9 09.5\n", "089 0.9 09.5\n", "", Tags(einfach)},
        // The main input keeps its last line end for characters put back at its end.
        {"a/", "a/"},
        {"abc\\", "abc\\"},
        {"#define F(x) x\nF", "F", "line 2: Warning: Macro \"F\" needs arguments\n"},
        // The input callback hands out 511 characters at a time: the backslash ends one buffer, and
        // putting back both it and the character after it would reach into the previous line.
        {std::string(510, 'a') + "\\b\n", std::string(510, 'a') + "b\n",
         "line 1: Fatal: Too much pushback\n"},
        {"( [ [ { } }\n", "( [ [ { } }\n",
         "line 2: Warning: Illegal bracket '[]' balance, depth = 2\n"
         "line 2: Warning: Illegal parentheses '()' balance, depth = 1\n"
         "line 2: Warning: Illegal brace '{}' balance, depth = -1\n",
         Tags(cpp_Tag(CppTag_KlammerBilanz, 1))},
    });
}
