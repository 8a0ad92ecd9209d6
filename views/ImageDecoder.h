// Pictures decoded with the system's imaging component away from the window's thread: the
// window says which pictures it wants, most wanted first, and receives each one decoded and
// scaled as a posted message. What it stops wanting before a thread reaches it is dropped.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fw/Worker.h"
#include "win/Handles.h"

struct DecodeRequest {
    std::string path;
    int width = 0;  // 0 and 0: the picture's own size
    int height = 0;
    std::string Key() const;
};

struct DecodedImage {
    DecodeRequest request;
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // top-down rows, premultiplied BGRA
    // What was decoded: the thumbnail the photograph carries, the codec's own reduction of
    // the picture (a JPEG's 1/2, 1/4, 1/8), or the whole picture.
    enum class Source { None, Embedded, Reduced, Whole };
    Source source = Source::None;
};

// Decodes path (CP932) at the size asked for, reading no more of it than that size needs: a
// photograph's own thumbnail when it is large enough, else the codec's own reduction, then
// scaled. The file stays open to others (read, write, rename, delete) meanwhile. False for a
// file that is not a picture, cannot be read, is damaged, or declares a size beyond what is
// ever decoded.
bool DecodeImageFile(const DecodeRequest& request, DecodedImage& image);

class CImageDecoder {
  public:
    // Results go to owner as message, with the index of the thread that decoded them in lParam.
    static constexpr int kThreads = 2;
    CImageDecoder(CWnd& owner, UINT message);
    ~CImageDecoder();

    // Starts the threads (the owner's window must exist).
    bool Start();
    // Replaces what is waiting by wanted, in that order; a picture being decoded is not asked
    // for twice.
    void SetWanted(const std::vector<DecodeRequest>& wanted);
    // The result behind a message of ours, or null (dropped, or not ours).
    std::unique_ptr<DecodedImage> Take(UINT msg, WPARAM wParam, LPARAM lParam);
    bool IsOurMessage(UINT msg) const { return msg == m_message; }
    // Requests waiting or being decoded (tests look).
    std::size_t Outstanding() const;

  private:
    // What the window and the decoding threads share. A thread holds it for as long as it
    // runs: a decode blocked on a file that never answers outlives the window harmlessly.
    struct Queue {
        std::mutex mutex;
        CUniqueKernelHandle work{
            CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // set while it holds work (manual reset)
        std::deque<DecodeRequest> waiting;
        std::multiset<std::string> busy;  // keys being decoded now
    };
    static void Run(Queue& queue, CWorkerJob& job, UINT message, int thread);
    static bool Next(Queue& queue, CWorkerJob& job, DecodeRequest& request);

    UINT m_message;
    std::vector<std::unique_ptr<CWorker>> m_workers;
    std::shared_ptr<Queue> m_queue;
};
