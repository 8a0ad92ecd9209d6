#include "fw/StatusBar.h"

#include <commctrl.h>

#include "fw/CmdUI.h"
#include "fw/Dpi.h"
#include "fw/FrameWnd.h"
#include "fw/WinApp.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {
// Room around a pane's text: the pane's border and a little space.
constexpr int kPaneMargin = 10;  // at 96 DPI
}  // namespace

int CStatusBar::TextWidth(const std::string& text) const {
    HFONT font = GetFont();
    CClientDC dc(nullptr);
    CSelectObject select(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    const std::wstring wide = UiText(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
}

bool CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
    return CreateControl(0, "msctls_statusbar32", style | WS_CHILD | CCS_BOTTOM | SBARS_SIZEGRIP,
                         parent->m_hWnd, id);
}

HFONT CStatusBar::GetFont() const {
    return reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
    m_panes.clear();
    for (int i = 0; i < count; ++i) {
        Pane pane{ids[i], 0, 0, ""};
        if (ids[i] != 0) {
            pane.text = LoadResourceString(ids[i]);
            if (pane.text.empty()) return false;
            pane.width = TextWidth(pane.text);
        }
        m_panes.push_back(pane);
    }
    UpdateParts();
    for (int i = 0; i < count; ++i) SetPaneText(i, m_panes[static_cast<std::size_t>(i)].text);
    return true;
}

void CStatusBar::UpdateParts() {
    if (m_panes.empty()) return;
    RECT rc = GetClientRect();
    const int dpi = WindowDpi(m_hWnd);
    std::vector<int> edges(m_panes.size());
    // Fixed panes sit at the right; the message pane stretches over what is left.
    int right = rc.right;
    for (std::size_t i = m_panes.size(); i-- > 0;) {
        edges[i] = (i + 1 == m_panes.size()) ? -1 : right;
        if (m_panes[i].id != 0) right -= m_panes[i].width + ScaleForDpi(kPaneMargin, dpi);
        if (i + 1 == m_panes.size())
            right -= SystemMetricForDpi(SM_CXVSCROLL, dpi);  // the size grip
    }
    SendMessageW(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
    const Pane& pane = m_panes.at(static_cast<std::size_t>(index));
    id = pane.id;
    style = pane.style;
    width = pane.width;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
    Pane& pane = m_panes.at(static_cast<std::size_t>(index));
    bool changed = pane.width != width;
    pane.id = id;
    pane.style = style;
    pane.width = width;
    if (changed) UpdateParts();
}

std::string CStatusBar::GetPaneText(int index) const {
    return m_panes.at(static_cast<std::size_t>(index)).text;
}

void CStatusBar::SetPaneText(int index, const std::string& text) {
    m_panes.at(static_cast<std::size_t>(index)).text = text;
    const std::wstring wide = UiText(text);
    SendMessageW(m_hWnd, SB_SETTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) {
    for (int i = 0; i < GetCount(); ++i) {
        UINT id = m_panes[static_cast<std::size_t>(i)].id;
        if (id == 0) continue;
        CCmdUI ui(id);
        bool handled = target->RouteCmdMsg(id, &ui);
        if (!handled && disableIfNoHandler) ui.m_bEnabled = false;
        if (!ui.m_bEnabled) {
            if (!GetPaneText(i).empty()) SetPaneText(i, "");
        } else if (ui.m_bTextSet && ui.m_strText != GetPaneText(i)) {
            SetPaneText(i, ui.m_strText);
        }
    }
}

void CStatusBar::OnDpiChanged(int oldDpi, int newDpi) {
    RescaleControlFont(m_hWnd, m_dpiFont, oldDpi, newDpi);
    // The fixed panes as wide as their texts in the new font.
    for (Pane& pane : m_panes) {
        if (pane.id != 0) pane.width = TextWidth(pane.text);
    }
    UpdateParts();
}

int CStatusBar::CalcHeight(int width) {
    (void)width;
    SendMessageW(m_hWnd, WM_SIZE, 0, 0);  // the status bar sizes itself to its parent's bottom
    UpdateParts();
    return CControlBar::CalcHeight(width);
}
