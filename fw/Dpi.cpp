#include "fw/Dpi.h"

#include <shellscalingapi.h>

#include <utility>

#include "win/Handles.h"

namespace {

int g_overrideDpi = 0;
// The DPI a top-level window last heard in WM_DPICHANGED, as a window property: it outlives
// no window, and a test's message stands for a real move.
const wchar_t kDpiProperty[] = L"Pelorand.Dpi";

// Windows 8.1 and 10 calls, looked up once; null where the system lacks them.
struct DpiCalls {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*) = nullptr;

    DpiCalls() {
        if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
            Find(user, "GetDpiForWindow", getDpiForWindow);
            Find(user, "GetSystemMetricsForDpi", getSystemMetricsForDpi);
            Find(user, "SystemParametersInfoForDpi", systemParametersInfoForDpi);
        }
        // Not linked: shcore.dll is not on Vista and 7. Loaded for the life of the process.
        if (HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            Find(shcore, "GetDpiForMonitor", getDpiForMonitor);
        }
    }
    template <typename F>
    static void Find(HMODULE module, const char* name, F& function) {
        function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

const DpiCalls& Calls() {
    static const DpiCalls calls;
    return calls;
}

bool Usable(int dpi) {
    return dpi >= 48 && dpi <= 960;
}

// The real system DPI, which the system's own sizes (metrics, fonts) are given at.
int SystemDpi() {
    static const int dpi = [] {
        CClientDC screen(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        return value > 0 ? value : 96;
    }();
    return dpi;
}

}  // namespace

int ScreenDpi() {
    return g_overrideDpi > 0 ? g_overrideDpi : SystemDpi();
}

int ScaleToScreen(int pixels96) {
    return ScaleForDpi(pixels96, ScreenDpi());
}

int ScaleFromScreen(int pixels) {
    return ScaleFromDpi(pixels, ScreenDpi());
}

int ScaleForDpi(int pixels96, int dpi) {
    return MulDiv(pixels96, dpi, 96);
}

int ScaleFromDpi(int pixels, int dpi) {
    return dpi > 0 ? MulDiv(pixels, 96, dpi) : pixels;
}

int WindowDpi(HWND hwnd) {
    HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (root) {
        const int noted = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(root, kDpiProperty)));
        if (Usable(noted)) return noted;
    }
    if (g_overrideDpi > 0) return g_overrideDpi;
    if (hwnd && Calls().getDpiForWindow) {
        const int dpi = static_cast<int>(Calls().getDpiForWindow(hwnd));
        if (Usable(dpi)) return dpi;
    }
    return ScreenDpi();
}

void NoteWindowDpi(HWND topLevel, int dpi) {
    if (topLevel && Usable(dpi))
        SetPropW(topLevel, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

void ForgetWindowDpi(HWND topLevel) {
    if (topLevel) RemovePropW(topLevel, kDpiProperty);
}

int MonitorDpi(HMONITOR monitor) {
    if (g_overrideDpi > 0) return g_overrideDpi;
    UINT x = 0, y = 0;
    if (monitor && Calls().getDpiForMonitor &&
        SUCCEEDED(Calls().getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) &&
        Usable(static_cast<int>(y))) {
        return static_cast<int>(y);
    }
    return ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    if (Calls().getSystemMetricsForDpi && g_overrideDpi == 0)
        return Calls().getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    // Sizes scale with the DPI; counts and flags do not, but none of those is asked here.
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

LOGFONTW MessageFontForDpi(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (Calls().systemParametersInfoForDpi && g_overrideDpi == 0 &&
        Calls().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                           static_cast<UINT>(dpi))) {
        return metrics.lfMessageFont;
    }
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return ScaleFont(metrics.lfMessageFont, SystemDpi(), dpi);
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    // The stock GUI font is made for 96 DPI, whatever the screen.
    return ScaleFont(font, 96, dpi);
}

LOGFONTW ScaleFont(const LOGFONTW& font, int fromDpi, int toDpi) {
    LOGFONTW scaled = font;
    if (fromDpi > 0 && toDpi > 0 && fromDpi != toDpi) {
        scaled.lfHeight = MulDiv(font.lfHeight, toDpi, fromDpi);
        scaled.lfWidth = MulDiv(font.lfWidth, toDpi, fromDpi);
    }
    return scaled;
}

void RescaleControlFont(HWND control, CUniqueFont& owned, int fromDpi, int toDpi) {
    if (!control || fromDpi == toDpi) return;
    LOGFONTW font{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (!current || !GetObjectW(current, sizeof font, &font)) {
        font = MessageFontForDpi(fromDpi);
    }
    const LOGFONTW wanted = ScaleFont(font, fromDpi, toDpi);
    CUniqueFont scaled(CreateFontIndirectW(&wanted));
    if (!scaled) return;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(scaled.Get()), TRUE);
    owned = std::move(scaled);
}

RECT DpiChangedRect(HWND hwnd, LPARAM lParam) {
    if (const RECT* suggested = reinterpret_cast<const RECT*>(lParam)) return *suggested;
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

int DpiChangedDpi(WPARAM wParam) {
    const int dpi = HIWORD(wParam);
    return Usable(dpi) ? dpi : ScreenDpi();
}

void OverrideScreenDpi(int dpi) {
    g_overrideDpi = dpi;
}
