#pragma once
// A device stand-in for the lost-device and failure paths that Wine's real device never
// takes: scripted cooperative level, Reset and Present results (fixed, or Windows' sequences
// queued call by call), counted calls, and a back buffer whose description follows the last
// present parameters. With a real device attached
// the calls that succeed by script go on to it, so a whole scene can run on the stand-in.

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
    HRESULT cooperativeLevel = S_OK;
    HRESULT resetResult = S_OK;
    HRESULT presentResult = S_OK;
    /// Results given one per call before the fixed ones above, e.g. a device lost for three
    /// polls and then not reset: {D3DERR_DEVICELOST x3, D3DERR_DEVICENOTRESET}.
    std::deque<HRESULT> cooperativeLevels, resetResults, presentResults;
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

    /// What CreateDevice was given: the back buffer then follows these parameters.
    void Created(const D3DPRESENT_PARAMETERS& parameters, DWORD flags)
    {
        CreatedWith(flags);
        Follow(parameters);
    }

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override
    {
        ++testCooperativeLevelCalls;
        return Next(cooperativeLevels, cooperativeLevel);
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* out) override
    {
        if (real) return real->GetDeviceCaps(out);
        *out = caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* parameters) override
    {
        ++resetCalls;
        const HRESULT scripted = Next(resetResults, resetResult);
        if (FAILED(scripted)) return scripted;
        const HRESULT refused = ResetRefusal(); // a default-pool resource still alive
        if (FAILED(refused)) return refused;
        const HRESULT hr = real ? real->Reset(parameters) : S_OK;
        if (FAILED(hr)) return hr;
        if (restoresFullScreenStyle) FollowFullScreenStyle(*parameters);
        Follow(*parameters);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* target, HWND window,
                                      const RGNDATA* dirty) override
    {
        ++presentCalls;
        const HRESULT scripted = Next(presentResults, presentResult);
        if (FAILED(scripted) || !real) return scripted;
        return real->Present(source, target, window, dirty);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* copy) override
    {
        ++readBacks;
        return real ? real->GetRenderTargetData(target, copy) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                            IDirect3DSurface9** surface) override
    {
        if (real) return real->GetBackBuffer(swapChain, index, type, surface);
        backBuffer.AddRef();
        *surface = &backBuffer;
        return S_OK;
    }

  private:
    HWND fullScreenWindow = nullptr;
    LONG fullScreenStyle = 0;

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
    void Follow(const D3DPRESENT_PARAMETERS& parameters)
    {
        lastParameters = parameters;
        backBuffer.desc.Width = parameters.BackBufferWidth;
        backBuffer.desc.Height = parameters.BackBufferHeight;
        backBuffer.desc.Format = parameters.BackBufferFormat;
    }
};
