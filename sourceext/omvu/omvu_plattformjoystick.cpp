#include "omvu/omvu_plattformjoystick.h"

#include <algorithm>
#include <stdexcept>

namespace Omvu {

namespace {

constexpr uint64_t kPadKnoepfe = 13;
constexpr uint64_t kPadAchsen = 8;
constexpr float kStickSkala = 3.051851e-5f;
// A fully pressed trigger reads about 2.008, as the pads were always read.
constexpr float kAbzugSkala = 0.007874016f;

const char* SetupFehlerText(Plattform::SteuerFehler fehler) {
    switch (fehler) {
    case Plattform::SteuerFehler::Geraet:
        return "Could not initialize controller device";
    case Plattform::SteuerFehler::Datenformat:
        return "Controller data format error";
    case Plattform::SteuerFehler::Kooperation:
        return "Controller failed to set cooperation level";
    case Plattform::SteuerFehler::Puffergroesse:
        return "Controller failed to set buffer size property";
    case Plattform::SteuerFehler::Faehigkeiten:
        return "Controller failed to get capabilities";
    case Plattform::SteuerFehler::Achsbereich:
        return "Controller failed to set min/max range property";
    case Plattform::SteuerFehler::Keiner:
        break;
    }
    return nullptr;
}

bool Bit(uint64_t maske, size_t n) {
    return n < 64 && (maske >> n & 1);
}

} // namespace

PlattformJoystick::PlattformJoystick(PlattformInput& system, const Plattform::Steuergeraet& geraet)
    : Joystick(system), mSystem(system), mHandle(geraet.handle), mProductWord(geraet.produktWort) {
    if (const char* fehler = SetupFehlerText(geraet.fehler))
        throw std::runtime_error(fehler);
    mButtonCount = std::min<uint64_t>(geraet.knopfAnzahl, Plattform::kMaxKnoepfe);
    mAxisCount = std::min<uint64_t>(geraet.achsAnzahl, Plattform::kMaxAchsen);
}

void PlattformJoystick::SetXInputIndex(uint64_t index) {
    mXInputIndex = index;
    mButtonCount = kPadKnoepfe;
    mAxisCount = kPadAchsen;
}

bool PlattformJoystick::IsButtonDown(size_t button) const {
    return button < mButtonCount && Bit(mButtons, button);
}

bool PlattformJoystick::WasButtonPressed(size_t button) const {
    return button < mButtonCount && Bit(mButtons, button) && !Bit(mPreviousButtons, button);
}

bool PlattformJoystick::WasButtonReleased(size_t button) const {
    return button < mButtonCount && !Bit(mButtons, button) && Bit(mPreviousButtons, button);
}

void PlattformJoystick::LiesPad() {
    Plattform::PadZustand pad;
    // A pad that cannot be read reads as released and centred.
    if (!mSystem.Quelle().LiesPad(mXInputIndex, pad))
        pad = {};
    using namespace Plattform;
    float* a = mAxisValues;
    a[0] = float(pad.linksX) * kStickSkala;
    a[1] = -float(pad.linksY) * kStickSkala;
    a[2] = float(pad.linkerAbzug) * kAbzugSkala;
    a[3] = float(pad.rechtsX) * kStickSkala;
    a[4] = -float(pad.rechtsY) * kStickSkala;
    a[5] = float(pad.rechterAbzug) * kAbzugSkala;
    for (int i = 0; i < 6; ++i)
        a[i] = std::max(a[i], -1.0f);
    const uint16_t k = pad.knoepfe;
    a[6] = ((k & kPadRechts) ? 1.0f : 0.0f) + ((k & kPadLinks) ? -1.0f : 0.0f);
    a[7] = ((k & kPadRunter) ? 1.0f : 0.0f) + ((k & kPadHoch) ? -1.0f : 0.0f);

    static constexpr uint16_t kBits[] = {
        kPadA,     kPadB,       kPadX, kPadY,           kPadLinkeSchulter, kPadRechteSchulter,
        kPadStart, kPadZurueck, 0,     kPadLinkerStick, kPadRechterStick};
    mButtons = 0;
    for (size_t i = 0; i < std::size(kBits); ++i)
        if (k & kBits[i])
            mButtons |= uint64_t(1) << i;
}

void PlattformJoystick::LiesJoystick() {
    Plattform::JoystickZustand zustand;
    if (!mSystem.Quelle().LiesJoystick(mHandle, zustand)) {
        // Gone or unreadable: everything reads released and centred. The previous buttons stay, so
        // the receiver hears the release of what was held.
        mButtons = 0;
        std::fill(std::begin(mAxisValues), std::end(mAxisValues), 0.0f);
        return;
    }
    for (uint64_t i = 0; i < mAxisCount; ++i)
        mAxisValues[i] = zustand.achsen[i];
    const uint64_t maske = mButtonCount >= 64 ? ~uint64_t(0) : (uint64_t(1) << mButtonCount) - 1;
    mButtons = zustand.knoepfe & maske;
}

void PlattformJoystick::StartFrame() {
    mPreviousButtons = mButtons;
    std::fill(std::begin(mAxisDifferences), std::end(mAxisDifferences), 0.0f);
    float alt[Plattform::kMaxAchsen];
    std::copy(std::begin(mAxisValues), std::end(mAxisValues), alt);

    if (mSystem.HasFocus()) {
        if (IsPad())
            LiesPad();
        else
            LiesJoystick();
    }

    for (uint64_t i = 0; i < mAxisCount; ++i) {
        if (mAxisValues[i] == alt[i])
            continue;
        mAxisDifferences[i] = mAxisValues[i] - alt[i];
        if (!IsFirstFrame())
            mSystem.DispatchJoystickAxis(this, i, mAxisValues[i]);
    }
    for (uint64_t i = 0; i < mButtonCount; ++i)
        if (Bit(mButtons, i) != Bit(mPreviousButtons, i) && !IsFirstFrame())
            mSystem.DispatchJoystickButton(this, i, Bit(mButtons, i));
}

void PlattformJoystick::SetFocus(bool focused) {
    if (focused)
        return;
    for (uint64_t i = 0; i < mAxisCount; ++i) {
        if (mAxisValues[i] == 0)
            continue;
        mAxisDifferences[i] = -mAxisValues[i];
        mAxisValues[i] = 0;
        mSystem.DispatchJoystickAxis(this, i, 0);
    }
    for (uint64_t i = 0; i < mButtonCount; ++i) {
        if (!Bit(mButtons, i))
            continue;
        mButtons &= ~(uint64_t(1) << i);
        mPreviousButtons |= uint64_t(1) << i;
        mSystem.DispatchJoystickButton(this, i, false);
    }
}

} // namespace Omvu
