#include "views/PelorandListView.h"

#include <windowsx.h>

#include <cstring>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "doc/PelorandDoc.h"
#include "fw/Dpi.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/ShellText.h"
#include "views/PelorandTreeView.h"
#include "views/ShellInfo.h"

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

CPelorandDoc* CPelorandListView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CPelorandListView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    // The rows live in m_rows; the style cannot be added once the control exists.
    SetDocument(doc);
    if (!CreateControl(kDefaultExStyle, WC_LISTVIEWA, kDefaultStyle | LVS_OWNERDATA, parent, id))
        return false;
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    // The check boxes are the entries' flags, answered with the texts.
    SetCallbackMask(LVIS_STATEIMAGEMASK);
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
    m_rows = std::move(rows);
    SetItemCount(static_cast<int>(m_rows.size()));
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
    return true;
}

void CPelorandListView::SetEntryCheck(int row, bool checked) {
    CBlock* entry = GetEntry(row);
    if (!entry) return;
    entry->m_bChangerEnabled = checked ? 1 : 0;
    CPelorandDoc* doc = GetDocument();
    if (entry->m_bFolder && entry->m_hTreeItem && doc->m_pTreeView) {
        doc->m_pTreeView->SetCheck(entry->m_hTreeItem, checked);
    }
    RedrawItems(row, row);
}

void CPelorandListView::OnItemChanged(const NMLISTVIEW& change) {
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
        case WM_DESTROY:
            SaveColumnWidths();
            ReleaseSystemImageLists();
            break;
    }
    return CListView::WndProc(msg, wParam, lParam);
}
