#pragma once
// The mouse's share of the game: a left click on a turn target turns a layer, a right
// drag turns the whole cube in front of the fixed camera, the wheel widens or narrows
// the field of view. Devices are read once per frame.

#include <windows.h>
#include <dinput.h>
#include <d3dx9math.h>

#include <functional>

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

    /// Asks the picking for the turn under the cursor: true and the code when a target is nearest.
    using PickFn = std::function<bool(int& code)>;
    /// Starts a turn (refused quietly while another one animates).
    using StartTurnFn = std::function<void(int code)>;

    ViewControl();

    /// Left click, right drag and wheel of one frame's mouse state, in this order.
    void ApplyMouse(const DIMOUSESTATE2& mouse, const PickFn& pick, const StartTurnFn& startTurn);
    /// WorldMatrix = rotation about Y by ViewYaw, then about X by ViewPitch.
    void UpdateWorldMatrix();

    float ViewPitch = kStartAngle;
    float ViewYaw = kStartAngle;
    float FieldOfView = kStartFieldOfView;
    D3DXMATRIX WorldMatrix;
    bool TargetLatch = false; ///< the current left press has already hit a turn target

private:
    void ApplyLeftButton(bool down, const PickFn& pick, const StartTurnFn& startTurn);
    void ApplyRightDrag(LONG dx, LONG dy);
    void ApplyWheel(LONG dz);
};

/// Reads the keyboard (into inputState, 256 bytes) and the mouse, re-acquiring a device whose
/// read failed, and hands a successful mouse read to the view control.
void PollInput(IDirectInputDevice8A* keyboard, IDirectInputDevice8A* mouse, BYTE (&inputState)[256],
               ViewControl& view, const ViewControl::PickFn& pick, const ViewControl::StartTurnFn& startTurn);
