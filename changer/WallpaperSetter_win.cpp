// clang-format off
#include <windows.h>
#include <wininet.h>  // before shlobj.h, which declares IActiveDesktop only after it
#include <shlobj.h>
#include <ole2.h>
// clang-format on

#include "changer/WallpaperSetter_win.h"

#include "changer/WallPaperHistory.h"
#include "fw/Handles.h"
#include "fw/Strconv.h"

namespace {

enum class ActiveDesktopResult { Set, Failed, Unavailable };

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
    // Handing back what was read keeps the display style the user chose.
    if (SUCCEEDED(hr)) hr = desktop->SetWallpaperOptions(&options, 0);
    if (SUCCEEDED(hr))
        hr = desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH);
    if (hr == E_NOTIMPL) return ActiveDesktopResult::Unavailable;
    return SUCCEEDED(hr) ? ActiveDesktopResult::Set : ActiveDesktopResult::Failed;
}

}  // namespace

bool SetDesktopWallpaper(const std::string& path, CWallPaperHistory& history) {
    bool set = false;
    switch (SetThroughActiveDesktop(path)) {
        case ActiveDesktopResult::Set:
            set = true;
            break;
        case ActiveDesktopResult::Failed:
            break;
        case ActiveDesktopResult::Unavailable:
            set = SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                                        SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE) != FALSE;
            break;
    }
    if (set) history.Record(path);
    return set;
}

bool CWallpaperSetter::SetDesktopWallpaper(const std::string& path) {
    return ::SetDesktopWallpaper(path, m_history);
}
