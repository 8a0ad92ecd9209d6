// The picture's fit on the screen, applied by the wallpaper setter with every change. The
// program tells the setter where the user's choice is read (at every change, never cached).
#pragma once

#include <windows.h>

#include <functional>

// The stored fit choice (see WallpaperFit.h); without a source nothing is changed.
void SetWallpaperFitSource(std::function<int()> source);
int CurrentWallpaperFit();

// For the Active Desktop path: puts the chosen style into the options record's style field.
// "変更しない" leaves the field as the shell gave it.
void ApplyWallpaperStyle(DWORD& activeDesktopStyle);
// For the system's own path, before SystemParametersInfo: writes WallpaperStyle and
// TileWallpaper of HKCU\Control Panel\Desktop. "変更しない" writes nothing.
void ApplyWallpaperStyle();
