// A toolbar whose buttons and bitmap come from resources: a toolbar resource (the button
// size and the command ids, 0 for a separator) and a bitmap with one image per button.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <vector>

#include "fw/ControlBar.h"
#include "win/Handles.h"

class CToolBar : public CControlBar {
  public:
    bool Create(CWnd* parent, DWORD style, UINT id);
    bool LoadToolBar(UINT resourceId);
    void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

    SIZE GetMaxSize() const;

  private:
    // Adds the resource's buttons, their images drawn at dpi.
    bool AddButtons(int dpi);

    UINT m_resourceId = 0;
    std::vector<UINT> m_items;  // the resource's command ids, 0 for a separator
    SIZE m_imageSize{};         // of one image in the resource's bitmap
    std::vector<UINT> m_ids;
    CUniqueImageList m_imageList;
};
