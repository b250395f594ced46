// The drawing context and its back end: the binding cache, the render area, program handles,
// the draw, constant banks with dirty ranges, the scene, the forgotten bindings of freed objects,
// a quad drawn and read back, and the device values of the state objects.

#include "render_testhilfe.h"

#include "velmklassen/render/velm_zustaende.h"

#include <cstring>
#include <tuple>
#include <vector>

namespace {

using rendertest::Kontext;
using rendertest::Quad;

class ZeichenKontext : public Kontext {
protected:
    Velm_AlphaZustand* Blend(uint32_t quelle, uint32_t ziel) {
        return Behalte(K().ErzeugeAlphaZustand(Velm_AlphaZustandBeschreibung(quelle, ziel)));
    }
    static constexpr float ecken[8] = {0, 0, 1, 0, 1, 1, 0, 1};
};

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
    const Velm_Programm& p = *NeuesQuad(vs, ps).programm;
    // Vertex register in the low 12 bits, pixel register above; 0xFFF where a stage lacks the name.
    EXPECT_EQ(p.GetKonstante("nurVertex") >> 12, 0xFFFu);
    EXPECT_NE(p.GetKonstante("nurVertex") & 0xFFF, 0xFFFu);
    for (const auto& [name, wert] :
         {std::pair{"nurPixel", 0xFFFu}, {"beide", 0x1001u}, {"keiner", 0xFFFFFFu}}) {
        EXPECT_EQ(p.GetKonstante(name), wert) << name;
    }
    for (const auto& [name, wert] :
         {std::pair{"a", 0xFF00u}, {"b", 0xFF01u}, {"hoehe", 0xFFu}, {"keiner", 0xFFFFu}}) {
        EXPECT_EQ(p.GetSampler(name), wert) << name;
    }

    // The unused name binds nothing.
    Velm_Sampler* sampler = Behalte(K().ErzeugeSampler(Velm_SamplerBeschreibung{}));
    Velm_Textur* textur = Textur(4, 4, FLAG_DYNAMISCH);
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
}

TEST_F(ZeichenKontext, ZeichnenMitEckenzahlKonstantenbereichenUndEinerSzene) {
    NeuesQuad().Binde(K());
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
    Velm_VertexEingabe* eingabe = Behalte(K().ErzeugeVertexEingabe());
    eingabe->AddKanal(0, Velm_VertexFloat2, 0, false);
    eingabe->AddKanal(0, Velm_VertexFloat4, 8, false);
    eingabe->AddKanal(1, Velm_VertexFloat4, 0, true);
    eingabe->Beenden();
    Quad& quad = NeuesQuad(vs, ps);
    K().SetProgramm(Behalte(K().ErzeugeProgramm(eingabe, quad.vertexShader, quad.pixelShader)));
    const float rechtecke[8] = {-1, 1, 1, -1, 0, 0, 1, -1}, ecken[24] = {};
    K().SetVertexBuffer(0, VertexPuffer(ecken, sizeof ecken));
    K().SetVertexBuffer(1, VertexPuffer(rechtecke, sizeof rechtecke, FLAG_DYNAMISCH));
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
    for (const auto& fall : faelle) {
        Leere(fall.farbe);
        LiesZurueck();
        EXPECT_EQ(P(7, 5), fall.argb) << std::hex << P(7, 5);
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
    Velm_AlphaZustand* b = Blend(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha);
    Z().Null();
    K().SetAlphaZustand(b);
    EXPECT_EQ(K().mAlphaZustand, b);
    EXPECT_EQ(Z().mRenderZustaende[D3DRS_SRCBLEND], 1);

    Velm_VertexBuffer* alt = VertexPuffer(ecken, sizeof ecken);
    K().SetVertexBuffer(0, alt);
    mBehalten.pop_back();
    K().GibObjektFrei(alt);
    EXPECT_NE(K().mKanaele[0].mPuffer, alt);
    Velm_VertexBuffer* neu = VertexPuffer(ecken, sizeof ecken);
    Z().Null();
    K().SetVertexBuffer(0, neu);
    EXPECT_EQ(Z().Zahl("SetStreamSource"), 1);
}


// The whole road through the engine: a textured, blended quad drawn into the back buffer and read back.
TEST_F(ZeichenKontext, TexturiertesGeblendetesQuadLandetImRueckpuffer) {
    Quad& quad = NeuesQuad();
    // 2 x 2 texels: opaque red, half-transparent green, transparent white, opaque black.
    Velm_Bild bild(2, 2, Velm_FormatA8R8G8B8, 1);
    const uint32_t texel[4] = {0xFFFF0000, 0x8000FF00, 0x00FFFFFF, 0xFF000000};
    std::memcpy(bild.mDaten, texel, 8);
    std::memcpy(bild.mDaten + bild.mPitch, texel + 2, 8);
    Velm_TexturInhalt inhalt(bild.LockMipStufen());
    Velm_Textur* textur = Behalte(K().ErzeugeTextur(0, 0, 1, Velm_FormatA8R8G8B8, inhalt));
    ASSERT_EQ(textur->mZustand, Velm_ObjektResident);
    EXPECT_EQ(inhalt.mStufen[0].mDaten, nullptr); // taken over
    Velm_AlphaZustand* blend = Blend(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha);

    Leere({0, 0, 1, 1});
    quad.Binde(K());
    K().SetSampler(quad.programm->GetSampler("bild"), Behalte(K().ErzeugeSampler(Velm_SamplerBeschreibung{})),
                   textur);
    K().SetProgrammKonstante(quad.programm->GetKonstante("ziel"), -1, 1, 2, -2);
    K().SetProgrammKonstante(quad.programm->GetKonstante("farbe"), 1, 1, 1, 1);
    // Every pixel is covered, the edges as well. Blending off (the back buffer has no alpha: it reads
    // 0xFF) and on again: the factors the back end skipped while it was off still hold.
    using Punkt = std::tuple<uint64_t, uint64_t, uint32_t>;
    const struct {
        Velm_AlphaZustand* blend;
        bool leeren;
        std::vector<Punkt> soll;
    } schritte[] = {{blend, false, {{10, 5, 0xFFFF0000}, {50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF},
                                    {50, 25, 0xFF000000}, {0, 0, 0xFFFF0000}, {63, 31, 0xFF000000}}},
                    {nullptr, false, {{10, 25, 0xFFFFFFFF}}},
                    {blend, true, {{50, 5, 0xFF00807F}, {10, 25, 0xFF0000FF}}}};
    for (const auto& schritt : schritte) {
        if (schritt.leeren) {
            K().Leeren(1, TAlphaFarbe{0, 0, 1, 1});
        }
        K().SetAlphaZustand(schritt.blend);
        K().ZeichneIndexElemente();
        LiesZurueck();
        for (const auto& [x, y, farbe] : schritt.soll) {
            EXPECT_TRUE(rendertest::Nahe(P(x, y), farbe)) << x << "," << y << ": " << std::hex << P(x, y);
        }
    }
    EXPECT_EQ(mBrueche.Anzahl(), 0);
    K().Praesentieren();
}


using Werte = std::vector<uint32_t>;

// Blend, depth and sampler state objects: the Direct3D 9 values made from their descriptions.
// Enable, op, source, destination, then the same for alpha (with its enable first), and the mask.
Werte BlendWerte(const Velm_AlphaZustand& a) {
    return {a.mAlphaBlendEnable,         a.mBlendOp,      a.mSrcBlend,      a.mDestBlend,
            a.mSeparateAlphaBlendEnable, a.mBlendOpAlpha, a.mSrcBlendAlpha, a.mDestBlendAlpha,
            a.mColorWriteEnable};
}

TEST(Zustaende, AlphaZustaende) {
    const Velm_AlphaZustand a(Velm_AlphaZustandBeschreibung(Velm_BlendQuellAlpha, Velm_BlendInvQuellAlpha));
    EXPECT_EQ(BlendWerte(a), Werte({1, D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0, D3DBLENDOP_ADD,
                               D3DBLEND_ONE, D3DBLEND_ZERO, 15}));
    EXPECT_EQ(a.mZustand, Velm_ObjektResident);
    EXPECT_FALSE(a.BelegtVideoRAM());
    for (int i = 1; i < 8; ++i) {
        EXPECT_FALSE(a.mBeschreibung.mZiele[i].mAn);
    }
    EXPECT_EQ(BlendWerte(Velm_AlphaZustand{Velm_AlphaZustandBeschreibung()}),
              Werte({0, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DBLENDOP_ADD, D3DBLEND_ONE,
                     D3DBLEND_ZERO, 15}));
    Velm_AlphaZustandBeschreibung b(Velm_BlendEins, Velm_BlendEins);
    b.mZiele[0].mAlphaQuelle = Velm_BlendNull;
    b.mZiele[0].mAlphaOp = Velm_BlendMaximum;
    EXPECT_EQ(BlendWerte(Velm_AlphaZustand(b)), Werte({1, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE, 1,
                                                  D3DBLENDOP_MAX, D3DBLEND_ZERO, D3DBLEND_ONE, 15}));
}

TEST(Zustaende, TiefeVergleiche) {
    // Compare functions out of range are ALWAYS.
    for (const auto& [vergleich, d3d] : {std::pair{9, D3DCMP_ALWAYS}, {-1, D3DCMP_ALWAYS},
                                         {2, D3DCMP_LESSEQUAL}, {5, D3DCMP_GREATEREQUAL},
                                         {0, D3DCMP_NEVER}}) {
        EXPECT_EQ(Velm_TiefeZustand({true, false, vergleich}).mZFunc, d3d) << vergleich;
    }
    const Velm_TiefeZustand t({true, true, 0});
    EXPECT_EQ(Werte({t.mZEnable, t.mZWriteEnable}), Werte({1, 1}));
}

TEST(Zustaende, SamplerFilterAdressenRandUndMips) {
    const auto filter = [](const Velm_Sampler& s) {
        return Werte({s.mMinFilter, s.mMagFilter, s.mMipFilter, s.mAnisotrop});
    };
    Velm_SamplerBeschreibung b;
    b.mFilter = 0x11;
    EXPECT_EQ(filter(Velm_Sampler(b)), Werte({D3DTEXF_LINEAR, D3DTEXF_POINT, D3DTEXF_LINEAR, 0}));
    b.mFilter = 0x40;
    EXPECT_EQ(filter(Velm_Sampler(b)), Werte({D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, D3DTEXF_LINEAR, 1}));

    // The border colour is clamped per channel; a fractional mip limit rounds up.
    const auto adressen = [](const Velm_Sampler& s) {
        return Werte({s.mAddressU, s.mAddressV, s.mAddressW, s.mRandBenutzt, s.mBorderColor, s.mMaxMipLevel});
    };
    b.mAdressierung = 0 | 1 << 2 | 2 << 4;
    b.mRandFarbe[0] = 1.5f;
    b.mRandFarbe[1] = -0.2f;
    b.mRandFarbe[2] = 0.5f;
    b.mRandFarbe[3] = 1.0f;
    b.mMaxMipStufe = 2.25f;
    EXPECT_EQ(adressen(Velm_Sampler(b)),
              Werte({D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER, 1, 0xFFFF0080u, 3}));
    b.mMaxMipStufe = 2.0f;
    b.mAdressierung = 3;
    const Velm_Sampler t(b);
    EXPECT_EQ(Werte({t.mAddressU, t.mRandBenutzt, t.mMaxMipLevel}), Werte({D3DTADDRESS_CLAMP, 0, 2}));
}

} // namespace
