// The lower right pane, where the thumbnail page of the selected images is shown. It stays
// blank until a page is loaded into it.
#pragma once

#include "fw/View.h"

class CPelorandDoc;

class CImageHtmlView : public CView {
  public:
    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    CPelorandDoc* GetDocument() const;
};
