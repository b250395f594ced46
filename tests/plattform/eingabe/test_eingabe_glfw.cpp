// The input of a GLFW window: product words from GUIDs and GLFW's pad state in the pad layout; then
// a real window on an X server, where XTest sends key, button and wheel events, which must reach
// the input system's handler with the engine's codes (skipped without a display).

#include "omvu/testhilfe.h"
#include "plattform/eingabe/plattform_eingabe.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

// Xlib's macros (None, True, Bool) must come after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace OmvuTest;

TEST(Steuergeraete, ProduktwortAusDerGuidUndGlfwPadzustandInDerPadBelegung) {
    using namespace Plattform;
    // An Xbox 360 pad on USB: vendor 045e, product 028e.
    EXPECT_EQ(ProduktWortAusGuid("030000005e0400008e02000014010000"), 0x028E045Eu);
    EXPECT_EQ(ProduktWortAusGuid(nullptr), 0u);
    EXPECT_EQ(ProduktWortAusGuid("030000005e0400008e02"), 0u);
    EXPECT_EQ(ProduktWortAusGuid("0300000zzz0400008e020000140100xx"), 0x028Eu << 16);
    // GLFW: 0 A, 6 Back, 7 Start, 11 D-pad up; axes: left x, left y, right x, right y, triggers. The
    // pad's fields: buttons, left x and y, right x and y, left and right trigger.
    unsigned char knoepfe[15] = {};
    knoepfe[0] = knoepfe[6] = knoepfe[7] = knoepfe[11] = 1;
    const auto pad = [&](std::array<float, 6> achsen) {
        const PadZustand p = PadAusGlfw(knoepfe, achsen.data());
        return std::vector<int>{p.knoepfe, p.linksX,      p.linksY,      p.rechtsX,
                                p.rechtsY, p.linkerAbzug, p.rechterAbzug};
    };
    const int gedrueckt = kPadA | kPadZurueck | kPadStart | kPadHoch;
    EXPECT_EQ(pad({1, -1, -1, 1, 1, 0}), (std::vector{gedrueckt, 32767, 32767, -32767, -32767, 255, 128}));
    // Values outside GLFW's range are clamped; a released trigger reads 0.
    EXPECT_EQ(pad({3, -7, 0, 0, 9, -9}), (std::vector{gedrueckt, 32767, 32767, 0, 0, 255, 0}));
}

int gAlteAufrufe = 0;
void AlterRueckruf(GLFWwindow*, int, int, int, int) {
    ++gAlteAufrufe;
}

class GlfwFenster : public ::testing::Test {
protected:
    GLFWwindow* fenster = nullptr;
    Display* anzeige = nullptr;
    Protokollant handler;

    void SetUp() override {
        if (!getenv("DISPLAY"))
            GTEST_SKIP() << "no display";
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        fenster = glfwCreateWindow(320, 240, "Omvu", nullptr, nullptr);
        ASSERT_NE(fenster, nullptr);
        anzeige = XOpenDisplay(nullptr);
        ASSERT_NE(anzeige, nullptr);
        glfwSetKeyCallback(fenster, AlterRueckruf);
        glfwFocusWindow(fenster);
        ASSERT_TRUE(PumpeBis([&] { return glfwGetWindowAttrib(fenster, GLFW_FOCUSED) != 0; }));
        ASSERT_TRUE(Omvu::Initialize(fenster));
        Omvu::gInstance->SetHandler(&handler);
        Omvu::gInstance->Update();
    }

    // Ending GLFW also closes the window.
    void TearDown() override {
        Omvu::Shutdown();
        if (anzeige)
            XCloseDisplay(anzeige);
        glfwTerminate();
    }

    // Pumps the window's events until the condition holds, at most two seconds.
    bool PumpeBis(const std::function<bool()>& bedingung) {
        const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < ende) {
            glfwWaitEventsTimeout(0.01);
            if (bedingung())
                return true;
        }
        return false;
    }

    // Shorter than the server's key repeat delay, which would send a held key again.
    void Pumpe() {
        XSync(anzeige, False);
        for (int i = 0; i < 10; ++i)
            glfwWaitEventsTimeout(0.01);
    }

    bool Gesehen(const std::string& ereignis) {
        return PumpeBis([&] { return std::ranges::count(handler.ereignisse, ereignis) > 0; });
    }

    void Taste(KeySym zeichen, bool runter) {
        XTestFakeKeyEvent(anzeige, XKeysymToKeycode(anzeige, zeichen), runter, CurrentTime);
        XFlush(anzeige);
    }

    void Knopf(unsigned knopf, bool runter) {
        XTestFakeButtonEvent(anzeige, knopf, runter, CurrentTime);
        XFlush(anzeige);
    }
};

// The first key calibrates the key codes, the others follow the key table. A key without a
// character waits for the next callback or the update, and is pressed in the frame of that update.
TEST_F(GlfwFenster, TastenKnoepfeUndRadKommenAnUndDieAltenRueckrufeKehrenZurueck) {
    Taste(XK_Escape, true);
    Pumpe();
    EXPECT_TRUE(handler.ereignisse.empty());
    Omvu::gInstance->Update();
    EXPECT_THAT(handler.Nimm(), ElementsAre("key d0 1 down", "button d0 1 down"));
    EXPECT_TRUE(Omvu::gInstance->GetFirstKeyboard()->WasKeyPressed(1));
    Taste(XK_Escape, false);
    Taste(XK_a, true);
    EXPECT_TRUE(Gesehen("char d0 97"));
    Taste(XK_a, false);
    Taste(XK_Right, true);
    Taste(XK_Right, false);
    EXPECT_TRUE(Gesehen("key d0 205 up"));
    EXPECT_THAT(handler.Nimm(),
                ElementsAre("key d0 1 up", "button d0 1 up", "key d0 30 down", "char d0 97",
                            "button d0 30 down", "key d0 30 up", "button d0 30 up", "key d0 205 down",
                            "button d0 205 down", "key d0 205 up", "button d0 205 up"));
    int x = 0, y = 0;
    glfwGetWindowPos(fenster, &x, &y);
    XTestFakeMotionEvent(anzeige, -1, x + 40, y + 30, CurrentTime);
    Pumpe();
    Omvu::gInstance->Update();
    EXPECT_FLOAT_EQ(Omvu::gInstance->GetFirstMouse()->GetPositionY(), 30);
    handler.Nimm();
    Knopf(1, true);
    Knopf(1, false);
    Knopf(8, true);
    EXPECT_TRUE(Gesehen("mbutton d1 3 down"));
    Knopf(8, false);
    Knopf(4, true);
    Knopf(4, false);
    EXPECT_TRUE(Gesehen("wheel d1 120"));
    EXPECT_THAT(handler.ereignisse,
                ElementsAre("mbutton d1 0 down", "button d1 0 down", "mbutton d1 0 up", "button d1 0 up",
                            "mbutton d1 3 down", "button d1 3 down", "mbutton d1 3 up", "button d1 3 up",
                            "wheel d1 120", "axis d1 2 120"));
    // Keys without a character have English names, the others their layout's.
    const Omvu::Keyboard& k = *Omvu::gInstance->GetFirstKeyboard();
    EXPECT_EQ(k.GetButtonText(1), "Esc");
    EXPECT_EQ(k.GetButtonText(30), "a");
    EXPECT_GT(gAlteAufrufe, 0);
    Omvu::Shutdown();
    EXPECT_EQ(glfwSetKeyCallback(fenster, nullptr), &AlterRueckruf);
    EXPECT_EQ(glfwSetCharCallback(fenster, nullptr), nullptr);
}

} // namespace
