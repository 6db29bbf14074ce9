#include "game/fullscreen_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RecordingCommands : FullscreenCommands {
    std::string calls;
    bool timed = false;
    HWND mainWindow = nullptr;
    void LeaveFullScreen() override { calls += "S"; }
    bool TimedMode() const override { return timed; }
    void ResetCube() override { calls += "R"; }
    void StartTrainingCommand() override { calls += "T"; }
    void StartTimedCommand() override { calls += "F"; }
    HWND ApplicationMainWindow() const override { return mainWindow; }
    void OnLeftButtonMessage(HWND, UINT, LPARAM) override { calls += "C"; }
};

class FullscreenWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        popup = fullscreen_window::Create(nullptr);
        ASSERT_NE(popup, nullptr);
        fullscreen_window::SetCommands(&commands);
    }
    void TearDown() override
    {
        fullscreen_window::SetCommands(nullptr);
        if (IsWindow(popup)) DestroyWindow(popup);
    }
    void Send(UINT message, WPARAM key) { SendMessageW(popup, message, key, 0); }

    HWND popup = nullptr;
    RecordingCommands commands;
};

} // namespace

TEST_F(FullscreenWindowTest, PopupIsHiddenAndOfItsOwnClass)
{
    EXPECT_FALSE(IsWindowVisible(popup));
    wchar_t name[64] = {};
    GetClassNameW(popup, name, 64);
    EXPECT_STREQ(name, L"Fullscreen Window");
    EXPECT_EQ(GetWindowLongW(popup, GWL_STYLE) & WS_POPUP, static_cast<LONG>(WS_POPUP));
}

TEST_F(FullscreenWindowTest, CoversTheWholeMonitorItIsGiven)
{
    const HMONITOR monitor = MonitorFromWindow(popup, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(monitor, &info));
    fullscreen_window::CoverMonitor(popup, monitor);
    RECT placed;
    GetWindowRect(popup, &placed);
    EXPECT_TRUE(EqualRect(&placed, &info.rcMonitor));
}

TEST_F(FullscreenWindowTest, KeysActOnTheRightEdge)
{
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(commands.calls, "") << "Esc acts on release";
    Send(WM_KEYUP, VK_ESCAPE);
    EXPECT_EQ(commands.calls, "S");
    Send(WM_KEYDOWN, VK_F2);
    Send(WM_KEYDOWN, VK_F2); // auto-repeat restarts training each time
    Send(WM_KEYDOWN, VK_F3);
    Send(WM_KEYUP, 'R');
    Send(WM_KEYDOWN, VK_BACK); // listed in the help, but no step back in full screen
    EXPECT_EQ(commands.calls, "STTF");
}

TEST_F(FullscreenWindowTest, LeftPressesAndReleasesReachTheForm)
{
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE})
        Send(message, 0);
    EXPECT_EQ(commands.calls, "CCC");
}

TEST_F(FullscreenWindowTest, ResetIsRefusedDuringATimedAttempt)
{
    commands.timed = true;
    Send(WM_KEYDOWN, 'R');
    EXPECT_EQ(commands.calls, "");
    commands.timed = false;
    Send(WM_KEYDOWN, 'R');
    EXPECT_EQ(commands.calls, "R");
}

TEST_F(FullscreenWindowTest, CloseReturnsToTheWindowThenClosesTheProgram)
{
    HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    commands.mainWindow = main;
    Send(WM_CLOSE, 0);
    EXPECT_EQ(commands.calls, "S");
    EXPECT_TRUE(IsWindow(popup)) << "the device's focus window went before the device";
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, main, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    DestroyWindow(main);
}
