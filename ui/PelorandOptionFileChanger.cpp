#include "ui/PelorandOptionFileChanger.h"

#include "changer/WallpaperFit.h"
#include "fw/DataExchange.h"
#include "fw/DataExchangeControls.h"
#include "fw/WinApp.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"
#include "win/Strconv.h"

CPelorandOptionFileChanger::CPelorandOptionFileChanger(CSettings& settings)
    : CPropertyPage(IDD_OPTION_CHANGER), m_settings(settings) {}

bool CPelorandOptionFileChanger::OnInitDialog() {
    AddHelpButtonToSheet(GetSheet());
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    CSettings& settings = m_settings;
    m_strFileType = settings.GetString(setting::FileType);
    m_nModType = settings.GetInt(setting::ModType);
    m_nChangerType = static_cast<unsigned>(settings.GetInt(setting::ChangerType));
    HWND fit = GetDlgItem(IDC_OPT_FIT);
    for (int i = 0; i < kWallpaperFitCount; ++i) {
        SendTextMessageUi(fit, CB_ADDSTRING, 0, WallpaperFitLabel(static_cast<WallpaperFit>(i)));
    }
    m_nFitType = static_cast<int>(ToWallpaperFit(settings.GetInt(setting::FitType)));
    m_bFullScreenQuiet = settings.GetInt(setting::CheckFullScreenQuiet) != 0 ? 1 : 0;
    m_bPerMonitor = settings.GetInt(setting::CheckPerMonitor) != 0 ? 1 : 0;
    UpdateData(false);
    return true;
}

bool CPelorandOptionFileChanger::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_OPT_FILE_TYPE, m_strFileType);
    DDX_Radio(dx, IDC_OPT_ORDER_AUTO, m_nModType);
    DDX_CBIndex(dx, IDC_OPT_FIT, m_nFitType);
    DDX_Check(dx, IDC_OPT_FULLSCREEN_QUIET, m_bFullScreenQuiet);
    DDX_Check(dx, IDC_OPT_PER_MONITOR, m_bPerMonitor);
    if (!DDX_Text(dx, IDC_OPT_INTERVAL, m_nChangerType)) return false;
    // Numbers beyond the int range are out of range too, not wrapped into it.
    int interval = m_nChangerType > 9999u ? 10000 : static_cast<int>(m_nChangerType);
    return DDV_MinMaxInt(dx, interval, 1, 9999);
}

bool CPelorandOptionFileChanger::OnApply() {
    if (!CPropertyPage::OnApply()) return false;
    CSettings& settings = m_settings;
    settings.WriteString(setting::FileType, m_strFileType);
    settings.WriteInt(setting::ModType, m_nModType);
    settings.WriteInt(setting::ChangerType, static_cast<int>(m_nChangerType));
    // Written only when they say something: with the defaults untouched the stored options
    // stay as they were.
    const int fit = static_cast<int>(ToWallpaperFit(m_nFitType));
    if (fit != settings.GetInt(setting::FitType)) settings.WriteInt(setting::FitType, fit);
    if (m_bFullScreenQuiet != (settings.GetInt(setting::CheckFullScreenQuiet) != 0 ? 1 : 0)) {
        settings.WriteInt(setting::CheckFullScreenQuiet, m_bFullScreenQuiet);
    }
    if (m_bPerMonitor != (settings.GetInt(setting::CheckPerMonitor) != 0 ? 1 : 0)) {
        settings.WriteInt(setting::CheckPerMonitor, m_bPerMonitor);
    }
    return true;
}

bool CPelorandOptionFileChanger::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
