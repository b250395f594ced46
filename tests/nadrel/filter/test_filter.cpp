// Effect files, the chain of a filter set and whole frames of the scene renderer on the headless
// device: every loader path, and runs read back pixel by pixel.

#include "nadrel/darstellung/renderer.h"
#include "nadrel/filter/filterverwaltung.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/kern/velm_parallelkern.h"
#include "velmklassen/render/render_testhilfe.h"
#include "velmklassen/render/velm_textur.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using namespace Spiel;

// Shaders that compile, for effect texts written inline.
#define VS                                                                                                   \
    "<vertexShader>$rein float4 ecke; $raus float4 position; $main() { position = ecke; }</vertexShader>"
#define PS "<pixelShader>$raus float4 farbe; $main() { farbe = float4( 0, 0, 0, 1); }</pixelShader>"

// Blue 0, green 1, red 2.
float Kanal(uint32_t farbe, int kanal) {
    return float(farbe >> (8 * kanal) & 0xFF);
}

// How many colour channels of the image are further than `toleranz` from what `soll` says.
template <class Soll> int Abweichungen(const Velm_Bild& bild, Soll soll, float toleranz = 0) {
    int anzahl = 0;
    for (uint64_t y = 0; y < bild.mHoehe; ++y)
        for (uint64_t x = 0; x < bild.mBreite; ++x)
            for (int kanal = 0; kanal < 3; ++kanal)
                anzahl += std::abs(Kanal(Pixel(bild, x, y), kanal) - soll(x, y, kanal)) > toleranz;
    return anzahl;
}

// An image no symmetry maps onto itself; with `block` 2 it is made of 2 x 2 blocks.
uint32_t Muster(uint64_t x, uint64_t y, uint64_t block = 1) {
    x /= block;
    y /= block;
    return 0xFF000000u | uint32_t((x * 37 + y * 11) & 0xFF) << 16 | uint32_t((y * 53 + 7) & 0xFF) << 8 |
           uint32_t((x * y * 29 + x) & 0xFF);
}

// Every line holds its expected text, in order.
void ErwarteZeilen(const std::vector<std::string>& ist, const std::vector<std::string>& soll) {
    ASSERT_EQ(ist.size(), soll.size()) << ::testing::PrintToString(ist);
    for (size_t i = 0; i < ist.size(); ++i)
        EXPECT_NE(ist[i].find(soll[i]), std::string::npos) << ist[i];
}

// A set with the one effect active, its chain computed.
FilterSatz Satz(const std::vector<FilterEffekt>& effekte, const std::string& name) {
    FilterSatz satz(effekte);
    satz.AddFilter(name, 7);
    FilterVerwaltung::BerechneFilterkette(satz);
    return satz;
}

class FilterTest : public rendertest::Kontext {
protected:
    void TearDown() override {
        EXPECT_EQ(mBrueche.Anzahl(), 0);
        Kontext::TearDown();
    }

    // A scene texture of the given size, released with the test; the back buffer's size is filled
    // with the pattern, the rest with white.
    Velm_Textur* Szenenbild(uint64_t breite, uint64_t hoehe, uint64_t block = 1) {
        Velm_Bild bild(breite, hoehe, Velm_FormatA8R8G8B8, 1);
        for (uint64_t y = 0; y < hoehe; ++y)
            for (uint64_t x = 0; x < breite; ++x) {
                const uint32_t wert = x < kBreite && y < kHoehe ? Muster(x, y, block) : 0xFFFFFFFFu;
                std::memcpy(bild.mDaten + y * bild.mPitch + x * 4, &wert, 4);
            }
        Velm_TexturInhalt inhalt(bild.LockMipStufen());
        return Behalte(K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt));
    }

    // Runs the set's chain over the scene texture into the whole back buffer, cleared to magenta.
    void Fuehre(FilterVerwaltung& verwaltung, FilterSatz& satz, Velm_Textur* szene) {
        K().SetRenderZiel(nullptr);
        K().Leeren(1, TAlphaFarbe{1, 0, 1, 1});
        satz.Ausfuehren(szene, {nullptr, 0, 0, kBreite, kHoehe}, verwaltung.Ressourcen());
    }

    TTempOrdner mOrdner;
};

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

TEST_F(FilterTest, NurDateienMitGenauDiesenNamen) {
    std::filesystem::create_directories(mOrdner.Pfad() / "unter");
    for (const char* datei : {"filter.a.xml", "Filter.b.xml", "filter.c.XML", "unter/filter.d.xml",
                              "filter.xml", "filter.e.xml.alt", "filter..xml"})
        std::ofstream(mOrdner.Pfad() / datei) << "<e><filter>" VS PS "</filter></e>";
    FilterVerwaltung verwaltung(mOrdner.Pfad());
    std::vector<std::string> namen;
    for (const FilterEffekt& e : verwaltung.mEffekte)
        namen.push_back(e.mName);
    std::sort(namen.begin(), namen.end());
    EXPECT_EQ(namen, (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(mLog.Anzahl("filter.xml\" benennt keinen Effekt."), 1);

    EXPECT_TRUE(FilterVerwaltung(mOrdner.Pfad() / "fehlt").mEffekte.empty());
    EXPECT_EQ(mLog.Anzahl("!FilterVerwaltung::FilterVerwaltung(): Ordner \"" +
                          (mOrdner.Pfad() / "fehlt").string() + "\" ist nicht lesbar"),
              1);
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

// Each effect over the patterned scene texture into the whole back buffer, every channel compared
// with the row's expectation: the pause filter copies at strength 0 and greys at 1 (also from a
// scene texture twice the destination's size, the picture in its corner); two passes through an
// image of half the size keep 2 x 2 blocks; inputs without content read black with size 0.
TEST_F(FilterTest, JederEffektBildpunktGenau) {
    const auto muster = [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y), k); };
    const auto bloecke = [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y, 2), k); };
    const auto grau = [](uint64_t x, uint64_t y, int) {
        const uint32_t m = Muster(x, y);
        return (0.299f * Kanal(m, 2) + 0.587f * Kanal(m, 1) + 0.114f * Kanal(m, 0)) * 0.4f;
    };
    using Soll = std::function<float(uint64_t, uint64_t, int)>;
    // Folder, effect, strength, the scene texture's size in screens, the pattern's blocks, what each
    // channel should read and how far it may be off.
    const std::tuple<std::filesystem::path, const char*, float, uint64_t, uint64_t, Soll, float> faelle[] = {
        {NADREL_DATEN, "pause", 0, 1, 1, muster, 0},
        {NADREL_DATEN, "pause", 0, 2, 1, muster, 0},
        {NADREL_DATEN, "pause", 1, 1, 1, grau, 1},
        {NADREL_DATEN, "pause", 1, 2, 1, grau, 1},
        {NADREL_FILTERDATEN, "zwei", 0, 1, 2, bloecke, 0},
        {NADREL_FILTERDATEN, "leer", 0, 1, 1, [](uint64_t, uint64_t, int) { return 128.0f; }, 0},
    };
    for (const auto& [ordner, effekt, staerke, groesse, block, soll, toleranz] : faelle) {
        SCOPED_TRACE(testing::Message() << effekt << " " << staerke << " " << groesse);
        FilterVerwaltung verwaltung(ordner);
        FilterSatz satz = Satz(verwaltung.mEffekte, effekt);
        satz.SetParameter("staerke", staerke, 0, 0, 0);
        Fuehre(verwaltung, satz, Szenenbild(kBreite * groesse, kHoehe * groesse, block));
        LiesZurueck();
        EXPECT_EQ(Abweichungen(mRueck, soll, toleranz), 0);
    }
}

// The half-size image follows the destination: kept for the same size, made again for another.
TEST_F(FilterTest, ZwischenbildFolgtDemZiel) {
    FilterVerwaltung verwaltung(NADREL_FILTERDATEN);
    FilterSatz satz = Satz(verwaltung.mEffekte, "zwei");
    Velm_Textur* szene = Szenenbild(kBreite, kHoehe);
    const FilterSatz::Bild& halb = satz.mBilder[size_t(satz.mSchritte[0].mAusgabe)];
    Fuehre(verwaltung, satz, szene);
    const Velm_Textur* vorher = halb.mTextur.get();
    EXPECT_EQ(halb.mTextur->mBreite, uint64_t(kBreite / 2));
    EXPECT_EQ(halb.mTextur->mHoehe, uint64_t(kHoehe / 2));
    Fuehre(verwaltung, satz, szene);
    EXPECT_EQ(halb.mTextur.get(), vorher);
    satz.Ausfuehren(szene, {nullptr, 0, 0, 3, 5}, verwaltung.Ressourcen());
    EXPECT_EQ(halb.mTextur->mBreite, 1u);
    EXPECT_EQ(halb.mTextur->mHoehe, 2u);
}

// Whole frames of the scene renderer through the pause filter at strength 0 (a copy), run as the
// frame job runs them: the grey image enlarged and centred, the border in the clear colour, the
// picture the right way up.
TEST_F(FilterTest, SzeneVergroessertMittigUndAufrecht) {
    // On the 64 x 32 screen (vertical scale twice the horizontal) these land at a quarter of the
    // image from its top-left and from its bottom-right corner.
    const Punkt punkte[] = {{-2.74f, 1.37f, 8, 0xFFFFFFFF}, {2.74f, -1.37f, 8, 0x6000FFFF}};
    // The grey image's height, an empty scene, and where the image lands.
    const std::tuple<uint64_t, bool, int64_t, int64_t, int64_t, int64_t> faelle[] = {
        {12, false, 16, 4, 48, 28}, // 16 x 12 doubled
        {6, false, 16, 4, 48, 28},  // 8 x 6 four times
        {30, false, 12, 1, 52, 31}, // 40 x 30 as it is
        {12, true, 16, 4, 48, 28},
    };
    Renderer renderer(NADREL_DATEN);
    FilterSatz filter = Satz(renderer.mFilter.mEffekte, "pause");
    filter.SetParameter("staerke", 0, 0, 0, 0);
    Velm_ParallelKern kern;
    const auto frame = [&](Szene& welt, uint64_t hoehe) {
        kern.StarteImHauptfaden([&] {
            renderer.ZeichneSzene(welt, hoehe, {}, 0, 0, filter);
            kern.BeendeHauptschleife();
        });
        kern.BearbeiteHauptschleife();
    };
    for (auto [hoehe, leer, x0, y0, x1, y1] : faelle) {
        SCOPED_TRACE(testing::Message() << hoehe << (leer ? " empty" : ""));
        Szene welt(nullptr);
        if (!leer)
            welt.NeueInstanz(punkte, punkte + 2, Einheitsmatrix());
        frame(welt, hoehe);
        LiesZurueck();
        uint32_t hellstes[2][2] = {};
        for (int64_t y = 0; y < kHoehe; ++y)
            for (int64_t x = 0; x < kBreite; ++x) {
                const uint32_t farbe = Pixel(mRueck, uint64_t(x), uint64_t(y)) & 0xFFFFFF;
                if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                    ASSERT_EQ(farbe, 0x1a1a1au) << x << "," << y;
                    continue;
                }
                uint32_t& h = hellstes[2 * (y - y0) / (y1 - y0)][2 * (x - x0) / (x1 - x0)];
                h = std::max(h, farbe & 0xFF);
            }
        EXPECT_EQ(hellstes[0][1] + hellstes[1][0], 0u);
        EXPECT_EQ(hellstes[0][0] > hellstes[1][1] && hellstes[1][1] > 0, !leer);
        EXPECT_EQ(hellstes[0][0] + hellstes[1][1] == 0, leer);
    }

    // A new display size makes a new scene texture before anything is drawn.
    rendertest::SetzeBildschirm(32, 16);
    Szene welt(nullptr);
    frame(welt, 12);
    EXPECT_EQ(renderer.mSzenenTextur->mBreite, 32u);
    EXPECT_EQ(renderer.mSzenenTextur->mHoehe, 16u);
}

} // namespace
