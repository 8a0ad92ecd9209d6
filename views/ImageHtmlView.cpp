#include "views/ImageHtmlView.h"

#include "doc/PelorandDoc.h"

namespace {
const char kPageViewClass[] = "PelorandPageView";
}

CPelorandDoc* CImageHtmlView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CImageHtmlView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    SetDocument(doc);
    // Redrawn whole at every size: the page flows its thumbnails to the width.
    RegisterClassOnce(kPageViewClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                      LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CreateEx(kDefaultExStyle, kPageViewClass, "", kDefaultStyle, 0, 0, size.cx, size.cy,
                    parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CImageHtmlView::OnInitialUpdate() {
    // Registers with the document only; the page it shows, if any, stays.
    GetDocument()->m_pImageView = this;
}
