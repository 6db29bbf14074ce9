#include "framework/graphics_app.h"
#include "shell/app_timer.h"
#include "support/fake_direct3d.h"
#include "support/graphics_test_host.h"

#include <gtest/gtest.h>

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
    hal.presentResult = D3DERR_DEVICELOST;
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_TRUE(app->deviceLost);
    EXPECT_EQ(hal.presentCalls, 1);

    hal.cooperativeLevel = D3DERR_DEVICELOST;
    app->ClearCalls();
    for (int i = 0; i < 3; ++i) {
        Sleep(2);
        EXPECT_EQ(app->RenderFrame(), S_OK);
    }
    EXPECT_TRUE(app->calls.empty()) << "nothing happens while the device is lost";
    EXPECT_EQ(hal.presentCalls, 1);

    hal.cooperativeLevel = D3DERR_DEVICENOTRESET;
    d3d.adapters[0].desktop.Format = D3DFMT_R5G6B5; // the desktop changed meanwhile
    hal.resetResults = {D3DERR_DEVICELOST};         // and is lost again before the first reset
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_EQ(app->calls, (Calls{"OnDeviceLost", "OnDeviceReset"})) << "each half once";
    EXPECT_EQ(hal.resetCalls, 2);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(hal.lastParameters.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_TRUE(app->deviceLost) << "cleared by the next call that finds the device usable";
    EXPECT_EQ(hal.presentCalls, 1);

    hal.cooperativeLevel = S_OK;
    hal.presentResult = S_OK;
    app->ClearCalls();
    Sleep(2);
    EXPECT_EQ(app->RenderFrame(), S_OK);
    EXPECT_FALSE(app->deviceLost);
    EXPECT_EQ(app->calls, (Calls{"AdvanceFrame", "RenderScene"}));
    EXPECT_EQ(hal.presentCalls, 2);
}

TEST_F(StandIn, UnusableDeviceReportsItsCode)
{
    ASSERT_EQ(Create(), S_OK);
    app->deviceLost = true;
    hal.cooperativeLevel = D3DERR_DRIVERINTERNALERROR;
    EXPECT_EQ(app->RenderFrame(), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(hal.presentCalls, 0);
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

TEST_F(StandIn, ResetFailureOnResizeIsFatalUnlessTheDeviceIsLost)
{
    ASSERT_EQ(Create(), S_OK);
    hal.resetResult = D3DERR_INVALIDCALL;
    Resize(windows.view, 380, 300);
    EXPECT_EQ(app->HandleSizeChange(), AppError::ResetFailed);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device." + kFatalSuffix);
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(app->active) << "the resize undoes its pause";
    EXPECT_FALSE(app->deviceObjectsReset);

    capture.Reset();
    hal.resetResult = D3DERR_OUTOFVIDEOMEMORY;
    Resize(windows.view, 400, 300);
    EXPECT_EQ(app->HandleSizeChange(), D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Not enough video memory." + kFatalSuffix);

    // Lost before a frame could tell: the reset waits until Windows gives the device back.
    capture.Reset();
    hal.resetResults = {D3DERR_DEVICELOST};
    hal.cooperativeLevels = {D3DERR_DEVICENOTRESET};
    hal.resetResult = S_OK;
    Resize(windows.view, 360, 280);
    EXPECT_EQ(app->HandleSizeChange(), S_OK);
    EXPECT_TRUE(app->deviceLost);
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
    ASSERT_EQ(Create(), S_OK);
    hal.resetResult = E_FAIL;
    app->ClearCalls();
    EXPECT_EQ(app->SwitchFullScreen(), AppError::ResetFailed);
    EXPECT_EQ(app->calls,
              (Calls{"ApplyWindowMode(full screen)", "OnDeviceLost", "ApplyWindowMode(windowed)"}));
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
    FakeDirect3D::Adapter second = d3d.adapters[0];
    second.desktop = {1280, 1024, 60, D3DFMT_X8R8G8B8};
    second.modes = {second.desktop};
    d3d.adapters.push_back(second);
    const HMONITOR windowMonitor = MonitorFromWindow(windows.view, MONITOR_DEFAULTTOPRIMARY);
    const HMONITOR elsewhere = reinterpret_cast<HMONITOR>(~reinterpret_cast<UINT_PTR>(windowMonitor));
    d3d.adapters[0].monitor = elsewhere;
    d3d.adapters[1].monitor = windowMonitor;
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
