#include "omvu/omvu_plattformmouse.h"

namespace Omvu {

namespace {
constexpr unsigned kRohKnoepfe = 5;
constexpr unsigned kKnoepfe = 8;
// Cursor readings outside this range (client coordinates) are not taken over.
constexpr float kCursorGrenze = 20000;
} // namespace

PlattformMouse::PlattformMouse(PlattformInput& system) : Mouse(system), mSystem(system) {
    float x = 0, y = 0;
    if (LiesCursor(x, y)) {
        mPositionX = x;
        mPositionY = y;
    }
}

bool PlattformMouse::LiesCursor(float& x, float& y) {
    return mSystem.Quelle().LiesCursor(x, y);
}

PlattformMouse& PlattformMouse::Ziel() {
    if (mSystem.IsMultiDeviceMode() || !mSystem.GetFirstMouse())
        return *this;
    return static_cast<PlattformMouse&>(*mSystem.GetFirstMouse());
}

bool PlattformMouse::IsButtonDown(size_t button) const {
    return button < kKnoepfe && (mButtons >> button & 1);
}

bool PlattformMouse::WasButtonPressed(size_t button) const {
    return button < kKnoepfe && (mButtons >> button & 1) && !(mPreviousButtons >> button & 1);
}

bool PlattformMouse::WasButtonReleased(size_t button) const {
    return button < kKnoepfe && !(mButtons >> button & 1) && (mPreviousButtons >> button & 1);
}

float PlattformMouse::GetAxisAbsolute(size_t axis) const {
    switch (axis) {
    case 0:
        return mPositionX;
    case 1:
        return mPositionY;
    case 2:
        return mWheel;
    default:
        return 0;
    }
}

float PlattformMouse::GetAxisDifference(size_t axis) const {
    switch (axis) {
    case 0:
        return mMotionX;
    case 1:
        return mMotionY;
    case 2:
        return mWheel - mPreviousWheel;
    default:
        return 0;
    }
}

void PlattformMouse::ParseMessage(const Plattform::RohMaus& satz) {
    mSystem.NoteActivity(*this);

    for (unsigned knopf = 0; knopf < kRohKnoepfe; ++knopf) {
        if (satz.knopfFlags & Plattform::MausKnopfRunter(knopf))
            SetButton(knopf, true);
        if (satz.knopfFlags & Plattform::MausKnopfHoch(knopf))
            SetButton(knopf, false);
    }
    if (satz.knopfFlags & Plattform::kMausRad)
        AddWheel(satz.knopfDaten);

    // Without multi-device mode the first mouse follows the system cursor instead.
    if (!mSystem.IsMultiDeviceMode())
        return;
    float& zielX = mInUpdate ? mMotionX : mGatheredX;
    float& zielY = mInUpdate ? mMotionY : mGatheredY;
    if (!(satz.flags & Plattform::kMausAbsolut)) {
        if (satz.x == 0 && satz.y == 0)
            return;
        zielX += float(satz.x);
        zielY += float(satz.y);
        mPositionX += float(satz.x);
        mPositionY += float(satz.y);
    } else if (float(satz.x) != mPositionX || float(satz.y) != mPositionY) {
        zielX += float(satz.x) - mPositionX;
        zielY += float(satz.y) - mPositionY;
        mPositionX = float(satz.x);
        mPositionY = float(satz.y);
    }
}

void PlattformMouse::SetButton(size_t button, bool pressed) {
    PlattformMouse& ziel = Ziel();
    const uint32_t bit = 1u << button;
    if (bool(ziel.mButtons & bit) == pressed)
        return;
    ziel.mButtons = pressed ? ziel.mButtons | bit : ziel.mButtons & ~bit;
    mSystem.DispatchMouseButton(&ziel, button, pressed);
}

void PlattformMouse::AddWheel(float amount) {
    PlattformMouse& ziel = Ziel();
    ziel.mWheel += amount;
    mSystem.DispatchMouseAxis(&ziel, amount);
}

void PlattformMouse::StartFrame() {
    mPreviousButtons = mButtons;
    mPreviousWheel = mWheel;
    mWheel = 0;
    // The receiver learns that the wheel came to rest.
    if (mPreviousWheel != 0)
        AddWheel(0);
    mMotionX = mGatheredX;
    mMotionY = mGatheredY;
    mGatheredX = 0;
    mGatheredY = 0;
    mInUpdate = true;
}

void PlattformMouse::EndFrame() {
    mInUpdate = false;
    mGatheredX = 0;
    mGatheredY = 0;
    float x = 0, y = 0;
    if (!mSystem.IsMultiDeviceMode() && mSystem.HasFocus() && GetOrdinal() == 0 && LiesCursor(x, y) &&
        x >= 0 && x < kCursorGrenze && y >= 0 && y < kCursorGrenze) {
        if (!mSystem.IsGrabbed()) {
            mMotionX = x - mPositionX;
            mMotionY = y - mPositionY;
            mPositionX = x;
            mPositionY = y;
        } else {
            // A grabbed cursor goes back to the window's centre; only the motion counts.
            int breite = 0, hoehe = 0;
            mSystem.Quelle().FensterGroesse(breite, hoehe);
            const int mitteX = breite / 2, mitteY = hoehe / 2;
            mMotionX = x - float(mitteX);
            mMotionY = y - float(mitteY);
            mPositionX += mMotionX;
            mPositionY += mMotionY;
            mSystem.Quelle().SetzeCursor(mitteX, mitteY);
        }
    }
    if (mMotionX != 0 || mMotionY != 0)
        mSystem.DispatchMouseMove(this, mPositionX, mPositionY, mMotionX, mMotionY);
}

void PlattformMouse::SetFocus(bool focused) {
    if (!focused) {
        for (size_t knopf = 0; knopf < kKnoepfe; ++knopf) {
            if (!IsButtonDown(knopf))
                continue;
            SetButton(knopf, false);
            mPreviousButtons |= 1u << knopf;
        }
        return;
    }
    float x = 0, y = 0;
    if (mSystem.IsMultiDeviceMode() || !LiesCursor(x, y))
        return;
    mMotionX = x - mPositionX;
    mMotionY = y - mPositionY;
    mPositionX = x;
    mPositionY = y;
    if (!IsFirstFrame() && (mMotionX != 0 || mMotionY != 0))
        mSystem.DispatchMouseMove(this, mPositionX, mPositionY, mMotionX, mMotionY);
}

} // namespace Omvu
