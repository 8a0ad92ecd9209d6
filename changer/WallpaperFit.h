// How the wallpaper picture is fitted to the screen, as the user picks it in the options, and
// what that choice stores for the shell.
#pragma once

#include <string>

enum class WallpaperFit {
    Unchanged = 0,  // 変更しない: the system's style is left as it is
    Center = 1,     // 中央に表示
    Tile = 2,       // 並べて表示
    Stretch = 3,    // 拡大して表示
    Fit = 4,        // 画面に合わせる: the whole picture, keeping its shape
    Fill = 5,       // 画面全体に表示: the screen filled, keeping the shape, cropped
};

constexpr int kWallpaperFitCount = 6;

// The stored setting as a choice; anything outside the list leaves the style alone.
WallpaperFit ToWallpaperFit(int stored);

// The label of a choice in the options, in list order.
const char* WallpaperFitLabel(WallpaperFit fit);

// The desktop's registry values for a choice ("WallpaperStyle", "TileWallpaper"); false for
// Unchanged, which writes nothing.
bool WallpaperStyleValues(WallpaperFit fit, std::string& style, std::string& tile);

// The Active Desktop's style number (WPSTYLE_*) for a choice; false for Unchanged.
bool ActiveDesktopStyle(WallpaperFit fit, unsigned long& style);
