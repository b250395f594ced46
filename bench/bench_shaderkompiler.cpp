// Time to compile a typical shader pair, as the filter chain and the sprite batcher do at start-up.

#include "plattform/shaderkompiler/d3dx9shader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A sprite vertex shader and a filter pixel shader in the form the engine's dialect produces.
const std::string kVertexShader = R"(
float4 gBildschirm;
float4x4 gMatrix;
static const float2 gEcken[4] = { float2(0, 0), float2(1, 0), float2(0, 1), float2(1, 1) };
float2 TEXKOORD_RT(float2 tex) { return float2(tex.x, 1 - tex.y); }
void main( float4 pos : POSITION0, float4 ziel : TEXCOORD0, float4 atlas : TEXCOORD1, float4 farbe : TEXCOORD2,
           float2 dreh : TEXCOORD3, out float4 opos : POSITION0, out float2 ouv : TEXCOORD0,
           out float4 ofarbe : TEXCOORD1)
{
    float2 ecke = gEcken[int(pos.x)];
    float2 p = (ecke - dreh.y) * ziel.zw;
    float s = sin(dreh.x);
    float c = cos(dreh.x);
    p = float2(p.x * c - p.y * s, p.x * s + p.y * c) + ziel.xy;
    opos = mul(float4(p * gBildschirm.xy + gBildschirm.zw, pos.z, 1), gMatrix);
    ouv = TEXKOORD_RT(atlas.xy + ecke * atlas.zw);
    ofarbe = farbe;
}
)";

const std::string kPixelShader = R"(
sampler2D gBild;
sampler2D gUnschaerfe;
float4 gBildGroesse;
float4 gUnschaerfeGroesse;
float4 staerke;
static const float gGewichte[5] = { 0.06, 0.24, 0.4, 0.24, 0.06 };
void main( float2 uv : TEXCOORD0, float4 farbe : TEXCOORD1, out float4 ergebnis : COLOR0)
{
    float4 summe = 0;
    for (int i = 0; i < 5; ++i)
        summe += gGewichte[i] * tex2D( gUnschaerfe, uv * gUnschaerfeGroesse.xy + float2(i - 2, 0) * gUnschaerfeGroesse.zw);
    float4 bild = tex2D( gBild, uv * gBildGroesse.xy);
    ergebnis = lerp(bild, summe, staerke.x) * farbe;
}
)";

void Uebersetze(benchmark::State& state, const std::string& quelle, const char* profil) {
    ID3DXBuffer* code = nullptr;
    ID3DXConstantTable* tabelle = nullptr;
    if (FAILED(D3DXCompileShader(quelle.data(), UINT(quelle.size()), nullptr, nullptr, "main", profil, 0,
                                 &code, nullptr, &tabelle))) {
        state.SkipWithError("shader did not compile");
        return;
    }
    benchmark::DoNotOptimize(code->GetBufferPointer());
    code->Release();
    tabelle->Release();
}

void BM_UebersetzeShader(benchmark::State& state) {
    for (auto _ : state) {
        Uebersetze(state, kVertexShader, "vs_3_0");
        Uebersetze(state, kPixelShader, "ps_3_0");
    }
}
BENCHMARK(BM_UebersetzeShader)->Unit(benchmark::kMillisecond);

} // namespace
