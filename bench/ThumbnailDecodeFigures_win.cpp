// Figures for decoding thumbnails of photographs, run by hand under Wine or on Windows (never
// part of the tests); bench/thumbnails.sh draws the pictures and runs it.
//  - time until the pane has drawn the first 20 thumbnails of large JPEG photographs, against
//    the platform's own decoder decoding the same 20 files at one-eighth scale on two threads,
//    alternated in the same run and taken as a ratio pair by pair;
//  - the same for photographs that carry an Exif thumbnail;
//  - the process's memory once a page of 1,000 photographs is shown and decoded.
// Usage: thumbnail_decode_figures PHOTOGRAPHS_DIR THUMBNAIL_JPEG [ROUNDS]
// The photographs with Exif thumbnails are the same with THUMBNAIL_JPEG put in as a camera puts
// it; the 1,000 are links to one of those, under 1,000 names.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../tests/core/ExifJpeg.h"
#include "ProcessMemory_win.h"
#include "app/PelorandApp.h"
#include "doc/PelorandDoc.h"
#include "fw/SingleDocTemplate.h"
#include "ui/MainFrame.h"
#include "views/ImageDecoder.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/ThumbnailScheduler.h"
#include "win/Handles.h"

// As the decoder declares it (mingw-w64's headers do not).
#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
MIDL_INTERFACE("3B16811B-6A43-4EC9-A813-3D930C13B940")
IWICBitmapSourceTransform : public IUnknown {
  public:
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect*, UINT, UINT, WICPixelFormatGUID*,
                                                 WICBitmapTransformOptions, UINT, UINT, BYTE*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT*, UINT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID*) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions, BOOL*) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xa8, 0x13, 0x3d, 0x93,
                0x0c, 0x13, 0xb9, 0x40)
#endif

#include "bench/FigureKit_win.h"
#include "win/Strconv.h"

namespace {

std::string ReadAll(const std::string& path) {
    CUniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size)) return std::string();
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::string();
    bytes.resize(got);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    CUniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Wide(const std::string& s) {
    return ToWide(s);
}

// The platform's decoder asked for one-eighth of the picture; what it delivered, 0 x 0 when it
// offers no such decode (then it decodes the whole picture, as the yardstick's fallback).
SIZE DecodeEighth(IWICImagingFactory* factory, const std::string& path, bool& native) {
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame))) {
        return SIZE{0, 0};
    }
    UINT width = 0, height = 0;
    frame->GetSize(&width, &height);
    UINT w = (width + 7) / 8, h = (height + 7) / 8;
    const UINT eighthWidth = w, eighthHeight = h;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    ComPtr<IWICBitmapSourceTransform> transform;
    BOOL supported = FALSE;
    native = SUCCEEDED(frame.As(&transform)) && SUCCEEDED(transform->GetClosestSize(&w, &h)) &&
             w < width && SUCCEEDED(transform->GetClosestPixelFormat(&format)) &&
             SUCCEEDED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &supported)) &&
             supported;
    if (native) {
        ComPtr<IWICBitmap> bitmap;
        WICRect all{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
        ComPtr<IWICBitmapLock> lock;
        UINT stride = 0, size = 0;
        BYTE* data = nullptr;
        if (FAILED(factory->CreateBitmap(w, h, format, WICBitmapCacheOnLoad, &bitmap)) ||
            FAILED(bitmap->Lock(&all, WICBitmapLockWrite, &lock)) ||
            FAILED(lock->GetStride(&stride)) || FAILED(lock->GetDataPointer(&size, &data)) ||
            FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0,
                                         stride, size, data))) {
            return SIZE{0, 0};
        }
        return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
    }
    w = eighthWidth;
    h = eighthHeight;
    // No reduction offered: the whole picture, then an eighth of it.
    ComPtr<IWICBitmapScaler> scaler;
    factory->CreateBitmapScaler(&scaler);
    scaler->Initialize(frame.Get(), w, h, WICBitmapInterpolationModeNearestNeighbor);
    std::vector<BYTE> pixels(static_cast<std::size_t>(w) * h * 4);
    ComPtr<IWICFormatConverter> converter;
    factory->CreateFormatConverter(&converter);
    converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                          nullptr, 0.0, WICBitmapPaletteTypeCustom);
    converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), pixels.data());
    return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

// The yardstick: the files decoded at one-eighth by two threads taking them in turn.
double EighthOnTwoThreads(const std::vector<std::string>& files, bool& native) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> allNative{true};
    const auto start = FigureClock::now();
    // The imaging factory is free-threaded: one for both threads.
    ComPtr<IWICImagingFactory> factory;
    const HRESULT created = CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                             CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    if (FAILED(created)) {
        std::fprintf(stderr, "no imaging factory: %08lx\n", static_cast<unsigned long>(created));
        return -1;
    }
    auto work = [&] {
        CComInit com(COINIT_MULTITHREADED);
        for (std::size_t i; (i = next++) < files.size();) {
            bool n = false;
            if (DecodeEighth(factory.Get(), files[i], n).cx == 0) allNative = false;
            if (!n) allNative = false;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    native = allNative;
    return Ms(start);
}

std::string WritePage(const std::vector<std::string>& files, int width, const std::string& name) {
    std::string page = "<HTML>\r\n";
    ThumbnailSizes sizes;
    sizes.width = width;
    for (const std::string& p : files) AppendThumbnailLine(page, p, sizes);
    page += "</HTML>\r\n";
    const std::string temp = TempFolderPath();
    const std::string path = temp + name;
    WriteWholeFile(path, page);
    return path;
}

// The pane shown the page; ms until its first `count` thumbnails are drawn or broken.
double FirstThumbnails(CWinApp& app, CImageHtmlView* view, const std::string& page, int count,
                       DecodedImage::Source* source) {
    const auto start = FigureClock::now();
    view->Navigate(page);
    for (;;) {
        PumpOnce(app);
        bool done = !view->IsLoading() && view->Items().size() >= static_cast<std::size_t>(count);
        for (int i = 0; done && i < count; ++i) {
            if (view->GetThumbState(i) == CImageHtmlView::Thumb::Waiting) done = false;
        }
        if (done) break;
        if (Ms(start) > 120000) return -1;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    const double ms = Ms(start);
    if (source) {
        DecodedImage probe;
        CComInit com(COINIT_MULTITHREADED);
        DecodeImageFile(DecodeRequest{view->Items()[0].src, view->Items()[0].sizes.width,
                                      view->Items()[0].sizes.height},
                        probe);
        *source = probe.source;
    }
    return ms;
}

const char* SourceName(DecodedImage::Source s) {
    switch (s) {
        case DecodedImage::Source::Embedded:
            return "the photograph's own thumbnail";
        case DecodedImage::Source::Reduced:
            return "the codec's own reduction";
        case DecodedImage::Source::Whole:
            return "the whole picture, scaled";
        case DecodedImage::Source::None:
            break;
    }
    return "nothing";
}

void Pairs(CWinApp& app, CImageHtmlView* view, const std::vector<std::string>& files,
           const char* label, int rounds) {
    std::vector<std::string> first(files.begin(), files.begin() + std::min<std::size_t>(20, files.size()));
    std::vector<double> ratios, panes, eighths;
    bool native = false;
    DecodedImage::Source source = DecodedImage::Source::None;
    for (int round = 0; round <= rounds; ++round) {
        // A size of its own each round: nothing comes from the cache of the round before.
        const std::string page =
            WritePage(first, 120 + round, std::string("pelorand_decode_") + label + ".html");
        const double pane = FirstThumbnails(app, view, page, static_cast<int>(first.size()), &source);
        const double eighth = EighthOnTwoThreads(first, native);
        std::fprintf(stderr, "  round %d: pane %.0f ms, one-eighth %.0f ms\n", round, pane, eighth);
        if (round == 0) continue;  // warms the file cache and the codecs
        panes.push_back(pane);
        eighths.push_back(eighth);
        ratios.push_back(pane / eighth);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    std::printf("%s: first %zu thumbnails in the pane, median %.0f ms (min %.0f, max %.0f)\n",
                label, first.size(), median(panes), *std::min_element(panes.begin(), panes.end()),
                *std::max_element(panes.begin(), panes.end()));
    std::printf("  decoded from %s\n", SourceName(source));
    std::printf("  the platform's decoder at one-eighth on two threads (%s): median %.0f ms\n",
                native ? "its own reduction" : "offers none: whole decode, then an eighth",
                median(eighths));
    std::printf("  ratio pane / one-eighth, pair by pair over %d rounds: median %.2f (min %.2f, max "
                "%.2f)\n",
                rounds, median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: thumbnail_decode_figures PHOTOGRAPHS_DIR THUMBNAIL_JPEG [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    setvbuf(stdout, nullptr, _IONBF, 0);
    InitPlatform();
    FigureApp app;
    if (!app.CreateEditor("")) return 1;
    PumpOnce(app);
    auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    CImageHtmlView* view = ThumbnailPane(frame);
    if (!view) return 1;
    SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(frame->m_hWnd, SW_SHOW);
    PumpOnce(app);

    const std::vector<std::string> plain = JpegFiles(argv[1]);
    const std::string thumbnail = ReadAll(argv[2]);
    if (plain.empty() || thumbnail.empty()) return 1;
    const std::string temp = TempFolderPath();
    const std::string exifDir = temp + "pelorand_exif", thousandDir = exifDir + "\\1000";
    CreateDirectoryW(ToWide(exifDir).c_str(), nullptr);
    CreateDirectoryW(ToWide(thousandDir).c_str(), nullptr);
    std::vector<std::string> exif;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        exif.push_back(exifDir + "\\e" + std::to_string(100 + i) + ".jpg");
        WriteAll(exif.back(), exif_test::WithExifThumbnail(ReadAll(plain[i]), thumbnail));
    }
    for (int i = 0; i < 1000; ++i) {
        const std::string link = thousandDir + "\\t" + std::to_string(1000 + i) + ".jpg";
        if (GetFileAttributesW(ToWide(link).c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateHardLinkW(ToWide(link).c_str(), ToWide(exif[0]).c_str(), nullptr)) {
            CopyFileW(ToWide(exif[0]).c_str(), ToWide(link).c_str(), FALSE);
        }
    }
    Pairs(app, view, plain, "photographs", rounds);
    Pairs(app, view, exif, "photographs with Exif thumbnails", rounds);

    const std::vector<std::string> thousand = JpegFiles(thousandDir);
    const double before = PrivateMegabytes();
    const auto start = FigureClock::now();
    view->Navigate(WritePage(thousand, 120, "pelorand_decode_thousand.html"));
    do {
        PumpOnce(app);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while ((view->IsLoading() || view->DecodesOutstanding() > 0) && Ms(start) < 30 * 60 * 1000);
    std::printf("%zu photographs shown: all decoded after %.0f ms; cache %.1f MB; private memory "
                "%.1f MB (%.1f MB before the page)\n",
                thousand.size(), Ms(start), view->CachedBytes() / 1048576.0, PrivateMegabytes(),
                before);
    app.GetDocTemplate()->CloseAll();
    return 0;
}
