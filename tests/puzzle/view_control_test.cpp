#include "puzzle/view_control.h"
#include "support/fake_input_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace {

DIMOUSESTATE2 Mouse(LONG dx, LONG dy, LONG dz, bool left, bool right)
{
    DIMOUSESTATE2 m{};
    m.lX = dx;
    m.lY = dy;
    m.lZ = dz;
    m.rgbButtons[0] = left ? 0x80 : 0;
    m.rgbButtons[1] = right ? 0x80 : 0;
    return m;
}

const POINT kPress{100, 120};

// Picking scripted per frame: the code under the cursor now and the code at the press point
// kPress, 0 for the body or nothing.
struct Picker {
    int codeUnderCursor = 0;
    int codeAtPress = 0;
    int picks = 0;
    std::vector<int> started;
    ViewControl::PickFn Pick()
    {
        return [this](std::optional<POINT> at, int& code) {
            ++picks;
            code = !at ? codeUnderCursor : (at->x == kPress.x && at->y == kPress.y ? codeAtPress : 0);
            return code != 0;
        };
    }
    ViewControl::StartTurnFn Start()
    {
        return [this](int code) { started.push_back(code); };
    }
};

} // namespace

TEST(ViewControl, LeftPressTurnsOnceUntilReleased)
{
    ViewControl view;
    Picker picker;
    view.QueueLeftButton(true, kPress); // pressed over the body: picks every frame, turns nothing
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    EXPECT_EQ(picker.picks, 3) << "at the press, then under the cursor in each frame";
    EXPECT_TRUE(picker.started.empty());

    picker.codeUnderCursor = 7; // swept onto a target while held
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    EXPECT_EQ(picker.started, std::vector<int>({7}));
    EXPECT_EQ(picker.picks, 4) << "the latch stops picking until release";

    view.ApplyMouse(Mouse(0, 0, 0, false, false), picker.Pick(), picker.Start());
    EXPECT_FALSE(view.TargetLatch);
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    EXPECT_EQ(picker.started, std::vector<int>({7})) << "a press the window has not reported yet waits";
    view.QueueLeftButton(true, kPress);
    view.ApplyMouse(Mouse(0, 0, 0, true, false), picker.Pick(), picker.Start());
    EXPECT_EQ(picker.started, std::vector<int>({7, 7}));
}

TEST(ViewControl, RightDragFollowsTheMouseEvenUpsideDown)
{
    ViewControl view;
    Picker picker;
    view.ApplyMouse(Mouse(10, 5, 0, false, true), picker.Pick(), picker.Start());
    EXPECT_FLOAT_EQ(view.ViewYaw, ViewControl::kStartAngle - 10 * 0.0099999998f);
    EXPECT_FLOAT_EQ(view.ViewPitch, ViewControl::kStartAngle - 5 * 0.0099999998f);

    view.ViewPitch = 3.1415927f; // tilted upside down: dragging right increases the yaw
    const float yaw = view.ViewYaw;
    view.ApplyMouse(Mouse(10, 0, 0, false, true), picker.Pick(), picker.Start());
    EXPECT_GT(view.ViewYaw, yaw);

    const float pitch = view.ViewPitch;
    view.ApplyMouse(Mouse(10, 10, 0, false, false), picker.Pick(), picker.Start());
    EXPECT_EQ(view.ViewPitch, pitch) << "motion without the right button turns nothing";
}

TEST(ViewControl, WheelStepsStayWithinOneStepOfTheBounds)
{
    ViewControl view;
    Picker picker;
    for (int i = 0; i < 20; ++i) view.ApplyMouse(Mouse(0, 0, 120, false, false), picker.Pick(), picker.Start());
    EXPECT_NEAR(view.FieldOfView, 1.5853983f, 1e-5f);
    for (int i = 0; i < 30; ++i) view.ApplyMouse(Mouse(0, 0, -1, false, false), picker.Pick(), picker.Start());
    EXPECT_NEAR(view.FieldOfView, 0.5853981f, 1e-5f);

    view.FieldOfView = ViewControl::kStartFieldOfView;
    view.ApplyMouse(Mouse(0, 0, 600, false, false), picker.Pick(), picker.Start());
    EXPECT_NEAR(view.FieldOfView, 0.8853982f, 1e-6f) << "one step per frame whatever the amount";
}

TEST(ViewControl, WorldMatrixTurnsYawBeforePitch)
{
    ViewControl view;
    view.ViewYaw = 0.5f;
    view.ViewPitch = -0.3f;
    view.UpdateWorldMatrix();
    D3DXMATRIX yaw, pitch, expected;
    D3DXMatrixRotationY(&yaw, 0.5f);
    D3DXMatrixRotationX(&pitch, -0.3f);
    D3DXMatrixMultiply(&expected, &yaw, &pitch);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(view.WorldMatrix.m[r][c], expected.m[r][c], 1e-6f);
}

TEST(PollInput, FailedKeyboardReadReacquiresAndSkipsTheMouse)
{
    FakeInputDevice keyboard, mouse;
    keyboard.state.assign(256, 0);
    mouse.SetMouse(Mouse(0, 0, 0, true, false));
    keyboard.stateResults = {DIERR_NOTACQUIRED};
    ViewControl view;
    Picker picker;
    picker.codeAtPress = 3;
    view.QueueLeftButton(true, kPress);
    BYTE keys[256];

    PollInput(&keyboard, &mouse, keys, view, picker.Pick(), picker.Start());
    EXPECT_EQ(keyboard.acquires, 1);
    EXPECT_EQ(mouse.stateReads, 0);
    EXPECT_TRUE(picker.started.empty());

    PollInput(&keyboard, &mouse, keys, view, picker.Pick(), picker.Start());
    EXPECT_EQ(picker.started, std::vector<int>({3})) << "the next frame reads normally and takes the press";
}

TEST(PollInput, ClicksBetweenTwoPollsTurnWhereTheyWereMade)
{
    // Both presses of a quick pair and their releases arrive between two frames, the cursor
    // has moved on, and the device shows the button up at the poll.
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 40, 50, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    FakeInputDevice keyboard, mouse;
    keyboard.state.assign(256, 0);
    mouse.SetMouse(Mouse(0, 0, 0, false, false));
    ViewControl view;
    Picker picker;
    picker.codeAtPress = 5;
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        view.TakeButtonMessage(window, message, MAKELPARAM(kPress.x - 40, kPress.y - 50));
    EXPECT_FALSE(view.TakeButtonMessage(window, WM_RBUTTONDOWN, 0));
    BYTE keys[256];
    PollInput(&keyboard, &mouse, keys, view, picker.Pick(), picker.Start());
    EXPECT_EQ(picker.started, std::vector<int>({5, 5}));
    DestroyWindow(window);
}

TEST(PollInput, LostMouseIsReacquiredWithoutHangingTheFrame)
{
    FakeInputDevice keyboard, mouse;
    keyboard.state.assign(256, 0);
    mouse.stateResults = {DIERR_INPUTLOST};
    mouse.acquireResults = {DIERR_INPUTLOST, DIERR_INPUTLOST, DI_OK};
    ViewControl view;
    Picker picker;
    BYTE keys[256];
    PollInput(&keyboard, &mouse, keys, view, picker.Pick(), picker.Start());
    EXPECT_EQ(mouse.acquires, 3);

    mouse.stateResults = {DIERR_INPUTLOST};
    mouse.acquireResults.assign(1000, DIERR_INPUTLOST);
    PollInput(&keyboard, &mouse, keys, view, picker.Pick(), picker.Start());
    EXPECT_LT(mouse.acquires, 3 + 1000) << "a device that stays lost does not hang the frame";
    EXPECT_EQ(picker.picks, 0);
}
