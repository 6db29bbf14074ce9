// Program entry.
#include "shell/app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CApp app;
    return app.Run();
}
