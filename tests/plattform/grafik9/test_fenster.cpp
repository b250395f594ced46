// Presenting to a real window: the back buffer, stored with row 0 at the top, must reach the
// screen the right way up, also through the new context that a GPU reset brings. Needs an X server
// (Xvfb); skipped without a display.

#include "grafik9_testhilfe.h"

#define GLFW_INCLUDE_NONE
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace {

// A 64 x 32 window and a device on it with a back buffer of the window's size.
class Fenster : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || glfwInit() != GLFW_TRUE) {
            GTEST_SKIP() << "no display";
        }
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        mFenster = glfwCreateWindow(64, 32, "grafik9", nullptr, nullptr);
        ASSERT_NE(mFenster, nullptr);
        mD3d.reset(Direct3DCreate9(D3D_SDK_VERSION));
        mParameter = grafik9test::Fensterparameter(0, 0);
        mParameter.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        ASSERT_EQ(mD3d->CreateDevice(0, D3DDEVTYPE_HAL, mFenster, 0x52, &mParameter, &mGeraet), D3D_OK);
    }

    void TearDown() override {
        if (mGeraet != nullptr) {
            mGeraet->Release();
        }
        mD3d.reset();
        if (mFenster != nullptr) {
            glfwDestroyWindow(mFenster);
            glfwTerminate();
        }
    }

    // The window's pixel at (x, y), row 0 at the top, as the X server shows it.
    uint32_t Pixel(int x, int y) {
        glfwPollEvents();
        Display* anzeige = glfwGetX11Display();
        XSync(anzeige, False);
        XImage* bild = XGetImage(anzeige, glfwGetX11Window(mFenster), x, y, 1, 1, AllPlanes, ZPixmap);
        EXPECT_NE(bild, nullptr);
        if (bild == nullptr) {
            return 0;
        }
        const uint32_t farbe = uint32_t(XGetPixel(bild, 0, 0) & 0xFFFFFF);
        XDestroyImage(bild);
        return farbe;
    }

    GLFWwindow* mFenster = nullptr;
    grafik9test::Com<IDirect3D9> mD3d;
    D3DPRESENT_PARAMETERS mParameter{};
    IDirect3DDevice9* mGeraet = nullptr;
};

TEST_F(Fenster, PresentZeigtDenRueckpufferAufrecht) {
    // Windowed 0 x 0 is the window's client size.
    EXPECT_EQ(mParameter.BackBufferWidth, 64u);
    EXPECT_EQ(mParameter.BackBufferHeight, 32u);

    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    const D3DVIEWPORT9 oben = {0, 0, 64, 8, 0, 1};
    mGeraet->SetViewport(&oben);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(Pixel(10, 2), 0xFF0000u);
    EXPECT_EQ(Pixel(10, 20), 0x00FF00u);
}

// The new context presents through a new surface on the same window.
TEST_F(Fenster, NachGpuResetZeigtDasFensterDenNeuenKontext) {
    Plattform::ErzwingeKontextVerlust(0);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    EXPECT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(mGeraet->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(mGeraet->Reset(&mParameter), D3D_OK);
    mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    ASSERT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(Pixel(10, 20), 0x0000FFu);
}

} // namespace
