#pragma once
// The one input system: the device list with its per-frame update, focus, key repeat, channels and
// the dispatch of every event to the installed handler. Created by Omvu::Initialize on a window.
// The per-frame update, key repeat and the Dispatch functions are in omvu_dispatch.cpp, the rest
// in omvu_inputsystem.cpp.

#include "omvu/omvu_device.h"
#include "omvu/omvu_inputhandler.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct GLFWwindow;

namespace Omvu {

class InputSystem;

// Receives the library's log lines; null writes no log.
using LogCallback = void (*)(const char* line);
extern LogCallback gLogCallback;
// The one instance; null before Initialize and after Shutdown.
extern InputSystem* gInstance;

// Creates the instance on the window; false (with a log line) when that fails or one exists.
bool Initialize(GLFWwindow* window);
void Shutdown();

class InputSystem {
public:
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;
    virtual ~InputSystem();

    // Once per frame, before anything reads device state.
    virtual void Update();
    // From the window's focus and iconify notifications.
    void SetFocus(bool focused);
    void UpdateMouseGrab();
    void SetGrabWanted(bool wanted);
    // While on, every mouse and keyboard counts for itself and mice take motion from their records.
    void SetMultiDeviceMode(bool on);

    // printf-style; the line is cut at 1023 characters.
    static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

    const std::vector<std::unique_ptr<Device>>& GetDevices() const { return mDevices; }
    Mouse* GetFirstMouse() const { return mFirstMouse; }
    Keyboard* GetFirstKeyboard() const { return mFirstKeyboard; }
    // The n-th device of the kind in list order, null when there are fewer.
    Mouse* GetMouse(uint64_t n) const;
    Keyboard* GetKeyboard(uint64_t n) const;

    // The receiver is not owned; events go to whichever is installed at the moment.
    void SetHandler(InputHandler* handler) { mHandler = handler; }

    bool HasFocus() const { return mFocus; }
    bool IsMultiDeviceMode() const { return mMultiDevice; }
    bool IsGrabbed() const { return mGrabbed; }

    bool mKeyRepeatOn = true;
    float mFirstRepeatDelay = 0.7f;
    float mRepeatInterval = 0.1f;
    std::map<uint64_t, DigitalChannel> mDigitalChannels;
    std::map<uint64_t, AnalogChannel> mAnalogChannels;

    // Event dispatch for the devices; each list stops at the first step that consumes the event.
    void DispatchKey(Keyboard* keyboard, uint32_t code, uint32_t character, bool pressed);
    void DispatchMouseButton(Mouse* mouse, size_t button, bool pressed);
    void DispatchMouseAxis(Mouse* mouse, float amount);
    void DispatchMouseMove(Mouse* mouse, float x, float y, float motionX, float motionY);
    void DispatchJoystickButton(Joystick* joystick, size_t button, bool pressed);
    void DispatchJoystickAxis(Joystick* joystick, size_t axis, float value);
    void DispatchButton(Device* device, size_t button, bool pressed);
    void DispatchAxis(Device* device, size_t axis, float value);
    void UpdateChannel(Device* device, uint64_t control, bool isAxis);

    // Key repeat, driven by the keyboards.
    void StartKeyRepeat(Keyboard* keyboard, uint32_t code, uint32_t character);
    void StopKeyRepeat(uint32_t code);

    // The first input of a device past its first frame: it takes the place of the lowest device of
    // its kind that has shown none yet, so that the device in use becomes the kind's first.
    void NoteActivity(Device& device);

protected:
    InputSystem();

    void AddDevice(std::unique_ptr<Device> device);
    void DeleteDevices();
    void EndFirstFrames();

    virtual void InternSetFocus(bool focused) = 0;
    virtual void InternSetMouseGrab(bool grab) = 0;

private:
    void UpdateKeyRepeat(float step);
    bool IsValidDevice(uint64_t id) const { return id < mDevices.size(); }

    std::vector<std::unique_ptr<Device>> mDevices;
    Mouse* mFirstMouse = nullptr;
    Keyboard* mFirstKeyboard = nullptr;
    Joystick* mFirstJoystick = nullptr;
    uint64_t mMouseCount = 0;
    uint64_t mKeyboardCount = 0;
    uint64_t mJoystickCount = 0;
    InputHandler* mHandler = nullptr;
    bool mFocus = true;
    bool mMultiDevice = false;
    bool mGrabWanted = false;
    bool mGrabbed = false;

    Keyboard* mRepeatKeyboard = nullptr;
    uint32_t mRepeatCode = 0;
    uint32_t mRepeatCharacter = 0;
    float mRepeatCountdown = 0;

    uint32_t mLastClock = 0;
};

} // namespace Omvu
