#include "shell/splash_window.h"

#include "resources/resource.h"

namespace {

const wchar_t kSplashClass[] = L"TessaronSplash";
const wchar_t kRegionType[] = L"BIN";

/// The shape of the splash as stored in the resources.
HRGN LoadSplashRegion()
{
    HINSTANCE module = ResourceInstance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_SPLASH_REGION), kRegionType);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    // Resources are released with their module; there is nothing to free here.
    return data ? RegionFromData(data, SizeofResource(module, found)) : nullptr;
}

} // namespace

CSplashWnd* CSplashWnd::splashWnd = nullptr;
bool CSplashWnd::showSplash = false;

HRGN RegionFromData(const void* data, DWORD size)
{
    if (!data || size < sizeof(RGNDATAHEADER)) return nullptr;
    const auto* header = static_cast<const RGNDATAHEADER*>(data);
    if (header->dwSize != sizeof(RGNDATAHEADER) || header->iType != RDH_RECTANGLES) return nullptr;
    if (header->nCount > (size - sizeof(RGNDATAHEADER)) / sizeof(RECT)) return nullptr;
    DWORD used = static_cast<DWORD>(sizeof(RGNDATAHEADER) + header->nCount * sizeof(RECT));
    return ExtCreateRegion(nullptr, used, static_cast<const RGNDATA*>(data));
}

bool CSplashWnd::IsClosingMessage(UINT message)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_MOUSEMOVE:
        return true;
    default:
        return false;
    }
}

void CSplashWnd::ShowSplash(HWND parent)
{
    if (!showSplash || splashWnd) return;
    auto* splash = new CSplashWnd;
    splashWnd = splash;
    if (!splash->Create(parent)) {
        delete splash;
        return;
    }
    UpdateWindow(splash->hwnd);
}

bool CSplashWnd::CloseSplashIfOpen()
{
    if (!splashWnd) return false;
    splashWnd->HideSplash();
    return true;
}

CSplashWnd::~CSplashWnd()
{
    if (splashWnd == this) splashWnd = nullptr;
}

bool CSplashWnd::Create(HWND parent)
{
    bitmap.Reset(static_cast<HBITMAP>(
        LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (!bitmap) return false;
    BITMAP info{};
    if (!GetObjectW(bitmap.Get(), sizeof info, &info)) return false;

    WNDCLASSEXW windowClass{};
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kSplashClass, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = StaticWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kSplashClass;
        if (!RegisterClassExW(&windowClass)) return false;
    }
    mainWindow = parent;
    GetCursorPos(&cursorAtOpen);
    created = CreateWindowObject(0, kSplashClass, L"", WS_POPUP, 0, 0, info.bmWidth, info.bmHeight, parent, nullptr);
    // Shown without taking the activation: Wine without a window manager treats an activated popup
    // as managed and, when it goes, waits two seconds for a window manager that never answers.
    // Nothing else is active this early, and the main window takes the activation when it shows.
    if (created) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return created;
}

int CSplashWnd::OnCreate(CREATESTRUCTW&)
{
    CGdiObject<HRGN> region(LoadSplashRegion());
    // From SetWindowRgn on the window owns the region.
    if (region && SetWindowRgn(hwnd, region.Get(), TRUE)) region.Release();
    CenterOnWorkArea();
    return 0;
}

void CSplashWnd::CenterOnWorkArea()
{
    RECT area{};
    if (mainWindow && IsWindowVisible(mainWindow) && !IsIconic(mainWindow))
        GetWindowRect(mainWindow, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own{};
    GetWindowRect(hwnd, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CSplashWnd::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
        BITMAP info{};
        GetObjectW(bitmap.Get(), sizeof info, &info);
        {
            CSelectObject select(memory, bitmap.Get());
            BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        }
        DeleteDC(memory);
    }
    EndPaint(hwnd, &paint);
    return true;
}

bool CSplashWnd::PreTranslateMessage(MSG& message)
{
    if (!splashWnd || !IsClosingMessage(message.message)) return false;
    // The system reports a "move" when the splash appears under a resting cursor; only a
    // real move closes it, or the picture would vanish at once whenever the cursor is there.
    if (message.message == WM_MOUSEMOVE && message.pt.x == cursorAtOpen.x && message.pt.y == cursorAtOpen.y)
        return false;
    HideSplash();
    return true;
}

void CSplashWnd::HideSplash()
{
    // Destroying the window deletes this object, so keep what is needed afterwards.
    HWND shown = mainWindow;
    DestroyWindow(hwnd);
    if (shown && IsWindow(shown)) {
        ShowWindow(shown, SW_SHOW);
        UpdateWindow(shown);
    }
}

void CSplashWnd::PostNcDestroy()
{
    // A window that failed during creation leaves the object to ShowSplash.
    if (created) delete this;
}
