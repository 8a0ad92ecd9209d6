#include "ui/PelorandWallPaperInfomation.h"

#include "fw/CommonDialogs.h"
#include "fw/DataExchange.h"
#include "fw/Dpi.h"
#include "fw/WinApp.h"
#include "model/FontRecord_win.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"

CPelorandWallPaperInfomation::CPelorandWallPaperInfomation(CSettings& settings)
    : CPropertyPage(IDD_OPTION_INFO), m_settings(settings) {}

bool CPelorandWallPaperInfomation::OnInitDialog() {
    AddHelpButtonToSheet(GetSheet());
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    HWND frame = GetDlgItem(IDC_OPT_INFO_FRAME);
    RECT client{};
    ::GetClientRect(frame, &client);
    m_wndSample.m_bPersist = FALSE;
    m_wndSample.Create(0, WS_CHILD | WS_VISIBLE, "FileInfomationView", client, frame);

    CSettings& settings = m_settings;
    m_wndSample.m_crBack = static_cast<COLORREF>(settings.GetInt(setting::FileInfoBackColor));
    m_wndSample.m_crText = static_cast<COLORREF>(settings.GetInt(setting::FileInfoFontColor));
    // Fields not stored yet take this page's own dialog font.
    LOGFONTW pageFont{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!font || !GetObjectW(font, sizeof pageFont, &pageFont)) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof pageFont, &pageFont);
    } else {
        // Kept at the system's DPI, as the chosen font is; the sample draws it at its own.
        pageFont = ScaleFont(pageFont, WindowDpi(m_hWnd), ScreenDpi());
    }
    SettingHooks hooks;
    hooks.dialogFont = [&pageFont] { return ToFontRecord(pageFont); };
    CSettings withPageFont(settings.Store(), hooks);
    m_wndSample.m_lf = ToLogFont(withPageFont.GetFont());

    m_wndSample.m_bDispName = settings.GetInt(setting::CheckDispFileName);
    m_wndSample.m_bDispPriority = settings.GetInt(setting::CheckDispFindAttr);
    m_wndSample.m_bDispAuthor = settings.GetInt(setting::CheckDispCreater);
    m_wndSample.m_bDispComment = settings.GetInt(setting::CheckDispComment);
    m_bDispName = m_wndSample.m_bDispName;
    m_bDispPriority = m_wndSample.m_bDispPriority;
    m_bDispAuthor = m_wndSample.m_bDispAuthor;
    m_bDispComment = m_wndSample.m_bDispComment;
    m_bShowWindow = settings.GetInt(setting::CheckDispFileInfo);
    m_bTrayIcon = settings.GetInt(setting::CheckTrayIcon) != 0 ? 1 : 0;
    UpdateData(false);
    if (m_wndSample.m_hWnd) m_wndSample.RedrawNow();
    return true;
}

bool CPelorandWallPaperInfomation::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, IDC_OPT_SHOW_INFO, m_bShowWindow);
    DDX_Check(dx, IDC_OPT_TRAY_ICON, m_bTrayIcon);
    DDX_Check(dx, IDC_OPT_SHOW_NAME, m_bDispName);
    DDX_Check(dx, IDC_OPT_SHOW_PRIORITY, m_bDispPriority);
    DDX_Check(dx, IDC_OPT_SHOW_AUTHOR, m_bDispAuthor);
    return DDX_Check(dx, IDC_OPT_SHOW_COMMENT, m_bDispComment);
}

bool CPelorandWallPaperInfomation::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_OPT_SHOW_NAME:
        case IDC_OPT_SHOW_PRIORITY:
        case IDC_OPT_SHOW_AUTHOR:
        case IDC_OPT_SHOW_COMMENT:
            OnShowFlags();
            return true;
        case IDC_OPT_BACK_COLOR:
            OnColor(m_wndSample.m_crBack);
            return true;
        case IDC_OPT_TEXT_COLOR:
            OnColor(m_wndSample.m_crText);
            return true;
        case IDC_OPT_FONT:
            OnFont();
            return true;
    }
    return false;
}

void CPelorandWallPaperInfomation::OnShowFlags() {
    UpdateData(true);
    m_wndSample.m_bDispName = m_bDispName;
    m_wndSample.m_bDispPriority = m_bDispPriority;
    m_wndSample.m_bDispAuthor = m_bDispAuthor;
    m_wndSample.m_bDispComment = m_bDispComment;
    if (m_wndSample.m_hWnd) m_wndSample.RedrawNow();
}

void CPelorandWallPaperInfomation::OnColor(COLORREF& target) {
    COLORREF colour = RGB(0, 0, 0);  // the dialog starts from black
    if (!ChooseColorDialog(m_hWnd, colour)) return;
    target = colour;
    if (m_wndSample.m_hWnd) m_wndSample.RedrawNow();
}

void CPelorandWallPaperInfomation::OnFont() {
    LOGFONTW font = m_wndSample.m_lf;
    if (!ChooseFontDialog(m_hWnd, font)) return;
    m_wndSample.m_lf = font;
    if (m_wndSample.m_hWnd) m_wndSample.RedrawNow();
}

bool CPelorandWallPaperInfomation::OnApply() {
    CSettings& settings = m_settings;
    settings.WriteInt(setting::FileInfoBackColor, static_cast<int>(m_wndSample.m_crBack));
    settings.WriteInt(setting::FileInfoFontColor, static_cast<int>(m_wndSample.m_crText));
    settings.WriteFont(ToFontRecord(m_wndSample.m_lf));
    settings.WriteInt(setting::CheckDispFileName, m_wndSample.m_bDispName);
    settings.WriteInt(setting::CheckDispFindAttr, m_wndSample.m_bDispPriority);
    settings.WriteInt(setting::CheckDispCreater, m_wndSample.m_bDispAuthor);
    settings.WriteInt(setting::CheckDispComment, m_wndSample.m_bDispComment);
    settings.WriteInt(setting::CheckDispFileInfo, m_bShowWindow);
    if (m_bTrayIcon != (settings.GetInt(setting::CheckTrayIcon) != 0 ? 1 : 0)) {
        settings.WriteInt(setting::CheckTrayIcon, m_bTrayIcon);
    }
    return true;
}

bool CPelorandWallPaperInfomation::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
