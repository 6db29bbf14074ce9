// Device reset storms on Wine's real device: hundreds of resizes and dozens of full-screen round
// trips must keep every reset/lost and create/destroy pair balanced, show no message, and hold
// no more GDI objects, windows, handles or memory at the end than after the first few. The bare
// framework takes the whole storm; the game's real scene (the data file's cube, the pick mesh,
// the turn targets, the overlay font and the background picture) takes a short one, which must
// also keep the cube's arrangement and what the cursor picks. Its resets cost a few hundred
// milliseconds each under Wine, so the whole storm with the scene runs only when
// TESSARON_LONG_CAMPAIGN is set (scripts/reliability.sh).

#include "framework/graphics_app.h"
#include "framework/text_font.h"
#include "puzzle/cube_scene.h"
#include "puzzle/turn_driver.h"
#include "puzzle/view_control.h"
#include "shell/background.h"
#include "shell/com_init.h"
#include "shell/resource_report.h"
#include "support/graphics_test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kResizes = 200;
constexpr int kFullScreenRoundTrips = 50;
constexpr int kShortResizes = 8;
constexpr int kShortRoundTrips = 1;
constexpr int kPickGrid = 10; ///< a pick costs tens of milliseconds under Wine
constexpr int kWarmUp = 5;
constexpr int kSceneWarmUp = 50; ///< the scene's resets grow the heaps for a while, then stop
constexpr int kMemorySamples = 5;

bool LongCampaign() { return std::getenv("TESSARON_LONG_CAMPAIGN") != nullptr; }
constexpr DWORD kAllowedObjectGrowth = 2;            ///< GDI objects, windows, handles
constexpr SIZE_T kAllowedMemoryGrowth = 8u << 20;    ///< bytes of private memory
constexpr DWORD kSky = 0xFF203040;

/// The test host's framework, except that back in the window the popup is shrunk out of the
/// way instead of hidden: once Direct3D has made it cover the screen, Wine without a window
/// manager waits two seconds for it to be withdrawn, which would make every return from full
/// screen cost that long here. The device work of the switch is the same.
class BareApp : public RecordingApp {
public:
    explicit BareApp(TestWindows& windows) : RecordingApp(windows) {}
    HRESULT ApplyWindowMode() override
    {
        if (!windowed) return RecordingApp::ApplyWindowMode();
        SetWindowPos(windows.popup, HWND_BOTTOM, 0, 0, 1, 1, SWP_NOACTIVATE);
        mainWindow = windows.view;
        return S_OK;
    }
};

/// The form's device life cycle around the real scene, on the test host's two windows.
class SceneApp : public BareApp {
public:
    explicit SceneApp(TestWindows& windows) : BareApp(windows) {}
    ~SceneApp() override { DestroyGraphics(); } // while the overrides below still exist

    HRESULT InitScene() override
    {
        com.Initialize();
        return RecordingApp::InitScene();
    }
    HRESULT OnDeviceCreated() override
    {
        if (FAILED(font.OnDeviceCreated(device.Get()))) return E_FAIL;
        scene.LoadScene(device.Get());
        background.OnDeviceCreated(device.Get(), "background.jpg");
        scene.BuildTurnTargets(device.Get());
        return RecordingApp::OnDeviceCreated();
    }
    HRESULT OnDeviceReset() override
    {
        scene.ResetDeviceState(device.Get(), Aspect(), view.WorldMatrix);
        font.OnDeviceReset();
        scene.ResetMeshes(device.Get());
        return RecordingApp::OnDeviceReset();
    }
    HRESULT RenderScene() override
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kSky, 1.0f, 0);
        if (FAILED(device->BeginScene())) return S_OK;
        scene.SetFrameProjection(view.FieldOfView, Aspect());
        view.UpdateWorldMatrix();
        scene.Draw(device.Get(), view.WorldMatrix);
        background.DrawPictureIfShown(0xFFFFFFFF, 1, scene.Camera().projection);
        font.DrawString(2, 2, 0xFFFFFFFF, "\xD2\xEE\xE2\xE0\xF0\xE8\xF9 00:00:00");
        device->EndScene();
        return RecordingApp::RenderScene();
    }
    HRESULT OnDeviceLost() override
    {
        font.OnDeviceLost();
        scene.LoseMeshes();
        scene.LoseDeviceState(device.Get());
        return RecordingApp::OnDeviceLost();
    }
    HRESULT OnDeviceDestroyed() override
    {
        font.OnDeviceDestroyed();
        scene.DestroyDeviceObjects();
        background.OnDeviceDestroyed();
        return RecordingApp::OnDeviceDestroyed();
    }
    HRESULT ShutdownScene() override
    {
        font.Destroy();
        com.Uninitialize();
        return RecordingApp::ShutdownScene();
    }

    /// Which turn every point of a coarse grid over the back buffer picks.
    std::map<int, int> PickGrid() const
    {
        std::map<int, int> picked;
        const UINT w = backBufferDesc.Width, h = backBufferDesc.Height;
        for (int gy = 1; gy < kPickGrid; ++gy)
            for (int gx = 1; gx < kPickGrid; ++gx) {
                int code = 0;
                const float x = w * gx / float(kPickGrid), y = h * gy / float(kPickGrid);
                if (scene.Pick(x, y, w, h, view.WorldMatrix, code)) ++picked[code];
            }
        return picked;
    }
    float Aspect() const
    {
        return backBufferDesc.Height ? static_cast<float>(backBufferDesc.Width) / backBufferDesc.Height : 1.0f;
    }

    CubeModel cube;
    TurnDriver turns{cube};
    CubeScene scene{cube};
    ViewControl view;
    CTextFont font{"Times New Roman", 14, CTextFont::TextBold};
    CBackground background;
    CComInitialization com;
};

/// Committed private memory of the Windows side of the process (its heaps, our objects, the
/// Direct3D runtime's system-memory copies), found by walking the address space. The graphics
/// driver's own memory is mapped by the host's GL library outside it: under a storm of resets
/// that driver sometimes takes one more 64 MiB block and keeps it, at a moment that varies from
/// run to run, which is the driver's and not a leak of ours.
SIZE_T WindowsPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize)
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    return total;
}

/// The process's resources sampled over a few frames, keeping the highest of each: memory is
/// taken and returned from frame to frame, so a single sample may land on either side of it;
/// the peak does not.
class ResourcePeak {
public:
    void Sample()
    {
        ProcessResources now = CurrentProcessResources();
        now.privateBytes = WindowsPrivateBytes();
        peak.gdiObjects = std::max(peak.gdiObjects, now.gdiObjects);
        peak.userObjects = std::max(peak.userObjects, now.userObjects);
        peak.windows = std::max(peak.windows, now.windows);
        peak.handles = std::max(peak.handles, now.handles);
        peak.privateBytes = std::max(peak.privateBytes, now.privateBytes);
    }
    const ProcessResources& Peak() const { return peak; }

private:
    ProcessResources peak;
};

/// Samples the first kMemorySamples rounds after the warm-up and the last kMemorySamples.
struct StormResources {
    void After(int round, int warmUp, int rounds)
    {
        if (round >= warmUp && round < warmUp + kMemorySamples) warm.Sample();
        if (round >= rounds - kMemorySamples) end.Sample();
    }
    ResourcePeak warm, end;
};

void ExpectNoGrowth(const ProcessResources& before, const ProcessResources& after)
{
    EXPECT_LE(after.gdiObjects, before.gdiObjects + kAllowedObjectGrowth) << "GDI objects";
    EXPECT_LE(after.userObjects, before.userObjects + kAllowedObjectGrowth) << "USER objects";
    EXPECT_LE(after.windows, before.windows) << "windows";
    EXPECT_LE(after.handles, before.handles + kAllowedObjectGrowth) << "handles";
    EXPECT_LE(after.privateBytes, before.privateBytes + kAllowedMemoryGrowth) << "private memory";
}

template <class App>
class Storm : public testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<App>(windows);
        ASSERT_EQ(app->Create(GetModuleHandleW(nullptr)), S_OK);
    }
    void TearDown() override
    {
        app.reset();
        EXPECT_TRUE(capture.Boxes().empty()) << "unexpected message box";
    }
    void Frame()
    {
        Sleep(1); // a frame needs time to have passed
        ASSERT_EQ(app->RenderFrame(), S_OK);
    }
    void ExpectPairsBalanced()
    {
        EXPECT_EQ(app->Count("OnDeviceCreated"), app->Count("OnDeviceDestroyed") + 1);
        EXPECT_EQ(app->Count("OnDeviceReset"), app->Count("OnDeviceLost") + 1);
        EXPECT_TRUE(app->active);
    }

    /// Resizes the view `count` times after `warmUp` times, each followed by a frame.
    void ResizeStorm(int count, int warmUp = kWarmUp)
    {
        StormResources resources;
        for (int i = 0; i < count + warmUp && !this->HasFatalFailure(); ++i) {
            const int width = 200 + (i * 37) % 500, height = 150 + (i * 53) % 400;
            Resize(windows.view, width, height);
            const int resets = app->Count("OnDeviceReset");
            ASSERT_EQ(app->HandleSizeChange(), S_OK) << "resize " << i;
            EXPECT_EQ(app->Count("OnDeviceReset"), resets + 1) << "resize " << i << " resets the device";
            RECT client;
            GetClientRect(windows.view, &client);
            EXPECT_EQ(app->backBufferDesc.Width, static_cast<UINT>(client.right)) << "resize " << i;
            EXPECT_EQ(app->backBufferDesc.Height, static_cast<UINT>(client.bottom)) << "resize " << i;
            Frame();
            resources.After(i, warmUp, count + warmUp);
        }
        ExpectNoGrowth(resources.warm.Peak(), resources.end.Peak());
        Resize(windows.view, TestWindows::kViewWidth, TestWindows::kViewHeight);
        ASSERT_EQ(app->HandleSizeChange(), S_OK);
        Frame();
        ExpectPairsBalanced();
    }

    /// Full screen and back `count` times after `warmUp` times, a frame in each mode.
    void FullScreenStorm(int count, int warmUp = kWarmUp, const std::function<void(int)>& inFullScreen = {})
    {
        StormResources resources;
        for (int i = 0; i < count + warmUp && !this->HasFatalFailure(); ++i) {
            ASSERT_EQ(app->SwitchFullScreen(), S_OK) << "round trip " << i << " to full screen";
            ASSERT_FALSE(app->windowed);
            EXPECT_EQ(app->mainWindow, windows.popup);
            Frame();
            if (inFullScreen) inFullScreen(i);
            ASSERT_EQ(app->SwitchFullScreen(), S_OK) << "round trip " << i << " back to the window";
            ASSERT_TRUE(app->windowed);
            EXPECT_EQ(app->mainWindow, windows.view);
            EXPECT_EQ(app->backBufferDesc.Width, static_cast<UINT>(TestWindows::kViewWidth));
            Frame();
            resources.After(i, warmUp, count + warmUp);
        }
        ExpectNoGrowth(resources.warm.Peak(), resources.end.Peak());
        ExpectPairsBalanced();
    }

    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    std::unique_ptr<App> app;
};

using BareStorm = Storm<BareApp>;

class SceneStorm : public Storm<SceneApp> {
protected:
    void SetUp() override
    {
        Storm::SetUp();
        ASSERT_TRUE(app->cube.IsBound()) << "the data file's cube is loaded";
        // A few turns, so that the arrangement to keep is not the solved one.
        for (int code : {1, 8, 14}) {
            ASSERT_TRUE(app->turns.StartTurn(code));
            while (app->turns.TurnInProgress) app->turns.AdvanceTurn();
        }
        arrangement = app->cube.CurrentArrangement();
        Frame();
        picks = app->PickGrid();
        ASSERT_GT(picks.size(), 3u) << "the start view offers turns to pick";
    }
    void ExpectSceneIntact()
    {
        EXPECT_TRUE(app->cube.IsBound());
        EXPECT_TRUE(app->cube.CurrentArrangement() == arrangement) << "the cube keeps its arrangement";
        EXPECT_EQ(app->PickGrid(), picks) << "the same turns under the same points";
    }

    CubeModel::Arrangement arrangement{};
    std::map<int, int> picks;
};

} // namespace

TEST_F(BareStorm, HundredsOfResizesResetEveryTimeAndLeakNothing) { ResizeStorm(kResizes); }

TEST_F(BareStorm, FullScreenRoundTripsLeakNothing) { FullScreenStorm(kFullScreenRoundTrips); }

TEST_F(SceneStorm, ResizesAndFullScreenRoundTripsKeepTheCubeAndPicking)
{
    const bool full = LongCampaign();
    ResizeStorm(full ? kResizes : kShortResizes, full ? kSceneWarmUp : kWarmUp);
    ExpectSceneIntact();
    FullScreenStorm(full ? kFullScreenRoundTrips : kShortRoundTrips, full ? kWarmUp : 1, [this](int i) {
        EXPECT_TRUE(app->cube.CurrentArrangement() == arrangement) << "round trip " << i;
    });
    ExpectSceneIntact();
}
