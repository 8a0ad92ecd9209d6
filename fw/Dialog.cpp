#include "fw/Dialog.h"

#include "fw/DataExchange.h"
#include "fw/Ids.h"
#include "fw/WinApp.h"

void (*CDialog::s_onShown)(CDialog& dialog) = nullptr;

namespace {
// Posted at WM_INITDIALOG when a test waits for the dialog to open.
const UINT kShownMessage = WM_FW_DIALOG_SHOWN;
}  // namespace

CDialog::~CDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        // The object goes first: detach so that the last messages do not reach it.
        SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        HWND hwnd = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(hwnd);
    }
}

HWND CDialog::DefaultParent() const {
    if (m_hParent) return m_hParent;
    CWinApp* app = CWinApp::Get();
    return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal() {
    m_bModal = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate),
                           DefaultParent(), StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
    m_bModal = false;
    if (parent) m_hParent = parent;
    HWND hwnd =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate),
                           DefaultParent(), StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd || !IsWindow(hwnd)) return false;  // it may have ended in WM_INITDIALOG
    if (CWinApp* app = CWinApp::Get()) app->AddMessageFilter(this);
    return true;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_bModal) {
        ::EndDialog(m_hWnd, result);
    } else {
        DestroyWindow();
    }
}

bool CDialog::PreTranslateMessage(MSG* msg) {
    return !m_bModal && m_hWnd && IsDialogMessageW(m_hWnd, msg);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    return DoDataExchange(dx);
}

void CDialog::CenterWindow(HWND owner) {
    CenterWindowOver(m_hWnd, owner);
}

void CenterWindowOver(HWND window, HWND owner) {
    if (!owner) owner = GetWindow(window, GW_OWNER);
    RECT area{};
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT rc{};
    GetWindowRect(window, &rc);
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Kept on the monitor's work area, so that a frame near the edge does not push it off.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

LRESULT CDialog::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            RECT placed{};
            GetWindowRect(m_hWnd, &placed);
            bool focusDefault = true;
            if (!CallGuarded([&] { focusDefault = OnInitDialog(); })) {
                // A dialog that could not fill itself is not shown half filled.
                EndDialog(-1);
                return FALSE;
            }
            // Over the window it belongs to, unless it placed itself or is a page of a sheet.
            RECT now{};
            GetWindowRect(m_hWnd, &now);
            if (EqualRect(&placed, &now) && !(GetStyle() & (WS_CHILD | DS_ABSALIGN))) {
                CenterWindow();
            }
            if (s_onShown) PostMessageW(m_hWnd, kShownMessage, 0, 0);
            return focusDefault ? TRUE : FALSE;
        }
        case kShownMessage:
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
            if (OnCommand(id, HIWORD(wParam))) return TRUE;
            LRESULT ignored = 0;
            return ReflectToChild(msg, wParam, lParam, ignored) ? TRUE : FALSE;
        }
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (OnNotify(reinterpret_cast<NMHDR*>(lParam), result) ||
                ReflectToChild(msg, wParam, lParam, result)) {
                SetMsgResult(result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_HELP:
            if (OnHelp(*reinterpret_cast<const HELPINFO*>(lParam))) {
                SetMsgResult(TRUE);
                return TRUE;
            }
            return FALSE;
        default: {
            LRESULT result = 0;
            if (!CallTypedHandler(msg, wParam, lParam, result)) return FALSE;
            SetMsgResult(result);
            return TRUE;
        }
    }
}

INT_PTR CDialog::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, CDialog* object) {
    CDialog* dialog = object;
    if (dialog) {
        dialog->m_hWnd = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!dialog) return FALSE;
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    return static_cast<INT_PTR>(dialog->Dispatch(msg, wParam, lParam));
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Route(hwnd, msg, wParam, lParam,
                 msg == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : nullptr);
}
