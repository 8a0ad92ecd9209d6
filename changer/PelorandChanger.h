// The wallpaper changer's window: the user picks a collection file (a named one or a recent
// one), starts and stops the changer, looks at the history while stopped, and leaves either to
// the editor ("設定", result IDOK) or out of the program ("閉じる", result IDCANCEL). While
// running, the window is minimised and timer 11 sets the next wallpaper at every period.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "changer/ChangerSeams.h"
#include "fw/Dialog.h"
#include "fw/Handles.h"

class CBlock;
class CChangerEngine;
class CFileInfomationView;
class CSettings;
class CWallPaperHistory;

class CPelorandChanger : public CDialog {
  public:
    // setter and history default to the shell's wallpaper and the process-wide history.
    explicit CPelorandChanger(HWND parent = nullptr, IWallpaperSetter* setter = nullptr,
                              CWallPaperHistory* history = nullptr);
    // Stops the changer, deletes the information window and sets the end wallpaper when asked.
    ~CPelorandChanger() override;

    bool IsRunning() const { return m_bRunning; }
    CFileInfomationView* GetInfoView() const { return m_pInfoView.get(); }
    const CBlock* GetLoadedRoot() const { return m_pRoot.get(); }
    CChangerEngine* GetEngine() const { return m_pEngine.get(); }

    // The timer period for a stored interval in seconds: kept between 1 and 9999 seconds, so
    // that a value edited into the registry can neither stop the timer nor overflow it.
    static UINT TimerPeriod(int seconds);

    std::string m_strFile;  // the named file
    int m_nRadio = -1;      // 0 named file, 1 recent file; -1 until the settings are read

  protected:
    bool OnInitDialog() override;
    // Enter with no push button focused: leaves like "設定" but stores nothing.
    void OnOK() override { EndDialog(IDOK); }
    bool OnCommand(UINT id, UINT code) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void ReadControls();
    void ShowMembers();
    void StoreChoice();
    void Start();
    void Stop();
    void ChooseFile();
    void ShowHistory();
    CSettings& Settings() const;

    IWallpaperSetter* m_pSetter;
    CWallPaperHistory& m_history;
    std::unique_ptr<IWallpaperSetter> m_pOwnSetter;
    std::unique_ptr<IClock> m_pClock;
    std::unique_ptr<IFileSystem> m_pFileSystem;
    std::unique_ptr<IDisplayName> m_pDisplayName;
    std::unique_ptr<CChangerEngine> m_pEngine;  // holds the rotation list and its cursor
    std::unique_ptr<CBlock> m_pRoot;            // the loaded collection; none while stopped
    std::unique_ptr<CFileInfomationView> m_pInfoView;
    bool m_bRunning = false;
    CUniqueIcon m_icon;
    CUniqueIcon m_smallIcon;
};
