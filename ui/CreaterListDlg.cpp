#include "ui/CreaterListDlg.h"

#include <cstdio>

#include "fw/WinApp.h"
#include "model/AuthorList.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"
#include "ui/NewCreaterDlg.h"
#include "win/Strconv.h"

namespace {
std::string ListItemText(HWND list, int index) {
    return ListBoxItemTextUi(list, index);
}
}  // namespace

CCreaterListDlg::CCreaterListDlg(CSettings& settings, HWND parent)
    : CDialog(IDD_AUTHOR_LIST, parent), m_settings(settings) {}

HWND CCreaterListDlg::List() const {
    return GetDlgItem(IDC_AUTHOR_LIST);
}

bool CCreaterListDlg::OnInitDialog() {
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    CDialog::OnInitDialog();
    LoadList();
    return true;
}

void CCreaterListDlg::LoadList() {
    HWND list = List();
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : ReadAuthors(m_settings, kShownAuthors)) {
        SendTextMessageUi(list, LB_ADDSTRING, 0, name);
    }
}

std::vector<std::string> CCreaterListDlg::GetListedNames() const {
    std::vector<std::string> names;
    HWND list = List();
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) names.push_back(ListItemText(list, i));
    return names;
}

bool CCreaterListDlg::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_AUTHOR_ADD) {
        OnAdd();
        return true;
    }
    if (id == IDC_AUTHOR_DELETE) {
        OnDelete();
        return true;
    }
    return false;
}

void CCreaterListDlg::OnAdd() {
    CNewCreaterDlg dialog(m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    AppendAuthor(m_settings, dialog.m_strName);
    LoadList();
}

void CCreaterListDlg::OnDelete() {
    HWND list = List();
    int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) return;
    std::string name = ListItemText(list, selected);
    std::string text = "作成者 " + name + " を削除します。\nよろしいですか？";
    if (CWinApp::Get()->DoMessageBox(text, MB_OKCANCEL) != IDOK) return;
    const std::vector<std::string> shown = GetListedNames();
    if (shown.size() < kShownAuthors) {
        // The whole list is shown: it is written back as the list box sorts it.
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
        StoreAuthors(m_settings, GetListedNames());
        return;
    }
    // Only the first names are shown: storing them would drop the rest, so the name goes
    // from the stored list, the others keeping their slots' order.
    RemoveAuthor(m_settings, name);
    LoadList();
}

bool CCreaterListDlg::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
