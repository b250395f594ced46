#pragma once
// The receiver of every input event, and the logical channels that combine buttons and axes of any
// devices into on/off or analog values.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Omvu {

class Device;
class Mouse;
class Keyboard;
class Joystick;

struct DigitalBinding {
    uint64_t deviceId = 0;
    uint64_t controlIndex = 0;
    bool isAxis = false;
    // An axis binding is active above a threshold of 0 or more, below a negative one.
    float threshold = 0;
};

struct DigitalChannel {
    uint64_t channelId = 0;
    std::vector<DigitalBinding> bindings;
    bool state = false;
    // The last recomputation in this frame changed the state.
    bool changed = false;
};

enum AnalogBindingKind : uint32_t { kAnalogAxis = 0, kAnalogButton = 1, kAnalogAxisScaled = 2 };

struct AnalogBinding {
    uint64_t deviceId = 0;
    uint64_t controlIndex = 0;
    uint32_t kind = kAnalogAxis;
    // kAnalogButton: the amount added while the button is down; kAnalogAxisScaled: the threshold.
    float valueOrThreshold = 0;
    float scale = 1;
};

struct AnalogChannel {
    uint64_t channelId = 0;
    std::vector<AnalogBinding> bindings;
    float value = 0;
    // The sum of this frame's changes of value.
    float difference = 0;
};

// Each event goes first to the operation of its device kind, then to HandleButton or HandleAxis,
// then to the channels; returning true consumes it and stops the later steps.
class InputHandler {
public:
    virtual ~InputHandler() = default;

    virtual bool HandleKey(Keyboard*, uint32_t /*code*/, bool /*pressed*/) { return false; }
    // The new position in window client pixels.
    virtual bool HandleMouseMove(Mouse*, float /*x*/, float /*y*/) { return false; }
    virtual bool HandleMouseButton(Mouse*, size_t /*button*/, bool /*pressed*/) { return false; }
    // The wheel movement of this event, 120 per notch; 0 when the wheel came to rest.
    virtual bool HandleMouseAxis(Mouse*, float /*amount*/) { return false; }
    virtual bool HandleJoystickButton(Joystick*, size_t /*button*/, bool /*pressed*/) { return false; }
    virtual bool HandleJoystickAxis(Joystick*, size_t /*axis*/, float /*value*/) { return false; }
    // One Unicode code point, sent for presses only.
    virtual bool HandleCharacter(Keyboard*, uint32_t /*character*/) { return false; }
    virtual bool HandleButton(Device*, size_t /*button*/, bool /*pressed*/) { return false; }
    virtual bool HandleAxis(Device*, size_t /*axis*/, float /*value*/) { return false; }
    virtual void HandleDigitalChannel(const DigitalChannel&) {}
    virtual void HandleAnalogChannel(const AnalogChannel&) {}
};

} // namespace Omvu
