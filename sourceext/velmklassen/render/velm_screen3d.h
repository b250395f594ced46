#pragma once
// The engine's one screen: the program's window through GLFW, the display mode, windowed and
// fullscreen, presence and focus, the message pump, and the one drawing context.

#include "velmklassen/kern/velm_variable.h"

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <string>
#include <vector>

struct GLFWwindow;
class Velm_ZeichenKontext;

// The display settings: read when the screen (re)creates the device, written back by it. They take
// every change; a size the screen cannot show counts as 0 when it is used.
extern Velm_Variable displaywidth;
extern Velm_Variable displayheight;
extern Velm_Variable displaydepth;
extern Velm_Variable fullscreen;
extern Velm_Variable vsync;

// A display mode: the back buffer's size, its format (0 A8R8G8B8, 1 R5G6B5) and the refresh
// rate in Hz (0 = any).
struct Velm_Darstellung {
    int64_t mBreite = 0;
    int64_t mHoehe = 0;
    uint32_t mFormat = 0;
    int64_t mFrequenz = 0;

    bool operator==(const Velm_Darstellung&) const = default;
};

class Velm_Screen3D {
public:
    // Flags of `Init`; other bits are ignored.
    static constexpr uint64_t kVollbild = 1;
    static constexpr uint64_t kReferenzGeraet = 4;
    static constexpr uint64_t kVSync = 8;

    // Opens the window and creates the drawing context; false, after its "!" lines, when the
    // window or the device cannot be made. A width or height of 0, not positive or above what
    // the device can draw into takes the monitor's current size (1280 x 768 without a monitor),
    // and so does a fullscreen size that no mode of the monitor is near.
    static bool Init(const Velm_Darstellung& gewuenscht, uint64_t flags);
    // Takes the sizes as `Init` does; the size variables follow only a size that was applied as
    // given or as the nearest fullscreen mode.
    static void SetDarstellung(const Velm_Darstellung& darstellung, bool vollbild, bool vsync);
    static void Schliessen();
    // True while `SetDarstellung` runs.
    static bool IstImUmbau() { return mImUmbau; }

    // The closest fullscreen mode of the primary monitor, among its modes of the monitor's own
    // depth when it has none of the requested one; the all-zero mode without a monitor.
    static Velm_Darstellung GibBesteDarstellung(const Velm_Darstellung& anfrage);
    // The choice itself over a list of modes in the monitor's order.
    static Velm_Darstellung WaehleBesteDarstellung(const Velm_Darstellung& anfrage,
                                                   const std::vector<Velm_Darstellung>& modi);
    // The primary monitor's modes of that colour depth (format 1: 16 bits, else 24).
    static std::vector<Velm_Darstellung> GibDarstellungen(uint32_t format);

    // Evicts the resources whose last use lies in the oldest tenth of the span between the
    // oldest resident one and now; returns how many went.
    static uint64_t SchaffeVideoRAMPlatz(Velm_ZeichenKontext* kontext);

    // The console commands "reinitvideo" and "videoram".
    static void AendereDarstellung(const std::string& argumente);
    static void ZeigeVideoRAM(const std::string& argumente);

    // Window callbacks; they run inside the message pump.
    static void BeiGroessenAenderung(GLFWwindow* fenster, int breite, int hoehe);
    static void BeiFokus(GLFWwindow* fenster, int fokussiert);
    static void BeiMinimierung(GLFWwindow* fenster, int minimiert);
    static void BeiSchliessen(GLFWwindow* fenster);
    // One poll of the window system's events; the system's per-frame function.
    static void Nachrichtenpumpe();

    // The drawing context for every other part of the engine; null while the screen is closed.
    static Velm_ZeichenKontext* Kontext;
    // Emitted after every display change.
    static boost::signals2::signal<void()> DarstellungGeaendert;

    static Velm_Darstellung mDarstellung;
    static uint64_t mFlags;
    static bool mGestartet;
    static bool mInitialisiert;
    static bool mVollbild;
    static bool mImUmbau;
    static GLFWwindow* mFenster;

private:
    static void StarteFensterSystem();
};
