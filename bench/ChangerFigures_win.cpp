// Figures for the changer, run by hand under Wine (never part of the tests):
//  - one tick through the changer window, from the timer message to the wallpaper set
//    (median of 100);
//  - the process's private memory after 10 and after 10,000 ticks;
//  - GDI and user objects after 10,000 repaints of the information window.
// Usage: changer_figures.exe [ticks]   (the wallpaper of the Wine prefix is changed)
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/PelorandApp.h"
#include "bench/ProcessMemory_win.h"
#include "changer/FileInfomationView_win.h"
#include "changer/PelorandChanger_win.h"
#include "changer/WallPaperHistory.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "win/Handles.h"

#include "bench/FigureKit_win.h"
#include "win/Strconv.h"
#include "model/CollectionFile.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A small BMP of one colour.
void WriteBmp(const std::string& path, unsigned char shade) {
    const int width = 64, height = 48, row = width * 3;
    std::vector<unsigned char> bytes(54 + static_cast<std::size_t>(row * height), shade);
    auto put32 = [&](std::size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    std::fill(bytes.begin(), bytes.begin() + 54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<unsigned>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    std::FILE* out = OpenStdioFile(path, "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

// Probes how many handles are live by where the next one lands: a leak moves it on (the
// system's own counts are not kept under Wine).
std::uintptr_t NextGdiSlot() {
    CUniqueBrush probe(CreateSolidBrush(RGB(1, 2, 3)));
    return reinterpret_cast<std::uintptr_t>(probe.Get()) & 0xFFFF;
}
std::uintptr_t NextUserSlot() {
    CUniqueMenu probe(CreateMenu());
    return reinterpret_cast<std::uintptr_t>(probe.Get()) & 0xFFFF;
}

}  // namespace

int main(int argc, char** argv) {
    const int longRun = argc > 1 ? std::atoi(argv[1]) : 10000;
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    FigureApp app;

    const std::string temp = TempFolderPath();
    const std::string dir = temp + "pelorand_changer_figures\\";
    CreateDirectoryW(ToWide(dir).c_str(), nullptr);
    std::string text = "FILE{\r\nNAME\t\"root\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
    for (int f = 0; f < 4; ++f) {
        text +=
            "FILE{\r\nNAME\t\"folder " + std::to_string(f) + "\",\"2\",\"a\",\"c\",\"0\",\"1\"\r\n";
        for (int i = 0; i < 5; ++i) {
            const std::string image = dir + "w" + std::to_string(f) + std::to_string(i) + ".bmp";
            WriteBmp(image, static_cast<unsigned char>(40 * f + 8 * i));
            text += "DATA\t\"" + image + "\",\"" + std::to_string(i % 5) +
                    "\",\"?\",\"?\",\"1\",\"1\"\r\n";
        }
        text += "}FILE\r\n";
    }
    text += "}FILE\r\n";
    const std::string collection = dir + "figures.plr";
    std::FILE* out = OpenStdioFile(collection, "wb");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);

    CSettings& settings = app.Settings();
    settings.WriteInt(setting::ExecuteRadio, 0);
    settings.WriteString(setting::ExecuteFile, collection);
    settings.WriteInt(setting::EndFileSetCheck, 0);

    {
        CPelorandChanger changer(settings);
        changer.Create();
        SendMessageW(changer.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CHANGER_RUN, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(changer.m_hWnd, IDC_CHANGER_RUN)));
        KillTimer(changer.m_hWnd, IDT_CHANGER);  // ticks come from here only

        // The disk work of a tick runs on the changer's worker: a tick is done when its result
        // has been taken back on this thread.
        auto settle = [&changer] {
            while (changer.IsTickRunning()) {
                Pump();
                if (changer.IsTickRunning()) Sleep(0);
            }
        };
        std::vector<double> ms, busy;
        std::size_t set = 0;
        for (int i = 0; i < 100; ++i) {
            const std::size_t before = WallPaperHistory().GetCount();
            const auto start = std::chrono::steady_clock::now();
            SendMessageW(changer.m_hWnd, WM_TIMER, IDT_CHANGER, 0);
            busy.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
            settle();
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
            if (WallPaperHistory().GetCount() != before ||
                before == CWallPaperHistory::kMaxEntries) {
                ++set;
            }
            Pump();
        }
        std::sort(ms.begin(), ms.end());
        std::sort(busy.begin(), busy.end());
        std::printf(
            "tick through the window: median %.2f ms, min %.2f, max %.2f (%zu of 100 set); "
            "the timer message itself: median %.2f ms, max %.2f\n",
            ms[50], ms.front(), ms.back(), set, busy[50], busy.back());

        // Fresh start for the memory run: 10 ticks, then up to longRun.
        for (int i = 0; i < 10; ++i) {
            SendMessageW(changer.m_hWnd, WM_TIMER, IDT_CHANGER, 0);
            settle();
        }
        const double after10 = PrivateMegabytes();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 10; i < longRun; ++i) {
            SendMessageW(changer.m_hWnd, WM_TIMER, IDT_CHANGER, 0);
            settle();
        }
        Pump();
        const double afterLong = PrivateMegabytes();
        std::printf(
            "private memory: %.2f MB after 10 ticks, %.2f MB after %d ticks (%.1f s)\n", after10,
            afterLong, longRun,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

        CFileInfomationView* view = changer.GetInfoView();
        if (view && view->m_hWnd) {
            const DWORD gdi0 = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
            const DWORD user0 = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
            const std::uintptr_t slot0 = NextGdiSlot(), uslot0 = NextUserSlot();
            for (int i = 0; i < 10000; ++i) view->RedrawNow();
            Pump();
            const DWORD gdi1 = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
            const DWORD user1 = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
            const std::uintptr_t slot1 = NextGdiSlot(), uslot1 = NextUserSlot();
            std::printf(
                "10,000 repaints: GDI objects %lu -> %lu, user objects %lu -> %lu, next GDI "
                "slot %#zx -> %#zx, next user slot %#zx -> %#zx\n",
                gdi0, gdi1, user0, user1, static_cast<std::size_t>(slot0),
                static_cast<std::size_t>(slot1), static_cast<std::size_t>(uslot0),
                static_cast<std::size_t>(uslot1));
        }
        SendMessageW(changer.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TesmarinFigures");
    return 0;
}
