#include "views/PelorandListView.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstring>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/Dpi.h"
#include "fw/OleTransfer.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/Mbcs.h"
#include "model/ShellText.h"
#include "res/resource.h"
#include "ui/PropertyCommands.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandTreeView.h"
#include "views/ShellInfo.h"
#include "views/ViewEditing.h"

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
    : m_thumbnails(*this, [this](const std::string& page) {
          CImageHtmlView* pane = GetDocument() ? GetDocument()->m_pImageView : nullptr;
          if (pane) pane->Navigate(page);
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
    GetDocument()->m_pListView = this;
    ModifyStyle(0, LVS_EDITLABELS | LVS_SHAREIMAGELISTS);
    SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

void CPelorandListView::SaveColumnWidths() {
    if (!IsReport(GetStyle())) return;
    CSettings& settings = CPelorandApp::Get()->Settings();
    int count = GetColumnCount();
    // Stored at 96 DPI, as the pane sizes are.
    for (int i = 0; i < count; ++i) {
        settings.WriteInt(setting::Column(i), ScaleFromScreen(GetColumnWidth(i)));
    }
}

void CPelorandListView::LoadColumnWidths() {
    CSettings& settings = CPelorandApp::Get()->Settings();
    for (int i = 0; i < kColumnCount; ++i) {
        SetColumnWidth(i, ScaleToScreen(settings.GetInt(setting::Column(i)) & 0xFFFF));
    }
}

const CPelorandListView::ShellInfo& CPelorandListView::GetShellInfo(const CBlock& entry) {
    auto found = m_shellInfo.find(&entry);
    if (found != m_shellInfo.end()) return found->second;
    ShellInfo info;
    GetShellNames(entry.m_strName, info.displayName, info.typeName);
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
        SendMessageA(m_hWnd, LVM_SETSELECTIONMARK, 0, -1);
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

CBlock* CPelorandListView::GetEntry(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? m_rows[row] : nullptr;
}

void CPelorandListView::RefreshRows() {
    if (!m_rows.empty()) RedrawItems(0, static_cast<int>(m_rows.size()) - 1);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CPelorandListView::OnGetDispInfo(LVITEMA& item) {
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
        // lstrcpyn keeps a double-byte character whole at the cut.
        lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
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
    if ((entry->m_bChangerEnabled != 0) != checked) GetDocument()->SetModifiedFlag();
    entry->m_bChangerEnabled = checked ? 1 : 0;
    CPelorandDoc* doc = GetDocument();
    if (entry->m_bFolder && entry->m_hTreeItem && doc->m_pTreeView) {
        doc->m_pTreeView->SetCheck(entry->m_hTreeItem, checked);
    }
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
        case LVN_GETDISPINFOA:
            return OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header)->item);
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
            const CBlock* entry = GetEntry(reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem);
            result = (!entry || !entry->m_bFolder) ? TRUE : FALSE;  // files keep their paths
            return true;
        }
        case LVN_ENDLABELEDITA:
        case LVN_ENDLABELEDITW: {
            const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
            const bool cancelled = item.pszText == nullptr;
            std::string text = AnsiText(item.pszText, header->code == LVN_ENDLABELEDITW);
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
        case LVM_SETITEMSTATE: {
            // The control keeps only selection and focus; a check box goes to the entry.
            auto* item = reinterpret_cast<LVITEMA*>(lParam);
            if (item && (item->stateMask & LVIS_STATEIMAGEMASK)) {
                UINT image = (item->state & LVIS_STATEIMAGEMASK) >> 12;
                int row = static_cast<int>(wParam);
                if (image == 1 || image == 2) {
                    int first = row < 0 ? 0 : row;
                    int last = row < 0 ? static_cast<int>(m_rows.size()) - 1 : row;
                    for (int i = first; i <= last; ++i) SetEntryCheck(i, image == 2);
                }
            }
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            LVHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            SendMessageA(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
                if (CBlock* entry = GetEntry(hit.iItem)) {
                    SetEntryCheck(hit.iItem, !entry->m_bChangerEnabled);
                }
                return 0;
            }
            break;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                int focused = GetNextItem(-1, LVNI_FOCUSED);
                if (CBlock* entry = GetEntry(focused)) {
                    SetEntryCheck(focused, !entry->m_bChangerEnabled);
                }
                return 0;
            }
            break;
        case LVM_DELETEALLITEMS:
            // The entries behind the rows may be freed next; forget them and what was asked
            // about them.
            m_shellInfo.clear();
            m_rows.clear();
            break;
        case WM_STYLECHANGING: {
            LRESULT result = CListView::WndProc(msg, wParam, lParam);
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
            if (static_cast<int>(wParam) == GWL_STYLE && IsReport(change->styleOld)) {
                SaveColumnWidths();
            }
            return result;
        }
        case WM_STYLECHANGED: {
            LRESULT result = CListView::WndProc(msg, wParam, lParam);
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
            if (static_cast<int>(wParam) == GWL_STYLE && (change->styleNew & kReportBit)) {
                LoadColumnWidths();
            }
            return result;
        }
        case WM_TIMER:
            if (wParam == CThumbnailScheduler::kTimerId) m_thumbnails.OnTimer();
            break;  // and the control's own handling
        case WM_CONTEXTMENU:
            OnContextMenu(lParam);
            return 0;
        case WM_DESTROY:
            m_thumbnails.OnDestroy();
            m_dropTarget.Revoke();
            SaveColumnWidths();
            ReleaseSystemImageLists();
            break;
    }
    return CListView::WndProc(msg, wParam, lParam);
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
    const int selected = GetSelectedCount();
    switch (id) {
        case ID_PROPERTY:
            if (!ui) RunListProperties(*GetDocument(), *this);
            return true;
        case ID_DELETE:
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            if (ui) {
                ui->Enable(selected > 0);
                return true;
            }
            if (selected == 0) return true;
            if (id == ID_DELETE) {
                if (CWinApp::Get()->DoMessageBox(kDeleteQuestion, MB_OKCANCEL | MB_ICONQUESTION) !=
                    IDCANCEL) {
                    DeleteSelection();
                }
            } else if (id == ID_EDIT_COPY) {
                CopySelection();
            } else if (CopySelection()) {
                DeleteSelection();
            }
            return true;
        case ID_RENAME: {
            CBlock* entry = selected == 1 ? GetEntry(GetNextItem(-1, LVNI_SELECTED)) : nullptr;
            if (ui) {
                ui->Enable(entry && entry->m_bFolder);
            } else if (entry && entry->m_bFolder) {
                SetFocus(m_hWnd);
                SendMessageA(m_hWnd, LVM_EDITLABELA, GetNextItem(-1, LVNI_SELECTED), 0);
            }
            return true;
        }
        case ID_EXPLORER:
        case ID_SET_WALLPAPER:
        case ID_OPEN_FILE: {
            CBlock* file = SingleSelectedFile();
            if (ui) {
                ui->Enable(file != nullptr);
                return true;
            }
            if (!file) return true;
            if (id == ID_SET_WALLPAPER) {
                // The path as it is: a disk folder entry is not resolved to one of its files.
                SetDesktopWallpaper(file->m_strName, WallPaperHistory());
            } else if (id == ID_EXPLORER) {
                char windows[MAX_PATH] = "";
                GetWindowsDirectoryA(windows, MAX_PATH);
                const std::string& path = file->m_strName.str();
                std::string dir = path.substr(0, mbcs::LastComponentStart(path));
                ShellExecuteA(GetAncestor(m_hWnd, GA_ROOT), "explore", dir.c_str(), nullptr,
                              windows, SW_SHOWDEFAULT);
            } else {
                // Shown: a program opened hidden would look like nothing happened.
                ShellExecuteA(GetAncestor(m_hWnd, GA_ROOT), "open", file->m_strName.str().c_str(),
                              nullptr, nullptr, SW_SHOWNORMAL);
            }
            return true;
        }
        case ID_SELECT_ALL:
            if (!ui) SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
            return true;
    }
    return false;
}

void CPelorandListView::DeleteSelection() {
    CPelorandDoc* doc = GetDocument();
    std::vector<CBlock*> entries = GetSelectedEntries();
    if (entries.empty()) return;
    CBlock* parent = entries.front()->m_pParent;
    // The rows go first: they point at what is freed next.
    SetRows({});
    for (CBlock* entry : entries) doc->RemoveEntry(entry);
    if (parent) doc->ShowFolder(parent);
}

bool CPelorandListView::CopySelection() {
    CPelorandDoc* doc = GetDocument();
    doc->RenumberListItems();
    doc->m_pLastDropTarget = nullptr;
    std::vector<CBlock*> entries = GetSelectedEntries();
    if (entries.empty()) return false;
    ComPtr<IDataObject> data = doc->SendEntries(entries);
    return data && SetClipboardData(data.Get());
}

void CPelorandListView::OnEndLabelEdit(int row, const char* text) {
    CBlock* entry = GetEntry(row);
    if (!entry) return;
    if (text) {
        entry->m_strName = text;
        GetDocument()->SetModifiedFlag();
    }
    CPelorandDoc* doc = GetDocument();
    if (entry->m_hTreeItem && doc->m_pTreeView) {
        doc->m_pTreeView->SetItemText(static_cast<HTREEITEM>(entry->m_hTreeItem), entry->m_strName);
    }
    RedrawItems(row, row);
}

void CPelorandListView::OnDoubleClick(int row) {
    CBlock* entry = GetEntry(row);
    CPelorandDoc* doc = GetDocument();
    if (!entry || !entry->m_bFolder || !doc->m_pTreeView) return;
    if (HTREEITEM item = doc->m_pTreeView->EnsureItem(entry)) doc->m_pTreeView->SelectItem(item);
}

void CPelorandListView::OnContextMenu(LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (point.x == -1 && point.y == -1) {  // from the keyboard
        point = POINT{5, 5};
        ClientToScreen(m_hWnd, &point);
    }
    TrackViewPopup(m_hWnd, IDR_LIST_POPUP, point);
}

void CPelorandListView::BeginDrag() {
    CPelorandDoc* doc = GetDocument();
    doc->RenumberListItems();
    doc->m_pLastDropTarget = nullptr;
    std::vector<CBlock*> entries = GetSelectedEntries();
    if (!entries.empty()) {
        ComPtr<IDataObject> data = doc->SendEntries(entries);
        DWORD effect =
            data ? DoDragDrop(data.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE) : DROPEFFECT_NONE;
        if (effect == DROPEFFECT_MOVE) {
            CBlock* target = doc->m_pLastDropTarget;
            CBlock* parent = nullptr;
            bool told = false;
            SetRows({});  // the rows point at entries about to go
            for (CBlock* entry : entries) {
                parent = entry->m_pParent;
                if (target && entry->m_bFolder && IsSameOrBelow(target, entry)) {
                    if (!told) {
                        CWinApp::Get()->DoMessageBox(kSelfMoveMessage, MB_OK | MB_ICONEXCLAMATION);
                        told = true;
                    }
                    continue;
                }
                doc->RemoveEntry(entry);
            }
            if (parent) doc->ShowFolder(parent);
        }
        if (effect == DROPEFFECT_COPY || effect == DROPEFFECT_MOVE) {
            if (doc->m_pTreeView) doc->m_pTreeView->RedrawNow();
            RedrawNow();
        }
    }
    if (CBlock* target = doc->m_pLastDropTarget) {
        doc->ShowFolder(target);
        if (doc->m_pTreeView) {
            if (HTREEITEM item = doc->m_pTreeView->EnsureItem(target)) {
                doc->m_pTreeView->SelectItem(item);
            }
        }
        doc->m_pLastDropTarget = nullptr;
    }
}

void CPelorandListView::SetDropRow(int row) {
    if (row == m_dropRow) return;
    int old = m_dropRow;
    m_dropRow = row;
    if (old >= 0) RedrawItems(old, old);
    if (row >= 0) RedrawItems(row, row);
}

DWORD CPelorandListView::OnDragOver(IDataObject* data, DWORD keyState, POINT point) {
    const bool files = DataOffers(data, CF_HDROP);
    if (!files && !DataOffers(data, GetDocument()->m_cfCollection)) return DROPEFFECT_NONE;
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageA(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
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
    SendMessageA(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    CBlock* target = GetEntry(hit.iItem);
    if (!target) {
        target = doc->m_pTreeView ? doc->m_pTreeView->GetSelectedFolder() : nullptr;
    } else if (!target->m_bFolder) {
        target = target->m_pParent;
    }
    if (!doc->AcceptData(target, data)) return false;
    if (files) doc->ShowFolder(target);
    return true;
}

DWORD CPelorandListView::OnDragScroll(DWORD, POINT point) {
    return DragScrollAtEdges(m_hWnd, point);
}
