// A rebar that hosts bars as bands.
#pragma once

#include "fw/ControlBar.h"

class CReBar : public CControlBar {
  public:
    bool Create(CWnd* parent, DWORD style, UINT id);
    // Adds bar as a band; bandStyle takes RBBS_* flags.
    bool AddBar(CControlBar* bar, UINT bandStyle);
    void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) override;
    int CalcHeight(int width) override;
    // The band's bar first, then the band's sizes from it.
    void OnDpiChanged(int oldDpi, int newDpi) override;

  private:
    CControlBar* m_pBar = nullptr;
};
