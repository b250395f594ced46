#pragma once
// The input services of the platform in place of raw input, DirectInput 8, XInput and the WMI device
// list: device lists, raw mouse and keyboard records, cursor, key names, controller states, a clock.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct GLFWwindow;

namespace Plattform {

enum class GeraeteArt : uint8_t { Maus, Tastatur, Andere };

// One entry of the raw device list.
struct RohGeraet {
    GeraeteArt art = GeraeteArt::Andere;
    uint64_t handle = 0;
    std::string name;
};

// A mouse record in the shape of raw input's: button transitions as flag pairs (press of button n
// sets bit 2n, release bit 2n+1), the wheel flag with its amount in the button data (120 per
// notch), and motion that is relative unless kMausAbsolut is set.
constexpr uint16_t kMausAbsolut = 0x1;
constexpr uint16_t kMausRad = 0x400;
constexpr uint16_t MausKnopfRunter(unsigned knopf) {
    return uint16_t(1u << (2 * knopf));
}
constexpr uint16_t MausKnopfHoch(unsigned knopf) {
    return uint16_t(2u << (2 * knopf));
}

struct RohMaus {
    uint16_t flags = 0;
    uint16_t knopfFlags = 0;
    int16_t knopfDaten = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// A keyboard record: the engine's scan code (0-255, extended keys + 0x80) and the character the
// layout gives for it. uebersetzung follows the layout service: 1 means zeichen is the character,
// 2 means the key is a dead key and zeichen its spacing accent, anything else means no character.
struct RohTastatur {
    uint32_t code = 0;
    bool gedrueckt = false;
    int uebersetzung = 0;
    uint32_t zeichen = 0;
};

struct RohSatz {
    GeraeteArt art = GeraeteArt::Maus;
    uint64_t geraet = 0;
    RohMaus maus;
    RohTastatur tastatur;
};

// Set-up steps of the input services that may fail; the layer over GLFW never fails them.
enum class StartSchritt : uint8_t { Schnittstelle, Tastatur, Tastaturformat, Registrierung };

enum class ListenStatus : uint8_t { Ok, AnzahlFehlt, ListeFehlt };

// Set-up steps of one controller; Keiner when it can be used.
enum class SteuerFehler : uint8_t {
    Keiner,
    Geraet,
    Datenformat,
    Kooperation,
    Puffergroesse,
    Faehigkeiten,
    Achsbereich
};

// A game controller. produktWort is (product id << 16) | vendor id, as the pad list names it.
struct Steuergeraet {
    uint64_t handle = 0;
    uint32_t produktWort = 0;
    uint32_t knopfAnzahl = 0;
    uint32_t achsAnzahl = 0;
    SteuerFehler fehler = SteuerFehler::Keiner;
};

// The state of a pad with the fixed layout: sticks -32768..32767 with up positive, triggers 0..255.
constexpr uint16_t kPadHoch = 0x0001;
constexpr uint16_t kPadRunter = 0x0002;
constexpr uint16_t kPadLinks = 0x0004;
constexpr uint16_t kPadRechts = 0x0008;
constexpr uint16_t kPadStart = 0x0010;
constexpr uint16_t kPadZurueck = 0x0020;
constexpr uint16_t kPadLinkerStick = 0x0040;
constexpr uint16_t kPadRechterStick = 0x0080;
constexpr uint16_t kPadLinkeSchulter = 0x0100;
constexpr uint16_t kPadRechteSchulter = 0x0200;
constexpr uint16_t kPadA = 0x1000;
constexpr uint16_t kPadB = 0x2000;
constexpr uint16_t kPadX = 0x4000;
constexpr uint16_t kPadY = 0x8000;

struct PadZustand {
    uint16_t knoepfe = 0;
    uint8_t linkerAbzug = 0;
    uint8_t rechterAbzug = 0;
    int16_t linksX = 0;
    int16_t linksY = 0;
    int16_t rechtsX = 0;
    int16_t rechtsY = 0;
};

// The state of any other controller: axes centred on 0 (about -1 to 1) and a button mask.
constexpr uint32_t kMaxAchsen = 16;
constexpr uint32_t kMaxKnoepfe = 64;

struct JoystickZustand {
    float achsen[kMaxAchsen] = {};
    uint64_t knoepfe = 0;
};

// Where the records come from. Records that arrive while the window's events are pumped go to the
// receiver at once; records held back until the next update are read with LiesSatz.
class EingabeQuelle {
public:
    using Empfaenger = std::function<void(const RohSatz&)>;

    virtual ~EingabeQuelle() = default;

    virtual bool Gelingt(StartSchritt schritt) = 0;
    virtual void SetzeEmpfaenger(Empfaenger empfaenger) = 0;
    virtual ListenStatus LiesGeraeteliste(std::vector<RohGeraet>& liste) = 0;
    virtual bool LiesSatz(RohSatz& satz) = 0;

    // The cursor in window client pixels, and the client size.
    virtual bool LiesCursor(float& x, float& y) = 0;
    virtual void SetzeCursor(int x, int y) = 0;
    virtual void FensterGroesse(int& breite, int& hoehe) = 0;

    // The key's name in the active layout, "" when there is none.
    virtual std::string TastenName(uint32_t code) = 0;

    virtual std::vector<Steuergeraet> Steuergeraete() = 0;
    // The product words of the controllers that are pads, in list order; false when the list
    // cannot be read.
    virtual bool PadListe(std::vector<uint32_t>& produktWorte) = 0;
    virtual bool LiesPad(uint64_t padIndex, PadZustand& zustand) = 0;
    virtual bool LiesJoystick(uint64_t handle, JoystickZustand& zustand) = 0;
};

// The input of a GLFW window; null without a window. A test hook replaces the factory.
std::unique_ptr<EingabeQuelle> OeffneEingabe(GLFWwindow* fenster);
using EingabeFabrik = std::unique_ptr<EingabeQuelle> (*)(GLFWwindow* fenster);
EingabeFabrik SetzeEingabeFabrik(EingabeFabrik fabrik);

// The input's frame clock in milliseconds: monotonic, wrapping at 2^32. A test hook replaces it.
uint32_t EingabeUhr();
using EingabeUhrHaken = uint32_t (*)();
EingabeUhrHaken SetzeEingabeUhr(EingabeUhrHaken uhr);

// Linux key codes to the engine's scan codes and back; 0 where a key has none. The keypad's
// decimal key is 83 with Num Lock on and 179 (its Delete meaning) with it off.
uint32_t LinuxTasteZuCode(uint32_t linuxTaste, bool numLock);
uint32_t CodeZuLinuxTaste(uint32_t code);
// The product word of a GLFW joystick GUID (SDL's layout: vendor in bytes 4-5, product in bytes
// 8-9, little-endian); 0 for a missing or short GUID.
uint32_t ProduktWortAusGuid(const char* guid);
// A GLFW gamepad state (15 buttons, 6 axes in GLFW's order) in the pad layout.
PadZustand PadAusGlfw(const unsigned char knoepfe[15], const float achsen[6]);

// English names of the keys that print no character ("Esc", "Enter", "Up"...), "" for the rest.
const char* FesterTastenName(uint32_t code);

} // namespace Plattform
