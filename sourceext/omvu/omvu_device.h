#pragma once
// The input devices as the application polls them: a common interface for buttons and axes, and
// the three kinds mouse, keyboard and controller with what each adds.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Omvu {

class InputSystem;

class Device {
public:
    explicit Device(InputSystem& owner) : mOwner(&owner) {}
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    virtual ~Device() = default;

    virtual size_t GetButtonCount() const { return 0; }
    virtual std::string GetButtonText(size_t) const { return {}; }
    virtual size_t GetAxisCount() const { return 0; }
    virtual std::string GetAxisText(size_t) const { return {}; }
    virtual bool IsButtonDown(size_t) const { return false; }
    // Down now and not down at the previous update.
    virtual bool WasButtonPressed(size_t) const { return false; }
    // Not down now and down at the previous update.
    virtual bool WasButtonReleased(size_t) const { return false; }
    virtual float GetAxisAbsolute(size_t) const { return 0; }
    // The change since the previous update.
    virtual float GetAxisDifference(size_t) const { return 0; }

    // The index in the system's device list.
    uint64_t GetId() const { return mId; }
    // The number among the devices of its kind; 0 is the kind's first device.
    uint64_t GetOrdinal() const { return mOrdinal; }
    // True from construction until the end of the first update after it.
    bool IsFirstFrame() const { return mFirstFrame; }
    InputSystem& GetOwner() const { return *mOwner; }

private:
    friend class InputSystem;

    uint64_t mId = 0;
    uint64_t mOrdinal = 0;
    bool mFirstFrame = true;
    bool mActivitySeen = false;
    InputSystem* mOwner;
};

class Mouse : public Device {
public:
    using Device::Device;
    // Window client pixels.
    virtual float GetPositionX() const = 0;
    virtual float GetPositionY() const = 0;
    // The motion of the current frame.
    virtual float GetMotionX() const = 0;
    virtual float GetMotionY() const = 0;
};

// Keys are the engine's scan codes: 0 to 255, extended keys + 0x80.
class Keyboard : public Device {
public:
    using Device::Device;
    bool IsKeyDown(uint32_t code) const { return IsButtonDown(code); }
    bool WasKeyPressed(uint32_t code) const { return WasButtonPressed(code); }
    bool WasKeyReleased(uint32_t code) const { return WasButtonReleased(code); }
};

class Joystick : public Device {
public:
    using Device::Device;
};

} // namespace Omvu
