// Presenting to a real window: the back buffer, stored with row 0 at the top, must reach the
// screen the right way up, on an X screen of 24 bits (the run's server) and of 16 and 30 bits
// (servers of the test's own), whose windows have visuals of their own depth. Skipped where there
// is no such server.

#include "grafik9_testhilfe.h"
#include "testhilfen/xserver.h"

#define GLFW_INCLUDE_NONE
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>

#include <cstdlib>
#include <optional>

namespace {

// On the display of DISPLAY: a 64 x 32 window, green with a red band at the top, presented.
void PraesentiereAufrecht(D3DFORMAT format) {
    ASSERT_EQ(glfwInit(), GLFW_TRUE);
    // Whatever fails, the window and the connection go, so the next server starts afresh.
    struct Ende {
        ~Ende() { glfwTerminate(); }
    } ende;
    glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    GLFWwindow* fenster = glfwCreateWindow(64, 32, "grafik9", nullptr, nullptr);
    ASSERT_NE(fenster, nullptr);

    const grafik9test::Com<IDirect3D9> d3d(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS parameter = grafik9test::Fensterparameter(0, 0, format);
    parameter.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    // Released before the window goes with the guard above.
    const auto geraet = grafik9test::Hole<IDirect3DDevice9>(
        [&](auto o) { return d3d->CreateDevice(0, D3DDEVTYPE_HAL, fenster, 0x52, &parameter, o); });
    ASSERT_NE(geraet, nullptr);
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
    EXPECT_EQ(TXPixel(bild, 10, 2).Acht(), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(TXPixel(bild, 10, 20).Acht(), (std::array<int, 3>{0, 255, 0}));
    XDestroyImage(bild);
}

TEST(Fenster, PresentZeigtDenRueckpufferAufrechtInJederFarbtiefe) {
    // Depth 0: the run's own server. The back buffer keeps its own format whatever the window's.
    const std::pair<int, D3DFORMAT> faelle[] = {{0, D3DFMT_X8R8G8B8}, {16, D3DFMT_R5G6B5}, {30, D3DFMT_X8R8G8B8}};
    const char* vorher = std::getenv("DISPLAY");
    const std::string lauf = vorher ? vorher : "";
    int gelaufen = 0;
    for (const auto& [tiefe, format] : faelle) {
        SCOPED_TRACE(tiefe);
        std::optional<TXServer> eigener;
        if (tiefe != 0) {
            eigener.emplace(320, 240, tiefe);
            if (eigener->Name().empty())
                continue;
            setenv("DISPLAY", eigener->Name().c_str(), 1);
        } else if (lauf.empty()) {
            continue;
        }
        PraesentiereAufrecht(format);
        ++gelaufen;
        lauf.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", lauf.c_str(), 1);
    }
    if (gelaufen == 0)
        GTEST_SKIP() << "no X server";
}

} // namespace
