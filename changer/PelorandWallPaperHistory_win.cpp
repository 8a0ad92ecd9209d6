#include "changer/PelorandWallPaperHistory_win.h"

#include "changer/ChangerSeams.h"
#include "changer/WallPaperHistory.h"
#include "model/Mbcs.h"
#include "res/resource.h"
#include "win/Strconv.h"

CPelorandWallPaperHistory::CPelorandWallPaperHistory(HWND parent, IWallpaperSetter* setter)
    : CDialog(IDD_WALLPAPER_HISTORY, parent), m_pSetter(setter) {}

bool CPelorandWallPaperHistory::OnInitDialog() {
    m_preview.SubclassWindow(GetDlgItem(IDC_HISTORY_PREVIEW));
    FillList();
    return true;
}

void CPelorandWallPaperHistory::FillList() {
    HWND list = GetDlgItem(IDC_HISTORY_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (!m_pHistory) return;
    for (const std::string& path : m_pHistory->Paths()) {
        const std::string name = mbcs::FileName(path);
        SendTextMessageUi(list, LB_ADDSTRING, 0, name);
    }
}

int CPelorandWallPaperHistory::Selected() const {
    LRESULT index = SendMessageW(GetDlgItem(IDC_HISTORY_LIST), LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void CPelorandWallPaperHistory::Preview() {
    const int index = Selected();
    if (index < 0 || !m_pHistory) return;
    m_preview.ShowPicture(m_pHistory->GetAt(static_cast<std::size_t>(index)));
}

void CPelorandWallPaperHistory::SetAgain() {
    const int index = Selected();
    if (index < 0 || !m_pHistory || !m_pSetter) return;
    const std::size_t before = m_pHistory->GetCount();
    const std::string path = m_pHistory->GetAt(static_cast<std::size_t>(index));
    if (!m_pSetter->SetDesktopWallpaper(path)) return;
    // A full history dropped its oldest entry: the lines would no longer match the entries, so
    // the list is filled again and the line of the wallpaper just set is selected.
    if (before >= CWallPaperHistory::kMaxEntries) {
        FillList();
        const int last = static_cast<int>(m_pHistory->GetCount()) - 1;
        SendMessageW(GetDlgItem(IDC_HISTORY_LIST), LB_SETCURSEL, static_cast<WPARAM>(last), 0);
    }
}

bool CPelorandWallPaperHistory::OnCommand(UINT id, UINT code) {
    if (id == IDC_HISTORY_LIST && code == LBN_SELCHANGE) {
        Preview();
        return true;
    }
    if (id == ID_SET_WALLPAPER && code == BN_CLICKED) {
        SetAgain();
        return true;
    }
    return false;
}
