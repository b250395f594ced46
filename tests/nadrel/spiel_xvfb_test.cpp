// The whole game on the X server of the run: the real program "nadrel", driven through XTest as a
// player's keyboard and mouse would drive it, judged by its exit code, its log, its configuration
// and the pixels of its screenshots. Skipped without a display.

#include "testhilfen/testhilfen.h"
#include "velmklassen/bild/velm_bild.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

// Xlib's macros (None, True, Bool) must come after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;
using Uhr = std::chrono::steady_clock;
using ms = std::chrono::milliseconds;
using namespace std::chrono_literals;

constexpr int kBreite = 1280;
constexpr int kHoehe = 720;
// At heights 60 and 240 the scene image is 640 x 480 on screen, centred.
constexpr int kSzeneLinks = 320, kSzeneOben = 120, kSzeneRechts = 960, kSzeneUnten = 600;

bool Warte(const std::function<bool()>& bedingung, ms hoechstens) {
    const auto ende = Uhr::now() + hoechstens;
    while (Uhr::now() < ende) {
        if (bedingung())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return bedingung();
}

int Anzahl(const std::string& text, const std::string& teil) {
    int n = 0;
    for (size_t i = text.find(teil); i != std::string::npos; i = text.find(teil, i + 1))
        ++n;
    return n;
}

struct Foto {
    std::unique_ptr<Velm_Bild> bild = std::make_unique<Velm_Bild>();

    // Red, green, blue.
    std::array<int, 3> Pixel(int x, int y) const {
        const uint8_t* p = bild->mDaten + uint64_t(y) * bild->mPitch + uint64_t(x) * 4;
        return {p[2], p[1], p[0]};
    }
    double Helligkeit(int x0, int y0, int x1, int y1) const {
        double summe = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const auto p = Pixel(x, y);
                summe += p[0] + p[1] + p[2];
            }
        return summe / (3.0 * (x1 - x0) * (y1 - y0));
    }
    // Neighbours of the scene image that differ inside the blocks of an enlargement by `faktor`:
    // none when every scene pixel covers such a block.
    int WechselInBloecken(int faktor) const {
        int n = 0;
        for (int y = kSzeneOben; y < kSzeneUnten; y += 3)
            for (int x = kSzeneLinks; x + 1 < kSzeneRechts; ++x)
                n += (x + 1 - kSzeneLinks) % faktor != 0 && Pixel(x, y) != Pixel(x + 1, y);
        return n;
    }
};

class Partie : public ::testing::Test {
protected:
    // One connection for all cases: the server starts afresh when its last client leaves, and a
    // connection made during that fails.
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY"))
            sAnzeige = XOpenDisplay(nullptr);
        // A held key must not come again while the game has not yet seen a frame.
        if (sAnzeige)
            XAutoRepeatOff(sAnzeige);
        // A window read before it is mapped gives no image instead of ending the test.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }

    static void TearDownTestSuite() {
        if (sAnzeige) {
            XAutoRepeatOn(sAnzeige);
            XCloseDisplay(sAnzeige);
        }
    }

    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no display";
        ASSERT_NE(sAnzeige, nullptr);
        mOrdner = fs::path(NADREL_ARBEIT) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(mOrdner);
        fs::create_directories(mOrdner / "Nadrel");
        std::ofstream cfg(mOrdner / "Nadrel" / "spiel.cfg");
        cfg << "<?xml version=\"1.0\" ?>\n<config>\n";
        for (const char* var :
             {"debugShader\" wert=\"nein", "displayheight\" wert=\"720", "displaywidth\" wert=\"1280",
              "fullscreen\" wert=\"nein", "vsync\" wert=\"nein"})
            cfg << "<var name=\"" << var << "\" />\n";
        cfg << "</config>\n";
    }

    void TearDown() override {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }

    fs::path Benutzer() const { return mOrdner / "Nadrel"; }

    void Starte() {
        mPid = fork();
        if (mPid == 0) {
            if (chdir(mOrdner.c_str()) != 0)
                _exit(126);
            setenv("XDG_DATA_HOME", mOrdner.c_str(), 1);
            setenv("NADREL_SAAT", "7", 1);
            setenv("NADREL_SCHRITT", "0.0166667", 1);
            // The game's own output stays out of the test's.
            if (!freopen((mOrdner / "ausgabe.txt").c_str(), "w", stdout))
                _exit(125);
            execl(NADREL_PROGRAMM, NADREL_PROGRAMM, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The exit code once the program has ended within the time, else nothing.
    std::optional<int> Ende(ms hoechstens) {
        int status = 0;
        if (!Warte([&] { return waitpid(mPid, &status, WNOHANG) == mPid; }, hoechstens))
            return std::nullopt;
        mPid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    // The game's window once it shows the scene's border in the clear colour: frames are being
    // presented. Any other window (a name other than "Nadrel", not yet mapped) gives no image.
    bool FindeFenster() {
        Window w1, w2, *kinder = nullptr;
        unsigned anzahl = 0;
        XQueryTree(sAnzeige, DefaultRootWindow(sAnzeige), &w1, &w2, &kinder, &anzahl);
        for (unsigned i = 0; i < anzahl && !mFenster; ++i) {
            char* name = nullptr;
            XImage* bild = XFetchName(sAnzeige, kinder[i], &name) && std::string(name) == "Nadrel"
                               ? XGetImage(sAnzeige, kinder[i], 640, 60, 1, 1, AllPlanes, ZPixmap)
                               : nullptr;
            if (bild && (XGetPixel(bild, 0, 0) & 0xFFFFFF) == 0x1A1A1A)
                mFenster = kinder[i];
            if (bild)
                XDestroyImage(bild);
            XFree(name);
        }
        XFree(kinder);
        return mFenster.has_value();
    }

    // Waits for the window and its first frames, then gives it the keyboard and the pointer.
    void WarteAufSpiel() {
        ASSERT_TRUE(Warte([&] { return FindeFenster(); }, 60s));
        XSetInputFocus(sAnzeige, *mFenster, RevertToParent, CurrentTime);
        Zeiger(kBreite / 2, kHoehe / 2);
    }

    void Zeiger(int x, int y) {
        int rx = 0, ry = 0;
        Window kind;
        XTranslateCoordinates(sAnzeige, *mFenster, DefaultRootWindow(sAnzeige), x, y, &rx, &ry, &kind);
        XTestFakeMotionEvent(sAnzeige, DefaultScreen(sAnzeige), rx, ry, CurrentTime);
        XSync(sAnzeige, False);
    }

    // Down, held until the game has certainly seen a frame, up, and the same time again.
    void Halte(const std::function<void(Bool)>& setze) {
        for (const Bool unten : {True, False}) {
            setze(unten);
            XSync(sAnzeige, False);
            std::this_thread::sleep_for(mHalten);
        }
    }
    void Taste(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(sAnzeige, symbol);
        Halte([&](Bool unten) { XTestFakeKeyEvent(sAnzeige, code, unten, CurrentTime); });
    }

    // F1, held until the file is there; the first one also measures how long the game needs to
    // see a key, and every later key is held twice as long, though not so long that the input
    // system's key repeat (after 0.7 s) would send it again.
    Foto Bildschirmfoto(int nummer) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot%04d.png", nummer);
        const fs::path pfad = Benutzer() / "screenshots" / name;
        const KeyCode code = XKeysymToKeycode(sAnzeige, XK_F1);
        const auto anfang = Uhr::now();
        XTestFakeKeyEvent(sAnzeige, code, True, CurrentTime);
        XSync(sAnzeige, False);
        EXPECT_TRUE(Warte(
            [&] {
                return fs::exists(pfad) &&
                       TextDerDatei(Benutzer() / "spiel.log").find(name) != std::string::npos;
            },
            30s))
            << pfad;
        if (nummer == 0)
            mHalten = std::clamp(2 * std::chrono::duration_cast<ms>(Uhr::now() - anfang), 150ms, 500ms);
        XTestFakeKeyEvent(sAnzeige, code, False, CurrentTime);
        XSync(sAnzeige, False);
        std::this_thread::sleep_for(mHalten);
        Foto foto;
        EXPECT_TRUE(foto.bild->LadeBildAusDatei(pfad)) << pfad;
        return foto;
    }

    static inline Display* sAnzeige = nullptr;
    std::optional<Window> mFenster;
    fs::path mOrdner;
    pid_t mPid = 0;
    ms mHalten{300};
};

// One game: the first frame, the console, the scene's height, the pause menu opened, closed and
// opened again, and the end through its "Ende" button.
TEST_F(Partie, BildschirmfotosKonsolePauseUndEnde) {
    Starte();
    WarteAufSpiel();

    const Foto erstes = Bildschirmfoto(0);
    ASSERT_EQ(erstes.bild->mBreite, uint64_t(kBreite));
    ASSERT_EQ(erstes.bild->mHoehe, uint64_t(kHoehe));
    // The border in the clear colour as the screenshot stores it (every border pixel is checked
    // where the renderer draws it, headless).
    EXPECT_EQ(erstes.Pixel(0, 0), (std::array<int, 3>{26, 26, 26}));
    EXPECT_GT(erstes.Helligkeit(kSzeneLinks, kSzeneOben, kSzeneRechts, kSzeneUnten), 5);
    EXPECT_NE(erstes.Pixel(640, 580), erstes.Pixel(640, 200));

    // The console runs "set"; closed, it hands the keys back to the game.
    for (const KeySym taste : {XK_F11, XK_s, XK_e, XK_t, XK_Return, XK_F11})
        Taste(taste);
    const std::string konsole = TextDerDatei(Benutzer() / "spiel.log");
    EXPECT_NE(konsole.find(">set"), std::string::npos);
    EXPECT_NE(konsole.find("displaywidth: 1280"), std::string::npos);

    Taste(XK_KP_Add);
    Taste(XK_KP_Add);
    const Foto zweites = Bildschirmfoto(1);
    // Height 60 is enlarged eight times, height 240 twice.
    EXPECT_EQ(erstes.WechselInBloecken(8), 0);
    EXPECT_GT(zweites.WechselInBloecken(8), 100);
    EXPECT_EQ(zweites.WechselInBloecken(2), 0);

    const auto blende = std::max<ms>(600ms, 6 * mHalten);
    Taste(XK_Escape);
    std::this_thread::sleep_for(blende);
    const Foto pause = Bildschirmfoto(2);
    // Below the menu the scene has darkened; the "Ende" button stands out of it.
    const double hell = zweites.Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten);
    const double dunkel = pause.Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten);
    EXPECT_LT(dunkel, hell * 0.7) << hell;
    EXPECT_GT(pause.Helligkeit(540, 420, 740, 470), dunkel + 10);
    // The game timer stands: the world has not moved a pixel some frames later.
    std::this_thread::sleep_for(4 * mHalten);
    const Foto spaeter = Bildschirmfoto(3);
    int bewegt = 0;
    for (int y = kSzeneOben; y < kSzeneUnten; ++y)
        for (int x = kSzeneLinks; x < kSzeneRechts; ++x)
            bewegt += spaeter.Pixel(x, y) != pause.Pixel(x, y);
    EXPECT_EQ(bewegt, 0);

    // Escape also closes the menu, and the scene brightens again.
    Taste(XK_Escape);
    std::this_thread::sleep_for(blende);
    EXPECT_GT(Bildschirmfoto(4).Helligkeit(kSzeneLinks, 545, kSzeneRechts, kSzeneUnten), hell * 0.9);

    Taste(XK_Escape);
    Zeiger(640, 445);
    std::this_thread::sleep_for(mHalten);
    Halte([&](Bool unten) { XTestFakeButtonEvent(sAnzeige, 1, unten, CurrentTime); });
    EXPECT_EQ(Ende(std::max<ms>(1000ms, 4 * mHalten)), 0);

    const std::string log = TextDerDatei(Benutzer() / "spiel.log");
    EXPECT_EQ(log.find("Log-Start"), log.find(": ") + 2);
    EXPECT_EQ(Anzahl(log, "Screenshot saved as"), 5);
    EXPECT_EQ(Anzahl(TextDerDatei(Benutzer() / "spiel.cfg"), "<var "), 10);
}

TEST_F(Partie, AbsturzSchreibtBerichtUndDump) {
    // The sanitizer build leaves the fault to the game's own handler, as a release build does.
    setenv("NADREL_ABSTURZ", "3", 1);
    setenv("ASAN_OPTIONS", "handle_segv=0:use_sigaltstack=0", 1);
    Starte();
    unsetenv("NADREL_ABSTURZ");
    unsetenv("ASAN_OPTIONS");
    const std::optional<int> ende = Ende(60s);
    ASSERT_TRUE(ende.has_value());
    EXPECT_NE(*ende, 0);
    const std::string log = TextDerDatei(Benutzer() / "spiel.log");
    EXPECT_NE(log.find("ACCESS_VIOLATION"), std::string::npos) << log;
    EXPECT_NE(log.find("Spiel::LoeseAbsturzAus()"), std::string::npos);
    EXPECT_NE(log.find("Minidump created."), std::string::npos);
    EXPECT_GT(fs::file_size(Benutzer() / "MiniDump.dmp"), 0u);
}

// A GPU reset reported at the fifth present: the game resets the device into a new OpenGL context,
// goes on drawing the scene and ends normally through the console's "quit".
TEST_F(Partie, GpuResetUndWeiter) {
    setenv("NADREL_GPURESET", "5", 1);
    Starte();
    unsetenv("NADREL_GPURESET");
    ASSERT_TRUE(Warte(
        [&] {
            return TextDerDatei(Benutzer() / "spiel.log").find("Device zurücksetzen") != std::string::npos;
        },
        60s));
    WarteAufSpiel();
    const Foto foto = Bildschirmfoto(0);
    EXPECT_EQ(foto.Pixel(0, 0), (std::array<int, 3>{26, 26, 26}));
    EXPECT_GT(foto.Helligkeit(kSzeneLinks, kSzeneOben, kSzeneRechts, kSzeneUnten), 5);
    for (const KeySym taste : {XK_F11, XK_q, XK_u, XK_i, XK_t, XK_Return})
        Taste(taste);
    EXPECT_EQ(Ende(std::max<ms>(1000ms, 4 * mHalten)), 0);
    EXPECT_EQ(Anzahl(TextDerDatei(Benutzer() / "spiel.log"), "Device zurücksetzen"), 1);
}

} // namespace
