// A page of a property sheet: a dialog the sheet creates the first time it is shown.
// Leaving the page (another tab, or OK) reads and checks its fields (OnKillActive); OK then
// applies every page that was shown (OnApply).
#pragma once

#include <windows.h>
// (prsht.h needs the definitions of windows.h)
#include <prsht.h>

#include "fw/Dialog.h"

class CPropertyPage : public CDialog {
  public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}

    // The page as the sheet takes it.
    PROPSHEETPAGEW Descriptor();
    // Turns the sheet's Apply button on (or off) for this page.
    void SetModified(bool changed = true);
    HWND GetSheet() const { return GetParent(m_hWnd); }

  protected:
    // The page is about to be shown. False keeps the sheet where it is.
    virtual bool OnSetActive() { return true; }
    // The page is left: its fields are read and checked. False keeps it open.
    virtual bool OnKillActive() { return UpdateData(true); }
    // OK (or Apply) on a page that was shown: what the fields say takes effect.
    virtual bool OnApply() { return true; }
    // Cancel.
    virtual void OnReset() {}
    // The sheet's own buttons end the sheet: a page never ends itself as a dialog would.
    void OnOK() override {}
    void OnCancel() override {}
    bool OnNotify(NMHDR* header, LRESULT& result) override;

  private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
