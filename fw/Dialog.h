// A dialog from a dialog resource, modal (DoModal) or modeless (Create). Messages go through
// CWnd's guarded Dispatch; WndProc answers as a dialog procedure does (TRUE when handled),
// and a notification's result travels through DWLP_MSGRESULT.
#pragma once

#include <string>

#include "fw/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, HWND parent = nullptr)
        : m_nIDTemplate(templateId), m_hParent(parent) {}
    ~CDialog() override;

    // Runs the dialog; returns the id it was ended with (IDOK, IDCANCEL, ...), -1 on failure.
    INT_PTR DoModal();
    // Creates the dialog modeless (shown if its template says WS_VISIBLE); its keys work
    // through the application's message filters. Ends with EndDialog or DestroyWindow.
    bool Create(HWND parent = nullptr);
    // Ends a modal dialog with result; destroys a modeless one.
    void EndDialog(INT_PTR result);
    // Fills the controls (save false) or reads and checks them (save true).
    bool UpdateData(bool saveAndValidate = true);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsDlgButtonChecked(int id) const {
        return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
    }
    void CheckDlgButton(int id, bool checked) {
        ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    // Centres the dialog over owner (or its parent, or the main window).
    void CenterWindow(HWND owner = nullptr);

    // The keyboard interface of a modeless dialog (tab, arrows, default button).
    bool PreTranslateMessage(MSG* msg) override;

    // Hook for tests: called with the dialog open, before the user can act on it.
    static void (*s_onShown)(CDialog& dialog);

  protected:
    // Fills the controls from the members. True lets the system focus the first control.
    virtual bool OnInitDialog();
    // Ends with IDOK once every field is valid; a bad field keeps the dialog open.
    virtual void OnOK();
    virtual bool DoDataExchange(CDataExchange& dx) {
        (void)dx;
        return true;
    }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A notification from a control; result goes back to the control. True when handled.
    bool OnNotify(NMHDR* header, LRESULT& result) override {
        (void)header;
        (void)result;
        return false;
    }
    // F1 or the title-bar "?" on a control (WM_HELP). True when handled; otherwise the
    // request goes on to the owner.
    virtual bool OnHelp(const HELPINFO& info) {
        (void)info;
        return false;
    }
    // Returns what a dialog procedure returns; a result for the sender goes through
    // SetMsgResult. Overrides call this for what they do not handle. The common messages go
    // to the typed handlers, as in any window; OnCommand hears of every command but IDOK and
    // IDCANCEL.
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void SetMsgResult(LRESULT result) { SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result); }

    // The dialog procedure of every CDialog; object is the CDialog at WM_INITDIALOG.
    static INT_PTR Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, CDialog* object);

    UINT m_nIDTemplate;
    HWND m_hParent;

  private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND DefaultParent() const;
    bool m_bModal = false;
};

// Centres window over owner (null: its owner; a hidden or minimised one: the work area), kept
// on the monitor's work area.
void CenterWindowOver(HWND window, HWND owner);
