// Effect files: every element and value an effect file may hold, and every line a file, a pass or
// an entry that fails to load writes.

#include "testhilfe.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

using namespace Spiel;
using filtertest::ErwarteZeilen;
using filtertest::FilterTest;

TEST_F(FilterTest, LaedtJedesElementUndJedenWert) {
    FilterVerwaltung verwaltung(NADREL_FILTERDATEN);
    ASSERT_EQ(verwaltung.mEffekte.size(), 3u);
    const FilterEffekt& e = *std::find_if(verwaltung.mEffekte.begin(), verwaltung.mEffekte.end(),
                                          [](const FilterEffekt& e) { return e.mName == "voll"; });
    EXPECT_EQ(e.mName + "|" + e.mBeschreibung, "voll|Jedes Element, jedes Wort");
    EXPECT_EQ(mLog.Anzahl("?Filter::LadeAus(...): Element <alphatest> wird nicht mehr unterstützt."), 1);
    ASSERT_EQ(e.mTexturen.size(), 2u);
    EXPECT_EQ(e.mTexturen[0].mBeschreibung + "|" + e.mTexturen[0].mStandard + "|" + e.mTexturen[1].mName,
              "Körnung|rauschen.png|leer");

    // Every parameter and pass written out; inputs as addressing (c/w) and filtering (l/p).
    std::ostringstream text;
    for (const auto& p : e.mParameter)
        text << p.mName << ' ' << p.mKonstante << " '" << p.mBeschreibung << "' " << p.mStandard[0] << ' '
             << p.mStandard[1] << ' ' << p.mStandard[2] << ' ' << p.mStandard[3] << "; ";
    for (const Filter& f : e.mFilter) {
        text << f.mName << '(';
        for (const Filter::Eingabe& ein : f.mEingaben)
            text << ein.mBild << ' ' << ein.mSampler << ' ' << ein.mKonstante << ' '
                 << (ein.mAdressierung == kFilterBegrenzen ? 'c' : 'w')
                 << (ein.mFilterung == kFilterLinear ? 'l' : 'p') << ',';
        text << ")>" << f.mAusgabe << '/' << f.mTeiler;
        if (f.mAlphaZustand)
            text << " blend " << f.mAlphaZustand->mBeschreibung.mZiele[0].mFarbQuelle << ' '
                 << f.mAlphaZustand->mBeschreibung.mZiele[0].mFarbZiel;
        text << "; ";
    }
    EXPECT_EQ(text.str(),
              "halb gHalb 'nur r' 0.5 0 0 1; ohne gOhne '' 0 0 0 1; kaputt gKaputt '' 0 2 0 1; "
              "erster(ergebnis gA gAGroesse wl,rauschen gB gBGroesse cp,leer gC gCGroesse cp,)>zwischen/2 "
              "blend 2 0; Filter2()>ergebnis/1; Filter3()>ergebnis/1 blend 0 4; ");
    EXPECT_EQ(e.mFilter[0].mVertexShaderQuelle,
              "\n$rein float4 ecke;\n$rein float2 uv;\n$raus float4 position;\n$raus "
              "float2 texKoord;\n$main()\n{\n\tposition = ecke;\n\ttexKoord = uv;\n}\n");
}

// One row for every distinct way a file, a pass or an entry fails, with the ends of its lines;
// `filter` names the passes that loaded, "-" when the file yields no effect. A failed single pass
// adds the effect's line about its pass 0.
TEST_F(FilterTest, JedeFehlerzeile) {
    const std::string teiler = "Ungültige Angabe im Attribut \"teiler\" der Ausgabebild-Angabe.";
    using Texte = std::vector<std::string>;
    const std::tuple<const char*, Texte, Texte> faelle[] = {
        // clang-format off
        {"<e><filter></e>", {"Datei \"filter.t.xml\" ist nicht lesbar.", "!Zeile 1: "}, {"-"}},
        {"<!-- kein Element -->", {"/filter.t.xml\" ist nicht lesbar."}, {"-"}},
        {"<e><filter><eingabe name='a' sampler='s' konstante='k'/><eingabe name='a'/>" VS PS "</filter></e>",
         {"LadeAus(...): 2. Eingabe muss einen Textursampler über \"sampler\" definieren."}, {}},
        {"<e><filter><eingabe name='a' sampler='s' konstante='k' koords='Begrenzen'/>" VS PS "</filter></e>",
         {"Texkoord-Einstellung in der 1. Eingabe. Gültige Werte sind \"begrenzen\" und \"wiederholen\"."}, {}},
        {"<e><filter><ausgabe teiler='2'/>" VS PS "</filter></e>",
         {"LadeAus(...): Die Ausgabe muss einen Namen über \"name\" definieren."}, {}},
        {"<e><filter name='a'><ausgabe name='x' teiler='0'/>" VS PS "</filter><filter name='b'><ausgabe "
         "name='x' teiler='-3'/>" VS PS "</filter><filter name='c'><ausgabe name='x' teiler='zwei'/>" VS PS
         "</filter></e>", {teiler, teiler, teiler}, {"a", "b", "c"}},
        {"<e><filter><alphablending quelle='eins' ziel='Null'/>" VS PS "</filter></e>",
         {"\"ziel\". Gültige Werte sind \"eins\", \"null\", \"alpha\" und \"invalpha\"."}, {}},
        {"<e><filter><vertexShader/>" PS "</filter></e>", {"Filter muss VertexShader-Code definieren."}, {}},
        {"<e><filter>" VS "<pixelShader>$raus float4 farbe;\n$main() {\n farbe = nichts;\n}</pixelShader>"
         "</filter></e>",
         {"Fehler beim Kompilieren des PixelShaders.", "!ERROR: SpoeSpoe:3: 'nichts'"}, {}},
        {"<e><filter>" VS PS "</filter><filter>" VS PS "</filter><filter>" PS "</filter><filter>" VS PS
         "</filter></e>", {"VertexShader-Code", "Laden des 2. Filters in Effekt \"t\" - Laden des Filters"},
         {"Filter1", "Filter2", "Filter3"}},
        {"<e><textur beschreibung='ohne Namen'/><param><konstante wert='a'/></param><param name='a'><konstante "
         "wert='a'/></param><param name='b'/><param name='c'><konstante/></param><filter>" VS PS "</filter></e>",
         {"Textureintrag in Filtereffekt \"t\" hat kein \"name\"-Atribut.",
          "Parameter in Filtereffekt \"t\" hat kein \"name\"-Atribut.",
          "Der 2. Parameter in Filtereffekt \"t\" hat kein \"konstante\"-Element.",
          "Der Konstanteneintrag im 2. Parameter des Filtereffekts \"t\" hat kein \"wert\"-Atribut."},
         {"Filter1"}},
        // clang-format on
    };
    for (const auto& [xml, zeilenSoll, filterSoll] : faelle) {
        SCOPED_TRACE(xml);
        std::ofstream(mOrdner.Pfad() / "filter.t.xml", std::ios::binary) << xml;
        mLog.mZeilen.clear();
        const FilterVerwaltung verwaltung(mOrdner.Pfad());
        std::vector<std::string> fehler;
        for (const std::string& zeile : mLog.mZeilen)
            if (zeile.find(": !") != std::string::npos || zeile.find(": ?") != std::string::npos)
                fehler.push_back(zeile.substr(zeile.find(": ") + 2));
        std::vector<std::string> zeilen = zeilenSoll;
        if (filterSoll.empty())
            zeilen.push_back(
                "Fehler beim Laden des 0. Filters in Effekt \"t\" - Laden des Filters gescheitert.");
        ErwarteZeilen(fehler, zeilen);
        std::vector<std::string> filter;
        for (const FilterEffekt& e : verwaltung.mEffekte)
            for (const Filter& f : e.mFilter)
                filter.push_back(f.mName);
        EXPECT_EQ(verwaltung.mEffekte.empty() ? std::vector<std::string>{"-"} : filter, filterSoll);
    }
}

} // namespace
