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
    return device->Acquire();
}

void ReleaseDevice(Microsoft::WRL::ComPtr<IDirectInputDevice8A>& device)
{
    if (!device) return;
    device->Unacquire(); // fails harmlessly when the device was never acquired
    device.Reset();
}

} // namespace

InputDevices::~InputDevices() { ReleaseInputDevices(*this); }

HRESULT CreateInputDevices(InputDevices& devices, HWND window)
{
    HRESULT hr = DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void**>(devices.directInput.ReleaseAndGetAddressOf()),
                                    nullptr);
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
    HRESULT result = S_OK;
    if (devices.keyboard) {
        const HRESULT hr = devices.keyboard->SetCooperativeLevel(window, kKeyboardCooperation);
        if (FAILED(hr)) result = hr;
    }
    if (devices.mouse) {
        const HRESULT hr = devices.mouse->SetCooperativeLevel(window, kMouseCooperation);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}
