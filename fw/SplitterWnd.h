// A static splitter: a fixed grid of panes with draggable bars between rows and columns.
// Pane (row, col) is the child window whose id is AFX_IDW_PANE_FIRST + row * 16 + col.
#pragma once

#include <vector>

#include "fw/SplitterLayout.h"
#include "fw/Wnd.h"

class CDocument;
class CView;

class CSplitterWnd : public CWnd {
  public:
    static constexpr int kBarSize = 6;  // at 96 DPI

    bool CreateStatic(HWND parent, int rows, int cols, UINT id);
    bool CreateView(int row, int col, CView* view, SIZE size, CDocument* doc);
    static UINT IdFromRowCol(int row, int col);
    CWnd* GetPane(int row, int col) const;

    void SetColumnInfo(int col, int ideal, int min);
    void SetRowInfo(int row, int ideal, int min);
    void GetColumnInfo(int col, int& current, int& min) const;
    void GetRowInfo(int row, int& current, int& min) const;
    void RecalcLayout();
    // The frame moved to a monitor of newDpi: the bars and the panes' sizes scale with it.
    void OnDpiChanged(int oldDpi, int newDpi);

  protected:
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnSetCursor(HWND over, UINT hitTest) override;
    bool OnButton(UINT msg, POINT at, UINT keys) override;
    bool OnMouseMove(POINT at, UINT keys) override;
    bool OnCaptureChanged(HWND gaining) override;

  private:
    // Which bar a client point is on: {true for a row bar, index}; index -1 for none.
    std::pair<bool, int> HitTest(POINT point) const;

    int m_bar = kBarSize;  // at the screen's DPI
    std::vector<SplitterPane> m_rows;
    std::vector<SplitterPane> m_cols;
    std::pair<bool, int> m_tracking{false, -1};
    int m_grabOffset = 0;  // where in the bar it was grabbed, so that it does not jump
};
