#include "ui/PelorandChangerStart.h"

#include "fw/DataExchange.h"
#include "fw/WinApp.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"

namespace {
constexpr UINT kCancelButton = 7;
}

CPelorandChangerStart::CPelorandChangerStart(CSettings& settings, HWND parent)
    : CDialog(IDD_CHANGER_START, parent), m_settings(settings) {}

bool CPelorandChangerStart::OnInitDialog() {
    // Its own OK and cancel buttons (1035, 7) carry no help, as OK and cancel never do.
    AssignHelpIds(m_hWnd, m_nIDTemplate, {IDC_CHANGER_START_OK, kCancelButton});
    m_nExecuteCheck = m_settings.GetInt(setting::ExeCuteCheck) != 0 ? 1 : 0;
    return CDialog::OnInitDialog();
}

bool CPelorandChangerStart::DoDataExchange(CDataExchange& dx) {
    return DDX_Check(dx, IDC_EXECUTE_CHECK, m_nExecuteCheck);
}

bool CPelorandChangerStart::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_CHANGER_START_OK) {
        UpdateData(true);
        m_settings.WriteInt(setting::ExeCuteCheck, m_nExecuteCheck ? 1 : 0);
        // The message tells the mode now set, whether or not it changed.
        CWinApp::Get()->DoMessageBox(
            m_nExecuteCheck
                ? "Pelorandを再起動すると、指定したファイルで壁紙チェンジャーを起動できます"
                : "Pelorandを設定モードにしました",
            MB_OK);
        EndDialog(IDOK);
        return true;
    }
    if (id == kCancelButton) {
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

bool CPelorandChangerStart::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
