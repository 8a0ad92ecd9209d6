// Base window wrapper: one C++ object per window, found through GWLP_USERDATA.
// Our own window classes attach the object at WM_NCCREATE from the creation parameter;
// system controls (tree, list, toolbar) are subclassed right after creation.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

struct tagLVDISPINFOW;

class CWorker;

class CWnd {
  public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    static CWnd* FromHandle(HWND hwnd);

    // Registers (once) a window class of ours whose procedure dispatches to WndProc.
    static void RegisterClassOnce(const char* className, UINT style, HCURSOR cursor,
                                  HBRUSH background, HICON icon = nullptr);
    // Creates a window of one of our registered classes.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                  int y, int cx, int cy, HWND parent, HMENU menuOrId);
    // Creates a system control and subclasses it.
    bool CreateControl(DWORD exStyle, const char* className, DWORD style, HWND parent, UINT id);
    // Hooks an existing window (a control or a dialog item) into this object.
    void SubclassWindow(HWND hwnd);

    virtual bool DestroyWindow();

    // Sees a message of the loop before it is translated and dispatched; true when handled.
    // The application asks its main window and the windows it was given as filters.
    virtual bool PreTranslateMessage(MSG* msg) {
        (void)msg;
        return false;
    }
    // Brings the window's commands up to date; the application calls it when idle.
    virtual void OnIdleUpdateCmdUI() {}

    LONG_PTR GetStyle() const { return GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    // Replaces the bits in remove with the bits in add; sends the style-change messages.
    void ModifyStyle(LONG_PTR remove, LONG_PTR add);
    RECT GetClientRect() const;
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    void RedrawNow();
    // Turns drawing off while a control is filled (far faster for long lists), and on again.
    void SetRedraw(bool redraw);

    HWND m_hWnd = nullptr;

  protected:
    // Handles a message. The default unpacks the common messages into the typed handlers below
    // and passes the rest, and whatever a handler leaves, on to the class's own procedure; a
    // class overrides it only for messages of its own or of its control.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);
    // Inside a typed handler: the class's own procedure for the message being handled, for a
    // handler that does its part after it (the handler then returns true).
    LRESULT DefaultNow();

    // Typed handlers. Each returns true when it handled the message (the answer is then the
    // message's "handled" value: 0, or TRUE for WM_ERASEBKGND and WM_SETCURSOR), false to let
    // the class's own procedure have it. Points are client coordinates unless named screen.
    virtual bool OnPaint() { return false; }
    virtual bool OnPrintClient(HDC dc) { (void)dc; return false; }
    virtual bool OnEraseBkgnd(HDC dc) { (void)dc; return false; }
    virtual bool OnSize(UINT type, int cx, int cy) { (void)type, (void)cx, (void)cy; return false; }
    virtual bool OnMove() { return false; }
    virtual bool OnTimer(UINT_PTR id) { (void)id; return false; }
    virtual bool OnContextMenu(HWND from, POINT screen) { (void)from, (void)screen; return false; }
    virtual bool OnKeyDown(UINT key) { (void)key; return false; }
    virtual bool OnMouseMove(POINT at, UINT keys) { (void)at, (void)keys; return false; }
    // WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP and
    // WM_MBUTTONDOWN, told apart by msg: most windows treat several of them alike.
    virtual bool OnButton(UINT msg, POINT at, UINT keys) { (void)msg, (void)at, (void)keys; return false; }
    virtual bool OnMouseWheel(int delta, UINT keys, POINT screen) { (void)delta, (void)keys, (void)screen; return false; }
    // WM_VSCROLL (vertical) and WM_HSCROLL.
    virtual bool OnScroll(bool vertical, UINT code) { (void)vertical, (void)code; return false; }
    virtual bool OnSetCursor(HWND over, UINT hitTest) { (void)over, (void)hitTest; return false; }
    virtual bool OnCaptureChanged(HWND gaining) { (void)gaining; return false; }
    virtual bool OnClose() { return false; }
    // WM_COMMAND from a menu (code 0), an accelerator (1) or a control whose own object did
    // not take it (the control's notification code).
    virtual bool OnCommand(UINT id, UINT code) { (void)id, (void)code; return false; }
    // WM_NOTIFY from a child whose own object did not take it; result is the answer.
    virtual bool OnNotify(NMHDR* header, LRESULT& result) { (void)header, (void)result; return false; }
    // The window is going; what the class's own procedure does follows.
    virtual void OnDestroy() {}
    // A notification this window sent to its parent, handed back to it. True when handled.
    virtual bool OnReflectNotify(NMHDR* header, LRESULT& result);
    // A command (WM_COMMAND) this control sent to its parent, handed back to it.
    virtual bool OnReflectCommand(UINT code) {
        (void)code;
        return false;
    }
    // Hands WM_NOTIFY and control WM_COMMAND to the object of the control that sent them.
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called after the window is gone (WM_NCDESTROY); the object no longer has a handle.
    virtual void PostNcDestroy() {}
    // Every message goes through here: WndProc under the exception guard, workers let go at
    // WM_DESTROY, the object detached at WM_NCDESTROY.
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // Calls the typed handler of a common message; false when there is none or it declined.
    bool CallTypedHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    friend class CWorker;
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // A control's or dialog item's messages, through the system's subclassing: its own
    // procedure and user data stay the control's.
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR object);
    // Lets go of the window: late messages no longer reach the object.
    void Detach();
    // The message being handled, for DefaultNow.
    struct CurrentMessage {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    const CurrentMessage* m_pCurrent = nullptr;
    bool m_bSubclassed = false;
    std::vector<CWorker*> m_workers;  // told to stop when the window is destroyed
};

// Reports an exception caught at a boundary with Windows (it must not cross into Windows),
// through the application's message box. Never throws.
void ReportUnexpectedException(const char* what) noexcept;

// Runs f; an exception is reported and false returned. Every boundary with Windows (window
// and dialog procedures, the message loop, worker threads) goes through here.
template <typename F>
bool CallGuarded(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        ReportUnexpectedException(e.what());
    } catch (...) {
        ReportUnexpectedException("unknown exception");
    }
    return false;
}
