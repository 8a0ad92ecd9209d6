// The history dialog: the wallpapers set in this process, oldest first, a preview of the
// selected one, and "壁紙に設定する" to set it again.
#pragma once

#include "changer/PicturePreview_win.h"
#include "fw/Dialog.h"

class CWallPaperHistory;
class IWallpaperSetter;

class CPelorandWallPaperHistory : public CDialog {
  public:
    CPelorandWallPaperHistory(HWND parent, IWallpaperSetter* setter);

    CWallPaperHistory* m_pHistory = nullptr;  // set by the opener before the dialog runs
    CPicturePreview m_preview;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;

  private:
    void FillList();
    void Preview();
    void SetAgain();
    // The selected line, or -1.
    int Selected() const;

    IWallpaperSetter* m_pSetter;
};
