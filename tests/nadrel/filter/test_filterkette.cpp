// The chain of a filter set: which image every pass reads and writes, the images made for it, the
// lines about names that do not fit together, and the parameters with their defaults.

#include "testhilfe.h"

#include <sstream>
#include <tuple>

namespace {

using namespace Spiel;
using filtertest::ErwarteZeilen;

// "name=pass pass #textur": a pass is "name(input,input)>output/divisor", the divisor optional.
FilterEffekt Effekt(const std::string& text) {
    FilterEffekt effekt;
    effekt.mName = text.substr(0, text.find('='));
    std::istringstream teile(text.substr(text.find('=') + 1));
    for (std::string teil; teile >> teil;) {
        if (teil[0] == '#') {
            effekt.mTexturen.push_back({teil.substr(1), "", ""});
            continue;
        }
        Filter& filter = effekt.mFilter.emplace_back();
        filter.mName = teil.substr(0, teil.find('('));
        std::istringstream eingaben(teil.substr(teil.find('(') + 1, teil.find(')') - teil.find('(') - 1));
        for (std::string bild; std::getline(eingaben, bild, ',');)
            filter.mEingaben.push_back({bild, "s", "k"});
        const std::string ausgabe = teil.substr(teil.find('>') + 1);
        filter.mAusgabe = ausgabe.substr(0, ausgabe.find('/'));
        if (ausgabe.find('/') != std::string::npos)
            filter.mTeiler = std::stoll(ausgabe.substr(ausgabe.find('/') + 1));
    }
    return effekt;
}

// Which image every pass reads and writes (per step "inputs>output"), the images made for it
// ("name/divisor"), and every line about names that do not fit together.
TEST(Filterkette, LoestEingabenUndAusgabenAuf) {
    using Texte = std::vector<std::string>;
    const std::tuple<Texte, std::string, std::string, Texte> faelle[] = {
        // clang-format off
        {{}, "", "ergebnis/1 hdr_ref/1", {}},
        {{"a=p1(ergebnis)>ergebnis p2(ergebnis)>ergebnis", "b=p3(ergebnis)>ergebnis"}, "0>2 2>3 3>-1",
         "ergebnis/1 hdr_ref/1 quiff/1 quoff/1", {}},
        {{"a=p1()>ergebnis p2(ergebnis)>ergebnis"}, ">-1 0>-1", "ergebnis/1 hdr_ref/1", {}},
        {{"a=p1(ergebnis)>klein/2 p2(klein)>klein/4 p3(klein,hdr_ref)>hdr_ref"}, "0>2 2>2 2,1>1",
         "ergebnis/1 hdr_ref/1 klein/2", {"\"a\", Filter \"p2\" definiert Ausgabebild mit konfliktbehafteten"}},
        {{"a=p1(ergebnis)>ergebnis p2(ergebnis,quiff)>ergebnis"}, "0>2 2,0>-1", "ergebnis/1 hdr_ref/1 quiff/1",
         {"Das 1. Eingabebild \"quiff\" des Filters \"p2\" im Effekt \"a\" konnte nicht zugeordnet werden."}},
        {{"a=p1(rauschen)>rauschen/2 #rauschen #ergebnis", "b=p2(ergebnis,rauschen)>ergebnis #rauschen"},
         "2>2 0,2>-1", "ergebnis/1 hdr_ref/1 rauschen/1",
         {"\"a\" definiert Eingabetextur \"ergebnis\", die vorher schon Renderziel war.",
          "\"a\", Filter \"p1\" definiert Ausgabebild mit konfliktbehafteten Parametern."}},
        // clang-format on
    };
    for (const auto& [texte, schritteSoll, bilderSoll, zeilen] : faelle) {
        SCOPED_TRACE(::testing::PrintToString(texte));
        TLog log;
        log.mZeilen.clear();
        std::vector<FilterEffekt> effekte;
        for (const std::string& text : texte)
            effekte.push_back(Effekt(text));
        FilterSatz satz(effekte);
        // Added from the back: the chain follows the ids, not the order of adding.
        for (size_t i = effekte.size(); i-- > 0;)
            satz.AddFilter(effekte[i].mName, int32_t(i));
        FilterVerwaltung::BerechneFilterkette(satz);

        std::string schritte, bilder;
        for (const FilterSatz::Schritt& schritt : satz.mSchritte) {
            schritte += schritte.empty() ? "" : " ";
            for (size_t j = 0; j < schritt.mEingaben.size(); ++j)
                schritte += std::string(j ? "," : "") + std::to_string(schritt.mEingaben[j]);
            schritte += ">";
            schritte += std::to_string(schritt.mAusgabe);
        }
        for (const FilterSatz::Bild& bild : satz.mBilder)
            bilder +=
                std::string(bilder.empty() ? "" : " ") + bild.mName + "/" + std::to_string(bild.mTeiler);
        EXPECT_EQ(schritte, schritteSoll);
        EXPECT_EQ(bilder, bilderSoll);
        ErwarteZeilen(log.mZeilen, zeilen);
    }
}

TEST(Filterkette, ParameterUndAktiveEffekte) {
    TLog log;
    std::vector<FilterEffekt> effekte;
    effekte.push_back(Effekt("a=p(ergebnis)>ergebnis"));
    effekte.push_back(Effekt("b=q(ergebnis)>ergebnis"));
    effekte[0].mParameter = {{"staerke", "", "gA", {0.5f, 0, 0, 1}}};
    effekte[1].mParameter = {{"farbe", "", "gF"}, {"staerke", "", "gB", {9, 9, 9, 9}}};
    FilterSatz satz(effekte);
    satz.AddFilter("fehlt", 0);
    EXPECT_TRUE(satz.mAktiv.empty());
    satz.AddFilter("b", 0);
    satz.AddFilter("a", 0);
    EXPECT_EQ(
        log.Anzahl("?FilterSatz::AddFilter( \"a\", 0): Bislang unter SequenzID 0 aktiver Filter \"b\" wird "
                   "ersetzt."),
        1);
    satz.AddFilter("b", 1);
    FilterVerwaltung::BerechneFilterkette(satz);

    // The first effect to name a parameter decides its default; each step finds its own by index.
    ASSERT_EQ(satz.mParameter.size(), 2u);
    EXPECT_EQ(satz.mParameter[0].mName, "staerke");
    EXPECT_EQ(satz.mParameter[0].mWert[0], 0.5f);
    EXPECT_EQ(satz.mSchritte[1].mParameter, (std::vector<int64_t>{1, 0}));

    satz.SetParameter("staerke", 1, 2, 3, 4);
    EXPECT_EQ(satz.mParameter[0].mWert[2], 3.0f);
    satz.SetParameter("Staerke", 1, 2, 3, 4);
    EXPECT_EQ(log.Anzahl("!FilterSatz::SetParameter( \"Staerke\", ...): Kein Param diesen Namens bekannt."),
              1);
    // A new chain starts from the defaults again.
    FilterVerwaltung::BerechneFilterkette(satz);
    EXPECT_EQ(satz.mParameter[0].mWert[2], 0.0f);
}

} // namespace
