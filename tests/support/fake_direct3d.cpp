#include "support/fake_direct3d.h"

#include <cstring>

D3DCAPS9 FakeDirect3D::Caps(D3DDEVTYPE type, DWORD devCaps, DWORD presentIntervals, DWORD miscCaps)
{
    D3DCAPS9 caps{};
    caps.DeviceType = type;
    caps.DevCaps = devCaps;
    caps.PresentationIntervals = presentIntervals;
    caps.PrimitiveMiscCaps = miscCaps;
    return caps;
}

FakeDirect3D FakeDirect3D::SingleHalAdapter()
{
    FakeDirect3D d3d;
    Adapter adapter;
    adapter.desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    adapter.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    adapter.caps[D3DDEVTYPE_HAL] = Caps(D3DDEVTYPE_HAL, D3DDEVCAPS_HWTRANSFORMANDLIGHT,
                                        D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE);
    d3d.adapters.push_back(adapter);
    return d3d;
}

HRESULT FakeDirect3D::QueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IUnknown || riid == IID_IDirect3D9) {
        AddRef();
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeDirect3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* identifier)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    *identifier = {};
    std::strcpy(identifier->Description, "Scripted adapter");
    return S_OK;
}

UINT FakeDirect3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format)
{
    if (adapter >= adapters.size()) return 0;
    UINT count = 0;
    for (const D3DDISPLAYMODE& mode : adapters[adapter].modes)
        count += mode.Format == format;
    return count;
}

HRESULT FakeDirect3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    for (const D3DDISPLAYMODE& listed : adapters[adapter].modes) {
        if (listed.Format != format) continue;
        if (index-- == 0) {
            *mode = listed;
            return S_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT FakeDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    *mode = adapters[adapter].desktop;
    return S_OK;
}

HRESULT FakeDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      D3DFORMAT backBufferFormat, WINBOOL windowed)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return deviceTypeOk(type, adapterFormat, backBufferFormat, windowed != FALSE) ? S_OK
                                                                                  : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage,
                                        D3DRESOURCETYPE, D3DFORMAT format)
{
    if (adapter >= adapters.size() || usage != D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;
    return depthStencilOk(type, format) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, WINBOOL windowed,
                                                 D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    if (qualityLevels) *qualityLevels = 1;
    return multiSampleOk(type, multiSample, windowed != FALSE) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT,
                                             D3DFORMAT depthStencilFormat)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return depthStencilOk(type, depthStencilFormat) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps)
{
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    auto found = adapters[adapter].caps.find(type);
    if (found == adapters[adapter].caps.end()) return D3DERR_NOTAVAILABLE;
    *caps = found->second;
    return S_OK;
}

HRESULT FakeDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                                   D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device)
{
    *device = nullptr;
    createCalls.push_back({type, flags, focusWindow, *parameters});
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    if (!createRefusals.empty()) {
        const HRESULT refusal = createRefusals.front();
        createRefusals.pop_front();
        return refusal;
    }
    auto found = devices.find(type);
    if (found == devices.end() || !found->second) return D3DERR_NOTAVAILABLE;
    if (real) {
        const HRESULT hr = real->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, focusWindow, flags,
                                              parameters, found->second->real.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
    }
    found->second->Created(*parameters, flags, focusWindow);
    found->second->AddRef();
    *device = found->second;
    return S_OK;
}
