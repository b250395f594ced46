#include "velmklassen/render/velm_screen3d.h"

#include "omvu/omvu_inputsystem.h"
#include "velmklassen/kern/velm_konsole.h"
#include "velmklassen/kern/velm_konsolenbefehl.h"
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

bool AkzeptiereJedeAenderung(Velm_Variable&, bool, const std::string&) {
    return true;
}

} // namespace

// Before the objects below, which may still write them at exit.
Velm_Variable displaywidth("displaywidth", 0, Velm_Variable::kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable displayheight("displayheight", 0, Velm_Variable::kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable displaydepth("displaydepth", 32, Velm_Variable::kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable fullscreen("fullscreen", true, Velm_Variable::kGespeichert, AkzeptiereJedeAenderung);
Velm_Variable vsync("vsync", true, Velm_Variable::kGespeichert, AkzeptiereJedeAenderung);

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

const GLFWvidmode* MonitorModus() {
    GLFWmonitor* monitor = PrimaererMonitor();
    return monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
}

int Farbtiefe(const GLFWvidmode& modus) {
    return modus.redBits + modus.greenBits + modus.blueBits;
}

// The back buffer's format for a colour depth: R5G6B5 up to 16 bits, else A8R8G8B8.
uint32_t FormatFuer(int bits) {
    return bits <= 16 ? 1 : 0;
}

// The monitor's modes of that many colour bits, as modes of the format.
std::vector<Velm_Darstellung> ModiMitTiefe(GLFWmonitor* monitor, int bits, uint32_t format) {
    std::vector<Velm_Darstellung> modi;
    int anzahl = 0;
    const GLFWvidmode* liste = glfwGetVideoModes(monitor, &anzahl);
    for (int i = 0; liste != nullptr && i < anzahl; ++i) {
        if (Farbtiefe(liste[i]) == bits) {
            modi.push_back({liste[i].width, liste[i].height, format, liste[i].refreshRate});
        }
    }
    return modi;
}

// The largest texture the device takes: the open device's, else the adapter's; 0 x 0 when the
// adapter cannot be asked.
void GroessteTextur(uint64_t& breite, uint64_t& hoehe) {
    if (Velm_Screen3D::Kontext != nullptr) {
        breite = Velm_Screen3D::Kontext->mFaehigkeiten.mMaxTexturBreite;
        hoehe = Velm_Screen3D::Kontext->mFaehigkeiten.mMaxTexturHoehe;
    } else {
        Velm_ZeichenKontextImplDX9::GroessteTextur(breite, hoehe);
    }
}

// A width or height the device cannot draw into (not positive, or above the largest texture it
// takes) counts as 0, with a line naming it. Without a known limit only the lower bound holds;
// a device that cannot be made then ends the start cleanly.
void VergissUndarstellbareGroesse(Velm_Darstellung& modus, const char* funktion) {
    uint64_t breite = 0;
    uint64_t hoehe = 0;
    if (modus.mBreite > 0 || modus.mHoehe > 0) {
        GroessteTextur(breite, hoehe);
    }
    const auto pruefe = [funktion](int64_t& wert, uint64_t groesste, const char* name) {
        const bool darstellbar = wert > 0 && (groesste == 0 || uint64_t(wert) <= groesste);
        if (wert != 0 && !darstellbar) {
            Velm_Konsole::Schreibe("?%s(...): %s %lld kann nicht dargestellt werden und zählt als 0.",
                                   funktion, name, static_cast<long long>(wert));
            wert = 0;
        }
    };
    pruefe(modus.mBreite, breite, "Breite");
    pruefe(modus.mHoehe, hoehe, "Höhe");
}

// A width or height of 0 takes the primary monitor's current size; without a monitor the screen
// goes windowed at 1280 x 768. True when the size was replaced.
bool ErsetzeNullGroesse(Velm_Darstellung& modus, bool& vollbild) {
    if (modus.mBreite != 0 && modus.mHoehe != 0) {
        return false;
    }
    if (const GLFWvidmode* monitor = MonitorModus()) {
        modus.mBreite = monitor->width;
        modus.mHoehe = monitor->height;
    } else {
        Velm_Konsole::Schreibe("!No monitor found. What the heck is going on here? Starting up windowed.");
    }
    if (modus.mBreite == 0 || modus.mHoehe == 0) {
        vollbild = false;
        modus.mBreite = 1280;
        modus.mHoehe = 768;
    }
    return true;
}

// The closest fullscreen mode. A request nearer to the all-zero mode than to every mode of the
// monitor (a small size), or one without a monitor, gets that all-zero mode, which no window and
// no back buffer can have: such a size counts as 0 as well, with a line. True when the size was
// replaced.
bool WaehleVollbild(Velm_Darstellung& modus, bool& vollbild, const char* funktion) {
    const Velm_Darstellung beste = Velm_Screen3D::GibBesteDarstellung(modus);
    if (beste.mBreite != 0 && beste.mHoehe != 0) {
        modus = beste;
        return false;
    }
    Velm_Konsole::Schreibe("?%s(...): Keine Vollbild-Darstellung nahe %lldx%lld, es gilt die des Monitors.",
                           funktion, static_cast<long long>(modus.mBreite),
                           static_cast<long long>(modus.mHoehe));
    modus.mBreite = 0;
    modus.mHoehe = 0;
    ErsetzeNullGroesse(modus, vollbild);
    if (vollbild) {
        modus = Velm_Screen3D::GibBesteDarstellung(modus);
    }
    return true;
}

// A size the window no longer has: the report of a change made before its latest one. Two
// display changes within one pump of the window's events would otherwise undo each other, the
// older report resizing the window back and the newer one resizing it again, for ever.
bool Veraltet(GLFWwindow* fenster, int breite, int hoehe) {
    if (fenster == nullptr || !gGlfwLaeuft) {
        return false;
    }
    int jetztBreite = 0;
    int jetztHoehe = 0;
    glfwGetWindowSize(fenster, &jetztBreite, &jetztHoehe);
    return jetztBreite != breite || jetztHoehe != hoehe;
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
    VergissUndarstellbareGroesse(mDarstellung, "Velm_Screen3D::Init");
    bool vollbild = (flags & kVollbild) != 0;
    ErsetzeNullGroesse(mDarstellung, vollbild);
    if (vollbild) {
        WaehleVollbild(mDarstellung, vollbild, "Velm_Screen3D::Init");
    } else if (const GLFWvidmode* monitor = MonitorModus()) {
        // The window takes the screen's visual, whatever size was asked for: the back buffer
        // takes its depth.
        mDarstellung.mFormat = FormatFuer(Farbtiefe(*monitor));
    }
    mFlags = vollbild ? flags : flags & ~kVollbild;
    mVollbild = vollbild;
    fullscreen.SetBool(vollbild);

    if (gGlfwLaeuft) {
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        const bool sechzehn = mDarstellung.mFormat == 1;
        glfwWindowHint(GLFW_RED_BITS, sechzehn ? 5 : 8);
        glfwWindowHint(GLFW_GREEN_BITS, sechzehn ? 6 : 8);
        glfwWindowHint(GLFW_BLUE_BITS, sechzehn ? 5 : 8);
        mFenster = glfwCreateWindow(int(mDarstellung.mBreite), int(mDarstellung.mHoehe), "Nadrel",
                                    (mFlags & kVollbild) ? PrimaererMonitor() : nullptr, nullptr);
    }
    // No window on this display is the player's system, not a fault of the engine: the caller
    // ends the start cleanly, without a check report.
    if (mFenster == nullptr) {
        Velm_Konsole::Schreibe("!Velm_Screen3D::Init(...): Couldn't create window.");
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
    GLFWmonitor* monitor = PrimaererMonitor();
    if (monitor == nullptr) {
        return {};
    }
    return ModiMitTiefe(monitor, format == 1 ? 16 : 24, format);
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
    GLFWmonitor* monitor = PrimaererMonitor();
    if (monitor == nullptr) {
        Velm_Konsole::Schreibe("!No monitor found. What the heck is going on here?");
        return Velm_Darstellung{};
    }
    std::vector<Velm_Darstellung> modi = GibDarstellungen(anfrage.mFormat);
    // A screen of another depth (16 or 30 bits) offers no mode of the one asked for: its own
    // depth is what a fullscreen window can have there.
    const GLFWvidmode* jetzt = glfwGetVideoMode(monitor);
    if (modi.empty() && jetzt != nullptr) {
        const int bits = Farbtiefe(*jetzt);
        Velm_Konsole::Schreibe("?Velm_Screen3D::GibBesteDarstellung(...): Der Monitor hat keine Darstellung "
                               "mit %d Bit, es gelten seine mit %d Bit.",
                               anfrage.mFormat == 1 ? 16 : 24, bits);
        modi = ModiMitTiefe(monitor, bits, FormatFuer(bits));
    }
    return WaehleBesteDarstellung(anfrage, modi);
}

void Velm_Screen3D::SetDarstellung(const Velm_Darstellung& darstellung, bool vollbild, bool vsyncAn) {
    mImUmbau = true;
    Velm_Darstellung modus = darstellung;
    VergissUndarstellbareGroesse(modus, "Velm_Screen3D::SetDarstellung");
    // A size taken from the monitor leaves the variables as they were: 0 keeps meaning "the
    // monitor's", and a value that cannot be shown stays for the player to see.
    bool ersetzt = ErsetzeNullGroesse(modus, vollbild);
    if (vollbild && WaehleVollbild(modus, vollbild, "Velm_Screen3D::SetDarstellung")) {
        ersetzt = true;
    }
    mDarstellung = modus;
    if (!ersetzt) {
        displaywidth.SetInt(int(mDarstellung.mBreite));
        displayheight.SetInt(int(mDarstellung.mHoehe));
    }
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

void Velm_Screen3D::BeiGroessenAenderung(GLFWwindow* fenster, int breite, int hoehe) {
    // The window reports the size a display change gave it as well; that one is applied already.
    const bool neu = breite != mDarstellung.mBreite || hoehe != mDarstellung.mHoehe;
    if (breite >= 1 && hoehe >= 1 && !(mFlags & kVollbild) && !mImUmbau && neu &&
        !Veraltet(fenster, breite, hoehe)) {
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
