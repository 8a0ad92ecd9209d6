// A modal dialog from a dialog resource. The object lives on the caller's stack for one run.
#pragma once

#include <string>

#include "fw/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, HWND parent = nullptr)
        : m_nIDTemplate(templateId), m_hParent(parent) {}

    // Runs the dialog; returns the id it was ended with (IDOK, IDCANCEL, ...), -1 on failure.
    INT_PTR DoModal();
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

    // Hook for tests: called with the dialog open, before the user can act on it.
    static void (*s_onShown)(CDialog& dialog);

  protected:
    // Fills the controls from the members.
    virtual bool OnInitDialog();
    // Ends with IDOK once every field is valid; a bad field keeps the dialog open.
    virtual void OnOK();
    virtual bool DoDataExchange(CDataExchange& dx) {
        (void)dx;
        return true;
    }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command from a control other than IDOK and IDCANCEL. True when handled.
    virtual bool OnCommand(UINT id, UINT code) {
        (void)id;
        (void)code;
        return false;
    }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    HWND m_hParent;

  private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool m_bInDialogProc = false;
    LRESULT m_result = 0;
};
