// Background work: one job at a time on a thread of its own, with COM initialised there. The
// job checks CancelRequested() and hands its results home as posted messages: to a window that
// owns the worker, or, for an owner that is no window (the document, a scheduler), to a handler
// on the thread that made the worker. The owner takes each one with Take<T>(wParam). A result
// never taken (the owner went first, or a newer job started) is freed by the worker.
//
// Nothing here ever waits for a job: a job on a share that stopped answering may take the
// network's timeout, or forever. Starting a job asks the one before it to stop and leaves it
// to end on its own; whatever it posts afterwards is dropped. The owner's WM_DESTROY and the
// worker's destructor do the same, so a window closes at once and the process may even end
// with a job still blocked. For that, a job's thread owns all it touches: the job with its
// copies of the inputs, and a CWorkerJob that shares the worker's small state block (the
// window to post to and the results table) through a shared_ptr. It never refers to the
// CWorker or to the window's object, which may be gone long before it ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>

#include "win/Handles.h"

class CWnd;
class CWorkerJob;

class CWorker {
  public:
    using Job = std::function<void(CWorkerJob& job)>;

    // apartment: the COM apartment of the job's thread. Free-threaded suits the imaging codecs;
    // a job that uses apartment-threaded shell objects asks for a single-threaded one.
    explicit CWorker(CWnd& owner, DWORD apartment = COINIT_MULTITHREADED);
    // Results come to handler (msg, key, lParam) on this thread, as do the timers set on
    // MessageWindow(): the worker has a message-only window of its own for them.
    using Handler = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit CWorker(Handler handler, DWORD apartment = COINIT_MULTITHREADED);
    // Asks a running job to stop and drops its results; does not wait for it.
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    // Starts job on a new thread. A job still running is asked to stop and left to end by
    // itself; results of earlier jobs not yet taken, and all they post from now on, are
    // dropped. False when the owner has no window or no thread could be made.
    bool Start(Job job);
    // Asks the job to stop; it ends at its next look at CancelRequested() (or CancelEvent()).
    void RequestCancel();
    // True until the current job has returned.
    bool IsRunning() const;
    // Where the results are posted; a worker with a handler makes its window when first
    // asked for it or with its first job.
    HWND MessageWindow();
    // Waits up to timeoutMs for the current job to return, answering messages sent to this
    // thread; true when it has. Tests use it; the program only for work that must be done
    // before the process ends (the end wallpaper), with a bound, its window gone or going.
    bool WaitUpTo(DWORD timeoutMs);

    // For the window, at msg: the result posted under key, or null when it was dropped.
    template <typename T>
    std::unique_ptr<T> Take(WPARAM key) {
        return std::unique_ptr<T>(static_cast<T*>(TakeOwned(key, typeid(T)).release()));
    }

    // An exception that ended the job is posted to the owner as this message (wParam the
    // key, lParam names the worker); CWnd reports it through the application.
    static UINT FailureMessage();

    using OwnedPtr = std::unique_ptr<void, void (*)(void*)>;
    struct State;

  private:
    friend class CWnd;
    class CSink;
    // The owner's WM_DESTROY: the job is asked to stop, and results nobody can take any more
    // are freed; nothing more reaches the window.
    void OnOwnerDestroyed();
    bool IsFailureFrom(LPARAM lParam) const;
    OwnedPtr TakeOwned(WPARAM key, const std::type_info& type);
    static unsigned __stdcall ThreadMain(void* param);

    std::unique_ptr<CSink> m_pSink;  // the window of a worker with a handler
    CWnd* m_pOwner;
    DWORD m_apartment;
    std::shared_ptr<State> m_state;
    std::shared_ptr<CWorkerJob> m_job;  // the current job; its thread holds it too
    CUniqueKernelHandle m_thread;       // the current job's thread
};

// What a job sees of its worker: the stop request and the way home for its results. Its
// thread owns it, so it stays valid however long the job runs.
class CWorkerJob {
  public:
    CWorkerJob(std::shared_ptr<CWorker::State> state, unsigned generation, DWORD apartment);
    CWorkerJob(const CWorkerJob&) = delete;
    CWorkerJob& operator=(const CWorkerJob&) = delete;

    bool CancelRequested() const { return m_cancel; }
    // Signalled with the cancel request, for a job that sleeps on handles until it has work.
    HANDLE CancelEvent() const { return m_cancelEvent.Get(); }

    // Posts msg to the owner with the result's key in wParam. False (and the result freed)
    // when the window is gone, the job was cancelled or a newer job has started.
    template <typename T>
    bool Post(UINT msg, std::unique_ptr<T> result) {
        if (m_cancel) return false;
        return PostKeyed(msg, Own(std::move(result)), typeid(T), 0, true);
    }
    // As Post, with tag in lParam: which of several jobs posting one message this one is.
    template <typename T>
    bool Post(UINT msg, std::unique_ptr<T> result, LPARAM tag) {
        if (m_cancel) return false;
        return PostKeyed(msg, Own(std::move(result)), typeid(T), tag, true);
    }
    // As Post, but also after a cancel request: the last word of a job that was stopped and
    // whose shortened result is still wanted. Still dropped once a newer job has started.
    template <typename T>
    bool PostFinal(UINT msg, std::unique_ptr<T> result) {
        return PostKeyed(msg, Own(std::move(result)), typeid(T), 0, true);
    }

  private:
    friend class CWorker;
    template <typename T>
    static CWorker::OwnedPtr Own(std::unique_ptr<T> result) {
        return CWorker::OwnedPtr(result.release(), [](void* p) { delete static_cast<T*>(p); });
    }
    bool PostKeyed(UINT msg, CWorker::OwnedPtr value, const std::type_info& type, LPARAM lParam,
                   bool onlyIfCurrent);
    void Cancel();
    void Run(const CWorker::Job& job);

    std::shared_ptr<CWorker::State> m_state;
    const unsigned m_generation;
    const DWORD m_apartment;
    CUniqueKernelHandle m_cancelEvent;  // manual reset, set with m_cancel
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
};
