// clang-format off
#include <windows.h>
#include <wininet.h>  // before shlobj.h, which declares IActiveDesktop only after it
#include <shlobj.h>
#include <ole2.h>
// clang-format on

#include "changer/WallpaperSetter_win.h"

#include <cstdint>
#include <string>
#include <vector>

#include "changer/DesktopWallpaper_win.h"
#include "changer/WallpaperFit.h"

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

// The shell's place for a fit; false for Unchanged, which leaves the user's own.
bool DesktopWallpaperPosition(WallpaperFit fit, int& position) {
    switch (fit) {
        case WallpaperFit::Center:
            position = shell::kPositionCenter;
            return true;
        case WallpaperFit::Tile:
            position = shell::kPositionTile;
            return true;
        case WallpaperFit::Stretch:
            position = shell::kPositionStretch;
            return true;
        case WallpaperFit::Fit:
            position = shell::kPositionFit;
            return true;
        case WallpaperFit::Fill:
            position = shell::kPositionFill;
            return true;
        case WallpaperFit::Unchanged:
            break;
    }
    return false;
}

// The monitors' ids as the shell lists them at this moment, the primary first. Ids are read
// anew at every change: they are neither stable nor always unique (docking, remote sessions, a
// monitor switched off), so none is kept. A monitor the shell lists without a place on the
// screen (switched off, or unplugged but remembered) is left out.
std::vector<std::wstring> CurrentMonitors(shell::IDesktopWallpaper& desktop) {
    std::vector<std::wstring> monitors;
    UINT count = 0;
    if (FAILED(desktop.GetMonitorDevicePathCount(&count))) return monitors;
    bool primaryFound = false;
    for (UINT i = 0; i < count; ++i) {
        CUniqueCoTaskMem<wchar_t> id;
        if (FAILED(desktop.GetMonitorDevicePathAt(i, id.Put())) || !id) continue;
        std::wstring monitor(id.Get());
        RECT rect{};
        if (desktop.GetMonitorRECT(monitor.c_str(), &rect) != S_OK || IsRectEmpty(&rect)) continue;
        // The primary monitor is the one at the origin of the virtual screen.
        const bool primary = !primaryFound && rect.left <= 0 && rect.top <= 0 && rect.right > 0 &&
                             rect.bottom > 0;
        if (primary) {
            primaryFound = true;
            monitors.insert(monitors.begin(), std::move(monitor));
        } else {
            monitors.push_back(std::move(monitor));
        }
    }
    return monitors;
}

}  // namespace

std::vector<bool> ApplyDesktopWallpaperEachWith(
    const std::vector<IWallpaperSetter::MonitorPath>& paths, const WallpaperSetterOps& ops) {
    std::vector<bool> set(paths.size(), false);
    ComPtr<shell::IDesktopWallpaper> desktop;
    if (ops.desktopWallpaper && FAILED(ops.desktopWallpaper(desktop.GetAddressOf()))) {
        desktop.Reset();
    }
    const std::vector<std::wstring> monitors =
        desktop ? CurrentMonitors(*desktop.Get()) : std::vector<std::wstring>();
    if (monitors.empty()) {
        // One picture for all: the primary's.
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (paths[i].monitor != 0) continue;
            set[i] = ApplyDesktopWallpaperWith(paths[i].path, ops);
            break;
        }
        return set;
    }
    int position = 0;
    if (DesktopWallpaperPosition(ToWallpaperFit(CurrentWallpaperFit()), position)) {
        // A failure here still leaves the pictures worth setting, in the old fit.
        desktop->SetPosition(position);
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].monitor >= monitors.size()) continue;
        const std::wstring wide = ToWide(paths[i].path);
        if (!IsWallpaperPicture(wide)) continue;
        set[i] = SUCCEEDED(desktop->SetWallpaper(monitors[paths[i].monitor].c_str(), wide.c_str()));
    }
    return set;
}

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
        [](shell::IDesktopWallpaper** desktop) {
            *desktop = nullptr;
            const HRESULT hr =
                CoCreateInstance(shell::kClsidDesktopWallpaper, nullptr, CLSCTX_ALL,
                                 shell::kIidDesktopWallpaper, reinterpret_cast<void**>(desktop));
            return SUCCEEDED(hr) && !*desktop ? E_NOINTERFACE : hr;
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
    return SetDesktopWallpaperWith(path, m_history, m_ops);
}

bool CWallpaperSetter::Apply(const std::string& path) {
    return ApplyDesktopWallpaperWith(path, m_ops);
}

std::vector<bool> CWallpaperSetter::ApplyEach(const std::vector<MonitorPath>& paths) {
    return ApplyDesktopWallpaperEachWith(paths, m_ops);
}

void CWallpaperSetter::Record(const std::string& path) {
    m_history.Record(path);
}
