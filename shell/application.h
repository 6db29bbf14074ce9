#pragma once
// The application object: start-up, the message loop with its idle step, and the end.
// Whenever the queue is empty the loop calls OnIdle: true asks for another call at once,
// false waits for the next message (after which idle calls resume, counting from 0).
// Each message is offered to the window objects (the splash, the frame's accelerators)
// before it is translated and dispatched.

#include "shell/centred_dialogs.h"
#include "shell/frame_window.h"

#include <memory>

class CApplication {
public:
    CApplication() = default;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;
    virtual ~CApplication();

    /// InitInstance, then the loop until WM_QUIT, then ExitInstance; returns the exit code.
    /// `showCommand` is how the program was asked to show its main window (WinMain's).
    int Run(int showCommand = SW_SHOWNORMAL);

    CFrameWindow* MainFrame() const { return mainFrame.get(); }
    HWND MainWindow() const { return mainFrame ? mainFrame->Handle() : nullptr; }

protected:
    /// Start-up; false ends the program at once.
    virtual bool InitInstance() = 0;
    /// The idle step; `idleCount` counts the calls since the last message.
    virtual bool OnIdle(long /*idleCount*/) { return false; }
    /// The end; returns the program's exit code.
    virtual int ExitInstance(int exitCode) { return exitCode; }

    /// The show command the program was started with: a shortcut may ask for a maximised or
    /// minimised window.
    int StartupShowCommand() const { return startupShowCommand; }

    /// Makes `frame` the main window: destroying its window ends the message loop.
    void SetMainFrame(std::unique_ptr<CFrameWindow> frame);

    /// Takes one message from the queue (waiting for it) and handles it; false at WM_QUIT.
    bool PumpMessage(int& exitCode);

    /// Sleeps until a message arrives or `timeoutMs` has passed: an idle step with nothing to
    /// draw calls it instead of spinning a core, and still looks again now and then.
    virtual void WaitForMessageOrTimeout(DWORD timeoutMs);

private:
    CCentredDialogs centredDialogs; ///< every dialog and message box of the game opens centred
    std::unique_ptr<CFrameWindow> mainFrame;
    int startupShowCommand = SW_SHOWNORMAL;
};
