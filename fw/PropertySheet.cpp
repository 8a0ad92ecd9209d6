#include "fw/PropertySheet.h"

#include <commctrl.h>

#include "fw/PropertyPage.h"
#include "fw/WinApp.h"

void (*CPropertySheet::s_onShown)(HWND sheet) = nullptr;

namespace {
// A timer on the sheet, for the test hook: the sheet is a window of the system's.
const UINT_PTR kShownTimer = 0x7F;

void CALLBACK OnShownTimer(HWND sheet, UINT, UINT_PTR id, DWORD) {
    KillTimer(sheet, id);
    if (CPropertySheet::s_onShown) {
        CallGuarded([&] { CPropertySheet::s_onShown(sheet); });
    }
}
}  // namespace

int CALLBACK CPropertySheet::Callback(HWND sheet, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && s_onShown) SetTimer(sheet, kShownTimer, 1, OnShownTimer);
    return 0;
}

INT_PTR CPropertySheet::DoModal() {
    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage* page : m_pages) pages.push_back(page->Descriptor());
    HWND parent = m_hParent;
    CWinApp* app = CWinApp::Get();
    if (!parent && app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | (m_bNoApplyButton ? PSH_NOAPPLYNOW : 0);
    header.hwndParent = parent;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = m_strCaption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = m_nStartPage;
    header.ppsp = pages.data();
    header.pfnCallback = Callback;
    INT_PTR result = PropertySheetA(&header);
    if (result < 0) return -1;
    return result > 0 ? IDOK : IDCANCEL;
}
