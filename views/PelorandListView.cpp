#include "views/PelorandListView.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstring>

#include "doc/EditIds.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/Dpi.h"
#include "fw/OleTransfer.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/Mbcs.h"
#include "model/Settings.h"
#include "model/ShellText.h"
#include "views/ImageHtmlView.h"
#include "views/ShellInfo.h"
#include "views/ViewEditing.h"
#include "win/Strconv.h"

namespace {
const char* const kColumnTitles[CPelorandListView::kColumnCount] = {
    "ファイル名", "ファイル情報", "優先順位", "作成者", "コメント", "親情報継続"};

// The report bit; the list style (3) carries it as well, and so loads the widths too.
constexpr LONG_PTR kReportBit = 1;

// Only the report style has real columns. In the list style every column reads as the one
// list column's width, so saving there would overwrite the user's six widths with it.
bool IsReport(LONG_PTR style) {
    return (style & LVS_TYPEMASK) == LVS_REPORT;
}
}  // namespace

CPelorandListView::CPelorandListView()
    : m_thumbnails(
          *this,
          // Each page takes the settings as the document's store holds them when it starts.
          [this] { return GetDocument() ? ReadPageSettings(GetDocument()->Settings()) : PageSettings(); },
          [this](const std::string& page) {
              // The pane that shows pages hears of it from the document.
              if (!GetDocument()) return;
              DocUpdate update(kHintPageReady);
              update.page = page;
              GetDocument()->UpdateAllViews(this, update);
          }) {}

CPelorandDoc* CPelorandListView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CPelorandListView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    // The rows live in m_rows; the style cannot be added once the control exists.
    SetDocument(doc);
    if (!CreateControl(kDefaultExStyle, WC_LISTVIEWA, kDefaultStyle | LVS_OWNERDATA, parent, id))
        return false;
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    AskTextsInUtf16();
    // The check boxes are the entries' flags, answered with the texts; so is the drop mark.
    SetCallbackMask(LVIS_STATEIMAGEMASK | LVIS_DROPHILITED);
    m_dropTarget.Register(m_hWnd, this);
    // Shared from the start: the system's image lists must never be destroyed with the control.
    ModifyStyle(0, LVS_SHAREIMAGELISTS);
    for (int i = 0; i < kColumnCount; ++i) {
        if (InsertColumn(i, kColumnTitles[i]) != i) return false;
    }
    SetImageList(GetSystemImageList(false), LVSIL_NORMAL);
    SetImageList(GetSystemImageList(true), LVSIL_SMALL);
    return true;
}

void CPelorandListView::OnInitialUpdate() {
    DeleteAllItems();
    m_pFolder = nullptr;
    ModifyStyle(0, LVS_EDITLABELS | LVS_SHAREIMAGELISTS);
    SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

void CPelorandListView::SaveColumnWidths() {
    if (!IsReport(GetStyle()) || !GetDocument()) return;
    CSettings& settings = GetDocument()->Settings();
    int count = GetColumnCount();
    // Stored at 96 DPI, as the pane sizes are.
    const int dpi = WindowDpi(m_hWnd);
    for (int i = 0; i < count; ++i) {
        settings.WriteInt(setting::Column(i), ScaleFromDpi(GetColumnWidth(i), dpi));
    }
}

void CPelorandListView::LoadColumnWidths() {
    if (!GetDocument()) return;
    CSettings& settings = GetDocument()->Settings();
    const int dpi = WindowDpi(m_hWnd);
    for (int i = 0; i < kColumnCount; ++i) {
        SetColumnWidth(i, ScaleForDpi(settings.GetInt(setting::Column(i)) & 0xFFFF, dpi));
    }
}

const CPelorandListView::ShellInfo& CPelorandListView::GetShellInfo(const CBlock& entry) {
    auto found = m_shellInfo.find(&entry);
    if (found != m_shellInfo.end()) return found->second;
    ShellInfo info;
    if (entry.m_bFolder) {
        // A collection folder's name is free text; one imported from the disk is named by
        // its full path, and typed as the disk folder it came from.
        const std::string& name = entry.m_strName.str();
        const bool diskPath = (name.size() > 2 && name[1] == ':' && name[2] == '\\') ||
                              name.compare(0, 2, "\\\\") == 0;
        info.displayName = name;
        info.typeName = "Pelorand Folders";
        if (diskPath) GetShellNames(name, info.displayName, info.typeName, true);
    } else {
        GetShellNames(entry.m_strName, info.displayName, info.typeName);
    }
    std::string iconPath = entry.m_bFolder ? std::string() : entry.m_strName;
    GetShellIconIndex(iconPath, info.image);
    return m_shellInfo.emplace(&entry, std::move(info)).first->second;
}

void CPelorandListView::SetRows(std::vector<CBlock*> rows) {
    m_shellInfo.clear();
    // The control keeps selection and focus by row number: the rows chosen in the folder shown
    // before would come up chosen in this one, where Delete or Cut would take entries nobody
    // picked. Emptying the list first lets them go, as refilling a list always did.
    if (GetItemCount() > 0) {
        m_bResettingRows = true;
        SetItemCount(0);
        SendMessageW(m_hWnd, LVM_SETSELECTIONMARK, 0, -1);
        m_bResettingRows = false;
    }
    m_rows = std::move(rows);
    SetItemCount(static_cast<int>(m_rows.size()));
    // A refill is a change of the list: the page follows the folder shown (empty, when nothing
    // is selected in it by then).
    NotifyThumbnails(false);
}

void CPelorandListView::NotifyThumbnails(bool nowSelected) {
    m_thumbnails.OnItemChanged(nowSelected, [this](std::vector<std::string>& paths) {
        for (int i = -1; (i = GetNextItem(i, LVNI_SELECTED)) >= 0;) {
            const CBlock* entry = GetEntry(i);
            if (entry && !entry->m_bFolder) paths.push_back(entry->m_strName);
        }
    });
}

void CPelorandListView::OnUpdate(CView*, const CUpdateHint& hint) {
    const auto* update = dynamic_cast<const DocUpdate*>(&hint);
    if (!update) return;
    CBlock* entry = update->entry;
    switch (update->kind) {
        case kHintReset:
            SetRows({});
            m_pFolder = nullptr;
            break;
        case kHintFolderShown:
            ShowFolder(entry);
            break;
        case kHintEntryRemoved:
            // Rows and the folder they come from let go of what is freed next.
            if (entry && m_pFolder) {
                const bool folderGoes = IsSameOrBelow(m_pFolder, entry);
                if (folderGoes || entry->m_pParent == m_pFolder) SetRows({});
                if (folderGoes) m_pFolder = nullptr;
            }
            break;
        case kHintEntryChanged:
            RefreshRows();
            break;
        default:  // not the list's business
            break;
    }
}

void CPelorandListView::ShowFolder(CBlock* folder) {
    m_pFolder = folder;
    if (!folder) {
        SetRows({});
        return;
    }
    // Each child goes in at the top, so the rows end in the reverse order of the children.
    const int count = folder->m_Children.GetCount();
    std::vector<CBlock*> rows(static_cast<std::size_t>(count));
    int row = count;
    for (BlockPos pos = folder->m_Children.GetHeadPosition(); pos;) {
        rows[--row] = folder->m_Children.GetNext(pos);
    }
    SetRows(std::move(rows));
    RenumberRows();
}

void CPelorandListView::RenumberRows() {
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        m_rows[row]->m_nListItem = static_cast<int>(row);
}

CBlock* CPelorandListView::GetEntry(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? m_rows[row] : nullptr;
}

void CPelorandListView::RefreshRows() {
    if (!m_rows.empty()) RedrawItems(0, static_cast<int>(m_rows.size()) - 1);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CPelorandListView::OnGetDispInfo(LVITEMW& item) {
    const CBlock* entry = GetEntry(item.iItem);
    if (!entry) {
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) item.pszText[0] = 0;
        if (item.mask & LVIF_IMAGE) item.iImage = -1;
        return true;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        std::string text;
        switch (item.iSubItem) {
            case 0:
                text = entry->m_bFolder ? entry->m_strName : GetShellInfo(*entry).displayName;
                break;
            case 1:
                text = GetShellInfo(*entry).typeName;
                break;
            case 2:
                text = GetPriorityLabel(entry->m_nPriority);
                break;
            case 3:
                text = entry->Author();
                break;
            case 4:
                text = entry->Comment();
                break;
            case 5:
                text = GetYesNoLabel(entry->m_bInherit);
                break;
        }
        lstrcpynW(item.pszText, UiText(text).c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = GetShellInfo(*entry).image;
    if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_STATEIMAGEMASK)) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                     INDEXTOSTATEIMAGEMASK(entry->m_bChangerEnabled ? 2 : 1);
    }
    if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_DROPHILITED)) {
        item.state =
            (item.state & ~LVIS_DROPHILITED) | (item.iItem == m_dropRow ? LVIS_DROPHILITED : 0);
    }
    return true;
}

void CPelorandListView::SetEntryCheck(int row, bool checked) {
    CBlock* entry = GetEntry(row);
    if (!entry) return;
    // The tree's check box of a folder follows.
    GetDocument()->SetChangerEnabled(entry, checked, this);
    RedrawItems(row, row);
    // The control raises no notification for a check it does not keep: this is the one.
    NotifyThumbnails((ListView_GetItemState(m_hWnd, row, LVIS_SELECTED) & LVIS_SELECTED) != 0);
}

void CPelorandListView::OnItemChanged(const NMLISTVIEW& change) {
    if (m_bResettingRows) return;
    NotifyThumbnails((change.uNewState & LVIS_SELECTED) != 0);
    // A list that keeps no states of its own may still report a check box it changed.
    if (!(change.uChanged & LVIF_STATE)) return;
    if (!((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) return;
    UINT image = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    CBlock* entry = GetEntry(change.iItem);
    if (entry && image != 0 && (entry->m_bChangerEnabled != 0) != (image == 2)) {
        SetEntryCheck(change.iItem, image == 2);
    }
}

bool CPelorandListView::OnReflectNotify(NMHDR* header, LRESULT& result) {
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOW:
            return OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
        case LVN_ITEMCHANGED:
            OnItemChanged(*reinterpret_cast<NMLISTVIEW*>(header));
            return true;
        case LVN_ODSTATECHANGED:
            // A range selected at once (shift-click, shift+arrows) on a list of our own rows.
            if (!m_bResettingRows) {
                NotifyThumbnails(
                    (reinterpret_cast<NMLVODSTATECHANGE*>(header)->uNewState & LVIS_SELECTED) != 0);
            }
            return true;
        case LVN_BEGINLABELEDITA:
        case LVN_BEGINLABELEDITW: {
            const CBlock* entry = GetEntry(reinterpret_cast<NMLVDISPINFOW*>(header)->item.iItem);
            // Files keep their paths; nothing is renamed while an import runs.
            result = (!entry || !entry->m_bFolder || GetDocument()->IsImporting()) ? TRUE : FALSE;
            return true;
        }
        case LVN_ENDLABELEDITA:
        case LVN_ENDLABELEDITW: {
            const LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
            std::string text;
            const bool cancelled = item.pszText == nullptr ||
                                   !LabelText(item.pszText, header->code == LVN_ENDLABELEDITW, text);
            OnEndLabelEdit(item.iItem, cancelled ? nullptr : text.c_str());
            result = 0;  // the text is set already
            return true;
        }
        case LVN_BEGINDRAG:
            BeginDrag();
            return true;
        case NM_DBLCLK:
            OnDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return true;
    }
    return false;
}

LRESULT CPelorandListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case LVM_SETITEMSTATE:
            OnSetItemState(static_cast<int>(wParam), reinterpret_cast<const LVITEMW*>(lParam));
            break;  // and the control's own handling
        case LVM_DELETEALLITEMS:
            OnDeleteAllItems();
            break;
        case WM_STYLECHANGING: {
            LRESULT result = CListView::WndProc(msg, wParam, lParam);
            OnStyleChanging(static_cast<int>(wParam), *reinterpret_cast<const STYLESTRUCT*>(lParam));
            return result;
        }
        case WM_STYLECHANGED: {
            LRESULT result = CListView::WndProc(msg, wParam, lParam);
            OnStyleChanged(static_cast<int>(wParam), *reinterpret_cast<const STYLESTRUCT*>(lParam));
            return result;
        }
        default:
            break;
    }
    return CListView::WndProc(msg, wParam, lParam);
}

bool CPelorandListView::OnButton(UINT msg, POINT at, UINT) {
    return (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && OnClickStateIcon(at);
}

bool CPelorandListView::OnKeyDown(UINT key) {
    if (key != VK_SPACE) return false;
    OnSpace();
    return true;
}

bool CPelorandListView::OnTimer(UINT_PTR id) {
    if (id == CThumbnailScheduler::kTimerId) m_thumbnails.OnTimer();
    return false;  // and the control's own handling
}

void CPelorandListView::OnSetItemState(int row, const LVITEMW* item) {
    // The control keeps only selection and focus; a check box goes to the entry.
    if (!item || !(item->stateMask & LVIS_STATEIMAGEMASK)) return;
    UINT image = (item->state & LVIS_STATEIMAGEMASK) >> 12;
    if (image != 1 && image != 2) return;
    int first = row < 0 ? 0 : row;
    int last = row < 0 ? static_cast<int>(m_rows.size()) - 1 : row;
    for (int i = first; i <= last; ++i) SetEntryCheck(i, image == 2);
}

bool CPelorandListView::OnClickStateIcon(POINT point) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem < 0 || !(hit.flags & LVHT_ONITEMSTATEICON)) return false;
    if (CBlock* entry = GetEntry(hit.iItem)) SetEntryCheck(hit.iItem, !entry->m_bChangerEnabled);
    return true;
}

void CPelorandListView::OnSpace() {
    int focused = GetNextItem(-1, LVNI_FOCUSED);
    if (CBlock* entry = GetEntry(focused)) SetEntryCheck(focused, !entry->m_bChangerEnabled);
}

void CPelorandListView::OnDeleteAllItems() {
    // The entries behind the rows may be freed next; forget them and what was asked about them.
    m_shellInfo.clear();
    m_rows.clear();
}

void CPelorandListView::OnStyleChanging(int which, const STYLESTRUCT& change) {
    if (which == GWL_STYLE && IsReport(change.styleOld)) SaveColumnWidths();
}

void CPelorandListView::OnStyleChanged(int which, const STYLESTRUCT& change) {
    if (which == GWL_STYLE && (change.styleNew & kReportBit)) LoadColumnWidths();
}

void CPelorandListView::OnDestroy() {
    m_thumbnails.OnDestroy();
    m_dropTarget.Revoke();
    SaveColumnWidths();
    ReleaseSystemImageLists();
}

std::vector<CBlock*> CPelorandListView::GetSelectedEntries() const {
    std::vector<CBlock*> entries;
    for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = GetNextItem(row, LVNI_SELECTED)) {
        if (CBlock* entry = GetEntry(row)) entries.push_back(entry);
    }
    return entries;
}

CBlock* CPelorandListView::SingleSelectedFile() const {
    if (GetSelectedCount() != 1) return nullptr;
    CBlock* entry = GetEntry(GetNextItem(-1, LVNI_SELECTED));
    return entry && !entry->m_bFolder ? entry : nullptr;
}

bool CPelorandListView::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_PROPERTY:
            // The frame opens the dialog for the selected rows.
            if (!ui) return false;
            ui->Enable(GetSelectedCount() > 0);
            return true;
        case ID_DELETE:
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            OnEditSelection(id, ui);
            return true;
        case ID_RENAME:
            OnRename(ui);
            return true;
        case ID_EXPLORER:
        case ID_OPEN_FILE:
            OnOpenFileCommand(id, ui);
            return true;
        case ID_SET_WALLPAPER:
            // The frame sets the wallpaper; here only whether one file is chosen.
            if (!ui) return false;
            ui->Enable(SingleSelectedFile() != nullptr);
            return true;
        case ID_SELECT_ALL:
            if (!ui) SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
            return true;
    }
    return false;
}

void CPelorandListView::OnEditSelection(unsigned id, CCmdUI* ui) {
    const int selected = GetSelectedCount();
    if (ui) {
        ui->Enable(selected > 0);
        return;
    }
    if (selected == 0) return;
    if (id == ID_DELETE) {
        if (CWinApp::Get()->DoMessageBox(kDeleteQuestion, MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL)
            DeleteSelection();
    } else if (id == ID_EDIT_COPY) {
        CopySelection();
    } else if (CopySelection()) {
        DeleteSelection();
    }
}

void CPelorandListView::OnRename(CCmdUI* ui) {
    const int row = GetSelectedCount() == 1 ? GetNextItem(-1, LVNI_SELECTED) : -1;
    CBlock* entry = GetEntry(row);
    if (ui) {
        ui->Enable(entry && entry->m_bFolder);
    } else if (entry && entry->m_bFolder) {
        SetFocus(m_hWnd);
        SendMessageW(m_hWnd, LVM_EDITLABELW, row, 0);
    }
}

void CPelorandListView::OnOpenFileCommand(unsigned id, CCmdUI* ui) {
    CBlock* file = SingleSelectedFile();
    if (ui) {
        ui->Enable(file != nullptr);
        return;
    }
    if (!file) return;
    if (id == ID_EXPLORER) {
        wchar_t windows[MAX_PATH] = L"";
        GetWindowsDirectoryW(windows, MAX_PATH);
        const std::string& path = file->m_strName.str();
        std::string dir = path.substr(0, mbcs::LastComponentStart(path));
        ShellExecuteW(GetAncestor(m_hWnd, GA_ROOT), L"explore", ToWide(dir).c_str(), nullptr, windows,
                      SW_SHOWDEFAULT);
    } else {
        // Shown: a program opened hidden would look like nothing happened.
        ShellExecuteW(GetAncestor(m_hWnd, GA_ROOT), L"open", ToWide(file->m_strName.str()).c_str(), nullptr,
                      nullptr, SW_SHOWNORMAL);
    }
}

void CPelorandListView::DeleteSelection() {
    CPelorandDoc* doc = GetDocument();
    std::vector<CBlock*> entries = GetSelectedEntries();
    if (entries.empty()) return;
    CBlock* parent = entries.front()->m_pParent;
    doc->RemoveEntries(entries);
    if (parent) doc->ShowFolder(parent);
}

bool CPelorandListView::CopySelection() {
    CPelorandDoc* doc = GetDocument();
    RenumberRows();
    std::vector<CBlock*> entries = GetSelectedEntries();
    if (entries.empty()) return false;
    ComPtr<IDataObject> data = doc->SendEntries(entries);
    return doc->PutOnClipboard(data.Get());
}

void CPelorandListView::OnEndLabelEdit(int row, const char* text) {
    CBlock* entry = GetEntry(row);
    if (!entry) return;
    if (text) GetDocument()->RenameEntry(entry, text, this);  // the tree's item follows
    RedrawItems(row, row);
}

void CPelorandListView::OnDoubleClick(int row) {
    CBlock* entry = GetEntry(row);
    if (entry && entry->m_bFolder) GetDocument()->SelectFolder(entry);
}

bool CPelorandListView::OnContextMenu(HWND, POINT point) {
    if (point.x == -1 && point.y == -1) {  // from the keyboard
        point = POINT{5, 5};
        ClientToScreen(m_hWnd, &point);
    }
    TrackViewPopup(m_hWnd, IDR_LIST_POPUP, point);
    return true;
}

void CPelorandListView::BeginDrag() {
    RenumberRows();
    const DWORD effect = GetDocument()->DragEntries(GetSelectedEntries());
    if (effect == DROPEFFECT_COPY || effect == DROPEFFECT_MOVE) RedrawNow();
}

void CPelorandListView::SetDropRow(int row) {
    if (row == m_dropRow) return;
    int old = m_dropRow;
    m_dropRow = row;
    if (old >= 0) RedrawItems(old, old);
    if (row >= 0) RedrawItems(row, row);
}

DWORD CPelorandListView::OnDragOver(IDataObject* data, DWORD keyState, POINT point) {
    if (GetDocument()->IsImporting()) return DROPEFFECT_NONE;
    const bool files = DataOffers(data, CF_HDROP);
    if (!files && !DataOffers(data, GetDocument()->m_cfCollection)) return DROPEFFECT_NONE;
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    SetDropRow(GetEntry(hit.iItem) ? hit.iItem : -1);
    if (keyState & MK_CONTROL) return DROPEFFECT_COPY;
    return files ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CPelorandListView::OnDragLeave() {
    SetDropRow(-1);
}

bool CPelorandListView::OnDrop(IDataObject* data, DWORD effect, POINT point) {
    CPelorandDoc* doc = GetDocument();
    bool files = false, collection = false;
    if (!doc->CanAcceptData(data, files, collection, effect)) return false;
    SetDropRow(-1);
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    CBlock* target = GetEntry(hit.iItem);
    if (!target) {
        target = doc->SelectedFolder();
    } else if (!target->m_bFolder) {
        target = target->m_pParent;
    }
    if (!doc->AcceptData(target, data)) return false;
    if (files && !doc->IsImporting()) doc->ShowFolder(target);
    return true;
}

DWORD CPelorandListView::OnDragScroll(DWORD, POINT point) {
    return DragScrollAtEdges(m_hWnd, point);
}
