// The file list's side of the thumbnail page: the paths waiting for the next page, the delay
// after the last change in the list, and the one thread at a time that writes the page and
// has the thumbnail pane load it.
//
// The pending list is shared with the page thread without a lock: the thread reads it from
// its start and empties it at its end, and this side appends only after stopping and waiting
// for a running page. The running flag is raised before the thread starts, so a change that
// arrives while the thread is being started waits for it as well.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "fw/Handles.h"
#include "views/ThumbnailPage.h"

class CWnd;
class IFileSystem;

class CThumbnailScheduler {
  public:
    static constexpr UINT_PTR kTimerId = 0;
    static constexpr UINT kDelayMs = 2000;

    // list: the window whose timer 0 is the delay. pageTarget: the window to load each page in
    // (null: none), asked when a page starts.
    CThumbnailScheduler(CWnd& list, std::function<HWND()> pageTarget);
    ~CThumbnailScheduler();
    CThumbnailScheduler(const CThumbnailScheduler&) = delete;
    CThumbnailScheduler& operator=(const CThumbnailScheduler&) = delete;

    // An item of the list changed: stop a running page, restart the delay, and, when the item
    // is now selected, take the paths the list gives (its selected file rows).
    void OnItemChanged(bool nowSelected,
                       const std::function<void(std::vector<std::string>& paths)>& selectedFiles);
    // Timer 0 of the list fired: start a page from what is pending.
    void OnTimer();
    // The list is going away: stop and wait, and let the thread end.
    void OnDestroy();

    // Asks a running page to end early and waits for it, handling messages and idle work in
    // steps of 100 ms so that the window stays alive. Returns at once when no page runs.
    void WaitForThumbnailThread();

    // A page is being written (process-wide: one page thread at a time).
    static bool IsGenerationRunning();

    const std::vector<std::string>& Pending() const { return m_pending; }
    StopRequest& StopFlag() { return m_stop; }

    // Where pages are written: the user's temporary directory and "PelorandHtmlTemp.html".
    static std::string DefaultPagePath();
    // Tests: another page file, another file system, and a look at each page's start.
    std::string m_pagePath;
    const IFileSystem* m_pFileSystem = nullptr;
    std::function<void()> m_onGenerationStart;  // runs on the page thread

  private:
    struct Generation;
    static DWORD WINAPI ThreadMain(void* param);
    void Generate(Generation& job);
    // Waits for the thread whose flags are down to return, and lets its handle go.
    void ReleaseFinishedThread();

    CWnd& m_list;
    std::function<HWND()> m_pageTarget;
    std::vector<std::string> m_pending;
    StopRequest m_stop{0};
    CUniqueKernelHandle m_thread;
};

// Writes text to path as a whole: into a file beside it first, then put in its place, so that
// a page is never read half written. False when either step fails.
bool WriteWholeFile(const std::string& path, const std::string& text);
