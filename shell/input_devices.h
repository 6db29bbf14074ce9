#pragma once
// The DirectInput keyboard and mouse, read by polling their immediate state once per frame.
// The keyboard delivers the 256-byte key array, the mouse DIMOUSESTATE2. Both are bound
// non-exclusively to a window in the foreground; the Windows key is disabled while the
// game has the keyboard.

#include <dinput.h>
#include <wrl/client.h>

/// Cooperative levels of the two devices.
constexpr DWORD kKeyboardCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY;
constexpr DWORD kMouseCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

/// Owner of the DirectInput object and its two devices; empty until created.
struct InputDevices {
    InputDevices() = default;
    ~InputDevices();
    InputDevices(const InputDevices&) = delete;
    InputDevices& operator=(const InputDevices&) = delete;

    Microsoft::WRL::ComPtr<IDirectInput8A> directInput;
    Microsoft::WRL::ComPtr<IDirectInputDevice8A> keyboard;
    Microsoft::WRL::ComPtr<IDirectInputDevice8A> mouse;
};

/// Creates the DirectInput object, then the keyboard, then the mouse, each bound to window and
/// acquired if the window is in the foreground (otherwise the polling acquires them later).
/// Returns the first failure at once; what was created by then stays in devices.
HRESULT CreateInputDevices(InputDevices& devices, HWND window);

/// Unacquires and releases the keyboard, then the mouse, then the DirectInput object.
void ReleaseInputDevices(InputDevices& devices);

/// Binds the existing devices to another window with the same cooperative levels (used when
/// the rendering moves between the windowed view and the full-screen window).
HRESULT BindInputDevices(InputDevices& devices, HWND window);
