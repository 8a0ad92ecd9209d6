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

void WriteText(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
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
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
        return;  // the setter goes on: the picture is still set, in the old style
    }
    WriteText(key.Get(), "WallpaperStyle", style);
    WriteText(key.Get(), "TileWallpaper", tile);
}
