#include "support/graphics_test_host.h"

#include <algorithm>
#include <map>

namespace {

const wchar_t kViewClass[] = L"TessaronTestView";
const wchar_t kPopupClass[] = L"TessaronTestPopup";

std::vector<ErrorBoxCapture::Box> capturedBoxes;
std::map<UINT, int> viewMessages;

void CaptureBox(const wchar_t* text, const wchar_t* caption, UINT type)
{
    capturedBoxes.push_back({text, caption ? caption : L"", type});
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++viewMessages[message];
    // Closing is the test's business: a fatal message must not destroy the window under it.
    if (message == WM_CLOSE) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses()
{
    static bool registered = false;
    if (registered) return;
    WNDCLASSW view{};
    view.lpfnWndProc = ViewProc;
    view.hInstance = GetModuleHandleW(nullptr);
    view.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    view.lpszClassName = kViewClass;
    RegisterClassW(&view);
    WNDCLASSW popup = view;
    popup.lpfnWndProc = DefWindowProcW;
    popup.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    popup.lpszClassName = kPopupClass;
    RegisterClassW(&popup);
    registered = true;
}

} // namespace

ErrorBoxCapture::ErrorBoxCapture()
{
    capturedBoxes.clear();
    error_box_testing::Capture(CaptureBox);
}

void ErrorBoxCapture::Reset()
{
    capturedBoxes.clear();
    error_box_testing::Capture(CaptureBox);
}

ErrorBoxCapture::~ErrorBoxCapture()
{
    error_box_testing::Capture(nullptr);
}

const std::vector<ErrorBoxCapture::Box>& ErrorBoxCapture::Boxes() const
{
    return capturedBoxes;
}

TestWindows::TestWindows()
{
    RegisterClasses();
    viewMessages.clear();
    // Without a window manager Wine waits two seconds for a captioned window to be withdrawn
    // when it is hidden or destroyed; a borderless one goes at once unless it is active.
    view = CreateWindowExW(0, kViewClass, L"Tessaron test view", WS_POPUP, kViewLeft, kViewTop, kViewWidth,
                           kViewHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    popup = CreateWindowExW(0, kPopupClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, view,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(view, SW_SHOWNOACTIVATE);
    UpdateWindow(view);
    PumpMessages();
}

TestWindows::~TestWindows()
{
    DestroyWindow(popup);
    DestroyWindow(view);
    PumpMessages();
}

void TestWindows::Restore()
{
    ShowWindow(popup, SW_HIDE);
    if (IsIconic(view)) ShowWindow(view, SW_SHOWNOACTIVATE);
    SetWindowPos(view, nullptr, kViewLeft, kViewTop, kViewWidth, kViewHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    viewMessages.clear();
}

TestWindows& SharedTestWindows()
{
    static TestWindows* windows = new TestWindows; // left for the process exit, see the header
    windows->Restore();
    return *windows;
}

int TestWindows::Received(UINT message) const
{
    auto found = viewMessages.find(message);
    return found == viewMessages.end() ? 0 : found->second;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Resize(HWND window, int width, int height)
{
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
}

RecordingApp::RecordingApp(TestWindows& windows) : windows(windows)
{
    mainWindow = windows.view;
    focusWindow = windows.popup;
    enumeration.usesDepthBuffer = true;
}

RecordingApp::~RecordingApp()
{
    DestroyGraphics();
}

HRESULT RecordingApp::ApplyWindowMode()
{
    calls.push_back(windowed ? "ApplyWindowMode(windowed)" : "ApplyWindowMode(full screen)");
    if (windowed) {
        mainWindow = windows.view; // the popup goes once the device has left full screen
    } else {
        if (IsIconic(windows.popup)) ShowWindow(windows.popup, SW_RESTORE);
        ShowWindow(windows.popup, SW_SHOWNA);
        mainWindow = windows.popup;
    }
    return S_OK;
}

void RecordingApp::WindowedModeRestored()
{
    ShowWindow(windows.popup, SW_HIDE);
}

HRESULT RecordingApp::OnDeviceReset()
{
    HRESULT result = deviceResetResult;
    if (FAILED(result) && deviceResetFailures >= 0) {
        if (deviceResetFailures == 0)
            result = S_OK;
        else
            --deviceResetFailures;
    }
    return Record("OnDeviceReset", result);
}

int RecordingApp::Count(const std::string& name) const
{
    return static_cast<int>(std::count(calls.begin(), calls.end(), name));
}

HRESULT RecordingApp::Record(const char* name, HRESULT result)
{
    calls.push_back(name);
    return result;
}
