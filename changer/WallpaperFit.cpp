#include "changer/WallpaperFit.h"

WallpaperFit ToWallpaperFit(int stored) {
    return stored > 0 && stored < kWallpaperFitCount ? static_cast<WallpaperFit>(stored)
                                                     : WallpaperFit::Unchanged;
}

const char* WallpaperFitLabel(WallpaperFit fit) {
    switch (fit) {
        case WallpaperFit::Center:
            return "中央に表示";
        case WallpaperFit::Tile:
            return "並べて表示";
        case WallpaperFit::Stretch:
            return "拡大して表示";
        case WallpaperFit::Fit:
            return "画面に合わせる";
        case WallpaperFit::Fill:
            return "画面全体に表示";
        case WallpaperFit::Unchanged:
            break;
    }
    return "変更しない";
}

bool WallpaperStyleValues(WallpaperFit fit, std::string& style, std::string& tile) {
    // The shell's own numbers: 0 centre (tiled when TileWallpaper is 1), 2 stretch, 6 fit,
    // 10 fill.
    switch (fit) {
        case WallpaperFit::Center:
            style = "0", tile = "0";
            return true;
        case WallpaperFit::Tile:
            style = "0", tile = "1";
            return true;
        case WallpaperFit::Stretch:
            style = "2", tile = "0";
            return true;
        case WallpaperFit::Fit:
            style = "6", tile = "0";
            return true;
        case WallpaperFit::Fill:
            style = "10", tile = "0";
            return true;
        case WallpaperFit::Unchanged:
            break;
    }
    return false;
}

bool ActiveDesktopStyle(WallpaperFit fit, unsigned long& style) {
    // WPSTYLE_CENTER 0, TILE 1, STRETCH 2, KEEPASPECT 3, CROPTOFIT 4.
    switch (fit) {
        case WallpaperFit::Center:
            style = 0;
            return true;
        case WallpaperFit::Tile:
            style = 1;
            return true;
        case WallpaperFit::Stretch:
            style = 2;
            return true;
        case WallpaperFit::Fit:
            style = 3;
            return true;
        case WallpaperFit::Fill:
            style = 4;
            return true;
        case WallpaperFit::Unchanged:
            break;
    }
    return false;
}
