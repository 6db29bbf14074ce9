#pragma once
// The 3D application framework: owns the Direct3D object and device, the chosen settings and
// the per-frame driver, and turns window events into a fixed sequence of calls on its virtual
// operations, which the application overrides to build, draw and release its scene.
//
// Device-dependent work comes in two pairs: OnDeviceCreated/OnDeviceDestroyed (survive a
// reset) and OnDeviceReset/OnDeviceLost (redone after every reset); the flags
// deviceObjectsCreated and deviceObjectsReset make each half run once.
//
// A lost device is waited out: no frames, no reset and no fatal message until Windows gives it
// back (TestCooperativeLevel), and a Reset or CreateDevice refused with D3DERR_DEVICELOST is
// tried again at a later frame. A resize meanwhile takes effect at that reset.
//
// Any other failure of Present, TestCooperativeLevel or Reset (a driver that reset, hung or was
// updated while playing) gets one new device; if that fails too the fatal message closes the game.
//
// Caveat: Wine does not lose a windowed device and never refuses a Reset or a CreateDevice
// because the device is lost, so those paths are exercised by tests with a device stand-in.

#include "framework/app_error.h"
#include "framework/child_window_presenter.h"
#include "framework/device_enumeration.h"
#include "framework/early_direct3d.h"
#include "framework/frame_log.h"

#include <d3d9.h>
#include <wrl/client.h>

/// The choice for one of the two modes: non-owning pointers into the enumeration plus options.
struct ModeSettings {
    AdapterEntry* adapter = nullptr;
    DeviceEntry* device = nullptr;
    FormatCombo* combo = nullptr;
    D3DDISPLAYMODE displayMode{};
    D3DFORMAT depthStencilFormat = D3DFMT_UNKNOWN;
    D3DMULTISAMPLE_TYPE multiSampleType = D3DMULTISAMPLE_NONE;
    DWORD multiSampleQuality = 0;
    VertexProcessing vertexProcessing = VertexProcessing::Software;
    UINT presentInterval = D3DPRESENT_INTERVAL_DEFAULT;
};

struct WindowedModeSettings : ModeSettings {
    UINT backBufferWidth = 0;
    UINT backBufferHeight = 0;
};

struct RenderSettings {
    bool windowed = true; ///< the mode wanted next
    WindowedModeSettings windowedMode;
    ModeSettings fullScreenMode;

    ModeSettings& Active() { return windowed ? windowedMode : fullScreenMode; }
    const ModeSettings& Active() const { return windowed ? windowedMode : fullScreenMode; }
};

class CGraphicsApp {
  public:
    CGraphicsApp();
    CGraphicsApp(const CGraphicsApp&) = delete;
    CGraphicsApp& operator=(const CGraphicsApp&) = delete;

    /// The one instance of the process (null when there is none).
    static CGraphicsApp* Instance();
    /// The process-wide pause count (0: running).
    static unsigned PauseCount();

    // Virtual operations, in slot order. Results are HRESULT-style codes.

    /// Adapts the windows to the mode in `windowed`, which is already set: leaves `mainWindow`
    /// naming a visible window suitable for that mode. Called before the device is created or
    /// reset for the mode.
    virtual HRESULT ApplyWindowMode() = 0;
    /// Called once the device runs windowed again (its reset or creation for the windowed mode
    /// succeeded): puts away what only full screen showed. Leaving full screen, a runtime may
    /// restore the full-screen window's saved style, visibility included (DXVK and Windows' own
    /// do), so hiding that window any earlier does not last.
    virtual void WindowedModeRestored() {}
    /// Asked for each vertex-processing choice; a negative result rejects it.
    virtual HRESULT AcceptDevice(const D3DCAPS9& caps, DWORD behaviorFlags, D3DFORMAT backBufferFormat);
    virtual HRESULT InitScene() { return S_OK; }
    virtual HRESULT OnDeviceCreated() { return S_OK; }
    virtual HRESULT OnDeviceReset() { return S_OK; }
    /// One step of the application's state; `appTime` and `elapsedTime` are set.
    virtual HRESULT AdvanceFrame() { return S_OK; }
    virtual HRESULT RenderScene() { return S_OK; }
    virtual HRESULT OnDeviceLost() { return S_OK; }
    virtual HRESULT OnDeviceDestroyed() { return S_OK; }
    virtual HRESULT ShutdownScene() { return S_OK; }
    /// Starts the framework on `mainWindow` and `focusWindow`, which must be set, with the
    /// Direct3D object of `earlyDirect3D` when there is one.
    virtual HRESULT Create(HINSTANCE instance);
    /// Nesting pause: the application is active only when every pause has been undone.
    virtual void Pause(bool pause);
    virtual ~CGraphicsApp();

    /// Create with a Direct3D object made elsewhere (tests hand in stand-ins).
    HRESULT CreateWithDirect3D(Microsoft::WRL::ComPtr<IDirect3D9> direct3d);

    /// One frame: lost-device handling, AdvanceFrame, RenderScene, Present. While the device is
    /// lost it only looks whether the device is back (and resets or creates it then).
    HRESULT RenderFrame();
    /// Whether a frame has reached the screen since the application started.
    bool FrameShown() const { return frameShown; }
    /// Called on every size message of the render window: resets the device to the new size
    /// (a lost device gets it at the reset that brings it back).
    HRESULT HandleSizeChange();
    HRESULT InitDevice();
    HRESULT ResetDevice();
    void ReleaseDevice();
    void BuildPresentParameters();
    HRESULT ChooseInitialSettings();
    bool FindBestWindowedSettings(bool requireHal, bool requireReference);
    bool FindBestFullScreenSettings(bool requireHal, bool requireReference);
    /// The monitor of the full-screen choice's adapter (null without a choice).
    HMONITOR FullScreenMonitor() const;
    /// Shows the message for code (see ReportError) with `windowTitle`; a fatal one closes the
    /// application `mainWindow` belongs to.
    HRESULT ShowError(HRESULT code, MessageKind kind);
    /// Toggles between windowed and full screen.
    HRESULT SwitchFullScreen();
    /// Back to windowed after the device became unusable in full screen.
    HRESULT ReturnToWindowed();
    /// Releases the device and creates it anew for the active settings; a creation refused
    /// because the device is lost is tried again by later frames.
    HRESULT RecreateDevice();
    /// Releases the Direct3D object; the last step before the enumeration goes.
    void ReleaseDirect3D();
    /// The end of the application's life in order: ReleaseDevice, ShutdownScene,
    /// ReleaseDirect3D. The derived destructor calls it while its overrides still exist.
    void DestroyGraphics();

    CDeviceEnumeration enumeration;
    RenderSettings settings;

    bool windowed = true; ///< the mode the device runs in
    bool active = false;  ///< created and not paused
    bool deviceLost = false;     ///< no frames until the device is reset, or created if there is none
    bool suppressResize = false; ///< set while a mode switch changes the windows
    bool deviceObjectsCreated = false;
    bool deviceObjectsReset = false;

    D3DPRESENT_PARAMETERS presentParameters{};
    HWND mainWindow = nullptr;  ///< the window rendered into
    HWND focusWindow = nullptr; ///< the device's focus window
    Microsoft::WRL::ComPtr<IDirect3D9> d3d;
    Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
    D3DCAPS9 caps{};
    D3DSURFACE_DESC backBufferDesc{};
    DWORD behaviorFlags = 0;
    RECT windowRect{}; ///< screen coordinates, as last read from the windowed render window
    RECT clientRect{};
    float appTime = 0.0f;
    float elapsedTime = 0.0f;

    /// Where Create takes the Direct3D object from, if it was started early (not owned; Create
    /// empties it).
    CEarlyDirect3D* earlyDirect3D = nullptr;

    const wchar_t* windowTitle = L""; ///< caption of error boxes
    bool clipCursorFullScreen = true;
    bool fullScreenAtStart = false;

    /// A number the application gives the frame it draws; the frame log keeps it with the frame.
    std::uint32_t frameMark = 0;

  private:
    static bool AcceptDeviceCallback(const D3DCAPS9& caps, VertexProcessing kind, D3DFORMAT backBufferFormat);
    HRESULT FailCreate(HRESULT code);
    /// A device Windows reports lost (lock screen, UAC prompt, another program in exclusive
    /// full screen) is waited out: D3DERR_DEVICELOST sets deviceLost and becomes S_OK, so that
    /// RenderFrame tries again later; any other code is returned as it is.
    HRESULT WaitIfLost(HRESULT hr);
    /// ResetDevice; waits if the device is lost; any other failure is recovered from.
    HRESULT ResetOrRecover();
    /// A device that fails for another reason than being lost (a driver that reset, hung or was
    /// updated: D3DERR_DRIVERINTERNALERROR) is released and created anew, once: failing again
    /// before a frame reaches the screen, or failing to be created, is fatal.
    HRESULT RecoverFromFailure(HRESULT failure);
    HRESULT FailRecovery(HRESULT code);
    HRESULT RestoreLostDevice();
    HRESULT CreateDeviceObjects();
    HRESULT ResetDeviceObjects();
    void LoseDeviceObjects();
    HRESULT ReadBackBufferDesc();
    void ClipCursorToMode();
    void ReadWindowRect();
    void TakeWindowedPlace();
    void RestoreWindowRect();

    void NoteFrameShown();

    CChildWindowPresenter presenter;
    CFrameLog frameLog; ///< off unless the environment asks for it
    bool frameShown = false;
    bool recovering = false; ///< re-created after a failure; cleared by the next frame shown
};
