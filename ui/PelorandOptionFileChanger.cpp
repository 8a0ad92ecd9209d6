#include "ui/PelorandOptionFileChanger.h"

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "fw/DataExchange.h"
#include "fw/DataExchangeControls.h"
#include "fw/WinApp.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"

CPelorandOptionFileChanger::CPelorandOptionFileChanger() : CPropertyPage(IDD_OPTION_CHANGER) {}

bool CPelorandOptionFileChanger::OnInitDialog() {
    AddHelpButtonToSheet(GetSheet());
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    CSettings& settings = CPelorandApp::Get()->Settings();
    m_strFileType = settings.GetString(setting::FileType);
    m_nModType = settings.GetInt(setting::ModType);
    m_nChangerType = static_cast<unsigned>(settings.GetInt(setting::ChangerType));
    UpdateData(false);
    return true;
}

bool CPelorandOptionFileChanger::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_OPT_FILE_TYPE, m_strFileType);
    DDX_Radio(dx, IDC_OPT_ORDER_AUTO, m_nModType);
    if (!DDX_Text(dx, IDC_OPT_INTERVAL, m_nChangerType)) return false;
    // Numbers beyond the int range are out of range too, not wrapped into it.
    int interval = m_nChangerType > 9999u ? 10000 : static_cast<int>(m_nChangerType);
    return DDV_MinMaxInt(dx, interval, 1, 9999);
}

bool CPelorandOptionFileChanger::OnApply() {
    if (!CPropertyPage::OnApply()) return false;
    CSettings& settings = CPelorandApp::Get()->Settings();
    settings.WriteString(setting::FileType, m_strFileType);
    settings.WriteInt(setting::ModType, m_nModType);
    settings.WriteInt(setting::ChangerType, static_cast<int>(m_nChangerType));
    return true;
}

bool CPelorandOptionFileChanger::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
