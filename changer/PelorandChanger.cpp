#include "changer/PelorandChanger.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "changer/ChangerEngine.h"
#include "changer/FileInfomationView.h"
#include "changer/PelorandWallPaperHistory.h"
#include "changer/PlatformDisplayName.h"
#include "changer/PlatformFileSystem.h"
#include "changer/SystemClock.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "fw/CommonDialogs.h"
#include "fw/Strconv.h"
#include "model/Block.h"
#include "model/CollectionFile.h"
#include "res/resource.h"

namespace {

std::string ItemText(HWND control, int id) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(GetDlgItem(control, id))) +
                           2);
    GetDlgItemTextA(control, id, text.data(), static_cast<int>(text.size()));
    return text.data();
}

}  // namespace

CPelorandChanger::CPelorandChanger(HWND parent, IWallpaperSetter* setter,
                                   CWallPaperHistory* history)
    : CDialog(IDD_CHANGER, parent),
      m_pSetter(setter),
      m_history(history ? *history : WallPaperHistory()),
      m_pClock(std::make_unique<CSystemClock>()),
      m_pFileSystem(std::make_unique<CPlatformFileSystem>()),
      m_pDisplayName(std::make_unique<CPlatformDisplayName>()) {
    if (!m_pSetter) {
        m_pOwnSetter = std::make_unique<CWallpaperSetter>(m_history);
        m_pSetter = m_pOwnSetter.get();
    }
    m_pEngine = std::make_unique<CChangerEngine>(Settings(), *m_pClock, *m_pFileSystem,
                                                 *m_pDisplayName, *m_pSetter);
}

CPelorandChanger::~CPelorandChanger() {
    Stop();
    m_pEngine->SetInfoSink(nullptr);
    m_pInfoView.reset();
    // Also after "設定" and whether or not the changer ever ran.
    if (Settings().GetInt(setting::EndFileSetCheck) != 0) {
        m_pSetter->SetDesktopWallpaper(Settings().GetString(setting::EndFileName));
    }
}

CSettings& CPelorandChanger::Settings() const {
    return CPelorandApp::Get()->Settings();
}

UINT CPelorandChanger::TimerPeriod(int seconds) {
    return static_cast<UINT>(std::clamp(seconds, 1, 9999)) * 1000u;
}

bool CPelorandChanger::OnInitDialog() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    m_icon.Reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon.Get()));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));

    HWND combo = GetDlgItem(IDC_CHANGER_RECENT);
    std::string mostRecent;
    for (int i = 1; i <= setting::kRecentFileCount; ++i) {
        std::string file = Settings().GetString(setting::RecentFile(i));
        if (i == 1) mostRecent = file;
        if (!file.empty())
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.c_str()));
    }
    // The combo box keeps its items sorted; the most recent one is found by its prefix.
    if (!mostRecent.empty()) {
        SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(mostRecent.c_str()));
    }
    m_nRadio = Settings().GetInt(setting::ExecuteRadio) == 1 ? 1 : 0;
    m_strFile = Settings().GetString(setting::ExecuteFile);
    ShowMembers();
    return true;
}

void CPelorandChanger::ReadControls() {
    m_nRadio = IsDlgButtonChecked(IDC_CHANGER_RADIO_RECENT) ? 1 : 0;
    m_strFile = ItemText(m_hWnd, IDC_CHANGER_FILE);
}

void CPelorandChanger::ShowMembers() {
    CheckRadioButton(m_hWnd, IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     m_nRadio == 1 ? IDC_CHANGER_RADIO_RECENT : IDC_CHANGER_RADIO_FILE);
    SetDlgItemTextA(m_hWnd, IDC_CHANGER_FILE, m_strFile.c_str());
}

void CPelorandChanger::StoreChoice() {
    Settings().WriteInt(setting::ExecuteRadio, m_nRadio);
    Settings().WriteString(setting::ExecuteFile, m_strFile);
}

bool CPelorandChanger::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_CHANGER_RUN:
            ReadControls();
            StoreChoice();
            if (m_bRunning) {
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
    m_bRunning = true;
    SetDlgItemTextUi(m_hWnd, IDC_CHANGER_RUN, "停止");
    EnableWindow(GetDlgItem(IDC_CHANGER_HISTORY), FALSE);
    ShowWindow(m_hWnd, SW_MINIMIZE);

    std::string path = m_strFile;
    if (m_nRadio == 1) {
        HWND combo = GetDlgItem(IDC_CHANGER_RECENT);
        LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        // Nothing chosen: running without a collection until "停止".
        if (selected == CB_ERR) return;
        std::vector<char> text(
            static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0)) + 2);
        SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
        path = text.data();
    }

    if (Settings().GetInt(setting::CheckDispFileInfo) != 0) {
        m_pEngine->SetInfoSink(nullptr);
        m_pInfoView = std::make_unique<CFileInfomationView>();
        CFileInfomationView& view = *m_pInfoView;
        view.m_bPersist = TRUE;
        if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0))) {
            GetObjectA(font, sizeof view.m_lf, &view.m_lf);
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

    m_pRoot = std::make_unique<CBlock>();
    m_pRoot->m_bFolder = 1;
    // A missing or damaged file is not reported: what could be read stays loaded.
    RecordReadContext context;
    ReadCollectionFile(path, context, m_pRoot.get());
    m_pEngine->BuildRotationList(*m_pRoot);

    SetTimer(m_hWnd, IDT_CHANGER, TimerPeriod(Settings().GetInt(setting::ChangerType)), nullptr);
}

void CPelorandChanger::Stop() {
    if (!m_bRunning) return;
    if (m_hWnd && IsWindow(m_hWnd)) {
        KillTimer(m_hWnd, IDT_CHANGER);
        SetDlgItemTextUi(m_hWnd, IDC_CHANGER_RUN, "起動");
        EnableWindow(GetDlgItem(IDC_CHANGER_HISTORY), TRUE);
    }
    // The list refers into the tree: it goes first.
    m_pEngine->ClearRotationList();
    m_pRoot.reset();
    m_bRunning = false;
}

void CPelorandChanger::ChooseFile() {
    std::string chosen;
    if (!BrowseForFileOrFolder(GetActiveWindow(), "ファイルを追加する", chosen)) return;
    ReadControls();
    m_strFile = chosen;
    ShowMembers();
}

void CPelorandChanger::ShowHistory() {
    CPelorandWallPaperHistory dialog(m_hWnd, m_pSetter);
    dialog.m_pHistory = &m_history;
    dialog.DoModal();
}

LRESULT CPelorandChanger::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            // The window owns no other timer.
            if (m_bRunning) m_pEngine->Tick();
            return TRUE;
        case WM_QUERYDRAGICON:
            // One of the few messages whose dialog-procedure result is the answer itself.
            return reinterpret_cast<LRESULT>(m_icon.Get());
        case WM_DESTROY:
            KillTimer(m_hWnd, IDT_CHANGER);
            // The object stays until the changer ends; only its window goes with this one.
            if (m_pInfoView) {
                m_pEngine->SetInfoSink(nullptr);
                m_pInfoView->DestroyWindow();
            }
            return CDialog::WndProc(msg, wParam, lParam);
        default:
            return CDialog::WndProc(msg, wParam, lParam);
    }
}
