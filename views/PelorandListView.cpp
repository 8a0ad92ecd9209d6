#include "views/PelorandListView.h"

#include "app/Settings.h"
#include "doc/PelorandDoc.h"
#include "fw/WinApp.h"
#include "model/Shell_win.h"

namespace {
const char* const kColumnTitles[CPelorandListView::kColumnCount] = {
    "ファイル名", "ファイル情報", "優先順位", "作成者", "コメント", "親情報継続"};

// The report bit; the list style (3) carries it as well, and so saves and loads widths too.
constexpr LONG_PTR kReportBit = 1;
}  // namespace

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
    if (!(GetStyle() & kReportBit)) return;
    CSettings& settings = CWinApp::Get()->Settings();
    int count = GetColumnCount();
    for (int i = 0; i < count; ++i) settings.WriteInt(setting::Column(i), GetColumnWidth(i));
}

void CPelorandListView::LoadColumnWidths() {
    CSettings& settings = CWinApp::Get()->Settings();
    for (int i = 0; i < kColumnCount; ++i) {
        SetColumnWidth(i, settings.GetInt(setting::Column(i)) & 0xFFFF);
    }
}

LRESULT CPelorandListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_STYLECHANGING: {
            LRESULT result = CListView::WndProc(msg, wParam, lParam);
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
            if (static_cast<int>(wParam) == GWL_STYLE && (change->styleOld & kReportBit)) {
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
