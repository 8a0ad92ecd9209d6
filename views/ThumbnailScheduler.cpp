#include "views/ThumbnailScheduler.h"

#include <algorithm>
#include <memory>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "fw/Strconv.h"
#include "model/PlatformFileSystem.h"
#include "fw/WinApp.h"
#include "fw/Wnd.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "views/ImageHtmlView.h"

namespace {
// 1 from the moment a page thread is started until just before it returns.
std::atomic<int> g_generationRunning{0};
}  // namespace

struct CThumbnailScheduler::Generation {
    CThumbnailScheduler* scheduler;
    HWND target;
    std::string pagePath;
};

CThumbnailScheduler::CThumbnailScheduler(CWnd& list, std::function<HWND()> pageTarget)
    : m_list(list), m_pageTarget(std::move(pageTarget)) {}

CThumbnailScheduler::~CThumbnailScheduler() {
    // The thread reads this object's pending list: it must be over first.
    if (m_thread) {
        m_stop = 1;
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

bool CThumbnailScheduler::IsGenerationRunning() {
    return g_generationRunning.load() != 0;
}

std::string CThumbnailScheduler::DefaultPagePath() {
    return TempFolderAnsi() + kThumbnailPageFileName;
}

void CThumbnailScheduler::OnItemChanged(
    bool nowSelected, const std::function<void(std::vector<std::string>& paths)>& selectedFiles) {
    WaitForThumbnailThread();
    KillTimer(m_list.m_hWnd, kTimerId);
    SetTimer(m_list.m_hWnd, kTimerId, kDelayMs, nullptr);
    if (nowSelected) selectedFiles(m_pending);
}

void CThumbnailScheduler::OnTimer() {
    // One-shot. Killed before the wait: the wait handles messages, and a second firing of this
    // timer inside it would start a page of its own and then this one, with nothing pending.
    KillTimer(m_list.m_hWnd, kTimerId);
    WaitForThumbnailThread();
    ReleaseFinishedThread();
    auto job = std::make_unique<Generation>();
    job->scheduler = this;
    job->target = m_pageTarget ? m_pageTarget() : nullptr;
    job->pagePath = m_pagePath.empty() ? DefaultPagePath() : m_pagePath;
    // Raised before the thread exists, so nobody touches the pending list while it starts.
    g_generationRunning = 1;
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, job.get(), 0, nullptr);
    if (!thread) {
        g_generationRunning = 0;
        return;
    }
    job.release();  // the thread's now
    m_thread.Reset(thread);
}

void CThumbnailScheduler::OnDestroy() {
    KillTimer(m_list.m_hWnd, kTimerId);
    WaitForThumbnailThread();
    ReleaseFinishedThread();
}

void CThumbnailScheduler::ReleaseFinishedThread() {
    if (!m_thread) return;
    // Its flags are down: it is past its last step, at most returning.
    WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
}

void CThumbnailScheduler::WaitForThumbnailThread() {
    // A page started by another list reads its own pending list and clears its own flag.
    if (!IsGenerationRunning() || !m_thread) return;
    m_stop = 1;
    CWinApp* app = CWinApp::Get();
    auto stillRunning = [this] { return m_stop.load() != 0; };
    do {
        WaitForSingleObject(m_thread.Get(), 100);
        // Once the page has ended the wait is over: messages that other threads go on posting
        // (decoded pictures) would otherwise keep it pumping, and are left for the loop.
        MSG msg;
        while (stillRunning() && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!app || !app->PumpMessage()) break;  // quitting: the quit is left for the loop
        }
        if (app && stillRunning()) {
            for (long count = 0; app->OnIdle(count); ++count) {
            }
        }
    } while (m_stop.load() != 0);
}

DWORD WINAPI CThumbnailScheduler::ThreadMain(void* param) {
    std::unique_ptr<Generation> job(static_cast<Generation*>(param));
    CThumbnailScheduler& self = *job->scheduler;
    try {
        self.Generate(*job);
    } catch (...) {
        // Out of memory while building the page: nothing is loaded, and nobody is left waiting.
    }
    self.m_pending.clear();
    self.m_stop = 0;
    g_generationRunning = 0;
    return 1;
}

void CThumbnailScheduler::Generate(Generation& job) {
    if (m_onGenerationStart) m_onGenerationStart();
    CSettings& settings = CPelorandApp::Get()->Settings();
    const ThumbnailSizes sizes = ReadThumbnailSizes(settings);
    const std::vector<std::string> paths = CollectUniquePaths(m_pending, &m_stop);
    CPlatformFileSystem platform;
    const IFileSystem& fs = m_pFileSystem ? *m_pFileSystem : platform;
    const std::string page = BuildThumbnailPageText(paths, sizes, settings, fs, &m_stop);
    if (!WriteWholeFile(job.pagePath, page)) return;  // nothing to load
    if (!job.target) return;
    auto path = std::make_unique<std::string>(job.pagePath);
    if (PostMessageA(job.target, CImageHtmlView::kLoadPageMessage, 0,
                     reinterpret_cast<LPARAM>(path.get()))) {
        path.release();  // the pane's now
    }
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
    // The collection's safe save: a fresh file beside the page replaces it only when whole.
    std::string error;
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { sink.Write(text); }, error);
}
