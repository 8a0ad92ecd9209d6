#include "views/ImageDecoder.h"

#include <wincodec.h>


#include "views/ImageHeader.h"
#include "win/Handles.h"
#include "win/Strconv.h"

// The codec's own scaling (a JPEG decoder reduces by 1/2, 1/4, 1/8 while it decodes), which
// mingw-w64's headers do not declare; laid out as the platform's SDK declares it.
#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
MIDL_INTERFACE("3B16811B-6A43-4EC9-A813-3D930C13B940")
IWICBitmapSourceTransform : public IUnknown {
  public:
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride,
                                                 UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                           BOOL* supported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xa8, 0x13, 0x3d, 0x93,
                0x0c, 0x13, 0xb9, 0x40)
#endif

namespace {
// A picture bigger than this (in pixels, as it is decoded) is not: 16384 x 16384 would be 1 GB.
constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;
// The bytes read ahead of the decoder: enough for a photograph's whole Exif block.
constexpr DWORD kHeadBytes = 70 * 1024;

// Big enough to be drawn at want x want without enlarging it by more than a third.
bool LargeEnough(UINT width, UINT height, UINT wantWidth, UINT wantHeight) {
    return static_cast<std::uint64_t>(width) * 4 >= static_cast<std::uint64_t>(wantWidth) * 3 &&
           static_cast<std::uint64_t>(height) * 4 >= static_cast<std::uint64_t>(wantHeight) * 3;
}

// The thumbnail a camera stored in the photograph's Exif block, decoded from the bytes already
// read (kept alive by stream and head) without opening the photograph's own decoder: some
// codecs (Wine's) decode the whole picture as soon as they are opened.
ComPtr<IWICBitmapSource> ExifThumbnail(IWICImagingFactory* factory, const std::string& head,
                                       const ImageHeader& header, ComPtr<IWICStream>& stream) {
    if (header.thumbnailLength == 0) return nullptr;
    ComPtr<IWICBitmapDecoder> small;
    ComPtr<IWICBitmapFrameDecode> smallFrame;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(
            reinterpret_cast<BYTE*>(const_cast<char*>(head.data() + header.thumbnailOffset)),
            static_cast<DWORD>(header.thumbnailLength))) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, &small)) ||
        FAILED(small->GetFrame(0, &smallFrame))) {
        return nullptr;
    }
    return smallFrame;
}

// The thumbnail the codec finds itself (where it reads thumbnails of formats we do not).
ComPtr<IWICBitmapSource> CodecThumbnail(IWICBitmapDecoder* decoder, IWICBitmapFrameDecode* frame) {
    ComPtr<IWICBitmapSource> thumbnail;
    if (SUCCEEDED(frame->GetThumbnail(&thumbnail)) && thumbnail) return thumbnail;
    thumbnail.Reset();
    if (SUCCEEDED(decoder->GetThumbnail(&thumbnail)) && thumbnail) return thumbnail;
    return nullptr;
}

// The thumbnail if it can be drawn at want x want; its size in width and height.
ComPtr<IWICBitmapSource> UsableThumbnail(ComPtr<IWICBitmapSource> thumbnail, UINT wantWidth,
                                         UINT wantHeight, UINT& width, UINT& height) {
    if (!thumbnail || FAILED(thumbnail->GetSize(&width, &height)) || width == 0 || height == 0 ||
        !LargeEnough(width, height, wantWidth, wantHeight)) {
        return nullptr;
    }
    return thumbnail;
}

// The frame decoded by the codec itself at the smallest of its own reductions (a JPEG decoder
// offers 1/2, 1/4 and 1/8) that is still at least want x want; null when it offers none.
ComPtr<IWICBitmapSource> NativelyReduced(IWICImagingFactory* factory,
                                         IWICBitmapFrameDecode* frame, UINT width, UINT height,
                                         UINT wantWidth, UINT wantHeight) {
    ComPtr<IWICBitmapSourceTransform> transform;
    if (FAILED(frame->QueryInterface(IID_PPV_ARGS(&transform)))) return nullptr;
    UINT reducedWidth = width, reducedHeight = height;
    for (UINT k = 8; k >= 2; k /= 2) {
        const UINT w = (width + k - 1) / k, h = (height + k - 1) / k;
        if (w >= wantWidth && h >= wantHeight) {
            reducedWidth = w;
            reducedHeight = h;
            break;
        }
    }
    if (reducedWidth == width) return nullptr;  // nothing to gain
    if (FAILED(transform->GetClosestSize(&reducedWidth, &reducedHeight)) ||
        reducedWidth >= width || reducedWidth == 0 || reducedHeight == 0 ||
        static_cast<std::uint64_t>(reducedWidth) * reducedHeight > kMaxPixels) {
        return nullptr;
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(transform->GetClosestPixelFormat(&format))) return nullptr;
    BOOL supported = FALSE;
    if (FAILED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &supported)) ||
        !supported) {
        return nullptr;
    }
    ComPtr<IWICBitmap> bitmap;
    if (FAILED(factory->CreateBitmap(reducedWidth, reducedHeight, format, WICBitmapCacheOnLoad,
                                     &bitmap))) {
        return nullptr;
    }
    WICRect all{0, 0, static_cast<INT>(reducedWidth), static_cast<INT>(reducedHeight)};
    ComPtr<IWICBitmapLock> lock;
    UINT stride = 0, size = 0;
    BYTE* data = nullptr;
    if (FAILED(bitmap->Lock(&all, WICBitmapLockWrite, &lock)) ||
        FAILED(lock->GetStride(&stride)) || FAILED(lock->GetDataPointer(&size, &data))) {
        return nullptr;
    }
    if (FAILED(transform->CopyPixels(nullptr, reducedWidth, reducedHeight, &format,
                                     WICBitmapTransformRotate0, stride, size, data))) {
        return nullptr;
    }
    lock.Reset();
    return bitmap;
}

// The file, open for reading while others may read, write, rename or delete it.
CUniqueFile OpenShared(const std::string& path) {
    const std::wstring wide = ToWide(path);
    return CUniqueFile(CreateFileW(wide.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}
}  // namespace

std::string DecodeRequest::Key() const {
    return std::to_string(width) + 'x' + std::to_string(height) + '|' + path;
}

bool DecodeImageFile(const DecodeRequest& request, DecodedImage& image) {
    image.request = request;
    image.ok = false;
    image.source = DecodedImage::Source::None;
    if (request.path.empty()) return false;
    if ((request.width > 0) != (request.height > 0) || request.width < 0 || request.height < 0) {
        return false;  // a thumbnail of no size: nothing to draw
    }
    CUniqueFile file = OpenShared(request.path);
    if (!file) return false;
    // The header first: a declared size beyond what is ever decoded ends it before the codec
    // allocates for it, and a photograph's own thumbnail is found here.
    std::string head(kHeadBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), &head[0], kHeadBytes, &got, nullptr)) return false;
    head.resize(got);
    const ImageHeader header = ReadImageHeader(head);
    // JPEG included, although its codec could reduce it while decoding: some codecs (Wine's)
    // size their buffer from the declared size in 32 bits and write past it.
    if (header.sizeKnown && static_cast<std::uint64_t>(header.width) * header.height > kMaxPixels) {
        return false;
    }
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) return false;

    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return false;
    }
    const bool thumbnail = request.width > 0 && request.height > 0;
    const UINT wantWidth = thumbnail ? static_cast<UINT>(request.width) : 0;
    const UINT wantHeight = thumbnail ? static_cast<UINT>(request.height) : 0;
    ComPtr<IWICBitmapSource> source;
    ComPtr<IWICStream> thumbnailStream;  // the embedded thumbnail's bytes, read from head
    UINT sourceWidth = 0, sourceHeight = 0;
    if (thumbnail) {
        source = UsableThumbnail(ExifThumbnail(factory.Get(), head, header, thumbnailStream),
                                 wantWidth, wantHeight, sourceWidth, sourceHeight);
        if (source) image.source = DecodedImage::Source::Embedded;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (!source) {
        if (FAILED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file.Get()),
                                                        nullptr, WICDecodeMetadataCacheOnDemand,
                                                        &decoder)) ||
            FAILED(decoder->GetFrame(0, &frame))) {
            return false;
        }
        UINT width = 0, height = 0;
        if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return false;
        if (thumbnail) {
            source = UsableThumbnail(CodecThumbnail(decoder.Get(), frame.Get()), wantWidth,
                                     wantHeight, sourceWidth, sourceHeight);
            if (source) image.source = DecodedImage::Source::Embedded;
        }
        if (!source && thumbnail) {
            source = NativelyReduced(factory.Get(), frame.Get(), width, height, wantWidth,
                                     wantHeight);
            if (source && SUCCEEDED(source->GetSize(&sourceWidth, &sourceHeight))) {
                image.source = DecodedImage::Source::Reduced;
            } else {
                source.Reset();
            }
        }
        if (!source) {
            source = frame;
            sourceWidth = width;
            sourceHeight = height;
            image.source = DecodedImage::Source::Whole;
        }
    }
    // What the codec must hold to hand us the picture.
    if (static_cast<std::uint64_t>(sourceWidth) * sourceHeight > kMaxPixels) return false;
    UINT outWidth = sourceWidth, outHeight = sourceHeight;
    if (thumbnail) {
        outWidth = static_cast<UINT>(request.width);
        outHeight = static_cast<UINT>(request.height);
        if (outWidth != sourceWidth || outHeight != sourceHeight) {
            ComPtr<IWICBitmapScaler> scaler;
            if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
                FAILED(scaler->Initialize(source.Get(), outWidth, outHeight,
                                          WICBitmapInterpolationModeFant))) {
                return false;
            }
            source = scaler;
        }
    }
    if (static_cast<std::uint64_t>(outWidth) * outHeight > kMaxPixels) return false;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    image.pixels.assign(static_cast<std::size_t>(outWidth) * outHeight, 0);
    const UINT stride = outWidth * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * outHeight,
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
    image.width = static_cast<int>(outWidth);
    image.height = static_cast<int>(outHeight);
    image.ok = true;
    return true;
}

CImageDecoder::CImageDecoder(CWnd& owner, UINT message)
    : m_message(message), m_queue(std::make_shared<Queue>()) {
    for (int i = 0; i < kThreads; ++i) m_workers.push_back(std::make_unique<CWorker>(owner));
}

CImageDecoder::~CImageDecoder() {
    {
        std::lock_guard<std::mutex> lock(m_queue->mutex);
        m_queue->waiting.clear();
    }
    m_workers.clear();  // each asks its thread to stop, and none is waited for
}

bool CImageDecoder::Start() {
    for (int i = 0; i < kThreads; ++i) {
        const UINT message = m_message;
        std::shared_ptr<Queue> queue = m_queue;
        if (!m_workers[i]->Start(
                [queue, message, i](CWorkerJob& job) { Run(*queue, job, message, i); })) {
            return false;
        }
    }
    return true;
}

void CImageDecoder::SetWanted(const std::vector<DecodeRequest>& wanted) {
    Queue& queue = *m_queue;
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.waiting.clear();
    for (const DecodeRequest& request : wanted) {
        if (!queue.busy.count(request.Key())) queue.waiting.push_back(request);
    }
    if (!queue.waiting.empty()) SetEvent(queue.work.Get());
}

std::size_t CImageDecoder::Outstanding() const {
    std::lock_guard<std::mutex> lock(m_queue->mutex);
    return m_queue->waiting.size() + m_queue->busy.size();
}

bool CImageDecoder::Next(Queue& queue, CWorkerJob& job, DecodeRequest& request) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            if (job.CancelRequested()) return false;
            if (!queue.waiting.empty()) {
                request = std::move(queue.waiting.front());
                queue.waiting.pop_front();
                queue.busy.insert(request.Key());
                return true;
            }
            // Set again (under the lock) by the next SetWanted that brings work.
            ResetEvent(queue.work.Get());
        }
        // Asleep until there is work or the window goes.
        HANDLE wake[2] = {queue.work.Get(), job.CancelEvent()};
        if (WaitForMultipleObjects(2, wake, FALSE, INFINITE) == WAIT_FAILED) return false;
    }
}

void CImageDecoder::Run(Queue& queue, CWorkerJob& job, UINT message, int thread) {
    DecodeRequest request;
    while (Next(queue, job, request)) {
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
            std::lock_guard<std::mutex> lock(queue.mutex);
            queue.busy.erase(queue.busy.find(key));
        }
        job.Post(message, std::move(image), thread);
    }
}

std::unique_ptr<DecodedImage> CImageDecoder::Take(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsOurMessage(msg) || lParam < 0 || lParam >= kThreads) return nullptr;
    return m_workers[static_cast<std::size_t>(lParam)]->Take<DecodedImage>(wParam);
}
