#include "plattform/grafik9/egl_anbindung.h"

#include "plattform/grafik9/gl_kopf.h"
#include "plattform/grafik9/grafik9_meldung.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GLFW_INCLUDE_NONE
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace Plattform {

namespace {

bool HatErweiterung(EGLDisplay anzeige, const char* name) {
    const char* liste = eglQueryString(anzeige, EGL_EXTENSIONS);
    if (liste == nullptr) {
        return false;
    }
    const size_t laenge = std::strlen(name);
    for (const char* p = std::strstr(liste, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool anfang = p == liste || p[-1] == ' ';
        const bool ende = p[laenge] == '\0' || p[laenge] == ' ';
        if (anfang && ende) {
            return true;
        }
    }
    return false;
}

// The window was created by GLFW with its own visual, of whatever depth the X screen has (16,
// 24 or 30 bits); the EGL config must render into exactly that visual or eglCreateWindowSurface
// refuses the window. The back buffer is a framebuffer object of its own format, and presenting
// converts it to the window's.
EGLConfig WaehleFensterKonfig(EGLDisplay anzeige, Display* x, Window fenster) {
    XWindowAttributes attribute{};
    if (XGetWindowAttributes(x, fenster, &attribute) == 0 || attribute.visual == nullptr) {
        return nullptr;
    }
    const VisualID gesucht = XVisualIDFromVisual(attribute.visual);
    const EGLint wunsch[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint anzahl = 0;
    if (!eglChooseConfig(anzeige, wunsch, nullptr, 0, &anzahl) || anzahl <= 0) {
        return nullptr;
    }
    std::vector<EGLConfig> konfigs(static_cast<size_t>(anzahl));
    eglChooseConfig(anzeige, wunsch, konfigs.data(), anzahl, &anzahl);
    for (EGLConfig k : konfigs) {
        EGLint visual = 0;
        if (eglGetConfigAttrib(anzeige, k, EGL_NATIVE_VISUAL_ID, &visual) && VisualID(visual) == gesucht) {
            return k;
        }
    }
    return nullptr;
}

} // namespace

std::unique_ptr<EglKontext> EglKontext::Erzeuge(GLFWwindow* fenster, std::string& fehler) {
    std::unique_ptr<EglKontext> k(new EglKontext);
    k->mFenster = fenster;
    Display* x = nullptr;
    if (fenster != nullptr) {
        x = glfwGetX11Display();
        if (x == nullptr) {
            fehler = "the window is not an X11 window";
            return nullptr;
        }
        k->mAnzeige = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x, nullptr);
    } else {
        k->mAnzeige = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
    EGLDisplay anzeige = k->mAnzeige;
    if (anzeige == EGL_NO_DISPLAY || !eglInitialize(anzeige, nullptr, nullptr)) {
        fehler = "no EGL display";
        k->mAnzeige = nullptr;
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        fehler = "EGL offers no desktop OpenGL";
        return nullptr;
    }

    EGLConfig konfig = nullptr;
    if (fenster != nullptr) {
        konfig = WaehleFensterKonfig(anzeige, x, glfwGetX11Window(fenster));
        if (konfig == nullptr) {
            fehler = "no EGL config matches the window's visual";
            return nullptr;
        }
    } else if (!HatErweiterung(anzeige, "EGL_KHR_surfaceless_context") ||
               !HatErweiterung(anzeige, "EGL_KHR_no_config_context")) {
        fehler = "EGL cannot make a context without a surface";
        return nullptr;
    }

    k->mKontext = k->ErzeugeKontext(konfig ? konfig : EGL_NO_CONFIG_KHR);
    if (k->mKontext == EGL_NO_CONTEXT) {
        k->mKontext = nullptr;
        fehler = "no OpenGL 3.3 core context";
        return nullptr;
    }
    if (fenster != nullptr) {
        Window xFenster = glfwGetX11Window(fenster);
        k->mOberflaeche = eglCreatePlatformWindowSurface(anzeige, konfig, &xFenster, nullptr);
        if (k->mOberflaeche == EGL_NO_SURFACE) {
            k->mOberflaeche = nullptr;
            fehler = "no EGL surface on the window";
            return nullptr;
        }
    }
    EGLSurface oberflaeche = k->mOberflaeche ? k->mOberflaeche : EGL_NO_SURFACE;
    if (!eglMakeCurrent(anzeige, oberflaeche, oberflaeche, k->mKontext)) {
        fehler = "the context cannot be made current";
        return nullptr;
    }
    k->RichteRuecksetzMeldungEin();
    return k;
}

EglKontext::~EglKontext() {
    if (mAnzeige == nullptr) {
        return;
    }
    eglMakeCurrent(mAnzeige, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (mOberflaeche != nullptr) {
        eglDestroySurface(mAnzeige, mOberflaeche);
    }
    if (mKontext != nullptr) {
        eglDestroyContext(mAnzeige, mKontext);
    }
    // The display stays initialised: EGL hands out the same one to the next device, and
    // terminating it would unload the driver with every device (slow, and its allocations
    // would show up as leaks of unknown modules).
}

void EglKontext::FensterGroesse(int& breite, int& hoehe) const {
    breite = 0;
    hoehe = 0;
    if (mFenster != nullptr) {
        glfwGetFramebufferSize(mFenster, &breite, &hoehe);
    }
}

void EglKontext::SetzeIntervall(int intervall) {
    if (mOberflaeche != nullptr) {
        eglSwapInterval(mAnzeige, intervall);
    }
}

void EglKontext::Tausche() {
    if (mOberflaeche != nullptr) {
        eglSwapBuffers(mAnzeige, mOberflaeche);
    }
}

// ---- Reset notification ----

namespace {

// OpenGL 3.3 core with the attribute pairs of `zusatz`.
EGLContext ErzeugeKernKontext(EGLDisplay anzeige, EGLConfig konfig, std::initializer_list<EGLint> zusatz) {
    std::vector<EGLint> wunsch = {EGL_CONTEXT_MAJOR_VERSION,       3,
                                  EGL_CONTEXT_MINOR_VERSION,       3,
                                  EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT};
    wunsch.insert(wunsch.end(), zusatz);
    wunsch.push_back(EGL_NONE);
    return eglCreateContext(anzeige, konfig, EGL_NO_CONTEXT, wunsch.data());
}

bool IstEglAb15(EGLDisplay anzeige) {
    const char* text = eglQueryString(anzeige, EGL_VERSION);
    int haupt = 0;
    int neben = 0;
    return text != nullptr && std::sscanf(text, "%d.%d", &haupt, &neben) == 2 &&
           (haupt > 1 || (haupt == 1 && neben >= 5));
}

// The entry point of glGetGraphicsResetStatus under the name this GL gives it, or null.
const char* StatusAbfrageName() {
    GLint haupt = 0;
    GLint neben = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &haupt);
    glGetIntegerv(GL_MINOR_VERSION, &neben);
    if (haupt > 4 || (haupt == 4 && neben >= 5) || HatGlErweiterung("GL_KHR_robustness")) {
        return "glGetGraphicsResetStatus";
    }
    if (HatGlErweiterung("GL_ARB_robustness")) {
        return "glGetGraphicsResetStatusARB";
    }
    return HatGlErweiterung("GL_EXT_robustness") ? "glGetGraphicsResetStatusEXT" : nullptr;
}

} // namespace

// EGL 1.5 names the reset notification for desktop OpenGL. EGL_EXT_create_context_robustness names
// it too; Mesa takes that attribute for OpenGL ES only, other drivers for desktop OpenGL as well.
// NVIDIA's driver, asked through EGL_NV_robustness_video_memory_purge, also reports video memory
// it purged (at suspend, at a switch to a text console) as a reset.
void* EglKontext::ErzeugeKontext(void* konfig) {
    std::vector<EGLint> strategien;
    if (IstEglAb15(mAnzeige)) {
        strategien.push_back(EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY);
    }
    if (HatErweiterung(mAnzeige, "EGL_EXT_create_context_robustness")) {
        strategien.push_back(EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_EXT);
    }
    const bool speicher = HatErweiterung(mAnzeige, "EGL_NV_robustness_video_memory_purge");
    for (const EGLint strategie : strategien) {
        if (speicher) {
            EGLContext kontext = ErzeugeKernKontext(mAnzeige, konfig,
                                                    {strategie, EGL_LOSE_CONTEXT_ON_RESET,
                                                     EGL_GENERATE_RESET_ON_VIDEO_MEMORY_PURGE_NV, EGL_TRUE});
            if (kontext != EGL_NO_CONTEXT) {
                return kontext;
            }
        }
        EGLContext kontext = ErzeugeKernKontext(mAnzeige, konfig, {strategie, EGL_LOSE_CONTEXT_ON_RESET});
        if (kontext != EGL_NO_CONTEXT) {
            return kontext;
        }
    }
    return ErzeugeKernKontext(mAnzeige, konfig, {});
}

void EglKontext::RichteRuecksetzMeldungEin() {
    GLint strategie = 0;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategie);
    const char* name = StatusAbfrageName();
    if (strategie == GL_LOSE_CONTEXT_ON_RESET && name != nullptr) {
        mStatusAbfrage = reinterpret_cast<StatusAbfrage>(eglGetProcAddress(name));
    }
    if (mStatusAbfrage == nullptr) {
        MeldeGrafik("the driver gives no reset notification: a GPU reset goes unnoticed and never makes "
                    "the device lost");
    }
}

uint32_t EglKontext::RuecksetzStatus() const {
    return mStatusAbfrage != nullptr ? mStatusAbfrage() : GL_NO_ERROR;
}

} // namespace Plattform
