#include "shell/window.h"

namespace {

const wchar_t kObjectProperty[] = L"TessaronWindowObject";

HINSTANCE resourceInstance = nullptr;

/// Dialog procedures return these messages' results directly instead of through DWLP_MSGRESULT.
bool IsDirectDialogResult(UINT message)
{
    return message == WM_INITDIALOG || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_QUERYDRAGICON;
}

} // namespace

HINSTANCE ResourceInstance()
{
    return resourceInstance ? resourceInstance : GetModuleHandleW(nullptr);
}

void SetResourceInstance(HINSTANCE module)
{
    resourceInstance = module;
}

CWindow::~CWindow()
{
    if (hwnd) {
        HWND window = hwnd;
        Detach();
        DestroyWindow(window);
    }
}

CWindow* CWindow::FromHandle(HWND window)
{
    return window ? static_cast<CWindow*>(GetPropW(window, kObjectProperty)) : nullptr;
}

bool CWindow::PreTranslateMessage(MSG&)
{
    return false;
}

bool CWindow::CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                                 int x, int y, int width, int height, HWND parent, HMENU menu)
{
    HWND window = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                  GetModuleHandleW(nullptr), this);
    return window != nullptr && window == hwnd;
}

void CWindow::Attach(HWND window)
{
    hwnd = window;
    SetPropW(window, kObjectProperty, this);
}

void CWindow::Detach()
{
    RemovePropW(hwnd, kObjectProperty);
    hwnd = nullptr;
}

bool CWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        result = OnCreate(*reinterpret_cast<CREATESTRUCTW*>(lParam));
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;
    case WM_CLOSE:
        return OnClose();
    case WM_ENABLE:
        OnEnable(wParam != 0);
        return false;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SIZE:
        return OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        result = 1;
        return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_KEYDOWN:
        return OnKeyDown(static_cast<UINT>(wParam), lParam);
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_INITMENUPOPUP:
        return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
    case WM_SETFOCUS:
        return OnSetFocus();
    case WM_INITDIALOG:
        result = OnInitDialog() ? TRUE : FALSE;
        return true;
    default:
        return false;
    }
}

bool CWindow::DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    try {
        return OnMessage(message, wParam, lParam, result);
    } catch (...) {
        // Nothing may unwind through the system's code; the message falls back to the default.
        result = 0;
        return false;
    }
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindow* object = FromHandle(window);
    if (!object && message == WM_NCCREATE) {
        object = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (object) object->Attach(window);
    }
    if (!object) return DefWindowProcW(window, message, wParam, lParam);

    LRESULT result = 0;
    if (!object->DispatchToHandlers(message, wParam, lParam, result))
        result = DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        object->Detach();
        object->PostNcDestroy();
    }
    return result;
}

INT_PTR CALLBACK CWindow::StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindow* object = FromHandle(dialog);
    if (!object && message == WM_INITDIALOG) {
        object = reinterpret_cast<CWindow*>(lParam);
        if (object) object->Attach(dialog);
    }
    if (!object) return FALSE;

    LRESULT result = 0;
    bool handled = object->DispatchToHandlers(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        object->Detach();
        object->PostNcDestroy();
    }
    if (!handled) return FALSE;
    if (IsDirectDialogResult(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

bool PreTranslateWindowMessage(MSG& message)
{
    for (HWND window = message.hwnd; window; window = GetParent(window)) {
        CWindow* object = CWindow::FromHandle(window);
        // A handler may destroy the window it was asked about, so stop at the first taker.
        if (object && object->PreTranslateMessage(message)) return true;
    }
    return false;
}
