#include "framework/graphics_app.h"
#include "framework/stream_buffer.h"
#include "shell/app_timer.h"
#include "support/fake_direct3d.h"
#include "support/graphics_test_host.h"
#include "support/hidden_window_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

using Calls = std::vector<std::string>;

namespace {

const std::wstring kFatalSuffix = L"\n\nThis sample will now exit.";

// ---- On Wine's real device ------------------------------------------------------------------

class RealDevice : public testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<RecordingApp>(windows);
        ASSERT_EQ(app->Create(GetModuleHandleW(nullptr)), S_OK);
    }
    void TearDown() override
    {
        app.reset();
        EXPECT_TRUE(capture.Boxes().empty()) << "unexpected message box";
    }

    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    std::unique_ptr<RecordingApp> app;
};

} // namespace

TEST_F(RealDevice, CreateRunsTheLifeCycleInOrder)
{
    EXPECT_EQ(app->calls,
              (Calls{"InitScene", "ApplyWindowMode(windowed)", "OnDeviceCreated", "OnDeviceReset"}));
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(app->windowed);
    EXPECT_TRUE(app->deviceObjectsCreated && app->deviceObjectsReset);
    ASSERT_TRUE(app->device);
    EXPECT_EQ(app->backBufferDesc.Width, 420u);
    EXPECT_EQ(app->backBufferDesc.Height, 340u);
    EXPECT_EQ(CGraphicsApp::Instance(), app.get());
    EXPECT_EQ(CGraphicsApp::PauseCount(), 0u);
}

TEST_F(RealDevice, ResizeResetsOnceAndAnUnchangedSizeDoesNothing)
{
    Resize(windows.view, 500, 300);
    app->ClearCalls();
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceReset"}));
    EXPECT_EQ(app->backBufferDesc.Width, 500u);
    EXPECT_EQ(app->backBufferDesc.Height, 300u);
    EXPECT_TRUE(app->active);

    app->ClearCalls();
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_TRUE(app->calls.empty()) << "same size";

    app->suppressResize = true;
    Resize(windows.view, 460, 320);
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_TRUE(app->calls.empty()) << "resize suppressed during a mode switch";
    EXPECT_EQ(app->backBufferDesc.Width, 500u);
}

TEST_F(RealDevice, MinimisedWindowKeepsTheDevice)
{
    ShowWindow(windows.view, SW_SHOWMINNOACTIVE);
    PumpMessages();
    RECT client;
    GetClientRect(windows.view, &client);
    ASSERT_TRUE(IsRectEmpty(&client)) << "a minimised window has no client area";
    app->ClearCalls();
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    ShowWindow(windows.view, SW_SHOWNOACTIVATE);
    PumpMessages();
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_TRUE(app->calls.empty()) << "back at the same size: no reset";
    EXPECT_EQ(app->backBufferDesc.Width, 420u);
}

TEST_F(RealDevice, FullScreenResetsTheSameDeviceAndReturnToWindowedRecreatesIt)
{
    IDirect3DDevice9* const created = app->device.Get();
    app->ClearCalls();
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_FALSE(app->windowed);
    EXPECT_FALSE(app->settings.windowed);
    EXPECT_EQ(app->mainWindow, windows.popup);
    EXPECT_EQ(app->device.Get(), created) << "reset, not re-created";
    EXPECT_EQ(app->calls, (Calls{"ApplyWindowMode(full screen)", "OnDeviceLost", "OnDeviceReset"}));
    EXPECT_EQ(app->backBufferDesc.Width, app->settings.fullScreenMode.displayMode.Width);
    EXPECT_EQ(app->backBufferDesc.Height, app->settings.fullScreenMode.displayMode.Height);
    EXPECT_FALSE(app->suppressResize);
    EXPECT_TRUE(app->active);

    // Resetting back to a window fails on a virtual X screen (Wine cannot restore the display
    // mode it lists); the device stand-in covers that reset. A new device works here.
    app->ClearCalls();
    ASSERT_EQ(app->ReturnToWindowed(), S_OK);
    EXPECT_TRUE(app->windowed);
    EXPECT_EQ(app->mainWindow, windows.view);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceDestroyed", "ApplyWindowMode(windowed)",
                                 "OnDeviceCreated", "OnDeviceReset"}));
    EXPECT_EQ(app->backBufferDesc.Width, 420u);
    EXPECT_TRUE(app->active);
}

TEST_F(RealDevice, FramesDrawOnlyWhileTimePasses)
{
    Sleep(2);
    app->ClearCalls();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"AdvanceFrame", "RenderScene"}));
    EXPECT_GT(app->elapsedTime, 0.0f);

    app->Pause(true);
    app->ClearCalls();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_TRUE(app->calls.empty()) << "a stopped timer gives no elapsed time";
    app->Pause(false);
}

TEST_F(RealDevice, DestroyReleasesInOrder)
{
    app->ClearCalls();
    app->DestroyGraphics();
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceDestroyed", "ShutdownScene"}));
    EXPECT_FALSE(app->device);
    EXPECT_FALSE(app->d3d);
    EXPECT_FALSE(app->deviceObjectsCreated || app->deviceObjectsReset);
}

TEST_F(RealDevice, PausesNestAndStopTheTimer)
{
    app->Pause(true);
    app->Pause(true);
    app->Pause(false);
    EXPECT_FALSE(app->active);
    const double frozen = AppTimer(kTimerAppTime);
    Sleep(15);
    EXPECT_EQ(AppTimer(kTimerAppTime), frozen);

    app->Pause(false);
    EXPECT_TRUE(app->active);
    Sleep(15);
    EXPECT_GT(AppTimer(kTimerAppTime), frozen + 0.005);

    app->Pause(false); // unmatched: the count stays at 0
    EXPECT_TRUE(app->active);
    EXPECT_EQ(CGraphicsApp::PauseCount(), 0u);
    app->Pause(true);
    EXPECT_FALSE(app->active);
    app->Pause(false);
}

TEST(GraphicsAppInstances, SeveralInSequenceInOneProcess)
{
    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    for (int round = 0; round < 2; ++round) {
        {
            RecordingApp app(windows);
            EXPECT_EQ(CGraphicsApp::Instance(), &app);
            EXPECT_EQ(CGraphicsApp::PauseCount(), 1u) << "inactive until Create ends";
            EXPECT_FALSE(app.active);
            ASSERT_EQ(app.Create(GetModuleHandleW(nullptr)), S_OK) << round;
            EXPECT_TRUE(app.active);
        }
        EXPECT_EQ(CGraphicsApp::Instance(), nullptr);
        EXPECT_EQ(CGraphicsApp::PauseCount(), 0u);
    }
    EXPECT_TRUE(capture.Boxes().empty());
}

// ---- With stand-ins for the paths Wine's device never takes ---------------------------------

namespace {

constexpr DWORD kHardwareTnL = D3DDEVCAPS_HWTRANSFORMANDLIGHT;

class StandIn : public testing::Test {
protected:
    void SetUp() override
    {
        FakeDirect3D::Adapter& adapter = d3d.adapters[0];
        adapter.caps[D3DDEVTYPE_REF] = FakeDirect3D::Caps(D3DDEVTYPE_REF, kHardwareTnL, 0);
        hal.caps = adapter.caps[D3DDEVTYPE_HAL];
        reference.caps = adapter.caps[D3DDEVTYPE_REF];
        d3d.devices[D3DDEVTYPE_HAL] = &hal;
        d3d.devices[D3DDEVTYPE_REF] = &reference;
        app = std::make_unique<RecordingApp>(windows);
    }
    void TearDown() override
    {
        app.reset();
        EXPECT_EQ(hal.References(), 0u);
        EXPECT_EQ(reference.References(), 0u);
        EXPECT_EQ(d3d.References(), 1u);
    }
    HRESULT Create() { return app->CreateWithDirect3D(&d3d); }
    /// A second adapter (1280 x 1024) whose monitor shows the window, the first one's elsewhere;
    /// returns the window's monitor.
    HMONITOR AddSecondAdapterUnderTheWindow()
    {
        FakeDirect3D::Adapter second = d3d.adapters[0];
        second.desktop = {1280, 1024, 60, D3DFMT_X8R8G8B8};
        second.modes = {second.desktop};
        d3d.adapters.push_back(second);
        const HMONITOR windowMonitor = MonitorFromWindow(windows.view, MONITOR_DEFAULTTOPRIMARY);
        d3d.adapters[0].monitor = reinterpret_cast<HMONITOR>(~reinterpret_cast<UINT_PTR>(windowMonitor));
        d3d.adapters[1].monitor = windowMonitor;
        return windowMonitor;
    }
    std::vector<D3DDEVTYPE> CreatedTypes() const
    {
        std::vector<D3DDEVTYPE> types;
        for (const auto& call : d3d.createCalls)
            types.push_back(call.type);
        return types;
    }

    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    FakeDirect3D d3d = FakeDirect3D::SingleHalAdapter();
    FakeDevice hal;
    FakeDevice reference;
    std::unique_ptr<RecordingApp> app;
};

} // namespace

TEST_F(StandIn, LostDeviceWaitsThenResetsThenDraws)
{
    ASSERT_EQ(Create(), S_OK);
    Sleep(2);
    hal.Lose();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_TRUE(app->deviceLost);
    EXPECT_EQ(hal.presentCalls, 1);

    app->ClearCalls();
    for (int i = 0; i < 3; ++i) {
        Sleep(2);
        EXPECT_EQ(app->RenderFrame(), S_OK);
    }
    EXPECT_TRUE(app->calls.empty()) << "nothing happens while the device is lost";
    EXPECT_EQ(hal.presentCalls, 1);

    hal.GiveBack();
    d3d.adapters[0].desktop.Format = D3DFMT_R5G6B5; // the desktop changed meanwhile
    hal.resetResults = {D3DERR_DEVICELOST};         // and is lost again before the first reset
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost"})) << "no reset half while lost";
    EXPECT_EQ(hal.resetCalls, 1) << "no reset tried while the device is lost again";
    hal.GiveBack();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceReset"})) << "each half once";
    EXPECT_EQ(hal.resetCalls, 2);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(hal.lastParameters.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(hal.presentCalls, 1) << "no frame on the call that resets";

    // A resize between the reset and the next frame resets again, to the new size.
    Resize(windows.view, 380, 290);
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_EQ(hal.resetCalls, 3);
    EXPECT_EQ(app->backBufferDesc.Width, 380u);
    EXPECT_EQ(app->backBufferDesc.Height, 290u);

    app->ClearCalls();
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_FALSE(app->deviceLost);
    EXPECT_EQ(app->calls, (Calls{"AdvanceFrame", "RenderScene"}));
    EXPECT_EQ(hal.presentCalls, 2);
}

TEST_F(StandIn, FailingDriverGetsOneNewDeviceAndTheGameGoesOn)
{
    // Present, TestCooperativeLevel or Reset: whichever meets the failed driver first.
    enum class Meets { Present, CooperativeLevel, Reset };
    for (Meets meets : {Meets::Present, Meets::CooperativeLevel, Meets::Reset}) {
        SCOPED_TRACE(static_cast<int>(meets));
        if (meets != Meets::Present) {
            TearDown();
            d3d.createCalls.clear();
            SetUp();
        }
        ASSERT_EQ(Create(), S_OK);
        hal.DriverFails();
        app->ClearCalls();
        Sleep(2);
        if (meets == Meets::Present) {
            EXPECT_EQ(app->RenderFrame(), S_OK);
        } else if (meets == Meets::CooperativeLevel) {
            app->deviceLost = true; // a loss Present reported just before
            EXPECT_EQ(app->RenderFrame(), S_OK);
        } else {
            Resize(windows.view, 400 + static_cast<int>(meets), 310);
            EXPECT_EQ(app->HandleSizeChange(), S_OK);
        }
        EXPECT_EQ(d3d.createCalls.size(), 2u) << "created anew";
        EXPECT_EQ(app->Count("OnDeviceDestroyed"), 1);
        EXPECT_EQ(app->Count("OnDeviceCreated"), 1);
        EXPECT_EQ(app->Count("OnDeviceReset"), 1) << "default-pool objects made again";
        EXPECT_EQ(app->device.Get(), &hal);
        EXPECT_TRUE(app->active);
        Sleep(2);
        const int presented = hal.presentCalls;
        EXPECT_EQ(app->RenderFrame(), S_OK);
        EXPECT_EQ(hal.presentCalls, presented + 1) << "frames again";
        EXPECT_TRUE(capture.Boxes().empty());
    }
}

TEST_F(StandIn, FailingDriverThatCannotBeRecreatedEndsTheGameWithItsMessage)
{
    d3d.adapters[0].caps.erase(D3DDEVTYPE_REF); // no reference rasterizer either
    ASSERT_EQ(Create(), S_OK);
    hal.DriverFails();
    d3d.createRefusals = {D3DERR_DRIVERINTERNALERROR};
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), AppError::ResetFailed);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device." + kFatalSuffix);
    PumpMessages();
    EXPECT_EQ(windows.Received(WM_CLOSE), 1) << "the game closes";
    EXPECT_FALSE(app->device);
    EXPECT_FALSE(app->deviceLost) << "no more attempts";
}

TEST_F(StandIn, NewDeviceFailingAgainBeforeItsFirstFrameIsNotMadeAThirdTime)
{
    ASSERT_EQ(Create(), S_OK);
    hal.presentResults = {D3DERR_DRIVERINTERNALERROR, D3DERR_DRIVERINTERNALERROR};
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), AppError::ResetFailed);
    EXPECT_EQ(d3d.createCalls.size(), 2u);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device." + kFatalSuffix);
}

TEST_F(StandIn, ZeroElapsedTimeDrawsNothing)
{
    ASSERT_EQ(Create(), S_OK);
    app->Pause(true);
    app->ClearCalls();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_TRUE(app->calls.empty());
    EXPECT_EQ(hal.presentCalls, 0);
    app->Pause(false);
}

TEST_F(StandIn, FailingOnDeviceResetFallsBackToTheReferenceDevice)
{
    app->deviceResetResult = E_FAIL;
    app->deviceResetFailures = 1;
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"InitScene", "ApplyWindowMode(windowed)", "OnDeviceCreated", "OnDeviceReset",
                                 "OnDeviceLost", "OnDeviceDestroyed", "ApplyWindowMode(windowed)",
                                 "ApplyWindowMode(windowed)", "OnDeviceCreated", "OnDeviceReset"}));
    EXPECT_EQ(CreatedTypes(), (std::vector<D3DDEVTYPE>{D3DDEVTYPE_HAL, D3DDEVTYPE_REF}));
    EXPECT_EQ(d3d.createCalls[0].flags, static_cast<DWORD>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    EXPECT_EQ(d3d.createCalls[0].focusWindow, windows.popup);
    EXPECT_EQ(d3d.createCalls[0].parameters.hDeviceWindow, windows.view);
    EXPECT_EQ(d3d.createCalls[0].parameters.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(app->device.Get(), &reference);
    EXPECT_EQ(hal.References(), 0u) << "the failed device was released";
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(
        capture.Boxes()[0].text,
        L"Generic application error. Enable\ndebug output for detailed information.\n\nSwitching to the "
        L"reference rasterizer,\na software device that implements the entire\nDirect3D feature set, but "
        L"runs very slowly.");
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_TRUE(app->active);
}

TEST_F(StandIn, MissingMediaSkipsTheFallbackAndIsFatal)
{
    app->deviceCreatedResult = AppError::MediaNotFound;
    EXPECT_EQ(Create(), AppError::MediaNotFound);
    EXPECT_EQ(CreatedTypes(), (std::vector<D3DDEVTYPE>{D3DDEVTYPE_HAL}));
    EXPECT_EQ(app->calls,
              (Calls{"InitScene", "ApplyWindowMode(windowed)", "OnDeviceCreated", "OnDeviceDestroyed"}));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not load required media." + kFatalSuffix);
    PumpMessages(); // the close request is posted
    EXPECT_EQ(windows.Received(WM_CLOSE), 1);
    EXPECT_FALSE(app->d3d) << "released after a failed start";
    EXPECT_FALSE(app->active);
}

TEST_F(StandIn, ResetFailureOnResizeThatANewDeviceCannotMendIsFatalUnlessTheDeviceIsLost)
{
    d3d.adapters[0].caps.erase(D3DDEVTYPE_REF); // no reference rasterizer to fall back on
    ASSERT_EQ(Create(), S_OK);
    hal.resetResult = D3DERR_INVALIDCALL;
    d3d.createRefusals = {E_FAIL};
    Resize(windows.view, 380, 300);
    EXPECT_EQ(app->HandleSizeChange(), AppError::ResetFailed);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device." + kFatalSuffix);
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(app->active) << "the resize undoes its pause";
    EXPECT_FALSE(app->deviceObjectsReset);

    capture.Reset();
    ASSERT_EQ(app->RecreateDevice(), S_OK);
    Sleep(2);
    ASSERT_EQ(app->RenderFrame(), S_OK); // shown: a later failure gets a new device again
    hal.resetResult = D3DERR_OUTOFVIDEOMEMORY;
    d3d.createRefusals = {D3DERR_OUTOFVIDEOMEMORY};
    Resize(windows.view, 400, 300);
    EXPECT_EQ(app->HandleSizeChange(), D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Not enough video memory." + kFatalSuffix);

    // Lost before a frame could tell: the reset waits until Windows gives the device back.
    capture.Reset();
    ASSERT_EQ(app->RecreateDevice(), S_OK);
    Sleep(2);
    ASSERT_EQ(app->RenderFrame(), S_OK); // shown: a later failure gets a new device again
    hal.resetResult = S_OK;
    hal.Lose();
    Resize(windows.view, 360, 280);
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_TRUE(app->deviceLost);
    hal.GiveBack();
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(hal.lastParameters.BackBufferWidth, 360u);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, FailingOnDeviceResetAfterAResetReleasesTheObjects)
{
    ASSERT_EQ(Create(), S_OK);
    app->deviceResetResult = E_FAIL;
    app->ClearCalls();
    EXPECT_EQ(app->ResetDevice(), E_FAIL);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceReset", "OnDeviceLost"}));
    EXPECT_FALSE(app->deviceObjectsReset);
    app->ClearCalls();
    app->ReleaseDevice();
    EXPECT_EQ(app->calls, (Calls{"OnDeviceDestroyed"})) << "each half runs once";
}

TEST_F(StandIn, NonZeroReferenceCountIsFatal)
{
    ASSERT_EQ(Create(), S_OK);
    hal.AddRef(); // something still holds the device
    app->ReleaseDevice();
    EXPECT_FALSE(app->device);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text,
              L"A D3D object has a non-zero reference\ncount (meaning things were not "
              L"properly\ncleaned up)." +
                  kFatalSuffix);
    hal.Release();
}

TEST_F(StandIn, FailedSwitchToFullScreenReturnsToWindowed)
{
    d3d.adapters[0].caps.erase(D3DDEVTYPE_REF); // no reference rasterizer to fall back on
    ASSERT_EQ(Create(), S_OK);
    hal.resetResult = E_FAIL;
    d3d.createRefusals = {E_FAIL}; // nor does a new device work
    app->ClearCalls();
    EXPECT_EQ(app->SwitchFullScreen(), AppError::ResetFailed);
    EXPECT_EQ(app->calls, (Calls{"ApplyWindowMode(full screen)", "OnDeviceLost", "OnDeviceDestroyed",
                                 "ApplyWindowMode(full screen)", "ApplyWindowMode(windowed)"}));
    EXPECT_TRUE(app->windowed);
    EXPECT_TRUE(app->settings.windowed);
    EXPECT_EQ(app->mainWindow, windows.view);
    EXPECT_FALSE(app->suppressResize);
    EXPECT_FALSE(app->active) << "the application is closing";
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device." + kFatalSuffix);
}

TEST_F(StandIn, FullScreenAndBackOnTheSameDeviceReset)
{
    ASSERT_EQ(Create(), S_OK);
    // The player moves the window (no size change, so no reset) before going full screen.
    const POINT moved{TestWindows::kViewLeft + 90, TestWindows::kViewTop + 50};
    SetWindowPos(windows.view, nullptr, moved.x, moved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    app->ClearCalls();
    hal.restoresFullScreenStyle = true; // the popup shown by full screen comes back with the reset
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_FALSE(hal.lastParameters.Windowed);
    EXPECT_EQ(hal.lastParameters.hDeviceWindow, windows.popup);
    EXPECT_TRUE(IsWindowVisible(windows.popup));
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_TRUE(hal.lastParameters.Windowed);
    EXPECT_EQ(hal.lastParameters.hDeviceWindow, windows.view);
    EXPECT_FALSE(IsWindowVisible(windows.popup)) << "the full-screen popup stays over the window";
    EXPECT_EQ(hal.lastParameters.BackBufferWidth, static_cast<UINT>(TestWindows::kViewWidth));
    EXPECT_EQ(hal.resetCalls, 2);
    EXPECT_EQ(d3d.createCalls.size(), 1u) << "never re-created";
    EXPECT_EQ(app->calls, (Calls{"ApplyWindowMode(full screen)", "OnDeviceLost", "OnDeviceReset",
                                 "ApplyWindowMode(windowed)", "OnDeviceLost", "OnDeviceReset"}));
    RECT placed;
    GetWindowRect(windows.view, &placed);
    EXPECT_EQ(placed.left, moved.x) << "back where the window was moved to";
    EXPECT_EQ(placed.top, moved.y);
    EXPECT_EQ(placed.right - placed.left, TestWindows::kViewWidth);
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, FullScreenGoesOnTheMonitorTheWindowIsOn)
{
    const HMONITOR windowMonitor = AddSecondAdapterUnderTheWindow();
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_EQ(hal.lastParameters.BackBufferWidth, 1280u) << "the second adapter's mode";
    EXPECT_EQ(app->FullScreenMonitor(), windowMonitor);
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);

    // The player drags the window onto the first adapter's monitor.
    std::swap(d3d.adapters[0].monitor, d3d.adapters[1].monitor);
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_EQ(hal.lastParameters.BackBufferWidth, 1024u) << "the first adapter's mode";
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, FullScreenOnAnotherAdapterRefusedAsLostCanBeLeftWithEsc)
{
    AddSecondAdapterUnderTheWindow();
    ASSERT_EQ(Create(), S_OK);
    d3d.createRefusals = {D3DERR_DEVICELOST};
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    ASSERT_FALSE(app->device) << "waiting for the full-screen device";
    ASSERT_TRUE(IsWindowVisible(windows.popup));

    // Esc (or Alt+Enter) on the blank full screen.
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_TRUE(app->windowed);
    EXPECT_FALSE(IsWindowVisible(windows.popup)) << "the blank popup is gone";
    EXPECT_EQ(app->mainWindow, windows.view);
    ASSERT_EQ(app->device.Get(), &hal);
    EXPECT_TRUE(d3d.createCalls.back().parameters.Windowed);
    EXPECT_FALSE(app->deviceLost);
    const int presented = hal.presentCalls;
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(hal.presentCalls, presented + 1);
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(capture.Boxes().empty());
}

namespace {

/// Makes the shared view a child covering the client area of a frame of its own, as the
/// form is in the game, and makes it top-level again at the end.
class ViewInFrame {
public:
    explicit ViewInFrame(HWND view) : view(view)
    {
        frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 80, 500, 400, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(view, GWL_STYLE, WS_CHILD | WS_VISIBLE);
        SetParent(view, frame);
        Layout();
    }
    ~ViewInFrame()
    {
        SetParent(view, nullptr);
        SetWindowLongPtrW(view, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        DestroyWindow(frame);
        SharedTestWindows();
    }
    /// The frame's own layout: the view fills its client area.
    void Layout()
    {
        RECT client;
        GetClientRect(frame, &client);
        MoveWindow(view, 0, 0, client.right, client.bottom, TRUE);
        PumpMessages();
    }

    HWND view;
    HWND frame = nullptr;
};

} // namespace

TEST_F(StandIn, ChildViewComesBackWhereItsMovedAndResizedFramePutsIt)
{
    ViewInFrame inFrame(windows.view);
    ASSERT_EQ(Create(), S_OK);
    SetWindowPos(inFrame.frame, nullptr, 260, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    // While full screen the frame is resized: its layout resizes the view, which is not drawn into.
    SetWindowPos(inFrame.frame, nullptr, 0, 0, 440, 330, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    inFrame.Layout();
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);

    RECT placed;
    GetWindowRect(windows.view, &placed);
    EXPECT_EQ(placed.left, 260) << "the view stays at the frame's corner";
    EXPECT_EQ(placed.top, 150);
    EXPECT_EQ(placed.right - placed.left, 440);
    EXPECT_EQ(hal.lastParameters.BackBufferWidth, 440u) << "the back buffer is the view's size";
    EXPECT_EQ(hal.lastParameters.BackBufferHeight, 330u);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, SwitchBetweenDeviceTypesRecreatesTheDevice)
{
    // Only the reference device renders into a window; the hardware one only full screen.
    d3d.deviceTypeOk = [](D3DDEVTYPE type, D3DFORMAT, D3DFORMAT, bool windowed) {
        return type == D3DDEVTYPE_REF || !windowed;
    };
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(CreatedTypes(), (std::vector<D3DDEVTYPE>{D3DDEVTYPE_REF}));

    app->ClearCalls();
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_EQ(CreatedTypes(), (std::vector<D3DDEVTYPE>{D3DDEVTYPE_REF, D3DDEVTYPE_HAL}));
    EXPECT_EQ(app->calls, (Calls{"ApplyWindowMode(full screen)", "OnDeviceLost", "OnDeviceDestroyed",
                                 "ApplyWindowMode(full screen)", "OnDeviceCreated", "OnDeviceReset"}));
    EXPECT_FALSE(d3d.createCalls[1].parameters.Windowed);
    EXPECT_EQ(d3d.createCalls[1].parameters.BackBufferWidth, 1024u);
    EXPECT_EQ(d3d.createCalls[1].parameters.PresentationInterval,
              static_cast<UINT>(D3DPRESENT_INTERVAL_DEFAULT));
    EXPECT_EQ(d3d.createCalls[1].parameters.hDeviceWindow, windows.popup);

    // The device becomes unusable in full screen: back to a window on a new device.
    app->ClearCalls();
    ASSERT_EQ(app->ReturnToWindowed(), S_OK);
    EXPECT_TRUE(app->windowed);
    EXPECT_EQ(CreatedTypes(), (std::vector<D3DDEVTYPE>{D3DDEVTYPE_REF, D3DDEVTYPE_HAL, D3DDEVTYPE_REF}));
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceDestroyed", "ApplyWindowMode(windowed)",
                                 "OnDeviceCreated", "OnDeviceReset"}));
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, DeviceRefusedAsLostOnTheWayToAndFromFullScreenIsWaitedFor)
{
    ASSERT_EQ(Create(), S_OK);
    hal.resetResults = {D3DERR_DEVICELOST};
    ASSERT_EQ(app->SwitchFullScreen(), S_OK);
    EXPECT_TRUE(app->deviceLost);
    // Back to a window while the screen is locked: no device for two attempts.
    d3d.createRefusals = {D3DERR_DEVICELOST, D3DERR_DEVICELOST};
    ASSERT_EQ(app->ReturnToWindowed(), S_OK);
    EXPECT_FALSE(app->device);
    EXPECT_TRUE(app->active);
    app->ClearCalls();
    for (int i = 0; i < 3; ++i) {
        Sleep(2);
        EXPECT_EQ(app->RenderFrame(), S_OK);
    }
    EXPECT_EQ(app->calls, (Calls{"ApplyWindowMode(windowed)", "ApplyWindowMode(windowed)", "OnDeviceCreated",
                                 "OnDeviceReset", "AdvanceFrame", "RenderScene"}));
    EXPECT_EQ(CreatedTypes(), std::vector<D3DDEVTYPE>(4, D3DDEVTYPE_HAL)) << "no reference device";
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, ReturnToWindowedWithoutAWindowedChoiceShowsNothing)
{
    d3d.deviceTypeOk = [](D3DDEVTYPE, D3DFORMAT, D3DFORMAT, bool windowed) { return !windowed; };
    ASSERT_EQ(Create(), S_OK);
    EXPECT_FALSE(app->windowed) << "no windowed choice: starts full screen";
    EXPECT_EQ(app->ReturnToWindowed(), E_FAIL);
    EXPECT_EQ(app->SwitchFullScreen(), E_FAIL) << "nothing to switch to";
    EXPECT_FALSE(app->windowed);
    EXPECT_TRUE(app->active);
    EXPECT_TRUE(capture.Boxes().empty());
}

TEST_F(StandIn, CreateUsesTheEarlyDirect3DObject)
{
    CEarlyDirect3D early([this] {
        d3d.AddRef();
        return static_cast<IDirect3D9*>(&d3d);
    });
    app->earlyDirect3D = &early;
    ASSERT_EQ(app->Create(nullptr), S_OK);
    EXPECT_EQ(app->d3d.Get(), &d3d) << "the object made at program entry, not a second one";
    EXPECT_EQ(app->earlyDirect3D, nullptr);
    EXPECT_TRUE(app->active);
}

TEST_F(StandIn, AFailedEarlyDirect3DIsTheFatalNoDirect3D)
{
    CEarlyDirect3D early([] { return static_cast<IDirect3D9*>(nullptr); });
    app->earlyDirect3D = &early;
    EXPECT_EQ(app->Create(nullptr), AppError::NoDirect3D);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text.rfind(L"Could not initialize Direct3D. You may\n", 0), 0u);
    EXPECT_FALSE(app->active);
    EXPECT_TRUE(app->calls.empty()) << "no scene without Direct3D";
}

TEST_F(StandIn, WithoutAThreadForItTheEarlyDirect3DObjectIsMadeWhenCreateNeedsIt)
{
    CEarlyDirect3D early(
        [this] {
            d3d.AddRef();
            return static_cast<IDirect3D9*>(&d3d);
        },
        [](std::function<void()>) -> std::thread {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    app->earlyDirect3D = &early;
    ASSERT_EQ(app->Create(nullptr), S_OK);
    EXPECT_EQ(app->d3d.Get(), &d3d);
}

TEST_F(StandIn, StartFailuresAreFatal)
{
    EXPECT_EQ(app->CreateWithDirect3D(nullptr), AppError::NoDirect3D);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text.rfind(L"Could not initialize Direct3D. You may\n", 0), 0u);
    EXPECT_EQ(capture.Boxes()[0].text.substr(capture.Boxes()[0].text.size() - kFatalSuffix.size()),
              kFatalSuffix);

    capture.Reset();
    d3d.adapters.clear();
    EXPECT_EQ(Create(), AppError::NoCompatibleDevices);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not find any compatible Direct3D\ndevices." + kFatalSuffix);
    EXPECT_FALSE(app->d3d);
    EXPECT_TRUE(app->calls.empty()) << "no scene without settings";
}

TEST_F(StandIn, InitSceneFailureReleasesDirect3D)
{
    app->initSceneResult = E_OUTOFMEMORY;
    EXPECT_EQ(Create(), E_OUTOFMEMORY);
    EXPECT_TRUE(d3d.createCalls.empty());
    EXPECT_FALSE(app->d3d);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Not enough memory." + kFatalSuffix);
}

TEST_F(StandIn, NullReferenceDeviceWarnsAndGoesOn)
{
    d3d.adapters[0].caps[D3DDEVTYPE_HAL].PrimitiveMiscCaps = D3DPMISCCAPS_NULLREFERENCE;
    ASSERT_EQ(Create(), S_OK);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text.rfind(L"Warning: Nothing will be rendered.\n", 0), 0u);
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(StandIn, AcceptDeviceSeesBehaviourFlagsAndCanRejectPureDevices)
{
    d3d.adapters[0].caps[D3DDEVTYPE_HAL].DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    std::set<DWORD> asked;
    app->acceptRule = [&asked](DWORD behavior, D3DFORMAT) {
        asked.insert(behavior);
        return behavior == (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE) ? E_FAIL : S_OK;
    };
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(asked, (std::set<DWORD>{0x20, 0x40, 0x50}));
    EXPECT_EQ(app->settings.windowedMode.vertexProcessing, VertexProcessing::Hardware);
    EXPECT_EQ(d3d.createCalls[0].flags, 0x40u);
    EXPECT_EQ(app->behaviorFlags, 0x40u);
}

// ---- The device stand-in's own rules, and the stream buffer judged by them -------------------

namespace {

using Microsoft::WRL::ComPtr;
using test_support::HiddenWindowDevice;

constexpr UINT kSmallSide = 64;

/// A stand-in over a real device on a hidden window, holding the test's own reference.
class OverRealDevice : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(realDevice);
        device.real = realDevice.get();
        device.AddRef();
    }
    void TearDown() override { device.Release(); }

    /// A windowed reset of the hidden window's size.
    HRESULT ResetWindowed()
    {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = kSmallSide;
        parameters.BackBufferHeight = kSmallSide;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        return device.Reset(&parameters);
    }
    /// Draws count points of stride bytes (16 or 12) from the buffer, starting at vertex first.
    void DrawPoints(IDirect3DVertexBuffer9* buffer, UINT first, UINT count, UINT stride = 16)
    {
        device.SetStreamSource(0, buffer, 0, stride);
        device.SetFVF(stride == 16 ? D3DFVF_XYZRHW : D3DFVF_XYZ);
        device.BeginScene();
        EXPECT_EQ(device.DrawPrimitive(D3DPT_POINTLIST, first, count), S_OK);
        device.EndScene();
        device.SetStreamSource(0, nullptr, 0, 0);
    }
    /// A call the stand-in must refuse, counted once.
    void Refused(HRESULT hr, const char* misuse)
    {
        EXPECT_EQ(hr, D3DERR_INVALIDCALL) << misuse;
        EXPECT_EQ(device.Refusals(), ++refusals) << misuse;
    }
    /// The same kind of call within the rules: it must pass, uncounted.
    void Allowed(HRESULT hr, const char* use)
    {
        EXPECT_EQ(hr, S_OK) << use;
        EXPECT_EQ(device.Refusals(), refusals) << use;
    }

    HiddenWindowDevice realDevice{kSmallSide, kSmallSide};
    FakeDevice device;
    int refusals = 0;
};

} // namespace

TEST_F(OverRealDevice, StandInRefusesEachMisuseItClaimsToRefuse)
{
    void* data = nullptr;
    ComPtr<IDirect3DVertexBuffer9> unmade;
    Refused(device.CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &unmade, nullptr),
            "a dynamic managed vertex buffer");
    ComPtr<IDirect3DIndexBuffer9> unmadeIndices;
    Refused(device.CreateIndexBuffer(64, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_MANAGED, &unmadeIndices, nullptr),
            "a dynamic managed index buffer");
    ComPtr<IDirect3DTexture9> unmadeTexture;
    Refused(device.CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &unmadeTexture, nullptr),
            "a dynamic managed texture");

    ComPtr<IDirect3DVertexBuffer9> fixed, dynamic;
    Allowed(device.CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &fixed, nullptr), "static buffer");
    Allowed(device.CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &dynamic, nullptr),
            "dynamic buffer");
    Refused(fixed->Lock(0, 0, &data, D3DLOCK_DISCARD), "discard on a static buffer");
    Refused(fixed->Lock(0, 0, &data, D3DLOCK_NOOVERWRITE), "no-overwrite on a static buffer");
    Refused(fixed->Lock(0, 0, &data, D3DLOCK_READONLY), "a read of a write-only buffer");
    Allowed(fixed->Lock(0, 0, &data, 0), "a plain lock of a static buffer");
    fixed->Unlock();
    Refused(dynamic->Lock(0, 0, &data, D3DLOCK_DISCARD | D3DLOCK_READONLY), "discard with read-only");
    Allowed(dynamic->Lock(0, 32, &data, D3DLOCK_DISCARD), "discard on a dynamic buffer");
    std::memset(data, 0, 32);
    dynamic->Unlock();
    DrawPoints(dynamic.Get(), 0, 2);
    Refused(dynamic->Lock(16, 16, &data, D3DLOCK_NOOVERWRITE), "no-overwrite on vertices a draw may read");
    Allowed(dynamic->Lock(32, 32, &data, D3DLOCK_NOOVERWRITE), "no-overwrite behind them");
    dynamic->Unlock();
    Allowed(dynamic->Lock(0, 32, &data, D3DLOCK_DISCARD), "discard: a new round");
    dynamic->Unlock();

    ComPtr<IDirect3DTexture9> managed;
    Allowed(device.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), "texture");
    D3DLOCKED_RECT locked;
    Refused(managed->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), "discard on a static texture");
    Refused(managed->LockRect(0, &locked, nullptr, D3DLOCK_NOOVERWRITE), "no-overwrite on a texture");

    DWORD value = 0;
    device.CreatedWith(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE);
    Refused(device.GetRenderState(D3DRS_LIGHTING, &value), "a state read on a pure device");
    device.CreatedWith(D3DCREATE_HARDWARE_VERTEXPROCESSING);
    Allowed(device.GetRenderState(D3DRS_LIGHTING, &value), "a state read on a device that is not pure");

    // Each thing of the default pool or the swap chain alone blocks a Reset. A refused Reset
    // leaves the device waiting for a good one, with nothing else allowed meanwhile.
    Refused(ResetWindowed(), "a reset with a default-pool buffer alive");
    EXPECT_EQ(device.TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device.Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    Refused(device.SetRenderState(D3DRS_LIGHTING, FALSE), "a call after a refused reset");
    Refused(device.CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &unmade, nullptr), "a creation after it");
    dynamic.Reset();
    Allowed(ResetWindowed(), "a reset with nothing of the default pool alive");
    EXPECT_EQ(device.TestCooperativeLevel(), S_OK);
    Allowed(device.SetRenderState(D3DRS_LIGHTING, FALSE), "a call after a good reset");

    ComPtr<IDirect3DTexture9> defaultTexture;
    Allowed(device.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &defaultTexture, nullptr), "texture");
    Refused(ResetWindowed(), "a reset with a default-pool texture alive");
    defaultTexture.Reset();
    Allowed(ResetWindowed(), "the texture released");

    ComPtr<IDirect3DStateBlock9> block;
    Allowed(device.CreateStateBlock(D3DSBT_ALL, &block), "state block");
    Refused(ResetWindowed(), "a reset with a state block alive");
    block.Reset();
    Allowed(ResetWindowed(), "the state block released");

    ComPtr<IDirect3DSurface9> backBuffer;
    Allowed(device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), "back buffer");
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(backBuffer->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Width, kSmallSide);
    Refused(ResetWindowed(), "a reset with the back buffer held");
    backBuffer.Reset();
    Allowed(ResetWindowed(), "the back buffer released");

    ComPtr<IDirect3DSurface9> target;
    Allowed(device.CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
            "render target");
    Refused(ResetWindowed(), "a reset with a render target alive");
    target.Reset();
    Allowed(ResetWindowed(), "the render target released");

    // Without a real device the stand-in's own back buffer blocks the Reset while it is held.
    FakeDevice bare;
    ComPtr<IDirect3DSurface9> bareBackBuffer;
    ASSERT_EQ(bare.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bareBackBuffer), S_OK);
    D3DPRESENT_PARAMETERS parameters{};
    EXPECT_EQ(bare.Reset(&parameters), D3DERR_INVALIDCALL) << "a reset with the back buffer held";
    EXPECT_EQ(bare.Refusals(), 1);
    bareBackBuffer.Reset();
    EXPECT_EQ(bare.Reset(&parameters), S_OK);
}

TEST_F(OverRealDevice, StreamBufferRoundsNeverLockVerticesADrawMayStillRead)
{
    constexpr UINT kBig = 16, kSmall = 12; // two vertex strides, as the font and the picture use
    CStreamBuffer stream(10 * kBig);
    ASSERT_EQ(stream.OnDeviceReset(&device), S_OK);
    struct Step {
        UINT count, stride, used, firstVertex;
    };
    const Step steps[] = {
        {4, kBig, 4, 0},   // the first lock starts a round
        {4, kBig, 3, 4},   // behind it; one vertex left unused
        {3, kBig, 3, 7},   // right behind the used ones, up to the very end
        {2, kBig, 2, 0},   // no room left: a new round
        {3, kSmall, 3, 3}, // on a whole vertex of its own stride, behind the 32 bytes used
        {5, kBig, 5, 5},   // rounded up again to a whole vertex of 16 bytes: ends at the end
        {1, kBig, 1, 0},   // a new round
    };
    for (const Step& step : steps) {
        void* vertices = nullptr;
        UINT first = ~0u;
        ASSERT_EQ(stream.Lock(step.count, step.stride, &vertices, first), S_OK) << step.firstVertex;
        EXPECT_EQ(first, step.firstVertex);
        std::memset(vertices, 0, step.count * step.stride);
        EXPECT_EQ(stream.Unlock(step.used), S_OK);
        DrawPoints(stream.Buffer(), first, step.used, step.stride);
    }
    EXPECT_EQ(device.Refusals(), 0) << "a lock reached vertices a draw may still read";
    void* vertices = nullptr;
    UINT first = 0;
    EXPECT_EQ(stream.Lock(11, kBig, &vertices, first), E_INVALIDARG) << "more than the buffer holds";
    stream.OnDeviceLost();
    EXPECT_EQ(device.ResetBlockers(), 0);
}
