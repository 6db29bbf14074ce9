// The application object's loop: idle calls while the queue is empty (true: again at once,
// false: wait for the next message), accelerators translated in the loop, the end when the
// main window goes, also after a fatal error in the running game; the game's idle step draws
// without waiting and waits only with nothing to draw (paused, device lost).
#include "shell_test_support.h"

#include "resources/resource.h"
#include "shell/app.h"
#include "shell/app_form.h"
#include "shell/app_frame_wnd.h"
#include "shell/application.h"
#include "shell/splash_window.h"
#include "support/fake_direct3d.h"
#include "support/graphics_test_host.h"
#include "support/registry_sandbox.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT_PTR kWakeTimer = 7;

/// A frame that notes every timer message it receives in the shared event list.
class NotingFrame : public CAppFrameWnd {
public:
    explicit NotingFrame(std::vector<std::string>& events) : events(events) {}

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_TIMER && wParam == kWakeTimer) {
            KillTimer(hwnd, kWakeTimer);
            events.push_back("timer");
            return true;
        }
        return CAppFrameWnd::OnMessage(message, wParam, lParam, result);
    }

private:
    std::vector<std::string>& events;
};

/// Idles five times with true, then false; a timer wakes it; then it closes the main window.
class IdleApp : public CApplication {
public:
    std::vector<std::string> events;
    int exitCalls = 0;
    bool useAccelerator = false;

protected:
    bool InitInstance() override
    {
        auto form = std::make_unique<shell_test::RecordingForm>();
        formView = form.get();
        auto frame = std::make_unique<NotingFrame>(events);
        if (!frame->LoadFrame(IDR_MAINFRAME, std::move(form))) return false;
        frame->InitialUpdateFrame(SW_SHOWNORMAL);
        SetMainFrame(std::move(frame));
        formView->Commands().On(IDM_TOGGLE_FULL_SCREEN, [this] {
            events.push_back("2003");
            PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        });
        if (useAccelerator) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            keys[VK_MENU] = keys[VK_LMENU] = 0x80;
            SetKeyboardState(keys);
            PostMessageW(formView->Handle(), WM_SYSKEYDOWN, VK_RETURN, 1 | (1 << 29));
        }
        return true;
    }

    bool OnIdle(long idleCount) override
    {
        events.push_back("idle " + std::to_string(idleCount));
        if (useAccelerator) return false;
        bool woken = std::find(events.begin(), events.end(), "timer") != events.end();
        if (!woken) {
            if (idleCount < 5) return true;
            SetTimer(MainWindow(), kWakeTimer, 30, nullptr);
            return false;
        }
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        return false;
    }

    int ExitInstance(int exitCode) override
    {
        ++exitCalls;
        if (useAccelerator) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            keys[VK_MENU] = keys[VK_LMENU] = 0;
            SetKeyboardState(keys);
        }
        return exitCode + 40;
    }

private:
    shell_test::RecordingForm* formView = nullptr;
};

class FailingApp : public CApplication {
public:
    int idleCalls = 0;

protected:
    bool InitInstance() override { return false; }
    bool OnIdle(long) override
    {
        ++idleCalls;
        return false;
    }
};

/// The game on a device stand-in over the real device; once it runs, its device fails.
class FailingGameApp : public CApp {
public:
    enum class Fault { ResetAfterResize, SwitchBackFromFullScreen, ResetWhilePresetsOpen, DriverFailsInAFrame };
    static constexpr DWORD kPatienceMs = 10000; ///< after that the test closes the game itself

    FailingGameApp(Fault fault, const RegistrySandbox& key) : fault(fault), key(key)
    {
        *system.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
        d3d.real = system.Get();
        d3d.devices[D3DDEVTYPE_HAL] = &hal;
    }

    FakeDirect3D d3d = FakeDirect3D::SingleHalAdapter();
    FakeDevice hal;
    HWND frameWindow = nullptr;
    HWND fullscreenWindow = nullptr;
    bool closedByTest = false;
    bool wasFullScreen = false;      ///< when the fault struck
    bool formOutlivedDialog = false; ///< the form and frame were still there when the dialog returned
    bool dialogLeftOpen = false;     ///< the test had to cancel the dialog

protected:
    bool InitInstance() override
    {
        FormSources sources;
        sources.settingsKey = key.Path();
        sources.direct3d = &d3d;
        auto form = std::make_unique<CAppForm>(sources);
        CAppForm* game = form.get();
        auto frame = std::make_unique<CAppFrameWnd>();
        if (!frame->LoadFrame(IDR_MAINFRAME, std::move(form))) return false;
        SetMainFrame(std::move(frame));
        MainFrame()->InitialUpdateFrame(SW_HIDE); // shown windows cost Wine seconds to take down
        frameWindow = MainWindow();
        fullscreenWindow = FindWindowW(fullscreen_window::kClassName, nullptr);
        return game->active;
    }

    bool OnIdle(long idleCount) override
    {
        if (++idleCalls == 1) Break();
        if (!closedByTest && GetTickCount() - start > kPatienceMs) {
            closedByTest = true;
            PostMessageW(frameWindow, WM_CLOSE, 0, 0);
            return false;
        }
        return CApp::OnIdle(idleCount);
    }

private:
    void Break()
    {
        start = GetTickCount();
        if (fault == Fault::ResetAfterResize) return FailResetOnResize();
        if (fault == Fault::DriverFailsInAFrame) {
            // The next frame meets the failed driver; no new device can be made either.
            hal.DriverFails();
            d3d.devices.clear();
            return;
        }
        if (fault == Fault::ResetWhilePresetsOpen) {
            // The resize reaches the form from inside the dialog's loop.
            shell_test::RunDialogScript(
                [this] { return SendMessageW(frameWindow, WM_COMMAND, IDM_PRESETS, 0); },
                [this](HWND) { FailResetOnResize(); }, &dialogLeftOpen);
            formOutlivedDialog = CAppForm::Instance() && IsWindow(frameWindow);
            return;
        }
        SendMessageW(frameWindow, WM_COMMAND, IDM_FULL_SCREEN, 0);
        wasFullScreen = !CAppForm::Instance()->windowed;
        // Back to the window, neither reset nor re-created device works any more.
        hal.resetResult = E_FAIL;
        d3d.devices.clear();
        SendMessageW(frameWindow, WM_COMMAND, IDM_FULL_SCREEN, 0);
    }

    void FailResetOnResize()
    {
        hal.resetResult = E_FAIL;
        d3d.devices.clear(); // nor can a new device be made
        SetWindowPos(frameWindow, nullptr, 0, 0, 420, 330, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    Fault fault;
    const RegistrySandbox& key;
    Microsoft::WRL::ComPtr<IDirect3D9> system;
    long idleCalls = 0;
    DWORD start = 0;
};

/// The game as it starts, with settings of the test's own, on a device stand-in over the real
/// device.
class StandInGameApp : public CApp {
public:
    explicit StandInGameApp(const RegistrySandbox& key) : key(key)
    {
        *system.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
        d3d.real = system.Get();
        d3d.devices[D3DDEVTYPE_HAL] = &hal;
    }

    FakeDirect3D d3d = FakeDirect3D::SingleHalAdapter();
    FakeDevice hal;

protected:
    std::unique_ptr<CAppForm> CreateForm() override
    {
        FormSources sources;
        sources.settingsKey = key.Path();
        sources.direct3d = &d3d;
        return std::make_unique<CAppForm>(sources);
    }

private:
    const RegistrySandbox& key;
    Microsoft::WRL::ComPtr<IDirect3D9> system;
};

/// The game's idle steps counted through three states: running, paused (a menu or a resize holds
/// it) and with the device lost; then it closes.
class IdleWaitingGameApp : public StandInGameApp {
public:
    enum Phase { Running, Paused, DeviceLost, Phases };
    static constexpr int kStepsPerPhase = 4;

    using StandInGameApp::StandInGameApp;

    int waits[Phases] = {};
    int framesShown[Phases] = {};
    int stops = 0; ///< idle steps that left the loop waiting for a message

protected:
    bool OnIdle(long idleCount) override
    {
        if (steps % kStepsPerPhase == 0) EnterPhase(steps / kStepsPerPhase);
        if (phase == Phases) {
            PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
            return false;
        }
        ++steps;
        const int framesBefore = hal.presentCalls;
        const bool again = CApp::OnIdle(idleCount);
        framesShown[phase] += hal.presentCalls - framesBefore;
        if (!again) {
            // The loop now sleeps until a message comes: the game would look again only then.
            ++stops;
            PostMessageW(MainWindow(), WM_NULL, 0, 0);
        }
        return again;
    }

    void WaitForMessageOrTimeout(DWORD) override { ++waits[phase]; }

private:
    void EnterPhase(int next)
    {
        phase = next;
        CAppForm& game = *CAppForm::Instance();
        if (phase == Paused) game.Pause(true);
        if (phase == DeviceLost) {
            game.Pause(false);
            hal.Lose(); // the screen locked
            game.deviceLost = true;
        }
    }

    int steps = 0;
    int phase = Running;
};

/// The game through its first idle steps and then on a device made anew; it notes each time
/// whether a click would be tested against the cube's body, then closes.
class PickingGameApp : public StandInGameApp {
public:
    static constexpr int kSteps = 3; ///< the splash's step, the one after it, one more

    using StandInGameApp::StandInGameApp;

    bool frameAtFirstStep = false, bodyAtFirstFrame = false, bodyAfterSteps = false, bodyOnNewDevice = false;

protected:
    bool OnIdle(long idleCount) override
    {
        CAppForm& game = *CAppForm::Instance();
        if (steps == 0) {
            frameAtFirstStep = game.FrameShown();
            bodyAtFirstFrame = HasBody(game);
        }
        if (steps++ < kSteps) return CApp::OnIdle(idleCount);
        bodyAfterSteps = HasBody(game);
        game.RecreateDevice(); // as a changed adapter or a device that cannot be reset needs
        bodyOnNewDevice = HasBody(game);
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        return false;
    }

private:
    static bool HasBody(const CAppForm& game) { return game.Scene().PickMesh().SystemMesh() != nullptr; }

    int steps = 0;
};

/// The game as it starts, with settings of the test's own; it notes whether its window shows at
/// the first idle step, then closes.
class StartedGameApp : public CApp {
public:
    explicit StartedGameApp(const RegistrySandbox& key) : key(key) {}
    bool shownAtFirstIdle = false;

protected:
    std::unique_ptr<CAppForm> CreateForm() override
    {
        FormSources sources;
        sources.settingsKey = key.Path();
        return std::make_unique<CAppForm>(sources);
    }
    bool OnIdle(long) override
    {
        shownAtFirstIdle = IsWindowVisible(MainWindow()) && !IsIconic(MainWindow());
        PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
        return false;
    }

private:
    const RegistrySandbox& key;
};

/// Plays Windows' rule for a program whose launcher asked for SW_HIDE: the first ShowWindow of
/// the process takes that instead of the command it is given (Wine shows the window as asked).
/// While it lives, the first show of the game's frame is turned into nothing.
class LauncherHidesFirstShow {
public:
    LauncherHidesFirstShow() : hook(SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId()))
    {
        firstShowTaken = false;
    }
    ~LauncherHidesFirstShow() { UnhookWindowsHookEx(hook); }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        wchar_t name[32] = {};
        const HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND && GetClassNameW(window, name, 32) && std::wstring(name) == L"TessaronFrameWindow")
            frameProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc)));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* place = reinterpret_cast<WINDOWPOS*>(lParam);
        if (message == WM_WINDOWPOSCHANGING && !firstShowTaken && (place->flags & SWP_SHOWWINDOW)) {
            place->flags &= ~SWP_SHOWWINDOW;
            firstShowTaken = true;
        }
        return CallWindowProcW(frameProc, window, message, wParam, lParam);
    }

    static inline WNDPROC frameProc = nullptr;
    static inline bool firstShowTaken = false;
    HHOOK hook;
};

class ApplicationTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(shell_test::UseGameResources(), nullptr); }
    void SetUp() override { CSplashWnd::EnableSplash(false); }
};

TEST_F(ApplicationTest, IdleRunsUntilFalseThenWaitsForTheNextMessage)
{
    IdleApp app;
    EXPECT_EQ(app.Run(), 40); // WM_QUIT's code 0, through ExitInstance
    EXPECT_EQ(app.exitCalls, 1);

    // Messages of the start (painting, activation) may come first; from the first idle call
    // on: six calls, nothing until the timer, then idle again counting from zero.
    auto first = std::find(app.events.begin(), app.events.end(), "idle 0");
    ASSERT_NE(first, app.events.end());
    std::vector<std::string> fromFirst(first, first + std::min<std::ptrdiff_t>(8, app.events.end() - first));
    EXPECT_EQ(fromFirst, (std::vector<std::string>{"idle 0", "idle 1", "idle 2", "idle 3", "idle 4", "idle 5",
                                                   "timer", "idle 0"}));
    EXPECT_EQ(app.MainFrame()->Handle(), nullptr); // the main window is gone
}

TEST_F(ApplicationTest, LoopTranslatesAltEnterIntoTheFormsCommand)
{
    IdleApp app;
    app.useAccelerator = true;
    app.Run();
    EXPECT_EQ(std::count(app.events.begin(), app.events.end(), "2003"), 1);
}

TEST_F(ApplicationTest, FailedStartEndsAtOnceWithoutALoop)
{
    FailingApp app;
    EXPECT_EQ(app.Run(), -1);
    EXPECT_EQ(app.idleCalls, 0);
}

TEST_F(ApplicationTest, AGameStartedHiddenShowsItsWindow)
{
    RegistrySandbox key("HiddenStart");
    key.PutDword("ShowNameDlg", 0);
    StartedGameApp app(key);
    LauncherHidesFirstShow launcher;
    EXPECT_EQ(app.Run(SW_HIDE), 0);
    EXPECT_TRUE(app.shownAtFirstIdle) << "an invisible game would run on unseen";
}

// The frame shows before the device and the scene are made: until the first frame its client
// area is the scene's background colour, with nothing of the frame's own painted over it.
TEST_F(ApplicationTest, AStartingGameShowsItsBackgroundColourBeforeTheFirstFrame)
{
    RegistrySandbox key("StartColour");
    key.PutDword("ShowNameDlg", 0);
    key.PutDword("ColorBG", 0xFF3060A0);
    FormSources sources;
    sources.settingsKey = key.Path();
    CAppFrameWnd frame;
    ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, std::make_unique<CAppForm>(sources)));

    constexpr COLORREF kUnpainted = RGB(255, 0, 255);
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    SetPixel(dc, 2, 2, kUnpainted);
    SendMessageW(frame.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 2, 2), kUnpainted) << "the frame paints its own background over the form";
    SendMessageW(frame.View()->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0x30, 0x60, 0xA0)) << "the form does not show the background colour";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(ApplicationTest, IdleStepsDrawWithoutWaitingAndWaitOnlyWithNothingToDraw)
{
    RegistrySandbox key("IdleWaits");
    key.PutDword("ShowNameDlg", 0);
    IdleWaitingGameApp app(key);
    EXPECT_EQ(app.Run(), 0);
    using Phase = IdleWaitingGameApp::Phase;
    constexpr int kSteps = IdleWaitingGameApp::kStepsPerPhase;
    EXPECT_EQ(app.waits[Phase::Running], 0) << "a frame waited for a message or a time-out";
    // The start's repaint drew the first frame; the first step takes the splash down instead of drawing.
    EXPECT_EQ(app.framesShown[Phase::Running], kSteps - 1) << "an idle step of the running game drew nothing";
    EXPECT_EQ(app.waits[Phase::Paused], kSteps) << "a paused game spins a core";
    EXPECT_EQ(app.waits[Phase::DeviceLost], kSteps) << "a game with its device lost spins a core";
    EXPECT_EQ(app.framesShown[Phase::Paused] + app.framesShown[Phase::DeviceLost], 0);
    EXPECT_EQ(app.stops, 0) << "a device back or a pause ended would show nothing until a message";
}

// Without the body a click between the stickers facing the player turns a layer on the far side.
TEST_F(ApplicationTest, ClicksAreTestedAgainstTheCubesBodyOnceTheCubeShowsAndOnEveryNewDevice)
{
    RegistrySandbox key("Picking");
    key.PutDword("ShowNameDlg", 0);
    PickingGameApp app(key);
    EXPECT_EQ(app.Run(), 0);
    ASSERT_TRUE(app.frameAtFirstStep) << "the start drew no frame";
    EXPECT_FALSE(app.bodyAtFirstFrame) << "the loose model was read before the first cube was shown";
    EXPECT_TRUE(app.bodyAfterSteps) << "the running game picks through the cube's body";
    EXPECT_TRUE(app.bodyOnNewDevice) << "a device made anew picks through the cube's body";
}

TEST_F(ApplicationTest, FatalErrorInTheRunningGameClosesItAsANormalCloseDoes)
{
    using Fault = FailingGameApp::Fault;
    for (auto [fault, name] : {std::pair{Fault::ResetAfterResize, "windowed"},
                               std::pair{Fault::SwitchBackFromFullScreen, "full screen"},
                               std::pair{Fault::ResetWhilePresetsOpen, "Presets open"},
                               std::pair{Fault::DriverFailsInAFrame, "failed driver"}}) {
        SCOPED_TRACE(name);
        RegistrySandbox key("FatalClose");
        key.PutDword("ShowNameDlg", 0);
        ErrorBoxCapture boxes;
        FailingGameApp app(fault, key);
        EXPECT_EQ(app.Run(), 0) << "the exit code of a normal close";
        EXPECT_EQ(app.wasFullScreen, fault == Fault::SwitchBackFromFullScreen);
        EXPECT_FALSE(app.closedByTest) << "the game stayed open after its fatal message";
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text,
                  L"Could not reset the Direct3D device.\n\nThis sample will now exit.");
        EXPECT_FALSE(IsWindow(app.frameWindow));
        EXPECT_FALSE(IsWindow(app.fullscreenWindow));
        EXPECT_EQ(CAppForm::Instance(), nullptr) << "the form and its device are gone";
        EXPECT_EQ(app.hal.References(), 0u);
        EXPECT_EQ(app.d3d.ReleasesAfterWindowsWent(), 0) << "the device outlived the windows it was made on";
        EXPECT_TRUE(key.Get("Champions").present) << "settings written at the close";
        if (fault == Fault::ResetWhilePresetsOpen) {
            EXPECT_TRUE(app.formOutlivedDialog) << "closed under the command that ran the dialog";
            EXPECT_FALSE(app.dialogLeftOpen) << "the close did not end the dialog";
        }
    }
}

} // namespace
