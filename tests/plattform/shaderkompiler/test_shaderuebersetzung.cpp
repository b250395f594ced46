#include "shadertesthilfe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace ShaderTest;

namespace {

const char* kVertexShader = R"(
float4 gBildschirm;
float4x4 gMatrix;
static const float2 gEcken[4] = { float2(0, 0), float2(1, 0), float2(0, 1), float2(1, 1) };
sampler2D gHoehe;
float2 MachV2(float x) { return float2(x, x); }
void main( float4 pos : POSITION0, float4 inst : TEXCOORD0, float2 uv : TEXCOORD1, out float4 opos : POSITION0, out float2 ouv : TEXCOORD0, out float4 ofarbe : TEXCOORD1)
{
    float h = tex2Dlod( gHoehe, float4( uv.xy, 0.0f, 0)).x;
    opos = mul(float4(pos.xy * gBildschirm.xy + inst.xy, h, 1), gMatrix);
    ouv = uv + gEcken[int(pos.z)] * MachV2(inst.w);
    ofarbe = inst;
}
)";

const char* kPixelShader = R"(
sampler2D gAtlas;
samplerCUBE gUmgebung;
sampler2D gUnbenutzt;
sampler2D gNebel;
float4 gFarbe;
void main( float2 uv : TEXCOORD0, float4 farbe : TEXCOORD1, out float4 ergebnis : COLOR0)
{
    ergebnis = tex2D( gAtlas, uv) * farbe + texCUBE( gUmgebung, float3(uv, 1)) * gFarbe;
    ergebnis += texCUBElod( gUmgebung, float4( uv.xyy, 2)) + tex2D( gNebel, uv);
}
)";

bool Enthaelt(const std::string& text, const std::string& teil) {
    return text.find(teil) != std::string::npos;
}

} // namespace

// Looks for each piece in the GLSL and shows the whole text when one is missing.
void PruefeGlsl(const std::string& glsl, std::initializer_list<const char*> teile) {
    for (const char* teil : teile) {
        EXPECT_TRUE(Enthaelt(glsl, teil)) << teil << "\n" << glsl;
    }
}

TEST(ShaderUebersetzung, TypischerVertexShader) {
    Uebersetzt vs = Uebersetze(kVertexShader, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    EXPECT_FALSE(vs.hatMeldungen) << vs.meldungen;
    EXPECT_EQ(vs.blob.stufe, Plattform::kStufeVertex);
    EXPECT_EQ(vs.blob.konstantenRegister, 5u);
    EXPECT_EQ(vs.blob.samplerAnzahl, 1u);
    EXPECT_EQ(vs.blob.glsl.rfind("#version 330 core\n", 0), 0u);
    PruefeGlsl(vs.blob.glsl,
               {"uniform vec4 vs_c[5];", "uniform sampler2D vs_s0;", "layout(location = 0) in vec4 pos;",
                "layout(location = 1) in vec4 inst;", "layout(location = 2) in vec2 uv;",
                "\nvec2 velm_o_TEXCOORD0;\nout vec4 velm_TEXCOORD0;", "\nout vec4 velm_TEXCOORD1;",
                "textureLod(vs_s0", "mat4(vs_c[1], vs_c[2], vs_c[3], vs_c[4])", "uniform vec4 velm_epilog;"});
    // The epilogue closes the shader, after everything the shader wrote to the position.
    const std::string epilog = R"(void main()
{
    velm_main();
    velm_TEXCOORD0 = vec4(velm_o_TEXCOORD0, 0.0, 1.0);
    gl_Position.x += velm_epilog.x * gl_Position.w;
    gl_Position.y = velm_epilog.y * gl_Position.w - gl_Position.y;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";
    ASSERT_GE(vs.blob.glsl.size(), epilog.size());
    EXPECT_EQ(vs.blob.glsl.substr(vs.blob.glsl.size() - epilog.size()), epilog);
    EXPECT_FALSE(Enthaelt(vs.blob.glsl, "opos")) << "POSITION0 must become gl_Position";

    const NamensKarte karte = LiesKonstanten(vs.tabelle.get());
    EXPECT_EQ(karte.size(), 3u);
    EXPECT_EQ(karte.at("gBildschirm").register_, 0u);
    EXPECT_EQ(karte.at("gMatrix").register_, 1u);
    EXPECT_EQ(karte.at("gHoehe").register_, 0u);
    EXPECT_EQ(karte.at("gHoehe").satz, D3DXRS_SAMPLER);
}

TEST(ShaderUebersetzung, TypischerPixelShader) {
    Uebersetzt ps = Uebersetze(kPixelShader, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    EXPECT_EQ(ps.blob.stufe, Plattform::kStufePixel);
    EXPECT_EQ(ps.blob.konstantenRegister, 1u);
    EXPECT_EQ(ps.blob.samplerAnzahl, 3u);
    PruefeGlsl(ps.blob.glsl,
               {"uniform vec4 ps_c[1];", "uniform sampler2D ps_s0;", "uniform samplerCube ps_s1;",
                "uniform sampler2D ps_s2;", "\nvec2 velm_i_TEXCOORD0;\nin vec4 velm_TEXCOORD0;",
                "\nin vec4 velm_TEXCOORD1;", "velm_i_TEXCOORD0 = velm_TEXCOORD0.xy;\n    velm_main();",
                "layout(location = 0) out vec4 velm_COLOR0;", "textureLod(ps_s1"});
    EXPECT_FALSE(Enthaelt(ps.blob.glsl, "velm_epilog"));
    const NamensKarte karte = LiesKonstanten(ps.tabelle.get());
    EXPECT_EQ(karte.count("gUnbenutzt"), 0u);
    EXPECT_EQ(karte.at("gNebel").register_, 2u);
}

// The portability prelude the engine puts in front of every shader, then a filter pass as the
// engine's dialect translates it.
const char* kPraeludium = R"(#define GRAFIK_DIRECTX 9
#define DEF_SAMPLER_2D( name) sampler2D name
#define DEF_SAMPLER_CUBE( name) samplerCUBE name
#define SAMPLE_2D( name, tex) tex2D( name, tex)
#define SAMPLE_2D_LOD( name, tex, lod) tex2Dlod( name, float4( tex.xy, 0.0f, lod))
#define SAMPLE_CUBE( name, tex) texCUBE( name, tex)
#define SAMPLE_CUBE_LOD( name, tex, lod) texCUBElod( name, float4( tex.xyz, lod))
#define TEXKOORD( tex) tex
float2 TEXKOORD_RT( float2 tex) { return float2( tex.x, 1 - tex.y); }
float2 TEXKOORD_RTD( float2 texdiff) { return float2( texdiff.x, -texdiff.y); }
#define CONST static const
#define CONST_ARRAY_START( typ, name) static const typ name[] = {
#define CONST_ARRAY_ENDE }
float3x3 MachFloat3x3( float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3)
{ return float3x3( a1, a2, a3, b1, b2, b3, c1, c2, c3); }
float4x4 MachFloat4x4( float a1, float a2, float a3, float a4, float b1, float b2, float b3, float b4,
                       float c1, float c2, float c3, float c4, float d1, float d2, float d3, float d4)
{ return float4x4( a1, a2, a3, a4, b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, d3, d4); }
float2 MachV2( float x) { return float2( x, x); }
float3 MachV3( float x) { return float3( x, x, x); }
float4 MachV4( float x) { return float4( x, x, x, x); }
#line 1
)";

TEST(ShaderUebersetzung, PraeludiumUndFilterShader) {
    const std::string vertex = std::string(kPraeludium) + R"(float4 gPosOffset;
void main( float4 pos : POSITION0, float2 uv : TEXCOORD0, out float4 opos : POSITION0, out float2 ouv : TEXCOORD0)
{
    opos = pos + float4( gPosOffset.xy * pos.w, 0, 0);
    ouv = TEXKOORD( uv);
}
)";
    const std::string pixel = std::string(kPraeludium) + R"(DEF_SAMPLER_2D( gQuelle);
DEF_SAMPLER_CUBE( gHimmel);
float4 gQuellGroesse;
float4 staerke;
CONST_ARRAY_START( float, gGewichte) 0.25, 0.5, 0.25 CONST_ARRAY_ENDE;
CONST float3x3 kFarbe = MachFloat3x3( 1, 0, 0, 0, 1, 0, 0, 0, 1);
void main( float2 uv : TEXCOORD0, out float4 farbe : COLOR0)
{
    float4 summe = MachV4( 0);
    for (int i = 0; i < 3; ++i)
        summe += gGewichte[i] * SAMPLE_2D( gQuelle, TEXKOORD_RT( uv * gQuellGroesse.xy + TEXKOORD_RTD( MachV2( i - 1) * gQuellGroesse.zw)));
    summe.rgb = mul( summe.rgb, kFarbe);
    farbe = lerp( summe, SAMPLE_CUBE_LOD( gHimmel, float3( uv, 1), 2) + SAMPLE_2D_LOD( gQuelle, uv, 0), staerke.x);
}
)";
    Uebersetzt vs = Uebersetze(vertex, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    EXPECT_EQ(LiesKonstanten(vs.tabelle.get()).at("gPosOffset").register_, 0u);

    Uebersetzt ps = Uebersetze(pixel, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    const NamensKarte karte = LiesKonstanten(ps.tabelle.get());
    EXPECT_EQ(karte.size(), 4u);
    EXPECT_EQ(karte.at("gQuelle").register_, 0u);
    EXPECT_EQ(karte.at("gHimmel").register_, 1u);
    EXPECT_EQ(karte.at("gQuellGroesse").register_, 0u);
    EXPECT_EQ(karte.at("staerke").register_, 1u);

}

TEST(ShaderUebersetzung, EingabenNachSemantikVaryingsNachName) {
    // TEXCOORD3 is declared but unused: TEXCOORD4 still takes location 5, and a matrix input takes
    // one location per row.
    const char* vertex = R"(
void main( float4 pos : POSITION0, float3x3 basis : TEXCOORD0, float4 frei : TEXCOORD3, float2 uv : TEXCOORD4,
           out float4 opos : POSITION, out float4 farbe : COLOR0, out float3 n : TEXCOORD2)
{
    opos = pos;
    farbe = float4(uv, 0, 1);
    n = mul(pos.xyz, basis);
}
)";
    Uebersetzt vs = Uebersetze(vertex, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    PruefeGlsl(vs.blob.glsl, {"layout(location = 1) in mat3 basis;", "layout(location = 5) in vec2 uv;",
                              "\nout vec4 velm_COLOR0;", "\nvec3 velm_o_TEXCOORD2;\nout vec4 velm_TEXCOORD2;",
                              "gl_Position = pos;"});
    EXPECT_EQ(vs.blob.konstantenRegister, 0u);
    EXPECT_FALSE(Enthaelt(vs.blob.glsl, "vs_c"));

    const char* pixel = R"(
float4 main( float4 farbe : COLOR0, float3 n : texcoord2) : COLOR
{
    return farbe * n.x;
}
)";
    // The output would share its name with the input COLOR0, so it takes a suffix; the device binds
    // outputs by location.
    Uebersetzt ps = Uebersetze(pixel, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    PruefeGlsl(ps.blob.glsl, {"\nin vec4 velm_COLOR0;", "\nvec3 velm_i_TEXCOORD2;\nin vec4 velm_TEXCOORD2;",
                              "layout(location = 0) out vec4 velm_COLOR0_1;"});
}

TEST(ShaderUebersetzung, MehrereFarbausgaben) {
    const char* pixel = "void main( float2 uv : TEXCOORD0, out float4 a : COLOR0, out float4 b : COLOR3) "
                        "{ a = uv.xyxy; b = uv.yxyx; }";
    Uebersetzt ps = Uebersetze(pixel, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    PruefeGlsl(ps.blob.glsl,
               {"layout(location = 0) out vec4 velm_COLOR0;", "layout(location = 3) out vec4 velm_COLOR3;"});
}

// A shader whose array of n float4 constants is used with a computed index.
std::string FeldShader(int n, bool pixel) {
    const std::string feld = "float4 gFeld[" + std::to_string(n) + "];\n";
    if (pixel) {
        return feld + "float4 main( float2 uv : TEXCOORD0) : COLOR0 { return gFeld[int(uv.x)]; }\n";
    }
    return feld + "float4 main( float4 pos : POSITION0) : POSITION0 { return gFeld[int(pos.x)]; }\n";
}

// `n` samplers, all used.
std::string SamplerShader(int n, bool pixel) {
    std::string quelle;
    std::string summe = "float4(0, 0, 0, 0)";
    for (int i = 0; i < n; ++i) {
        quelle += "sampler2D gS" + std::to_string(i) + ";\n";
        summe += " + tex2Dlod( gS" + std::to_string(i) + ", float4( uv, 0, 0))";
    }
    return quelle + "float4 main( float2 uv : TEXCOORD0) : " + (pixel ? "COLOR0" : "POSITION0") +
           " { return " + summe + "; }\n";
}

TEST(ShaderUebersetzung, MakrosUndGrenzenDerProfile) {
    const char* quelle = "float4 Haupt( float2 uv : TEXCOORD0) : COLOR0 { return float4(uv, HELL, 1); }\n";
    const D3DXMACRO makros[] = {{"HELL", "0.25"}, {nullptr, nullptr}};
    Uebersetzt ps = Uebersetze(quelle, "ps_3_0", "Haupt", makros);
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    PruefeGlsl(ps.blob.glsl, {"0.25"});
    // The largest register file and sampler count of each profile still compiles.
    EXPECT_EQ(Uebersetze(FeldShader(256, false), "vs_3_0").ergebnis, D3D_OK);
    EXPECT_EQ(Uebersetze(FeldShader(224, true), "ps_3_0").ergebnis, D3D_OK);
    EXPECT_EQ(Uebersetze(SamplerShader(4, false), "vs_3_0").ergebnis, D3D_OK);
    EXPECT_EQ(Uebersetze(SamplerShader(16, true), "ps_3_0").ergebnis, D3D_OK);
}

// Every refusal fails with its message and leaves neither code nor a table behind.
TEST(ShaderUebersetzung, AbgelehntMitMeldung) {
    const char* ps = "float4 main( float2 uv : TEXCOORD0) : COLOR0 ";
    const struct {
        std::string quelle;
        const char* profil;
        std::string meldung;
    } faelle[] = {
        {std::string("float4 gFarbe;\n") + ps + "\n{\n    return gFarbe * unbekannt;\n}\n", "ps_3_0",
         "ERROR: 0:4: 'unbekannt'"},
        // After the prelude's "#line 1" messages count the shader's own lines.
        {std::string(kPraeludium) + "float4 gA;\nfloat4 main() : COLOR0 { return gB; }\n", "ps_3_0",
         "ERROR: 0:2: 'gB'"},
        // Shaders reach the compiler preprocessed; an include left over is an error, not a lookup.
        {"#include \"a.h\"\nfloat4 main() : COLOR0 { return 0; }\n", "ps_3_0", "ERROR: 0:1: '#include'"},
        {"", "ps_3_0", "'main' : entry point not found"},
        {"float4 Haupt() : COLOR0 { return 0; }\n", "ps_3_0", "'main' : entry point not found"},
        {std::string("struct Zahl { int wert; };\nZahl gAnzahl;\n") + ps + "{ return gAnzahl.wert; }\n",
         "ps_3_0", "ERROR: 0:2: 'gAnzahl' : shader constants must be float"},
        {std::string("cbuffer Block { float4 gFarbe; };\n") + ps + "{ return gFarbe; }\n", "ps_3_0",
         "cbuffer"},
        {std::string("float4 gA;\nfloat4 gB : register(c10);\n") + ps + "{ return gA + gB; }\n", "ps_3_0",
         "ERROR: 0:2: 'gB' : register()"},
        {std::string("sampler2D gS : register(s3);\n") + ps + "{ return tex2D( gS, uv); }\n", "ps_3_0",
         "'gS' : register()"},
        {FeldShader(257, false), "vs_3_0", "'gFeld' : constants need more than the 256"},
        {FeldShader(225, true), "ps_3_0", "'gFeld'"},
        {SamplerShader(5, false), "vs_3_0", "'gS4' : more than the 4 samplers"},
        {SamplerShader(17, true), "ps_3_0", "'gS16'"},
        {"float4 main( float4 f : COLOR0) : POSITION0 { return f; }\n", "vs_3_0", "COLOR0"},
        {"float4 main( float2 p : VPOS) : COLOR0 { return p.xyxy; }\n", "ps_3_0", "'VPOS0' is not available"},
        {"float4 main( float4 p : TEXCOORD00001) : POSITION0 { return p; }\n", "vs_3_0", "TEXCOORD00001"},
        {"float4 main( float2 uv : TEXCOORD0) : COLOR4 { return uv.xyxy; }\n", "ps_3_0", "COLOR4"},
        {kPixelShader, "ps_2_0", "ps_2_0"},
    };
    for (const auto& fall : faelle) {
        Uebersetzt u = Uebersetze(fall.quelle, fall.profil);
        EXPECT_EQ(u.ergebnis, E_FAIL) << fall.quelle;
        EXPECT_TRUE(Enthaelt(u.meldungen, fall.meldung)) << fall.meldung << " in\n" << u.meldungen;
        EXPECT_EQ(u.tabelle, nullptr);
        EXPECT_TRUE(u.blob.glsl.empty());
    }
    EXPECT_EQ(Uebersetze(kPixelShader, nullptr).ergebnis, E_FAIL);
}

TEST(ShaderUebersetzung, DateiFehlerNennenDateiUndZeile) {
    const std::string pfad = ::testing::TempDir() + "ps000.txt";
    const auto uebersetze = [&pfad](const char* text, ID3DXBuffer** code, ID3DXBuffer** meldungen,
                                    ID3DXConstantTable** tabelle) {
        if (text != nullptr) {
            std::ofstream(pfad) << text;
        }
        return D3DXCompileShaderFromFileA(pfad.c_str(), nullptr, nullptr, "main", "ps_3_0", 5, code,
                                          meldungen, tabelle);
    };
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* meldungen = nullptr;
    ID3DXConstantTable* tabelle = nullptr;
    const char* kaputt = "float4 main( float2 uv : TEXCOORD0) : COLOR0\n{\n    float4 f = uv.xyxy;\n"
                         "    return f +;\n}\n";
    EXPECT_EQ(uebersetze(kaputt, &code, &meldungen, &tabelle), E_FAIL);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(tabelle, nullptr);
    ASSERT_NE(meldungen, nullptr);
    const std::string text = static_cast<const char*>(meldungen->GetBufferPointer());
    EXPECT_TRUE(Enthaelt(text, pfad + ":4:")) << text;
    meldungen->Release();

    ASSERT_EQ(uebersetze("float4 main( float2 uv : TEXCOORD0) : COLOR0\n{\n    return uv.xyxy;\n}\n", &code,
                         &meldungen, &tabelle),
              D3D_OK);
    Plattform::ShaderBlob blob;
    EXPECT_TRUE(Plattform::LiesShaderBlob(code->GetBufferPointer(), code->GetBufferSize(), blob));
    EXPECT_EQ(meldungen, nullptr);
    code->Release();
    tabelle->Release();
    std::remove(pfad.c_str());

    EXPECT_EQ(uebersetze(nullptr, &code, &meldungen, &tabelle), E_FAIL);
    ASSERT_NE(meldungen, nullptr);
    EXPECT_TRUE(Enthaelt(static_cast<const char*>(meldungen->GetBufferPointer()), pfad)) << pfad;
    meldungen->Release();
}

TEST(ShaderUebersetzung, AusgabenSindOptional) {
    ID3DXBuffer* code = nullptr;
    const std::string quelle = kPixelShader;
    EXPECT_EQ(D3DXCompileShader(quelle.data(), UINT(quelle.size()), nullptr, nullptr, "main", "ps_3_0", 0,
                                &code, nullptr, nullptr),
              D3D_OK);
    ASSERT_NE(code, nullptr);
    code->Release();
    EXPECT_EQ(
        D3DXCompileShader("kaputt", 6, nullptr, nullptr, "main", "ps_3_0", 0, nullptr, nullptr, nullptr),
        E_FAIL);
    EXPECT_EQ(D3DXCompileShader(nullptr, 0, nullptr, nullptr, "main", "ps_3_0", 0, &code, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(code, nullptr);
}

TEST(ShaderUebersetzung, ProfileDesGeraets) {
    int irgendwas = 0;
    auto* geraet = reinterpret_cast<IDirect3DDevice9*>(&irgendwas);
    EXPECT_STREQ(D3DXGetVertexShaderProfile(geraet), "vs_3_0");
    EXPECT_STREQ(D3DXGetPixelShaderProfile(geraet), "ps_3_0");
    EXPECT_EQ(D3DXGetVertexShaderProfile(nullptr), nullptr);
}
