// Presenting to a real window: the back buffer, stored with row 0 at the top, must reach the
// screen the right way up, also through the new context that a GPU reset brings, and on X screens
// of 16 and 30 bits (servers of the test's own), whose windows have visuals of their own depth.
// Needs an X server (Xvfb); skipped without one.

#include "testhilfe.h"
#include "testhilfen/xserver.h"

#define GLFW_INCLUDE_NONE
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A 64 x 32 window on the display of DISPLAY and a device on it with a back buffer of the
// window's size.
class Fenster : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no display";
        }
        ASSERT_NO_FATAL_FAILURE(OeffneFenster());
        ErzeugeGeraet(D3DFMT_X8R8G8B8);
    }

    void TearDown() override { Schliesse(); }

    void OeffneFenster() {
        ASSERT_EQ(glfwInit(), GLFW_TRUE);
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        mFenster = glfwCreateWindow(64, 32, "grafik9", nullptr, nullptr);
        ASSERT_NE(mFenster, nullptr);
        mD3d.reset(Direct3DCreate9(D3D_SDK_VERSION));
    }

    void ErzeugeGeraet(D3DFORMAT format) {
        mParameter = grafik9test::Fensterparameter(0, 0, format);
        mParameter.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
        ASSERT_EQ(mD3d->CreateDevice(0, D3DDEVTYPE_HAL, mFenster, 0x52, &mParameter, &mGeraet), D3D_OK);
    }

    void GibGeraetFrei() {
        if (mGeraet != nullptr) {
            mGeraet->Release();
            mGeraet = nullptr;
        }
    }

    // The device goes before the window it presents to, and the window system with the window.
    void Schliesse() {
        GibGeraetFrei();
        mD3d.reset();
        if (mFenster != nullptr) {
            glfwDestroyWindow(mFenster);
            mFenster = nullptr;
        }
        glfwTerminate();
    }

    // The window's pixel at (x, y), row 0 at the top, as the X server shows it, as 0xRRGGBB
    // whatever the window's depth.
    uint32_t Pixel(int x, int y) {
        glfwPollEvents();
        Display* anzeige = glfwGetX11Display();
        XSync(anzeige, False);
        XImage* bild = XGetImage(anzeige, glfwGetX11Window(mFenster), x, y, 1, 1, AllPlanes, ZPixmap);
        EXPECT_NE(bild, nullptr);
        if (bild == nullptr) {
            return 0;
        }
        const std::array<int, 3> rgb = TXPixel(bild, 0, 0).Acht();
        XDestroyImage(bild);
        return uint32_t(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
    }

    // Green with a red band at the top, presented.
    void ZeigeBand() {
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
        const D3DVIEWPORT9 oben = {0, 0, 64, 8, 0, 1};
        mGeraet->SetViewport(&oben);
        mGeraet->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
        ASSERT_EQ(mGeraet->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(Pixel(10, 2), 0xFF0000u);
        EXPECT_EQ(Pixel(10, 20), 0x00FF00u);
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
    ZeigeBand();
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

// On screens of 16 and 30 bits the window's visual has that depth; the device takes its config,
// and the back buffer keeps its own format, which presenting converts. Each depth runs in the test
// program started again for it alone (GRAFIK9_FENSTERTIEFE): EGL keeps a display per address of
// the X connection, so a second window system in one process may be handed the first one's, and a
// forked child would inherit the driver's threads and locks without the threads.
class FensterEigenerTiefe : public Fenster {
protected:
    void SetUp() override {
        const char* tiefe = std::getenv("GRAFIK9_FENSTERTIEFE");
        if (tiefe == nullptr) {
            return;
        }
        mServer.emplace(320, 240, std::atoi(tiefe));
        if (mServer->Name().empty()) {
            GTEST_SKIP() << "no X server of " << tiefe << " bits";
        }
        setenv("DISPLAY", mServer->Name().c_str(), 1);
        ASSERT_NO_FATAL_FAILURE(OeffneFenster());
    }

    // The exit code of the test program run for the depth alone.
    static int FuerTiefe(int tiefe) {
        const pid_t kind = fork();
        if (kind == 0) {
            setenv("GRAFIK9_FENSTERTIEFE", std::to_string(tiefe).c_str(), 1);
            execl("/proc/self/exe", "test_egl_anbindung", "--gtest_filter=FensterEigenerTiefe.*",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(kind, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    std::optional<TXServer> mServer;
};

TEST_F(FensterEigenerTiefe, PresentZeigtDenRueckpufferAufrecht) {
    if (mServer) {
        for (const D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}) {
            SCOPED_TRACE(format == D3DFMT_R5G6B5 ? "R5G6B5" : "X8R8G8B8");
            ErzeugeGeraet(format);
            ZeigeBand();
            GibGeraetFrei();
        }
        return;
    }
    for (const int tiefe : {16, 30}) {
        EXPECT_EQ(FuerTiefe(tiefe), 0) << tiefe << " bits";
    }
}

} // namespace
