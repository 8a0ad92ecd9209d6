// The wallpaper changer's window: the user picks a collection file (a named one or a recent
// one), starts and stops the changer, looks at the history while stopped, and leaves either to
// the editor ("設定", result IDOK) or out of the program ("閉じる", result IDCANCEL). While
// running, the window is minimised and timer 11 sets the next wallpaper at every period.
//
// The window's thread never touches the disk nor waits for it: the collection is read on a
// worker at the start, and a tick chooses its entry on the window's thread and leaves the disk
// (the entry's attributes, the directory search, the shell's name) and the setting of the
// wallpaper to the worker, so a slow share or a hung shell never stops the window. One job at
// a time: a tick due while the last is still out is skipped. The history and the information
// window change when the worker says the wallpaper was set. A stop or a pause that comes
// before the setting keeps it from happening; closing and starting again wait for nothing.
//
// While running, the information window's context menu and, when the user asks for it, an
// icon in the notification area offer the next wallpaper now, a pause, the history, the
// editor on the running collection, and stop.
#pragma once

#include <windows.h>
// (shellapi.h needs the definitions of windows.h)
#include <shellapi.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "changer/ChangerSchedule.h"
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

// What the changer uses of the system, each left empty for the real one: the shell's wallpaper,
// the process-wide history, the platform's file system, the shell's word on full-screen
// programs, the number of monitors that can show a picture each (MonitorsWithOwnPicture), and
// the running menu as the user answers it (the command chosen, 0 for none). A
// setter handed in must outlive any job of the worker still using it (a test releases its own
// before it goes); the file system is shared with the jobs.
struct ChangerHooks {
    IWallpaperSetter* setter = nullptr;
    CWallPaperHistory* history = nullptr;
    std::shared_ptr<IFileSystem> fileSystem;
    std::function<bool()> fullScreen;
    std::function<UINT(HMENU menu)> menu;
    std::function<int()> monitors;
    // How long the end wallpaper may take before the changer lets go of it (ms).
    DWORD endWallpaperWait = 4000;
};

class CPelorandChanger : public CDialog, private IChangerHost {
  public:
    // settings: the program's, which the window reads its choices from and stores them in.
    explicit CPelorandChanger(CSettings& settings, HWND parent = nullptr,
                              ChangerHooks hooks = ChangerHooks());
    // Stops the changer, deletes the information window and sets the end wallpaper when asked.
    ~CPelorandChanger() override;

    bool IsRunning() const { return m_pSchedule->IsRunning(); }
    bool IsPaused() const { return m_pSchedule->IsPaused(); }
    // True while the collection's load or a tick is on the worker; its result comes as a
    // posted message.
    bool IsTickRunning() const { return m_pSchedule->IsTickRunning(); }
    bool IsLoading() const { return m_pSchedule->IsLoading(); }
    bool HasTrayIcon() const { return m_bTrayIcon; }
    CFileInfomationView* GetInfoView() const { return m_pInfoView.get(); }
    const CBlock* GetLoadedRoot() const { return m_pSchedule->LoadedRoot(); }
    CChangerEngine* GetEngine() const { return m_pEngine.get(); }

    // After "エディタで表示": the collection to open and where the entry shown lies in it, as
    // the index of each entry among its siblings from the file's root folder down.
    const std::string& GetEditFile() const { return m_strEditFile; }
    const std::vector<int>& GetEditEntry() const { return m_editEntry; }

    // The notification-area icon's callback message and its id.
    static constexpr UINT kTrayMessage = WM_FW_PROGRAM_FIRST + 0x50;
    static constexpr UINT kTrayIconId = 1;
    // How often a running changer looks whether a full-screen program came or went (ms).
    static constexpr UINT kFullScreenCheckPeriod = 2000;
    // A tick's disk work and setting done (wParam: the worker's key).
    static constexpr UINT kTickFoundMessage = WM_FW_PROGRAM_FIRST + 0x51;
    // The collection read (wParam: the worker's key).
    static constexpr UINT kLoadedMessage = WM_FW_PROGRAM_FIRST + 0x53;
    // The information window asks for the menu (lParam: the screen point, as WM_CONTEXTMENU).
    static constexpr UINT kMenuMessage = WM_FW_PROGRAM_FIRST + 0x52;

    // Whether a full-screen program, a presentation or a game has the screen now.
    static bool FullScreenProgramRuns();
    // How many monitors the shell can give a picture each: those the system shows, from
    // Windows 8 on; 1 before.
    static int MonitorsWithOwnPicture();

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
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
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
    void OnTickFound(WPARAM key);
    void OnLoaded(WPARAM key);
    void OpenEditor();
    void StopFromMenu();
    void RunCommand(UINT id);
    // fromTray: the notification area's menu, which must take the foreground to close.
    void ShowMenu(POINT at, bool fromTray);
    bool FullScreenNow() const;
    // Hides the information window while a full-screen program runs, and shows it after.
    void OnFullScreenCheck();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void UpdateTrayTip();
    void EndChanger();
    void SetEndWallpaper();

    // What the schedule asks of the window.
    void RestartTimer() override;
    void StopTimer() override;
    bool StartLoad(unsigned run, const std::string& path) override;
    bool StartTick(unsigned run, std::shared_ptr<TickSearch> search) override;
    std::size_t MonitorsForTick() override;
    bool StartTickEach(unsigned run, std::shared_ptr<std::vector<MonitorPick>> picks) override;
    void CancelJob() override;
    void StateChanged() override;

    CSettings& m_settings;
    IWallpaperSetter* m_pSetter;
    CWallPaperHistory& m_history;
    // What the worker's jobs use is shared with them: a job may outlive the window.
    std::shared_ptr<IWallpaperSetter> m_pJobSetter;
    std::unique_ptr<IClock> m_pClock;
    std::shared_ptr<IFileSystem> m_pFileSystem;
    std::shared_ptr<IDisplayName> m_pDisplayName;
    std::shared_ptr<std::mutex> m_pSetting;     // held by the job that sets the wallpaper
    std::function<bool()> m_fullScreenHook;
    std::function<UINT(HMENU menu)> m_menuHook;
    DWORD m_endWallpaperWait;
    std::function<int()> m_monitorsHook;
    std::unique_ptr<CChangerEngine> m_pEngine;  // holds the rotation list and its cursor
    std::unique_ptr<CChangerSchedule> m_pSchedule;
    std::unique_ptr<CFileInfomationView> m_pInfoView;
    bool m_bTrayIcon = false;
    bool m_bEnded = false;  // the end wallpaper has been dealt with
    bool m_bInHistory = false;
    bool m_bInfoHiddenForFullScreen = false;
    std::string m_strEditFile;
    std::vector<int> m_editEntry;
    UINT m_uTaskbarCreated = 0;
    CUniqueIcon m_icon;
    CUniqueIcon m_smallIcon;
    CUniqueIcon m_trayIcon;  // at the notification area's DPI
    // Single-threaded: the shell's Active Desktop object lives in such an apartment.
    CWorker m_worker{*this, COINIT_APARTMENTTHREADED};
    // The end wallpaper's: the window may be gone by then. Nothing comes back as a message.
    CWorker m_endWorker{[](UINT, WPARAM, LPARAM) {}, COINIT_APARTMENTTHREADED};
};
