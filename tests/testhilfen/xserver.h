#pragma once
// An X server of the test's own, for a colour depth the run's server does not have or a game no
// other test drives at the same time: Xvfb on the first free display number, ended with the object;
// and the colour of a pixel read from a window of any depth. Include it after the test framework:
// Xlib's macros (None, True, Bool) break its headers.

#include <algorithm>
#include <array>
#include <bit>
#include <csignal>
#include <cstdlib>
#include <string>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class TXServer {
public:
    // Starts Xvfb with one screen of that size and depth (8, 15, 16, 24 or 30 bits). `Name` stays
    // empty when it does not start: no Xvfb installed, or a depth it refuses.
    TXServer(int breite, int hoehe, int tiefe) {
        int rohr[2];
        if (pipe(rohr) != 0)
            return;
        mPid = fork();
        if (mPid == 0) {
            close(rohr[0]);
            // A test that dies takes its server along.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            // Its warnings about fonts and keymaps would fill the test's output, and a test's
            // output must end with the test, not with the server.
            if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
                _exit(126);
            const std::string fd = std::to_string(rohr[1]);
            const std::string schirm =
                std::to_string(breite) + "x" + std::to_string(hoehe) + "x" + std::to_string(tiefe);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", schirm.c_str(), "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(rohr[1]);
        // The server writes its display number once it takes connections.
        std::string nummer;
        pollfd warte{rohr[0], POLLIN, 0};
        char zeichen = 0;
        while (mPid > 0 && poll(&warte, 1, 20000) == 1 && read(rohr[0], &zeichen, 1) == 1 && zeichen != '\n')
            nummer += zeichen;
        close(rohr[0]);
        if (!nummer.empty() && zeichen == '\n')
            mName = ":" + nummer;
    }
    ~TXServer() {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            waitpid(mPid, nullptr, 0);
        }
    }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Name() const { return mName; }

private:
    pid_t mPid = -1;
    std::string mName;
};

// One pixel of an X image: red, green and blue in the visual's own bits (5, 6, 5 at depth 16;
// 8 at 24; 10 at 30).
struct TXFarbe {
    std::array<int, 3> wert{};
    std::array<int, 3> bits{};

    // Each channel scaled to 8 bits.
    std::array<int, 3> Acht() const {
        std::array<int, 3> acht{};
        for (int i = 0; i < 3; ++i)
            acht[i] = bits[i] > 0 ? (wert[i] * 255 + ((1 << bits[i]) - 1) / 2) / ((1 << bits[i]) - 1) : 0;
        return acht;
    }
    // Whether a colour of 8 bits a channel shows as this one in the visual's precision.
    bool Zeigt(const std::array<int, 3>& rgb) const {
        for (int i = 0; i < 3; ++i) {
            const int gemeinsam = std::min(bits[i], 8);
            if ((wert[i] >> (bits[i] - gemeinsam)) != (rgb[i] >> (8 - gemeinsam)))
                return false;
        }
        return true;
    }
};

inline TXFarbe TXPixel(XImage* bild, int x, int y) {
    const unsigned long pixel = XGetPixel(bild, x, y);
    TXFarbe farbe;
    const unsigned long masken[3] = {bild->red_mask, bild->green_mask, bild->blue_mask};
    for (int i = 0; i < 3; ++i) {
        farbe.bits[i] = std::popcount(masken[i]);
        farbe.wert[i] = masken[i] != 0 ? int((pixel & masken[i]) >> std::countr_zero(masken[i])) : 0;
    }
    return farbe;
}
