// Pixels drawn through the layer land where Direct3D 9 puts them.

#include "plattform/shaderkompiler/shaderblob.h"
#include "testhilfe.h"

namespace grafik9test {
namespace {

using Zeichnen = Geraet;

TEST_F(Zeichnen, QuadsTreffenDieDirect3D9Pixel) {
    BaueQuad();
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    // Direct3D 9 samples pixel centres at whole coordinates: x from 1.5 to 4.5 covers the
    // centres 2, 3, 4. Plain GL (centres at .5) would colour 1, 2, 3 instead.
    ASSERT_EQ(Zeichne({Quad(1.5f, 2.5f, 3, 2, 1, 0, 0), Quad(10, 5, 4, 3, 0, 1, 0)}), D3D_OK);
    EXPECT_EQ(FindeFarbe(0xFF0000).Werte(), std::vector<int>({2, 3, 4, 4, 6}));
    // Whole coordinates: pixels 10..13 and rows 5..7, row 0 being the top.
    EXPECT_EQ(FindeFarbe(0x00FF00).Werte(), std::vector<int>({10, 5, 13, 7, 12}));

    // A plain draw: stream 0 back to frequency 1 while stream 1 keeps INSTANCEDATA, as the
    // engine leaves it. The per-vertex read of stream 1 takes instance data of 4 vertices,
    // so only the first instance record's fields are used for vertex 0.
    const std::vector<Instanz> vier(4, Quad(20, 8, 4, 4, 0, 0, 1));
    Fuelle(mInstanzen.get(), vier.data(), 4 * sizeof(Instanz));
    mGeraet->SetStreamSourceFreq(0, 1);
    ASSERT_EQ(mGeraet->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(FindeFarbe(0x0000FF).Werte(), std::vector<int>({20, 8, 23, 11, 16}));

    // A viewport moves the target's origin and cuts what lies outside it.
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    const D3DVIEWPORT9 v = {8, 4, 16, 8, 0, 1};
    ASSERT_EQ(mGeraet->SetViewport(&v), D3D_OK);
    SetzeZielGroesse(16, 8);
    Zeichne({Quad(0, 0, 2, 1, 1, 1, 1), Quad(14, 7, 10, 10, 1, 0, 0)});
    EXPECT_EQ(FindeFarbe(0xFFFFFF).Werte(), std::vector<int>({8, 4, 9, 4, 2}));
    EXPECT_EQ(FindeFarbe(0xFF0000).Werte(), std::vector<int>({22, 11, 23, 11, 2}));
}

TEST_F(Zeichnen, MischenTiefeUndSchreibmaske) {
    BaueQuad();
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000080, 1.0f, 0);
    // Depth: the nearer quad wins whatever the order; LESSEQUAL is the default.
    Zeichne({Quad(0, 0, 4, 4, 0, 1, 0, 1, 0.2f), Quad(0, 0, 4, 4, 1, 0, 0, 1, 0.6f)});
    EXPECT_EQ(LiesRueckpuffer()[0] & 0xFFFFFF, 0x00FF00u);

    // Over the blue background (0x80), source blend always ONE: premultiplied alpha as the batcher
    // draws (INVSRCALPHA); DESTALPHA reads 1 as the back buffer has no alpha; the reverse
    // subtraction; then blending off and only red and alpha written.
    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    mGeraet->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    const struct {
        DWORD mischen, ziel, op, maske;
        Instanz quad;
        uint32_t farbe;
    } faelle[] = {
        {TRUE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xF, Quad(8, 0, 4, 4, 0.5f, 0, 0, 0.5f), 0x800040},
        {TRUE, D3DBLEND_DESTALPHA, D3DBLENDOP_ADD, 0xF, Quad(16, 0, 4, 4, 0, 0.25f, 0, 0), 0x004080},
        {TRUE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xF, Quad(20, 0, 4, 4, 0, 0, 0.25f, 1), 0x000040},
        {FALSE, D3DBLEND_ONE, D3DBLENDOP_ADD, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA,
         Quad(24, 0, 4, 4, 1, 1, 1), 0xFF0080},
    };
    for (const auto& fall : faelle) {
        mGeraet->SetRenderState(D3DRS_ALPHABLENDENABLE, fall.mischen);
        mGeraet->SetRenderState(D3DRS_DESTBLEND, fall.ziel);
        mGeraet->SetRenderState(D3DRS_BLENDOP, fall.op);
        mGeraet->SetRenderState(D3DRS_COLORWRITEENABLE, fall.maske);
        ASSERT_EQ(Zeichne({fall.quad}), D3D_OK);
        ErwarteFarbe(LiesRueckpuffer()[uint32_t(fall.quad.x)] & 0xFFFFFF, fall.farbe);
    }
}

// The quad's corners run clockwise on screen (x right, y down): Direct3D's front face. Mirrored
// in x they run counter-clockwise, and CULL_CCW (the default) drops them.
TEST_F(Zeichnen, RueckseitenNachDirect3DDrehsinn) {
    BaueQuad();
    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    const struct {
        DWORD cull;
        float x, b;
        int anzahl;
    } faelle[] = {{D3DCULL_CCW, 0, 4, 16}, {D3DCULL_CCW, 4, -4, 0}, {D3DCULL_NONE, 4, -4, 16}, {D3DCULL_CW, 0, 4, 0}};
    for (const auto& fall : faelle) {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        mGeraet->SetRenderState(D3DRS_CULLMODE, fall.cull);
        ASSERT_EQ(Zeichne({Quad(fall.x, 0, fall.b, 4, 1, 0, 0)}), D3D_OK);
        EXPECT_EQ(FindeFarbe(0xFF0000).anzahl, fall.anzahl) << fall.cull << " " << fall.b;
    }
}

TEST_F(Zeichnen, ZeichnenOhneProgrammOderMitFalschemBereichScheitert) {
    EXPECT_EQ(mGeraet->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    BaueQuad();
    const float werte[8] = {};
    ErwarteAlle(D3DERR_INVALIDCALL, {mGeraet->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2),
                                     mGeraet->DrawIndexedPrimitive(D3DPRIMITIVETYPE(99), 0, 0, 4, 0, 2),
                                     mGeraet->SetVertexShaderConstantF(255, werte, 2),
                                     mGeraet->SetPixelShaderConstantF(224, werte, 1)});
    EXPECT_EQ(mGeraet->SetPixelShaderConstantF(223, werte, 1), D3D_OK);
}

TEST_F(Zeichnen, KaputterShaderkodeWirdAbgewiesen) {
    // A vertex shader's code for a pixel shader, a wrong tag, GLSL that does not compile, too many
    // registers.
    const auto kode = Uebersetze(QuadVs(), "vs_3_0");
    std::vector<uint8_t> b(static_cast<uint8_t*>(kode->GetBufferPointer()),
                           static_cast<uint8_t*>(kode->GetBufferPointer()) + kode->GetBufferSize());
    IDirect3DPixelShader9* ps = nullptr;
    EXPECT_EQ(mGeraet->CreatePixelShader(reinterpret_cast<const DWORD*>(b.data()), &ps), D3DERR_INVALIDCALL);
    b[0] = 'X';
    auto kaputt = Plattform::SchreibeShaderBlob({Plattform::kStufeVertex, 0, 0, "void main() { nix; }"});
    auto zuViele = Plattform::SchreibeShaderBlob({Plattform::kStufeVertex, 257, 0, ""});
    IDirect3DVertexShader9* vs = nullptr;
    for (const auto* blob : {&b, &kaputt, &zuViele}) {
        EXPECT_EQ(mGeraet->CreateVertexShader(reinterpret_cast<const DWORD*>(blob->data()), &vs), D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(vs, nullptr);
}

TEST_F(Zeichnen, VertexSamplerLiegenAufEigenenEinheiten) {
    BaueQuad();
    const auto vs = Vs(QuadVs("sampler2D gBild;", "tex2Dlod(gBild, float4(0.5, 0.5, 0, 0))"));
    mGeraet->SetVertexShader(vs.get());
    const auto blau = Textur(1, 1, 1, 0, D3DFMT_A8R8G8B8);
    const auto rot = Textur(1, 1, 1, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(blau.get(), 0, 1, 1, 0xFF0000FF);
    FuelleStufe(rot.get(), 0, 1, 1, 0xFFFF0000);
    // Pixel sampler 0 holds another texture: the vertex shader must not see it.
    mGeraet->SetTexture(0, rot.get());
    ASSERT_EQ(mGeraet->SetTexture(D3DVERTEXTEXTURESAMPLER0, blau.get()), D3D_OK);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(Zeichne({Quad(0, 0, 2, 2, 0, 0, 0)}), D3D_OK);
    EXPECT_EQ(FindeFarbe(0x0000FF).anzahl, 4);
}

TEST_F(Zeichnen, ZweitesZielUndIndex32) {
    BaueQuad("void main(float4 f : TEXCOORD0, out float4 a : COLOR0, out float4 b : COLOR1) { a = f; b = 1 - f; }");
    // The same quad from 32-bit indices.
    const auto ib32 =
        IndexPuffer(std::vector<uint32_t>(std::begin(kEinheitsIndizes), std::end(kEinheitsIndizes)));
    mGeraet->SetIndices(ib32.get());
    const auto zweites = Textur(kBreite, kHoehe, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8);
    ASSERT_EQ(mGeraet->SetRenderTarget(1, Flaeche(zweites.get()).get()), D3D_OK);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(Zeichne({Quad(0, 0, 4, 4, 1, 0, 0)}), D3D_OK);
    EXPECT_EQ(FindeFarbe(0xFF0000).anzahl, 16);
    ASSERT_EQ(mGeraet->SetRenderTarget(1, nullptr), D3D_OK);

    // The second target holds the complement: show it through a texture draw.
    const auto bild = ZeigeTextur(zweites.get(), 8, 0, 4, 4, 4.0f / kBreite, 4.0f / kHoehe);
    EXPECT_EQ(bild[9] & 0xFFFFFF, 0x00FFFFu);
}

// A render target with its own depth buffer, read back through a texture draw: the top half
// red by clearing, the bottom half by drawing, where the far quad comes second and loses where
// the near one lies. Both halves must come out the right way up.
TEST_F(Zeichnen, RenderzielMitEigenemTiefenpuffer) {
    BaueQuad();
    const auto ziel = Textur(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8);
    const auto tiefe = Tiefe(8, 8, D3DFMT_D24X8);
    const auto autoTiefe = Hole<IDirect3DSurface9>([&](auto o) { return mGeraet->GetDepthStencilSurface(o); });
    mGeraet->SetRenderTarget(0, Flaeche(ziel.get()).get());
    mGeraet->SetDepthStencilSurface(tiefe.get());
    SetzeZielGroesse(8, 8);
    ASSERT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    const RECT oben = {0, 0, 8, 4};
    mGeraet->Clear(1, &oben, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    mGeraet->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    Zeichne({Quad(0, 4, 4, 4, 0, 1, 0, 1, 0.25f), Quad(2, 4, 6, 4, 0, 0, 1, 1, 0.75f)});

    mGeraet->SetRenderTarget(0, Rueck().get());
    mGeraet->SetDepthStencilSurface(autoTiefe.get());
    SetzeZielGroesse(kBreite, kHoehe);
    mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
    ErwartePixel(ZeigeTextur(ziel.get(), 0, 0, 8, 8),
                 {{3, 1, 0xFFFF0000}, {4, 1, 0xFFFF0000}, {3, 6, 0xFF00FF00}, {4, 6, 0xFF0000FF}});
}

} // namespace
} // namespace grafik9test
