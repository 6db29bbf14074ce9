// Program entry.
#include "shell/app.h"
#include "shell/delay_load_failure.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand)
{
    InstallDelayLoadFailureHook(); // before any call into a library loaded at its first call
    CApp app;
    return app.Run(showCommand);
}
