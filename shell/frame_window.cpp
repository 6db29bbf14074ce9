#include "shell/frame_window.h"

#include "resources/resource.h"

#include <cwchar>

namespace {

const wchar_t kFrameClass[] = L"TessaronFrameWindow";
const wchar_t kDialogClass[] = L"#32770"; ///< every modal dialog and message box

/// The dialog that `owner` is disabled for (this thread's, shown yet or not), or null: one it
/// owns, or one owned by a window it owns (an error box over the full-screen popup).
HWND ModalDialogOf(HWND owner)
{
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(param);
            wchar_t name[8] = {};
            GetClassNameW(window, name, 8);
            if (GetAncestor(window, GA_ROOTOWNER) != search.owner || window == search.owner ||
                std::wcscmp(name, kDialogClass) != 0 || !IsWindowEnabled(window))
                return TRUE;
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

CFrameWindow::CFrameWindow()
{
    frameCommands.On(IDM_APP_EXIT, [this] { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
}

CFrameWindow::~CFrameWindow()
{
    // Destroyed here, while the frame's handlers still exist: the view goes with the window.
    if (hwnd) DestroyFrame();
}

void CFrameWindow::DestroyFrame()
{
    // Windows destroys the windows the frame owns (a full-screen popup) before the frame itself
    // hears of its destruction, so the view lets go of what lives on them now.
    if (view) view->OnFrameDestroying();
    if (hwnd) DestroyWindow(hwnd);
}

bool CFrameWindow::LoadFrame(UINT resourceId, std::unique_ptr<CFormView> formView)
{
    WNDCLASSEXW windowClass{};
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kFrameClass, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = StaticWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = nullptr; // the view covers the client area and paints its own
        windowClass.lpszClassName = kFrameClass;
        if (!RegisterClassExW(&windowClass)) return false;
    }
    view = std::move(formView);

    HINSTANCE resources = ResourceInstance();
    CREATESTRUCTW create{};
    create.hInstance = GetModuleHandleW(nullptr);
    create.hMenu = LoadMenuW(resources, MAKEINTRESOURCEW(resourceId));
    create.style = WS_OVERLAPPEDWINDOW;
    create.x = CW_USEDEFAULT;
    create.y = CW_USEDEFAULT;
    create.cx = CW_USEDEFAULT;
    create.cy = CW_USEDEFAULT;
    create.lpszName = L"";
    create.lpszClass = kFrameClass;
    PreCreateWindow(create);

    if (!CreateWindowObject(create.dwExStyle, create.lpszClass, create.lpszName, create.style, create.x,
                            create.y, create.cx, create.cy, create.hwndParent, create.hMenu)) {
        // A menu not attached to a window is not destroyed with it.
        if (create.hMenu && !IsMenu(create.hMenu)) create.hMenu = nullptr;
        if (create.hMenu) DestroyMenu(create.hMenu);
        view.reset();
        return false;
    }

    auto bigIcon =
        static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    auto smallIcon =
        static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (bigIcon) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (smallIcon) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    return true;
}

void CFrameWindow::InitialUpdateFrame(int showCommand)
{
    // Shown first: the view's initial update may take a while (a game makes its device and loads
    // its scene there), and a window on the screen meanwhile tells the player the program started.
    if (showCommand != SW_HIDE && hwnd) {
        ShowWindow(hwnd, showCommand);
        // The first ShowWindow of a process may take the launcher's show command instead of ours.
        if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
    }
    if (view) view->OnInitialUpdate();
}

bool CFrameWindow::LoadAcceleratorTable(UINT id)
{
    // Tables loaded from resources are freed with the module; nothing to destroy.
    accelerators = LoadAcceleratorsW(ResourceInstance(), MAKEINTRESOURCEW(id));
    return accelerators != nullptr;
}

bool CFrameWindow::PreTranslateMessage(MSG& message)
{
    if (!accelerators || message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    return TranslateAcceleratorW(hwnd, accelerators, &message) != 0;
}

int CFrameWindow::OnCreate(CREATESTRUCTW&)
{
    if (view && !view->Create(hwnd)) {
        view.reset();
        return -1;
    }
    return 0;
}

void CFrameWindow::OnDestroy()
{
    if (quitOnDestroy) PostQuitMessage(0);
}

bool CFrameWindow::OnClose()
{
    if (IsWindowEnabled(hwnd)) {
        DestroyFrame();
        return true;
    }
    // A modal dialog runs: destroying the frame now would destroy the view under the command
    // that is waiting for the dialog. The dialog is cancelled (changing nothing), and the close
    // is made again once the frame is enabled, which happens as the dialog ends.
    closeAfterModal = true;
    if (HWND dialog = ModalDialogOf(hwnd)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
}

bool CFrameWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        result = TRUE; // the game never holds up a shutdown; it saves at WM_ENDSESSION
        return true;
    case WM_ENDSESSION:
        // No window is destroyed after this: Windows ends the process once it returns.
        if (wParam && view) view->OnSessionEnding();
        result = 0;
        return true;
    default:
        return CWindow::OnMessage(message, wParam, lParam, result);
    }
}

void CFrameWindow::OnEnable(bool enabled)
{
    if (!enabled || !closeAfterModal) return;
    closeAfterModal = false;
    // Posted: the dialog's loop ends before it would take another message, so the close reaches
    // the loop of whoever opened the dialog.
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

bool CFrameWindow::OnSize(UINT type, int width, int height)
{
    if (type != SIZE_MINIMIZED && view && view->Handle())
        MoveWindow(view->Handle(), 0, 0, width, height, TRUE);
    return false;
}

bool CFrameWindow::OnCommand(UINT id, UINT, HWND control)
{
    // Commands come from the menu and the accelerators; control notifications are not ours.
    if (control) return false;
    if (view && view->Commands().Execute(id)) return true;
    return frameCommands.Execute(id);
}

bool CFrameWindow::OnInitMenuPopup(HMENU popup)
{
    if (view) view->Commands().UpdateMenu(popup);
    frameCommands.UpdateMenu(popup);
    return true;
}

bool CFrameWindow::OnSetFocus()
{
    if (!view || !view->Handle()) return false;
    SetFocus(view->Handle());
    return true;
}

void CFrameWindow::PostNcDestroy()
{
    // The view's window went before the frame's; its object goes with the frame's window.
    view.reset();
}
