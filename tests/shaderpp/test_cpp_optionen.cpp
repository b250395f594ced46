// The entry: option tags, predefined macros, the diagnostic lines and the result.

#include "cpp_hilfe.h"

#include <gtest/gtest.h>

TEST(CppOptionen, LeereEingabeGibtNichtsUndErfolg) {
    const CppErgebnis e = Vorverarbeite("");
    EXPECT_EQ(e.mRueckgabe, 0);
    EXPECT_EQ(e.mAusgabe, "");
    EXPECT_EQ(e.mMeldungen, "");
}

TEST(CppOptionen, ProgrammMakroUndEntfernenPerTag9) {
    EXPECT_EQ(Vorverarbeite("quorrcpp\n").mAusgabe, "1\n");
    // Predefinition comes before the tags, so the requests of tags 5 and 6 change nothing.
    EXPECT_EQ(Vorverarbeite("quorrcpp __LINE__\n",
                            {cpp_Tag(CppTag_KeinProgrammMakro, 1), cpp_Tag(CppTag_KeineEingebauten, 1)})
                  .mAusgabe,
              "1 1\n");
    const CppErgebnis e = Vorverarbeite("#ifdef quorrcpp\nja\n#else\nnein\n#endif\n",
                                        {cpp_Tag(CppTag_Undefiniere, "quorrcpp")});
    EXPECT_EQ(e.mAusgabe, "nein\n");
    const CppErgebnis fehlt = Vorverarbeite("", {cpp_Tag(CppTag_Undefiniere, "GIBTSNICHT")});
    EXPECT_EQ(fehlt.mMeldungen, "cpp: \"test.fx\", line 0: Warning: \"GIBTSNICHT\" wasn't defined\n");
    EXPECT_EQ(fehlt.mRueckgabe, 0);
    // Like #undef, the tag needs a name that begins with a letter.
    const CppErgebnis falsch = Vorverarbeite("", {cpp_Tag(CppTag_Undefiniere, "9x")});
    EXPECT_EQ(falsch.mMeldungen, "cpp: \"test.fx\", line 0: Error: Illegal #undef argument\n");
    EXPECT_EQ(falsch.mRueckgabe, 1);
}

TEST(CppOptionen, UnbekannterTagMeldetInternenFehlerUndLiestWeiter) {
    const CppErgebnis e = Vorverarbeite("X\n", {CppTag{36, 1}, cpp_Tag(CppTag_Definiere, "X=7")});
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 0: Warning: Internal error!\n");
    EXPECT_EQ(e.mAusgabe, "7\n");
    EXPECT_EQ(e.mRueckgabe, 0);
}

TEST(CppOptionen, DefinierenKopiertDenTextDesAufrufers) {
    // A string literal lives in read-only memory: the tag must not write into it.
    const CppErgebnis e =
        Vorverarbeite("A B C\n", {cpp_Tag(CppTag_Definiere, "A=eins zwei"), cpp_Tag(CppTag_Definiere, "B"),
                                  cpp_Tag(CppTag_Definiere, "C=")});
    EXPECT_EQ(e.mAusgabe, "eins zwei 1 \n");
}

TEST(CppOptionen, FehlerMachenDasErgebnisEinsAusserMitTag3) {
    const CppErgebnis e = Vorverarbeite("#error halt\n");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_EQ(e.mMeldungen, "cpp: \"test.fx\", line 1: Error: #error directive encountered\n"
                            "cpp: \"test.fx\", line 1: Warning: Unexpected text in #control line ignored\n");
    EXPECT_EQ(Vorverarbeite("#error\n", {cpp_Tag(CppTag_FehlerIgnorieren, 1)}).mRueckgabe, 0);
    EXPECT_EQ(Vorverarbeite("#warning\n").mRueckgabe, 0);
}

TEST(CppOptionen, OffeneBedingungenAmEnde) {
    const CppErgebnis e = Vorverarbeite("#if 1\n#ifdef X\n");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_NE(e.mMeldungen.find("Error: Inside #ifdef block at end of input, depth = 2\n"),
              std::string::npos);
}

TEST(CppOptionen, FatalerAbbruchMeldetMisserfolg) {
    // 32 nested levels end the run; the truncated output must not look like success.
    std::string quelle;
    for (int i = 0; i < 32; ++i)
        quelle += "#ifdef quorrcpp\n";
    const CppErgebnis e = Vorverarbeite(quelle + "text\n");
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_NE(e.mMeldungen.find("line 32: Fatal: Too many nested #ifdef statements\n"), std::string::npos);
    EXPECT_EQ(e.mAusgabe, "");
}

TEST(CppOptionen, ZuVieleVerzeichnisseUndDateienBeendenDasTagLesen) {
    std::vector<CppTag> tags;
    for (int i = 0; i < 21; ++i)
        tags.push_back(cpp_Tag(CppTag_IncludeVerzeichnis, "inc"));
    tags.push_back(cpp_Tag(CppTag_Definiere, "NACHHER"));
    CppErgebnis e = Vorverarbeite("NACHHER\n", tags);
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many include directories\n"), std::string::npos);
    EXPECT_EQ(e.mAusgabe, "NACHHER\n");
    EXPECT_EQ(e.mRueckgabe, 1);

    tags.clear();
    for (int i = 0; i < 21; ++i)
        tags.push_back(cpp_Tag(i % 2 ? CppTag_VorabDatei : CppTag_VorabDatei2, "vorab.h"));
    SetzeVirtuelleDateien({{"vorab.h", ""}});
    e = Vorverarbeite("x\n", tags);
    EXPECT_NE(e.mMeldungen.find("Fatal: Too many include files\n"), std::string::npos);
}

TEST(CppOptionen, VorabDateienKommenVorDerHauptEingabe) {
    SetzeVirtuelleDateien({{"a.h", "#define A 1\na\n"}, {"b.h", "b A\n"}});
    const CppErgebnis e =
        Vorverarbeite("main A\n", {cpp_Tag(CppTag_VorabDatei, "a.h"), cpp_Tag(CppTag_VorabDatei2, "b.h")});
    EXPECT_EQ(e.mAusgabe, "a\nb 1\nmain 1\n");
}

TEST(CppOptionen, GroessenFuerSizeof) {
    EXPECT_NE(Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "1 2 4")})
                  .mMeldungen.find("Warning: too few values specified to sizeof\n"),
              std::string::npos);
    EXPECT_NE(Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "1 2 4 8 4 8 9")})
                  .mMeldungen.find("Warning: too many values specified to sizeof! Not used.\n"),
              std::string::npos);
    // The table is shared by the whole process: later runs see the change.
    Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "1 2 4 8 4 8")});
    EXPECT_EQ(Vorverarbeite("#if sizeof(long) == 8\nja\n#endif\n").mAusgabe, "ja\n");
    Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "*4,4,4,4,4,4,2")});
    EXPECT_EQ(Vorverarbeite("#if sizeof(char *) == 4 && sizeof(int (*)()) == 2\nja\n#endif\n").mAusgabe,
              "ja\n");
    Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "1 2 4 4 4 8")});
    Vorverarbeite("", {cpp_Tag(CppTag_Groessen, "* 8 8 8 8 8 8 8")});
    EXPECT_EQ(Vorverarbeite("#if sizeof(long) == 4 && sizeof(char *) == 8\nja\n#endif\n").mAusgabe, "ja\n");
}

TEST(CppOptionen, UeberlangerEingabenameIstFatal) {
    const std::string name(600, 'n');
    const CppErgebnis e = Vorverarbeite("x\n", {}, name.c_str());
    EXPECT_EQ(e.mRueckgabe, 1);
    EXPECT_EQ(e.mAusgabe, "");
    EXPECT_NE(e.mMeldungen.find("Fatal: Work buffer overflow\n"), std::string::npos);
}

TEST(CppOptionen, LeererNameHeisstStdin) {
    const CppErgebnis e = Vorverarbeite("__FILE__\n#error\n", {}, "");
    EXPECT_EQ(e.mAusgabe, "\"[stdin]\"\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"[stdin]\", line 2: Error: #error directive encountered\n");
}

TEST(CppOptionen, BannerUndAusgabeAus) {
    const CppErgebnis e = Vorverarbeite("text\n", {cpp_Tag(CppTag_Banner, 1), cpp_Tag(CppTag_AusgabeAn, 0)});
    EXPECT_EQ(e.mAusgabe, "");
    EXPECT_EQ(std::count(e.mMeldungen.begin(), e.mMeldungen.end(), '\n'), 1);
}

TEST(CppOptionen, DatumUndZeitHabenIhrFormat) {
    const std::string a = Vorverarbeite("__DATE__|__TIME__\n").mAusgabe;
    ASSERT_EQ(a.size(), std::string("\"Dec  6 2026\"|\" 9:05:07\"\n").size()) << a;
    EXPECT_EQ(a[0], '"');
    EXPECT_EQ(a[12], '"');
    EXPECT_EQ(a[17], ':');
    EXPECT_EQ(a[20], ':');
}

TEST(CppOptionen, MeldungAusIncludeNenntAlleEinbindenden) {
    SetzeVirtuelleDateien({{"a.h", "\n#include \"b.h\"\n"}, {"b.h", "x\n#error\n"}});
    const CppErgebnis e = Vorverarbeite("eins\n#include \"a.h\"\n");
    EXPECT_EQ(e.mMeldungen, "cpp: \"b.h\", line 2: Error: #error directive encountered\n"
                            " from file a.h, line 2,\n"
                            " from file test.fx, line 2.\n");
}

TEST(CppOptionen, ZustandIstWiederverwendbar) {
    CppZustand zustand;
    const CppTag tags[] = {cpp_Tag(CppTag_Banner, 0),
                           cpp_Tag(
                               CppTag_Eingabe, +[](char*, int, void*, FILE*) -> char* { return nullptr; }),
                           {CppTag_Ende, 0}};
    EXPECT_EQ(cpp_Verarbeite(tags, zustand), 0);
    EXPECT_EQ(cpp_Verarbeite(tags, zustand), 0);
}
