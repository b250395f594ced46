// Compiling HLSL through the D3DX9 entry points: the GLSL the device gets, the refusals and
// their messages, and the constant table.

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

// Every kind of constant the engine declares, each used once, plus one unused.
const char* kKonstanten = R"(
float gSkalar;
float3 gVektor;
float3x3 gDrehung;
row_major float3x3 gDrehungZ;
float4x4 gWelt;
row_major float4x4 gWeltZ;
float4x3 gSchief;
row_major float4x3 gSchiefZ;
float4 gFeld[3];
float gUnbenutzt;
struct Licht { float3 pos; float4 farbe; };
Licht gLicht;
Licht gLichter[2];
float2 gSkalare[2];
void main( float4 pos : POSITION0, out float4 opos : POSITION0, out float4 a : TEXCOORD0, out float4 b : TEXCOORD1)
{
    opos = pos * gSkalar + float4(gVektor, 0) + mul(pos, gWelt) + mul(pos, gWeltZ);
    a = float4(mul(pos.xyz, gDrehung) + mul(pos.xyz, gDrehungZ), 1) + float4(mul(pos, gSchief) + mul(pos, gSchiefZ), 0);
    b = gFeld[int(pos.w)] + gLicht.farbe + float4(gLichter[int(pos.x)].pos, 1) + gLichter[1].farbe
        + float4(gSkalare[int(pos.y)], 0, 0);
}
)";

// What a name or a handle stands for; the table counts one description.
D3DXCONSTANT_DESC Desc(ID3DXConstantTable* t, D3DXHANDLE h) {
    D3DXCONSTANT_DESC d{};
    UINT anzahl = 1;
    EXPECT_EQ(std::pair(t->GetConstantDesc(h, &d, &anzahl), anzahl), std::pair(D3D_OK, 1u));
    return d;
}

// Register, count, class, elements and set.
std::tuple<UINT, UINT, D3DXPARAMETER_CLASS, UINT, D3DXREGISTER_SET> Beschreibung(ID3DXConstantTable* t,
                                                                               const char* name) {
    const D3DXCONSTANT_DESC d = Desc(t, name);
    return {d.RegisterIndex, d.RegisterCount, d.Class, d.Elements, d.RegisterSet};
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

TEST(Konstantentabelle, RegisterHandlesUndNamen) {
    Uebersetzt vs = Uebersetze(kKonstanten, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    ID3DXConstantTable* t = vs.tabelle.get();
    // Stored by columns (the HLSL default) a matrix takes one register per column, by rows one
    // per row. gUnbenutzt holds register 26 but is not listed.
    const auto S = D3DXPC_SCALAR, V = D3DXPC_VECTOR, Z = D3DXPC_MATRIX_ROWS, M = D3DXPC_MATRIX_COLUMNS,
               T = D3DXPC_STRUCT;
    const struct {
        const char* name;
        UINT register_, anzahl;
        D3DXPARAMETER_CLASS klasse;
        UINT elemente;
    } eintraege[] = {{"gSkalar", 0, 1, S, 1},         {"gVektor", 1, 1, V, 1},          {"gDrehung", 2, 3, M, 1},
                     {"gDrehungZ", 5, 3, Z, 1},       {"gWelt", 8, 4, M, 1},            {"gWeltZ", 12, 4, Z, 1},
                     {"gSchief", 16, 3, M, 1},        {"gSchiefZ", 19, 4, Z, 1},        {"gFeld", 23, 3, V, 3},
                     {"gFeld[2]", 25, 1, V, 1},       {"gLicht", 27, 2, T, 1},          {"gLicht.pos", 27, 1, V, 1},
                     {"gLicht.farbe", 28, 1, V, 1},   {"gLichter", 29, 4, T, 2},        {"gLichter[0]", 29, 2, T, 1},
                     {"gLichter[0].pos", 29, 1, V, 1}, {"gLichter[1].pos", 31, 1, V, 1}, {"gSkalare", 33, 2, V, 2},
                     {"gLichter[1].farbe", 32, 1, V, 1}, {"gSkalare[1]", 34, 1, V, 1}};
    for (const auto& e : eintraege) {
        EXPECT_EQ(Beschreibung(t, e.name), std::tuple(e.register_, e.anzahl, e.klasse, e.elemente, D3DXRS_FLOAT4))
            << e.name;
    }
    EXPECT_EQ(std::pair(Desc(t, "gSchief").Rows, Desc(t, "gSchief").Columns), std::pair(4u, 3u));
    EXPECT_EQ(vs.blob.konstantenRegister, 35u);
    EXPECT_TRUE(Enthaelt(vs.blob.glsl, "uniform vec4 vs_c[35];")) << vs.blob.glsl;

    D3DXCONSTANTTABLE_DESC tabelle{};
    ASSERT_EQ(t->GetDesc(&tabelle), D3D_OK);
    EXPECT_EQ(std::pair(tabelle.Version, tabelle.Constants), std::pair(0xFFFE0300u, 12u)); // all but gUnbenutzt
    EXPECT_EQ(t->GetConstant(nullptr, 12), nullptr);

    // Members below the array are those of element 0; an element has its own.
    const D3DXHANDLE lichter = t->GetConstantByName(nullptr, "gLichter");
    const D3DXHANDLE element = t->GetConstantElement(lichter, 1);
    ASSERT_NE(lichter, nullptr);
    EXPECT_EQ(std::pair(std::string(Desc(t, lichter).Name), Desc(t, lichter).StructMembers),
              std::pair(std::string("gLichter"), 2u));
    const D3DXCONSTANT_DESC farbe = Desc(t, t->GetConstant(lichter, 1));
    EXPECT_EQ(std::pair(std::string(farbe.Name), farbe.RegisterIndex), std::pair(std::string("farbe"), 30u));
    EXPECT_EQ(Desc(t, t->GetConstant(element, 1)).RegisterIndex, 32u);
    EXPECT_EQ(t->GetConstantElement(lichter, 2), nullptr);

    // Names stand in for handles, with indices and members.
    EXPECT_EQ(t->GetConstantByName(nullptr, "gLichter[1].farbe"), t->GetConstant(element, 1));
    EXPECT_EQ(t->GetConstantByName(lichter, "pos"), t->GetConstant(lichter, 0));
    for (const char* falsch : {"gUnbenutzt", "gLichter[2]", "gLichter[1].farbe.x", "gLicht.", "gFeld[x]", "",
                               "gLichter[1]farbe", "gLichterX"}) {
        EXPECT_EQ(t->GetConstantByName(nullptr, falsch), nullptr) << falsch;
    }
    D3DXCONSTANT_DESC d{};
    UINT anzahl = 1;
    EXPECT_TRUE(FAILED(t->GetConstantDesc(nullptr, &d, &anzahl)));
    // Asking for the count only.
    anzahl = 0;
    ASSERT_EQ(t->GetConstantDesc("gWelt", nullptr, &anzahl), D3D_OK);
    EXPECT_EQ(anzahl, 1u);
}

TEST(Konstantentabelle, SamplerInDeklarationsreihenfolgeOhneUnbenutzte) {
    const char* quelle = R"(
sampler2D gErster;
samplerCUBE gUmgebung;
sampler2D gUnbenutzt;
sampler2D gLetzter;
float4 gFarbe;
void main( float2 uv : TEXCOORD0, out float4 farbe : COLOR0)
{
    farbe = tex2D( gLetzter, uv) + texCUBElod( gUmgebung, uv.xyyy) + tex2D( gErster, uv) * gFarbe;
}
)";
    Uebersetzt ps = Uebersetze(quelle, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    for (const auto& [name, register_] : {std::pair{"gErster", 0u}, {"gUmgebung", 1u}, {"gLetzter", 2u}}) {
        EXPECT_EQ(Beschreibung(ps.tabelle.get(), name), std::tuple(register_, 1u, D3DXPC_OBJECT, 1u, D3DXRS_SAMPLER));
    }
    EXPECT_EQ(Beschreibung(ps.tabelle.get(), "gFarbe"), std::tuple(0u, 1u, D3DXPC_VECTOR, 1u, D3DXRS_FLOAT4));
    EXPECT_EQ(Desc(ps.tabelle.get(), "gUmgebung").Type, D3DXPT_SAMPLERCUBE);
    D3DXCONSTANTTABLE_DESC tabelle{};
    ASSERT_EQ(ps.tabelle->GetDesc(&tabelle), D3D_OK);
    EXPECT_EQ(std::pair(tabelle.Version, tabelle.Constants), std::pair(0xFFFF0300u, 4u));
    EXPECT_EQ(ps.tabelle->GetConstantByName(nullptr, "gUnbenutzt"), nullptr);
    EXPECT_EQ(ps.blob.samplerAnzahl, 3u);
    for (const char* teil : {"uniform sampler2D ps_s0;", "uniform samplerCube ps_s1;", "uniform sampler2D ps_s2;",
                             "texture(ps_s0, velm_i_TEXCOORD0) * ps_c[0]", "textureLod(ps_s1"}) {
        EXPECT_TRUE(Enthaelt(ps.blob.glsl, teil)) << teil << "\n" << ps.blob.glsl;
    }
}
