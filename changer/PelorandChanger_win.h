// The wallpaper changer's window: the user picks a collection file (a named one or a recent
// one), starts and stops the changer, looks at the history while stopped, and leaves either to
// the editor ("設定", result IDOK) or out of the program ("閉じる", result IDCANCEL). While
// running, the window is minimised and timer 11 sets the next wallpaper at every period.
//
// A tick chooses its entry on the window's thread and reads the disk (the entry's attributes,
// the directory search, the shell's name) on a worker, so a slow share never stops the window;
// one tick at a time. While running, the information window's context menu and, when the user
// asks for it, an icon in the notification area offer the next wallpaper now, a pause, the
// history, the editor on the running collection, and stop.
#pragma once

#include <windows.h>
// (shellapi.h needs the definitions of windows.h)
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "changer/ChangerSeams.h"
#include "fw/Dialog.h"
#include "fw/Ids.h"
#include "fw/Worker.h"
#include "win/Handles.h"

class CBlock;
class CChangerEngine;
class CFileInfomationView;
class CSettings;
class CWallPaperHistory;

class CPelorandChanger : public CDialog {
  public:
    // settings: the program's, which the window reads its choices from and stores them in.
    // setter and history default to the shell's wallpaper and the process-wide history.
    explicit CPelorandChanger(CSettings& settings, HWND parent = nullptr,
                              IWallpaperSetter* setter = nullptr,
                              CWallPaperHistory* history = nullptr);
    // Stops the changer, deletes the information window and sets the end wallpaper when asked.
    ~CPelorandChanger() override;

    bool IsRunning() const { return m_bRunning; }
    bool IsPaused() const { return m_bPaused; }
    // True while a tick's disk work is on the worker; its result comes as a posted message.
    bool IsTickRunning() const { return m_bTickRunning; }
    bool HasTrayIcon() const { return m_bTrayIcon; }
    CFileInfomationView* GetInfoView() const { return m_pInfoView.get(); }
    const CBlock* GetLoadedRoot() const { return m_pRoot.get(); }
    CChangerEngine* GetEngine() const { return m_pEngine.get(); }

    // Whether the user runs a full-screen program now; tests answer it here.
    std::function<bool()> m_fullScreenHook;
    // The running menu itself; tests answer it here with the command chosen (0: none).
    std::function<UINT(HMENU menu)> m_menuHook;

    // After "エディタで表示": the collection to open and where the entry shown lies in it, as
    // the index of each entry among its siblings from the file's root folder down.
    const std::string& GetEditFile() const { return m_strEditFile; }
    const std::vector<int>& GetEditEntry() const { return m_editEntry; }

    // The notification-area icon's callback message and its id.
    static constexpr UINT kTrayMessage = WM_FW_PROGRAM_FIRST + 0x50;
    static constexpr UINT kTrayIconId = 1;
    // A tick's disk work done (wParam: the worker's key).
    static constexpr UINT kTickFoundMessage = WM_FW_PROGRAM_FIRST + 0x51;
    // The information window asks for the menu (lParam: the screen point, as WM_CONTEXTMENU).
    static constexpr UINT kMenuMessage = WM_FW_PROGRAM_FIRST + 0x52;

    // Whether a full-screen program, a presentation or a game has the screen now.
    static bool FullScreenProgramRuns();

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
    CSettings& Settings() const { return m_settings; }
    void OnTimerTick();
    void StartTick();
    void OnTickFound(WPARAM key);
    void RestartTimer();
    void NextNow();
    void TogglePause();
    void OpenEditor();
    void StopFromMenu();
    void RunCommand(UINT id);
    void ShowMenu(POINT at);
    void AddTrayIcon();
    void RemoveTrayIcon();
    void UpdateTrayTip();
    void ShowPaused();
    void EndChanger();

    CSettings& m_settings;
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
    bool m_bPaused = false;
    bool m_bTickRunning = false;
    bool m_bTrayIcon = false;
    bool m_bEnded = false;  // the end wallpaper has been dealt with
    bool m_bInHistory = false;
    unsigned m_nRun = 0;           // counts the starts: a tick of an earlier run is dropped
    std::string m_strLoaded;       // the running collection's file
    std::string m_strCurrentName;  // the current wallpaper's name, for the icon's tip
    std::string m_strEditFile;
    std::vector<int> m_editEntry;
    UINT m_uTaskbarCreated = 0;
    CUniqueIcon m_icon;
    CUniqueIcon m_smallIcon;
    CWorker m_worker{*this};  // last: joined before the file system it reads goes
};
