#include "velmklassen/render/velm_screen3d.h"

#include "omvu/omvu_inputsystem.h"
#include "velmklassen/kern/velm_ausnahme.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
#include "velmklassen/kern/velm_programmvariablen.h"
#include "velmklassen/kern/velm_system.h"
#include "velmklassen/kern/velm_zeitgeber.h"
#include "velmklassen/render/velm_zeichenkontext.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdlib>

Velm_ZeichenKontext* Velm_Screen3D::Kontext = nullptr;
boost::signals2::signal<void()> Velm_Screen3D::DarstellungGeaendert;
Velm_Darstellung Velm_Screen3D::mDarstellung;
uint64_t Velm_Screen3D::mFlags = 0;
bool Velm_Screen3D::mGestartet = false;
bool Velm_Screen3D::mInitialisiert = false;
bool Velm_Screen3D::mVollbild = false;
bool Velm_Screen3D::mImUmbau = false;
GLFWwindow* Velm_Screen3D::mFenster = nullptr;

namespace {

bool gGlfwLaeuft = false;

Velm_Konsolenbefehl gReinitVideo("reinitvideo", &Velm_Screen3D::AendereDarstellung);
Velm_Konsolenbefehl gVideoRam("videoram", &Velm_Screen3D::ZeigeVideoRAM);

// At process exit a screen still open is closed.
struct SchliesseAmEnde {
    ~SchliesseAmEnde() {
        if (Velm_Screen3D::mInitialisiert) {
            Velm_Screen3D::Schliessen();
        }
    }
} gSchliesseAmEnde;

GLFWmonitor* PrimaererMonitor() {
    if (!gGlfwLaeuft) {
        return nullptr;
    }
    int anzahl = 0;
    GLFWmonitor** monitore = glfwGetMonitors(&anzahl);
    return (monitore != nullptr && anzahl > 0) ? monitore[0] : nullptr;
}

void SetzePraesenz(Velm_System::Praesenz praesenz) {
    Velm_System& system = Velm_System::Global();
    if (praesenz != system.mPraesenz) {
        system.mPraesenz = praesenz;
        system.mPraesenzSignal(praesenz);
    }
}

} // namespace

void Velm_Screen3D::StarteFensterSystem() {
    gGlfwLaeuft = glfwInit() == GLFW_TRUE;
    if (gGlfwLaeuft) {
        glfwDefaultWindowHints();
    }
    Velm_System::Global().mProFrame = &Velm_Screen3D::Nachrichtenpumpe;
    mGestartet = true;
}

void Velm_Screen3D::Nachrichtenpumpe() {
    if (gGlfwLaeuft) {
        glfwPollEvents();
    }
}

bool Velm_Screen3D::Init(const Velm_Darstellung& gewuenscht, uint64_t flags) {
    Velm_Konsole::Schreibe("Screen wird initialisiert.");
    // The window system is started once; after a close it stays down, so a second Init fails.
    if (!mGestartet) {
        StarteFensterSystem();
    }
    mDarstellung = gewuenscht;
    mFlags = flags;

    const GLFWvidmode* monitorModus = nullptr;
    if (mDarstellung.mBreite == 0 || mDarstellung.mHoehe == 0) {
        GLFWmonitor* monitor = PrimaererMonitor();
        monitorModus = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
        if (monitorModus != nullptr) {
            mDarstellung.mBreite = monitorModus->width;
            mDarstellung.mHoehe = monitorModus->height;
        } else {
            Velm_Konsole::Schreibe(
                "!No monitor found. What the heck is going on here? Starting up windowed.");
        }
        if (mDarstellung.mBreite == 0 || mDarstellung.mHoehe == 0) {
            mFlags &= ~kVollbild;
            mDarstellung.mBreite = 1280;
            mDarstellung.mHoehe = 768;
        }
    }
    if (mFlags & kVollbild) {
        mDarstellung = GibBesteDarstellung(mDarstellung);
        mVollbild = true;
    } else if (monitorModus != nullptr) {
        mDarstellung.mFormat =
            monitorModus->redBits + monitorModus->greenBits + monitorModus->blueBits <= 16 ? 1 : 0;
    }
    fullscreen.SetBool((mFlags & kVollbild) != 0);

    if (gGlfwLaeuft) {
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        const bool sechzehn = mDarstellung.mFormat == 1;
        glfwWindowHint(GLFW_RED_BITS, sechzehn ? 5 : 8);
        glfwWindowHint(GLFW_GREEN_BITS, sechzehn ? 6 : 8);
        glfwWindowHint(GLFW_BLUE_BITS, sechzehn ? 5 : 8);
        mFenster = glfwCreateWindow(int(mDarstellung.mBreite), int(mDarstellung.mHoehe), "Nadrel",
                                    (mFlags & kVollbild) ? PrimaererMonitor() : nullptr, nullptr);
    }
    if (mFenster == nullptr) {
        Velm_Konsole::Schreibe("!Velm_Screen3D::Init(...): Couldn't create window.");
        VELM_BERICHT("Failed to create window", "Velm_Screen3D::Init");
        return false;
    }
    glfwSetWindowSizeCallback(mFenster, &BeiGroessenAenderung);
    glfwSetWindowFocusCallback(mFenster, &BeiFokus);
    glfwSetWindowIconifyCallback(mFenster, &BeiMinimierung);
    glfwSetWindowCloseCallback(mFenster, &BeiSchliessen);

    Kontext = new Velm_ZeichenKontext();
    // Without a device nothing can be drawn: the start-up fails instead of going on blind.
    if (!Kontext->HatGeraet()) {
        Kontext->MeldeNichtFreigegebene();
        delete Kontext;
        Kontext = nullptr;
        glfwDestroyWindow(mFenster);
        mFenster = nullptr;
        return false;
    }
    mInitialisiert = true;
    return true;
}

std::vector<Velm_Darstellung> Velm_Screen3D::GibDarstellungen(uint32_t format) {
    std::vector<Velm_Darstellung> modi;
    GLFWmonitor* monitor = PrimaererMonitor();
    if (monitor == nullptr) {
        return modi;
    }
    int anzahl = 0;
    const GLFWvidmode* liste = glfwGetVideoModes(monitor, &anzahl);
    const int bits = format == 1 ? 16 : 24;
    for (int i = 0; liste != nullptr && i < anzahl; ++i) {
        const GLFWvidmode& m = liste[i];
        if (m.redBits + m.greenBits + m.blueBits == bits) {
            modi.push_back({m.width, m.height, format, m.refreshRate});
        }
    }
    return modi;
}

Velm_Darstellung Velm_Screen3D::WaehleBesteDarstellung(const Velm_Darstellung& anfrage,
                                                       const std::vector<Velm_Darstellung>& modi) {
    const auto abstand = [&](const Velm_Darstellung& m) {
        int64_t d = std::llabs(m.mBreite - anfrage.mBreite) + std::llabs(m.mHoehe - anfrage.mHoehe);
        if (anfrage.mFrequenz != 0) {
            d += std::llabs(m.mFrequenz - anfrage.mFrequenz);
        }
        return d;
    };
    Velm_Darstellung beste;
    int64_t besterAbstand = abstand(beste);
    for (const Velm_Darstellung& m : modi) {
        const int64_t d = abstand(m);
        if (d <= besterAbstand) {
            beste = m;
            besterAbstand = d;
        }
    }
    if (anfrage.mFrequenz == 0) {
        beste.mFrequenz = 0;
    }
    return beste;
}

Velm_Darstellung Velm_Screen3D::GibBesteDarstellung(const Velm_Darstellung& anfrage) {
    if (PrimaererMonitor() == nullptr) {
        Velm_Konsole::Schreibe("!No monitor found. What the heck is going on here?");
        return Velm_Darstellung{};
    }
    return WaehleBesteDarstellung(anfrage, GibDarstellungen(anfrage.mFormat));
}

void Velm_Screen3D::SetDarstellung(const Velm_Darstellung& darstellung, bool vollbild, bool vsyncAn) {
    mImUmbau = true;
    mDarstellung = vollbild ? GibBesteDarstellung(darstellung) : darstellung;
    displaywidth.SetInt(int(mDarstellung.mBreite));
    displayheight.SetInt(int(mDarstellung.mHoehe));
    vsync.SetBool(vsyncAn);
    mFlags = (mFlags & ~(kVollbild | kVSync)) | (vollbild ? kVollbild : 0) | (vsyncAn ? kVSync : 0);

    if (mFenster != nullptr && gGlfwLaeuft) {
        GLFWmonitor* monitor = glfwGetWindowMonitor(mFenster);
        if (vollbild && monitor == nullptr) {
            monitor = PrimaererMonitor();
            glfwSetWindowMonitor(mFenster, monitor, 0, 0, int(mDarstellung.mBreite), int(mDarstellung.mHoehe),
                                 GLFW_DONT_CARE);
        } else if (!vollbild && monitor != nullptr) {
            int x = 0;
            int y = 0;
            glfwGetWindowPos(mFenster, &x, &y);
            glfwSetWindowMonitor(mFenster, nullptr, x, y, int(mDarstellung.mBreite), int(mDarstellung.mHoehe),
                                 GLFW_DONT_CARE);
            monitor = nullptr;
        }
        int breite = 0;
        int hoehe = 0;
        glfwGetWindowSize(mFenster, &breite, &hoehe);
        if (breite != mDarstellung.mBreite || hoehe != mDarstellung.mHoehe) {
            if (monitor != nullptr) {
                glfwSetWindowMonitor(mFenster, monitor, 0, 0, int(mDarstellung.mBreite),
                                     int(mDarstellung.mHoehe), GLFW_DONT_CARE);
            } else {
                glfwSetWindowSize(mFenster, int(mDarstellung.mBreite), int(mDarstellung.mHoehe));
            }
        }
    }
    mVollbild = vollbild;
    fullscreen.SetBool(vollbild);
    if (Kontext != nullptr) {
        Kontext->Zuruecksetzen();
    }
    mImUmbau = false;
    DarstellungGeaendert();
}

void Velm_Screen3D::BeiGroessenAenderung(GLFWwindow*, int breite, int hoehe) {
    // The window reports the size a display change gave it as well; that one is applied already.
    const bool neu = breite != mDarstellung.mBreite || hoehe != mDarstellung.mHoehe;
    if (breite >= 1 && hoehe >= 1 && !(mFlags & kVollbild) && !mImUmbau && neu) {
        SetDarstellung({breite, hoehe, mDarstellung.mFormat, mDarstellung.mFrequenz}, fullscreen.Bool(),
                       vsync.Bool());
    }
}

void Velm_Screen3D::BeiFokus(GLFWwindow*, int fokussiert) {
    Velm_System& system = Velm_System::Global();
    system.mFokussiert = fokussiert != 0;
    SetzePraesenz(!system.mSichtbar    ? Velm_System::Minimiert
                  : system.mFokussiert ? Velm_System::Aktiv
                                       : Velm_System::Inaktiv);
    if (Omvu::gInstance != nullptr) {
        Omvu::gInstance->SetFocus(fokussiert != 0);
    }
}

void Velm_Screen3D::BeiMinimierung(GLFWwindow*, int minimiert) {
    Velm_System& system = Velm_System::Global();
    system.mSichtbar = minimiert == 0;
    SetzePraesenz(minimiert != 0       ? Velm_System::Minimiert
                  : system.mFokussiert ? Velm_System::Aktiv
                                       : Velm_System::Inaktiv);
    if (Omvu::gInstance != nullptr) {
        Omvu::gInstance->SetFocus(minimiert == 0);
    }
}

void Velm_Screen3D::BeiSchliessen(GLFWwindow*) {
    Velm_System::Global().mBeenden = true;
}

void Velm_Screen3D::AendereDarstellung(const std::string&) {
    Velm_Konsole::Schreibe("Darstellung wird geändert auf %dx%d, %s.", displaywidth.Int(),
                           displayheight.Int(), fullscreen.Bool() ? "Vollbild" : "Fenster");
    SetDarstellung({displaywidth.Int(), displayheight.Int(), mDarstellung.mFormat, mDarstellung.mFrequenz},
                   fullscreen.Bool(), vsync.Bool());
}

void Velm_Screen3D::ZeigeVideoRAM(const std::string&) {
    if (Kontext != nullptr) {
        Kontext->GetStatistik();
    }
}

uint64_t Velm_Screen3D::SchaffeVideoRAMPlatz(Velm_ZeichenKontext* kontext) {
    if (kontext == nullptr) {
        return 0;
    }
    auto& reg = kontext->mRegister;
    const uint64_t jetzt = Velm_BasisObjekt::Jetzt();
    uint64_t aeltester = jetzt;
    const auto resident = [&](uint64_t i) {
        return reg.IstBelegt(i) && reg[i]->BelegtVideoRAM() && reg[i]->mZustand == Velm_ObjektResident;
    };
    for (uint64_t i = 0; i < reg.Kapazitaet(); ++i) {
        if (resident(i)) {
            aeltester = std::min(aeltester, reg[i]->mLetzteNutzung);
        }
    }
    const int64_t alter = int64_t(jetzt - aeltester);
    if (!(float(alter) * gZaehlerPeriodeF >= 1.0f)) {
        Velm_Konsole::Schreibe(
            "?Velm_Screen3D::SchaffeVideoRAMPlatz(): Rausgeworfene Resourcen sind sehr jung! "
            "Hinweis auf VideoRAM-Mangel.");
    }
    const int64_t grenze = int64_t(double(alter) * double(0.9f));
    uint64_t anzahl = 0;
    for (uint64_t i = 0; i < reg.Kapazitaet(); ++i) {
        if (resident(i) && int64_t(reg[i]->mLetzteNutzung) < int64_t(jetzt) - grenze) {
            reg[i]->Rauswerfen();
            kontext->VergissGebunden(reg[i]);
            ++anzahl;
        }
    }
    Velm_Konsole::Schreibe("VideoRAM voll, Platz geschaffen: %d Resourcen rausgeworfen, Grenzalter %f",
                           int(anzahl), double(float(grenze) * gZaehlerPeriodeF));
    return anzahl;
}

void Velm_Screen3D::Schliessen() {
    Velm_Konsole::Schreibe("Screen wird geschlossen.");
    mInitialisiert = false;
    // The device presents through a surface on the window, so it goes before the window does.
    if (Kontext != nullptr) {
        Kontext->MeldeNichtFreigegebene();
        delete Kontext;
        Kontext = nullptr;
    }
    if (mFenster != nullptr) {
        // GLFW windows confine no cursor here; there is nothing to release before destroying it.
        glfwDestroyWindow(mFenster);
        mFenster = nullptr;
    }
    if (mGestartet && gGlfwLaeuft) {
        glfwTerminate();
        gGlfwLaeuft = false;
    }
}
