#pragma once
// A small host for the 3D framework: the two windows the game uses (an overlapped view that
// is rendered into while windowed, and a hidden popup that is the device's focus window and
// the render window in full screen), a CGraphicsApp that records every virtual call, and
// the capture of error boxes.

#include "framework/graphics_app.h"

#include <functional>
#include <string>
#include <vector>

/// Routes ShowError's boxes into a list while it lives (and forgets earlier fatal messages).
class ErrorBoxCapture {
  public:
    struct Box {
        std::wstring text;
        std::wstring caption;
        UINT type;
    };
    ErrorBoxCapture();
    ~ErrorBoxCapture();
    ErrorBoxCapture(const ErrorBoxCapture&) = delete;
    ErrorBoxCapture& operator=(const ErrorBoxCapture&) = delete;
    /// Forgets the boxes so far and that a fatal one was shown.
    void Reset();
    const std::vector<Box>& Boxes() const;
};

class TestWindows {
  public:
    static constexpr int kViewLeft = 40, kViewTop = 30, kViewWidth = 420, kViewHeight = 340;

    TestWindows();
    ~TestWindows();
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    /// Messages the view window received, by message number.
    int Received(UINT message) const;
    /// Back to the start: popup hidden, view at its first place and size, no messages counted.
    void Restore();

    HWND view = nullptr;
    HWND popup = nullptr;
};

/// One pair of windows for the whole test program, restored on every call. Without a window
/// manager Wine waits two seconds whenever an active window is hidden or destroyed, so the
/// windows are made once and left for the process exit to remove.
TestWindows& SharedTestWindows();

/// Dispatches whatever is queued for this thread.
void PumpMessages();

/// Gives the window a new size and lets it handle the messages that follow.
void Resize(HWND window, int width, int height);

class RecordingApp : public CGraphicsApp {
  public:
    explicit RecordingApp(TestWindows& windows);
    ~RecordingApp() override;

    HRESULT ApplyWindowMode() override;
    void WindowedModeRestored() override;
    HRESULT AcceptDevice(const D3DCAPS9&, DWORD behavior, D3DFORMAT backBufferFormat) override
    {
        return acceptRule ? acceptRule(behavior, backBufferFormat) : S_OK;
    }
    HRESULT InitScene() override { return Record("InitScene", initSceneResult); }
    HRESULT OnDeviceCreated() override { return Record("OnDeviceCreated", deviceCreatedResult); }
    HRESULT OnDeviceReset() override;
    HRESULT AdvanceFrame() override { return Record("AdvanceFrame", S_OK); }
    HRESULT RenderScene() override { return Record("RenderScene", S_OK); }
    HRESULT OnDeviceLost() override { return Record("OnDeviceLost", S_OK); }
    HRESULT OnDeviceDestroyed() override { return Record("OnDeviceDestroyed", S_OK); }
    HRESULT ShutdownScene() override { return Record("ShutdownScene", S_OK); }

    /// Calls named name since the last ClearCalls.
    int Count(const std::string& name) const;
    void ClearCalls() { calls.clear(); }

    TestWindows& windows;
    std::vector<std::string> calls;
    std::function<HRESULT(DWORD behavior, D3DFORMAT backBufferFormat)> acceptRule;
    HRESULT initSceneResult = S_OK;
    HRESULT deviceCreatedResult = S_OK;
    HRESULT deviceResetResult = S_OK;
    int deviceResetFailures = -1; ///< how many OnDeviceReset calls fail (-1: all of them)

  private:
    HRESULT Record(const char* name, HRESULT result);
};
