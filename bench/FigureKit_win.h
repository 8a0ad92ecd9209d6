// What the editor's figures programs share: an application object that opens no window of its
// own, the thumbnail pane, a stopwatch, one pass of the message loop, and the JPEG files of a directory.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/PelorandApp.h"
#include "doc/PelorandDoc.h"
#include "ui/MainFrame.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "win/Handles.h"
#include "win/Strconv.h"

// Its settings live under a key of their own, so that figures never touch the user's.
class FigureApp : public CPelorandApp {
  public:
    FigureApp() {
        SetRegistryKey("TesmarinFigures");
        LoadStdProfileSettings(8);
    }
    bool InitInstance() override { return true; }
};

using FigureClock = std::chrono::steady_clock;

inline double Ms(FigureClock::time_point since) {
    return std::chrono::duration<double, std::milli>(FigureClock::now() - since).count();
}

inline double Seconds(FigureClock::time_point since) {
    return std::chrono::duration<double>(FigureClock::now() - since).count();
}

// Handles what is queued, then the idle work the loop would do.
inline void PumpOnce(CWinApp& app) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    app.OnIdle(0);
}

// The editor's thumbnail pane, found among its document's views.
inline CImageHtmlView* ThumbnailPane(CMainFrame* frame) {
    for (CView* each : frame->GetActiveList()->GetDocument()->GetViews()) {
        if (auto* pane = dynamic_cast<CImageHtmlView*>(each)) return pane;
    }
    return nullptr;
}

// The *.jpg files of dir, full paths, sorted.
inline std::vector<std::string> JpegFiles(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    CUniqueFind search(FindFirstFileW(ToWide(dir + "\\*.jpg").c_str(), &found));
    if (!search) return names;
    do names.push_back(dir + "\\" + UiFromWide(found.cFileName));
    while (FindNextFileW(search.Get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}
