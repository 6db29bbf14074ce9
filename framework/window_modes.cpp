// Switching the running device between the windowed view and full screen. The derived
// application's ApplyWindowMode moves the rendering between its two windows; size messages
// caused by the switch itself are ignored through suppressResize.

#include "framework/graphics_app.h"

HRESULT CGraphicsApp::SwitchFullScreen()
{
    const FormatCombo* current = settings.Active().combo;
    const ModeSettings& target = windowed ? settings.fullScreenMode : settings.windowedMode;
    // A device whose creation was refused as lost is still waited for: leaving the mode it was
    // wanted for (Esc from a blank full screen) creates it for the other one instead.
    const bool creationPending = !device && deviceLost;
    // Without a choice for the other mode there is nothing to switch to.
    if (!current || !target.combo || (!device && !creationPending)) return E_FAIL;
    const UINT adapterOrdinal = current->adapterOrdinal;
    const D3DDEVTYPE deviceType = current->deviceType;

    Pause(true);
    suppressResize = true;
    // Where the window is now, not where it was at its last size change: it may have moved since.
    if (windowed) ReadWindowRect();
    // Full screen goes on the monitor the window is on now; the player may have moved it there.
    if (windowed) FindBestFullScreenSettings(false, false);
    windowed = !windowed;
    settings.windowed = windowed;
    HRESULT hr = ApplyWindowMode();
    if (SUCCEEDED(hr)) {
        TakeWindowedPlace();
        const FormatCombo* next = settings.Active().combo;
        if (device && next->adapterOrdinal == adapterOrdinal && next->deviceType == deviceType) {
            BuildPresentParameters();
            hr = ResetDevice();
            // Some drivers (Wine among them) cannot reset a full-screen device back into a
            // window when the desktop mode cannot be set again, and a failing driver cannot
            // reset at all; a new device can still be made.
            if (FAILED(hr) && (windowed || hr != D3DERR_DEVICELOST)) hr = RecreateDevice();
            hr = WaitIfLost(hr); // reset into the new mode when the device is back
        } else {
            hr = RecreateDevice();
        }
    }

    if (FAILED(hr)) {
        suppressResize = false;
        if (!windowed) {
            windowed = true;
            settings.windowed = true;
            ApplyWindowMode(); // best effort: the application is closing after the message below
            RestoreWindowRect();
        }
        // The pause stays: the fatal message closes the application.
        return ShowError(hr == D3DERR_OUTOFVIDEOMEMORY ? hr : AppError::ResetFailed, MessageKind::Fatal);
    }

    suppressResize = false;
    if (windowed) RestoreWindowRect();
    Pause(false);
    return S_OK;
}

HRESULT CGraphicsApp::RecreateDevice()
{
    ReleaseDevice();
    return WaitIfLost(InitDevice());
}

HRESULT CGraphicsApp::ReturnToWindowed()
{
    if (windowed) return S_OK;
    if (!FindBestWindowedSettings(false, false)) return E_FAIL;

    windowed = true;
    Pause(true);
    const HRESULT hr = RecreateDevice();
    if (FAILED(hr)) return ShowError(hr, MessageKind::Fatal);
    Pause(false);
    return S_OK;
}
