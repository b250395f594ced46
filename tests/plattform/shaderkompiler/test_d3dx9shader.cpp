// Compiling HLSL through the D3DX9 entry points: the GLSL the device gets, the refusals and
// their messages, the file errors and the optional outputs.

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <tuple>

using namespace ShaderTest;

namespace {

// Compiles in either stage.
const char* kKurz = "float4 main( float2 uv : TEXCOORD0) : COLOR0 { return uv.xyxy; }";

// An array of `felder` float4 constants used with a computed index and `sampler` samplers, all
// used.
std::string GrenzShader(int felder, int sampler, bool pixel) {
    std::string quelle = felder > 0 ? "float4 gFeld[" + std::to_string(felder) + "];\n" : "";
    std::string summe = felder > 0 ? "gFeld[int(uv.x)]" : "0";
    for (int i = 0; i < sampler; ++i) {
        quelle += "sampler2D gS" + std::to_string(i) + ";\n";
        summe += " + tex2Dlod( gS" + std::to_string(i) + ", float4( uv, 0, 0))";
    }
    return quelle + "float4 main( float2 uv : TEXCOORD0) : " + (pixel ? "COLOR0" : "POSITION0") +
           " { return " + summe + "; }\n";
}

} // namespace

// What the device's own draws do not reach: each row compiles and must hold its GLSL pieces, lack
// the absent ones, and bind the registers and samplers it names; the largest register file and
// sampler count of each profile still compile.
TEST(ShaderUebersetzung, GlslNachDenKonventionenDesGeraets) {
    const D3DXMACRO makros[] = {{"HELL", "0.25"}, {nullptr, nullptr}};
    const struct {
        std::string quelle;
        bool pixel;
        uint32_t register_, sampler;
        std::vector<const char*> teile, fehlt;
        const char* einstieg = "main";
        const D3DXMACRO* makros = nullptr;
    } faelle[] = {
        // TEXCOORD3 is declared but unused: TEXCOORD4 still takes location 5, and a matrix input
        // takes one location per row.
        {"void main( float4 pos : POSITION0, float3x3 basis : TEXCOORD0, float4 frei : TEXCOORD3, float2 uv : "
         "TEXCOORD4, out float4 opos : POSITION, out float4 farbe : COLOR0, out float3 n : TEXCOORD2)\n"
         "{ opos = pos; farbe = float4(uv, 0, 1); n = mul(pos.xyz, basis); }\n",
         false, 0, 0,
         {"layout(location = 1) in mat3 basis;", "layout(location = 5) in vec2 uv;", "\nout vec4 velm_COLOR0;",
          "\nvec3 velm_o_TEXCOORD2;\nout vec4 velm_TEXCOORD2;", "gl_Position = pos;"},
         {"vs_c"}},
        // The output would share its name with the input COLOR0, so it takes a suffix; the device
        // binds outputs by location.
        {"float4 main( float4 farbe : COLOR0, float3 n : texcoord2) : COLOR { return farbe * n.x; }\n", true, 0, 0,
         {"\nin vec4 velm_COLOR0;", "\nvec3 velm_i_TEXCOORD2;\nin vec4 velm_TEXCOORD2;",
          "layout(location = 0) out vec4 velm_COLOR0_1;"},
         {}},
        {"void main( float2 uv : TEXCOORD0, out float4 a : COLOR0, out float4 b : COLOR3) { a = uv.xyxy; b = "
         "uv.yxyx; }",
         true, 0, 0, {"layout(location = 0) out vec4 velm_COLOR0;", "layout(location = 3) out vec4 velm_COLOR3;"},
         {}},
        {"float4 Haupt( float2 uv : TEXCOORD0) : COLOR0 { return float4(uv, HELL, 1); }\n", true, 0, 0, {"0.25"},
         {}, "Haupt", makros},
        // Names that repeat only inside structures, functions and annotations stay valid.
        {"matrix<float, 4, 4> a;\nfloat4 b <string a = \"a;\"; float c = 1;> = float4(1, 2, 3, 4), c[2] = {b, b};\n"
         "struct S { float4 a; float4 b; };\nfloat4 F(float2 a : TEXCOORD0) : COLOR0 { float4 b = 1; return b; }\n"
         "static const float2 d[2] = { float2(0, 1), float2(2, 3) };\nsampler2D e;\n"
         "float4 main(float2 t : TEXCOORD0) : COLOR0 { return t.xyxy; }\n",
         true, 0, 0, {}, {}},
        {GrenzShader(256, 4, false), false, 256, 4, {}, {}},
        {GrenzShader(224, 16, true), true, 224, 16, {}, {}},
    };
    for (const auto& fall : faelle) {
        const Uebersetzt u = Uebersetze(fall.quelle, fall.pixel ? "ps_3_0" : "vs_3_0", fall.einstieg, fall.makros);
        ASSERT_EQ(u.ergebnis, D3D_OK) << u.meldungen;
        EXPECT_EQ(u.meldungen, "");
        EXPECT_EQ(u.blob.stufe, fall.pixel ? Plattform::kStufePixel : Plattform::kStufeVertex);
        EXPECT_EQ(std::pair(u.blob.konstantenRegister, u.blob.samplerAnzahl), std::pair(fall.register_, fall.sampler))
            << fall.quelle;
        for (const char* teil : fall.teile) {
            EXPECT_TRUE(Enthaelt(u.blob.glsl, teil)) << teil << "\n" << u.blob.glsl;
        }
        for (const char* teil : fall.fehlt) {
            EXPECT_FALSE(Enthaelt(u.blob.glsl, teil)) << teil << "\n" << u.blob.glsl;
        }
    }
}

// Every refusal fails with its message and leaves neither code nor a table behind. A global
// declared twice fails on the line of the second declaration, whichever kinds the two are (glslang
// crashed on a constant after any other global of its name and another type).
TEST(ShaderUebersetzung, AbgelehntMitMeldung) {
    const char* ps = "float4 main( float2 uv : TEXCOORD0) : COLOR0 ";
    const auto zweimal = [ps](const char* deklarationen) {
        return std::string(deklarationen) + "\n" + ps + "{ return uv.xyxy; }\n";
    };
    const struct {
        std::string quelle;
        const char* profil;
        std::string meldung;
    } faelle[] = {
        {std::string("float4 gFarbe;\n") + ps + "\n{\n    return gFarbe * unbekannt;\n}\n", "ps_3_0",
         "ERROR: 0:4: 'unbekannt'"},
        // After the engine prelude's "#line 1" messages count the shader's own lines.
        {"float4 gX;\nfloat4 gY;\n#line 1\nfloat4 gA;\nfloat4 main() : COLOR0 { return gB; }\n", "ps_3_0",
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
        {GrenzShader(257, 0, false), "vs_3_0", "'gFeld' : constants need more than the 256"},
        {GrenzShader(225, 0, true), "ps_3_0", "'gFeld'"},
        {GrenzShader(0, 5, false), "vs_3_0", "'gS4' : more than the 4 samplers"},
        {GrenzShader(0, 17, true), "ps_3_0", "'gS16'"},
        {"float4 main( float4 f : COLOR0) : POSITION0 { return f; }\n", "vs_3_0", "COLOR0"},
        {"float4 main( float2 p : VPOS) : COLOR0 { return p.xyxy; }\n", "ps_3_0", "'VPOS0' is not available"},
        {"float4 main( float4 p : TEXCOORD00001) : POSITION0 { return p; }\n", "vs_3_0", "TEXCOORD00001"},
        {"float4 main( float2 uv : TEXCOORD0) : COLOR4 { return uv.xyxy; }\n", "ps_3_0", "COLOR4"},
        {kKurz, "ps_2_0", "ps_2_0"},
        {zweimal("sampler2D gBild;\nfloat4 gBild;"), "ps_3_0", "ERROR: 0:2: 'gBild' : redefinition"},
        {zweimal("float4 gBild;\nsampler2D gBild;"), "ps_3_0", "ERROR: 0:2: 'gBild' : redefinition"},
        {zweimal("float4 a;\n\nfloat3 a;"), "ps_3_0", "ERROR: 0:3: 'a' : redefinition"},
        {zweimal("float4 a;\nfloat4 a;"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("float4 a, b, a;"), "ps_3_0", "ERROR: 0:1: 'a' : redefinition"},
        {zweimal("static float4 a;\nuniform float4 a;"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("struct a { float x; };\nfloat4 a;"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("struct S { float x; } a;\nfloat4x4 a;"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("typedef float3 a;\nfloat4 a[2];"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("cbuffer C : register(b0) { float3 a; };\nfloat4 a;"), "ps_3_0", "ERROR: 0:2: 'a' : redefinition"},
        {zweimal("#define SAMPLER(n) sampler2D n\nSAMPLER(a);\n#line 7 \"filter.xml\"\nfloat4 a;"), "ps_3_0",
         "ERROR: filter.xml:7: 'a' : redefinition"},
    };
    for (const auto& fall : faelle) {
        Uebersetzt u = Uebersetze(fall.quelle, fall.profil);
        EXPECT_EQ(u.ergebnis, E_FAIL) << fall.quelle;
        EXPECT_TRUE(Enthaelt(u.meldungen, fall.meldung)) << fall.meldung << " in\n" << u.meldungen;
        EXPECT_EQ(u.tabelle, nullptr);
        EXPECT_TRUE(u.blob.glsl.empty());
    }
    EXPECT_EQ(Uebersetze(kKurz, nullptr).ergebnis, E_FAIL);
}

// From a file, a compile error names the file and line, a missing file names the file.
TEST(ShaderUebersetzung, DateiFehlerNennenDateiUndZeile) {
    const std::string pfad = ::testing::TempDir() + "ps000.txt";
    const std::pair<const char*, std::string> faelle[] = {
        {"float4 main( float2 uv : TEXCOORD0) : COLOR0\n{\n    float4 f = uv.xyxy;\n    return f +;\n}\n",
         pfad + ":4:"},
        {nullptr, pfad}};
    for (const auto& [text, meldung] : faelle) {
        std::remove(pfad.c_str());
        if (text != nullptr) {
            std::ofstream(pfad) << text;
        }
        const Uebersetzt u = Nimm([&](auto code, auto meldungen, auto tabelle) {
            return D3DXCompileShaderFromFileA(pfad.c_str(), nullptr, nullptr, "main", "ps_3_0", 5, code, meldungen,
                                              tabelle);
        });
        EXPECT_EQ(std::tuple(u.ergebnis, u.blob.glsl.empty(), u.tabelle == nullptr), std::tuple(E_FAIL, true, true));
        EXPECT_TRUE(Enthaelt(u.meldungen, meldung)) << meldung << " in " << u.meldungen;
    }
    std::remove(pfad.c_str());
}

// Every output may be left out; without a source the call is refused.
TEST(ShaderUebersetzung, AusgabenSindOptional) {
    ID3DXBuffer* code = nullptr;
    EXPECT_EQ(D3DXCompileShader(kKurz, UINT(std::strlen(kKurz)), nullptr, nullptr, "main", "ps_3_0",
                                0, &code, nullptr, nullptr),
              D3D_OK);
    ASSERT_NE(code, nullptr);
    code->Release();
    EXPECT_EQ(D3DXCompileShader("kaputt", 6, nullptr, nullptr, "main", "ps_3_0", 0, nullptr, nullptr, nullptr),
              E_FAIL);
    EXPECT_EQ(D3DXCompileShader(nullptr, 0, nullptr, nullptr, "main", "ps_3_0", 0, &code, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(code, nullptr);
}
