#pragma once
// The OpenGL 3.3 core context of a device: an EGL window surface on the X11 window of a GLFW
// window, or Mesa's surfaceless platform when there is no window (tests, CI).

#include <memory>
#include <string>

struct GLFWwindow;

namespace Plattform {

class EglKontext {
public:
    // Null with the reason in `fehler` when EGL offers no 3.3 core context.
    static std::unique_ptr<EglKontext> Erzeuge(GLFWwindow* fenster, std::string& fehler);
    ~EglKontext();

    bool HatFenster() const { return mOberflaeche != nullptr; }
    // The window's framebuffer size in pixels; 0 x 0 without a window.
    void FensterGroesse(int& breite, int& hoehe) const;
    void SetzeIntervall(int intervall);
    void Tausche();

private:
    EglKontext() = default;

    void* mAnzeige = nullptr;     // EGLDisplay
    void* mKontext = nullptr;     // EGLContext
    void* mOberflaeche = nullptr; // EGLSurface, null when surfaceless
    GLFWwindow* mFenster = nullptr;
};

} // namespace Plattform
