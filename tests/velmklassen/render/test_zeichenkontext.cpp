// The drawing context and its back end: the binding cache, the render area, program handles,
// the draw, constant banks with dirty ranges, the scene, and the forgotten bindings of freed objects.

#include "render_testhilfe.h"

#include "velmklassen/bild/velm_bild.h"
#include "velmklassen/render/velm_renderziel.h"
#include "velmklassen/render/velm_textur.h"
#include "velmklassen/render/velm_zustaende.h"

namespace {

using rendertest::Kontext;
using rendertest::Quad;

class ZeichenKontext : public Kontext {};

TEST_F(ZeichenKontext, ZweimalGebundenKostetEinenGeraeteaufruf) {
    Quad quad(K());
    Velm_AlphaZustand* blend =
        K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(Velm_BlendEins, Velm_BlendEins));
    Velm_Textur* textur = K().ErzeugeTextur(16, 16, 1, Velm_FormatA8R8G8B8 | FLAG_RENDERZIEL);
    Velm_Renderziel* ziel = K().ErzeugeRenderziel(Velm_RenderzielBeschreibung(textur));
    Z().Null();

    for (int i = 0; i < 2; ++i) {
        quad.Binde(K());
        K().SetAlphaZustand(blend);
        K().SetTiefeZustand(K().mStandardTiefe);
        K().SetRenderZiel(ziel);
        K().SetRueckseite();
    }
    for (const char* aufruf : {"SetVertexDeclaration", "SetVertexShader", "SetPixelShader", "SetStreamSource",
                               "SetIndices", "SetRenderTarget"}) {
        EXPECT_EQ(Z().Zahl(aufruf), 1) << aufruf;
    }
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_ALPHABLENDENABLE], 1);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_SRCBLEND], 1);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_CULLMODE], 0); // set once by the constructor
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_ZENABLE], 0);  // the default depth state is bound already

    // The back end filters again: the default blend state after it changes only what differs.
    Z().Null();
    K().SetAlphaZustand(nullptr);
    EXPECT_EQ(K().mAlphaZustand, K().mStandardAlpha);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_ALPHABLENDENABLE], 1);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_SRCBLEND], 0);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_COLORWRITEENABLE], 0);

    K().SetRenderZiel(nullptr);
    quad.GibFrei(K());
    Frei({ziel, textur, blend});
}

TEST_F(ZeichenKontext, RenderBereichWirdAmZielBeschnitten) {
    Velm_Textur* textur = K().ErzeugeTextur(640, 480, 1, Velm_FormatA8R8G8B8 | FLAG_RENDERZIEL);
    Velm_Renderziel* ziel = K().ErzeugeRenderziel(Velm_RenderzielBeschreibung(textur));
    K().SetRenderZiel(ziel);
    Z().Null();
    K().SetRenderBereich(0, 0, UINT64_MAX, UINT64_MAX);
    EXPECT_EQ(Z().Zahl("SetViewport"), 0); // already the whole target
    const auto erwarte = [&](DWORD x, DWORD y, DWORD b, DWORD h) {
        D3DVIEWPORT9 v{};
        Z().GetViewport(&v);
        EXPECT_EQ(std::vector<DWORD>({v.X, v.Y, v.Width, v.Height}), std::vector<DWORD>({x, y, b, h}));
        EXPECT_EQ(v.MaxZ, 1.0f);
    };
    K().SetRenderBereich(100, 50, 10000, 10000);
    erwarte(100, 50, 540, 430);
    K().SetRenderBereich(700, 0, 10, 10);
    erwarte(640, 0, 0, 10);
    // Binding the same target again resets the area to the whole target; the back buffer is the screen's.
    K().SetRenderZiel(ziel);
    erwarte(0, 0, 640, 480);
    K().SetRenderZiel(nullptr);
    erwarte(0, 0, 64, 32);
    Frei({ziel, textur});
}

TEST_F(ZeichenKontext, KonstantenUndSamplerNachNamen) {
    const char* vs = R"(
float4 ziel;
float4 beide;
float4 nurVertex;
DEF_SAMPLER_2D( hoehe);
$rein float2 ecke;
$raus float4 pos;
$raus float2 uv;
$main() {
    pos = float4( ziel.xy + ecke * ziel.zw + beide.xy + nurVertex.xy, SAMPLE_2D_LOD( hoehe, ecke, 0).x, 1);
    uv = ecke;
}
)";
    const char* ps = R"(
float4 nurPixel;
float4 beide;
DEF_SAMPLER_2D( a);
DEF_SAMPLER_2D( b);
$rein float2 uv;
$raus float4 farbe;
$main() { farbe = SAMPLE_2D( b, uv) + SAMPLE_2D( a, uv) * nurPixel + beide; }
)";
    Quad quad(K(), vs, ps);
    const Velm_Programm& p = *quad.programm;
    EXPECT_EQ(p.GetKonstante("nurVertex") >> 12, 0xFFFu);
    EXPECT_NE(p.GetKonstante("nurVertex") & 0xFFF, 0xFFFu);
    EXPECT_EQ(p.GetKonstante("nurPixel") & 0xFFF, 0xFFFu);
    EXPECT_EQ(p.GetKonstante("nurPixel") >> 12, 0u);
    EXPECT_EQ(p.GetKonstante("beide") & 0xFFF, 1u);
    EXPECT_EQ(p.GetKonstante("beide") >> 12, 1u);
    EXPECT_EQ(p.GetKonstante("keiner"), 0xFFFFFFu);

    EXPECT_EQ(p.GetSampler("a"), 0xFF00u);
    EXPECT_EQ(p.GetSampler("b"), 0xFF01u);
    EXPECT_EQ(p.GetSampler("hoehe"), 0x00FFu);
    EXPECT_EQ(p.GetSampler("keiner"), 0xFFFFu);

    // The unused name binds nothing.
    Velm_Sampler* sampler = K().ErzeugeSampler(Velm_SamplerBeschreibung{});
    Velm_Textur* textur = K().ErzeugeTextur(4, 4, 1, Velm_FormatA8R8G8B8 | FLAG_DYNAMISCH);
    Z().Null();
    K().SetSampler(p.GetSampler("keiner"), sampler, textur);
    EXPECT_EQ(Z().Zahl("SetTexture"), 0);
    EXPECT_EQ(Z().Zahl("SetSamplerState"), 0);
    // A used one sets the texture and the states once; again, nothing.
    K().SetSampler(p.GetSampler("a"), sampler, textur);
    EXPECT_EQ(Z().Zahl("SetTexture"), 1);
    EXPECT_EQ(Z().Zahl("SetSamplerState"), 6); // address u, v; three filters; max mip level
    K().SetSampler(p.GetSampler("a"), sampler, textur);
    EXPECT_EQ(Z().Zahl("SetTexture"), 1);
    EXPECT_EQ(Z().Zahl("SetSamplerState"), 6);

    quad.GibFrei(K());
    Frei({sampler, textur});
}

TEST_F(ZeichenKontext, ZeichnenMitEckenzahlKonstantenbereichenUndEinerSzene) {
    Quad quad(K());
    quad.Binde(K());
    Z().Null();

    // The vertex count is the channel-0 buffer's size over the program's stride: 32 / 8.
    constexpr uint32_t kNurVertex = 0xFFF << 12;
    K().SetProgrammKonstante(3 | kNurVertex, 1, 2, 3, 4);
    K().SetProgrammKonstante(10 | kNurVertex, 5, 6, 7, 8);
    K().ZeichneIndexElemente();
    ASSERT_EQ(Z().mZeichnungen.size(), 1u);
    EXPECT_EQ(Z().mZeichnungen[0], 4u);
    ASSERT_EQ(Z().mKonstanten.size(), 1u);
    EXPECT_FALSE(Z().mKonstanten[0].pixel);
    EXPECT_EQ(Z().mKonstanten[0].start, 3u);
    EXPECT_EQ(Z().mKonstanten[0].anzahl, 8u);
    EXPECT_EQ(K().Impl().mKonstanten[10][3], 8.0f);

    // No new constants: nothing uploaded. The scene is begun once.
    K().ZeichneIndexElemente();
    EXPECT_EQ(Z().mKonstanten.size(), 1u);
    EXPECT_EQ(Z().Zahl("BeginScene"), 1);

    // Vertex register 0xFFF and pixel register 5: only the pixel bank.
    K().SetProgrammKonstante3(0xFFF | 5 << 12, 1, 1, 1);
    K().ZeichneIndexElemente();
    ASSERT_EQ(Z().mKonstanten.size(), 2u);
    EXPECT_TRUE(Z().mKonstanten[1].pixel);
    EXPECT_EQ(Z().mKonstanten[1].start, 5u);
    EXPECT_EQ(Z().mKonstanten[1].anzahl, 1u);
    EXPECT_EQ(K().Impl().mKonstanten[256 + 5][3], 1.0f);

    // Vertex register 300 is reported and nothing is written.
    K().SetProgrammKonstante(300 | 0xFFF << 12, 9, 9, 9, 9);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    K().ZeichneIndexElemente();
    EXPECT_EQ(Z().mKonstanten.size(), 2u);

    // Presenting ends the scene; the next frame begins a new one.
    K().Praesentieren();
    EXPECT_EQ(Z().Zahl("EndScene"), 1);
    K().ZeichneIndexInstanzen(3);
    EXPECT_EQ(Z().Zahl("BeginScene"), 2);
    quad.GibFrei(K());
}

// Channel 0 holds two elements (stride 24), channel 1 one instanced element.
TEST_F(ZeichenKontext, InstanzenSetzenDieStromfrequenzenEckenzahlNachSchritt) {
    const char* vs = R"(
$rein float2 ecke;
$rein float4 farbe;
$rein float4 rechteck;
$raus float4 pos;
$main() { pos = float4( rechteck.xy + ecke * rechteck.zw + farbe.xy, 0.5, 1); }
)";
    const char* ps = R"(
$raus float4 farbe;
$main() { farbe = float4( 1, 1, 1, 1); }
)";
    Velm_VertexEingabe* eingabe = K().ErzeugeVertexEingabe();
    eingabe->AddKanal(0, Velm_VertexFloat2, 0, false);
    eingabe->AddKanal(0, Velm_VertexFloat4, 8, false);
    eingabe->AddKanal(1, Velm_VertexFloat4, 0, true);
    eingabe->Beenden();
    Quad quad(K(), vs, ps);
    Velm_Programm* programm = K().ErzeugeProgramm(eingabe, quad.vertexShader, quad.pixelShader);
    float rechtecke[8] = {-1, 1, 1, -1, 0, 0, 1, -1};
    Velm_Initialdaten d{rechtecke, sizeof rechtecke, 0};
    Velm_VertexBuffer* instanzen = K().ErzeugeVertexBuffer(0, FLAG_DYNAMISCH, d);
    float ecken[24] = {};
    Velm_Initialdaten e{ecken, sizeof ecken, 0};
    Velm_VertexBuffer* puffer = K().ErzeugeVertexBuffer(0, 0, e);
    K().SetProgramm(programm);
    K().SetVertexBuffer(0, puffer);
    K().SetVertexBuffer(1, instanzen);
    K().SetIndexBuffer(quad.indizes);
    Z().Null();

    K().ZeichneIndexInstanzen(2);
    ASSERT_EQ(Z().mFrequenzen.size(), 2u);
    EXPECT_EQ(Z().mFrequenzen[0], std::make_pair(0u, 0x40000002u));
    EXPECT_EQ(Z().mFrequenzen[1], std::make_pair(1u, 0x80000001u));
    K().ZeichneIndexInstanzen(2);
    EXPECT_EQ(Z().mFrequenzen.size(), 2u);
    K().ZeichneIndexElemente();
    EXPECT_EQ(Z().mFrequenzen.size(), 4u);
    EXPECT_EQ(Z().mFrequenzen[3], std::make_pair(1u, 1u));
    // The vertex count is the channel-0 buffer's size over the stride: 96 / 24.
    EXPECT_EQ(Z().mZeichnungen, std::vector<UINT>({4, 4, 4}));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    Frei({programm, eingabe, instanzen, puffer});
    quad.GibFrei(K());
}

TEST_F(ZeichenKontext, LeerenPacktDieFarbe) {
    K().Leeren(1, TAlphaFarbe{1, 0.5f, 0, 1});
    EXPECT_EQ(Z().mLetzteFarbe, 0xFFFF8000u);
    // Components outside 0..1 stay in their own byte.
    K().Leeren(1, TAlphaFarbe{1.5f, -0.2f, 0.5f, 2});
    EXPECT_EQ(Z().mLetzteFarbe, 0xFFFF0080u);
}

// A screen in a 16-bit mode gets an R5G6B5 back buffer; a screenshot still reads its colours.
TEST_F(ZeichenKontext, SechzehnBitRueckpufferFuerDasBildschirmfoto) {
    Velm_Screen3D::mDarstellung.mFormat = 1;
    ASSERT_TRUE(K().Zuruecksetzen());
    const struct {
        TAlphaFarbe farbe;
        uint32_t argb;
    } faelle[] = {{{1, 0, 0, 1}, 0xFFFF0000}, {{0, 1, 0, 1}, 0xFF00FF00}, {{0, 0, 1, 1}, 0xFF0000FF},
                  {{1, 1, 0, 1}, 0xFFFFFF00}, {{0, 0, 0, 1}, 0xFF000000}};
    Velm_Bild bild(kBreite, kHoehe, Velm_FormatA8R8G8B8, 1);
    for (const auto& fall : faelle) {
        K().Leeren(1, fall.farbe);
        K().LiesBildschirmInhalt(bild);
        EXPECT_EQ(rendertest::Pixel(bild, 7, 5), fall.argb) << std::hex << rendertest::Pixel(bild, 7, 5);
    }
    Velm_Screen3D::mDarstellung.mFormat = 0;
}

TEST_F(ZeichenKontext, UngueltigerKanalUndZeichnenOhneProgrammWerdenGemeldet) {
    K().SetVertexBuffer(4, nullptr);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    EXPECT_EQ(Z().Zahl("SetStreamSource"), 0);
    K().ZeichneIndexElemente();
    EXPECT_EQ(mBrueche.Anzahl(), 2);
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 0);
}

// A freed object's address may come back for a new one; the cache must not take it for bound.
TEST_F(ZeichenKontext, FreigegebeneObjekteVerlassenDenCache) {
    Velm_AlphaZustand* a =
        K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(Velm_BlendEins, Velm_BlendEins));
    K().SetAlphaZustand(a);
    K().GibObjektFrei(a);
    EXPECT_NE(K().mAlphaZustand, a);
    Velm_AlphaZustand* b =
        K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));
    Z().Null();
    K().SetAlphaZustand(b);
    EXPECT_EQ(K().mAlphaZustand, b);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_SRCBLEND], 1);

    Quad quad(K());
    quad.Binde(K());
    K().GibObjektFrei(quad.ecken);
    EXPECT_NE(K().mKanaele[0].mPuffer, quad.ecken);
    float ecken[] = {0, 0, 1, 0, 1, 1, 0, 1};
    Velm_Initialdaten d{ecken, sizeof ecken, 0};
    quad.ecken = K().ErzeugeVertexBuffer(0, 0, d);
    Z().Null();
    K().SetVertexBuffer(0, quad.ecken);
    EXPECT_EQ(Z().Zahl("SetStreamSource"), 1);

    quad.GibFrei(K());
    Frei({b});
}

} // namespace
