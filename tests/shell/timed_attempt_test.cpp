// A whole timed attempt in the real frame and form, on a real device: the timed command
// scrambles with a scripted random source, the player undoes the scramble turn by turn, the
// calendar clock moves on 75 s meanwhile, and the result lands in the champion table under
// the player's name, in the registry when the Windows session ends (once) and in the table of
// the next start.
// Also the form's whole life on a pure device, as most Windows graphics cards give it: the
// device stand-in refuses every state read and every call against the documented rules (lock
// flags against usage, a Reset while default-pool resources live) and passes the rest on to a
// real device.
#include "shell_test_support.h"

#include "puzzle/turn_driver.h"
#include "resources/resource.h"
#include "shell/app_form.h"
#include "shell/app_frame_wnd.h"
#include "shell/background.h"
#include "shell/splash_window.h"
#include "support/fake_direct3d.h"
#include "support/graphics_test_host.h"
#include "support/registry_sandbox.h"

#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

/// A tick count that moves on one millisecond whenever the turn animation waits for it.
class FakeTicks : public TurnTicks {
public:
    std::uint32_t now = 5000;
    std::uint32_t Now() override { return now; }
    void Pause() override { ++now; }
};

/// A pure device that counts the frames whose background picture was drawn.
class PureDeviceStandIn : public FakeDevice {
public:
    int pictureDraws = 0;

    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override
    {
        currentFvf = fvf;
        return FakeDevice::SetFVF(fvf);
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override
    {
        if (currentFvf == CBackground::kQuadFvf) ++pictureDraws;
        return FakeDevice::DrawPrimitive(type, start, count);
    }

private:
    DWORD currentFvf = 0;
};

constexpr char kPlayer[] = "Tester";
constexpr std::int64_t kStartSecond = 1700000000;
constexpr TimeSpan kSolveSeconds = 75;
constexpr int kFrameLimit = 2000; ///< far more frames than any step here needs

/// The settings a returning player has: no name prompt, both overlay blocks, no picture; a
/// small frame, so that the hundreds of frames rendered here are cheap.
void PrepareSettings(const RegistrySandbox& key)
{
    key.PutDword("Left", 0);
    key.PutDword("Top", 0);
    key.PutDword("Width", 320);
    key.PutDword("Height", 260);
    std::uint8_t names[200] = {};
    std::memcpy(names, kPlayer, sizeof kPlayer - 1);
    key.Put("NamePlayer", REG_BINARY, names, sizeof names);
    key.PutDword("ShowNameDlg", 0);
    key.PutDword("ShowListChampions", 1);
    key.PutDword("ShowNamePlayerStopWatch", 1);
    key.PutDword("Picture", 0);
}

std::int64_t TimeOfRecord(const std::vector<std::uint8_t>& block, int record)
{
    std::int64_t time = 0;
    std::memcpy(&time, block.data() + 28 * record, sizeof time);
    return time;
}

class TimedAttemptTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_NE(shell_test::UseGameResources(), nullptr);
        CSplashWnd::EnableSplash(false);
    }

    /// The game's start: frame, form (settings loaded), 3D application; kept hidden, since
    /// hiding or destroying a shown window costs Wine seconds without a window manager.
    CAppForm* StartGame()
    {
        FormSources sources;
        sources.ticks = &ticks;
        sources.random = &random;
        sources.clock = [this] { return now; };
        sources.settingsKey = key.Path();
        sources.direct3d = direct3d;
        auto owned = std::make_unique<CAppForm>(sources);
        CAppForm* form = owned.get();
        frame = std::make_unique<CAppFrameWnd>();
        if (!frame->LoadFrame(IDR_MAINFRAME, std::move(owned))) return nullptr;
        frame->InitialUpdateFrame(SW_HIDE);
        shell_test::PumpPending();
        return form;
    }

    /// The program's end: the form saves its settings while it is destroyed.
    void EndGame()
    {
        frame.reset();
        shell_test::PumpPending();
    }

    UINT EditItemState(UINT id)
    {
        HMENU popup = GetSubMenu(GetMenu(frame->Handle()), 1);
        SendMessageW(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
        return GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED;
    }

    /// Renders frames until no turn is animating and no scramble runs; returns the turns
    /// started on the way, in order (a turn starts in a frame that ends with it at step 0).
    std::vector<TurnCode> RenderUntilStill(CAppForm& form)
    {
        std::vector<TurnCode> started;
        for (int i = 0; i < kFrameLimit; ++i) {
            form.RenderStep();
            shell_test::PumpPending();
            if (form.turns.TurnInProgress && form.turns.TurnStep == 0)
                started.push_back(form.turns.CurrentTurn);
            if (!form.turns.TurnInProgress && !form.turns.Scrambling) return started;
        }
        ADD_FAILURE() << "the cube never came to rest";
        return started;
    }

    /// Renders count frames, each after the clock has moved on.
    void RenderFrames(CAppForm& form, int count)
    {
        for (int i = 0; i < count; ++i) {
            Sleep(2);
            form.RenderStep();
            shell_test::PumpPending();
        }
    }

    RegistrySandbox key{"TimedAttempt"};
    IDirect3D9* direct3d = nullptr; ///< null: the system's
    FakeTicks ticks;
    ScriptedRandom random{777};
    std::int64_t now = kStartSecond;
    std::unique_ptr<CAppFrameWnd> frame;
};

TEST_F(TimedAttemptTest, SolvedAttemptIsRecordedSavedAndShownAtTheNextStart)
{
    PrepareSettings(key);
    CAppForm* form = StartGame();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->active) << "the 3D application did not start";
    EXPECT_EQ(std::string(NameText(form->settings.playerNames.Current())), kPlayer);
    RenderUntilStill(*form);
    ASSERT_TRUE(form->cube.IsSolved());

    // Scripted draws first (the scramble draws every frame, also while a turn animates), then
    // the generator's own sequence.
    random.scripted = {0, 4, 8, 12, 16, 2, 6, 10, 14};
    SendMessageW(frame->Handle(), WM_COMMAND, IDM_TIMED_SOLVE, 0);
    EXPECT_TRUE(form->modes.State().TimedMode);
    EXPECT_EQ(random.seeds, 1);
    const std::vector<TurnCode> scramble = RenderUntilStill(*form);
    ASSERT_EQ(scramble.size(), static_cast<size_t>(TurnDriver::kTimedScrambleLength + 1));
    EXPECT_EQ(scramble[0], 1) << "the first draw, 0, is turn 1";
    ASSERT_FALSE(form->cube.IsSolved());
    EXPECT_TRUE(form->modes.State().StopwatchRunning);
    EXPECT_TRUE(form->turns.TurnHistory.empty()) << "the scramble must not be undoable";
    EXPECT_EQ(EditItemState(IDM_STEP_BACK), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(EditItemState(IDM_RESET_CUBE), static_cast<UINT>(MF_GRAYED));

    // The player needs 75 s: every turn of the scramble undone, the last one first.
    now += kSolveSeconds;
    for (auto turn = scramble.rbegin(); turn != scramble.rend(); ++turn) {
        ASSERT_TRUE(form->turns.StartTurn(InverseTurn(*turn)));
        RenderUntilStill(*form);
        // Turns made during a timed attempt are still recorded, yet stepping back stays barred.
        if (form->modes.State().TimedMode) {
            EXPECT_EQ(EditItemState(IDM_STEP_BACK), static_cast<UINT>(MF_GRAYED));
        }
    }
    ASSERT_TRUE(form->cube.IsSolved());
    const PlayState& state = form->modes.State();
    EXPECT_FALSE(state.TimedMode);
    EXPECT_FALSE(state.StopwatchRunning);
    EXPECT_EQ(state.ElapsedTime, kSolveSeconds);
    const ChampionRecord& best = form->settings.championTable.Entries()[0];
    EXPECT_EQ(best.time, kSolveSeconds);
    EXPECT_EQ(std::string(NameText(best.name)), kPlayer);
    for (int r = 1; r < 5; ++r)
        EXPECT_TRUE(ChampionTable::IsEmpty(form->settings.championTable.Entries()[r])) << r;

    // Later frames keep the reading; solving again without a new attempt records nothing.
    now += 10;
    ASSERT_TRUE(form->turns.StartTurn(1));
    RenderUntilStill(*form);
    ASSERT_FALSE(form->cube.IsSolved());
    ASSERT_TRUE(form->turns.StartTurn(InverseTurn(1)));
    RenderUntilStill(*form);
    ASSERT_TRUE(form->cube.IsSolved());
    EXPECT_EQ(form->modes.StopwatchText(), "00:01:15");
    EXPECT_TRUE(ChampionTable::IsEmpty(form->settings.championTable.Entries()[1])) << "a second record";

    // Windows ends the session (shutdown, restart, sign-out) with the game open: it is not held
    // up, and the close's save is made at WM_ENDSESSION, since no window is destroyed after it.
    // A session end that was called off saves nothing; a close after the save writes nothing.
    HWND window = frame->Handle();
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(key.Get("Champions").present) << "saved for a session end that was called off";
    SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(key.Get("Champions").present) << "the session ended without the record saved";
    form->settings.championTable.ClearChampions();
    EndGame();

    const RegistrySandbox::Stored stored = key.Get("Champions");
    ASSERT_TRUE(stored.present) << "no champion table written at exit";
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(stored.bytes.size(), 140u);
    EXPECT_EQ(TimeOfRecord(stored.bytes, 0), kSolveSeconds);
    EXPECT_EQ(std::memcmp(stored.bytes.data() + 8, kPlayer, sizeof kPlayer), 0) << "name with its zero";
    for (int r = 1; r < 5; ++r)
        EXPECT_EQ(TimeOfRecord(stored.bytes, r), 86399) << r;

    // The next start reads the same table back.
    CAppForm* next = StartGame();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->settings.championTable.Entries()[0].time, kSolveSeconds);
    EXPECT_EQ(std::string(NameText(next->settings.championTable.Entries()[0].name)), kPlayer);
    EndGame();
}

TEST_F(TimedAttemptTest, LostDeviceIsWaitedOutAndTheAttemptGoesOn)
{
    PrepareSettings(key);
    Microsoft::WRL::ComPtr<IDirect3D9> system;
    *system.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    ASSERT_TRUE(system);
    FakeDirect3D standInD3d = FakeDirect3D::SingleHalAdapter();
    standInD3d.real = system.Get();
    FakeDevice hal;
    standInD3d.devices[D3DDEVTYPE_HAL] = &hal;
    direct3d = &standInD3d;
    ErrorBoxCapture boxes;
    CAppForm* form = StartGame();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->active) << "the 3D application did not start";
    // Under Wine each frame reaches the view by a copy, and is presented all the same: a runtime
    // that recycles a frame's resources at Present (DXVK) would otherwise grow without bound.
    const int presentedAtStart = hal.presentCalls, readAtStart = hal.readBacks;
    RenderFrames(*form, 3);
    EXPECT_EQ(hal.readBacks - readAtStart, 3) << "copied into the view";
    EXPECT_EQ(hal.presentCalls - presentedAtStart, 3) << "every frame ends with Present";
    SendMessageW(frame->Handle(), WM_COMMAND, IDM_TIMED_SOLVE, 0);
    RenderUntilStill(*form);
    for (TurnCode turn : {3, 8}) {
        ASSERT_TRUE(form->turns.StartTurn(turn));
        RenderUntilStill(*form);
    }
    const CubeModel::Arrangement arrangement = form->cube.CurrentArrangement();
    const std::vector<TurnCode> history = form->turns.TurnHistory;
    ASSERT_EQ(history.size(), 2u);

    // The screen is locked: Windows takes the device away, and when it gives it back refuses the
    // first reset. The player resizes the window meanwhile.
    hal.Lose();
    RenderFrames(*form, 1);
    ASSERT_TRUE(form->deviceLost);
    SetWindowPos(frame->Handle(), nullptr, 0, 0, 360, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    shell_test::PumpPending();
    EXPECT_EQ(hal.resetCalls, 0) << "a lost device cannot be reset";
    now += 40;
    const int offered = hal.presentCalls;
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(form->RenderStep()) << "nothing to draw: the idle step waits";
    EXPECT_EQ(hal.presentCalls, offered);
    hal.GiveBack();
    hal.resetResults = {D3DERR_DEVICELOST};
    RenderFrames(*form, 1);
    EXPECT_FALSE(form->RenderStep()) << "lost again";
    hal.GiveBack();
    RenderFrames(*form, 1);

    EXPECT_EQ(hal.resetCalls, 2);
    EXPECT_TRUE(form->RenderStep());
    EXPECT_GT(hal.presentCalls, offered);
    RECT client;
    GetClientRect(form->mainWindow, &client);
    EXPECT_EQ(form->backBufferDesc.Width, static_cast<UINT>(client.right)) << "the size of the resize";
    EXPECT_EQ(form->backBufferDesc.Height, static_cast<UINT>(client.bottom));
    EXPECT_EQ(std::memcmp(form->cube.CurrentArrangement().data(), arrangement.data(), sizeof arrangement), 0);
    EXPECT_EQ(form->turns.TurnHistory, history);
    EXPECT_TRUE(form->modes.State().StopwatchRunning);
    EXPECT_EQ(form->modes.StopwatchText(), "00:00:40");

    // The graphics driver fails (updated or reset by Windows while playing): one new device, and
    // the same attempt goes on.
    hal.DriverFails();
    now += 5;
    const int beforeFailure = hal.presentCalls;
    RenderFrames(*form, 2);
    EXPECT_EQ(standInD3d.createCalls.size(), 2u) << "created anew";
    EXPECT_GT(hal.presentCalls, beforeFailure + 1) << "frames reach the window again";
    EXPECT_EQ(std::memcmp(form->cube.CurrentArrangement().data(), arrangement.data(), sizeof arrangement), 0);
    EXPECT_EQ(form->turns.TurnHistory, history);
    EXPECT_TRUE(form->modes.State().StopwatchRunning);
    EXPECT_EQ(form->modes.StopwatchText(), "00:00:45");
    EXPECT_EQ(hal.Refusals(), 0) << "calls the documentation does not allow";
    EXPECT_TRUE(boxes.Boxes().empty());
    EndGame();
    EXPECT_EQ(system.Reset(), 0u) << "the Direct3D object left behind";
}

} // namespace

TEST_F(TimedAttemptTest, FormLivesOnAPureDeviceWithoutReadingStateBack)
{
    PrepareSettings(key);
    key.PutDword("Picture", 1);
    key.PutText("PathPicture", "background.jpg");
    Microsoft::WRL::ComPtr<IDirect3D9> system;
    *system.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    ASSERT_TRUE(system);
    FakeDirect3D standInD3d = FakeDirect3D::SingleHalAdapter();
    standInD3d.adapters[0].caps[D3DDEVTYPE_HAL].DevCaps |= D3DDEVCAPS_PUREDEVICE;
    standInD3d.real = system.Get();
    PureDeviceStandIn pure;
    standInD3d.devices[D3DDEVTYPE_HAL] = &pure;
    direct3d = &standInD3d;
    ErrorBoxCapture boxes;

    CAppForm* form = StartGame();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->active) << "the 3D application did not start";
    ASSERT_TRUE(pure.Pure()) << "the settings choice takes the pure device the hardware offers";

    RenderFrames(*form, 3);
    const int afterStart = pure.pictureDraws;
    EXPECT_GT(afterStart, 0) << "the picture is drawn on a pure device";

    ASSERT_TRUE(form->turns.StartTurn(1));
    RenderUntilStill(*form);
    EXPECT_FALSE(form->cube.IsSolved());

    SetWindowPos(frame->Handle(), nullptr, 0, 0, 360, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    shell_test::PumpPending();
    EXPECT_EQ(pure.resetCalls, 1);
    RenderFrames(*form, 3);
    const int afterReset = pure.pictureDraws;
    EXPECT_GT(afterReset, afterStart) << "after a reset";

    ASSERT_EQ(form->RecreateDevice(), S_OK);
    EXPECT_EQ(standInD3d.createCalls.size(), 2u);
    RenderFrames(*form, 3);
    const int afterRecreation = pure.pictureDraws;
    EXPECT_GT(afterRecreation, afterReset) << "after a re-creation";
    EXPECT_FALSE(form->cube.IsSolved()) << "the turn survives the re-creation";

    ASSERT_EQ(form->SwitchFullScreen(), S_OK);
    RenderFrames(*form, 3);
    ASSERT_EQ(form->SwitchFullScreen(), S_OK);
    ASSERT_TRUE(form->windowed);
    RenderFrames(*form, 3);
    const int afterFullScreen = pure.pictureDraws;
    EXPECT_GT(afterFullScreen, afterRecreation) << "after full screen and back";

    // Alt+Tab away from full screen: Windows loses the device and minimises its window; the game
    // comes back in its window, and goes full screen again when asked.
    ASSERT_EQ(form->SwitchFullScreen(), S_OK);
    RenderFrames(*form, 3);
    pure.FocusLeaves();
    RenderFrames(*form, 3);
    EXPECT_TRUE(form->windowed) << "back in its window";
    EXPECT_FALSE(IsWindowVisible(form->focusWindow));
    const int afterAltTab = pure.pictureDraws;
    EXPECT_GT(afterAltTab, afterFullScreen) << "drawn in the window after Alt+Tab";
    ASSERT_EQ(form->SwitchFullScreen(), S_OK);
    EXPECT_FALSE(IsIconic(form->focusWindow));
    EXPECT_TRUE(IsWindowVisible(form->focusWindow));
    RenderFrames(*form, 3);
    const int fullScreenAgain = pure.pictureDraws;
    EXPECT_GT(fullScreenAgain, afterAltTab) << "drawn in full screen again";
    ASSERT_EQ(form->SwitchFullScreen(), S_OK);

    // Lost in a window for two polls, then it can be reset.
    pure.Lose();
    const int resets = pure.resetCalls;
    RenderFrames(*form, 3);
    const int whileLost = pure.pictureDraws;
    pure.GiveBack();
    RenderFrames(*form, 1);
    EXPECT_EQ(pure.pictureDraws, whileLost) << "nothing is drawn on the call that resets";
    EXPECT_EQ(pure.resetCalls, resets + 1);
    RenderFrames(*form, 3);
    EXPECT_GT(pure.pictureDraws, whileLost) << "after the lost device was reset";

    EXPECT_EQ(pure.Refusals(), 0) << "state reads or calls the documentation does not allow";
    EXPECT_TRUE(boxes.Boxes().empty());

    // Closed in full screen, as Alt+F4 there closes it: back to the window, then the game ends.
    ASSERT_EQ(form->SwitchFullScreen(), S_OK);
    RenderFrames(*form, 1);
    SendMessageW(FindWindowW(fullscreen_window::kClassName, nullptr), WM_CLOSE, 0, 0);
    shell_test::PumpPending();
    EXPECT_FALSE(IsWindow(frame->Handle())) << "the close in full screen did not end the game";
    EndGame();
    EXPECT_EQ(pure.References(), 0u);
    EXPECT_EQ(standInD3d.ReleasesAfterWindowsWent(), 0) << "the device outlived the windows it was made on";
    EXPECT_EQ(pure.realReferencesLeft, 0u) << "device objects left behind";
}
