// The drawing context and its back end: the binding cache, the render area, program handles,
// the draw, constant banks with dirty ranges, the scene, the forgotten bindings of freed objects,
// and a quad drawn and read back.

#include "testhilfe.h"

#include <cstring>
#include <map>
#include <tuple>
#include <vector>

namespace {

using rendertest::Quad;
using ZeichenKontext = rendertest::Kontext;

TEST_F(ZeichenKontext, ZweimalGebundenKostetEinenGeraeteaufruf) {
    Quad& quad = NeuesQuad();
    Velm_AlphaZustand* blend = Blend(Velm_BlendEins, Velm_BlendEins);
    Velm_Renderziel* ziel = Ziel(16, 16);
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
    // Each blend state once; culling was set by the constructor, the default depth state is bound.
    using Zustaende = std::map<DWORD, int>;
    EXPECT_EQ(Z().mRenderZustaende, (Zustaende{{D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_SRCBLEND, 1},
                                               {D3DRS_DESTBLEND, 1}, {D3DRS_BLENDOP, 1},
                                               {D3DRS_SEPARATEALPHABLENDENABLE, 1}}));

    // The back end filters again: the default blend state after it changes only what differs.
    Z().Null();
    K().SetAlphaZustand(nullptr);
    EXPECT_EQ(Z().mRenderZustaende, (Zustaende{{D3DRS_ALPHABLENDENABLE, 1}}));
}

TEST_F(ZeichenKontext, RenderBereichWirdAmZielBeschnitten) {
    Velm_Renderziel* ziel = Ziel(640, 480);
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
}

TEST_F(ZeichenKontext, KonstantenUndSamplerNachNamen) {
    const char* vs = R"(
float4 beide;
float4 nurVertex;
DEF_SAMPLER_2D( hoehe);
$rein float2 ecke;
$raus float4 pos;
$main() { pos = beide + nurVertex + SAMPLE_2D_LOD( hoehe, ecke, 0); }
)";
    const char* ps = R"(
float4 nurPixel;
float4 beide;
DEF_SAMPLER_2D( a);
DEF_SAMPLER_2D( b);
$raus float4 farbe;
$main() { farbe = SAMPLE_2D( b, nurPixel.xy) + SAMPLE_2D( a, beide.xy); }
)";
    const Velm_Programm& p = *NeuesQuad(vs, ps).programm;
    // Constants: vertex register in the low 12 bits, pixel register above, 0xFFF where a stage
    // lacks the name. Samplers: vertex unit in the low byte, pixel unit above, 0xFF where missing.
    for (const auto& [name, sampler, wert] :
         {std::tuple{"nurVertex", false, 0xFFF001u}, {"nurPixel", false, 0xFFFu}, {"beide", false, 0x1000u},
          {"keiner", false, 0xFFFFFFu}, {"a", true, 0xFF00u}, {"b", true, 0xFF01u}, {"hoehe", true, 0xFFu},
          {"keiner", true, 0xFFFFu}}) {
        EXPECT_EQ(sampler ? p.GetSampler(name) : p.GetKonstante(name), wert) << name;
    }
    // The unused name binds nothing; a used one sets the texture and its six states once.
    Velm_Sampler* sampler = Behalte(K().ErzeugeSampler(Velm_SamplerBeschreibung{}));
    Velm_Textur* textur = Textur(4, 4, FLAG_DYNAMISCH);
    Z().Null();
    for (const char* name : {"keiner", "a", "a"}) {
        K().SetSampler(p.GetSampler(name), sampler, textur);
    }
    EXPECT_EQ(Z().Zahl("SetTexture"), 1);
    EXPECT_EQ(Z().Zahl("SetSamplerState"), 6); // address u, v; three filters; max mip level
}

TEST_F(ZeichenKontext, ZeichnenMitEckenzahlKonstantenbereichenUndEinerSzene) {
    // An invalid channel and a draw without a program are reported and reach no device.
    K().SetVertexBuffer(4, nullptr);
    K().ZeichneIndexElemente();
    EXPECT_EQ(mBrueche.Anzahl(), 2);
    EXPECT_EQ(Z().Zahl("SetStreamSource"), 0);
    EXPECT_EQ(Z().Zahl("DrawIndexedPrimitive"), 0);
    mBrueche.Null();

    NeuesQuad().Binde(K());
    Z().Null();
    // The dirty range of registers 3 to 10 goes up once; a draw without new constants uploads
    // nothing. Vertex register 0xFFF and pixel register 5: only the pixel bank. Vertex register
    // 300 is reported and nothing is written.
    constexpr uint32_t kNurVertex = 0xFFF << 12;
    K().SetProgrammKonstante(3 | kNurVertex, 1, 2, 3, 4);
    K().SetProgrammKonstante(10 | kNurVertex, 5, 6, 7, 8);
    K().ZeichneIndexElemente();
    K().ZeichneIndexElemente();
    K().SetProgrammKonstante3(0xFFF | 5 << 12, 1, 1, 1);
    K().SetProgrammKonstante(300 | kNurVertex, 9, 9, 9, 9);
    EXPECT_EQ(mBrueche.Anzahl(), 1);
    K().ZeichneIndexElemente();
    using Bereich = rendertest::ZaehlGeraet::Bereich;
    EXPECT_EQ(Z().mKonstanten, std::vector<Bereich>({{false, 3, 8}, {true, 5, 1}}));
    // The vertex count is the channel-0 buffer's size over the program's stride: 32 / 8.
    EXPECT_EQ(Z().mZeichnungen, std::vector<UINT>({4, 4, 4}));
    EXPECT_EQ(Z().Zahl("BeginScene"), 1);

    // Presenting ends the scene; the next frame begins a new one.
    K().Praesentieren();
    EXPECT_EQ(Z().Zahl("EndScene"), 1);
    K().ZeichneIndexInstanzen(3);
    EXPECT_EQ(Z().Zahl("BeginScene"), 2);
}

// Channel 0 holds two elements (stride 24), channel 1 one instanced element.
TEST_F(ZeichenKontext, InstanzenSetzenDieStromfrequenzenEckenzahlNachSchritt) {
    Velm_VertexEingabe* eingabe = Behalte(K().ErzeugeVertexEingabe());
    eingabe->AddKanal(0, Velm_VertexFloat2, 0, false);
    eingabe->AddKanal(0, Velm_VertexFloat4, 8, false);
    eingabe->AddKanal(1, Velm_VertexFloat4, 0, true);
    eingabe->Beenden();
    Quad& quad = NeuesQuad();
    K().SetProgramm(Behalte(K().ErzeugeProgramm(eingabe, quad.vertexShader, quad.pixelShader)));
    const float rechtecke[8] = {-1, 1, 1, -1, 0, 0, 1, -1}, ecken[24] = {};
    K().SetVertexBuffer(0, VertexPuffer(ecken, sizeof ecken));
    K().SetVertexBuffer(1, VertexPuffer(rechtecke, sizeof rechtecke, FLAG_DYNAMISCH));
    K().SetIndexBuffer(quad.indizes);
    Z().Null();

    // Set for the first instanced draw, kept for the second, back to 1 for a plain draw.
    K().ZeichneIndexInstanzen(2);
    K().ZeichneIndexInstanzen(2);
    K().ZeichneIndexElemente();
    EXPECT_EQ(Z().mFrequenzen,
              (std::vector<std::pair<UINT, UINT>>{{0, 0x40000002}, {1, 0x80000001}, {0, 1}, {1, 1}}));
    // The vertex count is the channel-0 buffer's size over the stride: 96 / 24.
    EXPECT_EQ(Z().mZeichnungen, std::vector<UINT>({4, 4, 4}));
    EXPECT_EQ(mBrueche.Anzahl(), 0);
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
    // The conversion of each channel is the image library's; here the screenshot takes it.
    for (const auto& [farbe, argb] :
         {std::pair{TAlphaFarbe{1, 1, 0, 1}, 0xFFFFFF00u}, {{0, 0, 1, 1}, 0xFF0000FFu}}) {
        Leere(farbe);
        LiesZurueck();
        EXPECT_EQ(P(7, 5), argb) << std::hex << P(7, 5);
    }
    Velm_Screen3D::mDarstellung.mFormat = 0;
}

// A freed object's address may come back for a new one; the cache must not take it for bound.
TEST_F(ZeichenKontext, FreigegebeneObjekteVerlassenDenCache) {
    Velm_AlphaZustand* a = Blend(Velm_BlendEins, Velm_BlendEins);
    mBehalten.pop_back();
    K().SetAlphaZustand(a);
    K().GibObjektFrei(a);
    EXPECT_NE(K().mAlphaZustand, a);
    Velm_AlphaZustand* b = Blend(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha);
    Z().Null();
    K().SetAlphaZustand(b);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_SRCBLEND], 1);

    const float ecken[8] = {};
    Velm_VertexBuffer* alt = VertexPuffer(ecken, sizeof ecken);
    mBehalten.pop_back();
    K().SetVertexBuffer(0, alt);
    K().GibObjektFrei(alt);
    EXPECT_NE(K().mKanaele[0].mPuffer, alt);
    Velm_VertexBuffer* neu = VertexPuffer(ecken, sizeof ecken);
    Z().Null();
    K().SetVertexBuffer(0, neu);
    EXPECT_EQ(Z().Zahl("SetStreamSource"), 1);
}

// The whole road through the engine: a textured, blended quad drawn into the back buffer and read back.
TEST_F(ZeichenKontext, TexturiertesGeblendetesQuadLandetImRueckpuffer) {
    // 2 x 2 texels: opaque red, half-transparent green, transparent white, opaque black.
    Velm_Bild bild(2, 2, Velm_FormatA8R8G8B8, 1);
    const uint32_t texel[4] = {0xFFFF0000, 0x8000FF00, 0x00FFFFFF, 0xFF000000};
    std::memcpy(bild.mDaten, texel, 8);
    std::memcpy(bild.mDaten + bild.mPitch, texel + 2, 8);
    Velm_Textur* textur = Textur(bild);
    Velm_AlphaZustand* blend = Blend(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha);
    // Every pixel is covered, the edges as well. Blending off (the back buffer has no alpha: it reads
    // 0xFF) and on again: the factors the back end skipped while it was off still hold.
    using Punkte = std::vector<std::tuple<uint64_t, uint64_t, uint32_t>>;
    const auto zeichne = [&](Velm_AlphaZustand* a, const Punkte& soll) {
        Zeige(textur, a, false);
        for (const auto& [x, y, farbe] : soll) {
            EXPECT_TRUE(rendertest::Nahe(P(x, y), farbe)) << x << "," << y << ": " << std::hex << P(x, y);
        }
    };
    Leere({0, 0, 1, 1});
    zeichne(blend, {{10, 5, 0xFFFF0000}, {50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF}, {50, 25, 0xFF000000},
                    {0, 0, 0xFFFF0000}, {63, 31, 0xFF000000}});
    zeichne(nullptr, {{10, 25, 0xFFFFFFFF}});
    Leere({0, 0, 1, 1});
    zeichne(blend, {{50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF}});
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    K().Praesentieren();
}

} // namespace
