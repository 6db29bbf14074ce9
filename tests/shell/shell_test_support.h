#pragma once
// Helpers of the shell's tests: the game's own resources (read from the game's executable in
// the game folder, the tests' working directory), a form view that records what reaches it,
// message pumping through the window objects, and a driver for modal dialogs.

#include "shell/form_view.h"
#include "shell/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace shell_test {

/// Makes the shell load menus, dialogs and pictures from the game's executable (once).
inline HMODULE UseGameResources()
{
    static HMODULE module = LoadLibraryExW(L"tessaron.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) SetResourceInstance(module);
    return module;
}

/// Handles every queued message the way the program's loop does.
inline void PumpPending()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!PreTranslateWindowMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

/// A form from template 102 that records its creation steps and the commands it runs.
class RecordingForm : public CFormView {
public:
    RecordingForm() : CFormView(102) {}
    ~RecordingForm() override
    {
        if (gone) *gone = true;
    }
    std::vector<std::string> steps;
    bool refuseCreation = false;
    bool* gone = nullptr; ///< set when the object is destroyed

    void OnInitialUpdate() override { steps.push_back("initial update"); }

protected:
    bool OnCreateForm() override
    {
        steps.push_back("create");
        return !refuseCreation;
    }
};

/// The dialog of this thread that is showing now (top-level windows only), or null.
inline HWND FindShowingDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

/// Opens a modal dialog with `open` and, once it shows, runs `script` on it from inside its
/// modal loop. The script should end the dialog; if it does not, the dialog is cancelled (and
/// `cancelledHere`, when given, is set).
inline INT_PTR RunDialogScript(const std::function<INT_PTR()>& open, const std::function<void(HWND)>& script,
                               bool* cancelledHere = nullptr)
{
    static const std::function<void(HWND)>* pending = nullptr;
    static int ticks = 0;
    static bool* cancelled = nullptr;
    pending = &script;
    ticks = 0;
    cancelled = cancelledHere;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindShowingDialog();
        if (!dialog) return;
        if (pending) {
            const auto* run = pending;
            pending = nullptr;
            (*run)(dialog);
        } else if (++ticks > 50) {
            if (cancelled) *cancelled = true;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    INT_PTR result = open();
    KillTimer(nullptr, timer);
    pending = nullptr;
    cancelled = nullptr;
    return result;
}

/// Types characters into a control as the keyboard would deliver them.
inline void TypeText(HWND control, const std::wstring& text)
{
    for (wchar_t c : text)
        SendMessageW(control, WM_CHAR, c, 1);
}

inline std::wstring TextOf(HWND window)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

} // namespace shell_test
