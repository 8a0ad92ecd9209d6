#include "changer/LoadedPicture_win.h"

#include <algorithm>

#include "views/ImageDecoder.h"

bool CLoadedPicture::SetImage(const DecodedImage* image) {
    Clear();
    if (!image || !image->ok || image->width <= 0 || image->height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image->width;
    info.bmiHeader.biHeight = -image->height;  // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CUniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    std::copy(image->pixels.begin(), image->pixels.end(), static_cast<std::uint32_t*>(bits));
    m_bitmap = std::move(bitmap);
    m_size = SIZE{image->width, image->height};
    return true;
}

void CLoadedPicture::Clear() {
    m_bitmap.Reset();
    m_size = SIZE{0, 0};
}

void CLoadedPicture::Draw(HDC dc, int x, int y, int width, int height) const {
    if (!m_bitmap) return;
    CMemoryDC source(dc);
    CSelectObject select(source, m_bitmap.Get());
    // Decoded at the size drawn, so this is a copy; halftoning keeps a shrink from going black.
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, x, y, width, height, source, 0, 0, m_size.cx, m_size.cy, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}
