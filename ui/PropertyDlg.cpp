#include "ui/PropertyDlg.h"

#include "fw/CommonDialogs.h"
#include "fw/DataExchange.h"
#include "fw/DataExchangeControls.h"
#include "fw/WinApp.h"
#include "model/AuthorList.h"
#include "model/Block.h"
#include "model/ShellText.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"
#include "ui/CreaterListDlg.h"
#include "win/Strconv.h"

namespace {
const int kUpdateBoxes[] = {IDC_PROP_UPDATE_PRIORITY, IDC_PROP_UPDATE_AUTHOR,
                            IDC_PROP_UPDATE_COMMENT, IDC_PROP_UPDATE_INHERIT,
                            IDC_PROP_UPDATE_CHANGER};
constexpr short kPriorityLevels = 5;
}  // namespace

CPropertyDlg::CPropertyDlg(CSettings& settings, HWND parent)
    : CDialog(IDD_PROPERTY, parent), m_settings(settings) {}

bool CPropertyDlg::DoDataExchange(CDataExchange& dx) {
    DDX_CBIndex(dx, IDC_PROP_PRIORITY, m_nPriority);
    DDX_Check(dx, IDC_PROP_INHERIT, m_bInherit);
    DDX_Text(dx, IDC_PROP_COMMENT, m_strComment);
    DDX_Check(dx, IDC_PROP_UPDATE_COMMENT, m_bUpdateComment);
    DDX_Check(dx, IDC_PROP_UPDATE_AUTHOR, m_bUpdateAuthor);
    DDX_Check(dx, IDC_PROP_UPDATE_PRIORITY, m_bUpdatePriority);
    DDX_Check(dx, IDC_PROP_UPDATE_INHERIT, m_bUpdateInherit);
    DDX_Text(dx, IDC_PROP_NAME, m_strName);
    DDX_Check(dx, IDC_PROP_SUBFOLDERS, m_bSubFolders);
    DDX_Check(dx, IDC_PROP_CHANGER, m_bChangerEnabled);
    DDX_Check(dx, IDC_PROP_UPDATE_CHANGER, m_bUpdateChanger);
    return true;
}

bool CPropertyDlg::OnInitDialog() {
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    // The list index is the priority level.
    HWND priority = GetDlgItem(IDC_PROP_PRIORITY);
    for (short level = 0; level < kPriorityLevels; ++level) {
        SendTextMessageUi(priority, CB_ADDSTRING, 0, GetPriorityLabel(level));
    }
    FillAuthorList();
    if (m_pBlock) {
        m_strComment = m_pBlock->GetComment();
        m_bInherit = m_pBlock->m_bInherit != 0;
        m_strName = m_pBlock->m_strName;
        m_bChangerEnabled = m_pBlock->m_bChangerEnabled != 0;
        for (int id : kUpdateBoxes) EnableWindow(GetDlgItem(id), FALSE);
    } else {
        EnableWindow(GetDlgItem(IDC_PROP_NAME), FALSE);
        EnableWindow(GetDlgItem(IDC_PROP_FILE), FALSE);
    }
    // One entry: every property is written. Several: the user ticks what is to change, so
    // that OK without a change leaves the entries' authors, comments and flags alone.
    int update = m_pBlock ? 1 : 0;
    m_bUpdatePriority = m_bUpdateAuthor = m_bUpdateComment = m_bUpdateInherit = m_bUpdateChanger =
        update;
    UpdateData(false);
    return true;
}

void CPropertyDlg::FillAuthorList() {
    HWND authors = GetDlgItem(IDC_PROP_AUTHOR);
    SendMessageW(authors, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : ReadAuthors(m_settings, kShownAuthors)) {
        SendTextMessageUi(authors, CB_ADDSTRING, 0, name);
    }
    if (!m_pBlock) return;
    m_nPriority = m_pBlock->m_nPriority;
    // The first name that begins with the entry's author, without regard to case. An author
    // the list does not hold (or none at all) is offered first and selected, so that OK
    // without a change never hands the entry somebody else's name or drops its own.
    std::string author = m_pBlock->GetAuthor();
    LRESULT found = author.empty() ? CB_ERR
                                   : SendTextMessageUi(authors, CB_SELECTSTRING,
                                                       static_cast<WPARAM>(-1), author);
    if (found == CB_ERR) {
        SendTextMessageUi(authors, CB_INSERTSTRING, 0, author);
        SendMessageW(authors, CB_SETCURSEL, 0, 0);
    }
}

void CPropertyDlg::OnOK() {
    if (!UpdateData(true)) return;
    HWND authors = GetDlgItem(IDC_PROP_AUTHOR);
    LRESULT selected = SendMessageW(authors, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) {
        m_strAuthor = ComboItemTextUi(authors, static_cast<int>(selected));
    }
    EndDialog(IDOK);
}

bool CPropertyDlg::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_PROP_FILE:
            OnFileButton();
            return true;
        case IDC_PROP_AUTHOR_EDIT:
            OnAuthorListButton();
            return true;
    }
    return false;
}

void CPropertyDlg::OnFileButton() {
    std::string path;
    // Owned by this dialog, so that the dialog cannot be used while the browser is up.
    if (!BrowseForFileOrFolder(m_hWnd, "ファイルを追加する", path)) return;
    // Only the name takes the path: what the user typed or ticked elsewhere stays.
    m_strName = path;
    SetDlgItemTextUi(m_hWnd, IDC_PROP_NAME, m_strName);
}

void CPropertyDlg::OnAuthorListButton() {
    CCreaterListDlg dialog(m_settings, m_hWnd);
    if (dialog.DoModal() == IDOK) FillAuthorList();
}

bool CPropertyDlg::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}

PropertyChange CPropertyDlg::GetChange(bool storeName) const {
    PropertyChange change;
    change.storeName = storeName;
    change.name = m_strName;
    change.priority = m_nPriority;
    change.author = m_strAuthor;
    change.comment = m_strComment;
    change.inherit = m_bInherit;
    change.changerEnabled = m_bChangerEnabled;
    change.updatePriority = m_bUpdatePriority != 0;
    change.updateAuthor = m_bUpdateAuthor != 0;
    change.updateComment = m_bUpdateComment != 0;
    change.updateInherit = m_bUpdateInherit != 0;
    change.updateChanger = m_bUpdateChanger != 0;
    change.subfolders = m_bSubFolders != 0;
    return change;
}
