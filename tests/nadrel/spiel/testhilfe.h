#pragma once
// Shared by the whole-game tests: one run of the real program "nadrel" in a user folder of its
// own, on the run's X server or on one of the test's own, driven through XTest as a player's
// keyboard and mouse would drive it, and judged by its exit code, its log, its configuration, its
// screenshots and the pixels of its window.

#include "testhilfen/testhilfen.h"
#include "velmklassen/bild/velm_bild.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Xlib's macros (None, True, Bool) must come after the test framework's headers.
#include "testhilfen/xserver.h"
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace spieltest {

namespace fs = std::filesystem;
using Uhr = std::chrono::steady_clock;
using ms = std::chrono::milliseconds;
using namespace std::chrono_literals;

using Rgb = std::array<int, 3>;

inline bool Warte(const std::function<bool()>& bedingung, ms hoechstens) {
    const auto ende = Uhr::now() + hoechstens;
    while (Uhr::now() < ende) {
        if (bedingung())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return bedingung();
}

inline int Anzahl(const std::string& text, const std::string& teil) {
    int n = 0;
    for (size_t i = text.find(teil); i != std::string::npos; i = text.find(teil, i + 1))
        ++n;
    return n;
}

// A screenshot as the game wrote it.
struct Foto {
    std::unique_ptr<Velm_Bild> bild = std::make_unique<Velm_Bild>();

    // {-1, -1, -1} outside the image: a screenshot that was not written fails the checks of its
    // pixels instead of ending the test program.
    Rgb Pixel(int x, int y) const {
        if (x < 0 || y < 0 || uint64_t(x) >= bild->mBreite || uint64_t(y) >= bild->mHoehe)
            return {-1, -1, -1};
        const uint8_t* p = bild->mDaten + uint64_t(y) * bild->mPitch + uint64_t(x) * 4;
        return {p[2], p[1], p[0]};
    }
    double Helligkeit(int x0, int y0, int x1, int y1) const {
        double summe = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const Rgb p = Pixel(x, y);
                summe += p[0] + p[1] + p[2];
            }
        return summe / (3.0 * (x1 - x0) * (y1 - y0));
    }
};

// What the window shows, read from the X server in the window's own depth.
struct Fensterbild {
    struct Freigabe {
        void operator()(XImage* b) const { XDestroyImage(b); }
    };
    std::unique_ptr<XImage, Freigabe> bild;

    int Breite() const { return bild ? bild->width : 0; }
    int Hoehe() const { return bild ? bild->height : 0; }
    TXFarbe Pixel(int x, int y) const { return TXPixel(bild.get(), x, y); }
    // The smallest rectangle [x0, x1) x [y0, y1) of the area that holds every pixel brighter than
    // half in all three channels; x0 = -1 when there is none.
    std::array<int, 4> Hell(int breite, int hoehe) const {
        std::array<int, 4> r{-1, -1, -1, -1};
        for (int y = 0; y < std::min(hoehe, Hoehe()); ++y)
            for (int x = 0; x < std::min(breite, Breite()); ++x) {
                const Rgb p = Pixel(x, y).Acht();
                if (p[0] < 128 || p[1] < 128 || p[2] < 128)
                    continue;
                r = r[0] < 0 ? std::array{x, y, x + 1, y + 1}
                             : std::array{std::min(r[0], x), std::min(r[1], y), std::max(r[2], x + 1),
                                          std::max(r[3], y + 1)};
            }
        return r;
    }
};

// One game per test or case: a fresh user folder with a configuration (windowed 1280 x 720, no
// vsync, no shader dumps, and whatever the case sets), the program started in it, and the X
// server the test watches and drives (none for a start without a display).
class Spielrunde : public ::testing::Test {
protected:
    void TearDown() override { Abbrechen(); }

    // A fresh user folder for the case (empty: the test's own name) with the configuration of
    // every run and `werte` over it.
    void NeuerOrdner(const std::string& fall = "", const std::map<std::string, std::string>& werte = {}) {
        mOrdner = fs::path(NADREL_ARBEIT) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (!fall.empty())
            mOrdner /= fall;
        fs::remove_all(mOrdner);
        fs::create_directories(Benutzer());
        std::map<std::string, std::string> konfig = {{"debugShader", "nein"},
                                                     {"displayheight", "720"},
                                                     {"displaywidth", "1280"},
                                                     {"fullscreen", "nein"},
                                                     {"vsync", "nein"}};
        for (const auto& [name, wert] : werte)
            konfig[name] = wert;
        std::ofstream cfg(Benutzer() / "spiel.cfg");
        cfg << "<?xml version=\"1.0\" ?>\n<config>\n";
        for (const auto& [name, wert] : konfig)
            cfg << "<var name=\"" << name << "\" wert=\"" << wert << "\" />\n";
        cfg << "</config>\n";
    }

    fs::path Benutzer() const { return mOrdner / "Nadrel"; }
    std::string Log() const { return TextDerDatei(Benutzer() / "spiel.log"); }
    std::string Konfig() const { return TextDerDatei(Benutzer() / "spiel.cfg"); }

    // The program, with a fixed world seed and game step; DISPLAY as `mAnzeigeName` says, the
    // file-size limit as `mDateiGrenze`.
    void Starte(const fs::path& programm = NADREL_PROGRAMM) {
        const pid_t test = getpid();
        mPid = fork();
        if (mPid == 0) {
            // A test program that dies before its TearDown takes the game along: left running, the
            // game would keep its window and the keyboard focus on the X server of later tests.
            if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test)
                _exit(124);
            if (chdir(mOrdner.c_str()) != 0)
                _exit(126);
            setenv("XDG_DATA_HOME", mOrdner.c_str(), 1);
            setenv("NADREL_SAAT", "7", 1);
            setenv("NADREL_SCHRITT", "0.0166667", 1);
            if (mAnzeigeName)
                mAnzeigeName->empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", mAnzeigeName->c_str(), 1);
            // The game's own output stays out of the test's.
            if (!freopen((mOrdner / "ausgabe.txt").c_str(), "w", stdout))
                _exit(125);
            if (mDateiGrenze) {
                const rlimit grenze{*mDateiGrenze, *mDateiGrenze};
                if (signal(SIGXFSZ, SIG_DFL) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &grenze) != 0)
                    _exit(123);
            }
            execl(programm.c_str(), programm.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        mFenster.reset();
    }

    // The exit code once the program has ended within the time (1000 + the signal when a signal
    // ended it), else nothing.
    std::optional<int> Ende(ms hoechstens) {
        int status = 0;
        if (!Warte([&] { return waitpid(mPid, &status, WNOHANG) == mPid; }, hoechstens))
            return std::nullopt;
        mPid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    // Asks the window to close, as the window manager's close button does; the exit code.
    std::optional<int> Schliesse() {
        Atom protokolle = XInternAtom(mX, "WM_PROTOCOLS", False);
        XEvent ereignis{};
        ereignis.xclient.type = ClientMessage;
        ereignis.xclient.window = *mFenster;
        ereignis.xclient.message_type = protokolle;
        ereignis.xclient.format = 32;
        ereignis.xclient.data.l[0] = long(XInternAtom(mX, "WM_DELETE_WINDOW", False));
        ereignis.xclient.data.l[1] = CurrentTime;
        XSendEvent(mX, *mFenster, False, NoEventMask, &ereignis);
        XSync(mX, False);
        return Ende(30s);
    }

    void Abbrechen() {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
            mPid = 0;
        }
    }

    // The process that made the window, as GLFW records it in _NET_WM_PID; 0 when unknown.
    pid_t FensterProzess(Window fenster) const {
        const Atom pid = XInternAtom(mX, "_NET_WM_PID", True);
        Atom typ = 0;
        int format = 0;
        unsigned long anzahl = 0, rest = 0;
        unsigned char* daten = nullptr;
        pid_t prozess = 0;
        if (pid != None &&
            XGetWindowProperty(mX, fenster, pid, 0, 1, False, XA_CARDINAL, &typ, &format, &anzahl, &rest,
                               &daten) == Success &&
            daten != nullptr && format == 32 && anzahl == 1)
            prozess = pid_t(*reinterpret_cast<const unsigned long*>(daten));
        XFree(daten);
        return prozess;
    }

    // The game's window once it shows the scene's border in the clear colour at the top of its
    // middle: frames are being presented. Any other window (a name other than "Nadrel", one of a
    // game of an earlier case that the server has not yet taken down, not yet mapped) gives no image.
    bool FindeFenster() {
        Window w1, w2, *kinder = nullptr;
        unsigned anzahl = 0;
        XQueryTree(mX, DefaultRootWindow(mX), &w1, &w2, &kinder, &anzahl);
        for (unsigned i = 0; i < anzahl && !mFenster; ++i) {
            char* name = nullptr;
            XWindowAttributes a{};
            const bool unseres = XFetchName(mX, kinder[i], &name) && std::string(name) == "Nadrel" &&
                                 FensterProzess(kinder[i]) == mPid && XGetWindowAttributes(mX, kinder[i], &a);
            XImage* bild =
                unseres ? XGetImage(mX, kinder[i], a.width / 2, 8, 1, 1, AllPlanes, ZPixmap) : nullptr;
            if (bild) {
                const Rgb p = TXPixel(bild, 0, 0).Acht();
                if (std::all_of(p.begin(), p.end(), [](int c) { return std::abs(c - 26) <= 3; }))
                    mFenster = kinder[i];
                XDestroyImage(bild);
            }
            XFree(name);
        }
        XFree(kinder);
        return mFenster.has_value();
    }

    // Whether the program has ended, leaving its exit code for `Ende`.
    bool Beendet() const {
        siginfo_t info{};
        return waitid(P_PID, id_t(mPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == mPid;
    }

    // Waits for the window and its first frames, then gives it the keyboard and the pointer. Call
    // it through ASSERT_NO_FATAL_FAILURE: without a window the rest of a test has nothing to drive.
    void WarteAufSpiel() {
        ASSERT_TRUE(Warte([&] { return FindeFenster() || Beendet(); }, 60s) && mFenster) << Log();
        XSetInputFocus(mX, *mFenster, RevertToParent, CurrentTime);
        const Fensterbild bild = Fenster();
        Zeiger(bild.Breite() / 2, bild.Hoehe() / 2);
    }

    Fensterbild Fenster() const {
        Fensterbild f;
        XWindowAttributes a{};
        if (mFenster && XGetWindowAttributes(mX, *mFenster, &a))
            f.bild.reset(
                XGetImage(mX, *mFenster, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap));
        return f;
    }

    void Zeiger(int x, int y) {
        int rx = 0, ry = 0;
        Window kind;
        XTranslateCoordinates(mX, *mFenster, DefaultRootWindow(mX), x, y, &rx, &ry, &kind);
        XTestFakeMotionEvent(mX, DefaultScreen(mX), rx, ry, CurrentTime);
        XSync(mX, False);
    }

    // Down, held until the game has certainly seen a frame, up, and the same time again.
    void Halte(const std::function<void(Bool)>& setze) {
        for (const Bool unten : {True, False}) {
            setze(unten);
            XSync(mX, False);
            std::this_thread::sleep_for(mHalten);
        }
    }
    // A key the frame loop reads from the keyboard's state (F1, F11, Escape, the keypad).
    void Taste(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(mX, symbol);
        Halte([&](Bool unten) { XTestFakeKeyEvent(mX, code, unten, CurrentTime); });
    }
    // Characters and Return for the console, which takes them as events: no holding needed.
    void Tippe(const std::string& text) {
        std::vector<KeySym> tasten;
        for (const char c : text)
            tasten.push_back(c == '\n' ? XK_Return : KeySym(c));
        for (const KeySym symbol : tasten) {
            const KeyCode code = XKeysymToKeycode(mX, symbol);
            XTestFakeKeyEvent(mX, code, True, CurrentTime);
            XTestFakeKeyEvent(mX, code, False, CurrentTime);
            XSync(mX, False);
            std::this_thread::sleep_for(5ms);
        }
        std::this_thread::sleep_for(mHalten);
    }

    // F1, held until the file is there; the first one also measures how long the game needs to
    // see a key, and every later key is held twice as long, though not so long that the input
    // system's key repeat (after 0.7 s) would send it again.
    Foto Bildschirmfoto(int nummer) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot%04d.png", nummer);
        const fs::path pfad = Benutzer() / "screenshots" / name;
        const KeyCode code = XKeysymToKeycode(mX, XK_F1);
        const auto anfang = Uhr::now();
        XTestFakeKeyEvent(mX, code, True, CurrentTime);
        XSync(mX, False);
        EXPECT_TRUE(Warte([&] { return fs::exists(pfad) && Log().find(name) != std::string::npos; }, 30s))
            << pfad;
        if (nummer == 0)
            mHalten = std::clamp(2 * std::chrono::duration_cast<ms>(Uhr::now() - anfang), 150ms, 500ms);
        XTestFakeKeyEvent(mX, code, False, CurrentTime);
        XSync(mX, False);
        std::this_thread::sleep_for(mHalten);
        Foto foto;
        EXPECT_TRUE(foto.bild->LadeBildAusDatei(pfad)) << pfad;
        return foto;
    }

    // The connection the test watches and drives the game through, and the DISPLAY the game gets:
    // nothing keeps the test's own, "" starts it without one.
    Display* mX = nullptr;
    std::optional<std::string> mAnzeigeName;
    // The program's file-size limit in bytes, as "ulimit -f" sets it, with SIGXFSZ at its default
    // action whatever the test program does with it; nothing keeps the test's own.
    std::optional<rlim_t> mDateiGrenze;
    std::optional<Window> mFenster;
    fs::path mOrdner;
    pid_t mPid = 0;
    ms mHalten{300};
};

// A window read before it is mapped gives no image instead of ending the test.
inline void UebergeheXFehler() {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

} // namespace spieltest
