// The whole road the engine takes: HLSL through the D3DX9 compiler, its code into the device,
// constants and samplers by the registers of its constant table, then pixels.

#include "grafik9_testhilfe.h"
#include "plattform/shaderkompiler/d3dx9shader.h"

namespace grafik9test {
namespace {

const char* kSpriteVs = R"(
float4 gZiel;
void main(float2 ecke : POSITION0, float4 rechteck : TEXCOORD0, float4 farbe : TEXCOORD1, float4 tiefe : TEXCOORD2,
          out float4 pos : POSITION0, out float4 f : TEXCOORD0, out float2 uv : TEXCOORD1) {
    float2 p = rechteck.xy + ecke * rechteck.zw;
    pos = float4(p.x * gZiel.x - 1.0, 1.0 - p.y * gZiel.y, tiefe.x, 1.0);
    f = farbe;
    uv = ecke;
}
)";

const char* kSpritePs = R"(
float4 gUnbenutzt;
sampler2D gBild;
float4x4 gMatrix;
float4 gTint;
void main(float4 f : TEXCOORD0, float2 uv : TEXCOORD1, out float4 farbe : COLOR0) {
    farbe = uv.x < 0.5 ? tex2D(gBild, uv) * gTint : mul(float4(0.1, 0.2, 0.3, 0.4), gMatrix);
}
)";

class MitKompiler : public Geraet {
protected:
    void SetUp() override { Oeffne(D3DFMT_A8R8G8B8); }

    using Tabelle = Com<ID3DXConstantTable>;
    Com<ID3DXBuffer> Uebersetze(const char* quelle, LPCSTR profil, Tabelle* tabelle = nullptr) {
        ID3DXBuffer* kode = nullptr;
        ID3DXBuffer* meldungen = nullptr;
        ID3DXConstantTable* t = nullptr;
        const HRESULT h = D3DXCompileShader(quelle, UINT(std::strlen(quelle)), nullptr, nullptr, "main",
                                            profil, 0, &kode, &meldungen, tabelle ? &t : nullptr);
        const Com<ID3DXBuffer> meldungenRef(meldungen);
        EXPECT_EQ(h, D3D_OK) << (meldungen ? static_cast<const char*>(meldungen->GetBufferPointer()) : "");
        if (tabelle != nullptr) {
            tabelle->reset(t);
        }
        EXPECT_NE(kode, nullptr);
        return Com<ID3DXBuffer>(kode);
    }

    // The quad pipeline with the compiler's shaders in place of the hand-written ones.
    void TauscheShader(const Com<ID3DXBuffer>& vsKode, const Com<ID3DXBuffer>& psKode) {
        mGeraet->SetVertexShader(nullptr);
        mGeraet->SetPixelShader(nullptr);
        mVs->Release();
        mPs->Release();
        ASSERT_EQ(mGeraet->CreateVertexShader(static_cast<const DWORD*>(vsKode->GetBufferPointer()), &mVs),
                  D3D_OK);
        ASSERT_EQ(mGeraet->CreatePixelShader(static_cast<const DWORD*>(psKode->GetBufferPointer()), &mPs),
                  D3D_OK);
        mGeraet->SetVertexShader(mVs);
        mGeraet->SetPixelShader(mPs);
    }

    // The quad pipeline with the compiled pair, the vertex shader's gZiel set for the back buffer.
    void BauePaar(const Com<ID3DXBuffer>& vsKode, const Com<ID3DXBuffer>& psKode) {
        BaueQuad();
        ASSERT_NO_FATAL_FAILURE(TauscheShader(vsKode, psKode));
        const float ziel[4] = {2.0f / kBreite, 2.0f / kHoehe, 0, 0};
        mGeraet->SetVertexShaderConstantF(0, ziel, 1);
        mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    // One quad with the colour (1, 1, 0, 0) in its first texture coordinate; the pixel at (3, 2).
    uint32_t ZeichneMitte() {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        EXPECT_EQ(Zeichne({Quad(2, 1, 4, 2, 1.0f, 1.0f, 0.0f, 0.0f)}), D3D_OK);
        return Pixel(LiesRueckpuffer(), kBreite, 3, 2);
    }

    static UINT Register(const Tabelle& tabelle, const char* name) {
        D3DXCONSTANT_DESC beschreibung{};
        UINT anzahl = 1;
        const D3DXHANDLE h = tabelle->GetConstantByName(nullptr, name);
        if (h == nullptr || FAILED(tabelle->GetConstantDesc(h, &beschreibung, &anzahl))) {
            return ~0u;
        }
        return beschreibung.RegisterIndex;
    }
};

TEST_F(MitKompiler, HlslZeichnetUeberDieKonstantentabelle) {
    Tabelle vsTabelle, psTabelle;
    const auto vsKode = Uebersetze(kSpriteVs, D3DXGetVertexShaderProfile(mGeraet), &vsTabelle);
    const auto psKode = Uebersetze(kSpritePs, D3DXGetPixelShaderProfile(mGeraet), &psTabelle);
    ASSERT_TRUE(vsKode && psKode);

    BaueQuad();
    ASSERT_NO_FATAL_FAILURE(TauscheShader(vsKode, psKode));

    EXPECT_EQ(Register(psTabelle, "gUnbenutzt"), ~0u);
    const float ziel[4] = {2.0f / kBreite, 2.0f / kHoehe, 0, 0};
    ASSERT_NE(Register(vsTabelle, "gZiel"), ~0u);
    mGeraet->SetVertexShaderConstantF(Register(vsTabelle, "gZiel"), ziel, 1);
    const float tint[4] = {1, 0.5f, 1, 1};
    ASSERT_NE(Register(psTabelle, "gTint"), ~0u);
    mGeraet->SetPixelShaderConstantF(Register(psTabelle, "gTint"), tint, 1);
    // Column-major: register k is column k, so the result's component k is dot(v, register k).
    const float matrix[16] = {1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0};
    ASSERT_NE(Register(psTabelle, "gMatrix"), ~0u);
    mGeraet->SetPixelShaderConstantF(Register(psTabelle, "gMatrix"), matrix, 4);

    const auto t = Textur(2, 2, 1, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(t.get(), 0, 2, 2, 0xFFFFFFFF);
    mGeraet->SetTexture(Register(psTabelle, "gBild"), t.get());

    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(Zeichne({Quad(2.5f, 1, 4, 2, 0, 0, 0)}), D3D_OK);
    const auto bild = LiesRueckpuffer();
    // The half-pixel convention holds for compiled shaders too: x from 2.5 covers 3..6.
    EXPECT_EQ(Pixel(bild, kBreite, 2, 1), 0u);
    EXPECT_EQ(Pixel(bild, kBreite, 3, 1), 0xFFFF80FFu);
    const uint32_t rechts = Pixel(bild, kBreite, 6, 2);
    for (const auto& [kanal, wert] : {std::pair{16, 26}, {8, 102}, {0, 51}, {24, 77}}) {
        EXPECT_NEAR(int((rechts >> kanal) & 0xFF), wert, 1) << kanal;
    }
    EXPECT_EQ(Pixel(bild, kBreite, 7, 2), 0u);

    mGeraet->SetTexture(0, nullptr);
}

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

TEST_F(MitKompiler, StufenPassenNurNachSemantikZusammen) {
    for (const char* ps : {kSchmaleEingabenPs, kUngeschriebeneEingabenPs}) {
        const auto vsKode = Uebersetze(kBreiteAusgabenVs, "vs_3_0");
        const auto psKode = Uebersetze(ps, "ps_3_0");
        ASSERT_TRUE(vsKode && psKode);
        ASSERT_NO_FATAL_FAILURE(BauePaar(vsKode, psKode));
        const uint32_t farbe = ZeichneMitte();
        EXPECT_EQ(farbe >> 16 & 0xFF, 0xFFu) << ps;
        EXPECT_NEAR(int(farbe >> 8 & 0xFF), 128, 1) << ps;
        EXPECT_EQ(farbe & 0xFF, 0u) << ps;
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
    Tabelle tabelle;
    const auto vsKode = Uebersetze(kBreiteAusgabenVs, "vs_3_0");
    const auto psKode = Uebersetze(ps, "ps_3_0", &tabelle);
    ASSERT_TRUE(vsKode && psKode);
    const struct {
        const char* name;
        D3DXPARAMETER_TYPE typ;
        UINT register_;
        UINT anzahl;
    } konstanten[] = {{"gSkala", D3DXPT_FLOAT, 0, 1}, {"gAnzahl", D3DXPT_INT, 1, 1},
                      {"gAn", D3DXPT_BOOL, 2, 1},     {"gDrei", D3DXPT_INT, 3, 1},
                      {"gZwei", D3DXPT_BOOL, 4, 1},   {"gFeld", D3DXPT_INT, 5, 3}};
    for (const auto& k : konstanten) {
        D3DXCONSTANT_DESC d{};
        UINT n = 1;
        ASSERT_EQ(tabelle->GetConstantDesc(tabelle->GetConstantByName(nullptr, k.name), &d, &n), D3D_OK)
            << k.name;
        EXPECT_EQ(d.Type, k.typ) << k.name;
        EXPECT_EQ(d.RegisterSet, D3DXRS_FLOAT4) << k.name;
        EXPECT_EQ(d.RegisterIndex, k.register_) << k.name;
        EXPECT_EQ(d.RegisterCount, k.anzahl) << k.name;
    }

    ASSERT_NO_FATAL_FAILURE(BauePaar(vsKode, psKode));
    const struct {
        float an, zwei;
        uint32_t farbe;
    } faelle[] = {{1, 1, 0xCC80FF40}, {0, 1, 0xCC800040}, {1, 0, 0xCC800040}};
    for (const auto& fall : faelle) {
        // Two of the three elements: 1 + 3 = 4 times 1/8 is red 0x80; element 2 (4) gives alpha 0.8.
        const float werte[9][4] = {{0.125f}, {2}, {fall.an}, {0, 0, 1}, {0, fall.zwei}, {1}, {3}, {4}};
        mGeraet->SetPixelShaderConstantF(0, &werte[0][0], 8);
        const uint32_t farbe = ZeichneMitte();
        for (int kanal = 0; kanal < 32; kanal += 8) {
            EXPECT_NEAR(int(farbe >> kanal & 0xFF), int(fall.farbe >> kanal & 0xFF), 1) << std::hex << farbe;
        }
    }
}

} // namespace
} // namespace grafik9test
