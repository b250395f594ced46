// Presenting to a real window: the back buffer, stored with row 0 at the top, must reach the
// screen the right way up. Needs an X server (Xvfb); skipped without a display.

#include "grafik9_testhilfe.h"

#define GLFW_INCLUDE_NONE
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace {

TEST(Fenster, PresentZeigtDenRueckpufferAufrecht) {
    if (std::getenv("DISPLAY") == nullptr || glfwInit() != GLFW_TRUE) {
        GTEST_SKIP() << "no display";
    }
    glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    GLFWwindow* fenster = glfwCreateWindow(64, 32, "grafik9", nullptr, nullptr);
    ASSERT_NE(fenster, nullptr);

    const grafik9test::Com<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS parameter = grafik9test::Fensterparameter(0, 0);
    parameter.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    IDirect3DDevice9* geraet = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, fenster, 0x52, &parameter, &geraet), D3D_OK);
    // Windowed 0 x 0 is the window's client size.
    EXPECT_EQ(parameter.BackBufferWidth, 64u);
    EXPECT_EQ(parameter.BackBufferHeight, 32u);

    geraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    const D3DVIEWPORT9 oben = {0, 0, 64, 8, 0, 1};
    geraet->SetViewport(&oben);
    geraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(geraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    glfwPollEvents();

    Display* x = glfwGetX11Display();
    XSync(x, False);
    XImage* bild = XGetImage(x, glfwGetX11Window(fenster), 0, 0, 64, 32, AllPlanes, ZPixmap);
    ASSERT_NE(bild, nullptr);
    EXPECT_EQ(XGetPixel(bild, 10, 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(XGetPixel(bild, 10, 20) & 0xFFFFFF, 0x00FF00u);
    XDestroyImage(bild);

    geraet->Release();
    glfwDestroyWindow(fenster);
    glfwTerminate();
}

} // namespace
