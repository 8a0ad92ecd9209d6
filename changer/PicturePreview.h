// The history dialog's preview: a static control that shows one picture stretched over its
// whole client area, or only its background when it holds none.
#pragma once

#include <string>

#include "changer/LoadedPicture.h"
#include "fw/Wnd.h"

class CPicturePreview : public CWnd {
  public:
    // Loads path and repaints at once; false when it holds no picture now.
    bool ShowPicture(const std::string& path);
    const CLoadedPicture& Picture() const { return m_picture; }
    void Paint(HDC dc) const;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    CLoadedPicture m_picture;
};
