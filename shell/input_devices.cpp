#include "shell/input_devices.h"

namespace {

HRESULT CreateDevice(IDirectInput8A* directInput, REFGUID guid, const DIDATAFORMAT& format, HWND window,
                     DWORD cooperation, Microsoft::WRL::ComPtr<IDirectInputDevice8A>& device)
{
    HRESULT hr = directInput->CreateDevice(guid, device.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr)) return hr;
    hr = device->SetDataFormat(&format);
    if (FAILED(hr)) return hr;
    hr = device->SetCooperativeLevel(window, cooperation);
    if (FAILED(hr)) return hr;
    // While the splash shows, the main window is not yet in the foreground and cannot acquire;
    // the per-frame polling acquires again, so the device is kept either way.
    device->Acquire();
    return S_OK;
}

void ReleaseDevice(Microsoft::WRL::ComPtr<IDirectInputDevice8A>& device)
{
    if (!device) return;
    device->Unacquire(); // fails harmlessly when the device was never acquired
    device.Reset();
}

/// The cooperative level can only change while the device is not acquired.
HRESULT Rebind(Microsoft::WRL::ComPtr<IDirectInputDevice8A>& device, HWND window, DWORD cooperation)
{
    if (!device) return S_OK;
    device->Unacquire(); // fails harmlessly when the device was not acquired
    const HRESULT hr = device->SetCooperativeLevel(window, cooperation);
    if (FAILED(hr)) return hr;
    // A window in the background cannot acquire yet; the per-frame polling acquires again.
    device->Acquire();
    return S_OK;
}

} // namespace

InputDevices::~InputDevices()
{
    ReleaseInputDevices(*this);
}

HRESULT CreateInputDevices(InputDevices& devices, HWND window)
{
    HRESULT hr =
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                           reinterpret_cast<void**>(devices.directInput.ReleaseAndGetAddressOf()), nullptr);
    if (FAILED(hr)) return hr;
    hr = CreateDevice(devices.directInput.Get(), GUID_SysKeyboard, c_dfDIKeyboard, window,
                      kKeyboardCooperation, devices.keyboard);
    if (FAILED(hr)) return hr;
    return CreateDevice(devices.directInput.Get(), GUID_SysMouse, c_dfDIMouse2, window, kMouseCooperation,
                        devices.mouse);
}

void ReleaseInputDevices(InputDevices& devices)
{
    ReleaseDevice(devices.keyboard);
    ReleaseDevice(devices.mouse);
    devices.directInput.Reset();
}

HRESULT BindInputDevices(InputDevices& devices, HWND window)
{
    const HRESULT keyboard = Rebind(devices.keyboard, window, kKeyboardCooperation);
    const HRESULT mouse = Rebind(devices.mouse, window, kMouseCooperation);
    return FAILED(keyboard) ? keyboard : mouse;
}
