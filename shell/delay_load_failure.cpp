#include "shell/delay_load_failure.h"

#include "shell/app_frame_wnd.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dinput.h>
#include <shellapi.h>

#include <cstring>
#include <string>

namespace {

delay_load_testing::Presenter presenter = nullptr;

// Each substitute has its function's exact signature, so it is called correctly, and answers
// as the function does when it fails.
/// The dialogs then show the system's classic controls.
BOOL WINAPI NoCommonControls(const INITCOMMONCONTROLSEX*)
{
    return FALSE;
}

BOOL WINAPI NoColourChooser(LPCHOOSECOLORW)
{
    return FALSE;
}

BOOL WINAPI NoFileChooser(LPOPENFILENAMEW)
{
    return FALSE;
}

/// 0: the chooser was cancelled, nothing to report.
DWORD WINAPI NoChooserError()
{
    return 0;
}

HWND WINAPI NoHelpViewer(HWND, LPCWSTR, UINT, DWORD_PTR)
{
    return nullptr;
}

HINSTANCE WINAPI NoShellExecute(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)
{
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

HRESULT WINAPI NoDirectInput(HINSTANCE, DWORD, REFIID, LPVOID* out, LPUNKNOWN)
{
    if (out) *out = nullptr;
    return DIERR_GENERIC;
}

DWORD WINAPI TickCountForTimeGetTime()
{
    return GetTickCount();
}

template <typename Function> FARPROC AsFarProc(Function* function)
{
    // Through the one function type that any function pointer converts to without a warning.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

/// What the player is told is lost with a command's library.
constexpr wchar_t kCommandLost[] = L"Эта команда недоступна; игра продолжается.";

struct Substitute {
    const char* name;
    FARPROC function;
    bool tellPlayer; ///< false when the substitute does the function's whole work
    const wchar_t* lost = kCommandLost;
};

/// One for every function the delay-import definitions name.
const Substitute kSubstitutes[] = {
    {"InitCommonControlsEx", AsFarProc(NoCommonControls), false},
    {"ChooseColorW", AsFarProc(NoColourChooser), true},
    {"GetOpenFileNameW", AsFarProc(NoFileChooser), true},
    {"CommDlgExtendedError", AsFarProc(NoChooserError), false}, // asked only after a chooser, which told
    {"HtmlHelpW", AsFarProc(NoHelpViewer), true},
    {"ShellExecuteW", AsFarProc(NoShellExecute), true},
    {"DirectInput8Create", AsFarProc(NoDirectInput), true,
     L"Кубик не будет поворачиваться мышью; игра продолжается."},
    {"timeGetTime", AsFarProc(TickCountForTimeGetTime), false},
};

const Substitute* SubstituteFor(const DelayLoadInfo& info)
{
    if (!info.dlp.fImportByName || !info.dlp.szProcName) return nullptr;
    for (const Substitute& substitute : kSubstitutes)
        if (std::strcmp(substitute.name, info.dlp.szProcName) == 0) return &substitute;
    return nullptr;
}

/// Stands for a library that could not be loaded: the helper keeps it as the library's handle
/// and looks every function up in it, which fails, so each function reaches its substitute.
/// The program's own module exports none of them.
HMODULE StandInModule()
{
    return GetModuleHandleW(nullptr);
}

std::wstring Widen(const char* ascii)
{
    std::wstring text;
    for (const char* c = ascii ? ascii : ""; *c; ++c)
        text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return text;
}

void TellPlayer(const DelayLoadInfo& info, const Substitute& substitute)
{
    const std::wstring library = Widen(info.szDll);
    std::wstring text =
        info.hmodCur == StandInModule()
            ? L"Не удалось загрузить системную библиотеку " + library + L"."
            : L"В системной библиотеке " + library + L" нет функции " + Widen(info.dlp.szProcName) + L".";
    text += L"\n";
    text += substitute.lost;
    if (presenter)
        presenter(text.c_str());
    else
        MessageBoxW(GetActiveWindow(), text.c_str(), kAppWindowTitle, MB_OK | MB_ICONWARNING);
}

/// For a library that cannot be loaded, the stand-in module; for a missing function, its
/// substitute, after the player's message. Null (the helper's exception) only for a function
/// without a substitute.
FARPROC WINAPI DelayLoadFailureHook(unsigned notification, PDelayLoadInfo info)
{
    if (!info) return nullptr;
    if (notification == dliFailLoadLib) return reinterpret_cast<FARPROC>(StandInModule());
    if (notification != dliFailGetProc) return nullptr;
    const Substitute* substitute = SubstituteFor(*info);
    if (!substitute) return nullptr;
    if (substitute->tellPlayer) TellPlayer(*info, *substitute);
    return substitute->function;
}

} // namespace

void InstallDelayLoadFailureHook()
{
    __pfnDliFailureHook2 = DelayLoadFailureHook;
}

void delay_load_testing::Capture(Presenter newPresenter)
{
    presenter = newPresenter;
}
