#include "views/ThumbnailScheduler.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "fw/Ids.h"
#include "fw/Worker.h"
#include "fw/Wnd.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/PlatformFileSystem.h"
#include "win/Strconv.h"

namespace {
constexpr UINT kPageWrittenMessage = WM_FW_PROGRAM_FIRST + 0x48;

// The path of a page written, as its job hands it back.
struct PageWritten {
    std::string path;
};

// Everything a page job reads, copied on the window's thread before the job starts.
struct PageJob {
    std::vector<std::string> pending;
    PageSettings settings;
    std::string pagePath;
    std::shared_ptr<const IFileSystem> fileSystem;  // null: the platform's
    std::function<void()> onStart;
    unsigned number = 0;
};
}  // namespace

// Taken by the page threads only, never by the window's: the window just counts the pages.
struct CThumbnailScheduler::Writing {
    std::mutex mutex;
    std::atomic<unsigned> newest{0};
};

CThumbnailScheduler::CThumbnailScheduler(CWnd& list, std::function<PageSettings()> readSettings,
                                         std::function<void(const std::string&)> onPageReady)
    : m_list(list),
      m_readSettings(std::move(readSettings)),
      m_onPageReady(std::move(onPageReady)),
      m_writing(std::make_shared<Writing>()) {}

// The worker goes, and with it every page result; a page still running is left to end by
// itself.
CThumbnailScheduler::~CThumbnailScheduler() = default;

bool CThumbnailScheduler::IsGenerationRunning() const {
    return m_pWorker && m_pWorker->IsRunning();
}

std::string CThumbnailScheduler::DefaultPagePath() {
    return TempFolderPath() + kThumbnailPageFileName;
}

void CThumbnailScheduler::OnItemChanged(
    bool nowSelected, const std::function<void(std::vector<std::string>& paths)>& selectedFiles) {
    StopThumbnailThread();
    KillTimer(m_list.m_hWnd, kTimerId);
    SetTimer(m_list.m_hWnd, kTimerId, kDelayMs, nullptr);
    if (nowSelected && selectedFiles) selectedFiles(m_pending);
}

void CThumbnailScheduler::StopThumbnailThread() {
    if (m_pWorker) m_pWorker->RequestCancel();
}

void CThumbnailScheduler::OnTimer() {
    KillTimer(m_list.m_hWnd, kTimerId);  // one-shot
    if (!m_pWorker) {
        m_pWorker = std::make_unique<CWorker>([this](UINT msg, WPARAM wParam, LPARAM) {
            if (msg != kPageWrittenMessage) return;
            if (auto written = m_pWorker->Take<PageWritten>(wParam)) OnPageWritten(written->path);
        });
    }
    PageJob job;
    // Taken out of the list: paths that arrive from now on wait for the next page, and the
    // one being written is never changed under it.
    job.pending = std::exchange(m_pending, {});
    job.settings = m_readSettings();
    job.pagePath = m_pagePath.empty() ? DefaultPagePath() : m_pagePath;
    job.fileSystem = m_pFileSystem;
    job.onStart = m_onGenerationStart;
    job.number = ++m_writing->newest;
    std::shared_ptr<Writing> writing = m_writing;
    // Starting asks the page before (if it still runs) to stop; it is not waited for.
    m_pWorker->Start([job = std::move(job), writing](CWorkerJob& worker) {
        if (job.onStart) job.onStart();
        const StopCheck stop = [&worker] { return worker.CancelRequested(); };
        CPlatformFileSystem platform;
        const IFileSystem& fs = job.fileSystem ? *job.fileSystem : platform;
        const std::vector<std::string> paths = CollectUniquePaths(job.pending, stop);
        const std::string page =
            BuildThumbnailPageText(paths, job.settings.sizes, job.settings.fileTypes, fs, stop);
        {
            std::lock_guard<std::mutex> lock(writing->mutex);
            if (writing->newest != job.number) return;  // a newer page has the file
            if (!WriteWholeFile(job.pagePath, page)) return;  // nothing to load
        }
        // A stopped page is still loaded, as far as it got.
        worker.PostFinal(kPageWrittenMessage, std::make_unique<PageWritten>(PageWritten{job.pagePath}));
    });
}

void CThumbnailScheduler::OnDestroy() {
    KillTimer(m_list.m_hWnd, kTimerId);
    ++m_writing->newest;  // whatever still runs writes no page any more
    m_pWorker.reset();  // nothing it posts arrives any more
}

void CThumbnailScheduler::OnPageWritten(const std::string& page) {
    if (m_onPageReady) m_onPageReady(page);
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
    // The collection's safe save: a fresh file beside the page replaces it only when whole.
    std::string error;
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { sink.Write(text); }, error);
}
