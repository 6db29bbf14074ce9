#include "framework/app_error.h"
#include "support/graphics_test_host.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kFatalSuffix = L"\n\nThis sample will now exit.";

class ShowErrorBoxes : public testing::Test {
protected:
    ErrorBoxCapture capture;
    TestWindows& windows = SharedTestWindows();
    RecordingApp app{windows};
};

} // namespace

TEST_F(ShowErrorBoxes, FatalShowsOnceWithSuffixAndClosesTheApplicationsTopLevelWindow)
{
    app.windowTitle = L"Caption";
    // In full screen the render window is the popup the top-level window owns; closing the
    // popup would only leave full screen.
    app.mainWindow = windows.popup;
    EXPECT_EQ(app.ShowError(E_OUTOFMEMORY, MessageKind::Fatal), E_OUTOFMEMORY);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Not enough memory." + kFatalSuffix);
    EXPECT_EQ(capture.Boxes()[0].caption, L"Caption");
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    PumpMessages(); // posted: the handler that met the error finishes first
    EXPECT_EQ(windows.Received(WM_CLOSE), 1);
    EXPECT_TRUE(IsWindow(windows.popup)) << "the popup was asked to close";

    EXPECT_EQ(app.ShowError(AppError::ResetFailed, MessageKind::Fatal), AppError::ResetFailed);
    EXPECT_EQ(app.ShowError(AppError::NullReference, MessageKind::Warning), AppError::NullReference);
    EXPECT_EQ(capture.Boxes().size(), 1u) << "nothing is shown after a fatal message";
    PumpMessages();
    EXPECT_EQ(windows.Received(WM_CLOSE), 1);
}

TEST_F(ShowErrorBoxes, WarningHasNoSuffixAndClosesNothing)
{
    app.ShowError(AppError::ResetFailed, MessageKind::Warning);
    app.ShowError(AppError::MediaNotFound, MessageKind::SwitchToReference);
    ASSERT_EQ(capture.Boxes().size(), 2u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Could not reset the Direct3D device.");
    EXPECT_EQ(capture.Boxes()[0].type, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(
        capture.Boxes()[1].text,
        L"Could not load required media.\n\nSwitching to the reference rasterizer,\na software device that "
        L"implements the entire\nDirect3D feature set, but runs very slowly.");
    EXPECT_EQ(capture.Boxes()[1].type, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(windows.Received(WM_CLOSE), 0);
}

TEST_F(ShowErrorBoxes, FatalWithoutMainWindowOnlyShows)
{
    app.mainWindow = nullptr;
    app.ShowError(AppError::NoDirect3D, MessageKind::Fatal);
    EXPECT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(windows.Received(WM_CLOSE), 0);
}

TEST(ErrorBoxAtExit, ShowsWhileTheQuitWaitsAndKeepsItsExitCode)
{
    error_box_testing::Capture(nullptr); // the real box, no fatal message so far
    static bool shown = false;
    // Runs inside the box's own loop, if it has one.
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND box = FindWindowW(L"#32770", L"Exit")) {
            shown = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    PostQuitMessage(5); // the main window is gone: the loop is to end
    ReportError(AppError::NonZeroRefCount, MessageKind::Fatal, L"Exit", nullptr);
    KillTimer(nullptr, timer);
    error_box_testing::Capture(nullptr);
    EXPECT_TRUE(shown) << "the box vanished unseen";
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 5u);
}

TEST(ErrorText, CodesMapToTheirMessages)
{
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x80004005)),
                 "Generic application error. Enable\ndebug output for detailed information.");
    EXPECT_STREQ(ErrorText(S_OK), ErrorText(static_cast<HRESULT>(0x80004005)));
    EXPECT_STREQ(ErrorText(kFileNotFoundResult), "Could not load required media.");
    EXPECT_STREQ(ErrorText(AppError::MediaNotFound), "Could not load required media.");
    EXPECT_STREQ(ErrorText(D3DERR_OUTOFVIDEOMEMORY), "Not enough video memory.");
    EXPECT_STREQ(ErrorText(AppError::NoCompatibleDevices),
                 "Could not find any compatible Direct3D\ndevices.");
    EXPECT_STREQ(
        ErrorText(AppError::NonZeroRefCount),
        "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).");
    EXPECT_STREQ(
        ErrorText(AppError::NoDirect3D),
        "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is "
        "correctly installed on your\nsystem.  Also make sure that this program\nwas compiled with "
        "header files that match\nthe installed DirectX DLLs.");
    EXPECT_STREQ(ErrorText(AppError::NullReference),
                 "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\n"
                 "computer only has a reduced-functionality reference device\ninstalled.  Install the "
                 "DirectX SDK to get the full\nreference device.\n");

    // Every framework code has a text of its own.
    const HRESULT codes[] = {
        AppError::NoDirect3D,       AppError::NoCompatibleDevices, AppError::NoWindowableDevices,
        AppError::NoHardwareDevice, AppError::HalNotCompatible,    AppError::NoWindowedHal,
        AppError::NoDesktopHal,     AppError::NoHalThisMode,       AppError::NonZeroRefCount,
        AppError::MediaNotFound,    AppError::ResetFailed,         AppError::NullReference};
    for (HRESULT a : codes) {
        for (HRESULT b : codes) {
            if (a != b) {
                EXPECT_STRNE(ErrorText(a), ErrorText(b)) << std::hex << a << " " << b;
            }
        }
    }
    EXPECT_EQ(static_cast<unsigned long>(AppError::ResetFailed), 0x8200000Cul);
}
