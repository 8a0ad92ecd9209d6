// The worker helper with a fake job: results reach the window in order and are owned until
// taken, a cancel request stops the job, the window's end joins the worker and frees what it
// never took, and the job runs with COM initialised.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "EditorFixture.h"
#include "fw/Ids.h"
#include "fw/Wnd.h"
#include "fw/Worker.h"
#include "win/Handles.h"

namespace {

constexpr UINT kResultMessage = WM_FW_PROGRAM_FIRST + 20;

// A result that counts how many of its kind are alive.
struct Page {
    static std::atomic<int> s_alive;
    explicit Page(int n) : number(n) { ++s_alive; }
    ~Page() { --s_alive; }
    int number;
};
std::atomic<int> Page::s_alive{0};

class WorkerWindow : public CWnd {
  public:
    WorkerWindow() {
        RegisterClassOnce("WorkerTestWindow", 0, nullptr, nullptr);
        CreateEx(0, "WorkerTestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    CWorker m_worker{*this};
    std::vector<int> m_received;
    int m_dropped = 0;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kResultMessage) {
            if (auto page = m_worker.Take<Page>(wParam)) {
                m_received.push_back(page->number);
            } else {
                ++m_dropped;
            }
            return 0;
        }
        return CWnd::WndProc(msg, wParam, lParam);
    }
};

// Posts count pages, signals posted (if given), then waits for the cancel request when told to.
CWorker::Job PostPages(int first, int count, bool waitForCancel, HANDLE posted = nullptr) {
    return [=](CWorker& worker) {
        for (int i = 0; i < count; ++i)
            worker.Post(kResultMessage, std::make_unique<Page>(first + i));
        if (posted) SetEvent(posted);
        while (waitForCancel && !worker.CancelRequested()) Sleep(1);
    };
}

using WorkerTest = EditorTest;

}  // namespace

TEST_F(WorkerTest, ResultsArriveInOrderOwnedUntilTakenAndTheJobRunsWithCom) {
    {
        WorkerWindow window;
        std::atomic<HRESULT> com{E_FAIL};
        ASSERT_TRUE(window.m_worker.Start([&](CWorker& worker) {
            // In the multithreaded apartment already: asking for it again says S_FALSE (a
            // single-threaded one would answer RPC_E_CHANGED_MODE).
            HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(hr)) CoUninitialize();
            com = hr;
            PostPages(1, 3, false)(worker);
        }));
        window.m_worker.Wait();
        EXPECT_FALSE(window.m_worker.IsRunning());
        EXPECT_EQ(com.load(), S_FALSE);
        EXPECT_EQ(Page::s_alive, 3);  // owned by the worker until taken
        Pump();
        EXPECT_EQ(window.m_received, (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(Page::s_alive, 0);

        // A new job drops what the last one posted and the window has not taken.
        window.m_worker.Start(PostPages(10, 2, false));
        window.m_worker.Wait();
        window.m_worker.Start(PostPages(20, 1, false));
        window.m_worker.Wait();
        EXPECT_EQ(Page::s_alive, 1);
        Pump();
        EXPECT_EQ(window.m_received, (std::vector<int>{1, 2, 3, 20}));
        EXPECT_EQ(window.m_dropped, 2);
    }
    EXPECT_EQ(Page::s_alive, 0);
}

TEST_F(WorkerTest, ACancelRequestStopsTheJobAndTheWindowsEndJoinsItAndFreesItsResults) {
    WorkerWindow window;
    CUniqueKernelHandle posted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(window.m_worker.Start(PostPages(1, 2, true, posted.Get())));
    WaitForSingleObject(posted.Get(), INFINITE);
    EXPECT_TRUE(window.m_worker.IsRunning());  // waiting for the request
    window.m_worker.RequestCancel();
    window.m_worker.Join();
    EXPECT_FALSE(window.m_worker.IsRunning());
    // Nothing is posted after the request.
    EXPECT_FALSE(window.m_worker.Post(kResultMessage, std::make_unique<Page>(9)));
    EXPECT_EQ(Page::s_alive, 2);

    // The window goes while the job still runs and its results wait in the queue.
    ResetEvent(posted.Get());
    ASSERT_TRUE(window.m_worker.Start(PostPages(5, 3, true, posted.Get())));
    WaitForSingleObject(posted.Get(), INFINITE);
    EXPECT_EQ(Page::s_alive, 3);  // the first job's pages were dropped at the start
    DestroyWindow(window.m_hWnd);
    // Joined: the job saw the cancel request and ended; its pages, which nobody can take any
    // more, are freed.
    EXPECT_FALSE(window.m_worker.IsRunning());
    EXPECT_EQ(Page::s_alive, 0);
    Pump();
    EXPECT_TRUE(window.m_received.empty());
}
