#pragma once
// A device stand-in for the lost-device and failure paths that Wine's real device never
// takes. Its cooperative level follows the device's state as on Windows: lost while Windows
// holds it (Lose, or FocusLeaves for a full-screen device), DEVICENOTRESET once it may be reset
// (GiveBack, or after a refused Reset), usable again after a good Reset or a new creation; a
// failed driver (DriverFails) answers D3DERR_DRIVERINTERNALERROR until the device is made anew.
// Reset and Present results can also be scripted (fixed, or queued call by call); calls are
// counted, and the back buffer's description follows the last present parameters. With a real
// device attached the calls that succeed go on to it, so a whole scene can run on the stand-in.

#include "support/device_stand_in_base.h"

#include <deque>

class FakeBackBuffer : public IDirect3DSurface9 {
  public:
    D3DSURFACE_DESC desc{};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, const void*, DWORD, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return E_NOTIMPL; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* out) override
    {
        *out = desc;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRect() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDC(HDC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return E_NOTIMPL; }

    ULONG references = 1;
};

class FakeDevice : public DeviceStandInBase {
  public:
    HRESULT resetResult = S_OK;
    HRESULT presentResult = S_OK;
    /// Results given one per call before the fixed ones above.
    std::deque<HRESULT> resetResults, presentResults;
    D3DCAPS9 caps{};
    FakeBackBuffer backBuffer;

    int testCooperativeLevelCalls = 0;
    int resetCalls = 0;
    int presentCalls = 0;
    int readBacks = 0; ///< GetRenderTargetData: how a windowed frame reaches a child window under Wine
    D3DPRESENT_PARAMETERS lastParameters{};
    /// As DXVK does: a Reset into a window gives the window full screen ran in the style it had
    /// when full screen began, visibility included.
    bool restoresFullScreenStyle = false;

    /// What CreateDevice was given: a usable device whose back buffer follows these parameters.
    void Created(const D3DPRESENT_PARAMETERS& parameters, DWORD flags, HWND focus)
    {
        CreatedWith(flags);
        Follow(parameters);
        focusWindow = focus;
        level = Level::Usable;
        awaitingReset = false;
    }

    /// Windows takes the device away (the screen locked, a UAC prompt, another program in
    /// exclusive full screen).
    void Lose() { level = Level::Lost; }
    /// Windows lets the lost device be reset.
    void GiveBack()
    {
        if (level == Level::Lost) level = Level::NotReset;
    }
    /// The player switches away from a full-screen device (Alt+Tab): Windows loses it and
    /// minimises its focus window. A windowed device is not touched.
    void FocusLeaves()
    {
        if (lastParameters.Windowed) return;
        level = Level::Lost;
        ShowWindow(focusWindow, SW_SHOWMINNOACTIVE);
    }
    /// The driver stops working (a reset or update of the driver, a hung card): the device only
    /// fails from now on, and a new one has to be made.
    void DriverFails() { level = Level::Failed; }

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override
    {
        ++testCooperativeLevelCalls;
        switch (level) {
        case Level::Usable:
            return S_OK;
        case Level::Lost:
            return D3DERR_DEVICELOST;
        case Level::NotReset:
            return D3DERR_DEVICENOTRESET;
        case Level::Failed:
            break;
        }
        return D3DERR_DRIVERINTERNALERROR;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* out) override
    {
        if (real || awaitingReset) return DeviceStandInBase::GetDeviceCaps(out);
        *out = caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* parameters) override
    {
        ++resetCalls;
        HRESULT hr = Next(resetResults, resetResult);
        if (SUCCEEDED(hr)) hr = StateRefusal();
        if (SUCCEEDED(hr)) hr = ResetRefusal(); // a default-pool resource still alive
        if (SUCCEEDED(hr) && backBuffer.references > 1) hr = Refuse(); // the back buffer still held
        if (SUCCEEDED(hr) && real) hr = real->Reset(parameters);
        if (FAILED(hr)) {
            Refused(hr);
            return hr;
        }
        level = Level::Usable;
        awaitingReset = false;
        if (restoresFullScreenStyle) FollowFullScreenStyle(*parameters);
        Follow(*parameters);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* target, HWND window,
                                      const RGNDATA* dirty) override
    {
        ++presentCalls;
        HRESULT hr = FrameRefusal();
        if (SUCCEEDED(hr)) hr = Next(presentResults, presentResult);
        if (FAILED(hr) || !real) return hr;
        return real->Present(source, target, window, dirty);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* copy) override
    {
        ++readBacks;
        const HRESULT hr = FrameRefusal();
        if (FAILED(hr) || !real) return hr;
        return DeviceStandInBase::GetRenderTargetData(target, copy);
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                            IDirect3DSurface9** surface) override
    {
        if (real || awaitingReset) return DeviceStandInBase::GetBackBuffer(swapChain, index, type, surface);
        backBuffer.AddRef();
        *surface = &backBuffer;
        return S_OK;
    }

  private:
    HWND fullScreenWindow = nullptr;
    LONG fullScreenStyle = 0;
    enum class Level { Usable, Lost, NotReset, Failed };

    static HRESULT Next(std::deque<HRESULT>& queue, HRESULT otherwise)
    {
        if (queue.empty()) return otherwise;
        const HRESULT next = queue.front();
        queue.pop_front();
        return next;
    }
    void FollowFullScreenStyle(const D3DPRESENT_PARAMETERS& next)
    {
        if (!next.Windowed) {
            fullScreenStyle = GetWindowLongW(next.hDeviceWindow, GWL_STYLE);
            fullScreenWindow = next.hDeviceWindow;
        } else if (fullScreenWindow) {
            SetWindowLongW(fullScreenWindow, GWL_STYLE, fullScreenStyle & ~WS_VISIBLE);
            if (fullScreenStyle & WS_VISIBLE) ShowWindow(fullScreenWindow, SW_SHOWNA);
            fullScreenWindow = nullptr;
        }
    }
    /// What the device's state answers a Reset before anything else is looked at.
    HRESULT StateRefusal() const
    {
        if (level == Level::Lost) return D3DERR_DEVICELOST;
        return level == Level::Failed ? D3DERR_DRIVERINTERNALERROR : S_OK;
    }
    /// What the device's state answers a frame: lost, not reset and after a refused Reset it
    /// reaches no screen.
    HRESULT FrameRefusal() const
    {
        if (level == Level::Failed) return D3DERR_DRIVERINTERNALERROR;
        return level == Level::Usable && !awaitingReset ? S_OK : D3DERR_DEVICELOST;
    }
    /// A refused Reset leaves the device waiting for a good one; lost stays lost.
    void Refused(HRESULT hr)
    {
        awaitingReset = true;
        if (hr == D3DERR_DEVICELOST) level = Level::Lost;
        else if (level == Level::Usable) level = Level::NotReset;
    }
    void Follow(const D3DPRESENT_PARAMETERS& parameters)
    {
        lastParameters = parameters;
        backBuffer.desc.Width = parameters.BackBufferWidth;
        backBuffer.desc.Height = parameters.BackBufferHeight;
        backBuffer.desc.Format = parameters.BackBufferFormat;
    }

    Level level = Level::Usable;
    HWND focusWindow = nullptr;
};
