// A pane that shows the document. Views are system controls or windows of ours placed in a
// splitter pane; the frame routes commands to the active one first.
#pragma once

#include "fw/CmdTarget.h"
#include "fw/Wnd.h"
#include "win/Handles.h"

class CDocument;
class CFrameWnd;

// What a document tells its views; the program derives its hints from it, each view reads
// them as the document's own type.
struct CUpdateHint {
    virtual ~CUpdateHint() = default;
};

class CView : public CWnd, public CCmdTarget {
  public:
    ~CView() override { SetDocument(nullptr); }

    // The default view style: a visible child with a sunken edge.
    static constexpr DWORD kDefaultStyle = WS_CHILD | WS_VISIBLE;
    static constexpr DWORD kDefaultExStyle = WS_EX_CLIENTEDGE;

    // Creates the view's window as pane id of parent, showing doc.
    virtual bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) = 0;
    // Runs each time the document is new or freshly opened.
    virtual void OnInitialUpdate() {}
    bool OnCmdMsg(unsigned, CCmdUI*) override { return false; }

    // Another view or the document changed something this view shows: hint says what, in the
    // document's own type.
    virtual void OnUpdate(CView* sender, const CUpdateHint& hint) {
        (void)sender;
        (void)hint;
    }

    // The frame moved to a monitor of newDpi: the view's text takes that monitor's size (a
    // control view's font by default).
    virtual void OnDpiChanged(int oldDpi, int newDpi);

    CDocument* GetDocument() const { return m_pDocument; }
    // Shows doc (null: none); the view joins the document's list of views.
    void SetDocument(CDocument* doc);
    CFrameWnd* GetParentFrame() const;

  protected:
    // Create for a view that is a system control of className (a tree, a list).
    bool CreateControlView(const char* className, HWND parent, UINT id, const SIZE& size,
                           CDocument* doc);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    CDocument* m_pDocument = nullptr;

  private:
    CUniqueFont m_dpiFont;  // the font made for the frame's DPI, once it moved
};
