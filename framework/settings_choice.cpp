// The choice of one windowed and one full-screen setting from the enumerated devices:
// hardware devices first, then a back buffer in the adapter's own format, then (in full
// screen) the adapter's desktop format and mode, trying first the adapter of the monitor the
// game's window is on.

#include "framework/graphics_app.h"

#include <vector>

namespace {

/// The options every choice takes from its combo: the first (strongest) of each list.
void TakeFirstOptions(const FormatCombo& combo, bool usesDepthBuffer, ModeSettings& mode)
{
    if (usesDepthBuffer)
        mode.depthStencilFormat = static_cast<D3DFORMAT>(combo.depthStencilFormats.ValueAt<UINT>(0));
    mode.multiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(combo.multiSampleTypes.ValueAt<UINT>(0));
    mode.multiSampleQuality = 0;
    mode.vertexProcessing = static_cast<VertexProcessing>(combo.vertexProcessingKinds.ValueAt<UINT>(0));
}

bool Skipped(const DeviceEntry& device, bool requireHal, bool requireReference)
{
    return (requireHal && device.deviceType != D3DDEVTYPE_HAL) ||
           (requireReference && device.deviceType != D3DDEVTYPE_REF);
}

/// True when mode is the desktop mode. A desktop that reports no refresh rate (0) is any listed
/// rate of its size.
bool IsDesktopMode(const D3DDISPLAYMODE& mode, const D3DDISPLAYMODE& desktop)
{
    return mode.Width == desktop.Width && mode.Height == desktop.Height &&
           (mode.RefreshRate == desktop.RefreshRate || desktop.RefreshRate == 0);
}

/// The adapters in the order full screen tries them: the one whose monitor shows most of window
/// first (the player expects full screen where the game is, not on the primary monitor), then
/// the others in their own order.
std::vector<AdapterEntry*> FullScreenOrder(IDirect3D9& d3d, const CDeviceEnumeration& enumeration,
                                           HWND window)
{
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    std::vector<AdapterEntry*> order;
    for (UINT a = 0; a < enumeration.AdapterCount(); ++a) {
        AdapterEntry* adapter = enumeration.Adapter(a);
        if (d3d.GetAdapterMonitor(adapter->adapterOrdinal) == monitor)
            order.insert(order.begin(), adapter);
        else
            order.push_back(adapter);
    }
    return order;
}

} // namespace

HMONITOR CGraphicsApp::FullScreenMonitor() const
{
    const FormatCombo* combo = settings.fullScreenMode.combo;
    return d3d && combo ? d3d->GetAdapterMonitor(combo->adapterOrdinal) : nullptr;
}

bool CGraphicsApp::FindBestWindowedSettings(bool requireHal, bool requireReference)
{
    if (!d3d) return false;
    D3DDISPLAYMODE desktop{};
    if (FAILED(d3d->GetAdapterDisplayMode(0, &desktop))) return false;

    AdapterEntry* bestAdapter = nullptr;
    DeviceEntry* bestDevice = nullptr;
    FormatCombo* bestCombo = nullptr;
    bool done = false;
    for (UINT a = 0; a < enumeration.AdapterCount() && !done; ++a) {
        AdapterEntry* adapter = enumeration.Adapter(a);
        for (UINT d = 0; d < adapter->deviceEntries.Count() && !done; ++d) {
            DeviceEntry* device = adapter->deviceEntries.PointerAt<DeviceEntry>(d);
            if (Skipped(*device, requireHal, requireReference)) continue;
            for (UINT c = 0; c < device->formatCombos.Count() && !done; ++c) {
                FormatCombo* combo = device->formatCombos.PointerAt<FormatCombo>(c);
                if (!combo->windowed || combo->adapterFormat != desktop.Format) continue;
                const bool hal = device->deviceType == D3DDEVTYPE_HAL;
                const bool ownFormat = combo->backBufferFormat == combo->adapterFormat;
                if (!bestCombo || (bestDevice->deviceType != D3DDEVTYPE_HAL && hal) || (hal && ownFormat)) {
                    bestAdapter = adapter;
                    bestDevice = device;
                    bestCombo = combo;
                    done = hal && ownFormat;
                }
            }
        }
    }
    if (!bestCombo) return false;

    WindowedModeSettings& mode = settings.windowedMode;
    mode.adapter = bestAdapter;
    mode.device = bestDevice;
    mode.combo = bestCombo;
    mode.displayMode = desktop;
    mode.backBufferWidth = static_cast<UINT>(clientRect.right - clientRect.left);
    mode.backBufferHeight = static_cast<UINT>(clientRect.bottom - clientRect.top);
    TakeFirstOptions(*bestCombo, enumeration.usesDepthBuffer, mode);
    mode.presentInterval = bestCombo->presentIntervals.ValueAt<UINT>(0);
    settings.windowed = true;
    return true;
}

bool CGraphicsApp::FindBestFullScreenSettings(bool requireHal, bool requireReference)
{
    if (!d3d) return false;

    AdapterEntry* bestAdapter = nullptr;
    DeviceEntry* bestDevice = nullptr;
    FormatCombo* bestCombo = nullptr;
    D3DDISPLAYMODE bestDesktop{};
    bool done = false;
    for (AdapterEntry* adapter : FullScreenOrder(*d3d.Get(), enumeration, mainWindow)) {
        if (done) break;
        D3DDISPLAYMODE desktop{};
        if (FAILED(d3d->GetAdapterDisplayMode(adapter->adapterOrdinal, &desktop))) continue;
        for (UINT d = 0; d < adapter->deviceEntries.Count() && !done; ++d) {
            DeviceEntry* device = adapter->deviceEntries.PointerAt<DeviceEntry>(d);
            if (Skipped(*device, requireHal, requireReference)) continue;
            for (UINT c = 0; c < device->formatCombos.Count() && !done; ++c) {
                FormatCombo* combo = device->formatCombos.PointerAt<FormatCombo>(c);
                if (combo->windowed) continue;
                const bool hal = device->deviceType == D3DDEVTYPE_HAL;
                const bool matchesDesktop = combo->adapterFormat == desktop.Format;
                const bool matchesBackBuffer = combo->backBufferFormat == combo->adapterFormat;
                if (!bestCombo || (bestDevice->deviceType != D3DDEVTYPE_HAL && hal) ||
                    (hal && bestCombo->adapterFormat != desktop.Format && matchesDesktop) ||
                    (hal && matchesDesktop && matchesBackBuffer)) {
                    bestAdapter = adapter;
                    bestDevice = device;
                    bestCombo = combo;
                    bestDesktop = desktop;
                    done = hal && matchesDesktop && matchesBackBuffer;
                }
            }
        }
    }
    if (!bestCombo) return false;

    // The desktop mode itself if listed, else the last mode of the desktop width, else the first.
    D3DDISPLAYMODE chosen{};
    bool anyChosen = false;
    for (UINT m = 0; m < bestAdapter->displayModes.Count(); ++m) {
        const auto mode = bestAdapter->displayModes.ValueAt<D3DDISPLAYMODE>(m);
        if (mode.Format != bestCombo->adapterFormat) continue;
        if (IsDesktopMode(mode, bestDesktop)) {
            chosen = mode;
            // Keep "the current rate" rather than ask for a listed one: that would be a mode change,
            // which fails under Wine on a virtual X screen (it reports 0 but lists 60).
            chosen.RefreshRate = bestDesktop.RefreshRate;
            anyChosen = true;
            break;
        }
        if (mode.Width == bestDesktop.Width || !anyChosen) {
            chosen = mode;
            anyChosen = true;
        }
    }

    ModeSettings& mode = settings.fullScreenMode;
    mode.adapter = bestAdapter;
    mode.device = bestDevice;
    mode.combo = bestCombo;
    mode.displayMode = chosen;
    TakeFirstOptions(*bestCombo, enumeration.usesDepthBuffer, mode);
    mode.presentInterval = D3DPRESENT_INTERVAL_DEFAULT;
    settings.windowed = false;
    return true;
}
