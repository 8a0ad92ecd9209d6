#include "views/PelorandListView.h"

#include <cstring>

#include "app/PelorandApp.h"
#include "app/Settings.h"
#include "doc/PelorandDoc.h"
#include "fw/Dpi.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "res/resource.h"
#include "ui/PropertyCommands.h"
#include "views/ImageHtmlView.h"
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

CPelorandListView::CPelorandListView()
    : m_thumbnails(*this, [this]() -> HWND {
          CImageHtmlView* pane = GetDocument() ? GetDocument()->m_pImageView : nullptr;
          return pane ? pane->m_hWnd : nullptr;
      }) {}

CPelorandDoc* CPelorandListView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CPelorandListView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    if (!CListView::Create(parent, id, size, doc)) return false;
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

bool CPelorandListView::OnReflectNotify(NMHDR* header, LRESULT& result) {
    if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        m_thumbnails.OnItemChanged(
            change->uNewState & LVIS_SELECTED, [this](std::vector<std::string>& paths) {
                for (int i = -1; (i = ListView_GetNextItem(m_hWnd, i, LVNI_SELECTED)) >= 0;) {
                    const auto* entry = reinterpret_cast<const CBlock*>(GetItemData(i));
                    if (entry && !entry->m_bFolder) paths.push_back(entry->m_strName);
                }
            });
        result = 0;
        return true;
    }
    if (header->code == LVN_DELETEALLITEMS) {
        result = TRUE;  // no notice per row: LVM_DELETEALLITEMS forgets them all at once
        return true;
    }
    if (header->code == LVN_DELETEITEM) {
        // The entry behind the row may be freed next, and a new one take its address.
        const auto* row = reinterpret_cast<const NMLISTVIEW*>(header);
        m_shellInfo.erase(reinterpret_cast<const CBlock*>(row->lParam));
        result = 0;
        return true;
    }
    if (header->code != LVN_GETDISPINFOA) return false;
    auto* request = reinterpret_cast<NMLVDISPINFOA*>(header);
    LVITEMA& item = request->item;
    const auto* entry = reinterpret_cast<const CBlock*>(item.lParam);
    result = 0;
    if (!entry) {
        // A row asked for before its entry is attached: nothing to show yet.
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) item.pszText[0] = 0;
        if (item.mask & LVIF_IMAGE) item.iImage = -1;
        return true;
    }
    const ShellInfo& info = GetShellInfo(*entry);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string& text = item.iSubItem == 0   ? info.displayName
                                  : item.iSubItem == 1 ? info.typeName
                                                       : std::string();
        // lstrcpyn keeps a double-byte character whole at the cut.
        lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = info.image;
    return true;
}

bool CPelorandListView::OnCmdMsg(unsigned id, CCmdUI* ui) {
    if (id == ID_PROPERTY) {
        if (!ui) RunListProperties(*GetDocument(), *this);
        return true;
    }
    return CListView::OnCmdMsg(id, ui);
}

LRESULT CPelorandListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case LVM_DELETEALLITEMS:
            // The entries behind the rows may be freed next; forget what was asked about them.
            m_shellInfo.clear();
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
        case WM_DESTROY:
            m_thumbnails.OnDestroy();
            SaveColumnWidths();
            ReleaseSystemImageLists();
            break;
    }
    return CListView::WndProc(msg, wParam, lParam);
}
