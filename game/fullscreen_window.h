#pragma once
// The borderless popup that covers the screen in full-screen play. It is the device's
// focus window at all times and the device window in full screen, so in full screen it
// receives the keyboard: F2 training, F3 timed attempt, R reset, Esc back to the window,
// and the player's clicks.

#include <windows.h>

/// What the popup's keys, clicks and close request do; the form implements it.
class FullscreenCommands {
public:
    virtual ~FullscreenCommands() = default;
    /// Back to the window; nothing when the game is not in full screen (a close request that
    /// reaches the hidden popup must not send the game into full screen on its way out).
    virtual void LeaveFullScreen() = 0;
    virtual bool TimedMode() const = 0;
    virtual void ResetCube() = 0;         ///< the R key, refused during a timed attempt
    virtual void StartTrainingCommand() = 0;
    virtual void StartTimedCommand() = 0;
    virtual HWND ApplicationMainWindow() const = 0; ///< receives WM_CLOSE when the popup is closed
    /// A left-button press, double-click press or release in the popup (client coordinates in lParam).
    virtual void OnLeftButtonMessage(HWND popup, UINT message, LPARAM lParam) = 0;
};

namespace fullscreen_window {

constexpr wchar_t kClassName[] = L"Fullscreen Window";

/// Registers the class and creates the hidden popup owned by owner. Returns null on failure.
HWND Create(HWND owner);
/// Places the popup over the whole of monitor (the full-screen adapter's; null: the one the popup
/// is on), so full screen shows where the device draws rather than at the primary monitor's corner.
void CoverMonitor(HWND popup, HMONITOR monitor);
/// Routes the popup's messages to commands (null: default processing only).
void SetCommands(FullscreenCommands* commands);

} // namespace fullscreen_window

LRESULT CALLBACK FullscreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
