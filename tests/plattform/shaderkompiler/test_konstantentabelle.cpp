#include "shadertesthilfe.h"

#include <gtest/gtest.h>

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

void PruefeEintrag(const NamensKarte& karte, const std::string& name, uint32_t register_, uint32_t anzahl,
                   uint32_t art) {
    const auto eintrag = karte.find(name);
    ASSERT_NE(eintrag, karte.end()) << name;
    EXPECT_EQ(eintrag->second.register_, register_) << name;
    EXPECT_EQ(eintrag->second.anzahl, anzahl) << name;
    EXPECT_EQ(eintrag->second.art, art) << name;
}

} // namespace

TEST(Konstantentabelle, RegisterInDeklarationsreihenfolgeUndDieNamenDerEngine) {
    Uebersetzt vs = Uebersetze(kKonstanten, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    const NamensKarte karte = LiesKonstanten(vs.tabelle.get());

    // Stored by columns (the HLSL default) a matrix takes one register per column, by rows one
    // per row. gUnbenutzt holds register 26 but is not listed.
    const struct {
        const char* name;
        uint32_t register_, anzahl, art;
    } eintraege[] = {{"gSkalar", 0, 1, 0},          {"gVektor", 1, 1, 1},          {"gDrehung", 2, 3, 3},
                     {"gDrehungZ", 5, 3, 2},        {"gWelt", 8, 4, 3},            {"gWeltZ", 12, 4, 2},
                     {"gSchief", 16, 3, 3},         {"gSchiefZ", 19, 4, 2},        {"gFeld", 23, 3, 4},
                     {"gFeld[2]", 25, 1, 1},        {"gLicht", 27, 2, 4},          {"gLicht.pos", 27, 1, 1},
                     {"gLicht.farbe", 28, 1, 1},    {"gLichter", 29, 4, 4},        {"gLichter[0]", 29, 2, 4},
                     {"gLichter[0].pos", 29, 1, 1}, {"gLichter[1].pos", 31, 1, 1}, {"gSkalare", 33, 2, 4},
                     {"gLichter[1].farbe", 32, 1, 1}, {"gSkalare[1]", 34, 1, 1}};
    for (const auto& e : eintraege) {
        PruefeEintrag(karte, e.name, e.register_, e.anzahl, e.art);
    }
    EXPECT_EQ(karte.count("gUnbenutzt"), 0u);
    EXPECT_EQ(karte.at("gSchief").zeilen, 4u);
    EXPECT_EQ(karte.at("gSchief").spalten, 3u);
    EXPECT_EQ(karte.at("gVektor").spalten, 3u);
    EXPECT_EQ(vs.blob.konstantenRegister, 35u);
    EXPECT_NE(vs.blob.glsl.find("uniform vec4 vs_c[35];"), std::string::npos) << vs.blob.glsl;
}

TEST(Konstantentabelle, HandlesNamenUndElemente) {
    Uebersetzt vs = Uebersetze(kKonstanten, "vs_3_0");
    ASSERT_EQ(vs.ergebnis, D3D_OK) << vs.meldungen;
    ID3DXConstantTable* t = vs.tabelle.get();

    D3DXCONSTANTTABLE_DESC tabelle{};
    ASSERT_EQ(t->GetDesc(&tabelle), D3D_OK);
    EXPECT_EQ(tabelle.Version, 0xFFFE0300u);
    EXPECT_EQ(tabelle.Constants, 12u); // all but gUnbenutzt
    EXPECT_EQ(t->GetConstant(nullptr, 12), nullptr);

    D3DXHANDLE lichter = t->GetConstantByName(nullptr, "gLichter");
    ASSERT_NE(lichter, nullptr);
    D3DXCONSTANT_DESC d{};
    UINT anzahl = 1;
    ASSERT_EQ(t->GetConstantDesc(lichter, &d, &anzahl), D3D_OK);
    EXPECT_EQ(anzahl, 1u);
    EXPECT_STREQ(d.Name, "gLichter");
    EXPECT_EQ(d.Class, D3DXPC_STRUCT);
    EXPECT_EQ(d.Elements, 2u);
    EXPECT_EQ(d.StructMembers, 2u);
    EXPECT_EQ(d.RegisterSet, D3DXRS_FLOAT4);

    // Members below the array are those of element 0; an element has its own.
    anzahl = 1;
    ASSERT_EQ(t->GetConstantDesc(t->GetConstant(lichter, 1), &d, &anzahl), D3D_OK);
    EXPECT_STREQ(d.Name, "farbe");
    EXPECT_EQ(d.RegisterIndex, 30u);
    D3DXHANDLE element = t->GetConstantElement(lichter, 1);
    anzahl = 1;
    ASSERT_EQ(t->GetConstantDesc(t->GetConstant(element, 1), &d, &anzahl), D3D_OK);
    EXPECT_EQ(d.RegisterIndex, 32u);
    EXPECT_EQ(t->GetConstantElement(lichter, 2), nullptr);

    // Names stand in for handles, with indices and members.
    EXPECT_EQ(t->GetConstantByName(nullptr, "gLichter[1].farbe"), t->GetConstant(element, 1));
    EXPECT_EQ(t->GetConstantByName(lichter, "pos"), t->GetConstant(lichter, 0));
    anzahl = 1;
    ASSERT_EQ(t->GetConstantDesc("gFeld[1]", &d, &anzahl), D3D_OK);
    EXPECT_EQ(d.RegisterIndex, 24u);
    EXPECT_EQ(d.Elements, 1u);

    for (const char* falsch : {"gUnbenutzt", "gLichter[2]", "gLichter[1].farbe.x", "gLicht.", "gFeld[x]", "",
                               "gLichter[1]farbe", "gLichterX"}) {
        EXPECT_EQ(t->GetConstantByName(nullptr, falsch), nullptr) << falsch;
    }
    anzahl = 1;
    EXPECT_TRUE(FAILED(t->GetConstantDesc("gUnbenutzt", &d, &anzahl)));
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
    farbe = tex2D( gLetzter, uv) + texCUBE( gUmgebung, uv.xyy) + tex2D( gErster, uv) * gFarbe;
}
)";
    Uebersetzt ps = Uebersetze(quelle, "ps_3_0");
    ASSERT_EQ(ps.ergebnis, D3D_OK) << ps.meldungen;
    const NamensKarte karte = LiesKonstanten(ps.tabelle.get());
    EXPECT_EQ(karte.size(), 4u);
    for (const auto& [name, register_, art] : {std::tuple{"gErster", 0u, 5u}, {"gUmgebung", 1u, 5u},
                                                {"gLetzter", 2u, 5u}, {"gFarbe", 0u, 1u}}) {
        PruefeEintrag(karte, name, register_, 1, art);
        EXPECT_EQ(karte.at(name).satz, art == 5 ? D3DXRS_SAMPLER : D3DXRS_FLOAT4) << name;
    }
    D3DXCONSTANT_DESC d{};
    UINT anzahl = 1;
    ASSERT_EQ(ps.tabelle->GetConstantDesc("gUmgebung", &d, &anzahl), D3D_OK);
    EXPECT_EQ(std::pair(d.Type, d.Class), std::pair(D3DXPT_SAMPLERCUBE, D3DXPC_OBJECT));
    D3DXCONSTANTTABLE_DESC tabelle{};
    ASSERT_EQ(ps.tabelle->GetDesc(&tabelle), D3D_OK);
    EXPECT_EQ(tabelle.Version, 0xFFFF0300u);
    EXPECT_EQ(ps.blob.samplerAnzahl, 3u);
    for (const char* teil : {"uniform sampler2D ps_s0;", "uniform samplerCube ps_s1;",
                             "uniform sampler2D ps_s2;", "texture(ps_s0, velm_i_TEXCOORD0) * ps_c[0]"}) {
        EXPECT_NE(ps.blob.glsl.find(teil), std::string::npos) << teil << "\n" << ps.blob.glsl;
    }
}
