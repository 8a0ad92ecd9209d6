#include "views/ImageDecoder.h"

#include <wincodec.h>

#include <chrono>

#include "fw/Handles.h"

namespace {
// A picture bigger than this (in pixels) is not decoded: 16384 x 16384 would be 1 GB.
constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;

std::wstring Wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    }
    return wide;
}
}  // namespace

std::string DecodeRequest::Key() const {
    return std::to_string(width) + 'x' + std::to_string(height) + '|' + path;
}

bool DecodeImageFile(const DecodeRequest& request, DecodedImage& image) {
    image.request = request;
    image.ok = false;
    if (request.path.empty()) return false;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return false;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    const std::wstring path = Wide(request.path);
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder))) {
        return false;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, &frame))) return false;
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return false;
    ComPtr<IWICBitmapSource> source = frame;
    if (request.width > 0 && request.height > 0) {
        width = static_cast<UINT>(request.width);
        height = static_cast<UINT>(request.height);
        ComPtr<IWICBitmapScaler> scaler;
        if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
            FAILED(
                scaler->Initialize(frame.Get(), width, height, WICBitmapInterpolationModeFant))) {
            return false;
        }
        source = scaler;
    } else if (request.width != 0 || request.height != 0) {
        return false;  // a thumbnail of no size: nothing to draw
    }
    if (static_cast<std::uint64_t>(width) * height > kMaxPixels) return false;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                     reinterpret_cast<BYTE*>(image.pixels.data())))) {
        image.pixels.clear();
        return false;
    }
    // Shown on the pane's white, as a browser shows a picture with transparent parts.
    for (std::uint32_t& pixel : image.pixels) {
        const std::uint32_t uncovered = 255 - (pixel >> 24);
        if (uncovered == 0) continue;
        pixel += uncovered | (uncovered << 8) | (uncovered << 16) | (uncovered << 24);
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.ok = true;
    return true;
}

CImageDecoder::CImageDecoder(CWnd& owner, UINT firstMessage) : m_firstMessage(firstMessage) {
    for (int i = 0; i < kThreads; ++i) m_workers.push_back(std::make_unique<CWorker>(owner));
}

CImageDecoder::~CImageDecoder() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
    }
    for (auto& worker : m_workers) worker->RequestCancel();
    m_ready.notify_all();
    m_workers.clear();  // each joins its thread
}

bool CImageDecoder::Start() {
    for (int i = 0; i < kThreads; ++i) {
        const UINT message = m_firstMessage + static_cast<UINT>(i);
        if (!m_workers[i]->Start([this, message](CWorker& worker) { Run(worker, message); })) {
            return false;
        }
    }
    return true;
}

void CImageDecoder::SetWanted(const std::vector<DecodeRequest>& wanted) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        for (const DecodeRequest& request : wanted) {
            if (!m_busy.count(request.Key())) m_queue.push_back(request);
        }
    }
    m_ready.notify_all();
}

std::size_t CImageDecoder::Outstanding() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size() + m_busy.size();
}

bool CImageDecoder::Next(CWorker& worker, DecodeRequest& request) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Woken for work, or every 50 ms to see whether the window is going.
    m_ready.wait_for(lock, std::chrono::milliseconds(50), [&] { return !m_queue.empty(); });
    if (m_queue.empty() || worker.CancelRequested()) return false;
    request = std::move(m_queue.front());
    m_queue.pop_front();
    m_busy.insert(request.Key());
    return true;
}

void CImageDecoder::Run(CWorker& worker, UINT message) {
    while (!worker.CancelRequested()) {
        DecodeRequest request;
        if (!Next(worker, request)) continue;
        auto image = std::make_unique<DecodedImage>();
        const std::string key = request.Key();
        try {
            DecodeImageFile(request, *image);
        } catch (const std::bad_alloc&) {
            image->pixels.clear();
            image->ok = false;  // too big for the memory left: drawn as broken
        }
        {
            // Done before the window hears of it, so that it may ask again at once.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy.erase(m_busy.find(key));
        }
        worker.Post(message, std::move(image));
    }
}

std::unique_ptr<DecodedImage> CImageDecoder::Take(UINT msg, WPARAM wParam) {
    if (!IsOurMessage(msg)) return nullptr;
    return m_workers[msg - m_firstMessage]->Take<DecodedImage>(wParam);
}
