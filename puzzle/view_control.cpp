#include "puzzle/view_control.h"

#include <windowsx.h>

#include <cmath>
#include <cstring>

namespace {

constexpr BYTE kButtonDown = 0x80;
constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;
constexpr int kMaxAcquireAttempts = 100;

} // namespace

ViewControl::ViewControl() { D3DXMatrixIdentity(&WorldMatrix); }

void ViewControl::QueueLeftButton(bool down, POINT screenPoint)
{
    if (queuedLeftButton.size() < kMaxQueuedButtonEvents) queuedLeftButton.push_back({down, screenPoint});
}

bool ViewControl::TakeButtonMessage(HWND window, UINT message, LPARAM lParam)
{
    // The second press of a quick pair arrives as a double click.
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK && message != WM_LBUTTONUP) return false;
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &point);
    QueueLeftButton(message != WM_LBUTTONUP, point);
    return true;
}

void ViewControl::ApplyMouse(const DIMOUSESTATE2& mouse, const PickFn& pick, const StartTurnFn& startTurn)
{
    ApplyLeftButton((mouse.rgbButtons[kLeftButton] & kButtonDown) != 0, pick, startTurn);
    if (mouse.rgbButtons[kRightButton] & kButtonDown) ApplyRightDrag(mouse.lX, mouse.lY);
    ApplyWheel(mouse.lZ);
}

// Each press the window reported is picked at its own point, so a click that begins and ends
// between two frames still turns. The device's state tells whether the last press is still
// held (a release outside the window sends no message); while it is and no target has been
// hit, the pick follows the cursor, so sweeping onto a target turns it once. Only a press the
// window reported sweeps: the device may see a press just before its message arrives, and a
// pick for it then would turn twice.
void ViewControl::ApplyLeftButton(bool down, const PickFn& pick, const StartTurnFn& startTurn)
{
    for (const LeftButtonEvent& event : queuedLeftButton) {
        pressSeen = event.down;
        TargetLatch = false;
        if (event.down) PickAndTurn(event.screenPoint, pick, startTurn);
    }
    queuedLeftButton.clear();
    if (!down) {
        pressSeen = false;
        TargetLatch = false;
        return;
    }
    if (pressSeen && !TargetLatch) PickAndTurn(std::nullopt, pick, startTurn);
}

void ViewControl::PickAndTurn(std::optional<POINT> pressPoint, const PickFn& pick,
                              const StartTurnFn& startTurn)
{
    int code = 0;
    if (pick(pressPoint, code)) {
        startTurn(code);
        TargetLatch = true;
    }
}

// Once the cube is tilted past the vertical its horizontal spin is reversed, so that it
// keeps following the mouse.
void ViewControl::ApplyRightDrag(LONG dx, LONG dy)
{
    const float sign = std::cos(ViewPitch) < 0 ? -1.0f : 1.0f;
    ViewYaw = ViewYaw - static_cast<float>(dx) * sign * kDragFactor;
    ViewPitch = ViewPitch - static_cast<float>(dy) * kDragFactor;
}

// Any wheel movement in a frame is one step; the bounds are tested before the step.
void ViewControl::ApplyWheel(LONG dz)
{
    const float w = static_cast<float>(dz) * kWheelFactor;
    if (w == 0) return;
    if (FieldOfView < kWidestFieldOfView && w > 0) FieldOfView += kFieldOfViewStep;
    if (FieldOfView > kNarrowestFieldOfView && w < 0) FieldOfView -= kFieldOfViewStep;
}

void ViewControl::UpdateWorldMatrix()
{
    const D3DXVECTOR3 yAxis(0, 1, 0), xAxis(1, 0, 0);
    D3DXMATRIX yaw, pitch;
    D3DXMatrixRotationAxis(&yaw, &yAxis, ViewYaw);
    D3DXMatrixRotationAxis(&pitch, &xAxis, ViewPitch);
    D3DXMatrixMultiply(&WorldMatrix, &yaw, &pitch);
}

void PollInput(IDirectInputDevice8A* keyboard, IDirectInputDevice8A* mouse, BYTE (&inputState)[256],
               ViewControl& view, const ViewControl::PickFn& pick, const ViewControl::StartTurnFn& startTurn)
{
    // Keys read here change nothing; the game's keys arrive as window messages. A failed read
    // means the window lost the foreground: re-acquire and skip the mouse this frame too.
    std::memset(inputState, 0, sizeof inputState);
    if (keyboard && FAILED(keyboard->GetDeviceState(sizeof inputState, inputState))) {
        keyboard->Acquire(); // its result shows in the next frame's read
        return;
    }
    if (!mouse) return;

    DIMOUSESTATE2 state{};
    if (FAILED(mouse->GetDeviceState(sizeof state, &state))) {
        // A device that stays lost must not hang the frame: give up after a few tries.
        for (int attempt = 0; attempt < kMaxAcquireAttempts && mouse->Acquire() == DIERR_INPUTLOST; ++attempt) {
        }
        return;
    }
    view.ApplyMouse(state, pick, startTurn);
}
