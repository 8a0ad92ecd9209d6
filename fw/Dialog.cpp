#include "fw/Dialog.h"

#include <exception>

#include "fw/DataExchange.h"
#include "fw/FrameWnd.h"
#include "fw/WinApp.h"

void (*CDialog::s_onShown)(CDialog& dialog) = nullptr;

INT_PTR CDialog::DoModal() {
    HWND parent = m_hParent;
    if (!parent && CWinApp::Get() && CWinApp::Get()->m_pMainWnd) {
        parent = CWinApp::Get()->m_pMainWnd->m_hWnd;
    }
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                           StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    return DoDataExchange(dx);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

LRESULT CDialog::WndProc(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            bool focusDefault = OnInitDialog();
            if (s_onShown) PostMessageA(m_hWnd, WM_APP + 0x7F, 0, 0);
            return focusDefault ? TRUE : FALSE;
        }
        case WM_APP + 0x7F:
            if (s_onShown) s_onShown(*this);
            return TRUE;
        case WM_COMMAND: {
            UINT id = LOWORD(wParam);
            if (id == IDOK) {
                OnOK();
                return TRUE;
            }
            if (id == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return OnCommand(id, HIWORD(wParam)) ? TRUE : FALSE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (msg == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!dialog) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = static_cast<INT_PTR>(dialog->WndProc(msg, wParam, lParam));
    } catch (const std::exception& e) {
        ReportUnexpectedException(e.what());
    } catch (...) {
        ReportUnexpectedException("unknown exception");
    }
    if (msg == WM_NCDESTROY) dialog->m_hWnd = nullptr;
    return result;
}
