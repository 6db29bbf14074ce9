#include "shell/app.h"

#include "resources/resource.h"
#include "shell/app_form.h"
#include "shell/app_frame_wnd.h"
#include "shell/splash_window.h"

#include <memory>

namespace {

/// A program started hidden would run unseen, with no way for the player to reach it (a
/// launcher or a script may ask for that): it shows normally instead.
int VisibleShowCommand(int showCommand)
{
    return showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand;
}

/// Whether a start with `showCommand` puts the main window on the screen. A program started
/// minimised shows nothing, so no splash either: it would stay until the first frame, which a
/// minimised window never draws.
bool ShowsOnScreen(int showCommand)
{
    switch (showCommand) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        return false;
    default:
        return true;
    }
}

/// While there is nothing to draw (the device is lost, the game paused) the idle step waits this
/// long for a message before it looks again, instead of spinning a core.
constexpr DWORD kNothingToDrawWaitMs = 50;

} // namespace

bool CApp::InitInstance()
{
    // The Direct3D object loads the graphics driver while the windows, settings and splash are made.
    earlyDirect3D = std::make_unique<CEarlyDirect3D>();
    const int showCommand = VisibleShowCommand(StartupShowCommand());
    CSplashWnd::EnableSplash(ShowsOnScreen(showCommand)); // an ordinary start shows the splash

    auto frame = std::make_unique<CAppFrameWnd>();
    std::unique_ptr<CAppForm> form = CreateForm();
    CAppForm* game = form.get();
    game->earlyDirect3D = earlyDirect3D.get();
    if (!frame->LoadFrame(IDR_MAINFRAME, std::move(form))) return false;
    SetMainFrame(std::move(frame));
    // As the program was started (a shortcut may say maximised or minimised); the stored
    // window place is the frame's normal position either way.
    MainFrame()->InitialUpdateFrame(showCommand);
    if (!game->active) return false;

    SetWindowTextW(MainWindow(), kAppWindowTitle);
    UpdateWindow(MainWindow());
    return true;
}

bool CApp::OnIdle(long)
{
    if (IsIconic(MainWindow())) return false; // nothing to draw until a message comes
    CAppForm* game = CAppForm::Instance();
    if (!game || !game->active) return WaitWithNothingToDraw();
    // Once the first frame is in the window the splash only hides the cube, so it goes before
    // the next frame. The step that takes it down ends there: the message loop puts the uncovered
    // window on the screen at once, where the next frame may first wait a long while for the
    // driver.
    if (game->FrameShown() && CSplashWnd::CloseSplashIfOpen()) return true;
    const bool drawing = game->RenderStep();
    if (CSplashWnd::CloseSplashIfOpen()) return true;
    // What only turning needs comes after a frame drawn without the splash, so that it never
    // holds back the window's repaint where the splash was.
    if (game->FrameShown()) game->PrepareTurningOnce();
    resourceReport.SampleWhenDue();
    return drawing || WaitWithNothingToDraw();
}

bool CApp::WaitWithNothingToDraw()
{
    WaitForMessageOrTimeout(kNothingToDrawWaitMs);
    return true; // look again: the device may be back or the pause over without any message
}

std::unique_ptr<CAppForm> CApp::CreateForm()
{
    return std::make_unique<CAppForm>();
}

int CApp::ExitInstance(int exitCode)
{
    resourceReport.Sample("exit");
    return exitCode;
}
