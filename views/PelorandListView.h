// The file list: the selected folder's entries with their properties, in the upper right pane.
#pragma once

#include "fw/ListView.h"

class CPelorandDoc;

class CPelorandListView : public CListView {
  public:
    static constexpr int kColumnCount = 6;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    CPelorandDoc* GetDocument() const;

    // Column widths live in the settings while the list shows columns (report or list style).
    void SaveColumnWidths();
    void LoadColumnWidths();

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
