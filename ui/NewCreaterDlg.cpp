#include "ui/NewCreaterDlg.h"

#include "fw/DataExchange.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"

CNewCreaterDlg::CNewCreaterDlg(HWND parent) : CDialog(IDD_NEW_AUTHOR, parent) {}

bool CNewCreaterDlg::OnInitDialog() {
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    return CDialog::OnInitDialog();
}

bool CNewCreaterDlg::DoDataExchange(CDataExchange& dx) {
    return DDX_Text(dx, IDC_NEW_AUTHOR_NAME, m_strName);
}

bool CNewCreaterDlg::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
