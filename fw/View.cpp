#include "fw/View.h"

#include "fw/FrameWnd.h"

CFrameWnd* CView::GetParentFrame() const {
    if (!m_hWnd) return nullptr;
    return dynamic_cast<CFrameWnd*>(FromHandle(GetAncestor(m_hWnd, GA_ROOT)));
}

LRESULT CView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETFOCUS) {
        // The view with the focus is the one commands go to first.
        if (CFrameWnd* frame = GetParentFrame()) frame->SetActiveView(this, false);
    }
    return CWnd::WndProc(msg, wParam, lParam);
}
