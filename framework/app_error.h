#pragma once
// The framework's failure codes, their English messages and the message box that shows
// them. A fatal message is shown at most once per run; after it every later report is
// silent, since the application is already closing.

#include <windows.h>

#include <string>

/// Failure codes of the 3D framework (negative HRESULT values).
namespace AppError {
constexpr HRESULT NoDirect3D = static_cast<HRESULT>(0x82000001);
constexpr HRESULT NoCompatibleDevices = static_cast<HRESULT>(0x82000003);
constexpr HRESULT NoWindowableDevices = static_cast<HRESULT>(0x82000004);
constexpr HRESULT NoHardwareDevice = static_cast<HRESULT>(0x82000005);
constexpr HRESULT HalNotCompatible = static_cast<HRESULT>(0x82000006);
constexpr HRESULT NoWindowedHal = static_cast<HRESULT>(0x82000007);
constexpr HRESULT NoDesktopHal = static_cast<HRESULT>(0x82000008);
constexpr HRESULT NoHalThisMode = static_cast<HRESULT>(0x82000009);
constexpr HRESULT NonZeroRefCount = static_cast<HRESULT>(0x8200000A);
constexpr HRESULT MediaNotFound = static_cast<HRESULT>(0x8200000B);
constexpr HRESULT ResetFailed = static_cast<HRESULT>(0x8200000C);
constexpr HRESULT NullReference = static_cast<HRESULT>(0x8200000D);
} // namespace AppError

/// The platform's file-not-found result, treated like MediaNotFound.
constexpr HRESULT kFileNotFoundResult = static_cast<HRESULT>(0x80070002);

enum class MessageKind { Warning = 0, Fatal = 1, SwitchToReference = 2 };

/// The message for code without any suffix.
const char* ErrorText(HRESULT code);
/// The message for code with the suffix of kind.
std::wstring ErrorMessage(HRESULT code, MessageKind kind);

/// Shows the message for code once fatal messages have not been shown yet, in a box owned by the
/// top-level window renderWindow is in (the frame, or the full-screen popup), with the
/// application's main window disabled too until the box is closed; a fatal one then posts
/// WM_CLOSE to that main window (when there is one), which closes the application as the
/// player's close does. Returns code.
HRESULT ReportError(HRESULT code, MessageKind kind, const wchar_t* caption, HWND renderWindow);

/// Test seam: routes the boxes to presenter instead of MessageBoxW (nullptr restores the box;
/// the windows are disabled for a routed box as for a real one)
/// and forgets that a fatal message was shown.
namespace error_box_testing {
using Presenter = void (*)(const wchar_t* text, const wchar_t* caption, UINT type);
void Capture(Presenter presenter);
} // namespace error_box_testing
