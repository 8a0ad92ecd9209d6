#include "ui/MainFrame.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/Dpi.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/CreaterListDlg.h"
#include "ui/PelorandChangerStart.h"
#include "ui/PelorandOption.h"
#include "ui/PropertyCommands.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"

namespace {

const UINT kIndicators[] = {0, ID_INDICATOR_COUNT};
constexpr int kMinPaneSize = 10;  // at 96 DPI, as the stored sizes are

// A stored pane size in screen pixels. Sizes are stored at 96 DPI, so that they mean the same
// on any screen. One no drag can make (negative, or past the screen) reads as the default; a
// size below the minimum is the user's closed pane and is kept.
int StoredPaneSize(const CSettings& settings, const SettingDef& def, int screenExtent, int dpi) {
    int size = settings.GetInt(def);
    if (size < 0 || size > ScaleFromDpi(screenExtent, dpi)) size = def.intDefault;
    return ScaleForDpi(size, dpi);
}

// The list's view type for a style command; -1 for commands that set none.
int ViewTypeOf(unsigned id) {
    switch (id) {
        case ID_VIEW_SMALLICON:
            return LVS_SMALLICON;
        case ID_VIEW_LARGEICON:
            return LVS_ICON;
        case ID_VIEW_LIST:
            return LVS_LIST;
        case ID_VIEW_DETAILS:
            return LVS_REPORT;
        default:
            return -1;
    }
}

}  // namespace

CMainFrame::CMainFrame(CSettings& settings)
    : m_settings(settings),
      m_pTreeView(std::make_unique<CPelorandTreeView>()),
      m_pListView(std::make_unique<CPelorandListView>()),
      m_pImageView(std::make_unique<CImageHtmlView>()) {}

CMainFrame::~CMainFrame() {
    // The windows go before the objects that wrap them.
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

int CMainFrame::OnCreate(CREATESTRUCTW* create) {
    if (CFrameWnd::OnCreate(create) == -1) return -1;
    if (!m_wndToolBar.Create(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | WS_VISIBLE, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        return -1;
    }
    if (!m_wndReBar.Create(this, RBS_BANDBORDERS | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           AFX_IDW_REBAR) ||
        !m_wndReBar.AddBar(&m_wndToolBar, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP)) {
        return -1;
    }
    if (!m_wndStatusBar.Create(this, WS_VISIBLE, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 2)) {
        return -1;
    }
    m_wndReBar.m_align = CControlBar::Align::Top;
    m_wndStatusBar.m_align = CControlBar::Align::Bottom;
    AddControlBar(&m_wndReBar);
    AddControlBar(&m_wndStatusBar);
    m_pMessageBar = &m_wndStatusBar;
    SetMessageText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
    RecalcLayout();
    return 0;
}

bool CMainFrame::OnCreateClient(CREATESTRUCTW*, CDocument* doc) {
    if (!m_wndSplitter.CreateStatic(m_hWnd, 1, 2, AFX_IDW_PANE_FIRST)) return false;
    if (!m_wndSplitter2.CreateStatic(m_wndSplitter.m_hWnd, 2, 1,
                                     CSplitterWnd::IdFromRowCol(0, 1))) {
        return false;
    }
    if (!m_wndSplitter.CreateView(0, 0, m_pTreeView.get(), SIZE{400, 400}, doc) ||
        !m_wndSplitter2.CreateView(0, 0, m_pListView.get(), SIZE{100, 0}, doc) ||
        !m_wndSplitter2.CreateView(1, 0, m_pImageView.get(), SIZE{100, 100}, doc)) {
        return false;
    }
    CSettings& settings = m_settings;
    int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int dpi = WindowDpi(m_hWnd);
    int minSize = ScaleForDpi(kMinPaneSize, dpi);
    m_wndSplitter.SetColumnInfo(0, StoredPaneSize(settings, setting::TreeSize, screenWidth, dpi),
                                minSize);
    m_wndSplitter2.SetRowInfo(0, StoredPaneSize(settings, setting::ViewSize, screenHeight, dpi),
                              minSize);
    m_wndSplitter2.SetRowInfo(
        1, StoredPaneSize(settings, setting::ImageViewSize, screenHeight, dpi), minSize);
    SetActiveView(m_pTreeView.get(), false);
    // As if the user chose the stored style; only the list-style commands are taken from it.
    unsigned viewType = static_cast<unsigned>(settings.GetInt(setting::ViewType));
    if (viewType >= ID_VIEW_SMALLICON && viewType <= ID_VIEW_BYNAME) OnViewStyle(viewType);
    return true;
}

std::vector<CView*> CMainFrame::GetViews() const {
    return {m_pTreeView.get(), m_pListView.get(), m_pImageView.get()};
}

void CMainFrame::InitialUpdateFrame(CDocument* doc, bool makeVisible) {
    // After every view has its contents: the list is emptied by its own initial update. At
    // start-up the tree would select its root when it got the focus; after File > Open it has
    // the focus already and would select nothing.
    CFrameWnd::InitialUpdateFrame(doc, makeVisible);
    m_pTreeView->SelectRoot();
}

CPelorandListView* CMainFrame::GetActiveList() const {
    return dynamic_cast<CPelorandListView*>(m_wndSplitter2.GetPane(0, 0));
}

bool CMainFrame::DestroyWindow() {
    if (m_hWnd && m_wndSplitter.m_hWnd) {
        CSettings& settings = m_settings;
        const int dpi = WindowDpi(m_hWnd);
        int current = 0, min = 0;
        m_wndSplitter.GetColumnInfo(0, current, min);
        settings.WriteInt(setting::TreeSize, ScaleFromDpi(current, dpi));
        m_wndSplitter2.GetRowInfo(0, current, min);
        settings.WriteInt(setting::ViewSize, ScaleFromDpi(current, dpi));
        m_wndSplitter2.GetRowInfo(1, current, min);
        settings.WriteInt(setting::ImageViewSize, ScaleFromDpi(current, dpi));
    }
    return CFrameWnd::DestroyWindow();
}

void CMainFrame::OnDpiChanged(int dpi, const RECT& suggested) {
    // The panes first, so that the frame's new size shares out sizes already scaled.
    const int old = WindowDpi(m_hWnd);
    if (old != dpi) {
        m_wndSplitter.OnDpiChanged(old, dpi);
        m_wndSplitter2.OnDpiChanged(old, dpi);
    }
    CFrameWnd::OnDpiChanged(dpi, suggested);
}

bool CMainFrame::RouteCmdMsg(unsigned id, CCmdUI* ui) {
    auto* doc = static_cast<CPelorandDoc*>(GetActiveDocument());
    if (doc && doc->IsImporting() && CPelorandDoc::ChangesCollection(id)) {
        if (ui) ui->Enable(false);
        return true;
    }
    return CFrameWnd::RouteCmdMsg(id, ui);
}

bool CMainFrame::OnCmdMsg(unsigned id, CCmdUI* ui) {
    if (id >= ID_VIEW_SMALLICON && id <= ID_VIEW_BYNAME) {
        if (ui) {
            OnUpdateViewStyle(id, *ui);
        } else {
            OnViewStyle(id);
        }
        return true;
    }
    switch (id) {
        case ID_INDICATOR_COUNT:
            if (ui) OnUpdateEntryCount(*ui);
            return true;
        case ID_CHANGER_START:
            if (!ui) OnChangerStart();
            return true;
        case ID_OPTION:
            if (!ui) {
                CPelorandOption sheet(m_settings, m_hWnd);
                sheet.DoModal();
            }
            return true;
        case ID_AUTHOR_LIST:
            if (!ui) {
                CCreaterListDlg dialog(m_settings);
                dialog.DoModal();  // its changes are already stored, whichever way it closes
            }
            return true;
        case ID_IMAGE_BACK:
        case ID_IMAGE_FORWARD:
            // Always enabled; with nothing to go back or forward to, the pane stays as it is.
            if (!ui) {
                if (id == ID_IMAGE_BACK) {
                    m_pImageView->GoBack();
                } else {
                    m_pImageView->GoForward();
                }
            }
            return true;
        case ID_PROPERTY:
        case ID_SET_WALLPAPER:
            // The view that has them enabled them; they open windows of the program's.
            if (!ui) OnViewCommand(id);
            return !ui;
    }
    return CFrameWnd::OnCmdMsg(id, ui);
}

void CMainFrame::OnViewStyle(unsigned id) {
    CPelorandListView* list = GetActiveList();
    if (!list) return;
    if (id == ID_VIEW_LINEUP) {
        SendMessageW(list->m_hWnd, LVM_ARRANGE, LVA_SNAPTOGRID, 0);
        return;
    }
    int type = ViewTypeOf(id);
    if (type < 0) return;  // sort by name does nothing
    list->ModifyStyle(LVS_TYPEMASK, type);
    // Some list controls leave the old view's text behind on a style change.
    RedrawWindow(list->m_hWnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    m_settings.WriteInt(setting::ViewType, static_cast<int>(id));
}

void CMainFrame::OnUpdateViewStyle(unsigned id, CCmdUI& ui) const {
    CPelorandListView* list = GetActiveList();
    if (!list) {
        ui.Enable(false);
        return;
    }
    DWORD type = list->GetViewType();
    if (id == ID_VIEW_LINEUP) {
        ui.Enable(type == LVS_ICON || type == LVS_SMALLICON);
        return;
    }
    ui.Enable(true);
    int selects = ViewTypeOf(id);
    ui.SetRadio(selects >= 0 && static_cast<DWORD>(selects) == type);
}

void CMainFrame::OnUpdateEntryCount(CCmdUI& ui) {
    CPelorandListView* list = GetActiveList();
    std::string label = LoadResourceString(ID_INDICATOR_COUNT);
    char text[300];
    std::snprintf(text, sizeof text, "%s-%d", label.c_str(), list ? list->GetItemCount() : 0);
    // The pane is as wide as its text in the bar's own font.
    int textWidth = m_wndStatusBar.TextWidth(text);
    for (int i = 0; i < m_wndStatusBar.GetCount(); ++i) {
        if (m_wndStatusBar.GetItemID(i) != ID_INDICATOR_COUNT) continue;
        UINT paneId = 0, style = 0;
        int width = 0;
        m_wndStatusBar.GetPaneInfo(i, paneId, style, width);
        m_wndStatusBar.SetPaneInfo(i, paneId, style, textWidth);
    }
    ui.SetText(text);
}

void CMainFrame::OnViewCommand(unsigned id) {
    auto* doc = static_cast<CPelorandDoc*>(GetActiveDocument());
    if (!doc) return;
    CView* active = GetActiveView();
    if (id == ID_PROPERTY) {
        if (active == m_pTreeView.get()) RunTreeProperties(*doc, *m_pTreeView);
        if (active == m_pListView.get()) RunListProperties(*doc, *m_pListView);
        return;
    }
    if (active != m_pListView.get()) return;
    if (CBlock* file = m_pListView->SingleSelectedFile()) {
        // The path as it is: a disk folder entry is not resolved to one of its files.
        SetDesktopWallpaper(file->m_strName, WallPaperHistory());
    }
}

void CMainFrame::OnChangerStart() {
    CPelorandChangerStart dialog(m_settings, m_hWnd);
    dialog.DoModal();
}
