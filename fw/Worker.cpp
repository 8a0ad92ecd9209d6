#include "fw/Worker.h"

#include <process.h>

#include <algorithm>
#include <exception>

#include "fw/Wnd.h"
#include "win/Handles.h"

bool WaitAnsweringSentMessages(HANDLE handle) {
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        // Only sent messages are answered here; nothing is removed from the posted queue.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

namespace {
struct ThreadStart {
    CWorker* worker;
    CWorker::Job job;
};
}  // namespace

CWorker::CWorker(CWnd& owner)
    : m_owner(owner), m_cancelEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_owner.m_workers.push_back(this);
}

CWorker::~CWorker() {
    Join();
    auto& workers = m_owner.m_workers;
    workers.erase(std::remove(workers.begin(), workers.end(), this), workers.end());
}

UINT CWorker::FailureMessage() {
    static const UINT message = RegisterWindowMessageW(L"CWorker.Failure");
    return message;
}

bool CWorker::Start(Job job) {
    Join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_results.clear();
    }
    m_hTarget = m_owner.m_hWnd;
    if (!m_hTarget) return false;
    m_cancel = false;
    ResetEvent(m_cancelEvent.Get());
    m_running = true;
    auto start = std::make_unique<ThreadStart>(ThreadStart{this, std::move(job)});
    const uintptr_t thread = _beginthreadex(nullptr, 0, ThreadMain, start.get(), 0, nullptr);
    if (!thread) {
        m_running = false;
        return false;
    }
    start.release();  // the thread's now
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall CWorker::ThreadMain(void* param) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    start->worker->Run(start->job);
    return 0;
}

void CWorker::RequestCancel() {
    m_cancel = true;
    SetEvent(m_cancelEvent.Get());
}

void CWorker::Wait() {
    if (!m_thread) return;
    if (!WaitAnsweringSentMessages(m_thread.Get())) WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
}

void CWorker::Join() {
    RequestCancel();
    Wait();
}

void CWorker::OnOwnerDestroyed() {
    Join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_results.clear();
}

void CWorker::Run(const Job& job) {
    // Free-threaded: a job's COM objects (the imaging codecs) need no message pump, and a
    // single-threaded apartment here would have none.
    CComInit com(COINIT_MULTITHREADED);
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
        try {
            auto text = std::make_unique<std::string>(failure);
            OwnedPtr owned(text.release(), [](void* p) { delete static_cast<std::string*>(p); });
            PostKeyed(FailureMessage(), std::move(owned), typeid(std::string),
                      reinterpret_cast<LPARAM>(this));
        } catch (...) {
            // No memory left for the text: the failure goes unreported rather than crash.
        }
    }
    m_running = false;
}

bool CWorker::PostOwned(UINT msg, OwnedPtr value, const std::type_info& type) {
    if (m_cancel) return false;
    return PostKeyed(msg, std::move(value), type, 0);
}

bool CWorker::PostKeyed(UINT msg, OwnedPtr value, const std::type_info& type, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(m_mutex);
    WPARAM key = m_nextKey++;
    m_results.emplace(key, Owned{std::move(value), &type});
    if (PostMessageW(m_hTarget, msg, key, lParam)) return true;
    m_results.erase(key);  // the window is gone: nobody will take it
    return false;
}

CWorker::OwnedPtr CWorker::TakeOwned(WPARAM key, const std::type_info& type) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_results.find(key);
    if (found == m_results.end() || *found->second.type != type) return OwnedPtr(nullptr, nullptr);
    OwnedPtr value = std::move(found->second.value);
    m_results.erase(found);
    return value;
}
