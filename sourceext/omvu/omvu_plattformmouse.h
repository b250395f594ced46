#pragma once
// A mouse of the platform's device list: button masks, wheel and motion per frame; the first mouse
// follows the system cursor.

#include "omvu/omvu_plattforminput.h"

namespace Omvu {

class PlattformMouse final : public Mouse, public PlattformGeraet {
public:
    explicit PlattformMouse(PlattformInput& system);

    size_t GetButtonCount() const override { return 8; }
    size_t GetAxisCount() const override { return 3; }
    bool IsButtonDown(size_t button) const override;
    bool WasButtonPressed(size_t button) const override;
    bool WasButtonReleased(size_t button) const override;
    float GetAxisAbsolute(size_t axis) const override;
    float GetAxisDifference(size_t axis) const override;

    float GetPositionX() const override { return mPositionX; }
    float GetPositionY() const override { return mPositionY; }
    float GetMotionX() const override { return mMotionX; }
    float GetMotionY() const override { return mMotionY; }

    void ParseMessage(const Plattform::RohMaus& satz);
    void SetButton(size_t button, bool pressed);
    void AddWheel(float amount);

    void StartFrame() override;
    void EndFrame() override;
    void SetFocus(bool focused) override;

private:
    // Single-device mode: every mouse's buttons and wheel count for the first mouse.
    PlattformMouse& Ziel();
    bool LiesCursor(float& x, float& y);

    PlattformInput& mSystem;
    float mPositionX = 0;
    float mPositionY = 0;
    float mMotionX = 0;
    float mMotionY = 0;
    float mWheel = 0;
    float mPreviousWheel = 0;
    uint32_t mButtons = 0;
    uint32_t mPreviousButtons = 0;
    bool mInUpdate = false;
    float mGatheredX = 0;
    float mGatheredY = 0;
};

} // namespace Omvu
