#include "shell/help_viewer.h"

#include "framework/child_window_presenter.h"
#include "shell/app_frame_wnd.h"

#include <htmlhelp.h>
#include <shellapi.h>

namespace {

std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

/// The folder part of a path, with its trailing backslash.
std::wstring FolderOf(const std::wstring& path)
{
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

std::wstring HelpFilePath()
{
    std::wstring path = ModulePath();
    std::size_t slash = path.find_last_of(L"\\/");
    std::size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
    return path + L".CHM";
}

std::wstring HelpIndexPagePath()
{
    return FolderOf(ModulePath()) + L"help\\index.html";
}

HWND OpenHelpViewer(HWND owner, const std::wstring& file)
{
    HWND viewer = HtmlHelpW(owner, file.c_str(), HH_DISPLAY_TOPIC, 0);
    // The help file's title is Windows-1251 text, which the viewer reads with the system's ANSI
    // code page: anywhere but on a Russian system the caption came out garbled.
    if (viewer) SetWindowTextW(viewer, kAppWindowTitle);
    return viewer;
}

void OpenHelp(HWND owner)
{
    // The viewer's window is its own; a missing file shows the viewer's own message.
    OpenHelpViewer(owner, HelpFilePath());
    if (RunningUnderWine()) {
        // winebrowser hands the page to the host's browser; its result is not worth a message.
        std::wstring page = L"\"" + HelpIndexPagePath() + L"\"";
        ShellExecuteW(owner, nullptr, L"winebrowser", page.c_str(), nullptr, SW_SHOWNORMAL);
    }
}
