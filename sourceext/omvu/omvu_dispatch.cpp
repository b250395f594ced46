// The base part of the update, key repeat, and the road of every event to the handler and the
// logical channels.

#include "omvu/omvu_inputsystem.h"

#include "plattform/eingabe/plattform_eingabe.h"

#include <algorithm>

namespace Omvu {

namespace {
// A long frame must not fire a burst of repeats: the countdown runs at most this far per update.
constexpr float kMaxRepeatStep = 0.1f;
constexpr float kMinRepeatCountdown = 0.00001f;
} // namespace

void InputSystem::Update() {
    const uint32_t jetzt = Plattform::EingabeUhr();
    // Unsigned subtraction stays right when the millisecond clock wraps.
    const float schritt = float(jetzt - mLastClock) * 0.001f;
    mLastClock = jetzt;
    UpdateKeyRepeat(schritt);
    for (auto& [id, kanal] : mDigitalChannels)
        kanal.changed = false;
    for (auto& [id, kanal] : mAnalogChannels)
        kanal.difference = 0;
}

void InputSystem::StartKeyRepeat(Keyboard* keyboard, uint32_t code, uint32_t character) {
    if (!mKeyRepeatOn)
        return;
    mRepeatCountdown = mFirstRepeatDelay;
    mRepeatKeyboard = keyboard;
    mRepeatCode = code;
    mRepeatCharacter = character;
}

void InputSystem::StopKeyRepeat(uint32_t code) {
    if (code != mRepeatCode)
        return;
    mRepeatKeyboard = nullptr;
    mRepeatCode = 0;
    mRepeatCharacter = 0;
    mRepeatCountdown = 0;
}

void InputSystem::UpdateKeyRepeat(float step) {
    if (mRepeatCountdown <= 0 || !mRepeatKeyboard)
        return;
    mRepeatCountdown -= std::clamp(step, 0.0f, kMaxRepeatStep);
    if (mRepeatCountdown > 0)
        return;
    // The key stays down in the keyboard's state; only the handler sees the pair.
    DispatchKey(mRepeatKeyboard, mRepeatCode, mRepeatCharacter, false);
    DispatchKey(mRepeatKeyboard, mRepeatCode, mRepeatCharacter, true);
    mRepeatCountdown = std::max(mRepeatInterval + mRepeatCountdown, kMinRepeatCountdown);
}

// Each step asks for the receiver anew: a receiver may replace or remove itself while it handles
// an event, and the later steps then go to the new one, or only to the channels.
void InputSystem::DispatchKey(Keyboard* keyboard, uint32_t code, uint32_t character, bool pressed) {
    if (mHandler && mHandler->HandleKey(keyboard, code, pressed))
        return;
    if (pressed && character != 0 && mHandler && mHandler->HandleCharacter(keyboard, character))
        return;
    if (mHandler && mHandler->HandleButton(keyboard, code, pressed))
        return;
    UpdateChannel(keyboard, code, false);
}

void InputSystem::DispatchMouseButton(Mouse* mouse, size_t button, bool pressed) {
    if (mHandler && mHandler->HandleMouseButton(mouse, button, pressed))
        return;
    if (mHandler && mHandler->HandleButton(mouse, button, pressed))
        return;
    UpdateChannel(mouse, button, false);
}

void InputSystem::DispatchMouseAxis(Mouse* mouse, float amount) {
    if (mHandler && mHandler->HandleMouseAxis(mouse, amount))
        return;
    if (mHandler && mHandler->HandleAxis(mouse, 2, amount))
        return;
    UpdateChannel(mouse, 2, true);
}

// The general step gets the new position on each axis, not the motion.
void InputSystem::DispatchMouseMove(Mouse* mouse, float x, float y, float motionX, float motionY) {
    if (mHandler && mHandler->HandleMouseMove(mouse, x, y))
        return;
    if (motionX != 0 && !(mHandler && mHandler->HandleAxis(mouse, 0, x)))
        UpdateChannel(mouse, 0, true);
    if (motionY != 0 && !(mHandler && mHandler->HandleAxis(mouse, 1, y)))
        UpdateChannel(mouse, 1, true);
}

void InputSystem::DispatchJoystickButton(Joystick* joystick, size_t button, bool pressed) {
    if (mHandler && mHandler->HandleJoystickButton(joystick, button, pressed))
        return;
    if (mHandler && mHandler->HandleButton(joystick, button, pressed))
        return;
    UpdateChannel(joystick, button, false);
}

void InputSystem::DispatchJoystickAxis(Joystick* joystick, size_t axis, float value) {
    if (mHandler && mHandler->HandleJoystickAxis(joystick, axis, value))
        return;
    if (mHandler && mHandler->HandleAxis(joystick, axis, value))
        return;
    UpdateChannel(joystick, axis, true);
}

void InputSystem::DispatchButton(Device* device, size_t button, bool pressed) {
    if (mHandler && mHandler->HandleButton(device, button, pressed))
        return;
    UpdateChannel(device, button, false);
}

void InputSystem::DispatchAxis(Device* device, size_t axis, float value) {
    if (mHandler && mHandler->HandleAxis(device, axis, value))
        return;
    UpdateChannel(device, axis, true);
}

void InputSystem::UpdateChannel(Device* device, uint64_t control, bool isAxis) {
    const uint64_t id = device->GetId();

    for (auto& [kanalId, kanal] : mDigitalChannels) {
        const bool betroffen =
            std::any_of(kanal.bindings.begin(), kanal.bindings.end(), [&](const DigitalBinding& b) {
                return b.deviceId == id && b.controlIndex == control && b.isAxis == isAxis;
            });
        if (!betroffen)
            continue;
        const bool alt = kanal.state;
        kanal.state = std::any_of(kanal.bindings.begin(), kanal.bindings.end(), [&](const DigitalBinding& b) {
            if (!IsValidDevice(b.deviceId))
                return false;
            const Device& d = *mDevices[b.deviceId];
            if (!b.isAxis)
                return d.IsButtonDown(b.controlIndex);
            const float wert = d.GetAxisAbsolute(b.controlIndex);
            return b.threshold >= 0 ? wert > b.threshold : wert < b.threshold;
        });
        kanal.changed = kanal.state != alt;
        if (kanal.changed && mHandler)
            mHandler->HandleDigitalChannel(kanal);
    }

    for (auto& [kanalId, kanal] : mAnalogChannels) {
        const bool betroffen =
            std::any_of(kanal.bindings.begin(), kanal.bindings.end(), [&](const AnalogBinding& b) {
                const bool passt =
                    isAxis ? b.kind == kAnalogAxis || b.kind == kAnalogAxisScaled : b.kind == kAnalogButton;
                return b.deviceId == id && b.controlIndex == control && passt;
            });
        if (!betroffen)
            continue;
        const float alt = kanal.value;
        float summe = 0;
        for (const AnalogBinding& b : kanal.bindings) {
            if (!IsValidDevice(b.deviceId))
                continue;
            const Device& d = *mDevices[b.deviceId];
            if (b.kind == kAnalogAxis) {
                summe += d.GetAxisAbsolute(b.controlIndex);
            } else if (b.kind == kAnalogButton) {
                summe += d.IsButtonDown(b.controlIndex) ? b.valueOrThreshold : 0;
            } else if (b.kind == kAnalogAxisScaled) {
                const float wert = d.GetAxisAbsolute(b.controlIndex);
                const float schwelle = b.valueOrThreshold;
                const bool jenseits = schwelle > 0 ? wert > schwelle : wert < schwelle;
                if (schwelle == 0 || jenseits)
                    summe += wert * b.scale;
            }
        }
        kanal.value = summe;
        kanal.difference += summe - alt;
        if (summe != alt && mHandler)
            mHandler->HandleAnalogChannel(kanal);
    }
}

} // namespace Omvu
