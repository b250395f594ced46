// A GPU reset that the driver reports: the status read after the swap makes the device lost, and
// Reset replaces the lost context with a new one in which the device brings back what it keeps
// beyond the default pool. llvmpipe never resets; the test hook makes the status report one.

#include "plattform/grafik9/gl_kopf.h"
#include "testhilfe.h"

#include <array>

namespace grafik9test {
namespace {

// Every context of these tests reports OpenGL's errors: in a new context, a name of the lost one
// is one.
class KontextVerlust : public Geraet {
protected:
    void SetUp() override {
        Plattform::BeobachteGlFehler(true);
        mFehlerVorher = Plattform::GlFehlerAnzahl();
        Geraet::SetUp();
    }
    void TearDown() override {
        Geraet::TearDown();
        Plattform::BeobachteGlFehler(false);
    }
    uint64_t NeueGlFehler() const { return Plattform::GlFehlerAnzahl() - mFehlerVorher; }

    // Sampler and render states away from the defaults, set as the engine sets them every frame.
    void SetzeZustaende() {
        mGeraet->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        mGeraet->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        mGeraet->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        mGeraet->SetRenderState(D3DRS_ZENABLE, FALSE);
        mGeraet->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        mGeraet->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        const float skala[4] = {1, 1, 0, 0};
        mGeraet->SetPixelShaderConstantF(0, skala, 1);
    }

    // One frame: the texture into the left half of the render target, the target over the back
    // buffer's left half, the texture added over the middle; the back buffer as it is then.
    std::vector<uint32_t> Bild(IDirect3DTexture9* textur, IDirect3DTexture9* ziel) {
        SetzeZustaende();
        mGeraet->SetRenderTarget(0, Flaeche(ziel).get());
        SetzeZielGroesse(8, 8);
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        mGeraet->SetTexture(0, textur);
        EXPECT_EQ(Zeichne({Quad(0, 0, 4, 8, 0, 0, 0)}), D3D_OK);
        mGeraet->SetRenderTarget(0, Rueck().get());
        SetzeZielGroesse(kBreite, kHoehe);
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
        mGeraet->SetTexture(0, ziel);
        EXPECT_EQ(Zeichne({Quad(0, 0, 16, 16, 0, 0, 0)}), D3D_OK);
        mGeraet->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        mGeraet->SetTexture(0, textur);
        EXPECT_EQ(Zeichne({Quad(8, 4, 16, 8, 0, 0, 0)}), D3D_OK);
        mGeraet->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        mGeraet->SetTexture(0, nullptr);
        return LiesRueckpuffer();
    }

    uint64_t mFehlerVorher = 0;
};

// Mesa offers reset notification to desktop OpenGL through EGL 1.5's attribute (it takes the one
// of EGL_EXT_create_context_robustness for OpenGL ES only).
TEST_F(KontextVerlust, KontextMitRuecksetzMeldung) {
    GLint strategie = 0;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategie);
    EXPECT_EQ(strategie, GL_LOSE_CONTEXT_ON_RESET);
}

TEST_F(KontextVerlust, SzeneKommtImNeuenKontextGleichWieder) {
    // Names the old context has made and the new one will not have made when the scene is drawn.
    std::array<GLuint, 64> texturen{}, puffer{}, tiefen{};
    glGenTextures(GLsizei(texturen.size()), texturen.data());
    glGenBuffers(GLsizei(puffer.size()), puffer.data());
    glGenRenderbuffers(GLsizei(tiefen.size()), tiefen.data());
    for (int i = 0; i < 64; ++i) {
        glCreateProgram();
    }
    BaueQuad(kTexturPs);
    // Four texels of four colours; the system-memory copy is kept across the reset.
    const uint32_t texel[16] = {0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000, 0xFFFF0000,
                                0xFF00FF00, 0xFF00FF00, 0xFF0000FF, 0xFF0000FF, 0xFF808080, 0xFF808080,
                                0xFF0000FF, 0xFF0000FF, 0xFF808080, 0xFF808080};
    const auto kopie = SystemFlaeche(4, 4, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(kopie->LockRect(&lr, nullptr, 0), D3D_OK);
    std::memcpy(lr.pBits, texel, sizeof texel);
    kopie->UnlockRect();
    const auto szene = [&] {
        auto textur = Textur(4, 4, 1, 0, D3DFMT_A8R8G8B8);
        EXPECT_EQ(mGeraet->UpdateSurface(kopie.get(), nullptr, Flaeche(textur.get()).get(), nullptr), D3D_OK);
        return Bild(textur.get(), Textur(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8).get());
    };
    const std::vector<uint32_t> vorher = szene();
    EXPECT_EQ(vorher[4 * kBreite + 2], 0xFFFF0000u);
    EXPECT_EQ(vorher[4 * kBreite + 12], 0xFFFF00FFu); // the target's blue plus the texture's red

    // The managed pool outlives the context: a texture of two levels whose first is written whole
    // and then in its lower right quarter, and the quad's corners.
    const auto verwaltet = Hole<IDirect3DTexture9>([&](auto o) {
        return mGeraet->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, o, nullptr);
    });
    ASSERT_NE(verwaltet, nullptr);
    ASSERT_EQ(verwaltet->LockRect(0, &lr, nullptr, 0), D3D_OK);
    std::memcpy(lr.pBits, texel, sizeof texel);
    verwaltet->UnlockRect(0);
    const RECT viertel{2, 2, 4, 4};
    ASSERT_EQ(verwaltet->LockRect(0, &lr, &viertel, 0), D3D_OK);
    EXPECT_EQ(static_cast<const uint32_t*>(lr.pBits)[0], 0xFF808080u);
    for (int y = 0; y < 2; ++y) {
        std::fill_n(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch), 2,
                    0xFFFFFF00);
    }
    verwaltet->UnlockRect(0);
    FuelleStufe(verwaltet.get(), 1, 2, 2, 0xFF00FFFF);
    mEcken = Hole<IDirect3DVertexBuffer9>([&](auto o) {
        return mGeraet->CreateVertexBuffer(sizeof kEinheitsEcken, 0, 0, D3DPOOL_MANAGED, o, nullptr);
    });
    ASSERT_NE(mEcken, nullptr);
    Fuelle(mEcken.get(), kEinheitsEcken, sizeof kEinheitsEcken, 0);
    BindeQuad();
    const auto verwalteteSzene = [&] {
        return Bild(verwaltet.get(), Textur(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8).get());
    };
    const std::vector<uint32_t> vorherVerwaltet = verwalteteSzene();
    EXPECT_EQ(vorherVerwaltet[11 * kBreite + 22], 0xFFFFFF20u); // the written quarter over the clear colour

    Plattform::ErzwingeKontextVerlust(1);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // These buffers are default-pool objects; the declaration, the shaders and the managed
    // objects are not.
    mIndizes.reset(), mInstanzen.reset();
    ASSERT_EQ(mGeraet->Reset(&mParameter), D3D_OK);
    EXPECT_FALSE(glIsTexture(texturen.back()));

    mIndizes = IndexPuffer(std::vector<uint16_t>(std::begin(kEinheitsIndizes), std::end(kEinheitsIndizes)));
    mInstanzen = VertexPuffer(64 * sizeof(Instanz), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC);
    BindeQuad();
    EXPECT_EQ(szene(), vorher);
    EXPECT_EQ(verwalteteSzene(), vorherVerwaltet);
    ASSERT_EQ(verwaltet->LockRect(1, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<const uint32_t*>(lr.pBits)[3], 0xFF00FFFFu);
    verwaltet->UnlockRect(1);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(NeueGlFehler(), 0u);
}

// Nothing of the lost context survives in the device: not even the default-pool objects that a
// Reset without the reference check would let the engine keep.
TEST_F(KontextVerlust, ResetVerlangtAuchOhnePruefungDieFreigabe) {
    Plattform::SetzeResetPruefung(false);
    auto vb = VertexPuffer(16, 0);
    Plattform::ErzwingeKontextVerlust(0);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3DERR_INVALIDCALL);
    vb.reset();
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3D_OK);
}

// A driver that reports the reset without end is not waited for: a new context cures it anyway.
TEST_F(KontextVerlust, EndloseMeldungWirdNichtAbgewartet) {
    Plattform::ErzwingeKontextVerlust(1000);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    for (uint32_t i = 0; i < Plattform::kLaufendeResetsHoechstens; ++i) {
        ASSERT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICELOST) << i;
    }
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3D_OK);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

// A driver not yet recovered refuses the new context: Reset answers lost until one can be made,
// and the device then draws in it as before, also with a shader made while it had none.
TEST_F(KontextVerlust, NeuerKontextErstNachFehlversuchen) {
    BaueQuad();
    const auto bild = [&] {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
        EXPECT_EQ(Zeichne({Quad(4, 4, 8, 8, 1, 0, 0)}), D3D_OK);
        return LiesRueckpuffer();
    };
    const std::vector<uint32_t> vorher = bild();
    EXPECT_EQ(vorher[8 * kBreite + 8], 0xFFFF0000u);

    Plattform::ErzwingeKontextVerlust(0);
    Plattform::ErzwingeKontextFehler(2);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    mEcken.reset(), mIndizes.reset(), mInstanzen.reset();
    for (int versuch = 0; versuch < 2; ++versuch) {
        EXPECT_EQ(mGeraet->Reset(&mParameter), D3DERR_DEVICELOST) << versuch;
        EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET) << versuch;
        EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST) << versuch;
    }
    mPs = Ps(kFarbePs);
    ASSERT_NE(mPs, nullptr);
    ASSERT_EQ(mGeraet->Reset(&mParameter), D3D_OK);

    BaueQuadPuffer();
    BindeQuad();
    EXPECT_EQ(bild(), vorher);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(NeueGlFehler(), 0u);
}

// Without a context the device goes on as a lost one: it has its back and depth buffers, makes
// and fills objects, answers draws with success, and at last is given up without a fault.
TEST_F(KontextVerlust, OhneKontextBleibtDasGeraetBedienbar) {
    BaueQuad();
    Plattform::ErzwingeKontextVerlust(0);
    Plattform::ErzwingeKontextFehler(1);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    mEcken.reset(), mIndizes.reset(), mInstanzen.reset();
    EXPECT_EQ(mGeraet->Reset(&mParameter), D3DERR_DEVICELOST);

    EXPECT_NE(Rueck(), nullptr);
    IDirect3DSurface9* tiefe = nullptr;
    ASSERT_EQ(mGeraet->GetDepthStencilSurface(&tiefe), D3D_OK);
    tiefe->Release();
    auto textur = Textur(4, 4, 1, 0, D3DFMT_A8R8G8B8);
    ASSERT_NE(textur, nullptr);
    FuelleStufe(textur.get(), 0, 4, 4, 0xFF00FF00);
    mPs = Ps(kTexturPs);
    ASSERT_NE(mPs, nullptr);
    BaueQuadPuffer();
    BindeQuad();
    mGeraet->SetTexture(0, textur.get());
    EXPECT_EQ(mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Zeichne({Quad(0, 0, 8, 8, 0, 0, 0)}), D3D_OK);
    mGeraet->SetTexture(0, nullptr);
}

} // namespace
} // namespace grafik9test
