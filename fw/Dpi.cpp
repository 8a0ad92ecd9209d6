#include "fw/Dpi.h"

#include <windows.h>

#include "win/Handles.h"

namespace {
int g_overrideDpi = 0;
}  // namespace

int ScreenDpi() {
    if (g_overrideDpi > 0) return g_overrideDpi;
    static const int dpi = [] {
        CClientDC screen(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int ScaleToScreen(int pixels96) {
    return MulDiv(pixels96, ScreenDpi(), 96);
}

int ScaleFromScreen(int pixels) {
    return MulDiv(pixels, 96, ScreenDpi());
}

void OverrideScreenDpi(int dpi) {
    g_overrideDpi = dpi;
}
