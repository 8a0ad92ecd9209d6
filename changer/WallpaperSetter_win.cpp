// clang-format off
#include <windows.h>
#include <wininet.h>  // before shlobj.h, which declares IActiveDesktop only after it
#include <shlobj.h>
#include <ole2.h>
#include <wincodec.h>
// clang-format on

#include "changer/WallpaperSetter_win.h"

#include <cstdint>

#include "changer/WallPaperHistory.h"
#include "changer/WallpaperStyle_win.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

enum class ActiveDesktopResult { Set, Failed, Unavailable };

// The most pixels the thumbnails decode. A wallpaper bigger than that is refused as well: the
// shell would decode all of it at every change, and at the next start of the desktop.
constexpr std::uint64_t kMaxWallpaperPixels = 64ull * 1024 * 1024;

ActiveDesktopResult SetThroughActiveDesktop(const std::string& path) {
    ComPtr<IUnknown> object;
    HRESULT hr =
        CoCreateInstance(CLSID_ActiveDesktop, nullptr,
                         CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr) || !object) return ActiveDesktopResult::Unavailable;
    OleRun(object.Get());
    ComPtr<IActiveDesktop> desktop;
    hr = object->QueryInterface(IID_IActiveDesktop,
                                reinterpret_cast<void**>(desktop.GetAddressOf()));
    if (FAILED(hr) || !desktop) return ActiveDesktopResult::Unavailable;

    const std::wstring wide = ToWide(path);
    WALLPAPEROPT options = {};
    options.dwSize = sizeof options;
    hr = desktop->SetWallpaper(wide.c_str(), 0);
    if (SUCCEEDED(hr)) hr = desktop->GetWallpaperOptions(&options, 0);
    if (SUCCEEDED(hr)) ApplyWallpaperStyle(options.dwStyle);
    // Handing back what was read keeps the display style the user chose.
    if (SUCCEEDED(hr)) hr = desktop->SetWallpaperOptions(&options, 0);
    if (SUCCEEDED(hr))
        hr = desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH);
    if (hr == E_NOTIMPL) return ActiveDesktopResult::Unavailable;
    return SUCCEEDED(hr) ? ActiveDesktopResult::Set : ActiveDesktopResult::Failed;
}

// True when the file at path is a picture WIC can decode, of a size the desktop can take. Only
// the headers are read (the decoder and the first frame's size); no pixel is decoded, so a
// forged header that claims a huge picture costs nothing.
bool IsWallpaperPicture(const std::wstring& path) {
    // Others may go on reading, writing, renaming or deleting it (a sync client, the indexer).
    CUniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // The caller's thread may have no COM yet; the factory is free-threaded, either model does.
    CComInit com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return false;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(file.Get()),
                                                    nullptr, WICDecodeMetadataCacheOnDemand,
                                                    &decoder))) {
        return false;
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height))) {
        return false;
    }
    return width > 0 && height > 0 &&
           static_cast<std::uint64_t>(width) * height <= kMaxWallpaperPixels;
}

// Applies path as the wallpaper: Active Desktop, or the system setting where there is none.
bool ApplyWallpaper(const std::string& path) {
    switch (SetThroughActiveDesktop(path)) {
        case ActiveDesktopResult::Set:
            return true;
        case ActiveDesktopResult::Failed:
            return false;
        case ActiveDesktopResult::Unavailable:
            break;
    }
    ApplyWallpaperStyle();
    std::wstring wide = ToWide(path);
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &wide[0],
                                 SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE) != FALSE;
}

}  // namespace

bool SetDesktopWallpaper(const std::string& path, CWallPaperHistory& history) {
    // An empty path is passed on as it is: it takes the wallpaper away.
    if (!path.empty() && !IsWallpaperPicture(ToWide(path))) return false;
    if (!ApplyWallpaper(path)) return false;
    history.Record(path);
    return true;
}

bool CWallpaperSetter::SetDesktopWallpaper(const std::string& path) {
    return ::SetDesktopWallpaper(path, m_history);
}
