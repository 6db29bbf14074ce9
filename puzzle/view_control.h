#pragma once
// The mouse's share of the game: a left click on a turn target turns a layer, a right
// drag turns the whole cube in front of the fixed camera, the wheel widens or narrows
// the field of view. Devices are read once per frame; left presses and releases come from
// the window's messages as well, so that a click shorter than a frame still turns, picked
// where it was made.

#include <windows.h>
#include <dinput.h>
#include <d3dx9math.h>

#include <functional>
#include <optional>
#include <vector>

/// View angles, field of view and the cube's world transform, with the per-frame mouse rules.
class ViewControl {
public:
    static constexpr float kStartAngle = -0.7853982f;      ///< -pi/4: the cube seen corner-on
    static constexpr float kStartFieldOfView = 0.7853982f; ///< pi/4
    static constexpr float kDragFactor = 0.0099999998f;
    static constexpr float kWheelFactor = 0.0099999998f;
    static constexpr float kFieldOfViewStep = 0.1f;
    static constexpr float kWidestFieldOfView = 1.5707964f;   ///< widening stops past this
    static constexpr float kNarrowestFieldOfView = 0.59275335f; ///< narrowing stops past this

    /// At most this many left presses and releases wait for the next poll; more are dropped.
    static constexpr size_t kMaxQueuedButtonEvents = 16;

    /// Asks the picking for the turn at a press's screen point, or under the cursor now when
    /// there is none: true and the code when a target is nearest.
    using PickFn = std::function<bool(std::optional<POINT> pressPoint, int& code)>;
    /// Starts a turn (refused quietly while another one animates).
    using StartTurnFn = std::function<void(int code)>;

    ViewControl();

    /// Keeps a left press (with its screen point) or release until the next poll.
    void QueueLeftButton(bool down, POINT screenPoint);
    /// Queues the left press, double-click press or release a window message of `window`
    /// reports; false for any other message.
    bool TakeButtonMessage(HWND window, UINT message, LPARAM lParam);

    /// The queued left presses, then the left button, right drag and wheel of one frame's mouse
    /// state, in this order.
    void ApplyMouse(const DIMOUSESTATE2& mouse, const PickFn& pick, const StartTurnFn& startTurn);
    /// WorldMatrix = rotation about Y by ViewYaw, then about X by ViewPitch.
    void UpdateWorldMatrix();

    float ViewPitch = kStartAngle;
    float ViewYaw = kStartAngle;
    float FieldOfView = kStartFieldOfView;
    D3DXMATRIX WorldMatrix;
    bool TargetLatch = false; ///< the current left press has already hit a turn target

private:
    struct LeftButtonEvent {
        bool down;
        POINT screenPoint;
    };

    void ApplyLeftButton(bool down, const PickFn& pick, const StartTurnFn& startTurn);
    void PickAndTurn(std::optional<POINT> pressPoint, const PickFn& pick, const StartTurnFn& startTurn);
    void ApplyRightDrag(LONG dx, LONG dy);
    void ApplyWheel(LONG dz);

    std::vector<LeftButtonEvent> queuedLeftButton;
    bool pressSeen = false; ///< a press reported by the window is still held
};

/// Reads the keyboard (into inputState, 256 bytes) and the mouse, re-acquiring a device whose
/// read failed, and hands a successful mouse read to the view control.
void PollInput(IDirectInputDevice8A* keyboard, IDirectInputDevice8A* mouse, BYTE (&inputState)[256],
               ViewControl& view, const ViewControl::PickFn& pick, const ViewControl::StartTurnFn& startTurn);
