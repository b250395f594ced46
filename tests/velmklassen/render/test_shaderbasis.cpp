// The shader dialect and its translation: semantics and register counting, the declaration rules,
// line numbers with macros, the constant-name map, quiet failures, included files and the dumps.

#include "testhilfe.h"

#include "velmklassen/kern/velm_system.h"

#include <fstream>
#include <string>

namespace {

using rendertest::Kontext;

// The compiler's messages of a shader, empty if there are none.
std::string Meldungen(const Velm_HighLevelShaderBasis& shader) {
    return shader.GetMeldungen() != nullptr ? shader.GetMeldungen() : "";
}

std::string Text(const char* quelle, bool pixel, const Velm_ShaderMakros& makros = {}) {
    const TSpeicher t = Velm_HighLevelShaderBasis::Uebersetze(quelle, makros, pixel);
    return reinterpret_cast<const char*>(t.Daten());
}

// The parameter list of the (first) main function, without the blank run-in.
std::string Parameter(const std::string& text) {
    const size_t anfang = text.find("void main( ");
    const size_t ende = text.find(')', anfang);
    return text.substr(anfang + 11, ende - anfang - 11);
}

// Semantics in order; a matrix type decides before an array bracket; arrays of 2 to 4 count their elements.
TEST(Dialekt, SemantikenUndRegisterZaehlen) {
    const std::tuple<const char*, bool, const char*> faelle[] = {
        {"$rein float3 pos; $rein float3x3 basis; $rein float2 uv; $main() {}", false,
         "float3 pos : POSITION0, float3x3 basis : TEXCOORD0, float2 uv : TEXCOORD3"},
        {"$raus float4 pos; $raus float2 uv; $main() {}", false,
         "out float4 pos : POSITION0, out float2 uv : TEXCOORD0"},
        {"$rein float4 a; $rein float4x4 m[2]; $rein float4 b[3]; $rein float4 c; $main() {}", false,
         "float4 a : POSITION0, float4x4 m[2] : TEXCOORD0, float4 b[3] : TEXCOORD4, float4 c : TEXCOORD7"},
        {"$rein float4x3 m; $rein float3x4 n; $rein float2 p; $main() {}", true,
         "float4x3 m : TEXCOORD0, float3x4 n : TEXCOORD4, float2 p : TEXCOORD7"},
        {"$raus float4 f[2]; $raus float4 g; $main() {}", true,
         "out float4 f[2] : COLOR0, out float4 g : COLOR2"},
    };
    for (const auto& [quelle, pixel, parameter] : faelle) {
        EXPECT_EQ(Parameter(Text(quelle, pixel)), parameter) << quelle;
    }
}

TEST(Dialekt, DeklarationsRegeln) {
    // A tab after the keyword: not collected, but still removed. (The preprocessor turns tabs
    // between tokens into blanks, so the rule is shown on the rewriting step itself.)
    const std::string tab = Velm_HighLevelShaderBasis::SchreibeDialektUm(
        "$rein\tfloat4 weg;\n$rein float2 uv;\n$main() {}", true);
    EXPECT_EQ(Parameter(tab), "float2 uv : TEXCOORD0");
    EXPECT_EQ(tab.find("weg"), std::string::npos);

    // Every $main() gets the whole lists; a lone $ is dropped; blanks after the keyword skipped.
    const std::string zwei = Text("$main() {}\n$rein   float2 uv;\nfloat a$b;\n$main() {}", true);
    const size_t erstes = zwei.find("void main( float2 uv : TEXCOORD0)");
    EXPECT_NE(zwei.find("void main( float2 uv : TEXCOORD0)", erstes + 1), std::string::npos);
    EXPECT_NE(zwei.find("float ab;"), std::string::npos);

    // A declaration without its semicolon runs to the end.
    const std::string offen = Text("$main() {}\n$raus float4 f", true);
    EXPECT_EQ(Parameter(offen), "out float4 f : COLOR0");
    EXPECT_EQ(offen.find("$"), std::string::npos);
}

// The macros take no lines: the source's second line is line 2.
TEST(Dialekt, MeldungenDesPraeprozessorsGehenInsLog) {
    TLog log;
    const std::string t = Text("float4 w;\n#error Kaputt hier\nfloat4 x;\n", false, {{"A", "1"}});
    EXPECT_TRUE(log.Enthaelt("cpp: \"SpoeSpoe\", line 2: Error: #error directive encountered"));
    EXPECT_NE(t.find("float4 x;"), std::string::npos);
}

class Shader : public Kontext {};

TEST_F(Shader, KonstantenNamenAllerFormen) {
    const char* quelle = R"(
struct Licht { float4 farbe; float4 richtung; };
Licht lichter[2];
Licht sonne;
float4x4 welt;
float4 werte[3];
float skalar;
DEF_SAMPLER_2D( bild);
$rein float4 pos;
$raus float4 p;
$main() {
    p = mul( pos, welt) + werte[2] * skalar + lichter[1].richtung + sonne.farbe
      + lichter[0].farbe + werte[0] + SAMPLE_2D_LOD( bild, pos.xy, 0);
}
)";
    Velm_VertexShader* vs = Behalte(K().ErzeugeVertexShader());
    ASSERT_TRUE(vs->UebersetzeAusString(quelle));
    // Name, register, the kind where it matters (-1: not checked), and the register count of a
    // matrix and an element.
    constexpr int S = Velm_KonstanteStruktur;
    const std::tuple<const char*, int, int, int> faelle[] = {
        {"lichter", 0, S, 0},         {"lichter[0]", 0, -1, 0}, {"lichter[1]", 2, S, 0},
        {"lichter[0].farbe", 0, -1, 0}, {"lichter[1].richtung", 3, -1, 0}, {"sonne", 4, -1, 0},
        {"sonne.richtung", 5, -1, 0}, {"welt", 6, -1, 4},     {"werte", 10, S, 0},
        {"werte[1]", 11, Velm_KonstanteVektor, 1}, {"werte[2]", 12, -1, 0},
        {"skalar", 13, Velm_KonstanteSkalar, 0}, {"bild", 0, Velm_KonstanteObjekt, 0}};
    for (const auto& [name, register_, art, anzahl] : faelle) {
        const Velm_ShaderKonstante* k = vs->FindeKonstante(name);
        ASSERT_NE(k, nullptr) << name;
        EXPECT_EQ(int(k->mRegister), register_) << name;
        EXPECT_TRUE(art < 0 || int(k->mArt) == art) << name;
        EXPECT_TRUE(anzahl == 0 || int(k->mAnzahl) == anzahl) << name;
    }
}

// The compiler's messages name the line the author wrote, also inside an included file, whatever
// the prelude, the macros, blank lines and multi-line declarations do to the preprocessed text.
TEST_F(Shader, MeldungenNennenDieZeileDesAutors) {
    const auto pfad = Velm_System::Global().mAnwendungsOrdner / "velm_test_zeilen.hlsl";
    std::ofstream(pfad) << "float4 h;\n#ifdef KAPUTT\nstatic const float e = nichtDa;\n#endif\n";
    const Velm_ShaderMakros zwei = {{"A", "1"}, {"B", "A + 1"}};
    const std::pair<const char*, const char*> faelle[] = {
        {"static const float e = nichtDa;\n$raus float4 f;\n$main() { f = 1; }\n", "SpoeSpoe:1: 'nichtDa'"},
        {"$raus float4 f;\n\n$main() {\n  f = nichtDa;\n}\n", "SpoeSpoe:4: 'nichtDa'"},
        {"$rein float4\n  farbe;\n$raus float4 f;\n$main() { f = farbe * nichtDa; }\n",
         "SpoeSpoe:4: 'nichtDa'"},
        {"$raus float4 f;\n$main() { f = 1; }\n\n\n\n\n\n\nstatic const float e = nichtDa;",
         "SpoeSpoe:9: 'nichtDa'"},
        {"$raus float4 f;\n#define KAPUTT\n#include \"velm_test_zeilen.hlsl\"\n$main() { f = h; }\n",
         "velm_test_zeilen.hlsl:3: 'nichtDa'"},
        {"#include \"velm_test_zeilen.hlsl\"\n$raus float4 f;\n$main() { f = nichtDa2; }\n",
         "SpoeSpoe:3: 'nichtDa2'"},
    };
    // Quiet: no line in the log and no check report, the messages only in the shader.
    const size_t vorher = mLog.mZeilen.size();
    for (const Velm_ShaderMakros& makros : {Velm_ShaderMakros{}, zwei}) {
        for (const auto& [quelle, stelle] : faelle) {
            Velm_PixelShader* ps = Behalte(K().ErzeugePixelShader());
            EXPECT_FALSE(ps->UebersetzeAusString(quelle, makros, true));
            EXPECT_NE(Meldungen(*ps).find(stelle), std::string::npos) << quelle << Meldungen(*ps);
        }
    }
    std::filesystem::remove(pfad);
    EXPECT_EQ(mLog.mZeilen.size(), vorher);
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    // Not quiet: the failure line, the compiler's text with the same line and a check report.
    Velm_VertexShader* vs = Behalte(K().ErzeugeVertexShader());
    EXPECT_FALSE(vs->UebersetzeAusString(faelle[1].first, zwei));
    EXPECT_TRUE(mLog.Enthaelt(
        "!Velm_VertexShader::UebersetzeQuelltext(...): Übersetzung gescheitert. DirectX meinte:"));
    EXPECT_TRUE(mLog.Enthaelt(faelle[1].second));
    EXPECT_EQ(mBrueche.Anzahl(), 1);
}

// A fatal diagnostic cuts the preprocessed text short: it must not compile as if nothing happened.
TEST_F(Shader, FatalerPraeprozessorFehlerScheitert) {
    const std::string quelle =
        "$raus float4 f;\n$main() { f = 1; }\n#define LANG " + std::string(600, 'x') + "\n";
    const char* diagnose = "cpp: \"SpoeSpoe\", line 3: Fatal: Work buffer overflow";
    Velm_PixelShader* ps = Behalte(K().ErzeugePixelShader());
    EXPECT_FALSE(ps->UebersetzeAusString(quelle.c_str(), {}, true));
    EXPECT_NE(Meldungen(*ps).find(diagnose), std::string::npos);
}

TEST_F(Shader, ShaderUeberlebenResetUndRauswurf) {
    rendertest::Quad& quad = NeuesQuad();
    IDirect3DVertexShader9* vorher = quad.vertexShader->mShader;
    EXPECT_TRUE(K().Zuruecksetzen());
    EXPECT_EQ(Velm_Screen3D::SchaffeVideoRAMPlatz(&K()), 0u);
    EXPECT_EQ(quad.vertexShader->mShader, vorher);
    EXPECT_EQ(quad.programm->mZustand, Velm_ObjektResident);
}

// While "debugShader" is on, every translated shader is written as vs%03d.txt or ps%03d.txt into
// the working folder and compiled from there; the numbers count per stage from 0 in each process.
class ShaderDump : public Kontext {
protected:
    void SetUp() override {
        Kontext::SetUp();
        mVorher = std::filesystem::current_path();
        std::filesystem::current_path(mOrdner.Pfad());
        debugShader.SetBool(true);
    }
    void TearDown() override {
        debugShader.SetBool(false);
        std::filesystem::current_path(mVorher);
        Kontext::TearDown();
    }
    std::filesystem::path mVorher;
    TTempOrdner mOrdner;
};

TEST_F(ShaderDump, NummernJeStufeUndNichtGeschriebeneDumps) {
    NeuesQuad();
    EXPECT_NE(TextDerDatei("vs000.txt").find("void main( float2 ecke : POSITION0, out float4 pos"),
              std::string::npos);
    EXPECT_NE(TextDerDatei("ps000.txt").find("out float4 ergebnis : COLOR0"), std::string::npos);

    // A dump that cannot be written is not compiled from the file: the shader comes from memory.
    std::filesystem::create_directory("vs001.txt");
    std::filesystem::create_directory("ps001.txt");
    rendertest::Quad& zweites = NeuesQuad();
    EXPECT_NE(zweites.vertexShader->mShader, nullptr);
    EXPECT_NE(zweites.pixelShader->mShader, nullptr);
    EXPECT_EQ(mBrueche.Anzahl(), 0);

    NeuesQuad();
    EXPECT_TRUE(std::filesystem::is_regular_file("vs002.txt"));
    EXPECT_FALSE(std::filesystem::exists("vs003.txt"));

    // Compiled from the file, messages still name the author's line: the dump keeps line markers.
    Velm_PixelShader* kaputt = Behalte(K().ErzeugePixelShader());
    EXPECT_FALSE(kaputt->UebersetzeAusString("$raus float4 f;\n$main() { f = nichtDa; }\n", {}, true));
    EXPECT_NE(Meldungen(*kaputt).find("SpoeSpoe:2: 'nichtDa'"), std::string::npos);
    EXPECT_NE(TextDerDatei("ps003.txt").find("#line 1"), std::string::npos);
}

} // namespace
