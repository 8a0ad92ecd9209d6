// The program's entry point.
#include <windows.h>

#include <exception>
#include <new>

#include "app/PelorandApp.h"
#include "model/BlockPool.h"
#include "model/Mbcs.h"
#include "win/Strconv.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    mbcs::UseSystemCodePage();
    blockpool::UseSystemChunks();
    try {
        CPelorandApp app;
        if (!app.InitInstance()) return 0;
        return app.Run();
    } catch (const std::bad_alloc&) {
        MessageBoxUi(nullptr, "メモリが不足しています。", "Pelorand", MB_OK | MB_ICONSTOP);
    } catch (const std::exception&) {
        // Windows catch their own exceptions; one that reaches here ends the start-up.
        MessageBoxUi(nullptr, "Pelorand を起動できませんでした。", "Pelorand", MB_OK | MB_ICONSTOP);
    }
    return 1;
}
