// The shell's desktop wallpaper object of Windows 8 and later, which gives each monitor a
// picture of its own. The SDK headers of the cross compiler declare it only for programs that
// require Windows 8; the program still runs on Vista and 7, so it is declared here, in the
// SDK's method order, under a name of our own.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

namespace shell {

enum DesktopWallpaperPosition {
    kPositionCenter = 0,
    kPositionTile = 1,
    kPositionStretch = 2,
    kPositionFit = 3,
    kPositionFill = 4,
    kPositionSpan = 5,
};

// {C2CF3110-460E-4fc1-B9D0-8A1C0C9CC4BD}
constexpr CLSID kClsidDesktopWallpaper = {
    0xc2cf3110, 0x460e, 0x4fc1, {0xb9, 0xd0, 0x8a, 0x1c, 0x0c, 0x9c, 0xc4, 0xbd}};
// {B92B56A9-8B55-4E14-9A89-0199BBB6F93B}
constexpr IID kIidDesktopWallpaper = {
    0xb92b56a9, 0x8b55, 0x4e14, {0x9a, 0x89, 0x01, 0x99, 0xbb, 0xb6, 0xf9, 0x3b}};

struct IDesktopWallpaper : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetWallpaper(LPCWSTR monitorId, LPCWSTR wallpaper) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWallpaper(LPCWSTR monitorId, LPWSTR* wallpaper) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathAt(UINT index, LPWSTR* monitorId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorRECT(LPCWSTR monitorId, RECT* rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF color) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBackgroundColor(COLORREF* color) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPosition(int position) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPosition(int* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSlideshow(IShellItemArray* items) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSlideshow(IShellItemArray** items) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSlideshowOptions(int options, UINT tick) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSlideshowOptions(int* options, UINT* tick) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdvanceSlideshow(LPCWSTR monitorId, int direction) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(int* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE Enable(BOOL enable) = 0;
};

}  // namespace shell
