#include "changer/PicturePreview.h"

bool CPicturePreview::ShowPicture(const std::string& path) {
    const bool loaded = m_picture.Load(path);
    if (m_hWnd) RedrawNow();
    return loaded;
}

void CPicturePreview::Paint(HDC dc) const {
    const RECT client = GetClientRect();
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    m_picture.Draw(dc, 0, 0, client.right, client.bottom);
}

LRESULT CPicturePreview::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            CPaintDC dc(m_hWnd);
            Paint(dc);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole client area
        default:
            return CWnd::WndProc(msg, wParam, lParam);
    }
}
