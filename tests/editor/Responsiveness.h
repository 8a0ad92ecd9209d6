// How long the test's thread (the windows' thread) goes without answering: another thread
// sends WM_NULL to a window of this thread every few milliseconds and keeps the longest time
// an answer took. The test's thread must pump meanwhile (PumpFor), as a message loop does.
// And a file system that never answers when asked about one path, until released.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "model/FileSystem.h"
#include "win/Handles.h"

class CResponsivenessProbe {
  public:
    CResponsivenessProbe() {
        WNDCLASSW probe{};
        probe.lpfnWndProc = DefWindowProcW;
        probe.hInstance = GetModuleHandleW(nullptr);
        probe.lpszClassName = L"PelorandTestProbe";
        RegisterClassW(&probe);
        m_window = CreateWindowExW(0, L"PelorandTestProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, nullptr, nullptr);
        m_thread = std::thread([this] { Run(); });
    }
    ~CResponsivenessProbe() {
        Stop();
        DestroyWindow(m_window);
    }
    CResponsivenessProbe(const CResponsivenessProbe&) = delete;
    CResponsivenessProbe& operator=(const CResponsivenessProbe&) = delete;

    // Ends the probe (answering it meanwhile); the longest wait for an answer, in ms.
    long Stop() {
        if (m_thread.joinable()) {
            m_stop = true;
            // Its last message may be on its way: answered here.
            while (!m_finished) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                PumpOnce();
            }
            m_thread.join();
        }
        return m_longest;
    }
    // Prints the figure for the record, under the test's name. A probe that got no answer
    // at all measured nothing: it says so with a figure no test accepts.
    long Report(const char* what) {
        const long longest = Stop();
        std::printf("[ longest unresponsive ] %s: %ld ms (%ld answers)\n", what, longest,
                    m_answers.load());
        std::fflush(stdout);
        return m_answers > 0 ? longest : 1000000;
    }

    // Handles this thread's messages for ms milliseconds, as a message loop would.
    static void PumpFor(DWORD ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            PumpOnce();
        }
    }
    static void PumpOnce() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Milliseconds since start.
    static long Since(std::chrono::steady_clock::time_point start) {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
    }

  private:
    void Run() {
        while (!m_stop) {
            const auto start = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer))
                ++m_answers;
            m_longest = std::max<long>(m_longest, Since(start));
            Sleep(3);
        }
        m_finished = true;
    }

    HWND m_window = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<long> m_longest{0};
    std::atomic<long> m_answers{0};
};

// A file system on which one path never answers when asked, like a file on a share that
// went to sleep, until the test releases it (at its end, so that the process can exit).
// Every other path is a readable file.
class CStuckFileSystem : public IFileSystem {
  public:
    explicit CStuckFileSystem(std::string stuckPath = std::string()) { Stick(stuckPath); }
    ~CStuckFileSystem() override { Unblock(); }

    // From now on path never answers (none: empty), until released.
    void Stick(const std::string& path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stuckPath = path;
        ResetEvent(m_entered.Get());
        ResetEvent(m_release.Get());
    }

    PathAttributes GetAttributes(const std::string& path) const override {
        PathAttributes attributes;
        attributes.readable = true;
        bool stuck = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            stuck = !m_stuckPath.empty() && path == m_stuckPath;
        }
        if (stuck) {
            ++m_blocked;
            SetEvent(m_entered.Get());
            WaitForSingleObject(m_release.Get(), INFINITE);
            --m_blocked;
        }
        return attributes;
    }
    void Enumerate(const std::string&, const std::string&,
                   const std::function<bool(const std::string&)>&) const override {}
    char Separator() const override { return '\\'; }

    // True once a job is stuck on the path (waits up to ms).
    bool WaitUntilStuck(DWORD ms) const {
        return WaitForSingleObject(m_entered.Get(), ms) == WAIT_OBJECT_0;
    }
    bool IsStuck() const { return m_blocked > 0; }
    void Unblock() { SetEvent(m_release.Get()); }

  private:
    mutable std::mutex m_mutex;
    std::string m_stuckPath;
    CUniqueKernelHandle m_entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CUniqueKernelHandle m_release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    mutable std::atomic<int> m_blocked{0};
};
