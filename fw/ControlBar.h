// A bar docked to the top or bottom of a frame (toolbar, rebar, status bar).
#pragma once

#include "fw/Wnd.h"

class CFrameWnd;

class CControlBar : public CWnd {
  public:
    enum class Align { Top, Bottom };

    // Brings the bar's items up to date with their commands' states (idle time).
    virtual void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) = 0;
    // Lets the bar size itself to the width given and returns the height it takes.
    virtual int CalcHeight(int width);
    // The frame moved to a monitor of newDpi: the bar sizes its images, text and parts again.
    virtual void OnDpiChanged(int oldDpi, int newDpi) {
        (void)oldDpi;
        (void)newDpi;
    }
    bool IsVisible() const { return m_hWnd && (GetStyle() & WS_VISIBLE) != 0; }

    Align m_align = Align::Top;
};
