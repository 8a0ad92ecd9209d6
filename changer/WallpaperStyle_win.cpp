#include "changer/WallpaperStyle_win.h"

#include <string>
#include <utility>

#include "changer/WallpaperFit.h"
#include "win/Handles.h"

namespace {

std::function<int()>& FitSource() {
    static std::function<int()> source;
    return source;
}

// The values are digits: the same bytes in UTF-16 as in any code page.
void WriteText(HKEY key, const wchar_t* name, const std::string& value) {
    const std::wstring wide(value.begin(), value.end());
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

void SetWallpaperFitSource(std::function<int()> source) {
    FitSource() = std::move(source);
}

int CurrentWallpaperFit() {
    return FitSource() ? FitSource()() : 0;
}

void ApplyWallpaperStyle(DWORD& activeDesktopStyle) {
    unsigned long style = 0;
    if (ActiveDesktopStyle(ToWallpaperFit(CurrentWallpaperFit()), style)) {
        activeDesktopStyle = style;
    }
}

void ApplyWallpaperStyle() {
    std::string style, tile;
    if (!WallpaperStyleValues(ToWallpaperFit(CurrentWallpaperFit()), style, tile)) return;
    CUniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
        return;  // the setter goes on: the picture is still set, in the old style
    }
    WriteText(key.Get(), L"WallpaperStyle", style);
    WriteText(key.Get(), L"TileWallpaper", tile);
}
