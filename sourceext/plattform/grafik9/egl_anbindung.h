#pragma once
// The OpenGL 3.3 core context of a device: an EGL window surface on the X11 window of a GLFW
// window, or Mesa's surfaceless platform when there is no window (tests, CI).

#include <cstdint>
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
    // glGetGraphicsResetStatus: GL_NO_ERROR, or the cause for which the driver reset the context
    // (a GPU hang it recovered from, video memory it purged); always GL_NO_ERROR when the driver
    // gives this context no reset notification.
    uint32_t RuecksetzStatus() const;

private:
    using StatusAbfrage = uint32_t (*)();

    EglKontext() = default;
    // The context with reset notification where EGL offers it, else as before.
    void* ErzeugeKontext(void* konfig);
    // Once current: keeps the status query when the driver granted the notification.
    void RichteRuecksetzMeldungEin();

    void* mAnzeige = nullptr;     // EGLDisplay
    void* mKontext = nullptr;     // EGLContext
    void* mOberflaeche = nullptr; // EGLSurface, null when surfaceless
    GLFWwindow* mFenster = nullptr;
    StatusAbfrage mStatusAbfrage = nullptr;
};

} // namespace Plattform
