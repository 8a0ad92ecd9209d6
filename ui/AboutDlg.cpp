#include "ui/AboutDlg.h"

#include "res/resource.h"
#include "ui/ContextHelp.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    return CDialog::OnInitDialog();
}

bool CAboutDlg::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
