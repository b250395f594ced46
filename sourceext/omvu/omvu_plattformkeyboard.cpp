#include "omvu/omvu_plattformkeyboard.h"

namespace Omvu {

namespace {

struct Zusammensetzung {
    uint32_t buchstabe;
    uint32_t zeichen;
};

// Latin letters with the marks of the dead keys of Western European layouts.
constexpr uint32_t kGravis = 0x300, kAkut = 0x301, kZirkumflex = 0x302, kTrema = 0x308, kCedille = 0x327;

constexpr Zusammensetzung kMitGravis[] = {{'A', 0xC0}, {'E', 0xC8}, {'I', 0xCC}, {'O', 0xD2}, {'U', 0xD9},
                                          {'a', 0xE0}, {'e', 0xE8}, {'i', 0xEC}, {'o', 0xF2}, {'u', 0xF9}};
constexpr Zusammensetzung kMitAkut[] = {{'A', 0xC1}, {'E', 0xC9}, {'I', 0xCD}, {'O', 0xD3},
                                        {'U', 0xDA}, {'Y', 0xDD}, {'a', 0xE1}, {'e', 0xE9},
                                        {'i', 0xED}, {'o', 0xF3}, {'u', 0xFA}, {'y', 0xFD}};
constexpr Zusammensetzung kMitZirkumflex[] = {{'A', 0xC2}, {'E', 0xCA}, {'I', 0xCE}, {'O', 0xD4},
                                              {'U', 0xDB}, {'a', 0xE2}, {'e', 0xEA}, {'i', 0xEE},
                                              {'o', 0xF4}, {'u', 0xFB}};
constexpr Zusammensetzung kMitTrema[] = {{'A', 0xC4}, {'E', 0xCB},  {'I', 0xCF}, {'O', 0xD6},
                                         {'U', 0xDC}, {'Y', 0x178}, {'a', 0xE4}, {'e', 0xEB},
                                         {'i', 0xEF}, {'o', 0xF6},  {'u', 0xFC}, {'y', 0xFF}};
constexpr Zusammensetzung kMitCedille[] = {{'C', 0xC7}, {'c', 0xE7}};

template <size_t N> uint32_t Suche(const Zusammensetzung (&tabelle)[N], uint32_t buchstabe) {
    for (const Zusammensetzung& z : tabelle)
        if (z.buchstabe == buchstabe)
            return z.zeichen;
    return buchstabe;
}

} // namespace

uint32_t ComposeCharacter(uint32_t character, uint32_t mark) {
    switch (mark) {
    case kGravis:
        return Suche(kMitGravis, character);
    case kAkut:
        return Suche(kMitAkut, character);
    case kZirkumflex:
        return Suche(kMitZirkumflex, character);
    case kTrema:
        return Suche(kMitTrema, character);
    case kCedille:
        return Suche(kMitCedille, character);
    default:
        return character;
    }
}

uint32_t DeadKeyMark(uint32_t accent) {
    switch (accent) {
    case '^':
        return kZirkumflex;
    case '`':
        return kGravis;
    case 0xA8:
        return kTrema;
    case 0xB4:
        return kAkut;
    case 0xB8:
        return kCedille;
    default:
        return accent;
    }
}

std::string PlattformKeyboard::GetButtonText(size_t code) const {
    return code < kTasten ? mSystem.Quelle().TastenName(uint32_t(code)) : std::string();
}

void PlattformKeyboard::ParseMessage(const Plattform::RohTastatur& satz) {
    // What was held before the first update is not a key press of this program.
    if (IsFirstFrame())
        return;
    mSystem.NoteActivity(*this);

    uint32_t zeichen = 0;
    if (satz.uebersetzung == 1) {
        zeichen = satz.zeichen;
        if (mPendingDeadKey != 0) {
            zeichen = ComposeCharacter(zeichen, mPendingDeadKey);
            mPendingDeadKey = 0;
        }
    } else if (satz.uebersetzung == 2) {
        mPendingDeadKey = DeadKeyMark(satz.zeichen);
    }
    SetKey(satz.code, zeichen, satz.gedrueckt);
}

void PlattformKeyboard::SetKey(uint32_t code, uint32_t character, bool pressed) {
    PlattformKeyboard* ziel = this;
    if (!mSystem.IsMultiDeviceMode() && mSystem.GetFirstKeyboard())
        ziel = static_cast<PlattformKeyboard*>(mSystem.GetFirstKeyboard());
    // A press of a key that is down already is the system's own repeat and is dropped.
    if (code >= kTasten || ziel->mKeys[code] == pressed)
        return;
    ziel->mKeys[code] = pressed;
    if (pressed)
        mSystem.StartKeyRepeat(ziel, code, character);
    else
        mSystem.StopKeyRepeat(code);
    mSystem.DispatchKey(ziel, code, character, pressed);
}

void PlattformKeyboard::SetFocus(bool focused) {
    if (focused)
        return;
    for (uint32_t code = 0; code < kTasten; ++code) {
        if (!mKeys[code])
            continue;
        SetKey(code, 0, false);
        mPreviousKeys[code] = true;
    }
}

} // namespace Omvu
