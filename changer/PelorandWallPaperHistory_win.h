// The history dialog: the wallpapers set in this process, oldest first, a preview of the
// selected one, and "壁紙に設定する" to set it again. The setting runs on a worker, one at a
// time, so that a picture on a share that stopped answering never stops the dialog; the
// history hears of it when the worker says it was set.
#pragma once

#include <memory>

#include "changer/PicturePreview_win.h"
#include "fw/Dialog.h"
#include "fw/Ids.h"
#include "fw/Worker.h"

class CWallPaperHistory;
class IWallpaperSetter;

class CPelorandWallPaperHistory : public CDialog {
  public:
    // setter: shared with the worker's job, which may outlive the dialog.
    CPelorandWallPaperHistory(HWND parent, std::shared_ptr<IWallpaperSetter> setter);

    CWallPaperHistory* m_pHistory = nullptr;  // set by the opener before the dialog runs
    CPicturePreview m_preview;
    // True while a wallpaper chosen here is being set.
    bool IsSetting() const { return m_bSetting; }

    static constexpr UINT kSetMessage = WM_FW_PROGRAM_FIRST + 0x59;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void FillList();
    void Preview();
    void SetAgain();
    void OnSet(WPARAM key);
    // The selected line, or -1.
    int Selected() const;

    std::shared_ptr<IWallpaperSetter> m_pSetter;
    bool m_bSetting = false;
    // Single-threaded: the shell's Active Desktop object lives in such an apartment.
    CWorker m_worker{*this, COINIT_APARTMENTTHREADED};
};
