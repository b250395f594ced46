#include "shadertesthilfe.h"

#include <gtest/gtest.h>

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

TEST(ShaderUebersetzung, Ausgabe) {
    Uebersetzt vs = Uebersetze(kVertexShader, "vs_3_0");
    printf("%s\n%s\n", vs.meldungen.c_str(), vs.blob.glsl.c_str());
    Uebersetzt ps = Uebersetze(kPixelShader, "ps_3_0");
    printf("%s\n%s\n", ps.meldungen.c_str(), ps.blob.glsl.c_str());
}
