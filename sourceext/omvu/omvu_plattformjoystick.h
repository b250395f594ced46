#pragma once
// A game controller: read as a pad with the fixed layout of 13 buttons and 8 axes when the pad list
// names it, else with its own buttons and axes; polled once per frame, every change an event.

#include "omvu/omvu_plattforminput.h"

namespace Omvu {

class PlattformJoystick final : public Joystick, public PlattformGeraet {
public:
    // Throws when the controller cannot be set up; it is then left out.
    PlattformJoystick(PlattformInput& system, const Plattform::Steuergeraet& geraet);

    size_t GetButtonCount() const override { return mButtonCount; }
    size_t GetAxisCount() const override { return mAxisCount; }
    bool IsButtonDown(size_t button) const override;
    bool WasButtonPressed(size_t button) const override;
    bool WasButtonReleased(size_t button) const override;
    float GetAxisAbsolute(size_t axis) const override { return axis < mAxisCount ? mAxisValues[axis] : 0; }
    float GetAxisDifference(size_t axis) const override {
        return axis < mAxisCount ? mAxisDifferences[axis] : 0;
    }

    // (product id << 16) | vendor id.
    uint32_t GetProductWord() const { return mProductWord; }
    bool IsPad() const { return mXInputIndex != kKeinPad; }
    void SetXInputIndex(uint64_t index);

    void StartFrame() override;
    void SetFocus(bool focused) override;

private:
    static constexpr uint64_t kKeinPad = ~uint64_t(0);

    void LiesPad();
    void LiesJoystick();

    PlattformInput& mSystem;
    uint64_t mHandle;
    uint32_t mProductWord;
    uint64_t mXInputIndex = kKeinPad;
    uint64_t mButtonCount = 0;
    uint64_t mAxisCount = 0;
    uint64_t mButtons = 0;
    uint64_t mPreviousButtons = 0;
    float mAxisValues[Plattform::kMaxAchsen] = {};
    float mAxisDifferences[Plattform::kMaxAchsen] = {};
};

} // namespace Omvu
