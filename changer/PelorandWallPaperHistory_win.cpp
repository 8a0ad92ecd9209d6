#include "changer/PelorandWallPaperHistory_win.h"

#include "changer/ChangerSeams.h"
#include "changer/WallPaperHistory.h"
#include "model/Mbcs.h"
#include "res/resource.h"
#include "win/Strconv.h"

namespace {
// A wallpaper the worker was asked to set, and whether it was.
struct SetResult {
    std::string path;
    bool set = false;
};
}  // namespace

CPelorandWallPaperHistory::CPelorandWallPaperHistory(HWND parent,
                                                     std::shared_ptr<IWallpaperSetter> setter)
    : CDialog(IDD_WALLPAPER_HISTORY, parent), m_pSetter(std::move(setter)) {}

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
    // One at a time: a click while the last is still being set is let go.
    if (index < 0 || !m_pHistory || !m_pSetter || m_bSetting) return;
    const std::string path = m_pHistory->GetAt(static_cast<std::size_t>(index));
    std::shared_ptr<IWallpaperSetter> setter = m_pSetter;
    m_bSetting = m_worker.Start([path, setter](CWorkerJob& job) {
        auto result = std::make_unique<SetResult>();
        result->path = path;
        result->set = setter->Apply(path);
        job.PostFinal(kSetMessage, std::move(result));
    });
}

void CPelorandWallPaperHistory::OnSet(WPARAM key) {
    std::unique_ptr<SetResult> result = m_worker.Take<SetResult>(key);
    if (!result) return;
    m_bSetting = false;
    if (!result->set || !m_pHistory) return;
    const std::size_t before = m_pHistory->GetCount();
    m_pSetter->Record(result->path);
    // A full history dropped its oldest entry: the lines would no longer match the entries, so
    // the list is filled again and the line of the wallpaper just set is selected.
    if (before >= CWallPaperHistory::kMaxEntries) {
        FillList();
        const int last = static_cast<int>(m_pHistory->GetCount()) - 1;
        SendMessageW(GetDlgItem(IDC_HISTORY_LIST), LB_SETCURSEL, static_cast<WPARAM>(last), 0);
    }
}

LRESULT CPelorandWallPaperHistory::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kSetMessage) {
        OnSet(wParam);
        return TRUE;
    }
    return CDialog::WndProc(msg, wParam, lParam);
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
