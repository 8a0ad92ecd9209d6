// A toolbar whose buttons and bitmap come from resources: a toolbar resource (the button
// size and the command ids, 0 for a separator) and a bitmap with one image per button.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <vector>

#include "fw/ControlBar.h"

class CToolBar : public CControlBar {
  public:
    ~CToolBar() override;
    bool Create(CWnd* parent, DWORD style, UINT id);
    bool LoadToolBar(UINT resourceId);
    void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) override;

    const std::vector<UINT>& ButtonIds() const { return m_ids; }
    bool IsButtonEnabled(UINT id) const;
    bool IsButtonChecked(UINT id) const;
    SIZE GetMaxSize() const;

  private:
    std::vector<UINT> m_ids;
    HIMAGELIST m_imageList = nullptr;
};
