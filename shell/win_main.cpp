// Program entry.
#include "shell/app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand)
{
    CApp app;
    return app.Run(showCommand);
}
