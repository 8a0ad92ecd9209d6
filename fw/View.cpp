#include "fw/View.h"

#include "fw/Document.h"
#include "fw/Dpi.h"
#include "fw/FrameWnd.h"

void CView::SetDocument(CDocument* doc) {
    if (m_pDocument == doc) return;
    if (m_pDocument) m_pDocument->RemoveView(this);
    m_pDocument = doc;
    if (doc) doc->AddView(this);
}

bool CView::CreateControlView(const char* className, HWND parent, UINT id, const SIZE& size,
                              CDocument* doc) {
    SetDocument(doc);
    if (!CreateControl(kDefaultExStyle, className, kDefaultStyle, parent, id)) return false;
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CView::OnDpiChanged(int oldDpi, int newDpi) {
    RescaleControlFont(m_hWnd, m_dpiFont, oldDpi, newDpi);
}

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
