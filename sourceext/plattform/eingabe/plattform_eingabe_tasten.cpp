#include "plattform/eingabe/plattform_eingabe.h"

#include <iterator>

namespace Plattform {

namespace {

// Linux key codes 1 to 88 are the make codes of the PC keyboard's main block, so they are the
// engine's scan codes as they are. The keys sent with the E0 prefix got new Linux numbers; the
// engine's code for them is 0x80 | make code.
struct Paar {
    uint32_t linux;
    uint32_t code;
};

constexpr Paar kErweitert[] = {
    {96, 156},  // keypad Enter
    {97, 157},  // right Ctrl
    {98, 181},  // keypad /
    {99, 183},  // Print
    {100, 184}, // right Alt
    {102, 199}, // Home
    {103, 200}, // Up
    {104, 201}, // Page Up
    {105, 203}, // Left
    {106, 205}, // Right
    {107, 207}, // End
    {108, 208}, // Down
    {109, 209}, // Page Down
    {110, 210}, // Insert
    {111, 211}, // Delete
    {113, 160}, // Mute
    {114, 174}, // Volume down
    {115, 176}, // Volume up
    {117, 141}, // keypad =
    {119, 197}, // Pause
    {125, 219}, // left Meta
    {126, 220}, // right Meta
    {127, 221}, // Menu
    {183, 100}, // F13
    {184, 101}, // F14
    {185, 102}, // F15
};

constexpr uint32_t kKeypadPunkt = 83;
constexpr uint32_t kKeypadEntf = 179;

struct Name {
    uint32_t code;
    const char* text;
};

constexpr Name kNamen[] = {
    {1, "Esc"},
    {14, "Backspace"},
    {15, "Tab"},
    {28, "Enter"},
    {29, "Ctrl"},
    {42, "Shift"},
    {54, "Right Shift"},
    {55, "Num *"},
    {56, "Alt"},
    {57, "Space"},
    {58, "Caps Lock"},
    {59, "F1"},
    {60, "F2"},
    {61, "F3"},
    {62, "F4"},
    {63, "F5"},
    {64, "F6"},
    {65, "F7"},
    {66, "F8"},
    {67, "F9"},
    {68, "F10"},
    {69, "Num Lock"},
    {70, "Scroll Lock"},
    {71, "Num 7"},
    {72, "Num 8"},
    {73, "Num 9"},
    {74, "Num -"},
    {75, "Num 4"},
    {76, "Num 5"},
    {77, "Num 6"},
    {78, "Num +"},
    {79, "Num 1"},
    {80, "Num 2"},
    {81, "Num 3"},
    {82, "Num 0"},
    {83, "Num ."},
    {87, "F11"},
    {88, "F12"},
    {100, "F13"},
    {101, "F14"},
    {102, "F15"},
    {141, "Num ="},
    {156, "Num Enter"},
    {157, "Right Ctrl"},
    {160, "Mute"},
    {174, "Volume -"},
    {176, "Volume +"},
    {179, "Num Del"},
    {181, "Num /"},
    {183, "Prnt Scrn"},
    {184, "Right Alt"},
    {197, "Pause"},
    {199, "Home"},
    {200, "Up"},
    {201, "Page Up"},
    {203, "Left"},
    {205, "Right"},
    {207, "End"},
    {208, "Down"},
    {209, "Page Down"},
    {210, "Insert"},
    {211, "Delete"},
    {219, "Left Windows"},
    {220, "Right Windows"},
    {221, "Application"},
};

} // namespace

uint32_t LinuxTasteZuCode(uint32_t linuxTaste, bool numLock) {
    if (linuxTaste == kKeypadPunkt)
        return numLock ? kKeypadPunkt : kKeypadEntf;
    if (linuxTaste >= 1 && linuxTaste <= 88)
        return linuxTaste;
    for (const Paar& p : kErweitert)
        if (p.linux == linuxTaste)
            return p.code;
    return 0;
}

uint32_t CodeZuLinuxTaste(uint32_t code) {
    if (code == kKeypadEntf)
        return kKeypadPunkt;
    if (code >= 1 && code <= 88)
        return code;
    for (const Paar& p : kErweitert)
        if (p.code == code)
            return p.linux;
    return 0;
}

const char* FesterTastenName(uint32_t code) {
    for (const Name& n : kNamen)
        if (n.code == code)
            return n.text;
    return "";
}

} // namespace Plattform
