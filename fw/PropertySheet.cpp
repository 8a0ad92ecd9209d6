#include "fw/PropertySheet.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "fw/Dialog.h"
#include "win/Strconv.h"

#include "fw/PropertyPage.h"
#include "fw/WinApp.h"

void (*CPropertySheet::s_onShown)(HWND sheet) = nullptr;
CPropertySheet* CPropertySheet::s_running = nullptr;

namespace {
// A timer on the sheet, for the test hook: the sheet is a window of the system's.
const UINT_PTR kShownTimer = 0x7F;

void CALLBACK OnShownTimer(HWND sheet, UINT, UINT_PTR id, DWORD) {
    KillTimer(sheet, id);
    if (CPropertySheet::s_onShown) {
        CallGuarded([&] { CPropertySheet::s_onShown(sheet); });
    }
}

// The size of a page's dialog template in dialog units; zero when it cannot be read.
SIZE TemplateUnits(const PROPSHEETPAGEW& page) {
    const BYTE* data = nullptr;
    if (page.dwFlags & PSP_DLGINDIRECT) {
        data = reinterpret_cast<const BYTE*>(page.pResource);
    } else if (HRSRC found = FindResourceW(page.hInstance, page.pszTemplate, MAKEINTRESOURCEW(5) /* RT_DIALOG */)) {
        if (HGLOBAL loaded = LoadResource(page.hInstance, found)) {
            data = static_cast<const BYTE*>(LockResource(loaded));
        }
    }
    if (!data) return SIZE{};
    auto word = [data](std::size_t offset) {
        WORD value = 0;
        std::memcpy(&value, data + offset, sizeof value);
        return static_cast<short>(value);
    };
    // DLGTEMPLATEEX begins with version 1 and signature 0xFFFF; its cx and cy lie further on.
    const bool extended = word(0) == 1 && static_cast<WORD>(word(2)) == 0xFFFF;
    const std::size_t cx = extended ? 22 : 14;
    return SIZE{word(cx), word(cx + 2)};
}

}  // namespace

int CALLBACK CPropertySheet::Callback(HWND sheet, UINT msg, LPARAM) {
    if (msg != PSCB_INITIALIZED) return 0;
    if (s_onShown) SetTimer(sheet, kShownTimer, 1, OnShownTimer);
    // The sheet running now is the one on this thread's stack in DoModal.
    SetWindowSubclass(sheet, SheetProc, 1, reinterpret_cast<DWORD_PTR>(s_running));
    return 0;
}

LRESULT CALLBACK CPropertySheet::SheetProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR data) {
    const auto* self = reinterpret_cast<const CPropertySheet*>(data);
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wParam && self) {
                CallGuarded([&] { self->FitToPages(sheet); });
                // Once: the user may move it afterwards.
                SetWindowSubclass(sheet, SheetProc, id, 0);
            }
            break;
        case WM_NOTIFY:
        case PSM_SETCURSEL: {
            LRESULT result = DefSubclassProc(sheet, msg, wParam, lParam);
            const bool pageChanged =
                msg == PSM_SETCURSEL || reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE;
            if (pageChanged) {
                HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                FitPageToTab(sheet, page);
            }
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(sheet, SheetProc, id);
            break;
    }
    return DefSubclassProc(sheet, msg, wParam, lParam);
}

void CPropertySheet::FitPageToTab(HWND sheet, HWND page) {
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    if (!tab || !page) return;
    RECT area{};
    GetClientRect(tab, &area);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    MapWindowPoints(tab, sheet, reinterpret_cast<POINT*>(&area), 2);
    SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left,
                 area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPropertySheet::FitToPages(HWND sheet) const {
    HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (tab && page && m_pageUnits.cx > 0 && m_pageUnits.cy > 0) {
        // The sheet measured the pages in its own font; the page in front knows its own (the
        // pages share one).
        RECT needed{0, 0, m_pageUnits.cx, m_pageUnits.cy};
        MapDialogRect(page, &needed);
        RECT area{};
        GetClientRect(tab, &area);
        TabCtrl_AdjustRect(tab, FALSE, &area);
        const int dx = std::max(0L, needed.right - (area.right - area.left));
        const int dy = std::max(0L, needed.bottom - (area.bottom - area.top));
        if (dx > 0 || dy > 0) {
            RECT rc{};
            GetWindowRect(sheet, &rc);
            SetWindowPos(sheet, nullptr, 0, 0, rc.right - rc.left + dx, rc.bottom - rc.top + dy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            GetWindowRect(tab, &rc);
            SetWindowPos(tab, nullptr, 0, 0, rc.right - rc.left + dx, rc.bottom - rc.top + dy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            // The buttons keep their place at the bottom right; the pages fill the tab.
            for (HWND child = GetWindow(sheet, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if (child == tab) continue;
                wchar_t className[16] = L"";
                GetClassNameW(child, className, 16);
                if (lstrcmpW(className, L"#32770") == 0) {
                    FitPageToTab(sheet, child);
                    continue;
                }
                GetWindowRect(child, &rc);
                MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rc), 2);
                SetWindowPos(child, nullptr, rc.left + dx, rc.top + dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    CenterWindowOver(sheet, GetWindow(sheet, GW_OWNER));
}

INT_PTR CPropertySheet::DoModal() {
    std::vector<PROPSHEETPAGEW> pages;
    m_pageUnits = SIZE{};
    for (CPropertyPage* page : m_pages) {
        pages.push_back(page->Descriptor());
        SIZE units = TemplateUnits(pages.back());
        m_pageUnits.cx = std::max(m_pageUnits.cx, units.cx);
        m_pageUnits.cy = std::max(m_pageUnits.cy, units.cy);
    }
    HWND parent = m_hParent;
    CWinApp* app = CWinApp::Get();
    if (!parent && app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | (m_bNoApplyButton ? PSH_NOAPPLYNOW : 0);
    header.hwndParent = parent;
    header.hInstance = GetModuleHandleW(nullptr);
    const std::wstring caption = UiText(m_strCaption);
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = m_nStartPage;
    header.ppsp = pages.data();
    header.pfnCallback = Callback;
    CPropertySheet* outer = s_running;
    s_running = this;
    INT_PTR result = PropertySheetW(&header);
    s_running = outer;
    if (result < 0) return -1;
    return result > 0 ? IDOK : IDCANCEL;
}
