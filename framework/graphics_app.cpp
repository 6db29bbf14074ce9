#include "framework/graphics_app.h"

#include "shell/app_timer.h"

using Microsoft::WRL::ComPtr;

namespace {

CGraphicsApp* instance = nullptr;
/// Pauses nest across every caller; the application is active only at 0.
unsigned pauseCount = 0;

DWORD BehaviorFlagsFor(VertexProcessing kind)
{
    switch (kind) {
    case VertexProcessing::Software:
        return D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    case VertexProcessing::Mixed:
        return D3DCREATE_MIXED_VERTEXPROCESSING;
    case VertexProcessing::Hardware:
        return D3DCREATE_HARDWARE_VERTEXPROCESSING;
    case VertexProcessing::PureHardware:
        return D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    }
    return 0;
}

/// The facility of Direct3D's own failure codes (D3DERR_...).
constexpr int kDirect3DFacility = 0x876;

LONG Width(const RECT& r)
{
    return r.right - r.left;
}
LONG Height(const RECT& r)
{
    return r.bottom - r.top;
}

} // namespace

CGraphicsApp::CGraphicsApp()
{
    instance = this;
    // Inactive until Create has finished.
    Pause(true);
}

CGraphicsApp::~CGraphicsApp()
{
    if (clipCursorFullScreen) ClipCursor(nullptr);
    // There is one application per process; its pauses end with it.
    if (instance == this) {
        instance = nullptr;
        pauseCount = 0;
    }
}

CGraphicsApp* CGraphicsApp::Instance()
{
    return instance;
}

unsigned CGraphicsApp::PauseCount()
{
    return pauseCount;
}

HRESULT CGraphicsApp::AcceptDevice(const D3DCAPS9&, DWORD, D3DFORMAT)
{
    return S_OK;
}

bool CGraphicsApp::AcceptDeviceCallback(const D3DCAPS9& caps, VertexProcessing kind,
                                        D3DFORMAT backBufferFormat)
{
    if (!instance) return true;
    return instance->AcceptDevice(caps, BehaviorFlagsFor(kind), backBufferFormat) >= 0;
}

HRESULT CGraphicsApp::ShowError(HRESULT code, MessageKind kind)
{
    return ReportError(code, kind, windowTitle, mainWindow);
}

// ---- Start and end -------------------------------------------------------------------------

HRESULT CGraphicsApp::Create(HINSTANCE)
{
    ComPtr<IDirect3D9> direct3d;
    if (earlyDirect3D) {
        direct3d = earlyDirect3D->Take();
        earlyDirect3D = nullptr;
    } else {
        *direct3d.GetAddressOf() = CreateDirect3DObject(); // takes over the one reference it comes with
    }
    return CreateWithDirect3D(direct3d);
}

HRESULT CGraphicsApp::CreateWithDirect3D(ComPtr<IDirect3D9> direct3d)
{
    if (!direct3d) return ShowError(AppError::NoDirect3D, MessageKind::Fatal);
    d3d = direct3d;

    enumeration.d3d = d3d.Get();
    enumeration.acceptDevice = AcceptDeviceCallback;
    HRESULT hr = enumeration.Enumerate();
    if (FAILED(hr)) return FailCreate(hr);

    ReadWindowRect();

    hr = ChooseInitialSettings();
    if (SUCCEEDED(hr)) {
        AppTimer(kTimerStart);
        hr = InitScene();
    }
    if (FAILED(hr)) return FailCreate(hr);

    hr = WaitIfLost(InitDevice());
    if (FAILED(hr)) return FailCreate(hr);

    Pause(false);
    return S_OK;
}

HRESULT CGraphicsApp::FailCreate(HRESULT code)
{
    ReleaseDirect3D();
    return ShowError(code, MessageKind::Fatal);
}

void CGraphicsApp::ReleaseDirect3D()
{
    enumeration.d3d = nullptr;
    d3d.Reset();
}

void CGraphicsApp::DestroyGraphics()
{
    ReleaseDevice();
    ShutdownScene();
    ReleaseDirect3D();
}

HRESULT CGraphicsApp::ChooseInitialSettings()
{
    const bool foundFullScreen = FindBestFullScreenSettings(false, false);
    const bool foundWindowed = FindBestWindowedSettings(false, false);

    if (fullScreenAtStart && foundFullScreen) settings.windowed = false;
    if (!foundWindowed) {
        if (!foundFullScreen) return AppError::NoCompatibleDevices;
        settings.windowed = false;
    }
    return S_OK;
}

void CGraphicsApp::BuildPresentParameters()
{
    const ModeSettings& mode = settings.Active();
    presentParameters = {};
    presentParameters.Windowed = settings.windowed;
    presentParameters.BackBufferCount = 1;
    presentParameters.MultiSampleType = mode.multiSampleType;
    presentParameters.MultiSampleQuality = mode.multiSampleQuality;
    presentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters.EnableAutoDepthStencil = enumeration.usesDepthBuffer;
    // Under Wine a child render window cannot show a device's output: render on the focus window
    // and copy each frame into the child (see CChildWindowPresenter).
    presentParameters.hDeviceWindow =
        CChildWindowPresenter::NeededFor(mainWindow, windowed) ? focusWindow : mainWindow;
    if (enumeration.usesDepthBuffer) {
        presentParameters.Flags = D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
        presentParameters.AutoDepthStencilFormat = mode.depthStencilFormat;
    }
    if (windowed) {
        presentParameters.BackBufferWidth = static_cast<UINT>(Width(clientRect));
        presentParameters.BackBufferHeight = static_cast<UINT>(Height(clientRect));
        presentParameters.FullScreen_RefreshRateInHz = 0;
    } else {
        presentParameters.BackBufferWidth = mode.displayMode.Width;
        presentParameters.BackBufferHeight = mode.displayMode.Height;
        presentParameters.FullScreen_RefreshRateInHz = mode.displayMode.RefreshRate;
    }
    presentParameters.BackBufferFormat = mode.combo ? mode.combo->backBufferFormat : D3DFMT_UNKNOWN;
    presentParameters.PresentationInterval = mode.presentInterval;
}

// ---- Device: create/release and reset/lost -------------------------------------------------

HRESULT CGraphicsApp::InitDevice()
{
    const ModeSettings& mode = settings.Active();
    if (!mode.combo || !d3d) return AppError::NoCompatibleDevices;
    const bool wasHal = mode.device->deviceType == D3DDEVTYPE_HAL;

    windowed = settings.windowed;
    HRESULT hr = ApplyWindowMode();
    if (FAILED(hr)) return hr;
    TakeWindowedPlace();
    BuildPresentParameters();

    if (mode.device->caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE)
        ShowError(AppError::NullReference, MessageKind::Warning);

    const DWORD flags = BehaviorFlagsFor(mode.vertexProcessing);
    hr = d3d->CreateDevice(mode.combo->adapterOrdinal, mode.combo->deviceType, focusWindow, flags,
                           &presentParameters, device.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) {
        if (windowed) RestoreWindowRect();
        behaviorFlags = flags;
        hr = CreateDeviceObjects();
        if (SUCCEEDED(hr)) {
            deviceLost = false;
            return S_OK;
        }
        ReleaseDevice();
    }

    // A device that fails on the hardware may still work on the reference rasterizer; missing
    // media would fail there too, and a device refused for now only has to be waited for.
    if (hr != AppError::MediaNotFound && hr != kFileNotFoundResult && hr != D3DERR_DEVICELOST && wasHal &&
        FindBestWindowedSettings(false, true)) {
        windowed = true;
        ApplyWindowMode(); // InitDevice below applies the mode again and checks the result
        RestoreWindowRect();
        ShowError(hr, MessageKind::SwitchToReference);
        return InitDevice();
    }
    return hr;
}

/// Everything after a successful CreateDevice: device facts, cursor, then both pairs of the
/// application's device objects.
HRESULT CGraphicsApp::CreateDeviceObjects()
{
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;
    hr = ReadBackBufferDesc();
    if (FAILED(hr)) return hr;
    ClipCursorToMode();

    hr = OnDeviceCreated();
    if (FAILED(hr)) {
        OnDeviceDestroyed();
        return hr;
    }
    deviceObjectsCreated = true;
    return ResetDeviceObjects();
}

/// The application's reset half; a failure undoes itself with OnDeviceLost.
HRESULT CGraphicsApp::ResetDeviceObjects()
{
    const HRESULT hr = OnDeviceReset();
    if (FAILED(hr)) {
        OnDeviceLost();
        return hr;
    }
    deviceObjectsReset = true;
    return S_OK;
}

/// The application's lost half, once per successful reset half.
void CGraphicsApp::LoseDeviceObjects()
{
    if (!deviceObjectsReset) return;
    deviceObjectsReset = false;
    OnDeviceLost();
}

void CGraphicsApp::ReleaseDevice()
{
    if (!device) return;
    LoseDeviceObjects();
    if (deviceObjectsCreated) {
        deviceObjectsCreated = false;
        OnDeviceDestroyed();
    }
    presenter.Release(); // it holds a surface of the device
    const unsigned long remaining = device.Reset();
    if (remaining > 0) ShowError(AppError::NonZeroRefCount, MessageKind::Fatal);
}

HRESULT CGraphicsApp::ResetDevice()
{
    if (!device) return D3DERR_INVALIDCALL;
    LoseDeviceObjects();

    presenter.Release();
    HRESULT hr = device->Reset(&presentParameters);
    if (FAILED(hr)) return hr;
    if (windowed) WindowedModeRestored();
    hr = ReadBackBufferDesc();
    if (FAILED(hr)) return hr;
    ClipCursorToMode();
    return ResetDeviceObjects();
}

HRESULT CGraphicsApp::WaitIfLost(HRESULT hr)
{
    if (hr != D3DERR_DEVICELOST) return hr;
    deviceLost = true;
    return S_OK;
}

HRESULT CGraphicsApp::ResetOrRecover()
{
    const HRESULT hr = ResetDevice();
    if (SUCCEEDED(hr)) {
        deviceLost = false; // usable now: a size change before the next frame resets at once
        return hr;
    }
    if (hr == D3DERR_DEVICELOST) return WaitIfLost(hr);
    return RecoverFromFailure(hr);
}

HRESULT CGraphicsApp::RecoverFromFailure(HRESULT failure)
{
    if (recovering) return FailRecovery(failure);
    recovering = true;
    const HRESULT hr = RecreateDevice();
    return FAILED(hr) ? FailRecovery(hr) : hr;
}

HRESULT CGraphicsApp::FailRecovery(HRESULT code)
{
    deviceLost = false; // no more attempts: the game is closing
    return ShowError(code == D3DERR_OUTOFVIDEOMEMORY ? code : AppError::ResetFailed, MessageKind::Fatal);
}

HRESULT CGraphicsApp::ReadBackBufferDesc()
{
    ComPtr<IDirect3DSurface9> backBuffer;
    HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.GetAddressOf());
    if (FAILED(hr)) return hr;
    return backBuffer->GetDesc(&backBufferDesc);
}

void CGraphicsApp::ClipCursorToMode()
{
    if (!clipCursorFullScreen) return;
    if (windowed) {
        ClipCursor(nullptr);
        return;
    }
    RECT bounds;
    GetWindowRect(mainWindow, &bounds);
    ClipCursor(&bounds);
}

/// Reads where the render window is now. The screen rectangle of a child window changes when
/// its parent moves, without the child being told, so it is only good at the moment it is read.
void CGraphicsApp::ReadWindowRect()
{
    GetWindowRect(mainWindow, &windowRect);
    GetClientRect(mainWindow, &clientRect);
}

/// A child render window is placed by its parent, which may have moved or resized it while the
/// device drew elsewhere: back in windowed mode it is taken as it is now. A top-level window
/// keeps the rectangle read when it stopped being rendered into, which RestoreWindowRect puts back.
void CGraphicsApp::TakeWindowedPlace()
{
    if (windowed && (GetWindowLongPtrW(mainWindow, GWL_STYLE) & WS_CHILD)) ReadWindowRect();
}

/// Puts the render window back where windowRect says and shows it, and lets the application put
/// away what full screen showed. windowRect is in screen
/// coordinates; a child window (the form's view) is positioned in its parent's client coordinates.
void CGraphicsApp::RestoreWindowRect()
{
    TakeWindowedPlace();
    RECT bounds = windowRect;
    if (GetWindowLongPtrW(mainWindow, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(mainWindow), reinterpret_cast<POINT*>(&bounds), 2);
    SetWindowPos(mainWindow, HWND_NOTOPMOST, bounds.left, bounds.top, Width(bounds), Height(bounds),
                 SWP_SHOWWINDOW);
    WindowedModeRestored();
}

// ---- Frames, size and pause ----------------------------------------------------------------

HRESULT CGraphicsApp::RenderFrame()
{
    if (deviceLost) {
        const HRESULT hr = RestoreLostDevice();
        if (hr != S_OK) return SUCCEEDED(hr) ? S_OK : hr;
    }
    if (!device) return D3DERR_INVALIDCALL;

    const double now = AppTimer(kTimerAppTime);
    const double elapsed = AppTimer(kTimerElapsed);
    if (elapsed == 0.0) return S_OK;
    appTime = static_cast<float>(now);
    elapsedTime = static_cast<float>(elapsed);

    HRESULT hr = AdvanceFrame();
    if (FAILED(hr)) return hr;
    hr = RenderScene();
    if (FAILED(hr)) return hr;
    // A copied frame is still presented (into the hidden focus window): Present ends the frame,
    // and runtimes recycle the frame's resources there.
    const bool copying = CChildWindowPresenter::NeededFor(mainWindow, windowed);
    const HRESULT copied = copying ? presenter.CopyToWindow(device.Get(), mainWindow) : S_OK;
    hr = device->Present(nullptr, nullptr, nullptr, nullptr);
    if (SUCCEEDED(hr) && FAILED(copied)) hr = copied; // the frame did not reach the view
    if (hr == D3DERR_DEVICELOST) deviceLost = true;
    else if (SUCCEEDED(hr)) NoteFrameShown();
    else if (!copying || HRESULT_FACILITY(hr) == kDirect3DFacility) return RecoverFromFailure(hr);
    return S_OK; // a copy that GDI could not make only skips the frame
}

/// One look at a lost device: S_OK when it can draw again, S_FALSE while it is still away or
/// has just been reset or created (drawing resumes at the next call), or a failure.
HRESULT CGraphicsApp::RestoreLostDevice()
{
    if (!device) {
        // Its creation was refused (locked screen, another program in exclusive full screen).
        const HRESULT hr = WaitIfLost(InitDevice());
        if (FAILED(hr)) {
            deviceLost = false; // no more attempts: the game is closing
            return ShowError(hr, MessageKind::Fatal);
        }
        return S_FALSE;
    }
    const HRESULT level = device->TestCooperativeLevel();
    if (SUCCEEDED(level)) {
        deviceLost = false;
        return S_OK;
    }
    if (level == D3DERR_DEVICELOST) return S_FALSE;
    if (level != D3DERR_DEVICENOTRESET) {
        const HRESULT hr = RecoverFromFailure(level);
        return FAILED(hr) ? hr : S_FALSE;
    }
    if (windowed) {
        // The desktop may have changed format while the device was lost.
        ModeSettings& mode = settings.windowedMode;
        if (SUCCEEDED(d3d->GetAdapterDisplayMode(mode.adapter->adapterOrdinal, &mode.displayMode)))
            presentParameters.BackBufferFormat = mode.displayMode.Format;
    }
    const HRESULT hr = ResetOrRecover();
    return FAILED(hr) ? hr : S_FALSE;
}

void CGraphicsApp::NoteFrameShown()
{
    frameShown = true;
    recovering = false;
    frameLog.Stamp(frameMark);
}

HRESULT CGraphicsApp::HandleSizeChange()
{
    // Size messages of the view only matter while it is the render window.
    if (suppressResize || !windowed) return S_OK;

    RECT newWindow, newClient;
    GetWindowRect(mainWindow, &newWindow);
    GetClientRect(mainWindow, &newClient);
    // A minimised window has no client area; keep the last size until it is restored.
    if (Width(newClient) <= 0 || Height(newClient) <= 0) return S_OK;

    const bool unchanged = Width(newClient) == Width(clientRect) && Height(newClient) == Height(clientRect);
    windowRect = newWindow;
    clientRect = newClient;
    if (unchanged) return S_OK;

    presentParameters.BackBufferWidth = static_cast<UINT>(Width(clientRect));
    presentParameters.BackBufferHeight = static_cast<UINT>(Height(clientRect));
    // A lost device cannot be reset yet: it takes the new size when it comes back.
    if (!device || deviceLost) return S_OK;
    Pause(true);
    const HRESULT hr = ResetOrRecover();
    Pause(false);
    return hr;
}

void CGraphicsApp::Pause(bool pause)
{
    if (pause) {
        ++pauseCount;
        if (pauseCount == 1) AppTimer(kTimerStop);
    } else if (pauseCount > 0) { // an unmatched resume must not wrap the count
        --pauseCount;
        if (pauseCount == 0) AppTimer(kTimerStart);
    }
    active = pauseCount == 0;
}
