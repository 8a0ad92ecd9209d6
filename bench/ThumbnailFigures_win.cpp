// Figures for the thumbnail pane, run by hand under Wine (never part of the tests):
//  - how long stopping a page takes while it walks a directory of many files (20 runs);
//  - how long until the first 20 thumbnails of large pictures are drawn, how long the pane
//    takes to paint while the rest are decoded, and the private memory once all are.
// Usage: thumbnail_figures DIRECTORY_OF_MANY_FILES DIRECTORY_OF_PICTURES
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/PelorandApp.h"
#include "doc/PelorandDoc.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"
#include "ui/MainFrame.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "win/Handles.h"

#include "bench/FigureKit_win.h"
#include "win/Strconv.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: thumbnail_figures MANY_FILES_DIR PICTURES_DIR\n");
        return 2;
    }
    InitPlatform();
    FigureApp app;
    if (!app.CreateEditor("")) return 1;
    PumpOnce(app);
    auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    CPelorandListView* list = frame->GetActiveList();
    CPelorandDoc* doc = list->GetDocument();
    CImageHtmlView* view = ThumbnailPane(frame);

    // Stop latency: a page of one directory entry naming the big directory.
    auto* entry = new CBlock;
    entry->m_strName = argv[1];
    entry->m_pParent = doc->m_pRoot;
    doc->m_pRoot->m_Children.AddTail(entry);
    doc->ShowFolder(doc->m_pRoot);
    CThumbnailScheduler& scheduler = list->m_thumbnails;
    {
        // One whole page first, for the size of the directory and the time of a full walk.
        scheduler.OnItemChanged(true, [&](std::vector<std::string>& p) { p.push_back(argv[1]); });
        auto start = FigureClock::now();
        scheduler.OnTimer();
        while (scheduler.IsGenerationRunning()) Sleep(1);
        std::printf("whole page of the directory: %.0f ms\n", Ms(start));
        PumpOnce(app);
        std::printf("  thumbnails on it: %zu\n", view->Items().size());
    }
    std::vector<double> latencies;
    for (int run = 0; run < 20; ++run) {
        scheduler.OnItemChanged(true, [&](std::vector<std::string>& p) { p.push_back(argv[1]); });
        scheduler.OnTimer();
        Sleep(20 + run % 20 * 20);  // stopped at different depths of the walk
        auto start = FigureClock::now();
        // The request, and the page thread's end (the window itself does not wait for it).
        scheduler.StopThumbnailThread();
        while (scheduler.IsGenerationRunning()) Sleep(1);
        latencies.push_back(Ms(start));
        PumpOnce(app);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("stop until the page ends, over 20 runs: median %.1f ms, worst %.1f ms\n",
                (latencies[9] + latencies[10]) / 2, latencies.back());

    // Large pictures.
    const std::vector<std::string> pictures = JpegFiles(argv[2]);
    std::printf("pictures: %zu\n", pictures.size());
    std::string page = "<HTML>\r\n";
    for (const std::string& p : pictures) AppendThumbnailLine(page, p, ThumbnailSizes());
    page += "</HTML>\r\n";
    const std::string temp = TempFolderPath();
    const std::string pagePath = temp + "pelorand_figures_page.html";
    WriteWholeFile(pagePath, page);
    PROCESS_MEMORY_COUNTERS_EX before{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before),
                         sizeof before);
    SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(frame->m_hWnd, SW_SHOW);
    PumpOnce(app);
    auto start = FigureClock::now();
    view->Navigate(pagePath);
    const int first = std::min<int>(20, static_cast<int>(pictures.size()));
    auto firstDrawn = [&] {
        for (int i = 0; i < first; ++i) {
            if (view->GetThumbState(i) == CImageHtmlView::Thumb::Waiting) return false;
        }
        return true;
    };
    double worstPaint = 0, worstPump = 0;
    bool reportedFirst = false;
    int scrollStep = 0;
    while (view->DecodesOutstanding() > 0 || !reportedFirst) {
        auto pumpStart = FigureClock::now();
        PumpOnce(app);
        worstPump = std::max(worstPump, Ms(pumpStart));
        if (!reportedFirst && firstDrawn()) {
            std::printf("first %d thumbnails drawn after %.0f ms\n", first, Ms(start));
            reportedFirst = true;
        }
        // The user scrolls about while the rest decode: how long does a paint take?
        if (++scrollStep % 20 == 0) {
            view->ScrollTo(0, (scrollStep / 20 % 5) * 200);
            auto paintStart = FigureClock::now();
            RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            worstPaint = std::max(worstPaint, Ms(paintStart));
        }
        Sleep(10);
        if (Ms(start) > 15 * 60 * 1000) break;
    }
    std::printf("all decoded after %.0f ms; worst paint %.1f ms, worst pump %.1f ms\n", Ms(start),
                worstPaint, worstPump);
    PROCESS_MEMORY_COUNTERS_EX after{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after),
                         sizeof after);
    std::printf(
        "cache %.1f MB; private (commit) %.1f MB, working set %.1f MB; before the page "
        "%.1f MB and %.1f MB\n",
        view->CachedBytes() / 1048576.0, after.PagefileUsage / 1048576.0,
        after.WorkingSetSize / 1048576.0, before.PagefileUsage / 1048576.0,
        before.WorkingSetSize / 1048576.0);
    app.GetDocTemplate()->CloseAll();
    return 0;
}
