#include "omvu/omvu_inputsystem.h"

#include "omvu/omvu_plattforminput.h"
#include "plattform/eingabe/plattform_eingabe.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace Omvu {

LogCallback gLogCallback = nullptr;
InputSystem* gInstance = nullptr;

namespace {

void LogDirect(const std::string& line) {
    if (gLogCallback)
        gLogCallback(line.c_str());
}

} // namespace

bool Initialize(GLFWwindow* window) {
    const std::string vorsatz = "Exception while creating Omvu instance: ";
    // A second call leaves the running instance in place.
    if (gInstance) {
        LogDirect(vorsatz + "Input already initialized");
        return false;
    }
    try {
        // The constructor makes itself gInstance before anything can fail.
        std::make_unique<PlattformInput>(window).release();
        return true;
    } catch (const std::exception& e) {
        LogDirect(vorsatz + e.what());
        gInstance = nullptr;
        return false;
    }
}

void Shutdown() {
    delete gInstance;
    gInstance = nullptr;
}

InputSystem::InputSystem() {
    gInstance = this;
    Log("Omvu instance created.");
    mLastClock = Plattform::EingabeUhr();
}

InputSystem::~InputSystem() {
    Log("Omvu instance going down.");
}

void InputSystem::Log(const char* format, ...) {
    if (!gLogCallback)
        return;
    char zeile[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(zeile, sizeof zeile, format, args);
    va_end(args);
    gLogCallback(zeile);
}

Mouse* InputSystem::GetMouse(uint64_t n) const {
    for (const auto& d : mDevices)
        if (auto* m = dynamic_cast<Mouse*>(d.get()); m && n-- == 0)
            return m;
    return nullptr;
}

Keyboard* InputSystem::GetKeyboard(uint64_t n) const {
    for (const auto& d : mDevices)
        if (auto* k = dynamic_cast<Keyboard*>(d.get()); k && n-- == 0)
            return k;
    return nullptr;
}

void InputSystem::AddDevice(std::unique_ptr<Device> device) {
    device->mId = mDevices.size();
    if (auto* m = dynamic_cast<Mouse*>(device.get())) {
        device->mOrdinal = mMouseCount++;
        if (!mFirstMouse)
            mFirstMouse = m;
    } else if (auto* k = dynamic_cast<Keyboard*>(device.get())) {
        device->mOrdinal = mKeyboardCount++;
        if (!mFirstKeyboard)
            mFirstKeyboard = k;
    } else if (auto* j = dynamic_cast<Joystick*>(device.get())) {
        device->mOrdinal = mJoystickCount++;
        if (!mFirstJoystick)
            mFirstJoystick = j;
    }
    mDevices.push_back(std::move(device));
}

void InputSystem::DeleteDevices() {
    for (auto& d : mDevices)
        d.reset();
    mDevices.clear();
    mFirstMouse = nullptr;
    mFirstKeyboard = nullptr;
    mFirstJoystick = nullptr;
    mRepeatKeyboard = nullptr;
}

void InputSystem::EndFirstFrames() {
    for (auto& d : mDevices)
        d->mFirstFrame = false;
}

namespace {

bool GleicheArt(const Device& a, const Device& b) {
    if (dynamic_cast<const Mouse*>(&a))
        return dynamic_cast<const Mouse*>(&b);
    if (dynamic_cast<const Keyboard*>(&a))
        return dynamic_cast<const Keyboard*>(&b);
    if (dynamic_cast<const Joystick*>(&a))
        return dynamic_cast<const Joystick*>(&b);
    return false;
}

} // namespace

void InputSystem::NoteActivity(Device& device) {
    if (device.mFirstFrame || device.mActivitySeen)
        return;
    device.mActivitySeen = true;
    if (device.mOrdinal == 0)
        return;
    Device* ruhig = nullptr;
    for (const auto& d : mDevices)
        if (d.get() != &device && GleicheArt(*d, device) && d->mOrdinal < device.mOrdinal &&
            !d->mActivitySeen && (!ruhig || d->mOrdinal < ruhig->mOrdinal))
            ruhig = d.get();
    if (!ruhig)
        return;
    auto* maus = dynamic_cast<Mouse*>(&device);
    if (maus)
        Log("Swap mice due to activity: %d,%d and %d,%d", int(device.mId), int(device.mOrdinal),
            int(ruhig->mId), int(ruhig->mOrdinal));
    std::swap(mDevices[device.mId], mDevices[ruhig->mId]);
    std::swap(device.mId, ruhig->mId);
    std::swap(device.mOrdinal, ruhig->mOrdinal);
    if (device.mOrdinal != 0)
        return;
    if (maus)
        mFirstMouse = maus;
    else if (auto* k = dynamic_cast<Keyboard*>(&device))
        mFirstKeyboard = k;
    else if (auto* j = dynamic_cast<Joystick*>(&device))
        mFirstJoystick = j;
}

void InputSystem::SetFocus(bool focused) {
    if (focused == mFocus)
        return;
    Log("Omvu: %s focus", focused ? "got" : "lost");
    mFocus = focused;
    InternSetFocus(focused);
    UpdateMouseGrab();
}

void InputSystem::SetGrabWanted(bool wanted) {
    mGrabWanted = wanted;
    UpdateMouseGrab();
}

void InputSystem::SetMultiDeviceMode(bool on) {
    mMultiDevice = on;
    UpdateMouseGrab();
}

void InputSystem::UpdateMouseGrab() {
    const bool grab = mGrabWanted && mFocus && !mMultiDevice;
    if (grab == mGrabbed)
        return;
    Log("Omvu: %s mouse", grab ? "grabbing" : "releasing");
    mGrabbed = grab;
    InternSetMouseGrab(grab);
}

} // namespace Omvu
