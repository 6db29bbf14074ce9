#include "shell/application.h"

CApplication::~CApplication() = default;

void CApplication::SetMainFrame(std::unique_ptr<CFrameWindow> frame)
{
    mainFrame = std::move(frame);
    if (mainFrame) mainFrame->SetQuitOnDestroy(true);
}

bool CApplication::PumpMessage(int& exitCode)
{
    MSG message;
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) {
        exitCode = -1;
        return false;
    }
    if (got == 0) {
        exitCode = static_cast<int>(message.wParam);
        return false;
    }
    if (!PreTranslateWindowMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void CApplication::WaitForMessageOrTimeout(DWORD timeoutMs)
{
    // The result does not matter: either way the caller looks at the queue and its state again.
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int CApplication::Run(int showCommand)
{
    startupShowCommand = showCommand;
    if (!InitInstance()) return ExitInstance(-1);

    int exitCode = 0;
    for (;;) {
        MSG peeked;
        long idleCount = 0;
        while (!PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) break;
        }
        if (!PumpMessage(exitCode)) break;
    }
    return ExitInstance(exitCode);
}
