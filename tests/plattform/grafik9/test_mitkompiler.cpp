// The road the engine takes, where only the device shows it: HLSL through the D3DX9 compiler,
// its code into the device, constants by the registers of its constant table, then pixels.

#include "grafik9_testhilfe.h"
#include "plattform/shaderkompiler/d3dx9shader.h"

namespace grafik9test {
namespace {

// Direct3D 9 matches the stages by semantic alone: a pixel shader may read fewer components of a
// register than the vertex shader wrote, or more (the missing ones read as 0 and w as 1).
const char* kBreiteAusgabenVs = R"(
float4 gZiel;
void main(float2 ecke : POSITION0, float4 rechteck : TEXCOORD0, float4 farbe : TEXCOORD1, float4 tiefe : TEXCOORD2,
          out float4 pos : POSITION0, out float4 f : TEXCOORD0, out float2 uv : TEXCOORD1) {
    float2 p = rechteck.xy + ecke * rechteck.zw;
    pos = float4(p.x * gZiel.x - 1.0, 1.0 - p.y * gZiel.y, tiefe.x, 1.0);
    f = farbe;
    uv = float2(0.25, 0.5);
}
)";

const char* kSchmaleEingabenPs = R"(
void main(float2 f : TEXCOORD0, float4 uv : TEXCOORD1, out float4 farbe : COLOR0) {
    farbe = float4(f.x, uv.y, uv.z, uv.w * f.y);
}
)";

// And it links a pixel shader that reads more than the vertex shader writes: the unwritten
// inputs, wide or narrow, read zero.
const char* kUngeschriebeneEingabenPs = R"(
void main(float2 f : TEXCOORD0, float4 nie : TEXCOORD5, float2 auchNie : TEXCOORD6, out float4 farbe : COLOR0) {
    farbe = float4(f.x, 0.5, 0.0, 1.0) + nie + float4(auchNie, 0.0, 0.0);
}
)";

class MitKompiler : public Geraet {
protected:
    void SetUp() override { Oeffne(D3DFMT_A8R8G8B8); }

    Com<ID3DXBuffer> Uebersetze(const char* quelle, LPCSTR profil, ID3DXConstantTable** tabelle = nullptr) {
        ID3DXBuffer* kode = nullptr;
        ID3DXBuffer* meldungen = nullptr;
        const HRESULT h = D3DXCompileShader(quelle, UINT(std::strlen(quelle)), nullptr, nullptr, "main", profil, 0,
                                            &kode, &meldungen, tabelle);
        const Com<ID3DXBuffer> meldungenRef(meldungen);
        EXPECT_EQ(h, D3D_OK) << (meldungen ? static_cast<const char*>(meldungen->GetBufferPointer()) : "");
        return Com<ID3DXBuffer>(kode);
    }

    // The quad pipeline with the compiled pair in place of the hand-written shaders, gZiel set for
    // the back buffer.
    void BauePaar(const char* ps, ID3DXConstantTable** tabelle = nullptr) {
        const auto vsKode = Uebersetze(kBreiteAusgabenVs, "vs_3_0");
        const auto psKode = Uebersetze(ps, "ps_3_0", tabelle);
        ASSERT_TRUE(vsKode && psKode);
        BaueQuad();
        mGeraet->SetVertexShader(nullptr);
        mGeraet->SetPixelShader(nullptr);
        Loese(mVs), Loese(mPs);
        ASSERT_EQ(mGeraet->CreateVertexShader(static_cast<const DWORD*>(vsKode->GetBufferPointer()), &mVs), D3D_OK);
        ASSERT_EQ(mGeraet->CreatePixelShader(static_cast<const DWORD*>(psKode->GetBufferPointer()), &mPs), D3D_OK);
        mGeraet->SetVertexShader(mVs);
        mGeraet->SetPixelShader(mPs);
        mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    // One quad with the colour (1, 1, 0, 0) in its first texture coordinate; the pixel at (3, 2).
    uint32_t ZeichneMitte() {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(Zeichne({Quad(2, 1, 4, 2, 1.0f, 1.0f, 0.0f, 0.0f)}), D3D_OK);
        return Pixel(LiesRueckpuffer(), kBreite, 3, 2);
    }
};

TEST_F(MitKompiler, StufenPassenNurNachSemantikZusammen) {
    for (const char* ps : {kSchmaleEingabenPs, kUngeschriebeneEingabenPs}) {
        ASSERT_NO_FATAL_FAILURE(BauePaar(ps));
        ErwarteFarbe(ZeichneMitte() & 0xFFFFFF, 0xFF8000);
        LoeseQuad();
    }
}

// Int and bool constants (scalars, vectors, arrays) live in float4 registers as the engine writes
// them, and the shader computes with the integers: a loop, an index, a branch.
TEST_F(MitKompiler, GanzzahlUndBoolKonstantenAusFloatRegistern) {
    const char* ps = R"(
float gSkala;
int gAnzahl;
bool gAn;
int3 gDrei;
bool2 gZwei;
int gFeld[3];
void main(float4 f : TEXCOORD0, out float4 farbe : COLOR0) {
    int summe = 0;
    for (int k = 0; k < gAnzahl; ++k)
        summe += gFeld[k];
    farbe = float4(summe * gSkala, gAn && gZwei.y ? 1.0 : 0.0, gDrei.z * 0.25, gFeld[gAnzahl] * 0.2);
}
)";
    ID3DXConstantTable* roh = nullptr;
    ASSERT_NO_FATAL_FAILURE(BauePaar(ps, &roh));
    const Com<ID3DXConstantTable> tabelle(roh);
    const struct {
        const char* name;
        D3DXPARAMETER_TYPE typ;
        UINT register_, anzahl;
    } konstanten[] = {{"gSkala", D3DXPT_FLOAT, 0, 1}, {"gAnzahl", D3DXPT_INT, 1, 1}, {"gAn", D3DXPT_BOOL, 2, 1},
                      {"gDrei", D3DXPT_INT, 3, 1},    {"gZwei", D3DXPT_BOOL, 4, 1},  {"gFeld", D3DXPT_INT, 5, 3}};
    for (const auto& k : konstanten) {
        D3DXCONSTANT_DESC d{};
        UINT n = 1;
        ASSERT_EQ(tabelle->GetConstantDesc(tabelle->GetConstantByName(nullptr, k.name), &d, &n), D3D_OK) << k.name;
        EXPECT_EQ(std::tuple(d.Type, d.RegisterSet, d.RegisterIndex, d.RegisterCount),
                  std::tuple(k.typ, D3DXRS_FLOAT4, k.register_, k.anzahl))
            << k.name;
    }
    const struct {
        float an, zwei;
        uint32_t farbe;
    } faelle[] = {{1, 1, 0xCC80FF40}, {0, 1, 0xCC800040}, {1, 0, 0xCC800040}};
    for (const auto& fall : faelle) {
        // Two of the three elements: 1 + 3 = 4 times 1/8 is red 0x80; element 2 (4) gives alpha 0.8.
        const float werte[9][4] = {{0.125f}, {2}, {fall.an}, {0, 0, 1}, {0, fall.zwei}, {1}, {3}, {4}};
        mGeraet->SetPixelShaderConstantF(0, &werte[0][0], 8);
        ErwarteFarbe(ZeichneMitte(), fall.farbe);
    }
}

} // namespace
} // namespace grafik9test
