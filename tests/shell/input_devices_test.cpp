// Needs a display: the devices are bound to a real window in the foreground.
#include "shell/input_devices.h"

#include <gtest/gtest.h>

namespace {

class InputWindow : public testing::Test {
  protected:
    /// One shown window for the whole program. Without a window manager Wine waits two seconds
    /// when an active window is destroyed, so it is left for the process exit.
    static void SetUpTestSuite()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TessaronInputTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"TessaronInputTest", L"Tessaron input test", WS_POPUP, 50, 50, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    void SetUp() override { ASSERT_NE(window, nullptr); }

    static HWND window;
};

HWND InputWindow::window = nullptr;

} // namespace

TEST_F(InputWindow, CreatesKeyboardAndMouseWithTheirDataFormats)
{
    InputDevices devices;
    ASSERT_EQ(CreateInputDevices(devices, window), S_OK);
    ASSERT_TRUE(devices.directInput && devices.keyboard && devices.mouse);

    BYTE keys[256];
    EXPECT_EQ(devices.keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    DIMOUSESTATE2 mouse;
    EXPECT_EQ(devices.mouse->GetDeviceState(sizeof mouse, &mouse), DI_OK);
    DIMOUSESTATE shortMouse;
    EXPECT_TRUE(FAILED(devices.mouse->GetDeviceState(sizeof shortMouse, &shortMouse)))
        << "the mouse delivers the extended state, not the four-button one";

    EXPECT_EQ(BindInputDevices(devices, window), S_OK);
    EXPECT_EQ(devices.keyboard->GetDeviceState(sizeof keys, keys), DI_OK)
        << "still acquired after re-binding";

    ReleaseInputDevices(devices);
    EXPECT_FALSE(devices.directInput || devices.keyboard || devices.mouse);
    ReleaseInputDevices(devices); // empty handles are skipped
}

TEST_F(InputWindow, FailureKeepsWhatWasCreated)
{
    InputDevices devices;
    EXPECT_TRUE(FAILED(CreateInputDevices(devices, nullptr))) << "no window to bind to";
    EXPECT_TRUE(devices.directInput);
    EXPECT_TRUE(devices.keyboard) << "created before the failing step; released at clean-up";
    EXPECT_FALSE(devices.mouse);
}

TEST_F(InputWindow, AWindowNotYetInTheForegroundStillGetsBothDevices)
{
    // While the splash shows, the main window is hidden and cannot acquire; the mouse must still
    // be made, or no click would ever be seen.
    HWND hidden = CreateWindowExW(0, L"TessaronInputTest", L"hidden", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hidden, nullptr);
    InputDevices devices;
    EXPECT_EQ(CreateInputDevices(devices, hidden), S_OK);
    EXPECT_TRUE(devices.keyboard && devices.mouse);
    BYTE keys[256];
    EXPECT_TRUE(FAILED(devices.keyboard->GetDeviceState(sizeof keys, keys))) << "not acquired in the background";
    ReleaseInputDevices(devices);
    DestroyWindow(hidden); // never shown or active: no wait
}
