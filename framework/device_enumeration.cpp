#include "framework/device_enumeration.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

const D3DFORMAT kAllowedAdapterFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5,
                                            D3DFMT_A2R10G10B10};
const D3DFORMAT kBackBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                        D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
const D3DFORMAT kDepthStencilFormats[] = {D3DFMT_D16,   D3DFMT_D15S1,   D3DFMT_D24X8,
                                          D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
const UINT kPresentIntervals[] = {D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                  D3DPRESENT_INTERVAL_ONE,       D3DPRESENT_INTERVAL_TWO,
                                  D3DPRESENT_INTERVAL_THREE,     D3DPRESENT_INTERVAL_FOUR};
constexpr UINT kMaxMultiSampleType = 16;

template <class T> void DeleteAll(GrowArray& list)
{
    for (UINT i = 0; i < list.Count(); ++i)
        delete list.PointerAt<T>(i);
}

/// Appends an owned entry, or deletes it when the list cannot grow.
template <class T> HRESULT AddOwned(GrowArray& list, T* entry)
{
    const HRESULT hr = list.Add(entry);
    if (FAILED(hr)) delete entry;
    return hr;
}

bool ModeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    if (a.Width != b.Width) return a.Width < b.Width;
    if (a.Height != b.Height) return a.Height < b.Height;
    if (a.Format != b.Format) return a.Format < b.Format;
    return a.RefreshRate < b.RefreshRate;
}

/// Sorts the value-mode list of display modes in place.
void SortDisplayModes(GrowArray& modes)
{
    if (modes.Count() < 2) return;
    auto* first = static_cast<D3DDISPLAYMODE*>(modes.Get(0));
    std::sort(first, first + modes.Count(), ModeLess);
}

} // namespace

UINT ColorChannelBits(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return 5;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        return 4;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2:
        return 2;
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A2R10G10B10:
        return 10;
    default:
        return 0;
    }
}

UINT AlphaChannelBits(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A8R3G3B2:
        return 8;
    case D3DFMT_A1R5G5B5:
        return 1;
    case D3DFMT_A4R4G4B4:
        return 4;
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A2R10G10B10:
        return 2;
    default:
        return 0;
    }
}

UINT DepthBits(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D16:
        return 16;
    case D3DFMT_D15S1:
        return 15;
    case D3DFMT_D24X8:
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4:
        return 24;
    case D3DFMT_D32:
        return 32;
    default:
        return 0;
    }
}

UINT StencilBits(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D15S1:
        return 1;
    case D3DFMT_D24S8:
        return 8;
    case D3DFMT_D24X4S4:
        return 4;
    default:
        return 0;
    }
}

DeviceEntry::~DeviceEntry()
{
    DeleteAll<FormatCombo>(formatCombos);
}

AdapterEntry::~AdapterEntry()
{
    DeleteAll<DeviceEntry>(deviceEntries);
}

void CDeviceEnumeration::Destroy()
{
    if (adapters) DeleteAll<AdapterEntry>(*adapters);
    adapters.reset();
    allowedAdapterFormats.reset();
}

HRESULT CDeviceEnumeration::Enumerate()
{
    if (!d3d) return E_FAIL;
    Destroy();
    adapters.reset(new (std::nothrow) GrowArray(GrowArray::Mode::Pointer, 0));
    allowedAdapterFormats.reset(new (std::nothrow) GrowArray(GrowArray::Mode::Value, sizeof(UINT)));
    if (!adapters || !allowedAdapterFormats) return E_OUTOFMEMORY;
    for (D3DFORMAT format : kAllowedAdapterFormats) {
        const HRESULT hr = allowedAdapterFormats->AddValue<UINT>(format);
        if (FAILED(hr)) return hr;
    }

    const UINT adapterCount = d3d->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < adapterCount; ++ordinal) {
        const HRESULT hr = EnumerateAdapter(ordinal);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CDeviceEnumeration::EnumerateAdapter(UINT ordinal)
{
    auto* adapter = new (std::nothrow) AdapterEntry;
    if (!adapter) return E_OUTOFMEMORY;
    std::unique_ptr<AdapterEntry> owned(adapter);
    adapter->adapterOrdinal = ordinal;
    // An adapter without an identifier is still usable; the identifier is informational.
    d3d->GetAdapterIdentifier(ordinal, 0, &adapter->identifier);

    GrowArray formatsInUse(GrowArray::Mode::Value, sizeof(UINT));
    for (UINT f = 0; f < allowedAdapterFormats->Count(); ++f) {
        const auto format = static_cast<D3DFORMAT>(allowedAdapterFormats->ValueAt<UINT>(f));
        const UINT modeCount = d3d->GetAdapterModeCount(ordinal, format);
        for (UINT m = 0; m < modeCount; ++m) {
            D3DDISPLAYMODE mode{};
            if (FAILED(d3d->EnumAdapterModes(ordinal, format, m, &mode))) continue;
            if (mode.Width < minFullScreenWidth || mode.Height < minFullScreenHeight ||
                ColorChannelBits(mode.Format) < minColorChannelBits)
                continue;
            HRESULT hr = adapter->displayModes.AddValue(mode);
            if (FAILED(hr)) return hr;
            const UINT modeFormat = mode.Format;
            if (!formatsInUse.ContainsValue(modeFormat)) {
                hr = formatsInUse.AddValue(modeFormat);
                if (FAILED(hr)) return hr;
            }
        }
    }
    SortDisplayModes(adapter->displayModes);

    const HRESULT hr = EnumerateDevices(*adapter, formatsInUse);
    if (FAILED(hr)) return hr;
    if (adapter->deviceEntries.Count() == 0) return S_OK;
    return AddOwned(*adapters, owned.release());
}

HRESULT CDeviceEnumeration::EnumerateDevices(AdapterEntry& adapter, const GrowArray& adapterFormats)
{
    const D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
    for (D3DDEVTYPE type : kDeviceTypes) {
        auto* device = new (std::nothrow) DeviceEntry;
        if (!device) return E_OUTOFMEMORY;
        std::unique_ptr<DeviceEntry> owned(device);
        device->adapterOrdinal = adapter.adapterOrdinal;
        device->deviceType = type;
        if (FAILED(d3d->GetDeviceCaps(adapter.adapterOrdinal, type, &device->caps))) continue;

        const HRESULT hr = EnumerateCombos(*device, adapterFormats);
        if (FAILED(hr)) return hr;
        if (device->formatCombos.Count() == 0) continue;
        const HRESULT added = AddOwned(adapter.deviceEntries, owned.release());
        if (FAILED(added)) return added;
    }
    return S_OK;
}

HRESULT CDeviceEnumeration::EnumerateCombos(DeviceEntry& device, const GrowArray& adapterFormats)
{
    for (UINT f = 0; f < adapterFormats.Count(); ++f) {
        const auto adapterFormat = static_cast<D3DFORMAT>(adapterFormats.ValueAt<UINT>(f));
        for (D3DFORMAT backBufferFormat : kBackBufferFormats) {
            if (AlphaChannelBits(backBufferFormat) < minAlphaChannelBits) continue;
            for (bool windowed : {false, true}) {
                if (!windowed && requiresWindowed) continue;
                if (windowed && requiresFullScreen) continue;
                if (FAILED(d3d->CheckDeviceType(device.adapterOrdinal, device.deviceType, adapterFormat,
                                                backBufferFormat, windowed)))
                    continue;

                auto* combo = new (std::nothrow) FormatCombo;
                if (!combo) return E_OUTOFMEMORY;
                std::unique_ptr<FormatCombo> owned(combo);
                combo->adapterOrdinal = device.adapterOrdinal;
                combo->deviceType = device.deviceType;
                combo->adapterFormat = adapterFormat;
                combo->backBufferFormat = backBufferFormat;
                combo->windowed = windowed;

                HRESULT hr = S_OK;
                if (usesDepthBuffer) {
                    hr = BuildDepthStencilList(*combo);
                    if (FAILED(hr)) return hr;
                    if (combo->depthStencilFormats.Count() == 0) continue;
                }
                hr = BuildMultiSampleList(*combo);
                if (FAILED(hr)) return hr;
                if (combo->multiSampleTypes.Count() == 0) continue;
                hr = BuildVertexProcessingList(device, *combo);
                if (FAILED(hr)) return hr;
                if (combo->vertexProcessingKinds.Count() == 0) continue;
                hr = BuildPresentIntervalList(device, *combo);
                if (FAILED(hr)) return hr;
                hr = AddOwned(device.formatCombos, owned.release());
                if (FAILED(hr)) return hr;
            }
        }
    }
    return S_OK;
}

HRESULT CDeviceEnumeration::BuildDepthStencilList(FormatCombo& combo)
{
    for (D3DFORMAT format : kDepthStencilFormats) {
        if (DepthBits(format) < minDepthBits || StencilBits(format) < minStencilBits) continue;
        if (FAILED(d3d->CheckDeviceFormat(combo.adapterOrdinal, combo.deviceType, combo.adapterFormat,
                                          D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)))
            continue;
        if (FAILED(d3d->CheckDepthStencilMatch(combo.adapterOrdinal, combo.deviceType, combo.adapterFormat,
                                               combo.backBufferFormat, format)))
            continue;
        const HRESULT hr = combo.depthStencilFormats.AddValue<UINT>(format);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CDeviceEnumeration::BuildMultiSampleList(FormatCombo& combo)
{
    for (UINT type = D3DMULTISAMPLE_NONE; type <= kMaxMultiSampleType; ++type) {
        if (FAILED(d3d->CheckDeviceMultiSampleType(combo.adapterOrdinal, combo.deviceType,
                                                   combo.backBufferFormat, combo.windowed,
                                                   static_cast<D3DMULTISAMPLE_TYPE>(type), nullptr)))
            continue;
        const HRESULT hr = combo.multiSampleTypes.AddValue(type);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool CDeviceEnumeration::Accepts(const D3DCAPS9& caps, VertexProcessing kind,
                                 D3DFORMAT backBufferFormat) const
{
    return !acceptDevice || acceptDevice(caps, kind, backBufferFormat);
}

HRESULT CDeviceEnumeration::BuildVertexProcessingList(const DeviceEntry& device, FormatCombo& combo)
{
    // Strongest kind first, so the first entry is the one to use.
    std::vector<VertexProcessing> kinds;
    const D3DCAPS9& caps = device.caps;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        if ((caps.DevCaps & D3DDEVCAPS_PUREDEVICE) &&
            Accepts(caps, VertexProcessing::PureHardware, combo.backBufferFormat))
            kinds.push_back(VertexProcessing::PureHardware);
        if (Accepts(caps, VertexProcessing::Hardware, combo.backBufferFormat))
            kinds.push_back(VertexProcessing::Hardware);
        if (usesMixedVertexProcessing && Accepts(caps, VertexProcessing::Mixed, combo.backBufferFormat))
            kinds.push_back(VertexProcessing::Mixed);
    }
    if (Accepts(caps, VertexProcessing::Software, combo.backBufferFormat))
        kinds.push_back(VertexProcessing::Software);

    for (VertexProcessing kind : kinds) {
        const HRESULT hr = combo.vertexProcessingKinds.AddValue(static_cast<UINT>(kind));
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CDeviceEnumeration::BuildPresentIntervalList(const DeviceEntry& device, FormatCombo& combo)
{
    for (UINT interval : kPresentIntervals) {
        const bool slowInterval = interval == D3DPRESENT_INTERVAL_TWO ||
                                  interval == D3DPRESENT_INTERVAL_THREE ||
                                  interval == D3DPRESENT_INTERVAL_FOUR;
        if (combo.windowed && slowInterval) continue;
        if (interval != D3DPRESENT_INTERVAL_DEFAULT && !(device.caps.PresentationIntervals & interval))
            continue;
        const HRESULT hr = combo.presentIntervals.AddValue(interval);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
