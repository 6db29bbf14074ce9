#include "shell/app.h"

#include "resources/resource.h"
#include "shell/app_form.h"
#include "shell/app_frame_wnd.h"
#include "shell/splash_window.h"

#include <memory>

bool CApp::InitInstance()
{
    CSplashWnd::EnableSplash(true); // an ordinary start shows the splash

    auto frame = std::make_unique<CAppFrameWnd>();
    auto form = std::make_unique<CAppForm>();
    CAppForm* game = form.get();
    if (!frame->LoadFrame(IDR_MAINFRAME, std::move(form))) return false;
    SetMainFrame(std::move(frame));
    MainFrame()->InitialUpdateFrame(SW_SHOW);
    if (!game->active) return false;

    SetWindowTextW(MainWindow(), kAppWindowTitle);
    UpdateWindow(MainWindow());
    return true;
}

bool CApp::OnIdle(long)
{
    if (IsIconic(MainWindow())) return false; // nothing to draw until a message comes
    CAppForm* game = CAppForm::Instance();
    if (!game || !game->active) return true;
    game->RenderStep();
    CSplashWnd::CloseSplashIfOpen();
    resourceReport.SampleWhenDue();
    return true;
}

int CApp::ExitInstance(int exitCode)
{
    resourceReport.Sample("exit");
    return exitCode;
}
