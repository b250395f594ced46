// Effect files and the chain on the headless device: every element and message of the loader,
// and runs read back pixel by pixel.

#include "nadrel/filterverwaltung.h"
#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/render_testhilfe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace {

using Spiel::FilterEffekt;
using Spiel::FilterSatz;
using Spiel::FilterVerwaltung;

constexpr const char* kVS =
    "<vertexShader>$rein float4 ecke; $raus float4 position; $main() { position = ecke; }</vertexShader>";
constexpr const char* kPS = "<pixelShader>$raus float4 farbe; $main() { farbe = float4( 0, 0, 0, 1); }</pixelShader>";

// "{VS}" and "{PS}" stand for shaders that compile.
std::string MitShadern(std::string text) {
    for (const auto& [marke, shader] : {std::pair{"{VS}", kVS}, std::pair{"{PS}", kPS}})
        for (size_t p = text.find(marke); p != std::string::npos; p = text.find(marke))
            text.replace(p, 4, shader);
    return text;
}

void Schreibe(const std::filesystem::path& pfad, const std::string& text) {
    std::filesystem::create_directories(pfad.parent_path());
    std::ofstream(pfad, std::ios::binary) << text;
}

uint32_t Pixel(const Velm_Bild& bild, uint64_t x, uint64_t y) {
    uint32_t wert = 0;
    std::memcpy(&wert, bild.mDaten + y * bild.mPitch + x * 4, 4);
    return wert;
}

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

// A set with the one effect active, its chain computed.
FilterSatz Satz(const std::vector<FilterEffekt>& effekte, const std::string& name) {
    FilterSatz satz(effekte);
    satz.AddFilter(name, 7);
    FilterVerwaltung::BerechneFilterkette(satz);
    return satz;
}

class FilterTest : public rendertest::Kontext {
protected:
    // A scene texture of the given size; the back buffer's size is filled with the pattern,
    // the rest with white.
    Velm_Textur* Szenenbild(uint64_t breite, uint64_t hoehe, uint64_t block = 1) {
        Velm_Bild bild(breite, hoehe, Velm_FormatA8R8G8B8, 1);
        for (uint64_t y = 0; y < hoehe; ++y)
            for (uint64_t x = 0; x < breite; ++x) {
                const uint32_t wert = x < kBreite && y < kHoehe ? Muster(x, y, block) : 0xFFFFFFFFu;
                std::memcpy(bild.mDaten + y * bild.mPitch + x * 4, &wert, 4);
            }
        Velm_TexturInhalt inhalt(bild.LockMipStufen());
        return K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt);
    }

    Velm_Bild& Rueckpuffer() {
        K().LiesBildschirmInhalt(mRueck);
        return mRueck;
    }

    // Runs the set's chain over the scene texture into the whole back buffer, cleared to magenta.
    void Fuehre(FilterVerwaltung& verwaltung, FilterSatz& satz, Velm_Textur* szene) {
        K().SetRenderZiel(nullptr);
        K().Leeren(1, TAlphaFarbe{1, 0, 1, 1});
        satz.Ausfuehren(szene, {nullptr, 0, 0, kBreite, kHoehe}, verwaltung.Ressourcen());
    }

    std::unique_ptr<FilterVerwaltung> Lade(const std::string& datei, const std::string& text) {
        Schreibe(mOrdner.Pfad() / datei, text);
        mLog.mZeilen.clear();
        return std::make_unique<FilterVerwaltung>(mOrdner.Pfad());
    }

    TTempOrdner mOrdner;
    Velm_Bild mRueck{kBreite, kHoehe, Velm_FormatA8R8G8B8, 1};
};

TEST_F(FilterTest, LaedtJedesElementUndJedenWert) {
    FilterVerwaltung verwaltung(NADREL_FILTERDATEN);
    ASSERT_EQ(verwaltung.mEffekte.size(), 2u);
    const FilterEffekt& e = verwaltung.mEffekte[0].mName == "voll" ? verwaltung.mEffekte[0] : verwaltung.mEffekte[1];
    ASSERT_EQ(e.mName, "voll");
    EXPECT_EQ(e.mBeschreibung, "Jedes Element, jedes Wort");
    EXPECT_EQ(mLog.Anzahl("?Filter::LadeAus(...): Element <alphatest> wird nicht mehr unterstützt."), 1);

    ASSERT_EQ(e.mTexturen.size(), 2u);
    EXPECT_EQ(e.mTexturen[0].mBeschreibung, "Körnung");
    EXPECT_EQ(e.mTexturen[0].mStandard, "rauschen.png");
    EXPECT_EQ(e.mTexturen[1].mName, "leer");

    struct ParamErwartung {
        const char* name;
        const char* konstante;
        const char* beschreibung;
        float standard[4];
    };
    const ParamErwartung params[] = {{"halb", "gHalb", "nur r", {0.5f, 0, 0, 1}},
                                     {"ohne", "gOhne", "", {0, 0, 0, 1}},
                                     {"kaputt", "gKaputt", "", {0, 2, 0, 1}}};
    ASSERT_EQ(e.mParameter.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(e.mParameter[i].mName, params[i].name);
        EXPECT_EQ(e.mParameter[i].mKonstante, params[i].konstante);
        EXPECT_EQ(e.mParameter[i].mBeschreibung, params[i].beschreibung);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(e.mParameter[i].mStandard[k], params[i].standard[k]) << params[i].name << k;
    }

    ASSERT_EQ(e.mFilter.size(), 3u);
    const Spiel::Filter& erster = e.mFilter[0];
    EXPECT_EQ(erster.mName, "erster");
    ASSERT_EQ(erster.mEingaben.size(), 3u);
    const uint32_t bits[3][2] = {{0, Spiel::kFilterLinear}, {Spiel::kFilterBegrenzen, 0}, {Spiel::kFilterBegrenzen, 0}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(erster.mEingaben[i].mAdressierung, bits[i][0]) << i;
        EXPECT_EQ(erster.mEingaben[i].mFilterung, bits[i][1]) << i;
    }
    EXPECT_EQ(erster.mEingaben[1].mBild, "rauschen");
    EXPECT_EQ(erster.mEingaben[1].mSampler, "gB");
    EXPECT_EQ(erster.mEingaben[1].mKonstante, "gBGroesse");
    EXPECT_EQ(erster.mAusgabe, "zwischen");
    EXPECT_EQ(erster.mTeiler, 2);
    EXPECT_EQ(erster.mVertexShaderQuelle, "\n$rein float4 ecke;\n$rein float2 uv;\n$raus float4 position;\n$raus "
                                          "float2 texKoord;\n$main()\n{\n\tposition = ecke;\n\ttexKoord = uv;\n}\n");
    ASSERT_NE(erster.mAlphaZustand, nullptr);
    EXPECT_EQ(erster.mAlphaZustand->mBeschreibung.mZiele[0].mFarbQuelle, Velm_BlendQuellAlpha);
    EXPECT_EQ(erster.mAlphaZustand->mBeschreibung.mZiele[0].mFarbZiel, Velm_BlendNull);

    EXPECT_EQ(e.mFilter[1].mName, "Filter2");
    EXPECT_EQ(e.mFilter[1].mAusgabe, "ergebnis");
    EXPECT_EQ(e.mFilter[1].mTeiler, 1);
    EXPECT_EQ(e.mFilter[1].mAlphaZustand, nullptr);
    EXPECT_EQ(e.mFilter[2].mName, "Filter3");
    ASSERT_NE(e.mFilter[2].mAlphaZustand, nullptr);
    EXPECT_EQ(e.mFilter[2].mAlphaZustand->mBeschreibung.mZiele[0].mFarbQuelle, Velm_BlendNull);
    EXPECT_EQ(e.mFilter[2].mAlphaZustand->mBeschreibung.mZiele[0].mFarbZiel, Velm_BlendInvQuellAlpha);
}

TEST_F(FilterTest, NurDateienMitGenauDiesenNamen) {
    const std::string effekt = MitShadern("<e><filter>{VS}{PS}</filter></e>");
    for (const char* datei : {"filter.a.xml", "Filter.b.xml", "filter.c.XML", "unter/filter.d.xml", "filter.xml",
                              "filter.e.xml.alt", "filter..xml"})
        Schreibe(mOrdner.Pfad() / datei, effekt);
    FilterVerwaltung verwaltung(mOrdner.Pfad());
    std::vector<std::string> namen;
    for (const FilterEffekt& e : verwaltung.mEffekte)
        namen.push_back(e.mName);
    std::sort(namen.begin(), namen.end());
    EXPECT_EQ(namen, (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(mLog.Anzahl("filter.xml\" benennt keinen Effekt."), 1);

    FilterVerwaltung ohneOrdner(mOrdner.Pfad() / "fehlt");
    EXPECT_TRUE(ohneOrdner.mEffekte.empty());
    EXPECT_EQ(mLog.Anzahl("!FilterVerwaltung::FilterVerwaltung(): Ordner \"" + (mOrdner.Pfad() / "fehlt").string() +
                          "\" ist nicht lesbar"),
              1);
}

struct Fehlerfall {
    const char* xml;
    std::vector<std::string> zeilen;
    // Names of the passes that loaded; "-" when the file yields no effect.
    std::vector<std::string> filter;
};

const char* const kPassFehlt = "!FilterEffekt::LadeAus(...): Fehler beim Laden des 0. Filters in Effekt \"t\" - "
                               "Laden des Filters gescheitert.";

const Fehlerfall kFehlerfaelle[] = {
    {"<e><filter></e>", {"!FilterVerwaltung::InternLadeEffekt(): Datei \"filter.t.xml\" ist nicht lesbar.", "!Zeile 1: "}, {"-"}},
    {"<!-- kein Element -->", {"/filter.t.xml\" ist nicht lesbar."}, {"-"}},
    {"<e><filter><eingabe/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): 1. Eingabe muss einen Namen über \"name\" definieren.", kPassFehlt},
     {}},
    {"<e><filter><eingabe name='a' sampler='s' konstante='k'/><eingabe name='a'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): 2. Eingabe muss einen Textursampler über \"sampler\" definieren.", kPassFehlt},
     {}},
    {"<e><filter><eingabe name='a' sampler='s'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): 1. Eingabe muss eine Shaderkonstante über \"konstante\" definieren.", kPassFehlt},
     {}},
    {"<e><filter><eingabe name='a' sampler='s' konstante='k' koords='Begrenzen'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Ungültige Texkoord-Einstellung in der 1. Eingabe. Gültige Werte sind \"begrenzen\" "
      "und \"wiederholen\".",
      kPassFehlt},
     {}},
    {"<e><filter><eingabe name='a' sampler='s' konstante='k' filter='bilinear'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Ungültige Texturfilter-Einstellung in der 1. Eingabe. Gültige Werte sind \"punkt\" "
      "und \"linear\".",
      kPassFehlt},
     {}},
    {"<e><filter><ausgabe teiler='2'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Die Ausgabe muss einen Namen über \"name\" definieren.", kPassFehlt},
     {}},
    {"<e><filter name='a'><ausgabe name='x' teiler='0'/>{VS}{PS}</filter>"
     "<filter name='b'><ausgabe name='x' teiler='-3'/>{VS}{PS}</filter>"
     "<filter name='c'><ausgabe name='x' teiler='zwei'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Ungültige Angabe im Attribut \"teiler\" der Ausgabebild-Angabe.",
      "!Filter::LadeAus(...): Ungültige Angabe im Attribut \"teiler\" der Ausgabebild-Angabe.",
      "!Filter::LadeAus(...): Ungültige Angabe im Attribut \"teiler\" der Ausgabebild-Angabe."},
     {"a", "b", "c"}},
    {"<e><filter><alphablending quelle='eins' ziel='Null'/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Ungültige AlphaBlending-Angabe im Attribut \"ziel\". Gültige Werte sind \"eins\", "
      "\"null\", \"alpha\" und \"invalpha\".",
      kPassFehlt},
     {}},
    {"<e><filter><alphablending quelle=''/>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Ungültige AlphaBlending-Angabe im Attribut \"quelle\".", kPassFehlt},
     {}},
    {"<e><filter><vertexShader/>{PS}</filter></e>",
     {"!Filter::LadeAus(...): Filter muss VertexShader-Code definieren.", kPassFehlt},
     {}},
    {"<e><filter>{VS}<pixelshader>x</pixelshader></filter></e>",
     {"!Filter::LadeAus(...): Filter muss ein PixelShader-Skript definieren.", kPassFehlt},
     {}},
    {"<e><filter><vertexShader>$main() { nichts(); }</vertexShader>{PS}</filter></e>",
     {"!Filter::LadeAus(...): Fehler beim Kompilieren des VertexShaders.", "!ERROR: SpoeSpoe:1: 'nichts'", kPassFehlt},
     {}},
    {"<e><filter>{VS}<pixelShader>$raus float4 farbe;\n$main() {\n    farbe = nichts;\n}</pixelShader></filter></e>",
     {"!Filter::LadeAus(...): Fehler beim Kompilieren des PixelShaders.", "!ERROR: SpoeSpoe:3: 'nichts'", kPassFehlt},
     {}},
    {"<e><filter>{VS}{PS}</filter><filter>{VS}{PS}</filter><filter>{PS}</filter><filter>{VS}{PS}</filter></e>",
     {"!Filter::LadeAus(...): Filter muss VertexShader-Code definieren.",
      "!FilterEffekt::LadeAus(...): Fehler beim Laden des 2. Filters in Effekt \"t\" - Laden des Filters "
      "gescheitert."},
     {"Filter1", "Filter2", "Filter3"}},
    {"<e><textur beschreibung='ohne Namen'/><param><konstante wert='a'/></param><param name='a'>"
     "<konstante wert='a'/></param><param name='b'/><param name='c'><konstante/></param></e>",
     {"!FilterEffekt::LadeAus(...): Textureintrag in Filtereffekt \"t\" hat kein \"name\"-Atribut.",
      "!FilterEffekt::LadeAus(...): Parameter in Filtereffekt \"t\" hat kein \"name\"-Atribut.",
      "!FilterEffekt::LadeAus(...): Der 2. Parameter in Filtereffekt \"t\" hat kein \"konstante\"-Element.",
      "!FilterEffekt::LadeAus(...): Der Konstanteneintrag im 2. Parameter des Filtereffekts \"t\" hat kein "
      "\"wert\"-Atribut."},
     {}},
};

TEST_F(FilterTest, JedeFehlerzeile) {
    for (const Fehlerfall& fall : kFehlerfaelle) {
        SCOPED_TRACE(fall.xml);
        const auto verwaltung = Lade("filter.t.xml", MitShadern(fall.xml));
        std::vector<std::string> fehler;
        for (const std::string& zeile : mLog.mZeilen)
            if (zeile.find(": !") != std::string::npos || zeile.find(": ?") != std::string::npos)
                fehler.push_back(zeile.substr(zeile.find(": ") + 2));
        ASSERT_EQ(fehler.size(), fall.zeilen.size()) << ::testing::PrintToString(fehler);
        for (size_t i = 0; i < fehler.size(); ++i)
            EXPECT_NE(fehler[i].find(fall.zeilen[i]), std::string::npos) << fehler[i];
        std::vector<std::string> filter;
        for (const FilterEffekt& e : verwaltung->mEffekte)
            for (const Spiel::Filter& f : e.mFilter)
                filter.push_back(f.mName);
        EXPECT_EQ(verwaltung->mEffekte.empty() ? std::vector<std::string>{"-"} : filter, fall.filter);
        EXPECT_EQ(mBrueche.Anzahl(), 0);
    }
}

TEST_F(FilterTest, PauseKopiertBeiNullUndDunkeltBeiEins) {
    FilterVerwaltung verwaltung(NADREL_DATEN);
    FilterSatz satz = Satz(verwaltung.mEffekte, "pause");
    ASSERT_EQ(satz.mSchritte.size(), 1u);
    ASSERT_EQ(satz.mParameter.size(), 1u);
    EXPECT_EQ(satz.mParameter[0].mName, "staerke");
    EXPECT_EQ(satz.mParameter[0].mWert[3], 1.0f);

    // The scene texture as large as the destination, and larger with the picture in its corner.
    for (const uint64_t groesse : {1, 2}) {
        Velm_Textur* szene = Szenenbild(kBreite * groesse, kHoehe * groesse);
        satz.SetParameter("staerke", 0, 0, 0, 0);
        Fuehre(verwaltung, satz, szene);
        EXPECT_EQ(Abweichungen(Rueckpuffer(), [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y), k); }),
                  0)
            << "scene texture " << groesse << "x";

        satz.SetParameter("staerke", 1, 0, 0, 0);
        Fuehre(verwaltung, satz, szene);
        const auto grau = [](uint64_t x, uint64_t y, int) {
            const uint32_t m = Muster(x, y);
            return (0.299f * Kanal(m, 2) + 0.587f * Kanal(m, 1) + 0.114f * Kanal(m, 0)) * 0.4f;
        };
        EXPECT_EQ(Abweichungen(Rueckpuffer(), grau, 1.0f), 0) << "scene texture " << groesse << "x";
        K().GibObjektFrei(szene);
    }
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(FilterTest, ZweiPassesUeberEinHalbesZwischenbild) {
    FilterVerwaltung verwaltung(NADREL_FILTERDATEN);
    FilterSatz satz = Satz(verwaltung.mEffekte, "zwei");
    ASSERT_EQ(satz.mSchritte.size(), 2u);
    EXPECT_EQ(satz.mSchritte[1].mAusgabe, -1);
    Velm_Textur* szene = Szenenbild(kBreite, kHoehe, 2);

    Fuehre(verwaltung, satz, szene);
    const FilterSatz::Bild& halb = satz.mBilder[size_t(satz.mSchritte[0].mAusgabe)];
    ASSERT_NE(halb.mTextur, nullptr);
    EXPECT_EQ(halb.mTextur->mBreite, uint64_t(kBreite / 2));
    EXPECT_EQ(halb.mTextur->mHoehe, uint64_t(kHoehe / 2));
    EXPECT_EQ(Abweichungen(Rueckpuffer(), [](uint64_t x, uint64_t y, int k) { return Kanal(Muster(x, y, 2), k); }),
              0);

    // A smaller destination makes the image again; the same size keeps it.
    const Velm_Textur* vorher = halb.mTextur.get();
    Fuehre(verwaltung, satz, szene);
    EXPECT_EQ(halb.mTextur.get(), vorher);
    satz.Ausfuehren(szene, {nullptr, 0, 0, 3, 5}, verwaltung.Ressourcen());
    EXPECT_EQ(halb.mTextur->mBreite, 1u);
    EXPECT_EQ(halb.mTextur->mHoehe, 2u);
    K().GibObjektFrei(szene);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

TEST_F(FilterTest, BilderOhneInhaltLesenSchwarzMitGroesseNull) {
    const auto verwaltung = Lade("filter.leer.xml", R"(<e><textur name="rauschen"/><filter>
        <eingabe name="rauschen" sampler="gT" konstante="gTGroesse"/>
        <eingabe name="hdr_ref" sampler="gH" konstante="gHGroesse"/>
        <vertexShader>$rein float4 ecke; $rein float2 uv; $raus float4 position; $raus float2 t;
            $main() { position = ecke; t = uv; }</vertexShader>
        <pixelShader>DEF_SAMPLER_2D( gT); DEF_SAMPLER_2D( gH); float4 gTGroesse; float4 gHGroesse;
            $rein float2 t; $raus float4 farbe;
            $main() { farbe = float4( 0.5, 0.5, 0.5, 1) + gTGroesse + gHGroesse
                              + SAMPLE_2D( gT, t) * 0.25 + SAMPLE_2D( gH, t) * 0.25; }</pixelShader>
        </filter></e>)");
    FilterSatz satz = Satz(verwaltung->mEffekte, "leer");
    Velm_Textur* szene = Szenenbild(kBreite, kHoehe);
    Fuehre(*verwaltung, satz, szene);
    const uint32_t mitte = Pixel(Rueckpuffer(), 10, 10) & 0xFFFFFF;
    EXPECT_EQ(mitte, 0x808080u) << std::hex << mitte;
    K().GibObjektFrei(szene);
    EXPECT_EQ(mBrueche.Anzahl(), 0);
}

} // namespace
