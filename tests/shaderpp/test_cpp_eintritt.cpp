// The entry: option tags, predefined macros, the diagnostic lines and the result.

#include "testhilfe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

TEST(CppOptionen, Tags) {
    SetzeVirtuelleDateien({{"a.h", "#define A 1\na\n"}, {"b.h", "b A\n"}, {"vorab.h", ""}});
    std::vector<CppTag> verzeichnisse, dateien;
    for (int i = 0; i < 21; ++i) {
        verzeichnisse.push_back(cpp_Tag(CppTag_IncludeVerzeichnis, "inc"));
        dateien.push_back(cpp_Tag(i % 2 ? CppTag_VorabDatei : CppTag_VorabDatei2, "vorab.h"));
    }
    verzeichnisse.push_back(cpp_Tag(CppTag_Definiere, "NACHHER"));
    const std::string langerName(600, 'n');
    Pruefe({
        // Predefinition comes before the tags, so the requests of tags 5 and 6 change nothing.
        {"quorrcpp __LINE__\n", "1 1\n", "",
         Tags(cpp_Tag(CppTag_KeinProgrammMakro, 1), cpp_Tag(CppTag_KeineEingebauten, 1))},
        {"#ifdef quorrcpp\nja\n#else\nnein\n#endif\n", "nein\n", "",
         Tags(cpp_Tag(CppTag_Undefiniere, "quorrcpp"))},
        {"", "", "line 0: Warning: \"GIBTSNICHT\" wasn't defined\n",
         Tags(cpp_Tag(CppTag_Undefiniere, "GIBTSNICHT"))},
        // Like #undef, the tag needs a name that begins with a letter.
        {"", "", "line 0: Error: Illegal #undef argument\n", Tags(cpp_Tag(CppTag_Undefiniere, "9x"))},
        {"X\n", "7\n", "line 0: Warning: Internal error!\n",
         Tags(CppTag{36, 1}, cpp_Tag(CppTag_Definiere, "X=7"))},
        // A string literal lives in read-only memory: the tag must not write into it.
        {"A B C\n", "eins zwei 1 \n", "",
         Tags(cpp_Tag(CppTag_Definiere, "A=eins zwei"), cpp_Tag(CppTag_Definiere, "B"),
              cpp_Tag(CppTag_Definiere, "C="))},
        // Too many directories or files end the reading of the tags, not the run.
        {"NACHHER\n", "NACHHER\n", "line 0: Fatal: Too many include directories\n", verzeichnisse},
        {"x\n", "x\n", "line 0: Fatal: Too many include files\n", dateien},
        {"main A\n", "a\nb 1\nmain 1\n", "",
         Tags(cpp_Tag(CppTag_VorabDatei, "a.h"), cpp_Tag(CppTag_VorabDatei2, "b.h"))},
        {"text\n", "", "quorrcpp: Velm shader preprocessor\n",
         Tags(cpp_Tag(CppTag_Banner, 1), cpp_Tag(CppTag_AusgabeAn, 0))},
        // The input's name: empty means standard input; too long is fatal.
        {"__FILE__\n#error\n", "\"[stdin]\"\n",
         "cpp: \"[stdin]\", line 2: Error: #error directive encountered\n",
         Tags(cpp_Tag(CppTag_Eingabename, ""))},
        {"x\n", "", "cpp: \"" + langerName + "\", line 0: Fatal: Work buffer overflow\n",
         Tags(cpp_Tag(CppTag_Eingabename, langerName.c_str()))},
    });
}

TEST(CppOptionen, GroessenFuerSizeofGeltenFuerDenProzess) {
    auto groessen = [](const char* werte) { return std::vector<CppTag>{cpp_Tag(CppTag_Groessen, werte)}; };
    Pruefe({
        {"", "", "line 0: Warning: too few values specified to sizeof\n", groessen("1 2 4")},
        {"", "", "line 0: Warning: too many values specified to sizeof! Not used.\n",
         groessen("1 2 4 8 4 8 9")},
        {"", "", "", groessen("1 2 4 8 4 8")},
        {"#if sizeof(long) == 8\nja\n#endif\n", "ja\n"},
        {"", "", "", groessen("*4,4,4,4,4,4,2")},
        {"#if sizeof(char *) == 4 && sizeof(int (*)()) == 2\nja\n#endif\n", "ja\n"},
        {"", "", "", groessen("1 2 4 4 4 8")},
        {"", "", "", groessen("* 8 8 8 8 8 8 8")},
        {"#if sizeof(long) == 4 && sizeof(char *) == 8\nja\n#endif\n", "ja\n"},
    });
}

TEST(CppOptionen, DatumUndZeitHabenIhrFormat) {
    EXPECT_THAT(Vorverarbeite("__DATE__|__TIME__\n").mAusgabe,
                ::testing::MatchesRegex(
                    "\"[A-Z][a-z][a-z] [ 123][0-9] [0-9]{4}\"\\|\"[ 12][0-9]:[0-5][0-9]:[0-6][0-9]\"\n"));
}

TEST(CppOptionen, ZustandIstWiederverwendbarUndStandardeingabeDieHauptEingabe) {
    // Without an input callback the main input is standard input; here it is empty.
    FILE* alt = stdin;
    stdin = fopen("/dev/null", "r");
    const CppTag tags[] = {cpp_Tag(CppTag_Banner, 0), {CppTag_Ende, 0}};
    CppZustand zustand;
    EXPECT_EQ(cpp_Verarbeite(tags, zustand), 0);
    EXPECT_EQ(cpp_Verarbeite(tags, zustand), 0);
    fclose(stdin);
    stdin = alt;
}
