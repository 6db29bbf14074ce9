#include "game/fullscreen_window.h"

namespace {

constexpr int kInitialSize = 100;
FullscreenCommands* g_commands = nullptr; // the one form, set once it exists

/// True when the message is handled in full and must not get the default processing.
bool HandleMessage(FullscreenCommands& commands, HWND window, UINT message, WPARAM key, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
        commands.OnLeftButtonMessage(window, message, lParam);
        break;
    case WM_CLOSE:
        // The popup stays: it is the device's focus window until the application's close has
        // released the device, and it goes with the main window that owns it.
        commands.LeaveFullScreen();
        PostMessageW(commands.ApplicationMainWindow(), WM_CLOSE, 0, 0);
        return true;
    case WM_KEYUP:
        if (key == VK_ESCAPE) commands.LeaveFullScreen();
        break;
    case WM_KEYDOWN:
        if (key == 'R' && !commands.TimedMode()) commands.ResetCube();
        else if (key == VK_F2) commands.StartTrainingCommand();
        else if (key == VK_F3) commands.StartTimedCommand();
        break;
    default:
        break;
    }
    return false;
}

} // namespace

LRESULT CALLBACK FullscreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (g_commands && HandleMessage(*g_commands, window, message, wParam, lParam)) return 0;
    // Every other message, handled or not, also gets the default processing.
    return DefWindowProcW(window, message, wParam, lParam);
}

namespace fullscreen_window {

void SetCommands(FullscreenCommands* commands) { g_commands = commands; }

HWND Create(HWND owner)
{
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = FullscreenWndProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc); // a second registration fails harmlessly; creation below tells

    return CreateWindowExW(0, kClassName, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, kInitialSize,
                           kInitialSize, owner, nullptr, nullptr, nullptr);
}

void CoverMonitor(HWND popup, HMONITOR monitor)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor) monitor = MonitorFromWindow(popup, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(monitor, &info)) return; // the device then places it as it can
    const RECT& area = info.rcMonitor;
    SetWindowPos(popup, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace fullscreen_window
