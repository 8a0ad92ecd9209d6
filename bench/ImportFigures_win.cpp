// Figures for adding many files, run by hand under Wine (never part of the tests):
//  - importing a disk folder of FILES images in 500 sub-folders (default 100,000);
//  - dropping 20,000 image paths onto the root;
//  - opening every level of a chain of 20,000 nested folders, one below the other: the time
//    a level takes near the top and near the bottom.
// For each: the total time, and the longest the main window took to answer a message sent
// by another thread every 10 ms meanwhile. Arguments: [files] [dropped paths] [depth]
// [depth for numpad *, by default the same].
// With LOOK=S:\slow in the environment it only shows the editor importing a slow fake disk
// (40 folders, 0.15 s each), for a look at the progress dialog; LOOK=<folder> imports that.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/PelorandApp.h"
#include "doc/PelorandDoc.h"
#include "fw/OleTransfer.h"
#include "fw/SingleDocTemplate.h"
#include "fw/FrameWnd.h"
#include "fw/Wnd.h"
#include "model/Block.h"
#include "model/FileSystem.h"
#include "views/PelorandTreeView.h"
#include "win/Handles.h"

#include "bench/FigureKit_win.h"
#include "win/Strconv.h"
#include "model/CollectionFile.h"

namespace {

// Whether the document still works on an import (a document that imports on its own
// thread has IsImporting; one that imports in the call has finished when it returns).
template <typename Doc>
auto Busy(Doc* doc, int) -> decltype(doc->IsImporting()) {
    return doc->IsImporting();
}
template <typename Doc>
bool Busy(Doc*, long) {
    return false;
}

// Handles messages until the document is idle and the queue empty.
void PumpUntilDone(CWinApp& app, CPelorandDoc* doc) {
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!Busy(doc, 0)) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    app.OnIdle(0);
}

// Answers messages for ms milliseconds (a probe started meanwhile is answered at once).
void PumpFor(CWinApp& app, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        PumpOnce(app);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Sends WM_NULL to window every 10 ms from its own thread and keeps the longest wait.
class CProbe {
  public:
    explicit CProbe(HWND window) : m_window(window) {
        m_thread = std::thread([this] {
            while (!m_stop) {
                auto sent = std::chrono::steady_clock::now();
                DWORD_PTR result = 0;
                SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, 3600 * 1000, &result);
                double waited = Seconds(sent);
                if (waited > m_longest) m_longest = waited;
                ++m_probes;
                Sleep(10);
            }
            m_done = true;
        });
    }
    ~CProbe() { Stop(); }
    // Answers the probe's last message while waiting for it to end: a window that only
    // waited would leave the probe waiting for it, and both would hang.
    void Stop() {
        m_stop = true;
        while (!m_done) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        if (m_thread.joinable()) m_thread.join();
    }
    double Longest() const { return m_longest; }
    long Probes() const { return m_probes; }

  private:
    HWND m_window;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    double m_longest = 0;
    long m_probes = 0;
};

void Touch(const std::string& path) {
    CUniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
}

// A CF_HDROP data object of paths (ANSI names).
ComPtr<IDataObject> DropOf(const std::vector<std::string>& paths) {
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    std::memcpy(&block[0], &header, sizeof header);
    for (const std::string& path : paths) block += path + '\0';
    block += '\0';
    CUniqueGlobal global(GlobalAlloc(GMEM_MOVEABLE, block.size()));
    if (!global) return nullptr;
    {
        void* bytes = GlobalLock(global.Get());
        std::memcpy(bytes, block.data(), block.size());
        GlobalUnlock(global.Get());
    }
    ComPtr<CDataSource> source(new CDataSource);
    source->CacheGlobalData(CF_HDROP, std::move(global));
    return source;
}

// A collection of depth folders, each inside the one before.
void WriteChain(const std::string& path, int depth) {
    std::FILE* out = OpenStdioFile(path, "wb");
    for (int i = 0; i < depth; ++i) std::fprintf(out, "FILE{\r\nNAME\t\"level %d\"\r\n", i);
    for (int i = 0; i < depth; ++i) std::fputs("}FILE\r\n", out);
    std::fclose(out);
}

// For a look at the progress: S:\slow holds 40 folders of 20 images, each folder read slowly.
class SlowFileSystem : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override {
        PathAttributes attributes;
        attributes.readable = true;
        attributes.isDirectory = path.find(".jpg") == std::string::npos;
        return attributes;
    }
    void Enumerate(const std::string& dir, const std::string&,
                   const std::function<bool(const std::string&)>& onName) const override {
        Sleep(150);
        if (dir == "S:\\slow") {
            for (int i = 0; i < 40; ++i)
                if (!onName("sub" + std::to_string(i))) return;
        } else {
            for (int i = 0; i < 20; ++i)
                if (!onName("img" + std::to_string(i) + ".jpg")) return;
        }
    }
    char Separator() const override { return '\\'; }
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int dropped = argc > 2 ? std::atoi(argv[2]) : 20000;
    constexpr int kFolders = 500;
    const std::string temp = TempFolderPath();
    const std::string dir = temp + "pelorand_import_figures";
    CreateDirectoryW(ToWide(dir).c_str(), nullptr);
    auto start = std::chrono::steady_clock::now();
    for (int d = 0; d < kFolders; ++d) {
        std::string sub = dir + "\\sub" + std::to_string(d);
        CreateDirectoryW(ToWide(sub).c_str(), nullptr);
        for (int i = d; i < files; i += kFolders) Touch(sub + "\\img" + std::to_string(i) + ".jpg");
    }
    std::printf("(made %d files in %d folders in %.1f s)\n", files, kFolders, Seconds(start));

    OleInitialize(nullptr);
    FigureApp app;
    app.m_messageBoxHook = [](const std::string&, UINT) { return IDYES; };

    if (const char* look = std::getenv("LOOK")) {
        if (!app.CreateEditor("")) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        ShowWindow(app.m_pMainWnd->m_hWnd, SW_SHOW);
        PumpUntilDone(app, doc);
        PumpFor(app, 3000);
        static SlowFileSystem slow;
        if (std::string(look) == "S:\\slow") doc->m_pFileSystem = &slow;
        std::printf("LOOK start\n");
        doc->AddPath(doc->m_pRoot, look);
        PumpUntilDone(app, doc);
        std::printf("LOOK end\n");
        PumpFor(app, 2000);
        return 0;
    }
    {
        if (!app.CreateEditor("")) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        PumpUntilDone(app, doc);
        CProbe probe(app.m_pMainWnd->m_hWnd);
        PumpFor(app, 50);
        start = std::chrono::steady_clock::now();
        doc->AddPath(doc->m_pRoot, dir);
        PumpUntilDone(app, doc);
        const double total = Seconds(start);
        probe.Stop();
        CBlock* imported = doc->m_pRoot->m_Children.GetAtIndex(0);
        int entries = 0;
        if (imported) {
            for (int i = 0; i < imported->m_Children.GetCount(); ++i)
                entries += imported->m_Children.GetAtIndex(i)->m_Children.GetCount();
        }
        std::printf("importing %d images in %d sub-folders: %.2f s total (%d entries), "
                    "longest wait for the window: %.3f s (%ld probes)\n",
                    files, kFolders, total, entries, probe.Longest(), probe.Probes());
        doc->SetModifiedFlag(false);
        app.GetDocTemplate()->CloseAll();
    }
    {
        if (!app.CreateEditor("")) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        PumpUntilDone(app, doc);
        std::vector<std::string> paths;
        for (int i = 0; i < dropped; ++i) {
            paths.push_back(dir + "\\sub" + std::to_string(i % kFolders) + "\\img" +
                            std::to_string(i) + ".jpg");
        }
        ComPtr<IDataObject> data = DropOf(paths);
        CProbe probe(app.m_pMainWnd->m_hWnd);
        PumpFor(app, 50);
        start = std::chrono::steady_clock::now();
        doc->AcceptData(doc->m_pRoot, data.Get());
        PumpUntilDone(app, doc);
        const double total = Seconds(start);
        probe.Stop();
        std::printf("dropping %d image paths onto the root: %.2f s total (%d entries), "
                    "longest wait for the window: %.3f s (%ld probes)\n",
                    dropped, total, doc->m_pRoot->m_Children.GetCount(), probe.Longest(),
                    probe.Probes());
        doc->SetModifiedFlag(false);
        app.GetDocTemplate()->CloseAll();
    }
    {
        const int kDepth = argc > 3 ? std::atoi(argv[3]) : 20000;
        const int kStarDepth = argc > 4 ? std::atoi(argv[4]) : kDepth;
        const std::string deep = std::string(temp) + "pelorand_import_figures_deep.plr";
        WriteChain(deep, kDepth);
        if (!app.CreateEditor(deep)) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        PumpUntilDone(app, doc);
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        auto* tree = dynamic_cast<CPelorandTreeView*>(frame->GetViews()[0]);
        HTREEITEM item = tree->GetRootItem();
        // Each level split three ways: inserting the sub-folder's item (ours), the control
        // opening the folder, and the messages that follow (painting, the idle pass).
        double top[3] = {}, bottom[3] = {};
        start = std::chrono::steady_clock::now();
        for (int level = 0; item && level < kDepth - 1; ++level) {
            auto t0 = std::chrono::steady_clock::now();
            tree->ShowChildren(item);
            auto t1 = std::chrono::steady_clock::now();
            tree->Expand(item, TVE_EXPAND);
            item = tree->GetChildItem(item);
            auto t2 = std::chrono::steady_clock::now();
            PumpUntilDone(app, doc);
            const double parts[3] = {std::chrono::duration<double>(t1 - t0).count(),
                                     std::chrono::duration<double>(t2 - t1).count(), Seconds(t2)};
            for (int i = 0; i < 3; ++i) {
                if (level < 100) top[i] += parts[i];
                if (level >= kDepth - 101) bottom[i] += parts[i];
            }
        }
        std::printf("opening %d nested folders level by level: %.1f s; a level at the top "
                    "%.2f ms (insert %.3f, open %.2f, messages %.2f), at the bottom %.2f ms "
                    "(insert %.3f, open %.2f, messages %.2f)\n",
                    kDepth, Seconds(start), (top[0] + top[1] + top[2]) * 10, top[0] * 10,
                    top[1] * 10, top[2] * 10, (bottom[0] + bottom[1] + bottom[2]) * 10,
                    bottom[0] * 10, bottom[1] * 10, bottom[2] * 10);
        app.GetDocTemplate()->CloseAll();
        // A chain opened all at once, as numpad * on the root does.
        WriteChain(deep, kStarDepth);
        if (!app.CreateEditor(deep)) return 1;
        doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        PumpUntilDone(app, doc);
        frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        tree = dynamic_cast<CPelorandTreeView*>(frame->GetViews()[0]);
        tree->SelectItem(tree->GetRootItem());
        PumpUntilDone(app, doc);
        start = std::chrono::steady_clock::now();
        SendMessageW(tree->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
        const double keyed = Seconds(start);
        PumpUntilDone(app, doc);
        int shown = 0;
        for (HTREEITEM at = tree->GetRootItem(); at; at = tree->GetChildItem(at)) ++shown;
        std::printf("opening %d nested folders with numpad *: %.1f s (%.1f s in the key, "
                    "%d levels shown)\n",
                    kStarDepth, Seconds(start), keyed, shown);
        app.GetDocTemplate()->CloseAll();
        DeleteFileW(ToWide(deep).c_str());
    }
    app.m_messageBoxHook = nullptr;
    for (int d = 0; d < kFolders; ++d) {
        std::string sub = dir + "\\sub" + std::to_string(d);
        for (int i = d; i < files; i += kFolders)
            DeleteFileW(ToWide((sub + "\\img" + std::to_string(i) + ".jpg")).c_str());
        RemoveDirectoryW(ToWide(sub).c_str());
    }
    RemoveDirectoryW(ToWide(dir).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TesmarinFigures");
    return 0;
}
