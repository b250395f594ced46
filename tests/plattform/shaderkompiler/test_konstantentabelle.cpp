// The constant table of a compiled shader: registers, counts and classes of every kind of
// constant, handles of members and elements, names in place of handles, and the samplers.

#include "testhilfe.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace ShaderTest;

namespace {

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
