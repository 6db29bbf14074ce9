#include "framework/app_error.h"

#include <d3d9.h>

namespace {

const char kFatalSuffix[] = "\n\nThis sample will now exit.";
const char kReferenceSuffix[] =
    "\n\nSwitching to the reference rasterizer,\na software device that implements "
    "the entire\nDirect3D feature set, but runs very slowly.";

/// Set by the first fatal message of the run.
bool fatalMessageShown = false;
error_box_testing::Presenter presenter = nullptr;

/// The window a box about `renderWindow` belongs to: the top-level window it is drawn in (the
/// frame in a window, the full-screen popup in full screen), or none once that window is gone.
HWND BoxOwner(HWND renderWindow)
{
    return renderWindow && IsWindow(renderWindow) ? GetAncestor(renderWindow, GA_ROOT) : nullptr;
}

/// While a box shows, the application's main window is disabled as well as the box's owner:
/// in full screen the owner is the popup, and a close of the enabled main window would destroy
/// the popup, the box and the objects waiting for the box to return. Enabled again as it was.
class CMainWindowDisabled {
public:
    explicit CMainWindowDisabled(HWND owner)
    {
        HWND root = owner ? GetAncestor(owner, GA_ROOTOWNER) : nullptr;
        if (root && root != owner && IsWindowEnabled(root)) {
            mainWindow = root;
            EnableWindow(mainWindow, FALSE);
        }
    }
    ~CMainWindowDisabled()
    {
        if (mainWindow && IsWindow(mainWindow)) EnableWindow(mainWindow, TRUE);
    }
    CMainWindowDisabled(const CMainWindowDisabled&) = delete;
    CMainWindowDisabled& operator=(const CMainWindowDisabled&) = delete;

private:
    HWND mainWindow = nullptr;
};

void PresentBox(const std::wstring& text, const wchar_t* caption, UINT type, HWND renderWindow)
{
    // A message box's loop ends at once when it meets WM_QUIT. At exit (a device released with
    // references left) the quit is already waiting, and the box would vanish unseen: it is taken
    // out while the box shows and put back, with its exit code, afterwards.
    MSG quit;
    const bool quitPending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    // Owned, the box is modal: the game's windows take no clicks, keys or closes while it shows.
    HWND owner = BoxOwner(renderWindow);
    {
        CMainWindowDisabled disabled(owner);
        if (presenter)
            presenter(text.c_str(), caption, type);
        else
            MessageBoxW(owner, text.c_str(), caption, type);
    }
    if (quitPending) PostQuitMessage(static_cast<int>(quit.wParam));
}

/// Closes the application that renderWindow belongs to the way the player's close does: through
/// its top-level window. The render window itself is a child view or an owned full-screen popup,
/// and neither of them ends the application when asked to close. The request is posted, since
/// the error arises inside the application's own handlers, which must finish before the windows
/// they run in are destroyed.
void CloseApplication(HWND renderWindow)
{
    PostMessageW(GetAncestor(renderWindow, GA_ROOTOWNER), WM_CLOSE, 0, 0);
}

} // namespace

const char* ErrorText(HRESULT code)
{
    switch (code) {
    case AppError::NoDirect3D:
        return "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX "
               "is correctly installed on your\nsystem.  Also make sure that this program\nwas compiled "
               "with header files that match\nthe installed DirectX DLLs.";
    case AppError::NoCompatibleDevices:
        return "Could not find any compatible Direct3D\ndevices.";
    case AppError::NoWindowableDevices:
        return "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease "
               "change your desktop settings to a\n16- or 32-bit display mode and re-run this\nsample.";
    case AppError::NoHardwareDevice:
        return "No hardware-accelerated Direct3D devices\nwere found.";
    case AppError::HalNotCompatible:
        return "This sample requires functionality that is\nnot available on your Direct3D "
               "hardware\naccelerator.";
    case AppError::NoWindowedHal:
        return "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app "
               "is running to see a\nlist of available devices and modes.";
    case AppError::NoDesktopHal:
        return "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop "
               "display settings.\nPress F2 while the app is running to see a\nlist of available devices "
               "and modes.";
    case AppError::NoHalThisMode:
        return "This sample requires functionality that is\nnot available on your Direct3D "
               "hardware\naccelerator with the current desktop display\nsettings.\nPress F2 while the app "
               "is running to see a\nlist of available devices and modes.";
    case AppError::NonZeroRefCount:
        return "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned "
               "up).";
    case AppError::MediaNotFound:
    case kFileNotFoundResult:
        return "Could not load required media.";
    case AppError::ResetFailed:
        return "Could not reset the Direct3D device.";
    case AppError::NullReference:
        return "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but "
               "your\ncomputer only has a reduced-functionality reference device\ninstalled.  Install "
               "the DirectX SDK to get the full\nreference device.\n";
    case E_OUTOFMEMORY:
        return "Not enough memory.";
    case D3DERR_OUTOFVIDEOMEMORY:
        return "Not enough video memory.";
    default:
        return "Generic application error. Enable\ndebug output for detailed information.";
    }
}

std::wstring ErrorMessage(HRESULT code, MessageKind kind)
{
    std::string text = ErrorText(code);
    if (kind == MessageKind::Fatal) text += kFatalSuffix;
    if (kind == MessageKind::SwitchToReference) text += kReferenceSuffix;
    // The texts are plain ASCII, so each byte is one character.
    return std::wstring(text.begin(), text.end());
}

HRESULT ReportError(HRESULT code, MessageKind kind, const wchar_t* caption, HWND renderWindow)
{
    if (fatalMessageShown) return code;
    const std::wstring text = ErrorMessage(code, kind);
    if (kind == MessageKind::Fatal) {
        fatalMessageShown = true;
        PresentBox(text, caption, MB_ICONERROR, renderWindow);
        if (renderWindow && IsWindow(renderWindow)) CloseApplication(renderWindow);
    } else {
        PresentBox(text, caption, MB_ICONWARNING, renderWindow);
    }
    return code;
}

void error_box_testing::Capture(Presenter newPresenter)
{
    presenter = newPresenter;
    fatalMessageShown = false;
}
