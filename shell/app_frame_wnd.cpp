#include "shell/app_frame_wnd.h"

#include "resources/resource.h"
#include "shell/splash_window.h"

const wchar_t kAppWindowTitle[] = L"Головоломка Кубик Тессара";

bool CAppFrameWnd::LoadFrame(UINT resourceId, std::unique_ptr<CFormView> view)
{
    bool loaded = CFrameWindow::LoadFrame(resourceId, std::move(view));
    LoadAcceleratorTable(IDR_ACCELERATORS);
    return loaded;
}

void CAppFrameWnd::PreCreateWindow(CREATESTRUCTW& create)
{
    // Exactly the overlapped style: the title never carries a document name.
    create.style = WS_OVERLAPPEDWINDOW;
}

int CAppFrameWnd::OnCreate(CREATESTRUCTW& create)
{
    if (CFrameWindow::OnCreate(create) == -1) return -1;
    CSplashWnd::ShowSplash(hwnd);
    return 0;
}

bool CAppFrameWnd::OnGetMinMaxInfo(MINMAXINFO& info)
{
    info.ptMinTrackSize.x = kMinFrameWidth;
    info.ptMinTrackSize.y = kMinFrameHeight;
    return false;
}
