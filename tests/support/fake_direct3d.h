#pragma once
// A scripted IDirect3D9: the test chooses the adapters, their desktop and listed modes, the
// capabilities of each device type and the answers of every Check call; CreateDevice hands out
// a device stand-in. Reference counted, never deleted through Release.
// Direct3D watches a device's focus window and draws into its device window for the device's
// whole life: a device whose last reference goes after either window was destroyed is counted.

#include "support/fake_device.h"

#include <d3d9.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class FakeDirect3D : public IDirect3D9 {
  public:
    struct Adapter {
        D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
        std::vector<D3DDISPLAYMODE> modes;
        std::map<D3DDEVTYPE, D3DCAPS9> caps; ///< device types missing here fail GetDeviceCaps
        HMONITOR monitor = nullptr;          ///< what GetAdapterMonitor answers
    };

    /// Capabilities with the given DevCaps, PresentationIntervals and PrimitiveMiscCaps.
    static D3DCAPS9 Caps(D3DDEVTYPE type, DWORD devCaps, DWORD presentIntervals, DWORD miscCaps = 0);
    /// One HAL adapter at 1024×768 X8R8G8B8 with hardware T&L and immediate/one intervals.
    static FakeDirect3D SingleHalAdapter();

    std::vector<Adapter> adapters;
    std::function<bool(D3DDEVTYPE, D3DFORMAT adapterFormat, D3DFORMAT backBuffer, bool windowed)>
        deviceTypeOk = [](D3DDEVTYPE, D3DFORMAT, D3DFORMAT, bool) { return true; };
    std::function<bool(D3DDEVTYPE, D3DFORMAT depthStencil)> depthStencilOk = [](D3DDEVTYPE, D3DFORMAT) {
        return true;
    };
    std::function<bool(D3DDEVTYPE, D3DMULTISAMPLE_TYPE, bool windowed)> multiSampleOk =
        [](D3DDEVTYPE, D3DMULTISAMPLE_TYPE type, bool) { return type == D3DMULTISAMPLE_NONE; };
    /// Device handed out by CreateDevice for each device type (none: D3DERR_NOTAVAILABLE).
    std::map<D3DDEVTYPE, FakeDevice*> devices;
    /// Refusals CreateDevice gives one per call before it hands out a device, e.g.
    /// D3DERR_DEVICELOST while the screen is locked.
    std::deque<HRESULT> createRefusals;
    /// When set, CreateDevice also makes a real hardware device of this object's on the default
    /// adapter, with the same window, flags and parameters, and attaches it to the stand-in.
    IDirect3D9* real = nullptr;

    struct CreateCall {
        D3DDEVTYPE type;
        DWORD flags;
        HWND focusWindow;
        D3DPRESENT_PARAMETERS parameters;
    };
    std::vector<CreateCall> createCalls;

    ULONG References() const { return references; }
    /// Devices of this object released for the last time after their focus or device window went.
    int ReleasesAfterWindowsWent() const { return *releasesAfterWindowsWent; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                   D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                                               D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                              D3DFORMAT backBufferFormat, WINBOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                DWORD usage, D3DRESOURCETYPE resourceType,
                                                D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                         WINBOOL windowed, D3DMULTISAMPLE_TYPE multiSample,
                                                         DWORD* qualityLevels) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                     D3DFORMAT renderTargetFormat,
                                                     D3DFORMAT depthStencilFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override
    {
        return adapter < adapters.size() ? adapters[adapter].monitor : nullptr;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                                           D3DPRESENT_PARAMETERS* parameters,
                                           IDirect3DDevice9** device) override;

  private:
    ULONG references = 1;
    /// Shared with the devices' last-release checks, which may run after this object is gone.
    std::shared_ptr<int> releasesAfterWindowsWent = std::make_shared<int>(0);
};
