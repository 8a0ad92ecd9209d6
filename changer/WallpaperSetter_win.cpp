// clang-format off
#include <windows.h>
#include <wininet.h>  // before shlobj.h, which declares IActiveDesktop only after it
#include <shlobj.h>
#include <ole2.h>
// clang-format on

#include "changer/WallpaperSetter_win.h"

#include <cstdint>
#include <string>

#include "changer/WallPaperHistory.h"
#include "changer/WallpaperStyle_win.h"
#include "views/ImageHeader.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

enum class ActiveDesktopResult { Set, Failed, Unavailable };

// The most pixels the thumbnails decode. A wallpaper bigger than that is refused as well: the
// shell would decode all of it at every change, and at the next start of the desktop.
constexpr std::uint64_t kMaxWallpaperPixels = 64ull * 1024 * 1024;

ActiveDesktopResult SetThroughActiveDesktop(const std::string& path,
                                            const WallpaperSetterOps& ops) {
    ComPtr<IActiveDesktop> desktop;
    if (!ops.activeDesktop) return ActiveDesktopResult::Unavailable;
    HRESULT hr = ops.activeDesktop(desktop.GetAddressOf());
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

// True when the file at path is a picture of a kind the desktop takes (JPEG, PNG, GIF or BMP)
// and of a size it can take, by its header alone. No codec sees the file here: some decode on
// opening into a buffer sized from a forged header, and some read every chunk of a PNG, so a
// check costs a few reads of the file's head and nothing in proportion to what it claims.
bool IsWallpaperPicture(const std::wstring& path) {
    // Others may go on reading, writing, renaming or deleting it (a sync client, the indexer).
    CUniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const ImageHeader header = ReadFileImageHeader([&file](std::uint64_t offset,
                                                           std::size_t count) {
        std::string bytes(count, '\0');
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(count), &got, nullptr)) {
            return std::string();
        }
        bytes.resize(got);
        return bytes;
    });
    return header.format != ImageHeader::Format::Unknown && header.sizeKnown &&
           header.width > 0 && header.height > 0 &&
           static_cast<std::uint64_t>(header.width) * header.height <= kMaxWallpaperPixels;
}

// Applies path as the wallpaper: Active Desktop, or the system setting where there is none.
bool ApplyWallpaper(const std::string& path, const WallpaperSetterOps& ops) {
    switch (SetThroughActiveDesktop(path, ops)) {
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

const WallpaperSetterOps& SystemWallpaperSetterOps() {
    static const WallpaperSetterOps ops = {
        [](IActiveDesktop** desktop) {
            *desktop = nullptr;
            ComPtr<IUnknown> object;
            HRESULT hr = CoCreateInstance(
                CLSID_ActiveDesktop, nullptr,
                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                reinterpret_cast<void**>(object.GetAddressOf()));
            if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_NOINTERFACE;
            OleRun(object.Get());
            return object->QueryInterface(IID_IActiveDesktop, reinterpret_cast<void**>(desktop));
        },
    };
    return ops;
}

bool ApplyDesktopWallpaper(const std::string& path) {
    return ApplyDesktopWallpaperWith(path, SystemWallpaperSetterOps());
}

bool ApplyDesktopWallpaperWith(const std::string& path, const WallpaperSetterOps& ops) {
    // An empty path is passed on as it is: it takes the wallpaper away.
    if (!path.empty() && !IsWallpaperPicture(ToWide(path))) return false;
    return ApplyWallpaper(path, ops);
}

bool SetDesktopWallpaper(const std::string& path, CWallPaperHistory& history) {
    return SetDesktopWallpaperWith(path, history, SystemWallpaperSetterOps());
}

bool SetDesktopWallpaperWith(const std::string& path, CWallPaperHistory& history,
                             const WallpaperSetterOps& ops) {
    if (!ApplyDesktopWallpaperWith(path, ops)) return false;
    history.Record(path);
    return true;
}

bool CWallpaperSetter::SetDesktopWallpaper(const std::string& path) {
    return ::SetDesktopWallpaper(path, m_history);
}

bool CWallpaperSetter::Apply(const std::string& path) {
    return ApplyDesktopWallpaper(path);
}

void CWallpaperSetter::Record(const std::string& path) {
    m_history.Record(path);
}
