#include "changer/PelorandChanger_win.h"

#include <shlobj.h>
#include <versionhelpers.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <utility>
#include <vector>

#include "changer/ChangerEngine.h"
#include "changer/FileInfomationView_win.h"
#include "changer/PelorandWallPaperHistory_win.h"
#include "changer/PlatformDisplayName.h"
#include "changer/SystemClock.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "fw/CommonDialogs.h"
#include "fw/Dpi.h"
#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"
#include "model/PlatformFileSystem.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "win/MessageFilter.h"
#include "win/Strconv.h"

namespace {

std::string ItemText(HWND control, int id) {
    return GetDlgItemTextUi(control, id);
}

std::wstring ResourceText(UINT id) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// The tick's disk work as the worker hands it back: which tick, and what the disk said;
// found.end is ApplyFailed when the wallpaper could not be set.
struct TickResult {
    unsigned tick = 0;
    TickFound found;
    bool stopped = false;  // a pause or a stop came before the setting: nothing was set
    // A picture per monitor: each monitor's, in place of found.
    bool perMonitor = false;
    std::vector<TickFound> each;
};

// Sets the wallpaper through set, behind any setting of an earlier run still out (lest it land
// last), unless a stop or a pause came first; true when one came and nothing was set.
template <typename Set>
bool StoppedBeforeSetting(CWorkerJob& job, std::mutex& setting, Set set) {
    std::lock_guard<std::mutex> one(setting);
    if (job.CancelRequested()) return true;
    set();
    return false;
}

// The collection's bytes as the worker read them, for the run that asked.
struct LoadedCollection {
    unsigned run = 0;
    std::string text;
};

// The whole file at path; empty when it cannot be read (a missing or damaged file is not
// reported: what could be read is loaded).
std::string ReadWholeFile(const IFileSystem& fileSystem, const std::string& path) {
    std::string text;
    const PathAttributes attributes = fileSystem.GetAttributes(path);
    if (!attributes.readable || attributes.isDirectory) return text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[64 * 1024];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

}  // namespace

CPelorandChanger::CPelorandChanger(CSettings& settings, HWND parent, ChangerHooks hooks)
    : CDialog(IDD_CHANGER, parent),
      m_settings(settings),
      m_pSetter(hooks.setter),
      m_history(hooks.history ? *hooks.history : WallPaperHistory()),
      m_pClock(std::make_unique<CSystemClock>()),
      m_pFileSystem(std::move(hooks.fileSystem)),
      m_pDisplayName(std::make_shared<CPlatformDisplayName>()),
      m_pSetting(std::make_shared<std::mutex>()),
      m_fullScreenHook(std::move(hooks.fullScreen)),
      m_menuHook(std::move(hooks.menu)),
      m_endWallpaperWait(hooks.endWallpaperWait),
      m_monitorsHook(std::move(hooks.monitors)) {
    // Handed in: not ours to free (a shared_ptr that owns nothing).
    if (m_pSetter) {
        m_pJobSetter = std::shared_ptr<IWallpaperSetter>(std::shared_ptr<void>(), m_pSetter);
    } else {
        m_pJobSetter = std::make_shared<CWallpaperSetter>(m_history);
        m_pSetter = m_pJobSetter.get();
    }
    if (!m_pFileSystem) m_pFileSystem = std::make_shared<CPlatformFileSystem>();
    m_pEngine = std::make_unique<CChangerEngine>(Settings(), *m_pClock, *m_pFileSystem,
                                                 *m_pDisplayName, *m_pSetter);
    IChangerHost& host = *this;
    m_pSchedule = std::make_unique<CChangerSchedule>(*m_pEngine, *m_pSetter, host);
}

CPelorandChanger::~CPelorandChanger() {
    // A job still out is not waited for: it holds what it uses, and its result is dropped.
    EndChanger();
    m_pEngine->SetInfoSink(nullptr);
    m_pInfoView.reset();
}

void CPelorandChanger::EndChanger() {
    // Once, whether the window object ends or the session does first; also after "設定" and
    // whether or not the changer ever ran.
    if (!m_bEnded) {
        m_bEnded = true;
        // The end wallpaper first: at a session's end Windows may end the process soon after,
        // and letting go of the tray icon and a large tree takes time. No tick may follow it.
        m_worker.RequestCancel();
        if (m_hWnd && IsWindow(m_hWnd)) KillTimer(m_hWnd, IDT_CHANGER);
        if (Settings().GetInt(setting::EndFileSetCheck) != 0) SetEndWallpaper();
    }
    Stop();
}

void CPelorandChanger::SetEndWallpaper() {
    const std::string end = Settings().GetString(setting::EndFileName);
    const std::size_t monitors = MonitorsForTick();
    auto set = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<IWallpaperSetter> setter = m_pJobSetter;
    std::shared_ptr<std::mutex> setting = m_pSetting;
    // On the worker as every setting is, so that a picture on a share that stopped answering
    // cannot hold the window; the process waits for it a while, being the last thing it does.
    const bool started = m_endWorker.Start([end, monitors, set, setter, setting](CWorkerJob&) {
        std::lock_guard<std::mutex> one(*setting);  // after any tick's setting still out
        if (monitors > 1 && !end.empty()) {
            // Every monitor, whatever each showed; recorded once.
            std::vector<IWallpaperSetter::MonitorPath> paths;
            for (std::size_t i = 0; i < monitors; ++i) paths.push_back({i, end});
            const std::vector<bool> each = setter->ApplyEach(paths);
            *set = std::find(each.begin(), each.end(), true) != each.end();
        } else {
            *set = setter->Apply(end);
        }
    });
    if (started && m_endWorker.WaitUpTo(m_endWallpaperWait) && *set) m_pSetter->Record(end);
}

UINT CPelorandChanger::TimerPeriod(int seconds) {
    return static_cast<UINT>(std::clamp(seconds, 1, 9999)) * 1000u;
}

bool CPelorandChanger::OnInitDialog() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_icon.Reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon.Get()));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));

    HWND combo = GetDlgItem(IDC_CHANGER_RECENT);
    std::string mostRecent;
    for (int i = 1; i <= setting::kRecentFileCount; ++i) {
        std::string file = Settings().GetString(setting::RecentFile(i));
        if (i == 1) mostRecent = file;
        if (!file.empty())
            SendTextMessageUi(combo, CB_ADDSTRING, 0, file);
    }
    // The combo box keeps its items sorted; the most recent one is found by its prefix.
    if (!mostRecent.empty()) {
        SendTextMessageUi(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), mostRecent);
    }
    m_nRadio = Settings().GetInt(setting::ExecuteRadio) == 1 ? 1 : 0;
    m_strFile = Settings().GetString(setting::ExecuteFile);
    ShowMembers();
    m_uTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // Run as administrator, the window still hears Explorer restart and the shell's drops.
    AllowMessagesFromLowerPrograms(m_hWnd, {m_uTaskbarCreated});
    AllowDroppedFilesFromLowerPrograms(m_hWnd);
    return true;
}

void CPelorandChanger::ReadControls() {
    m_nRadio = IsDlgButtonChecked(IDC_CHANGER_RADIO_RECENT) ? 1 : 0;
    m_strFile = ItemText(m_hWnd, IDC_CHANGER_FILE);
}

void CPelorandChanger::ShowMembers() {
    CheckRadioButton(m_hWnd, IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     m_nRadio == 1 ? IDC_CHANGER_RADIO_RECENT : IDC_CHANGER_RADIO_FILE);
    SetDlgItemTextUi(m_hWnd, IDC_CHANGER_FILE, m_strFile);
}

void CPelorandChanger::StoreChoice() {
    Settings().WriteInt(setting::ExecuteRadio, m_nRadio);
    Settings().WriteString(setting::ExecuteFile, m_strFile);
}

bool CPelorandChanger::OnTimer(UINT_PTR id) {
    if (id == IDT_CHANGER_FULL_SCREEN) {
        OnFullScreenCheck();
    } else {
        OnTimerTick();
    }
    return true;
}

void CPelorandChanger::OnDestroy() {
    KillTimer(m_hWnd, IDT_CHANGER);
    KillTimer(m_hWnd, IDT_CHANGER_FULL_SCREEN);
    RemoveTrayIcon();
    // The object stays until the changer ends; only its window goes with this one.
    if (m_pInfoView) {
        m_pEngine->SetInfoSink(nullptr);
        m_pInfoView->DestroyWindow();
    }
}

bool CPelorandChanger::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    // The running menu's commands, from a menu of its own or posted by a test or script.
    if (id >= ID_CHANGER_NEXT && id <= ID_CHANGER_SHOW) {
        RunCommand(id);
        return true;
    }
    switch (id) {
        case IDC_CHANGER_RUN:
            ReadControls();
            StoreChoice();
            if (IsRunning()) {
                Stop();
            } else {
                Start();
            }
            return true;
        case IDC_CHANGER_SETTINGS:
            // The members as they stand: a choice changed since the last reading is not stored.
            StoreChoice();
            EndDialog(IDOK);
            return true;
        case IDC_CHANGER_HISTORY:
            ShowHistory();
            return true;
        case IDC_CHANGER_CHOOSE_FILE:
            ChooseFile();
            return true;
        default:
            return false;
    }
}

void CPelorandChanger::Start() {
    m_pSchedule->Start();
    SetDlgItemTextUi(m_hWnd, IDC_CHANGER_RUN, "停止");
    EnableWindow(GetDlgItem(IDC_CHANGER_HISTORY), FALSE);
    ShowWindow(m_hWnd, SW_MINIMIZE);

    std::string path = m_strFile;
    if (m_nRadio == 1) {
        HWND combo = GetDlgItem(IDC_CHANGER_RECENT);
        LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        // Nothing chosen: running without a collection until "停止".
        if (selected == CB_ERR) return;
        path = ComboItemTextUi(combo, static_cast<int>(selected));
    }

    if (Settings().GetInt(setting::CheckDispFileInfo) != 0) {
        m_pEngine->SetInfoSink(nullptr);
        m_pInfoView = std::make_unique<CFileInfomationView>();
        CFileInfomationView& view = *m_pInfoView;
        view.SetSettings(&Settings());
        view.m_bPersist = TRUE;
        if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0))) {
            GetObjectW(font, sizeof view.m_lf, &view.m_lf);
            // The window keeps its font at the system's DPI, as the options store it.
            view.m_lf = ScaleFont(view.m_lf, WindowDpi(m_hWnd), ScreenDpi());
        }
        view.m_crBack = static_cast<COLORREF>(Settings().GetInt(setting::FileInfoBackColor));
        view.m_crText = static_cast<COLORREF>(Settings().GetInt(setting::FileInfoFontColor));
        view.m_bDispName = Settings().GetInt(setting::CheckDispFileName);
        view.m_bDispPriority = Settings().GetInt(setting::CheckDispFindAttr);
        view.m_bDispAuthor = Settings().GetInt(setting::CheckDispCreater);
        view.m_bDispComment = Settings().GetInt(setting::CheckDispComment);
        RECT empty{};
        if (view.Create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME, "壁紙情報", empty,
                        GetDesktopWindow())) {
            m_pEngine->SetInfoSink(&view);
        }
    }

    if (m_pInfoView && m_pInfoView->m_hWnd) m_pInfoView->SetCommandTarget(m_hWnd, kMenuMessage);
    if (Settings().GetInt(setting::CheckTrayIcon) != 0) AddTrayIcon();
    m_pSchedule->Load(path);
    SetTimer(m_hWnd, IDT_CHANGER_FULL_SCREEN, kFullScreenCheckPeriod, nullptr);
}

bool CPelorandChanger::StartLoad(unsigned run, const std::string& path) {
    // Read on the worker, made into entries on this thread when it comes (the entries' memory
    // serves one thread).
    std::shared_ptr<const IFileSystem> fileSystem = m_pFileSystem;
    return m_worker.Start([run, path, fileSystem](CWorkerJob& job) {
        auto loaded = std::make_unique<LoadedCollection>();
        loaded->run = run;
        loaded->text = ReadWholeFile(*fileSystem, path);
        job.PostFinal(kLoadedMessage, std::move(loaded));
    });
}

void CPelorandChanger::RestartTimer() {
    // Setting the timer again starts its period over from now.
    SetTimer(m_hWnd, IDT_CHANGER, TimerPeriod(Settings().GetInt(setting::ChangerType)), nullptr);
}

void CPelorandChanger::StopTimer() {
    if (m_hWnd && IsWindow(m_hWnd)) KillTimer(m_hWnd, IDT_CHANGER);
}

void CPelorandChanger::CancelJob() {
    m_worker.RequestCancel();
}

void CPelorandChanger::Stop() {
    if (!IsRunning()) return;
    if (m_hWnd && IsWindow(m_hWnd)) {
        KillTimer(m_hWnd, IDT_CHANGER_FULL_SCREEN);
        SetDlgItemTextUi(m_hWnd, IDC_CHANGER_RUN, "起動");
        EnableWindow(GetDlgItem(IDC_CHANGER_HISTORY), TRUE);
    }
    RemoveTrayIcon();
    // It tells of a wallpaper the changer no longer changes; a new run makes its own.
    if (m_pInfoView && m_pInfoView->m_hWnd) ShowWindow(m_pInfoView->m_hWnd, SW_HIDE);
    m_bInfoHiddenForFullScreen = false;
    m_pSchedule->Stop();
}

void CPelorandChanger::ChooseFile() {
    std::string chosen;
    if (!BrowseForFileOrFolder(GetActiveWindow(), "ファイルを追加する", chosen)) return;
    ReadControls();
    m_strFile = chosen;
    ShowMembers();
}

void CPelorandChanger::ShowHistory() {
    // The running menu can ask again while the dialog is open.
    if (m_bInHistory) return;
    m_bInHistory = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_bInHistory};
    CPelorandWallPaperHistory dialog(m_hWnd, m_pJobSetter);
    dialog.m_pHistory = &m_history;
    dialog.DoModal();
}

namespace {
// Whether the foreground window covers the whole of its monitor and is not the shell's desktop.
bool ForegroundCoversItsMonitor() {
    HWND foreground = GetForegroundWindow();
    if (!foreground || foreground == GetDesktopWindow() || foreground == GetShellWindow()) {
        return false;
    }
    wchar_t className[16] = L"";
    GetClassNameW(foreground, className, 16);
    // The desktop's own windows (the icons' layer behind the wallpaper) cover it too.
    if (lstrcmpW(className, L"WorkerW") == 0 || lstrcmpW(className, L"Progman") == 0) return false;
    RECT window{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(foreground, &window) ||
        !GetMonitorInfoW(MonitorFromWindow(foreground, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return false;
    }
    return window.left <= monitor.rcMonitor.left && window.top <= monitor.rcMonitor.top &&
           window.right >= monitor.rcMonitor.right && window.bottom >= monitor.rcMonitor.bottom;
}
}  // namespace

bool CPelorandChanger::FullScreenProgramRuns() {
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (FAILED(SHQueryUserNotificationState(&state))) return false;
    if (state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE) return true;
    // "Busy" has been seen on an empty desktop when a graphics overlay runs: only a window that
    // really fills its monitor confirms it.
    return state == QUNS_BUSY && ForegroundCoversItsMonitor();
}

bool CPelorandChanger::FullScreenNow() const {
    return m_fullScreenHook ? m_fullScreenHook() : FullScreenProgramRuns();
}

void CPelorandChanger::OnFullScreenCheck() {
    // Topmost, the information window would stay over a full-screen film or game.
    HWND info = m_pInfoView && m_pInfoView->m_hWnd ? m_pInfoView->m_hWnd : nullptr;
    if (!info) return;
    const bool full = IsRunning() && FullScreenNow();
    if (full && IsWindowVisible(info)) {
        ShowWindow(info, SW_HIDE);
        m_bInfoHiddenForFullScreen = true;
    } else if (!full && m_bInfoHiddenForFullScreen) {
        m_bInfoHiddenForFullScreen = false;
        if (IsRunning()) ShowWindow(info, SW_SHOWNOACTIVATE);
    }
}

void CPelorandChanger::OnTimerTick() {
    // Skipped, not delayed: the next tick comes at its own time.
    if (IsRunning() && Settings().GetInt(setting::CheckFullScreenQuiet) != 0 && FullScreenNow()) {
        return;
    }
    m_pSchedule->PeriodEnded();
}

bool CPelorandChanger::StartTick(unsigned run, std::shared_ptr<TickSearch> search) {
    std::shared_ptr<const IFileSystem> fileSystem = m_pFileSystem;
    std::shared_ptr<const IDisplayName> displayName = m_pDisplayName;
    std::shared_ptr<IWallpaperSetter> setter = m_pJobSetter;
    std::shared_ptr<std::mutex> setting = m_pSetting;
    return m_worker.Start([search, run, fileSystem, displayName, setter, setting](CWorkerJob& job) {
        auto result = std::make_unique<TickResult>();
        result->tick = run;
        try {
            // A stop or a pause ends a slow directory search at once: nothing is set anyway.
            result->found = CChangerEngine::Search(*fileSystem, *displayName, std::move(*search),
                                                   [&job] { return job.CancelRequested(); });
            if (result->found.end != TickEnd::Applied && job.CancelRequested()) {
                result->stopped = true;
            }
            if (result->found.end == TickEnd::Applied) {
                result->stopped = StoppedBeforeSetting(
                    job, *setting, [&] { CChangerEngine::Set(*setter, result->found); });
            }
        } catch (...) {
            // A result always comes back, or no tick would ever start again.
            result->found = TickFound();
        }
        // Also after a stop: a wallpaper set meanwhile belongs in the history.
        job.PostFinal(kTickFoundMessage, std::move(result));
    });
}

int CPelorandChanger::MonitorsWithOwnPicture() {
    // Before Windows 8 the shell shows one picture on every monitor.
    return IsWindows8OrGreater() ? GetSystemMetrics(SM_CMONITORS) : 1;
}

std::size_t CPelorandChanger::MonitorsForTick() {
    // Read at every tick and kept nowhere: the option may change, and a monitor added or taken
    // away (WM_DISPLAYCHANGE) counts from the next tick on.
    if (Settings().GetInt(setting::CheckPerMonitor) == 0) return 1;
    const int count = m_monitorsHook ? m_monitorsHook() : MonitorsWithOwnPicture();
    return count > 1 ? static_cast<std::size_t>(count) : 1;
}

bool CPelorandChanger::StartTickEach(unsigned run,
                                     std::shared_ptr<std::vector<MonitorPick>> picks) {
    std::shared_ptr<const IFileSystem> fileSystem = m_pFileSystem;
    std::shared_ptr<const IDisplayName> displayName = m_pDisplayName;
    std::shared_ptr<IWallpaperSetter> setter = m_pJobSetter;
    std::shared_ptr<std::mutex> setting = m_pSetting;
    return m_worker.Start([picks, run, fileSystem, displayName, setter, setting](CWorkerJob& job) {
        auto result = std::make_unique<TickResult>();
        result->tick = run;
        result->perMonitor = true;
        try {
            result->each.resize(picks->size());
            bool any = false;
            for (std::size_t i = 0; i < picks->size() && !job.CancelRequested(); ++i) {
                MonitorPick& pick = (*picks)[i];
                if (!pick.searching) continue;
                result->each[i] =
                    CChangerEngine::Search(*fileSystem, *displayName, std::move(pick.search),
                                           [&job] { return job.CancelRequested(); });
                any = any || result->each[i].end == TickEnd::Applied;
            }
            if (job.CancelRequested()) {
                result->stopped = true;
            } else if (any) {
                // The monitors are read by the setter now, not when they were counted: one gone
                // meanwhile gets nothing and records nothing.
                result->stopped = StoppedBeforeSetting(
                    job, *setting, [&] { CChangerEngine::SetEach(*setter, result->each); });
            }
        } catch (...) {
            result->each.assign(picks->size(), TickFound());
            result->stopped = false;
        }
        job.PostFinal(kTickFoundMessage, std::move(result));
    });
}

void CPelorandChanger::OnTickFound(WPARAM key) {
    std::unique_ptr<TickResult> result = m_worker.Take<TickResult>(key);
    if (!result) return;
    if (result->perMonitor) {
        m_pSchedule->TickDoneEach(result->tick, result->each, result->stopped);
    } else {
        m_pSchedule->TickDone(result->tick, result->found, result->stopped);
    }
}

void CPelorandChanger::OnLoaded(WPARAM key) {
    std::unique_ptr<LoadedCollection> loaded = m_worker.Take<LoadedCollection>(key);
    if (loaded) m_pSchedule->Loaded(loaded->run, std::move(loaded->text));
}

void CPelorandChanger::StateChanged() {
    if (m_pInfoView && m_pInfoView->m_hWnd) {
        // Paused first: the window is narrow, and the state is what its title is there to say.
        std::wstring title = L"壁紙情報";
        if (IsPaused()) title = ResourceText(IDS_CHANGER_PAUSED) + L" - " + title;
        SetWindowTextW(m_pInfoView->m_hWnd, title.c_str());
    }
    UpdateTrayTip();
}

void CPelorandChanger::OpenEditor() {
    if (!IsRunning()) return;
    m_strEditFile = m_pSchedule->LoadedFile();
    m_editEntry = m_pSchedule->CurrentEntryPath();
    // Like "設定": the changer ends and the editor opens, here on the running collection.
    EndDialog(IDOK);
}

void CPelorandChanger::StopFromMenu() {
    if (!IsRunning()) return;
    Stop();
    // The window is how the user starts it again.
    ShowWindow(m_hWnd, SW_RESTORE);
}

void CPelorandChanger::RunCommand(UINT id) {
    switch (id) {
        case ID_CHANGER_NEXT:
            m_pSchedule->NextNow();
            break;
        case ID_CHANGER_PAUSE:
            m_pSchedule->TogglePause();
            break;
        case ID_CHANGER_SHOW_HISTORY:
            ShowHistory();
            break;
        case ID_CHANGER_EDIT:
            OpenEditor();
            break;
        case ID_CHANGER_STOP:
            StopFromMenu();
            break;
        case ID_CHANGER_SHOW:
            ShowWindow(m_hWnd, SW_RESTORE);
            SetForegroundWindow(m_hWnd);
            break;
        default:
            break;
    }
}

void CPelorandChanger::ShowMenu(POINT at, bool fromTray) {
    // While the history is open the changer window is disabled, and so is its menu.
    if (!IsRunning() || m_bInHistory) return;
    CUniqueMenu resource(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_CHANGER_POPUP)));
    if (!resource) return;
    HMENU menu = GetSubMenu(resource.Get(), 0);
    if (IsPaused()) {
        const std::wstring resume = ResourceText(IDS_CHANGER_RESUME);
        ModifyMenuW(menu, ID_CHANGER_PAUSE, MF_BYCOMMAND | MF_STRING, ID_CHANGER_PAUSE,
                    resume.c_str());
    }
    // The editor needs a wallpaper of the collection to show, the history a wallpaper set.
    if (!m_pEngine->CurrentEntry()) EnableMenuItem(menu, ID_CHANGER_EDIT, MF_BYCOMMAND | MF_GRAYED);
    if (m_history.GetCount() == 0) {
        EnableMenuItem(menu, ID_CHANGER_SHOW_HISTORY, MF_BYCOMMAND | MF_GRAYED);
    }
    // In bold what a double-click on the icon does.
    SetMenuDefaultItem(menu, ID_CHANGER_SHOW, FALSE);
    UINT id = 0;
    if (m_menuHook) {
        id = m_menuHook(menu);
    } else {
        // The menu of a notification icon closes when the user clicks elsewhere only when its
        // owner is the foreground window; the information window's menu takes no focus from
        // the user's program.
        if (fromTray) SetForegroundWindow(m_hWnd);
        id = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                              at.x, at.y, 0, m_hWnd, nullptr));
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    if (id) RunCommand(id);
}

void CPelorandChanger::AddTrayIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    // The notification area sits on the primary monitor: an icon drawn at its DPI's size.
    const int dpi = MonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
    const int size = SystemMetricForDpi(SM_CXSMICON, dpi);
    m_trayIcon.Reset(static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0)));
    data.hIcon = m_trayIcon ? m_trayIcon.Get() : m_smallIcon.Get();
    const std::wstring tip = ResourceText(AFX_IDS_APP_TITLE);
    wcsncpy(data.szTip, tip.c_str(), sizeof data.szTip / sizeof data.szTip[0] - 1);
    // Wanted while running even if the shell refused it now: TaskbarCreated tries again.
    m_bTrayIcon = true;
    Shell_NotifyIconW(NIM_ADD, &data);
    UpdateTrayTip();
}

void CPelorandChanger::RemoveTrayIcon() {
    if (!m_bTrayIcon) return;
    m_bTrayIcon = false;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

void CPelorandChanger::UpdateTrayTip() {
    if (!m_bTrayIcon || !m_hWnd) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_TIP;
    const std::string& name = m_pSchedule->CurrentName();
    std::wstring tip =
        name.empty() ? ResourceText(AFX_IDS_APP_TITLE) : L"Pelorand - " + ToWide(name);
    if (IsPaused()) tip += L" (" + ResourceText(IDS_CHANGER_PAUSED) + L")";
    wcsncpy(data.szTip, tip.c_str(), sizeof data.szTip / sizeof data.szTip[0] - 1);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

LRESULT CPelorandChanger::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case kTickFoundMessage:
            OnTickFound(wParam);
            return TRUE;
        case kLoadedMessage:
            OnLoaded(wParam);
            return TRUE;
        case kMenuMessage:
            ShowMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))},
                     false);
            return TRUE;
        case kTrayMessage:
            if (wParam != kTrayIconId) return TRUE;
            switch (LOWORD(lParam)) {
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU: {
                    POINT at{};
                    GetCursorPos(&at);
                    ShowMenu(at, true);
                    break;
                }
                case WM_LBUTTONDBLCLK:
                    RunCommand(ID_CHANGER_SHOW);
                    break;
                default:
                    break;
            }
            return TRUE;
        case WM_QUERYENDSESSION:
            // Nothing to save here: the session may end.
            SetMsgResult(TRUE);
            return TRUE;
        case WM_ENDSESSION:
            // Windows ends the process without closing the window: what closing does is done now.
            // A tick still reading the disk is not waited for: its result is dropped.
            if (wParam) EndChanger();
            SetMsgResult(0);
            return TRUE;
        case WM_QUERYDRAGICON:
            // One of the few messages whose dialog-procedure result is the answer itself.
            return reinterpret_cast<LRESULT>(m_icon.Get());
        default:
            if (msg == m_uTaskbarCreated && m_uTaskbarCreated != 0) {
                // Explorer started again: the icons it showed are gone.
                if (m_bTrayIcon) {
                    m_bTrayIcon = false;
                    AddTrayIcon();
                }
                return TRUE;
            }
            return CDialog::WndProc(msg, wParam, lParam);
    }
}
