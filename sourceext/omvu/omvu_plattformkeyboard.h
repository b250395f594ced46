#pragma once
// A keyboard of the platform's device list: 256 key bits with their previous frame, characters
// from the layout with dead keys composed, and the key names of the active layout.

#include "omvu/omvu_plattforminput.h"

#include <bitset>

namespace Omvu {

class PlattformKeyboard final : public Keyboard, public PlattformGeraet {
public:
    explicit PlattformKeyboard(PlattformInput& system) : Keyboard(system), mSystem(system) {}

    size_t GetButtonCount() const override { return kTasten; }
    std::string GetButtonText(size_t code) const override;
    bool IsButtonDown(size_t code) const override { return code < kTasten && mKeys[code]; }
    bool WasButtonPressed(size_t code) const override {
        return code < kTasten && mKeys[code] && !mPreviousKeys[code];
    }
    bool WasButtonReleased(size_t code) const override {
        return code < kTasten && !mKeys[code] && mPreviousKeys[code];
    }

    void ParseMessage(const Plattform::RohTastatur& satz);
    void SetKey(uint32_t code, uint32_t character, bool pressed);

    void StartFrame() override { mPreviousKeys = mKeys; }
    void SetFocus(bool focused) override;

private:
    static constexpr size_t kTasten = 256;

    PlattformInput& mSystem;
    std::bitset<kTasten> mKeys;
    std::bitset<kTasten> mPreviousKeys;
    // The combining mark of a dead key that waits for the next character; 0 when none.
    uint32_t mPendingDeadKey = 0;
};

// The precomposed character of a letter and a combining mark; the letter itself when there is none.
uint32_t ComposeCharacter(uint32_t character, uint32_t mark);
// The combining mark of a dead key's spacing accent; any other character stays as it is.
uint32_t DeadKeyMark(uint32_t accent);

} // namespace Omvu
