#include "fw/ReBar.h"

#include <commctrl.h>

#include "fw/ToolBar.h"

bool CReBar::Create(CWnd* parent, DWORD style, UINT id) {
    if (!CreateControl(0, "ReBarWindow32", style | WS_CHILD | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                       parent->m_hWnd, id)) {
        return false;
    }
    REBARINFO info{};
    info.cbSize = sizeof info;
    return SendMessageW(m_hWnd, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

namespace {

// A band's sizes for the bar it holds, as the bar is now.
REBARBANDINFOW BandFor(CControlBar* bar) {
    RECT rc{};
    GetWindowRect(bar->m_hWnd, &rc);
    SIZE size{rc.right - rc.left, rc.bottom - rc.top};
    if (auto* toolbar = dynamic_cast<CToolBar*>(bar)) {
        size = toolbar->GetMaxSize();
        DWORD button = static_cast<DWORD>(SendMessageW(bar->m_hWnd, TB_GETBUTTONSIZE, 0, 0));
        size.cy = HIWORD(button);
    }
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.cxMinChild = 0;
    band.cyMinChild = static_cast<UINT>(size.cy);
    band.cx = static_cast<UINT>(size.cx);
    band.cxIdeal = static_cast<UINT>(size.cx);
    return band;
}

}  // namespace

bool CReBar::AddBar(CControlBar* bar, UINT bandStyle) {
    REBARBANDINFOW band = BandFor(bar);
    band.fMask |= RBBIM_STYLE | RBBIM_CHILD;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    if (!SendMessageW(m_hWnd, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(&band))) {
        return false;
    }
    m_pBar = bar;
    return true;
}

void CReBar::OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) {
    if (m_pBar) m_pBar->OnUpdateCmdUI(target, disableIfNoHandler);
}

void CReBar::OnDpiChanged(int oldDpi, int newDpi) {
    if (!m_pBar) return;
    m_pBar->OnDpiChanged(oldDpi, newDpi);
    REBARBANDINFOW band = BandFor(m_pBar);
    SendMessageW(m_hWnd, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
}

int CReBar::CalcHeight(int width) {
    SetWindowPos(m_hWnd, nullptr, 0, 0, width, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    return static_cast<int>(SendMessageW(m_hWnd, RB_GETBARHEIGHT, 0, 0));
}
