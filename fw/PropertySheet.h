// A modal property sheet over pages of ours. The system creates each page when it is first
// shown; OK checks the page in front (kill-active) and then applies every page created.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CPropertyPage;

class CPropertySheet {
  public:
    explicit CPropertySheet(std::string caption, HWND parent = nullptr, UINT startPage = 0)
        : m_strCaption(std::move(caption)), m_hParent(parent), m_nStartPage(startPage) {}

    // The page is the caller's and outlives the sheet's run.
    void AddPage(CPropertyPage* page) { m_pages.push_back(page); }
    // IDOK when the pages were applied, IDCANCEL, or -1 when the sheet could not be shown.
    INT_PTR DoModal();
    // Without the Apply button (OK and Cancel only).
    bool m_bNoApplyButton = false;

    // Hook for tests: called with the sheet open, before the user can act on it.
    static void (*s_onShown)(HWND sheet);

  private:
    static int CALLBACK Callback(HWND sheet, UINT msg, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
    // Grows the sheet until the largest page, in its own font, fits; then places it.
    void FitToPages(HWND sheet) const;
    static void FitPageToTab(HWND sheet, HWND page);
    SIZE m_pageUnits{};  // the largest page's size in dialog units
    static CPropertySheet* s_running;  // the sheet in DoModal, for its callback
    std::string m_strCaption;
    HWND m_hParent;
    UINT m_nStartPage;
    std::vector<CPropertyPage*> m_pages;
};
