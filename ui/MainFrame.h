// The editor's main window: menu, toolbar in a rebar, status bar, and three panes (folder
// tree left, file list top right, thumbnail page bottom right) whose sizes and list style
// are kept in the settings.
#pragma once

#include <memory>
#include <vector>

#include "fw/FrameWnd.h"
#include "fw/ReBar.h"
#include "fw/SplitterWnd.h"
#include "fw/StatusBar.h"
#include "fw/ToolBar.h"

class CImageHtmlView;
class CSettings;
class CPelorandListView;
class CPelorandTreeView;

class CMainFrame : public CFrameWnd {
  public:
    // settings: the program's, which keep the panes' sizes and the list style and which the
    // frame hands to the dialogs it opens.
    explicit CMainFrame(CSettings& settings);
    ~CMainFrame() override;

    bool DestroyWindow() override;
    // Then selects the tree's root, which lists it.
    void InitialUpdateFrame(CDocument* doc, bool makeVisible) override;
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;
    // While an import runs, no command that changes the collection runs, whichever pane has
    // the focus: asked here once, before the panes.
    bool RouteCmdMsg(unsigned id, CCmdUI* ui) override;
    std::vector<CView*> GetViews() const override;

    // The list in the upper right pane, or null when that pane holds no file list.
    CPelorandListView* GetActiveList() const;

    CSplitterWnd m_wndSplitter;   // 1 row, 2 columns
    CSplitterWnd m_wndSplitter2;  // 2 rows, 1 column, in column 1 of the first
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CReBar m_wndReBar;

  protected:
    int OnCreate(CREATESTRUCTW* create) override;
    bool OnCreateClient(CREATESTRUCTW* create, CDocument* doc) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;

  private:
    void OnViewStyle(unsigned id);
    void OnUpdateViewStyle(unsigned id, CCmdUI& ui) const;
    void OnUpdateEntryCount(CCmdUI& ui);
    void OnChangerStart();
    // The properties and set-wallpaper commands of the active view.
    void OnViewCommand(unsigned id);

    CSettings& m_settings;
    std::unique_ptr<CPelorandTreeView> m_pTreeView;
    std::unique_ptr<CPelorandListView> m_pListView;
    std::unique_ptr<CImageHtmlView> m_pImageView;
};
