// The file list's side of the thumbnail page: the paths waiting for the next page, the delay
// after the last change in the list, and the one job at a time that writes the page.
//
// The page is written by a CWorker job that owns a copy of everything it reads: the pending
// paths (taken out of the list when the job starts, so that the list never changes under it)
// and the settings, read here on the window's thread. The finished page comes back as a posted,
// owned result and is handed to whoever shows it. A change in the list asks a running page to
// stop and never waits for it: the page may be blocked on a share that stopped answering. It
// ends on its own and its page is still shown, unless a newer page has started by then.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "views/ThumbnailPage.h"

class CWnd;
class CWorker;
class IFileSystem;

class CThumbnailScheduler {
  public:
    static constexpr UINT_PTR kTimerId = 0;
    static constexpr UINT kDelayMs = 2000;

    // list: the window whose timer 0 is the delay. readSettings: the page's settings as they are
    // when a page starts, read on the window's thread. onPageReady: runs on the window's thread
    // with the path of each page written (a stopped page included, as far as it got).
    CThumbnailScheduler(CWnd& list, std::function<PageSettings()> readSettings,
                        std::function<void(const std::string& page)> onPageReady);
    ~CThumbnailScheduler();
    CThumbnailScheduler(const CThumbnailScheduler&) = delete;
    CThumbnailScheduler& operator=(const CThumbnailScheduler&) = delete;

    // An item of the list changed (selection, focus, check box, or the list was refilled):
    // stop a running page, restart the delay, and, when the item is now selected, take the
    // paths the list gives (its selected file rows).
    void OnItemChanged(bool nowSelected,
                       const std::function<void(std::vector<std::string>& paths)>& selectedFiles);
    // Timer 0 of the list fired: start a page from what is pending.
    void OnTimer();
    // The list is going away: the page is asked to stop, and whatever it writes is dropped.
    void OnDestroy();

    // Asks a running page to end early; returns at once.
    void StopThumbnailThread();
    bool IsGenerationRunning() const;

    const std::vector<std::string>& Pending() const { return m_pending; }

    // Where pages are written: the user's temporary directory and "PelorandHtmlTemp.html".
    static std::string DefaultPagePath();
    // Tests: another page file, another file system, and a look at each page's start.
    std::string m_pagePath;
    std::shared_ptr<const IFileSystem> m_pFileSystem;
    std::function<void()> m_onGenerationStart;  // runs on the page thread

  private:
    void OnPageWritten(const std::string& page);

    CWnd& m_list;
    std::function<PageSettings()> m_readSettings;
    std::function<void(const std::string&)> m_onPageReady;
    std::vector<std::string> m_pending;
    // Which page may write the file: only the newest. A page that was stopped but still runs
    // must not write over the page of the one that followed it.
    struct Writing;
    std::shared_ptr<Writing> m_writing;
    std::unique_ptr<CWorker> m_pWorker;  // made with the first page
};

// Writes text to path as a whole: into a file beside it first, then put in its place, so that
// a page is never read half written. False when either step fails.
bool WriteWholeFile(const std::string& path, const std::string& text);
