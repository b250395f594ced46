// Textures: formats, uploads, locks, render targets, samplers and mip levels as Direct3D 9
// shows them to a shader.

#include "testhilfe.h"

namespace grafik9test {
namespace {

class Texturen : public Geraet {
protected:
    void SetUp() override {
        Oeffne(D3DFMT_A8R8G8B8);
        BaueQuad();
        mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    }

    uint32_t Zeige(IDirect3DBaseTexture9* textur, float groesse, uint32_t x, uint32_t y) {
        return ZeigeTextur(textur, 0, 0, groesse, groesse)[y * kBreite + x];
    }
};

// Writes `farbe` into the locked rectangle of b x h pixels.
void FuelleGesperrt(const D3DLOCKED_RECT& lr, int b, int h, uint32_t farbe) {
    for (int y = 0; y < h; ++y) {
        std::fill_n(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch), b, farbe);
    }
}

std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> woerter, int breite) {
    std::vector<uint8_t> aus;
    for (uint32_t w : woerter) {
        for (int i = 0; i < breite; ++i) {
            aus.push_back(uint8_t(w >> (8 * i)));
        }
    }
    return aus;
}

std::vector<uint8_t> Floats(std::initializer_list<float> werte) {
    std::vector<uint8_t> aus(werte.size() * 4);
    std::memcpy(aus.data(), werte.begin(), aus.size());
    return aus;
}

TEST_F(Texturen, JedesFormatKommtAnWieAufDirect3D9) {
    const struct {
        D3DFORMAT format;
        std::vector<uint8_t> texel; // a 4 x 4 block for DXT, else one pixel repeated
        uint32_t erwartet;          // A8R8G8B8 as the shader reads it
    } faelle[] = {
        {D3DFMT_A8R8G8B8, Bytes({0x80FF4020}, 4), 0x80FF4020},
        {D3DFMT_X8R8G8B8, Bytes({0x00FF4020}, 4), 0xFFFF4020},
        {D3DFMT_R5G6B5, Bytes({0xF81F}, 2), 0xFFFF00FF},
        {D3DFMT_X1R5G5B5, Bytes({0x7C1F}, 2), 0xFFFF00FF},
        {D3DFMT_A2B10G10R10, Bytes({3u << 30 | 0x200u << 20 | 0u << 10 | 0x3FFu}, 4), 0xFFFF0080},
        {D3DFMT_G16R16, Bytes({0xFFFF, 0x8000}, 2), 0xFFFF80FF},
        {D3DFMT_A16B16G16R16, Bytes({0x0000, 0xFFFF, 0x8000, 0xFFFF}, 2), 0xFF00FF80},
        {D3DFMT_R16F, Bytes({0x3800}, 2), 0xFF80FFFF},
        {D3DFMT_G16R16F, Bytes({0x3800, 0x3400}, 2), 0xFF8040FF},
        {D3DFMT_A16B16G16R16F, Bytes({0x3800, 0x3400, 0x3C00, 0x3800}, 2), 0x808040FF},
        {D3DFMT_R32F, Floats({0.75f}), 0xFFBFFFFF},
        {D3DFMT_G32R32F, Floats({0.25f, 0.75f}), 0xFF40BFFF},
        {D3DFMT_A32B32G32R32F, Floats({0.25f, 0.5f, 0.75f, 1.0f}), 0xFF4080BF},
        {D3DFMT_A8, Bytes({0x80}, 1), 0x80000000},
        // One block each: colour 0 everywhere; DXT3 with alpha 8 of 15, DXT5 with alpha 0x40.
        {D3DFMT_DXT1, Bytes({0x001FF800, 0}, 4), 0xFFFF0000},
        {D3DFMT_DXT3, Bytes({0x88888888, 0x88888888, 0x000007E0, 0}, 4), 0x8800FF00},
        {D3DFMT_DXT5, Bytes({0x0040, 0, 0, 0, 0x001F, 0, 0, 0}, 2), 0x400000FF},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.format);
        const bool dxt = fall.format >= D3DFMT_DXT1 && fall.format <= D3DFMT_DXT5;
        const auto t = Textur(4, 4, 1, 0, fall.format);
        ASSERT_NE(t, nullptr);
        std::vector<uint8_t> pixel = fall.texel;
        for (int i = 1; !dxt && i < 16; ++i) {
            pixel.insert(pixel.end(), fall.texel.begin(), fall.texel.end());
        }
        const UINT zeilen = dxt ? 1 : 4;
        LadeStufe(Flaeche(t.get()).get(), fall.format, 4, 4, pixel.data(), pixel.size() / zeilen, zeilen);
        ErwarteFarbe(Zeige(t.get(), 4, 2, 2), fall.erwartet);
    }
}

TEST_F(Texturen, DynamischeTexturSperrtRechteckMitAbstand) {
    const auto t = Textur(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_GE(lr.Pitch, 32);
    FuelleGesperrt(lr, 8, 8, 0xFF000000);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);

    const RECT r = {2, 4, 6, 6};
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
    FuelleGesperrt(lr, 4, 2, 0xFFFFFFFF);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    ErwartePixel(ZeigeTextur(t.get(), 0, 0, 8, 8), {{1, 4, 0xFF000000}, {2, 4, 0xFFFFFFFF}, {5, 5, 0xFFFFFFFF},
                                                     {6, 5, 0xFF000000}, {2, 6, 0xFF000000}});
    // Past the level, and a static default-pool texture, not lockable as on Direct3D 9.
    const RECT ausserhalb = {4, 4, 9, 8};
    ErwarteAlle(D3DERR_INVALIDCALL, {t->LockRect(0, &lr, &ausserhalb, 0),
                                     Textur(8, 8, 1, 0, D3DFMT_A8R8G8B8)->LockRect(0, &lr, nullptr, 0)});
}

TEST_F(Texturen, DxtSperreZaehltBlockzeilen) {
    const auto t = Textur(16, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_DXT5);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(lr.Pitch, 4 * 16); // four blocks of 16 bytes per row of blocks
    std::memset(lr.pBits, 0, size_t(lr.Pitch) * 2);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    const RECT teil = {4, 4, 12, 8}, links = {2, 4, 8, 8}, rechts = {4, 0, 10, 4}, rand = {12, 4, 16, 8};
    ASSERT_EQ(t->LockRect(0, &lr, &teil, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 2 * 16);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    // A part of a block that GL could not take is refused instead of being lost at the unlock;
    // only the level's edge may cut a block. The same for UpdateSurface: at (4, 0) a 6 x 4
    // surface would end inside a block.
    const auto stufe = Flaeche(Textur(16, 8, 1, 0, D3DFMT_DXT1).get());
    const POINT punkt = {4, 0};
    ErwarteAlle(D3DERR_INVALIDCALL,
                {t->LockRect(0, &lr, &links, 0), t->LockRect(0, &lr, &rechts, 0),
                 mGeraet->UpdateSurface(SystemFlaeche(6, 4, D3DFMT_DXT1).get(), nullptr, stufe.get(), &punkt)});
    ErwarteAlle(D3D_OK, {t->LockRect(0, &lr, &rand, 0), t->UnlockRect(0),
                         mGeraet->UpdateSurface(SystemFlaeche(8, 4, D3DFMT_DXT1).get(), nullptr, stufe.get(), &punkt)});
}

// A managed texture keeps its levels in main memory, so its locks read what was written, in rows
// of pixels or of blocks, and the rest stays as it was.
TEST_F(Texturen, VerwalteteTexturLiestGesperrtesZurueck) {
    struct Fall {
        D3DFORMAT format;
        RECT teil;
        uint32_t zeile, zeilen, links, oben; // bytes of a packed row of the part, rows, where it starts
    };
    const Fall faelle[] = {{D3DFMT_A8R8G8B8, {2, 4, 6, 6}, 16, 2, 8, 4},
                           {D3DFMT_DXT1, {4, 0, 8, 8}, 8, 2, 8, 0},
                           {D3DFMT_DXT5, {0, 4, 8, 8}, 32, 1, 0, 1}};
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.format);
        const auto t = Hole<IDirect3DTexture9>([&](auto o) {
            return mGeraet->CreateTexture(8, 8, 1, 0, f.format, D3DPOOL_MANAGED, o, nullptr);
        });
        ASSERT_NE(t, nullptr);
        D3DSURFACE_DESC beschreibung{};
        t->GetLevelDesc(0, &beschreibung);
        EXPECT_EQ(beschreibung.Pool, D3DPOOL_MANAGED);
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(t->LockRect(0, &lr, &f.teil, 0), D3D_OK);
        ASSERT_EQ(uint32_t(lr.Pitch), f.zeile);
        std::memset(lr.pBits, 0xAB, size_t(f.zeile) * f.zeilen);
        ASSERT_EQ(t->UnlockRect(0), D3D_OK);
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* bytes = static_cast<const uint8_t*>(lr.pBits);
        int anders = 0;
        const uint32_t zeilenDerStufe = f.format == D3DFMT_A8R8G8B8 ? 8 : 2;
        for (uint32_t zeile = 0; zeile < zeilenDerStufe; ++zeile) {
            for (uint32_t x = 0; x < uint32_t(lr.Pitch); ++x) {
                const bool drin =
                    zeile >= f.oben && zeile < f.oben + f.zeilen && x >= f.links && x < f.links + f.zeile;
                anders += bytes[zeile * uint32_t(lr.Pitch) + x] != (drin ? 0xAB : 0);
            }
        }
        EXPECT_EQ(anders, 0);
        t->UnlockRect(0);
    }
}

TEST_F(Texturen, AdressierungUndFilterWieDirect3D9) {
    const auto t = Textur(2, 1, 1, 0, D3DFMT_A8R8G8B8);
    const uint32_t pixel[2] = {0xFFFF0000, 0xFF00FF00};
    LadeStufe(Flaeche(t.get()).get(), D3DFMT_A8R8G8B8, 2, 1, pixel, 8, 1);
    const uint32_t rot = 0xFFFF0000, gruen = 0xFF00FF00, blau = 0xFF0000FF;
    mGeraet->SetSamplerState(0, D3DSAMP_BORDERCOLOR, blau);
    // u from 0 to 2 over 8 pixels: WRAP repeats, CLAMP holds the edge, BORDER shows its colour.
    // Then four pixels over two texels: Direct3D 9 samples pixel i at u = i / 4, so POINT gives
    // R R G G and LINEAR R, R, the mix, G (texel centres at u = 1/4 and 3/4).
    const struct {
        DWORD adresse, filter;
        float su, breite;
        std::vector<Punkt> punkte;
    } faelle[] = {
        {D3DTADDRESS_WRAP, D3DTEXF_POINT, 2, 8, {{4, 0, rot}, {6, 0, gruen}}},
        {D3DTADDRESS_CLAMP, D3DTEXF_POINT, 2, 8, {{4, 0, gruen}}},
        {D3DTADDRESS_BORDER, D3DTEXF_POINT, 2, 8, {{4, 0, blau}, {3, 0, gruen}}},
        {D3DTADDRESS_CLAMP, D3DTEXF_POINT, 1, 4, {{1, 0, rot}, {2, 0, gruen}}},
        {D3DTADDRESS_CLAMP, D3DTEXF_LINEAR, 1, 4, {{0, 0, rot}, {1, 0, rot}, {3, 0, gruen}}},
    };
    for (const auto& fall : faelle) {
        mGeraet->SetSamplerState(0, D3DSAMP_ADDRESSU, fall.adresse);
        mGeraet->SetSamplerState(0, D3DSAMP_MAGFILTER, fall.filter);
        mGeraet->SetSamplerState(0, D3DSAMP_MINFILTER, fall.filter);
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        SCOPED_TRACE(fall.adresse * 10 + fall.filter);
        ErwartePixel(ZeigeTextur(t.get(), 0, 0, fall.breite, 1, fall.su), fall.punkte);
    }
    ErwarteFarbe(LiesRueckpuffer()[2], 0xFF808000);

    // Sampler numbers are checked; anisotropic filtering is taken.
    ErwarteAlle(D3D_OK, {mGeraet->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC),
                         mGeraet->SetSamplerState(D3DVERTEXTEXTURESAMPLER0 + 3, D3DSAMP_MINFILTER, D3DTEXF_POINT)});
    ErwarteAlle(D3DERR_INVALIDCALL, {mGeraet->SetSamplerState(16, D3DSAMP_MINFILTER, D3DTEXF_POINT),
                                     mGeraet->SetSamplerState(D3DVERTEXTEXTURESAMPLER0 + 4, D3DSAMP_MINFILTER, 1)});
}

TEST_F(Texturen, MipStufenMaxMipLevelUndAutomatischeMips) {
    // Chains shorter than the full one read their smallest level, not black.
    mGeraet->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    mGeraet->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    const auto eine = Textur(8, 8, 1, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(eine.get(), 0, 8, 8, 0xFFFFFFFF);
    EXPECT_EQ(Zeige(eine.get(), 2, 1, 1), 0xFFFFFFFFu);
    const auto zwei = Textur(8, 8, 2, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(zwei.get(), 0, 8, 8, 0xFFFF0000);
    FuelleStufe(zwei.get(), 1, 4, 4, 0xFF00FF00);
    EXPECT_EQ(Zeige(zwei.get(), 1, 0, 0), 0xFF00FF00u);

    const auto t = Textur(4, 4, 3, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(t.get(), 0, 4, 4, 0xFFFF0000);
    FuelleStufe(t.get(), 1, 2, 2, 0xFF00FF00);
    FuelleStufe(t.get(), 2, 1, 1, 0xFF0000FF);
    mGeraet->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    // MAXMIPLEVEL is the finest level used.
    for (const auto& [stufe, farbe] : {std::pair{0u, 0xFFFF0000u}, {1u, 0xFF00FF00u}, {2u, 0xFF0000FFu}}) {
        mGeraet->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, stufe);
        EXPECT_EQ(Zeige(t.get(), 4, 1, 1), farbe) << stufe;
    }
    // Minified four times the chain itself picks level 2.
    mGeraet->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    EXPECT_EQ(ZeigeTextur(t.get(), 8, 8, 1, 1)[8 * kBreite + 8], 0xFF0000FFu);

    // AUTOGENMIPMAP: one level to the caller, the chain follows level 0, also after a new upload
    // without a mip call.
    const auto autom = Textur(2, 2, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8);
    EXPECT_EQ(autom->GetLevelCount(), 1u);
    const uint32_t pixel[4] = {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF};
    LadeStufe(Flaeche(autom.get()).get(), D3DFMT_A8R8G8B8, 2, 2, pixel, 8, 2);
    mGeraet->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 1);
    ErwarteFarbe(Zeige(autom.get(), 2, 0, 0), 0xFF800080);
    FuelleStufe(autom.get(), 0, 2, 2, 0xFF00FF00);
    EXPECT_EQ(Zeige(autom.get(), 2, 0, 0), 0xFF00FF00u);

    // Drawn into as a render target, the chain follows too.
    const auto ziel = Textur(4, 4, 0, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8);
    mGeraet->SetRenderTarget(0, Flaeche(ziel.get()).get());
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    mGeraet->SetRenderTarget(0, Rueck().get());
    mGeraet->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 2);
    EXPECT_EQ(Zeige(ziel.get(), 2, 0, 0), 0xFF0000FFu);
}

TEST_F(Texturen, WuerfelSeitenInDirect3DReihenfolge) {
    const auto ps = Ps("float4 gRichtung;\nsamplerCUBE gWuerfel;\n"
                       "float4 main() : COLOR0 { return texCUBE(gWuerfel, gRichtung.xyz); }");
    mGeraet->SetPixelShader(ps.get());
    const auto w = Hole<IDirect3DCubeTexture9>([&](auto o) {
        return mGeraet->CreateCubeTexture(2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, o, nullptr);
    });
    const uint32_t farben[6] = {0xFFFF0000, 0xFF00FFFF, 0xFF00FF00, 0xFFFF00FF, 0xFF0000FF, 0xFFFFFF00};
    for (UINT seite = 0; seite < 6; ++seite) {
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(w->LockRect(D3DCUBEMAP_FACES(seite), 0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
        FuelleGesperrt(lr, 2, 2, farben[seite]);
        ASSERT_EQ(w->UnlockRect(D3DCUBEMAP_FACES(seite), 0), D3D_OK);
    }
    const float richtungen[6][4] = {{1, 0, 0, 0},  {-1, 0, 0, 0}, {0, 1, 0, 0},
                                    {0, -1, 0, 0}, {0, 0, 1, 0},  {0, 0, -1, 0}};
    mGeraet->SetTexture(0, w.get());
    for (int seite = 0; seite < 6; ++seite) {
        mGeraet->SetPixelShaderConstantF(0, richtungen[seite], 1);
        ASSERT_EQ(Zeichne({Quad(0, 0, 2, 2, 0, 0, 0)}), D3D_OK);
        EXPECT_EQ(LiesRueckpuffer()[0], farben[seite]) << seite;
    }
}

TEST_F(Texturen, UpdateSurfaceSchreibtTeilbereichAnPunkt) {
    const auto t = Textur(8, 8, 1, 0, D3DFMT_A8R8G8B8);
    FuelleStufe(t.get(), 0, 8, 8, 0xFF000000);
    const auto sys = SystemFlaeche(4, 4, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT lr{};
    sys->LockRect(&lr, nullptr, 0);
    FuelleGesperrt(lr, 4, 4, 0xFF00FF00);
    lr.pBits = static_cast<uint8_t*>(lr.pBits) + lr.Pitch + 8;
    FuelleGesperrt(lr, 2, 3, 0xFFFFFFFF);
    sys->UnlockRect();
    const auto ziel = Flaeche(t.get());
    const RECT teil = {2, 1, 4, 3};
    const POINT punkt = {5, 6};
    ASSERT_EQ(mGeraet->UpdateSurface(sys.get(), &teil, ziel.get(), &punkt), D3D_OK);
    const POINT zuWeit = {7, 6};
    ErwarteAlle(D3DERR_INVALIDCALL,
                {mGeraet->UpdateSurface(sys.get(), &teil, ziel.get(), &zuWeit),
                 mGeraet->UpdateSurface(SystemFlaeche(4, 4, D3DFMT_R5G6B5).get(), nullptr, ziel.get(), nullptr)});
    // Asymmetric in x and y, so that an upload upside down or mirrored shows.
    ErwartePixel(ZeigeTextur(t.get(), 0, 0, 8, 8),
                 {{5, 6, 0xFFFFFFFF}, {6, 7, 0xFFFFFFFF}, {4, 6, 0xFF000000}, {5, 5, 0xFF000000}});
}

} // namespace
} // namespace grafik9test
