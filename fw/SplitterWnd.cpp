#include "fw/SplitterWnd.h"

#include <windowsx.h>

#include "fw/Dpi.h"
#include "fw/Ids.h"
#include "fw/View.h"

namespace {
const char kSplitterClass[] = "SplitterWnd";
}

bool CSplitterWnd::CreateStatic(HWND parent, int rows, int cols, UINT id) {
    RegisterClassOnce(kSplitterClass, CS_DBLCLKS, nullptr,
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    m_bar = ScaleForDpi(kBarSize, WindowDpi(parent));
    m_rows.assign(static_cast<std::size_t>(rows), SplitterPane{});
    m_cols.assign(static_cast<std::size_t>(cols), SplitterPane{});
    return CreateEx(0, kSplitterClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                    parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

UINT CSplitterWnd::IdFromRowCol(int row, int col) {
    return static_cast<UINT>(AFX_IDW_PANE_FIRST + row * 16 + col);
}

bool CSplitterWnd::CreateView(int row, int col, CView* view, SIZE size, CDocument* doc) {
    return view->Create(m_hWnd, IdFromRowCol(row, col), size, doc);
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    return FromHandle(GetDlgItem(m_hWnd, static_cast<int>(IdFromRowCol(row, col))));
}

void CSplitterWnd::SetColumnInfo(int col, int ideal, int min) {
    m_cols.at(static_cast<std::size_t>(col)).ideal = ideal;
    m_cols.at(static_cast<std::size_t>(col)).min = min;
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int min) {
    m_rows.at(static_cast<std::size_t>(row)).ideal = ideal;
    m_rows.at(static_cast<std::size_t>(row)).min = min;
}

void CSplitterWnd::GetColumnInfo(int col, int& current, int& min) const {
    current = m_cols.at(static_cast<std::size_t>(col)).current;
    min = m_cols.at(static_cast<std::size_t>(col)).min;
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& min) const {
    current = m_rows.at(static_cast<std::size_t>(row)).current;
    min = m_rows.at(static_cast<std::size_t>(row)).min;
}

void CSplitterWnd::RecalcLayout() {
    if (!m_hWnd) return;
    RECT rc = GetClientRect();
    LayoutSplitterPanes(m_cols, rc.right - rc.left, m_bar);
    LayoutSplitterPanes(m_rows, rc.bottom - rc.top, m_bar);
    HDWP defer = BeginDeferWindowPos(static_cast<int>(m_rows.size() * m_cols.size()));
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        for (int c = 0; c < static_cast<int>(m_cols.size()); ++c) {
            HWND pane = GetDlgItem(m_hWnd, static_cast<int>(IdFromRowCol(r, c)));
            if (!pane) continue;
            int x = SplitterPaneStart(m_cols, c, m_bar);
            int y = SplitterPaneStart(m_rows, r, m_bar);
            int cx = m_cols[static_cast<std::size_t>(c)].current;
            int cy = m_rows[static_cast<std::size_t>(r)].current;
            // A pane of no size is hidden, so that it takes neither clicks nor the focus.
            UINT show = (cx > 0 && cy > 0) ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
            // No copied bits: a list or a page keeps nothing of where it was drawn before.
            if (defer) {
                defer = DeferWindowPos(defer, pane, nullptr, x, y, cx, cy,
                                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | show);
            }
        }
    }
    if (defer) EndDeferWindowPos(defer);
    // The bars and every pane repaint whole: the splitter clips its children, so invalidating
    // only itself would leave the panes' old pixels (columns, lines, scroll bars) in place.
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CSplitterWnd::OnDpiChanged(int oldDpi, int newDpi) {
    m_bar = ScaleForDpi(kBarSize, newDpi);
    for (auto* panes : {&m_rows, &m_cols}) {
        for (SplitterPane& pane : *panes) {
            pane.ideal = MulDiv(pane.ideal, newDpi, oldDpi);
            pane.min = MulDiv(pane.min, newDpi, oldDpi);
            pane.current = MulDiv(pane.current, newDpi, oldDpi);
        }
    }
    RecalcLayout();
}

std::pair<bool, int> CSplitterWnd::HitTest(POINT point) const {
    int col = SplitterHitBar(m_cols, point.x, m_bar);
    if (col >= 0) return {false, col};
    int row = SplitterHitBar(m_rows, point.y, m_bar);
    if (row >= 0) return {true, row};
    return {false, -1};
}

bool CSplitterWnd::OnSize(UINT, int, int) {
    RecalcLayout();
    return true;
}

bool CSplitterWnd::OnSetCursor(HWND over, UINT hitTest) {
    if (over != m_hWnd || hitTest != HTCLIENT) return false;
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(m_hWnd, &point);
    auto hit = HitTest(point);
    if (hit.second < 0) return false;
    SetCursor(LoadCursor(nullptr, hit.first ? IDC_SIZENS : IDC_SIZEWE));
    return true;
}

bool CSplitterWnd::OnButton(UINT msg, POINT point, UINT) {
    if (msg == WM_LBUTTONUP) {
        if (GetCapture() == m_hWnd) ReleaseCapture();
        return true;
    }
    if (msg != WM_LBUTTONDOWN) return false;
    m_tracking = HitTest(point);
    if (m_tracking.second >= 0) {
        const auto& panes = m_tracking.first ? m_rows : m_cols;
        int barStart = SplitterPaneStart(panes, m_tracking.second, m_bar) +
                       panes[static_cast<std::size_t>(m_tracking.second)].current;
        m_grabOffset = (m_tracking.first ? point.y : point.x) - barStart;
        SetCapture(m_hWnd);
    }
    return true;
}

bool CSplitterWnd::OnMouseMove(POINT point, UINT) {
    if (m_tracking.second >= 0 && GetCapture() == m_hWnd) {
        RECT rc = GetClientRect();
        if (m_tracking.first) {
            SplitterDragBar(m_rows, m_tracking.second, point.y - m_grabOffset, rc.bottom, m_bar);
        } else {
            SplitterDragBar(m_cols, m_tracking.second, point.x - m_grabOffset, rc.right, m_bar);
        }
        RecalcLayout();
    }
    return true;
}

bool CSplitterWnd::OnCaptureChanged(HWND) {
    m_tracking = {false, -1};
    return true;
}
