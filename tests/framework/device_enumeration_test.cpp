#include "framework/device_enumeration.h"
#include "support/fake_direct3d.h"
#include "support/graphics_test_host.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr DWORD kHardwareTnL = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
constexpr DWORD kPure = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;

std::vector<UINT> Values(const GrowArray& list)
{
    std::vector<UINT> values;
    for (UINT i = 0; i < list.Count(); ++i)
        values.push_back(list.ValueAt<UINT>(i));
    return values;
}

FormatCombo* Combo(const DeviceEntry* device, UINT index)
{
    return device->formatCombos.PointerAt<FormatCombo>(index);
}
DeviceEntry* Device(const AdapterEntry* adapter, UINT index)
{
    return adapter->deviceEntries.PointerAt<DeviceEntry>(index);
}

/// The first combo of device with the given formats and mode, or null.
FormatCombo* FindCombo(const DeviceEntry* device, D3DFORMAT adapterFormat, D3DFORMAT backBuffer,
                       bool windowed)
{
    for (UINT i = 0; i < device->formatCombos.Count(); ++i) {
        FormatCombo* combo = Combo(device, i);
        if (combo->adapterFormat == adapterFormat && combo->backBufferFormat == backBuffer &&
            combo->windowed == windowed)
            return combo;
    }
    return nullptr;
}

class Enumeration : public testing::Test {
  protected:
    HRESULT Enumerate()
    {
        enumeration.d3d = &d3d;
        return enumeration.Enumerate();
    }
    FakeDirect3D d3d = FakeDirect3D::SingleHalAdapter();
    CDeviceEnumeration enumeration;
};

} // namespace

TEST_F(Enumeration, KeepsLargeEnoughModesOfAllowedFormatsSorted)
{
    d3d.adapters[0].modes = {{1024, 768, 75, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_R5G6B5},
                             {600, 480, 60, D3DFMT_R5G6B5},    {1024, 768, 60, D3DFMT_X8R8G8B8},
                             {640, 480, 60, D3DFMT_X8R8G8B8},  {800, 600, 60, D3DFMT_A8R8G8B8},
                             {640, 400, 60, D3DFMT_X8R8G8B8}};
    ASSERT_EQ(Enumerate(), S_OK);
    ASSERT_EQ(enumeration.AdapterCount(), 1u);
    const GrowArray& modes = enumeration.Adapter(0)->displayModes;
    std::vector<std::tuple<UINT, UINT, UINT, UINT>> listed;
    for (UINT i = 0; i < modes.Count(); ++i) {
        const auto m = modes.ValueAt<D3DDISPLAYMODE>(i);
        listed.emplace_back(m.Width, m.Height, static_cast<UINT>(m.Format), m.RefreshRate);
    }
    const std::vector<std::tuple<UINT, UINT, UINT, UINT>> expected = {
        {640, 480, D3DFMT_X8R8G8B8, 60},
        {640, 480, D3DFMT_R5G6B5, 60},
        {1024, 768, D3DFMT_X8R8G8B8, 60},
        {1024, 768, D3DFMT_X8R8G8B8, 75},
    };
    EXPECT_EQ(listed, expected) << "600x480 and 640x400 are too small; A8R8G8B8 is no adapter format";
    EXPECT_EQ(Values(*enumeration.allowedAdapterFormats),
              (std::vector<UINT>{D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5, D3DFMT_A2R10G10B10}));

    enumeration.minColorChannelBits = 8;
    ASSERT_EQ(Enumerate(), S_OK);
    EXPECT_EQ(enumeration.Adapter(0)->displayModes.Count(), 3u) << "R5G6B5 has 5 bits per channel";
}

TEST_F(Enumeration, CombosFollowAdapterFormatsBackBuffersThenFullScreenBeforeWindowed)
{
    d3d.adapters[0].modes = {{800, 600, 60, D3DFMT_R5G6B5}, {800, 600, 60, D3DFMT_X8R8G8B8}};
    ASSERT_EQ(Enumerate(), S_OK);
    const DeviceEntry* hal = Device(enumeration.Adapter(0), 0);
    ASSERT_EQ(hal->formatCombos.Count(), 24u);
    const D3DFORMAT backBuffers[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                     D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
    UINT index = 0;
    for (D3DFORMAT adapterFormat : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
        for (D3DFORMAT backBuffer : backBuffers)
            for (bool windowed : {false, true}) {
                const FormatCombo* combo = Combo(hal, index++);
                EXPECT_EQ(combo->adapterFormat, adapterFormat) << index;
                EXPECT_EQ(combo->backBufferFormat, backBuffer) << index;
                EXPECT_EQ(combo->windowed, windowed) << index;
                EXPECT_EQ(combo->deviceType, D3DDEVTYPE_HAL);
            }

    enumeration.minAlphaChannelBits = 1;
    enumeration.requiresWindowed = true;
    ASSERT_EQ(Enumerate(), S_OK);
    hal = Device(enumeration.Adapter(0), 0);
    ASSERT_EQ(hal->formatCombos.Count(), 6u) << "A8R8G8B8, A2R10G10B10, A1R5G5B5 on two adapter formats";
    for (UINT i = 0; i < 6; ++i)
        EXPECT_TRUE(Combo(hal, i)->windowed);
}

TEST_F(Enumeration, DeviceTypesInOrderAndEmptyOnesDropped)
{
    FakeDirect3D::Adapter& adapter = d3d.adapters[0];
    adapter.caps[D3DDEVTYPE_REF] = FakeDirect3D::Caps(D3DDEVTYPE_REF, kHardwareTnL, 0);
    adapter.caps[D3DDEVTYPE_SW] = FakeDirect3D::Caps(D3DDEVTYPE_SW, 0, 0);
    d3d.deviceTypeOk = [](D3DDEVTYPE type, D3DFORMAT, D3DFORMAT, bool) { return type != D3DDEVTYPE_SW; };
    FakeDirect3D::Adapter empty;
    d3d.adapters.push_back(empty); // no device type has caps there
    ASSERT_EQ(Enumerate(), S_OK);
    ASSERT_EQ(enumeration.AdapterCount(), 1u) << "an adapter without devices is dropped";
    const AdapterEntry* kept = enumeration.Adapter(0);
    ASSERT_EQ(kept->deviceEntries.Count(), 2u);
    EXPECT_EQ(Device(kept, 0)->deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(Device(kept, 1)->deviceType, D3DDEVTYPE_REF);
    EXPECT_STREQ(kept->identifier.Description, "Scripted adapter");
}

TEST_F(Enumeration, OptionListsInTheirOrders)
{
    d3d.adapters[0].caps[D3DDEVTYPE_HAL] =
        FakeDirect3D::Caps(D3DDEVTYPE_HAL, kPure,
                           D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO |
                               D3DPRESENT_INTERVAL_FOUR);
    d3d.depthStencilOk = [](D3DDEVTYPE, D3DFORMAT f) { return f != D3DFMT_D15S1 && f != D3DFMT_D32; };
    d3d.multiSampleOk = [](D3DDEVTYPE, D3DMULTISAMPLE_TYPE t, bool) {
        return t == D3DMULTISAMPLE_NONE || t == D3DMULTISAMPLE_NONMASKABLE || t == D3DMULTISAMPLE_4_SAMPLES;
    };
    enumeration.usesDepthBuffer = true;
    enumeration.usesMixedVertexProcessing = true;
    ASSERT_EQ(Enumerate(), S_OK);
    const DeviceEntry* hal = Device(enumeration.Adapter(0), 0);
    const FormatCombo* full = FindCombo(hal, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, false);
    const FormatCombo* window = FindCombo(hal, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, true);
    ASSERT_TRUE(full && window);

    EXPECT_EQ(Values(full->depthStencilFormats),
              (std::vector<UINT>{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4}));
    EXPECT_EQ(Values(full->multiSampleTypes), (std::vector<UINT>{0, 1, 4}));
    EXPECT_EQ(Values(full->vertexProcessingKinds),
              (std::vector<UINT>{3, 2, 1, 0})); // PureHardware, Hardware, Mixed, Software
    EXPECT_EQ(
        Values(full->presentIntervals),
        (std::vector<UINT>{D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                           D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_TWO, D3DPRESENT_INTERVAL_FOUR}));
    EXPECT_EQ(Values(window->presentIntervals),
              (std::vector<UINT>{D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                 D3DPRESENT_INTERVAL_ONE}))
        << "no two, three or four in a window";

    enumeration.minStencilBits = 4;
    ASSERT_EQ(Enumerate(), S_OK);
    full = FindCombo(Device(enumeration.Adapter(0), 0), D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, false);
    EXPECT_EQ(Values(full->depthStencilFormats), (std::vector<UINT>{D3DFMT_D24S8, D3DFMT_D24X4S4}));
}

TEST_F(Enumeration, DefaultIntervalAndSoftwareProcessingAlwaysThere)
{
    d3d.adapters[0].caps[D3DDEVTYPE_HAL] = FakeDirect3D::Caps(D3DDEVTYPE_HAL, 0, 0);
    ASSERT_EQ(Enumerate(), S_OK);
    const DeviceEntry* hal = Device(enumeration.Adapter(0), 0);
    for (UINT i = 0; i < hal->formatCombos.Count(); ++i) {
        EXPECT_EQ(Values(Combo(hal, i)->presentIntervals), (std::vector<UINT>{D3DPRESENT_INTERVAL_DEFAULT}));
        EXPECT_EQ(Values(Combo(hal, i)->vertexProcessingKinds), (std::vector<UINT>{0}));
        EXPECT_EQ(Combo(hal, i)->depthStencilFormats.Count(), 0u) << "no depth buffer asked for";
    }
}

namespace {
bool RejectPureAndWideBackBuffers(const D3DCAPS9&, VertexProcessing kind, D3DFORMAT backBuffer)
{
    return kind != VertexProcessing::PureHardware && backBuffer != D3DFMT_A2R10G10B10;
}
} // namespace

TEST_F(Enumeration, CallbackFiltersProcessingKindsAndDropsRejectedCombos)
{
    d3d.adapters[0].caps[D3DDEVTYPE_HAL] = FakeDirect3D::Caps(D3DDEVTYPE_HAL, kPure, 0);
    enumeration.acceptDevice = RejectPureAndWideBackBuffers;
    ASSERT_EQ(Enumerate(), S_OK);
    const DeviceEntry* hal = Device(enumeration.Adapter(0), 0);
    EXPECT_EQ(Values(Combo(hal, 0)->vertexProcessingKinds), (std::vector<UINT>{2, 0}));
    EXPECT_EQ(FindCombo(hal, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10, true), nullptr);
}

TEST_F(Enumeration, CombosWithoutDepthOrMultisampleAreDropped)
{
    enumeration.usesDepthBuffer = true;
    d3d.depthStencilOk = [](D3DDEVTYPE, D3DFORMAT) { return false; };
    ASSERT_EQ(Enumerate(), S_OK);
    EXPECT_EQ(enumeration.AdapterCount(), 0u);

    d3d.depthStencilOk = [](D3DDEVTYPE, D3DFORMAT) { return true; };
    d3d.multiSampleOk = [](D3DDEVTYPE, D3DMULTISAMPLE_TYPE, bool windowed) { return !windowed; };
    ASSERT_EQ(Enumerate(), S_OK);
    const DeviceEntry* hal = Device(enumeration.Adapter(0), 0);
    for (UINT i = 0; i < hal->formatCombos.Count(); ++i)
        EXPECT_FALSE(Combo(hal, i)->windowed);
}

TEST_F(Enumeration, WithoutDirect3DFailsAndDestroyEmptiesTheTree)
{
    EXPECT_EQ(enumeration.Enumerate(), E_FAIL);
    ASSERT_EQ(Enumerate(), S_OK);
    EXPECT_EQ(enumeration.AdapterCount(), 1u);
    enumeration.Destroy();
    EXPECT_EQ(enumeration.adapters, nullptr);
    EXPECT_EQ(enumeration.allowedAdapterFormats, nullptr);
}

TEST(BitCounts, Tables)
{
    EXPECT_EQ(ColorChannelBits(D3DFMT_R8G8B8), 8u);
    EXPECT_EQ(ColorChannelBits(D3DFMT_X1R5G5B5), 5u);
    EXPECT_EQ(ColorChannelBits(D3DFMT_X4R4G4B4), 4u);
    EXPECT_EQ(ColorChannelBits(D3DFMT_A8R3G3B2), 2u);
    EXPECT_EQ(ColorChannelBits(D3DFMT_A2B10G10R10), 10u);
    EXPECT_EQ(ColorChannelBits(D3DFMT_D16), 0u);
    EXPECT_EQ(AlphaChannelBits(D3DFMT_A8R3G3B2), 8u);
    EXPECT_EQ(AlphaChannelBits(D3DFMT_A1R5G5B5), 1u);
    EXPECT_EQ(AlphaChannelBits(D3DFMT_A4R4G4B4), 4u);
    EXPECT_EQ(AlphaChannelBits(D3DFMT_A2R10G10B10), 2u);
    EXPECT_EQ(AlphaChannelBits(D3DFMT_X8R8G8B8), 0u);
    EXPECT_EQ(DepthBits(D3DFMT_D15S1), 15u);
    EXPECT_EQ(DepthBits(D3DFMT_D24X4S4), 24u);
    EXPECT_EQ(DepthBits(D3DFMT_D32), 32u);
    EXPECT_EQ(StencilBits(D3DFMT_D24X4S4), 4u);
    EXPECT_EQ(StencilBits(D3DFMT_D15S1), 1u);
    EXPECT_EQ(StencilBits(D3DFMT_D24S8), 8u);
    EXPECT_EQ(StencilBits(D3DFMT_D32), 0u);
}

// ---- Settings choice ---------------------------------------------------------------------

namespace {

class SettingsChoice : public testing::Test {
  protected:
    void SetUp() override { app = std::make_unique<RecordingApp>(windows); }
    void TearDown() override { app.reset(); }

    /// Enumerates d3d into the application as Create would, without creating a device.
    void Enumerate()
    {
        app->d3d = &d3d;
        app->enumeration.d3d = &d3d;
        GetClientRect(app->mainWindow, &app->clientRect);
        ASSERT_EQ(app->enumeration.Enumerate(), S_OK);
    }

    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    FakeDirect3D d3d = FakeDirect3D::SingleHalAdapter();
    std::unique_ptr<RecordingApp> app;
};

} // namespace

TEST_F(SettingsChoice, BackBufferInTheAdapterFormatWinsOverTheEarlierAlphaOne)
{
    Enumerate();
    ASSERT_TRUE(app->FindBestWindowedSettings(false, false));
    const WindowedModeSettings& w = app->settings.windowedMode;
    EXPECT_EQ(w.combo->backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(w.combo->adapterFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(w.device->deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(w.displayMode.Width, 1024u);
    EXPECT_EQ(w.depthStencilFormat, D3DFMT_D16) << "D16 is the first accepted";
    EXPECT_EQ(w.presentInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
    EXPECT_EQ(w.vertexProcessing, VertexProcessing::Hardware);
    EXPECT_EQ(static_cast<LONG>(w.backBufferWidth), app->clientRect.right);
    EXPECT_EQ(static_cast<LONG>(w.backBufferHeight), app->clientRect.bottom);
    EXPECT_TRUE(app->settings.windowed);

    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    const ModeSettings& f = app->settings.fullScreenMode;
    EXPECT_EQ(f.combo->backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_FALSE(f.combo->windowed);
    EXPECT_EQ(f.presentInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_DEFAULT));
    EXPECT_EQ(f.displayMode.Width, 1024u);
    EXPECT_EQ(f.displayMode.RefreshRate, 60u) << "the exact desktop mode is listed";
    EXPECT_FALSE(app->settings.windowed);
}

TEST_F(SettingsChoice, FullScreenWithoutTheDesktopRateTakesTheLastModeOfTheDesktopWidth)
{
    d3d.adapters[0].desktop = {1024, 768, 70, D3DFMT_X8R8G8B8};
    d3d.adapters[0].modes = {{1280, 1024, 60, D3DFMT_X8R8G8B8}, {1024, 600, 85, D3DFMT_X8R8G8B8},
                             {1024, 768, 75, D3DFMT_X8R8G8B8},  {1024, 768, 60, D3DFMT_X8R8G8B8},
                             {800, 600, 60, D3DFMT_X8R8G8B8},   {1024, 768, 85, D3DFMT_R5G6B5}};
    Enumerate();
    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    const D3DDISPLAYMODE& mode = app->settings.fullScreenMode.displayMode;
    EXPECT_EQ(mode.Width, 1024u);
    EXPECT_EQ(mode.Height, 768u);
    EXPECT_EQ(mode.RefreshRate, 75u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);

    d3d.adapters[0].desktop = {1152, 864, 70, D3DFMT_X8R8G8B8};
    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    EXPECT_EQ(app->settings.fullScreenMode.displayMode.Width, 800u)
        << "no mode of the desktop width: the first";

    // A desktop without a known rate (as Wine reports it) keeps its own mode and rate.
    d3d.adapters[0].desktop = {1024, 768, 0, D3DFMT_X8R8G8B8};
    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    EXPECT_EQ(app->settings.fullScreenMode.displayMode.Height, 768u);
    EXPECT_EQ(app->settings.fullScreenMode.displayMode.RefreshRate, 0u);
}

TEST_F(SettingsChoice, DesktopFormatPreferredOverEarlierAdapterFormats)
{
    d3d.adapters[0].desktop = {1024, 768, 60, D3DFMT_R5G6B5};
    d3d.adapters[0].modes = {{1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_R5G6B5}};
    Enumerate();
    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    EXPECT_EQ(app->settings.fullScreenMode.combo->adapterFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(app->settings.fullScreenMode.combo->backBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(app->settings.fullScreenMode.displayMode.Format, D3DFMT_R5G6B5);
    ASSERT_TRUE(app->FindBestWindowedSettings(false, false));
    EXPECT_EQ(app->settings.windowedMode.combo->adapterFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(app->settings.windowedMode.combo->backBufferFormat, D3DFMT_R5G6B5);
}

TEST_F(SettingsChoice, HalOnALaterAdapterReplacesAReferenceDevice)
{
    FakeDirect3D::Adapter referenceOnly = d3d.adapters[0];
    referenceOnly.caps.clear();
    referenceOnly.caps[D3DDEVTYPE_REF] = FakeDirect3D::Caps(D3DDEVTYPE_REF, kHardwareTnL, 0);
    d3d.adapters.insert(d3d.adapters.begin(), referenceOnly);
    Enumerate();
    ASSERT_TRUE(app->FindBestWindowedSettings(false, false));
    EXPECT_EQ(app->settings.windowedMode.device->deviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(app->settings.windowedMode.adapter->adapterOrdinal, 1u);
    ASSERT_TRUE(app->FindBestFullScreenSettings(false, false));
    EXPECT_EQ(app->settings.fullScreenMode.device->deviceType, D3DDEVTYPE_HAL);

    ASSERT_TRUE(app->FindBestWindowedSettings(false, true)) << "restricted to reference devices";
    EXPECT_EQ(app->settings.windowedMode.device->deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(app->settings.windowedMode.adapter->adapterOrdinal, 0u);
}

TEST_F(SettingsChoice, ReferenceOnlySystemUsesItForBothModes)
{
    d3d.adapters[0].caps.clear();
    d3d.adapters[0].caps[D3DDEVTYPE_REF] = FakeDirect3D::Caps(D3DDEVTYPE_REF, kHardwareTnL, 0);
    Enumerate();
    EXPECT_FALSE(app->FindBestWindowedSettings(true, false)) << "no HAL device";
    ASSERT_EQ(app->ChooseInitialSettings(), S_OK);
    EXPECT_TRUE(app->settings.windowed);
    EXPECT_EQ(app->settings.windowedMode.device->deviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(app->settings.fullScreenMode.device->deviceType, D3DDEVTYPE_REF);
}

TEST_F(SettingsChoice, InitialModeFollowsWhatWasFound)
{
    Enumerate();
    ASSERT_EQ(app->ChooseInitialSettings(), S_OK);
    EXPECT_TRUE(app->settings.windowed) << "both found and full screen not asked for: windowed";
    app->fullScreenAtStart = true;
    ASSERT_EQ(app->ChooseInitialSettings(), S_OK);
    EXPECT_FALSE(app->settings.windowed);

    app->fullScreenAtStart = false;
    d3d.deviceTypeOk = [](D3DDEVTYPE, D3DFORMAT, D3DFORMAT, bool windowed) { return !windowed; };
    Enumerate();
    ASSERT_EQ(app->ChooseInitialSettings(), S_OK);
    EXPECT_FALSE(app->settings.windowed) << "no windowed choice: full screen";

    d3d.deviceTypeOk = [](D3DDEVTYPE, D3DFORMAT, D3DFORMAT, bool) { return false; };
    Enumerate();
    EXPECT_EQ(app->ChooseInitialSettings(), AppError::NoCompatibleDevices);
}

// ---- Wine's real Direct3D 9 -----------------------------------------------------------------

TEST(RealDirect3D, EnumeratesAndChoosesUsableSettings)
{
    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    Microsoft::WRL::ComPtr<IDirect3D9> real;
    *real.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    ASSERT_TRUE(real);
    RecordingApp app(windows);
    app.d3d = real;
    app.enumeration.d3d = real.Get();
    GetClientRect(app.mainWindow, &app.clientRect);
    ASSERT_EQ(app.enumeration.Enumerate(), S_OK);
    ASSERT_GE(app.enumeration.AdapterCount(), 1u);

    D3DDISPLAYMODE desktop;
    ASSERT_EQ(real->GetAdapterDisplayMode(0, &desktop), S_OK);
    ASSERT_TRUE(app.FindBestFullScreenSettings(false, false));
    ASSERT_TRUE(app.FindBestWindowedSettings(false, false));
    const WindowedModeSettings& w = app.settings.windowedMode;
    const ModeSettings& f = app.settings.fullScreenMode;
    EXPECT_EQ(w.combo->adapterFormat, desktop.Format);
    EXPECT_TRUE(w.combo->windowed);
    EXPECT_FALSE(f.combo->windowed);
    EXPECT_EQ(f.displayMode.Width, desktop.Width);
    EXPECT_EQ(f.displayMode.Height, desktop.Height);
    EXPECT_NE(w.depthStencilFormat, D3DFMT_UNKNOWN);

    std::cout << "windowed: device type " << w.device->deviceType << ", adapter format "
              << w.combo->adapterFormat << ", back buffer " << w.combo->backBufferFormat << ", depth "
              << w.depthStencilFormat << ", multisample " << w.multiSampleType << ", vertex processing "
              << static_cast<UINT>(w.vertexProcessing) << ", interval 0x" << std::hex << w.presentInterval
              << std::dec << "\nfull screen: device type " << f.device->deviceType << ", "
              << f.displayMode.Width << "x" << f.displayMode.Height << "@" << f.displayMode.RefreshRate
              << " format " << f.displayMode.Format << ", back buffer " << f.combo->backBufferFormat
              << ", depth " << f.depthStencilFormat << ", vertex processing "
              << static_cast<UINT>(f.vertexProcessing) << ", interval 0x" << std::hex << f.presentInterval
              << std::dec << "\n";
}
