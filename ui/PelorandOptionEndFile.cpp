#include "ui/PelorandOptionEndFile.h"

#include "fw/CommonDialogs.h"
#include "fw/DataExchange.h"
#include "fw/WinApp.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"
#include "win/Strconv.h"

CPelorandOptionEndFile::CPelorandOptionEndFile(CSettings& settings)
    : CPropertyPage(IDD_OPTION_ENDFILE), m_settings(settings) {}

bool CPelorandOptionEndFile::OnInitDialog() {
    AddHelpButtonToSheet(GetSheet());
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    CSettings& settings = m_settings;
    m_strEndFile = settings.GetString(setting::EndFileName);
    m_bEnabled = settings.GetInt(setting::EndFileSetCheck);
    UpdateData(false);
    return true;
}

bool CPelorandOptionEndFile::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_OPT_END_FILE, m_strEndFile);
    return DDX_Check(dx, IDC_OPT_END_ENABLED, m_bEnabled);
}

bool CPelorandOptionEndFile::OnCommand(UINT id, UINT code) {
    if (id != IDC_OPT_END_FILE_BROWSE || code != BN_CLICKED) return false;
    std::string path;
    if (OpenFileDialog(m_hWnd, path)) {
        // Only the path changes: a tick made in the check box since the page opened stays.
        m_strEndFile = path;
        SetDlgItemTextUi(m_hWnd, IDC_OPT_END_FILE, m_strEndFile);
    }
    return true;
}

bool CPelorandOptionEndFile::OnApply() {
    if (!CPropertyPage::OnApply()) return false;
    CSettings& settings = m_settings;
    settings.WriteString(setting::EndFileName, m_strEndFile);
    settings.WriteInt(setting::EndFileSetCheck, m_bEnabled);
    return true;
}

bool CPelorandOptionEndFile::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
