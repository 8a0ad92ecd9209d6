#include "ui/ImageLayoutPreview.h"

#include <algorithm>
#include <climits>

#include "ui/ImageLayoutCells.h"
#include "win/Handles.h"

const char CImageLayoutPreview::kClassName[] = "PelorandImageLayoutPreview";

namespace {
// Far beyond any client area, and within GDI's coordinates.
constexpr long long kCoordinateLimit = 1 << 26;

RECT ToRect(const LayoutRect& r) {
    auto clamp = [](long long v) {
        return static_cast<LONG>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
    };
    return RECT{clamp(r.left), clamp(r.top), clamp(r.right), clamp(r.bottom)};
}
}  // namespace

bool CImageLayoutPreview::Create(HWND parent, const RECT& rect) {
    RegisterClassOnce(kClassName, CS_HREDRAW | CS_VREDRAW, LoadCursor(nullptr, IDC_ARROW), nullptr);
    return CreateEx(0, kClassName, "ImagePreViewiRect", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, parent, nullptr);
}

void CImageLayoutPreview::Paint(HDC dc, const RECT& client) const {
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
    HBRUSH text = GetSysColorBrush(COLOR_WINDOWTEXT);
    FillRect(dc, &client, window);
    LayoutSizes sizes;
    sizes.border = m_nBorder;
    sizes.width = m_nWidth;
    sizes.height = m_nHeight;
    sizes.marginHeight = m_nMarginHeight;
    sizes.marginWidth = m_nMarginWidth;
    HWND owner = GetParent(m_hWnd);
    HFONT font =
        owner ? reinterpret_cast<HFONT>(SendMessageW(GetParent(owner), WM_GETFONT, 0, 0)) : nullptr;
    CSelectObject selectFont(dc,
                             font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const LayoutRect area{client.left, client.top, client.right, client.bottom};
    for (const LayoutCell& cell : LayoutPreviewCells(area, sizes, 10000)) {
        RECT outer = ToRect(cell.outer);
        FillRect(dc, &outer, window);
        RECT border = ToRect(cell.border);
        FillRect(dc, &border, text);
        RECT inner = ToRect(cell.inner);
        FillRect(dc, &inner, window);
        DrawTextW(dc, L"CG", 2, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    FrameRect(dc, &client, text);
}

bool CImageLayoutPreview::OnPaint() {
    CPaintDC dc(m_hWnd);
    Paint(dc, GetClientRect());
    return true;
}

bool CImageLayoutPreview::OnPrintClient(HDC dc) {
    Paint(dc, GetClientRect());
    return true;
}
