#include "fw/Worker.h"

#include <process.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "fw/Wnd.h"
#include "win/Handles.h"

// Shared by the worker and the threads of all its jobs, current and abandoned; the last of
// them to go frees it, with any result still in it.
struct CWorker::State {
    struct Owned {
        OwnedPtr value;
        const std::type_info* type;
    };
    std::mutex mutex;
    HWND target = nullptr;    // null once the window or the worker is gone
    unsigned generation = 0;  // the current job's; an older job's results are dropped
    std::map<WPARAM, Owned> results;
    WPARAM nextKey = 1;
};

namespace {
struct ThreadStart {
    std::shared_ptr<CWorkerJob> job;
    CWorker::Job work;
};

// Waits up to timeoutMs for handle, answering the messages other threads send to this one
// meanwhile (a job blocked in SendMessage to our window must not hang the wait); posted
// messages stay in the queue.
bool WaitAnsweringSentMessages(HANDLE handle, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left =
            timeoutMs == INFINITE ? INFINITE : (spent >= timeoutMs ? 0 : timeoutMs - spent);
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
}  // namespace

// The message-only window of a worker whose owner is no window: it hands the worker's
// messages and its timers to the handler.
class CWorker::CSink : public CWnd {
  public:
    explicit CSink(Handler handler) : m_handler(std::move(handler)) {}
    bool Create() {
        RegisterClassOnce("PelorandWorker", 0, nullptr, nullptr);
        return CreateEx(0, "PelorandWorker", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER || (msg >= WM_USER && msg <= 0xBFFF)) {
            m_handler(msg, wParam, lParam);
            return 0;
        }
        return CWnd::WndProc(msg, wParam, lParam);
    }

  private:
    Handler m_handler;
};

CWorker::CWorker(CWnd& owner, DWORD apartment)
    : m_pOwner(&owner), m_apartment(apartment), m_state(std::make_shared<State>()) {
    owner.m_workers.push_back(this);
}

CWorker::CWorker(Handler handler, DWORD apartment)
    : m_pSink(std::make_unique<CSink>(std::move(handler))),
      m_pOwner(m_pSink.get()),
      m_apartment(apartment),
      m_state(std::make_shared<State>()) {
    m_pOwner->m_workers.push_back(this);
}

CWorker::~CWorker() {
    OnOwnerDestroyed();
    auto& workers = m_pOwner->m_workers;
    workers.erase(std::remove(workers.begin(), workers.end(), this), workers.end());
    // The sink's window goes with it; nothing posted to it arrives any more.
    m_pSink.reset();
}

HWND CWorker::MessageWindow() {
    if (m_pSink && !m_pSink->m_hWnd) m_pSink->Create();
    return m_pOwner->m_hWnd;
}

UINT CWorker::FailureMessage() {
    static const UINT message = RegisterWindowMessageW(L"CWorker.Failure");
    return message;
}

bool CWorker::Start(Job job) {
    if (m_job) m_job->Cancel();
    MessageWindow();  // a worker with a handler makes its window now
    std::vector<State::Owned> dropped;  // freed outside the lock
    unsigned generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        for (auto& entry : m_state->results) dropped.push_back(std::move(entry.second));
        m_state->results.clear();
        m_state->target = m_pOwner->m_hWnd;
        generation = ++m_state->generation;
    }
    m_job.reset();
    m_thread.Reset();  // the old thread goes on alone
    if (!m_pOwner->m_hWnd) return false;
    auto start = std::make_unique<ThreadStart>(ThreadStart{
        std::make_shared<CWorkerJob>(m_state, generation, m_apartment), std::move(job)});
    std::shared_ptr<CWorkerJob> current = start->job;
    const uintptr_t thread = _beginthreadex(nullptr, 0, ThreadMain, start.get(), 0, nullptr);
    if (!thread) return false;
    start.release();  // the thread's now
    m_job = std::move(current);
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall CWorker::ThreadMain(void* param) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    start->job->Run(start->work);
    return 0;
}

void CWorker::RequestCancel() {
    if (m_job) m_job->Cancel();
}

bool CWorker::IsRunning() const {
    return m_job && !m_job->m_done;
}

bool CWorker::WaitUpTo(DWORD timeoutMs) {
    if (!m_thread) return true;
    return WaitAnsweringSentMessages(m_thread.Get(), timeoutMs);
}

void CWorker::OnOwnerDestroyed() {
    if (m_job) m_job->Cancel();
    std::vector<State::Owned> dropped;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        for (auto& entry : m_state->results) dropped.push_back(std::move(entry.second));
        m_state->results.clear();
        m_state->target = nullptr;
        ++m_state->generation;
    }
}

bool CWorker::IsFailureFrom(LPARAM lParam) const {
    return reinterpret_cast<LPARAM>(m_state.get()) == lParam;
}

CWorker::OwnedPtr CWorker::TakeOwned(WPARAM key, const std::type_info& type) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto found = m_state->results.find(key);
    if (found == m_state->results.end() || *found->second.type != type)
        return OwnedPtr(nullptr, nullptr);
    OwnedPtr value = std::move(found->second.value);
    m_state->results.erase(found);
    return value;
}

CWorkerJob::CWorkerJob(std::shared_ptr<CWorker::State> state, unsigned generation, DWORD apartment)
    : m_state(std::move(state)),
      m_generation(generation),
      m_apartment(apartment),
      m_cancelEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CWorkerJob::Cancel() {
    m_cancel = true;
    SetEvent(m_cancelEvent.Get());
}

void CWorkerJob::Run(const CWorker::Job& job) {
    // The thread pumps no messages: only objects made on it may live in its apartment.
    CComInit com(m_apartment);
    std::string failure;
    try {
        job(*this);
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "unknown exception";
    }
    if (!failure.empty()) {
        // Reported on the window's thread: this one has no business showing a message box.
        // Also for a job since superseded: a fault is worth hearing of whenever it came.
        try {
            auto text = std::make_unique<std::string>(failure);
            PostKeyed(CWorker::FailureMessage(), Own(std::move(text)), typeid(std::string),
                      reinterpret_cast<LPARAM>(m_state.get()), false);
        } catch (...) {
            // No memory left for the text: the failure goes unreported rather than crash.
        }
    }
    m_done = true;
}

bool CWorkerJob::PostKeyed(UINT msg, CWorker::OwnedPtr value, const std::type_info& type,
                           LPARAM lParam, bool onlyIfCurrent) {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (!m_state->target || (onlyIfCurrent && m_state->generation != m_generation)) {
        lock.unlock();
        return false;  // value is freed here, outside the lock
    }
    const WPARAM key = m_state->nextKey++;
    m_state->results.emplace(key, CWorker::State::Owned{std::move(value), &type});
    if (PostMessageW(m_state->target, msg, key, lParam)) return true;
    // The window is gone: nobody will take it.
    auto posted = m_state->results.find(key);
    CWorker::OwnedPtr gone = std::move(posted->second.value);
    m_state->results.erase(posted);
    lock.unlock();
    return false;
}
