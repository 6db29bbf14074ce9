#include "shell/app_form.h"

#include "framework/code_page_1251.h"
#include "game/overlay.h"
#include "resources/resource.h"
#include "shell/about_dialog.h"
#include "shell/gdi_object.h"
#include "shell/help_viewer.h"
#include "shell/player_name_prompt.h"
#include "shell/presets_dialog.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kOverlayFace[] = "Times New Roman";
constexpr DWORD kOverlayHeight = 14;
constexpr int kMaxScrambleSetting = 999; ///< the Presets dialog never stores more

CAppForm* g_form = nullptr;

/// The overlay's lines go to the texture font; a failed string is simply not drawn.
class FontSink : public TextSink {
public:
    explicit FontSink(CTextFont& font) : font(font) {}
    void DrawString(float x, float y, uint32_t colour, const std::string& text, uint32_t flags) override
    {
        font.DrawString(x, y, colour, text.c_str(), flags);
    }
    float TextWidth(const std::string& text) const override { return font.TextWidth(text.c_str()); }

private:
    CTextFont& font;
};

bool KeyIsDown(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

CAppForm* CAppForm::Instance()
{
    return g_form;
}

CAppForm::CAppForm() : CAppForm(FormSources{}) {}

CAppForm::CAppForm(const FormSources& sources)
    : CFormView(IDD_FORM), turns(cube, nullptr, sources.ticks ? *sources.ticks : SystemTurnTicks(),
                                 sources.random ? *sources.random : SystemTurnRandom()),
      modes(
          settings.championTable, settings.playerNames, [this] { turns.EmptyHistory(); },
          sources.clock ? sources.clock : CalendarClock(SystemCalendarSeconds)),
      scene(cube), font(kOverlayFace, kOverlayHeight, CTextFont::TextBold), settingsKey(sources.settingsKey),
      direct3dSource(sources.direct3d)
{
    g_form = this;
    turns.SetHooks(&modes);
    windowTitle = L"";
    fullScreenAtStart = false;
    enumeration.usesDepthBuffer = true;
    RegisterCommands();
}

CAppForm::~CAppForm()
{
    fullscreen_window::SetCommands(nullptr);
    DestroyGraphics(); // already done when a frame held the form; the overrides still exist here
    g_form = nullptr;
}

void CAppForm::RegisterCommands()
{
    CCommandMap& map = Commands();
    map.On(IDM_PLAYER_NAME, [this] { AskPlayerName(); });
    map.On(IDM_TRAINING, [this] { StartTrainingCommand(); });
    map.On(IDM_TIMED_SOLVE, [this] { StartTimedCommand(); });
    map.On(IDM_FULL_SCREEN, [this] { SwitchFullScreen(); });
    map.On(IDM_TOGGLE_FULL_SCREEN, [this] { SwitchFullScreen(); });
    map.On(IDM_STEP_BACK, [this] { turns.RequestStepBack(); });
    map.On(IDM_RESET_CUBE, [this] { turns.ResetCube(); });
    map.On(IDM_BACKGROUND_COLOUR,
           [this] { background.OnBackgroundColour(topLevelWindow, settings.ColorBG); });
    map.On(IDM_BACKGROUND_PICTURE, [this] { OnBackgroundPicture(); });
    map.On(IDM_PRESETS, [this] { OnPresets(); });
    map.On(IDM_ABOUT, [this] {
        CAboutDlg about;
        about.DoModal(topLevelWindow);
    });
    map.On(IDM_HELP, [this] { OpenHelp(topLevelWindow); });

    map.EnableWhen({IDM_STEP_BACK, IDM_RESET_CUBE},
                   [this] { return turns.CanStepBackOrReset(modes.State().TimedMode); });
    map.EnableWhen({IDM_BACKGROUND_PICTURE},
                   [this] { return CBackground::PictureCommandEnabled(settings.Picture); });
}

// Creation: the settings are loaded and, if asked for, the player names himself, all before
// anything of the program is visible.
bool CAppForm::OnCreateForm()
{
    LoadSettings(settings, HKEY_CURRENT_USER, settingsKey.c_str(), GetParent(hwnd));
    if (settings.ShowNameDlg == 1) AskPlayerName();
    return true;
}

void CAppForm::OnInitialUpdate()
{
    topLevelWindow = GetAncestor(hwnd, GA_ROOT);
    formWindow = hwnd;
    fullscreenWindow = fullscreen_window::Create(topLevelWindow);
    fullscreen_window::SetCommands(this);
    mainWindow = formWindow;
    focusWindow = fullscreenWindow;
    // What needs no Direct3D is made while the graphics driver loads on its worker.
    InitScene();
    scene.ReadSceneModelAhead();
    // A failure has been shown; the application sees !active.
    if (direct3dSource)
        CreateWithDirect3D(direct3dSource);
    else
        CGraphicsApp::Create(GetModuleHandleW(nullptr));
}

// The devices go while the windows they were made on exist: Direct3D watches its focus window
// (the full-screen popup) and draws into the form or the popup for the device's whole life, and
// the input devices are bound to the frame or the popup. Nothing is drawn after this.
void CAppForm::OnFrameDestroying()
{
    Pause(true);
    fullscreen_window::SetCommands(nullptr);
    DestroyGraphics();
}

void CAppForm::OnDestroy()
{
    SaveSettingsOnce();
}

// Windows ends the process after this without destroying a window, so this is the close's save.
void CAppForm::OnSessionEnding()
{
    SaveSettingsOnce();
}

void CAppForm::SaveSettingsOnce()
{
    if (settingsSaved) return;
    settingsSaved = true;
    SaveSettings(settings, HKEY_CURRENT_USER, settingsKey.c_str(), GetParent(hwnd));
}

bool CAppForm::OnSize(UINT, int, int)
{
    if (mainWindow) HandleSizeChange(); // sizes before the 3D application exists change nothing
    return true;
}

bool CAppForm::OnPaint()
{
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
    if (!IsIconic(topLevelWindow) && active) RenderStep();
    return true;
}

// Until the first frame the form shows the scene's background colour; from then on the scene
// covers everything.
bool CAppForm::OnEraseBackground(HDC dc)
{
    if (FrameShown()) return true;
    RECT client;
    GetClientRect(hwnd, &client);
    const DWORD argb = settings.ColorBG;
    const CGdiObject<HBRUSH> brush(CreateSolidBrush(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF)));
    if (!brush) return false;
    FillRect(dc, &client, brush.Get());
    return true;
}

bool CAppForm::OnKeyDown(UINT virtualKey, LPARAM)
{
    if (virtualKey == VK_F1) OpenHelp(topLevelWindow);
    if (virtualKey == 'M' && KeyIsDown('Z')) settings.championTable.ClearChampions();
    return false; // every key also gets the default processing
}

bool CAppForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    view.TakeButtonMessage(hwnd, message, lParam); // the next frame's poll picks each press
    return CFormView::OnMessage(message, wParam, lParam, result);
}

bool CAppForm::RenderStep()
{
    // A full-screen device lost to another window (Alt+Tab, the lock screen) comes back as a window.
    if (!windowed && device && FAILED(device->TestCooperativeLevel())) ReturnToWindowed();
    RenderFrame(); // failures have been handled inside; the next idle call tries again
    return !deviceLost;
}

void CAppForm::AskPlayerName()
{
    PlayerNamePrompt prompt(topLevelWindow ? topLevelWindow : GetParent(hwnd));
    ::AskPlayerName(settings.playerNames, prompt);
}

void CAppForm::StartTrainingCommand()
{
    const DWORD length = std::min<DWORD>(settings.NumberRotate, kMaxScrambleSetting);
    turns.StartTrainingScramble(static_cast<int>(length));
    modes.StartTraining();
}

void CAppForm::StartTimedCommand()
{
    turns.StartTimedScramble();
    modes.StartTimedSolve();
}

void CAppForm::OnPresets()
{
    PresetValues values;
    values.numberRotate = static_cast<int>(settings.NumberRotate);
    values.picture = static_cast<int>(settings.Picture);
    values.showNameDlg = static_cast<int>(settings.ShowNameDlg);
    values.showListChampions = static_cast<int>(settings.ShowListChampions);
    values.showNamePlayerStopWatch = static_cast<int>(settings.ShowNamePlayerStopWatch);
    if (!RunPresetsDialog(topLevelWindow, values, settings.ColorBG, settings.PathPicture.c_str())) return;
    settings.NumberRotate = static_cast<DWORD>(values.numberRotate);
    settings.Picture = static_cast<DWORD>(values.picture);
    settings.ShowNameDlg = static_cast<DWORD>(values.showNameDlg);
    settings.ShowListChampions = static_cast<DWORD>(values.showListChampions);
    settings.ShowNamePlayerStopWatch = static_cast<DWORD>(values.showNamePlayerStopWatch);
}

void CAppForm::OnBackgroundPicture()
{
    char path[CBackground::kPathPictureSize] = {};
    settings.PathPicture.copy(path, sizeof path - 1);
    background.OnBackgroundPicture(topLevelWindow, settings.ColorBG, path);
    settings.PathPicture = path;
}

// Windowed: the form is the device window and the popup hides. Full screen: the popup shows
// and becomes the device window. Either way the input devices follow the window that has the
// keyboard.
// The full-screen popup stays up until the device has left full screen: see WindowedModeRestored.
HRESULT CAppForm::ApplyWindowMode()
{
    if (windowed) {
        mainWindow = formWindow;
        BindInputDevices(input, topLevelWindow); // a device that cannot be bound is read as failed
    } else {
        if (IsIconic(fullscreenWindow)) ShowWindow(fullscreenWindow, SW_RESTORE);
        fullscreen_window::CoverMonitor(fullscreenWindow, FullScreenMonitor());
        ShowWindow(fullscreenWindow, SW_SHOW);
        mainWindow = fullscreenWindow;
        BindInputDevices(input, fullscreenWindow);
    }
    return S_OK;
}

// Hidden only now: a runtime leaving full screen may show the popup again. The frame then takes
// the foreground the popup had, so the keyboard and the window's input devices work at once.
void CAppForm::WindowedModeRestored()
{
    if (!IsWindowVisible(fullscreenWindow)) return;
    ShowWindow(fullscreenWindow, SW_HIDE);
    if (IsWindowVisible(topLevelWindow)) SetForegroundWindow(topLevelWindow);
}

HRESULT CAppForm::InitScene()
{
    com.Initialize(); // the data file is read through structured storage
    return S_OK;
}

// Made once the cube is on the screen, so that reading the loose model and loading DirectInput's
// libraries come after the cube shows rather than before it; there is nothing to turn until
// then. The pick mesh comes first: the devices' first poll may pick a press made before they
// existed. The input devices are bound to the window that has the keyboard; without them the
// cube cannot be turned, but shows.
void CAppForm::PrepareTurningOnce()
{
    if (turningPrepared) return;
    turningPrepared = true;
    if (device) scene.MakePickMesh(device.Get());
    CreateInputDevices(input, windowed ? topLevelWindow : fullscreenWindow);
}

HRESULT CAppForm::OnDeviceCreated()
{
    const HRESULT fontResult = font.OnDeviceCreated(device.Get());
    if (FAILED(fontResult)) return fontResult;
    scene.LoadScene(device.Get());
    if (turningPrepared) scene.MakePickMesh(device.Get()); // a device made anew picks at once
    background.OnDeviceCreated(device.Get(), settings.PathPicture.c_str());
    scene.BuildTurnTargets(device.Get());
    return S_OK;
}

HRESULT CAppForm::OnDeviceReset()
{
    scene.ResetDeviceState(device.Get(), BackBufferAspect(), view.WorldMatrix);
    font.OnDeviceReset();       // without it the overlay is simply not drawn
    background.OnDeviceReset(); // without it the picture is simply not drawn
    scene.ResetMeshes(device.Get());
    return S_OK;
}

HRESULT CAppForm::AdvanceFrame()
{
    PollInput(
        input.keyboard.Get(), input.mouse.Get(), InputState, view,
        [this](std::optional<POINT> pressPoint, int& code) { return PickAt(pressPoint, code); },
        [this](int code) { turns.StartTurn(code); });
    return S_OK;
}

HRESULT CAppForm::RenderScene()
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, settings.ColorBG, 1.0f, 0);
    if (FAILED(device->BeginScene())) return S_OK; // the frame is skipped; turns wait for the next one
    scene.SetFrameProjection(view.FieldOfView, BackBufferAspect());
    view.UpdateWorldMatrix();
    scene.Draw(device.Get(), view.WorldMatrix);
    frameMark = turns.TurnInProgress ? static_cast<std::uint32_t>(turns.TurnStep) : 0; // steps shown

    turns.AdvanceTurn();
    turns.AdvanceScramble();
    turns.AdvanceStepBack();
    modes.RefreshStopwatch(); // every frame, shown or not, so a timed solve is always measured

    background.DrawPictureIfShown(settings.ColorBG, settings.Picture, scene.Camera().projection);
    DrawOverlay();
    device->EndScene();
    return S_OK;
}

HRESULT CAppForm::OnDeviceLost()
{
    font.OnDeviceLost();
    background.OnDeviceLost();
    scene.LoseMeshes();
    scene.LoseDeviceState(device.Get());
    return S_OK;
}

HRESULT CAppForm::OnDeviceDestroyed()
{
    font.OnDeviceDestroyed();
    scene.DestroyDeviceObjects();
    background.OnDeviceDestroyed();
    return S_OK;
}

HRESULT CAppForm::ShutdownScene()
{
    font.Destroy();
    ReleaseInputDevices(input);
    com.Uninitialize(); // the very last step
    return S_OK;
}

bool CAppForm::PickAt(std::optional<POINT> pressPoint, int& code)
{
    D3DXVECTOR2 cursor;
    const UINT width = backBufferDesc.Width, height = backBufferDesc.Height;
    const bool placed = pressPoint ? PointInBackBuffer(mainWindow, *pressPoint, width, height, cursor)
                                   : ReadCursorInBackBuffer(mainWindow, width, height, cursor);
    if (!placed) return false;
    return scene.Pick(cursor.x, cursor.y, width, height, view.WorldMatrix, code);
}

float CAppForm::BackBufferAspect() const
{
    if (backBufferDesc.Height == 0) return 1.0f;
    return static_cast<float>(backBufferDesc.Width) / static_cast<float>(backBufferDesc.Height);
}

void CAppForm::DrawOverlay()
{
    OverlayContent content;
    content.showPlayerAndStopwatch = settings.ShowNamePlayerStopWatch == 1;
    content.showChampions = settings.ShowListChampions == 1;
    content.windowed = windowed;
    content.playerName = std::string(NameText(settings.playerNames.Current()));
    content.stopwatchText = modes.StopwatchText();
    for (const ChampionRecord& record : settings.championTable.Entries()) {
        if (ChampionTable::IsEmpty(record)) continue;
        content.champions.push_back({std::string(NameText(record.name)), FormatTime(record.time)});
    }
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    content.viewportWidth = static_cast<float>(viewport.Width);
    content.viewportHeight = static_cast<float>(viewport.Height);
    content.scale = font.DisplayScale();
    FontSink sink(font);
    ::DrawOverlay(sink, content);
}
