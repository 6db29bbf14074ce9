#pragma once
// The form view: the child of the main frame that hosts the 3D scene and owns the game.
// It is wiring: the cube, its turns, the play modes, the records, the names, the settings,
// the background and the overlay are classes of their own; the form says what happens when.

#include "framework/graphics_app.h"
#include "framework/text_font.h"
#include "game/fullscreen_window.h"
#include "game/play_modes.h"
#include "puzzle/cube_model.h"
#include "puzzle/cube_scene.h"
#include "puzzle/turn_driver.h"
#include "puzzle/view_control.h"
#include "shell/background.h"
#include "shell/com_init.h"
#include "shell/form_view.h"
#include "shell/input_devices.h"
#include "shell/settings_store.h"

#include <string>

/// Where the form's time, chance and settings come from. The game uses the system's; a test
/// passes a fake clock, a scripted random source and a registry key of its own.
struct FormSources {
    TurnTicks* ticks = nullptr;                 ///< null: the millisecond tick count
    TurnRandom* random = nullptr;               ///< null: the runtime library's generator
    CalendarClock clock;                        ///< empty: the calendar clock
    std::string settingsKey = kSettingsKeyPath; ///< under HKEY_CURRENT_USER
    IDirect3D9* direct3d = nullptr;             ///< null: the system's Direct3D
};

class CAppForm : public CFormView, public CGraphicsApp, private FullscreenCommands {
public:
    CAppForm();
    explicit CAppForm(const FormSources& sources);
    ~CAppForm() override;

    /// The one form of the process (null before it is constructed and after it is gone).
    static CAppForm* Instance();

    /// Steps 3 and 4 of the idle step: back to the window if full screen became unusable,
    /// then one frame. The paint step shares them. False while the device is lost: there is
    /// nothing to draw until it is back, so the idle step may wait.
    bool RenderStep();
    /// What only turning needs (the pick mesh, the keyboard and mouse devices), made at the
    /// first call.
    void PrepareTurningOnce();
    const CubeScene& Scene() const { return scene; }

    // The 3D application's operations.
    HRESULT ApplyWindowMode() override;
    void WindowedModeRestored() override;
    HRESULT InitScene() override;
    HRESULT OnDeviceCreated() override;
    HRESULT OnDeviceReset() override;
    HRESULT AdvanceFrame() override;
    HRESULT RenderScene() override;
    HRESULT OnDeviceLost() override;
    HRESULT OnDeviceDestroyed() override;
    HRESULT ShutdownScene() override;

    Settings settings; ///< also the player names and the champion table
    CubeModel cube;
    TurnDriver turns;
    PlayModes modes;
    ViewControl view;

private:
    // The form view's steps and messages.
    bool OnCreateForm() override;
    void OnInitialUpdate() override;
    void OnFrameDestroying() override;
    void OnDestroy() override;
    void OnSessionEnding() override;
    bool OnSize(UINT type, int width, int height) override;
    bool OnPaint() override;
    bool OnEraseBackground(HDC dc) override;
    bool OnKeyDown(UINT virtualKey, LPARAM) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void RegisterCommands();
    /// What a close keeps, written once: at the session's end or when the form goes.
    void SaveSettingsOnce();
    void AskPlayerName();
    void OnPresets();
    void OnBackgroundPicture();
    bool PickAt(std::optional<POINT> pressPoint, int& code);
    float BackBufferAspect() const;
    void DrawOverlay();

    // What the full-screen popup's keys and close request do.
    void LeaveFullScreen() override
    {
        if (!windowed) SwitchFullScreen();
    }
    bool TimedMode() const override { return modes.State().TimedMode; }
    void ResetCube() override { turns.ResetCube(); }
    void StartTrainingCommand() override;
    void StartTimedCommand() override;
    HWND ApplicationMainWindow() const override { return topLevelWindow; }
    void OnLeftButtonMessage(HWND popup, UINT message, LPARAM lParam) override
    {
        view.TakeButtonMessage(popup, message, lParam);
    }

    CubeScene scene;
    CTextFont font;
    CBackground background;
    InputDevices input;
    bool turningPrepared = false; ///< tried once, after a frame drawn without the splash
    CComInitialization com;
    BYTE InputState[256] = {};

    std::string settingsKey;
    bool settingsSaved = false; ///< the session's end saved them; the close that may follow does not
    IDirect3D9* direct3dSource = nullptr;

    HWND formWindow = nullptr;
    HWND fullscreenWindow = nullptr;
    HWND topLevelWindow = nullptr;
};
