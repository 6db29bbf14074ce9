#pragma once
// A small host for the 3D framework: the two windows the game uses (an overlapped view that
// is rendered into while windowed, and a hidden popup that is the device's focus window and
// the render window in full screen), a CGraphicsApp that records every virtual call, and
// the capture of error boxes.

#include "framework/graphics_app.h"

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
    const std::vector<Box>& Boxes() const;
};

class TestWindows {
public:
    TestWindows();
    ~TestWindows();
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    /// Messages the view window received, by message number.
    int Received(UINT message) const;

    HWND view = nullptr;
    HWND popup = nullptr;
};

/// Dispatches whatever is queued for this thread.
void PumpMessages();

class RecordingApp : public CGraphicsApp {
public:
    explicit RecordingApp(TestWindows& windows);
    ~RecordingApp() override;

    HRESULT ApplyWindowMode() override;
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
    HRESULT initSceneResult = S_OK;
    HRESULT deviceCreatedResult = S_OK;
    HRESULT deviceResetResult = S_OK;
    int deviceResetFailures = -1; ///< how many OnDeviceReset calls fail (-1: all of them)

private:
    HRESULT Record(const char* name, HRESULT result);
};
