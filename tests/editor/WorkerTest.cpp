// The worker helper with a fake job: results reach the window in order and are owned until
// taken, a cancel request stops the job, the window's end frees what it never took, and the
// job runs with COM initialised. A job blocked as on a share that never answers holds up
// neither a new start nor the window's end nor the worker's, and posts nothing afterwards.
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
    return [=](CWorkerJob& worker) {
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
        ASSERT_TRUE(window.m_worker.Start([&](CWorkerJob& worker) {
            // In the multithreaded apartment already: asking for it again says S_FALSE (a
            // single-threaded one would answer RPC_E_CHANGED_MODE).
            HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(hr)) CoUninitialize();
            com = hr;
            PostPages(1, 3, false)(worker);
        }));
        ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
        EXPECT_FALSE(window.m_worker.IsRunning());
        EXPECT_EQ(com.load(), S_FALSE);
        EXPECT_EQ(Page::s_alive, 3);  // owned by the worker until taken
        Pump();
        EXPECT_EQ(window.m_received, (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(Page::s_alive, 0);

        // A new job drops what the last one posted and the window has not taken.
        window.m_worker.Start(PostPages(10, 2, false));
        ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
        window.m_worker.Start(PostPages(20, 1, false));
        ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
        EXPECT_EQ(Page::s_alive, 1);
        Pump();
        EXPECT_EQ(window.m_received, (std::vector<int>{1, 2, 3, 20}));
        EXPECT_EQ(window.m_dropped, 2);
    }
    EXPECT_EQ(Page::s_alive, 0);
}

TEST_F(WorkerTest, ACancelRequestStopsTheJobAndTheWindowsEndFreesItsResults) {
    WorkerWindow window;
    CUniqueKernelHandle posted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(window.m_worker.Start(PostPages(1, 2, true, posted.Get())));
    WaitForSingleObject(posted.Get(), INFINITE);
    EXPECT_TRUE(window.m_worker.IsRunning());  // waiting for the request
    window.m_worker.RequestCancel();
    ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
    EXPECT_FALSE(window.m_worker.IsRunning());
    EXPECT_EQ(Page::s_alive, 2);

    // The window goes while the job still runs and its results wait in the queue.
    ResetEvent(posted.Get());
    ASSERT_TRUE(window.m_worker.Start(PostPages(5, 3, true, posted.Get())));
    WaitForSingleObject(posted.Get(), INFINITE);
    EXPECT_EQ(Page::s_alive, 3);  // the first job's pages were dropped at the start
    DestroyWindow(window.m_hWnd);
    // Its pages, which nobody can take any more, are freed at once; the job saw the request.
    EXPECT_EQ(Page::s_alive, 0);
    ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
    Pump();
    EXPECT_TRUE(window.m_received.empty());
}

namespace {
// A job stuck as in a read of a file that never answers: it waits for release alone, whatever
// the cancel request, then tries to post one page.
struct StuckJob {
    CUniqueKernelHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CUniqueKernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CUniqueKernelHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> posted{0};
    CWorker::Job Job(int number) {
        return [this, number](CWorkerJob& job) {
            SetEvent(entered.Get());
            WaitForSingleObject(release.Get(), INFINITE);
            if (job.PostFinal(kResultMessage, std::make_unique<Page>(number))) ++posted;
            SetEvent(ended.Get());
        };
    }
};
}  // namespace

TEST_F(WorkerTest, ABlockedJobHoldsUpNeitherANewStartNorTheWindowsEndAndPostsNothingLate) {
    StuckJob stuck;
    {
        WorkerWindow window;
        ASSERT_TRUE(window.m_worker.Start(stuck.Job(1)));
        ASSERT_EQ(WaitForSingleObject(stuck.entered.Get(), 10000), WAIT_OBJECT_0);
        // A new job starts at once beside the blocked one, whose result is dropped when it
        // finally comes.
        DWORD before = GetTickCount();
        ASSERT_TRUE(window.m_worker.Start(PostPages(10, 1, false)));
        EXPECT_LT(GetTickCount() - before, 100u);
        ASSERT_TRUE(window.m_worker.WaitUpTo(10000));
        SetEvent(stuck.release.Get());
        ASSERT_EQ(WaitForSingleObject(stuck.ended.Get(), 10000), WAIT_OBJECT_0);
        EXPECT_EQ(stuck.posted, 0);
        Pump();
        EXPECT_EQ(window.m_received, std::vector<int>{10});
        EXPECT_EQ(Page::s_alive, 0);

        // The window ends while a job is blocked: at once.
        ResetEvent(stuck.release.Get());
        ResetEvent(stuck.entered.Get());
        ResetEvent(stuck.ended.Get());
        ASSERT_TRUE(window.m_worker.Start(stuck.Job(2)));
        ASSERT_EQ(WaitForSingleObject(stuck.entered.Get(), 10000), WAIT_OBJECT_0);
        before = GetTickCount();
        DestroyWindow(window.m_hWnd);
        EXPECT_LT(GetTickCount() - before, 100u);
        EXPECT_TRUE(window.m_worker.IsRunning());
    }
    // The worker and its window are gone and the job's thread goes on alone; when released it
    // posts nothing, and its page is freed.
    SetEvent(stuck.release.Get());
    ASSERT_EQ(WaitForSingleObject(stuck.ended.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(stuck.posted, 0);
    EXPECT_EQ(Page::s_alive, 0);

    // The worker itself goes, its window staying, while a job is blocked.
    WorkerWindow window;
    ResetEvent(stuck.release.Get());
    ResetEvent(stuck.entered.Get());
    ResetEvent(stuck.ended.Get());
    {
        auto worker = std::make_unique<CWorker>(window);
        ASSERT_TRUE(worker->Start(stuck.Job(3)));
        ASSERT_EQ(WaitForSingleObject(stuck.entered.Get(), 10000), WAIT_OBJECT_0);
        const DWORD before = GetTickCount();
        worker.reset();
        EXPECT_LT(GetTickCount() - before, 100u);
    }
    SetEvent(stuck.release.Get());
    ASSERT_EQ(WaitForSingleObject(stuck.ended.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(stuck.posted, 0);
    Pump();
    EXPECT_TRUE(window.m_received.empty());
    EXPECT_EQ(Page::s_alive, 0);
}
