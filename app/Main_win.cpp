// The program's entry point.
#include <windows.h>

#include "app/PelorandApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CPelorandApp app;
    if (!app.InitInstance()) return 0;
    return app.Run();
}
