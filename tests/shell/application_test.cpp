// The application object's loop: idle calls while the queue is empty (true: again at once,
// false: wait for the next message), accelerators translated in the loop, the end when the
// main window goes.
#include "shell_test_support.h"

#include "resources/resource.h"
#include "shell/app_frame_wnd.h"
#include "shell/application.h"
#include "shell/splash_window.h"

#include <algorithm>
#include <memory>
#include <string>
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

} // namespace
