// The options' thumbnail layout preview: a grid of "CG" cells of the chosen picture size,
// border and margins, drawn in the system's window and window-text colours.
#pragma once

#include <windows.h>

#include "fw/Wnd.h"

class CImageLayoutPreview : public CWnd {
  public:
    // A visible child of parent covering rect (parent's client coordinates).
    bool Create(HWND parent, const RECT& rect);
    // Paints into dc over client, as WM_PAINT does (also answers WM_PRINTCLIENT).
    void Paint(HDC dc, const RECT& client) const;

    unsigned m_nBorder = 0;
    unsigned m_nWidth = 0;
    unsigned m_nHeight = 0;
    unsigned m_nMarginHeight = 0;
    unsigned m_nMarginWidth = 0;

    static const char kClassName[];

  protected:
    bool OnPaint() override;
    bool OnPrintClient(HDC dc) override;
    bool OnEraseBkgnd(HDC) override { return true; }  // painting covers everything
};
