// Draws a thumbnail page as the pane shows it: each thumbnail's border, its decoded picture, a
// frame while it is decoded or where it could not be (with its alternative text), and a page
// given as a wallpaper as its type's icon with its name. Text and spacing follow the DPI; the
// pictures keep the page's sizes.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "views/ThumbnailPage.h"
#include "win/Handles.h"

class CThumbnailCache;

// What a page shows, item by item, and where each stands on it.
struct PageView {
    const std::vector<PageItem>& items;
    const PageLayout& layout;
    const std::vector<std::string>& keys;  // each item's key in the thumbnail cache
    const std::vector<bool>& isDocument;   // each item's picture is a page, shown as an icon
};

class CPagePainter {
  public:
    // Draws the items that meet client, the page scrolled by scroll, at dpi. Each thumbnail
    // drawn counts as used in cache, so it is the last to go.
    void Draw(HDC dc, const RECT& client, POINT scroll, int dpi, const PageView& page,
              CThumbnailCache& cache);
    // The message font changed: made again when next drawn.
    void ForgetFont() { m_font.Reset(); }

  private:
    HICON TypeIcon(const std::string& path);
    void DrawDocument(HDC dc, const RECT& image, const std::string& path, int dpi);

    CUniqueFont m_font;  // the message font at m_fontDpi
    int m_fontDpi = 0;
    std::unordered_map<std::string, CUniqueIcon> m_typeIcons;  // by lower-case extension
};

// The rectangle r of the page on the window, the page scrolled by scroll.
RECT PageToWindow(const PageRect& r, POINT scroll);
void FillSolid(HDC dc, const RECT& rect, COLORREF color);
// A top-down 32-bit bitmap's header, as the decoder's pixels are laid out.
BITMAPINFO TopDownInfo(int width, int height);
