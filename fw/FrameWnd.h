// The main window of a document: menu, accelerators, bars, the client pane and command
// routing (active view, then document, then the frame itself, then the application).
#pragma once

#include <windows.h>
// (shellapi.h needs the definitions of windows.h)
#include <shellapi.h>

#include <string>
#include <vector>

#include "fw/CmdTarget.h"
#include "fw/Wnd.h"

class CControlBar;
class CDocument;
class CStatusBar;
class CView;

class CFrameWnd : public CWnd, public CCmdTarget {
  public:
    // Creates the window with the menu, icon and accelerators of resourceId; its client
    // panes show doc.
    bool LoadFrame(UINT resourceId, CDocument* doc);

    // Runs command id (ui null) or asks for its state, through every target in turn.
    virtual bool RouteCmdMsg(unsigned id, CCmdUI* ui);
    // Runs a command as a menu, toolbar button or shortcut would; a shortcut for a disabled
    // command is ignored.
    void ExecuteCommand(unsigned id, bool fromShortcut);
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view, bool focus = true);
    CDocument* GetActiveDocument() const;
    // Asks the frames on this desktop (other programs' included) whether one has the file
    // at path open; the one that has comes forward. True when one did: a second window on
    // the same file would let the later save undo the other's work.
    static bool BringForwardFrameOf(const std::string& path);
    // Every view of the frame, in pane order.
    virtual std::vector<CView*> GetViews() const { return {}; }
    // Shows doc in every view (a new or freshly opened document).
    virtual void InitialUpdateFrame(CDocument* doc, bool makeVisible);

    // The document's edits became unsaved, or saved: while they are unsaved Windows shows a
    // reason beside the window when the session is about to end.
    void OnDocumentModified(bool modified);
    bool HasShutdownBlockReason() const { return m_bBlockReason; }

    // Brings bars up to date (the application calls it when idle).
    void OnIdleUpdateCmdUI() override;
    void UpdateMenuPopup(HMENU popup);
    void SetMessageText(const std::string& text);
    void OnUpdateFrameTitle();
    void RecalcLayout();
    bool PreTranslateMessage(MSG* msg) override;

    // Context help: the cursor becomes a question mark; the next command chosen (a menu item
    // or a toolbar button) opens help instead of running. Esc or a click elsewhere ends it.
    void EnterHelpMode();
    void ExitHelpMode();

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id, UINT code) override;
    bool OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    bool OnClose() override;
    // Files dropped from the shell: each is opened as a document, in the order of the drop.
    virtual void OnDropFiles(HDROP drop);
    // Another program asks whether this frame has a file open (BringForwardFrameOf).
    bool OnFileQuery(const COPYDATASTRUCT& data);
    // Window creation after the base step; -1 makes creation fail.
    virtual int OnCreate(CREATESTRUCTW* create);
    // The frame moved to a monitor of another scale (WM_DPICHANGED): the bars and views are
    // sized for dpi, then the frame takes the rectangle Windows suggests.
    virtual void OnDpiChanged(int dpi, const RECT& suggested);
    // Creates the client panes (a single view unless overridden).
    virtual bool OnCreateClient(CREATESTRUCTW* create, CDocument* doc);
    void AddControlBar(CControlBar* bar);
    // The status prompt of a command: the text before "\n" of its string resource.
    static std::string CommandPrompt(UINT id);
    static std::string CommandTip(UINT id);

    CStatusBar* m_pMessageBar = nullptr;  // where prompts and the idle message go

  private:
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    LRESULT OnQueryEndSession(LPARAM flags);
    void ToggleBar(CControlBar* bar);
    CControlBar* BarById(UINT id) const;
    void ActivateNextPane(bool previous);

    CDocument* m_pCreateDoc = nullptr;
    CDocument* m_pDocument = nullptr;
    CView* m_pActiveView = nullptr;
    HACCEL m_hAccel = nullptr;
    std::vector<CControlBar*> m_bars;
    bool m_bMenuOpen = false;
    bool m_bHelpMode = false;
    bool m_bBlockReason = false;
    std::string m_strRecoveryCopy;  // written at a forced end that may yet be cancelled
};
