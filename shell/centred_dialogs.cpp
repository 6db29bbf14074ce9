#include "shell/centred_dialogs.h"

#include <algorithm>

namespace {

const wchar_t kDialogClass[] = L"#32770";
const wchar_t kCentredMark[] = L"Tessaron.Centred";

bool IsTopLevelDialog(HWND window)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    return lstrcmpW(className, kDialogClass) == 0 && !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD);
}

LRESULT CALLBACK CentreOnActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        // Once per window: activation comes again each time the player returns to the dialog.
        if (IsTopLevelDialog(window) && !GetPropW(window, kCentredMark)) {
            SetPropW(window, kCentredMark, reinterpret_cast<HANDLE>(1));
            CentreOnOwner(window, GetWindow(window, GW_OWNER));
        }
    } else if (code == HCBT_DESTROYWND) {
        RemovePropW(reinterpret_cast<HWND>(wParam), kCentredMark);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

RECT WorkAreaNear(const RECT& area)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

} // namespace

void CentreOnOwner(HWND window, HWND owner)
{
    RECT own{};
    if (!GetWindowRect(window, &own)) return;
    RECT target{};
    const bool ownerShown =
        owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &target);
    const RECT work = WorkAreaNear(ownerShown ? target : own);
    if (!ownerShown) target = work;

    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG left = (target.left + target.right - width) / 2;
    LONG top = (target.top + target.bottom - height) / 2;
    left = std::max(work.left, std::min(left, work.right - width));
    top = std::max(work.top, std::min(top, work.bottom - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CCentredDialogs::CCentredDialogs()
    : hook(SetWindowsHookExW(WH_CBT, CentreOnActivation, nullptr, GetCurrentThreadId()))
{
}

CCentredDialogs::~CCentredDialogs()
{
    if (hook) UnhookWindowsHookEx(hook);
}
