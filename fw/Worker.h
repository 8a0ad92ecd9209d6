// Background work for a window: one job at a time on a thread of its own, with COM
// initialised there. The job checks CancelRequested() and hands its results to the window
// as posted messages; the window takes each one with Take<T>(wParam). A result the window
// never takes (it was destroyed first, or a newer job started) is freed by the worker.
// The worker belongs to its window and is joined when the window is destroyed. Waits for the
// thread are on its handle and answer messages other threads send meanwhile (a thread blocked
// in SendMessage to this one must not hang us), but run no posted message: no command of the
// user can run in the middle of the handler that waits.
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

// Waits for handle to be signalled, answering the messages other threads send to this one's
// windows meanwhile; posted messages stay in the queue. False when the wait failed.
bool WaitAnsweringSentMessages(HANDLE handle);

class CWorker {
  public:
    using Job = std::function<void(CWorker& worker)>;

    explicit CWorker(CWnd& owner);
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    // Stops the job running (if any) and starts job. Results of earlier jobs not yet taken
    // are dropped. False when the owner has no window.
    bool Start(Job job);
    // Asks the job to stop; it ends at its next look at CancelRequested() (or CancelEvent()).
    void RequestCancel();
    // Waits for the job to end by itself.
    void Wait();
    // Asks the job to stop and waits for it. Called at the owner's WM_DESTROY.
    void Join();
    bool IsRunning() const { return m_running; }

    // For the job.
    bool CancelRequested() const { return m_cancel; }
    // Signalled with the cancel request, for a job that sleeps on handles until it has work.
    HANDLE CancelEvent() const { return m_cancelEvent.Get(); }
    // Posts msg to the owner with the result's key in wParam. False (and the result freed)
    // when the window is gone or the job was cancelled.
    template <typename T>
    bool Post(UINT msg, std::unique_ptr<T> result) {
        OwnedPtr owned(result.release(), [](void* p) { delete static_cast<T*>(p); });
        return PostOwned(msg, std::move(owned), typeid(T));
    }

    // As Post, but also after a cancel request: the last word of a job that was stopped and
    // whose shortened result is still wanted. False (and freed) when the window is gone.
    template <typename T>
    bool PostFinal(UINT msg, std::unique_ptr<T> result) {
        OwnedPtr owned(result.release(), [](void* p) { delete static_cast<T*>(p); });
        return PostKeyed(msg, std::move(owned), typeid(T), 0);
    }

    // For the window, at msg: the result posted under key, or null when it was dropped.
    template <typename T>
    std::unique_ptr<T> Take(WPARAM key) {
        return std::unique_ptr<T>(static_cast<T*>(TakeOwned(key, typeid(T)).release()));
    }

    // An exception that ended the job is posted to the owner as this message (wParam the
    // key, lParam the worker); CWnd reports it through the application.
    static UINT FailureMessage();

  private:
    friend class CWnd;
    using OwnedPtr = std::unique_ptr<void, void (*)(void*)>;
    struct Owned {
        OwnedPtr value;
        const std::type_info* type;
    };
    // The owner's WM_DESTROY: the job ends, and results nobody can take any more are freed.
    void OnOwnerDestroyed();
    bool PostOwned(UINT msg, OwnedPtr value, const std::type_info& type);
    bool PostKeyed(UINT msg, OwnedPtr value, const std::type_info& type, LPARAM lParam);
    OwnedPtr TakeOwned(WPARAM key, const std::type_info& type);
    void Run(const Job& job);
    static unsigned __stdcall ThreadMain(void* param);

    CWnd& m_owner;
    HWND m_hTarget = nullptr;
    CUniqueKernelHandle m_thread;
    CUniqueKernelHandle m_cancelEvent;  // manual reset, set with m_cancel
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    std::map<WPARAM, Owned> m_results;
    WPARAM m_nextKey = 1;
};
