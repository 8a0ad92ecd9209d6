#include "views/PagePainter.h"

#include <shellapi.h>

#include <algorithm>

#include "fw/Dpi.h"
#include "model/Mbcs.h"
#include "views/ThumbnailCache.h"
#include "win/Strconv.h"

namespace {
const COLORREF kLinkColor = RGB(0, 0, 238);
const COLORREF kWaitingColor = RGB(224, 224, 224);
const COLORREF kBrokenColor = RGB(160, 160, 160);

// Under high contrast the user's own colours stand for the page's.
bool HighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
COLORREF LinkColor() {
    return HighContrast() ? GetSysColor(COLOR_HOTLIGHT) : kLinkColor;
}
COLORREF WaitingColor() {
    return HighContrast() ? GetSysColor(COLOR_GRAYTEXT) : kWaitingColor;
}
COLORREF BrokenColor() {
    return HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : kBrokenColor;
}

void Frame(HDC dc, RECT rect, COLORREF color) {
    if (rect.right - rect.left < 1 || rect.bottom - rect.top < 1) return;
    FillSolid(dc, RECT{rect.left, rect.top, rect.right, rect.top + 1}, color);
    FillSolid(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    FillSolid(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    FillSolid(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}
}  // namespace

RECT PageToWindow(const PageRect& r, POINT scroll) {
    return RECT{r.left - scroll.x, r.top - scroll.y, r.right - scroll.x, r.bottom - scroll.y};
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

BITMAPINFO TopDownInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void CPagePainter::Draw(HDC dc, const RECT& client, POINT scroll, int dpi, const PageView& page,
                        CThumbnailCache& cache) {
    // The message font the user set, at the pane's DPI (the stock GUI font stays at 96).
    if (!m_font || m_fontDpi != dpi) {
        const LOGFONTW message = MessageFontForDpi(dpi);
        m_font.Reset(CreateFontIndirectW(&message));
        m_fontDpi = dpi;
    }
    HGDIOBJ font = m_font ? static_cast<HGDIOBJ>(m_font.Get()) : GetStockObject(DEFAULT_GUI_FONT);
    CSelectObject selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    for (std::size_t i = 0; i < page.items.size(); ++i) {
        const RECT border = PageToWindow(page.layout.borders[i], scroll);
        if (border.bottom <= client.top || border.top >= client.bottom ||
            border.right <= client.left || border.left >= client.right) {
            continue;
        }
        const RECT image = PageToWindow(page.layout.images[i], scroll);
        if (page.items[i].sizes.border > 0) {
            FillSolid(dc, border, LinkColor());
            FillSolid(dc, image, GetSysColor(COLOR_WINDOW));
        }
        if (page.isDocument[i]) {
            DrawDocument(dc, image, page.items[i].src, dpi);
            continue;
        }
        const CachedThumbnail* cached = cache.Use(page.keys[i]);
        if (!cached) {
            Frame(dc, image, WaitingColor());
        } else if (cached->broken) {
            Frame(dc, image, BrokenColor());
            RECT text = image;
            InflateRect(&text, -ScaleForDpi(3, dpi), -ScaleForDpi(3, dpi));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawTextUi(dc, page.items[i].alt, &text, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        } else if (!cached->pixels.empty()) {
            BITMAPINFO info = TopDownInfo(cached->width, cached->height);
            SetDIBitsToDevice(dc, image.left, image.top, static_cast<DWORD>(cached->width),
                              static_cast<DWORD>(cached->height), 0, 0, 0,
                              static_cast<UINT>(cached->height), cached->pixels.data(), &info,
                              DIB_RGB_COLORS);
        }
    }
}

HICON CPagePainter::TypeIcon(const std::string& path) {
    const std::string extension = mbcs::ToLower(mbcs::Extension(path));
    auto found = m_typeIcons.find(extension);
    if (found != m_typeIcons.end()) return found->second.Get();
    // From the name alone: the file is never opened, so a page on a slow share costs nothing.
    SHFILEINFOW info{};
    SHGetFileInfoW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_LARGEICON | SHGFI_USEFILEATTRIBUTES);
    return m_typeIcons.emplace(extension, CUniqueIcon(info.hIcon)).first->second.Get();
}

void CPagePainter::DrawDocument(HDC dc, const RECT& image, const std::string& path, int dpi) {
    const int iconSize = SystemMetricForDpi(SM_CXICON, dpi);
    const int gap = ScaleForDpi(4, dpi), inset = ScaleForDpi(2, dpi);
    const int width = image.right - image.left, height = image.bottom - image.top;
    const int size = std::min({iconSize, width, height});
    int textTop = image.top + gap;
    if (HICON icon = TypeIcon(path); icon && size > 0) {
        DrawIconEx(dc, image.left + (width - size) / 2, image.top + gap, icon, size, size, 0,
                   nullptr, DI_NORMAL);
        textTop += size + gap;
    }
    const std::string name = mbcs::FileName(path);
    RECT text{image.left + inset, textTop, image.right - inset, image.bottom - inset};
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextUi(dc, name, &text, DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
}
