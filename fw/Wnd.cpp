#include "fw/Wnd.h"

#include <commctrl.h>
#include <windowsx.h>
#undef SubclassWindow  // windowsx.h names a macro after our member function

#include <string>

#include "fw/WinApp.h"
#include "fw/Worker.h"
#include "win/Strconv.h"

namespace {
// Set while CreateEx runs, so that messages before WM_NCCREATE (WM_GETMINMAXINFO) find the object.
thread_local CWnd* t_creating = nullptr;
// Our subclass of a control, among any others the system or a library put on it, and the
// property that finds its object (the control's user data stays its own).
constexpr UINT_PTR kSubclassId = 0x504C5244;  // "PLRD"
const wchar_t kObjectProperty[] = L"Pelorand.CWnd";
}  // namespace

CWnd::~CWnd() {
    if (CWinApp* app = CWinApp::Get()) {
        if (app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
        app->RemoveMessageFilter(this);
    }
    if (m_hWnd && IsWindow(m_hWnd)) {
        // The object goes first: detach so that late messages do not reach a dead object.
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

void CWnd::Detach() {
    if (!m_hWnd) return;
    if (m_bSubclassed) {
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        RemovePropW(m_hWnd, kObjectProperty);
        m_bSubclassed = false;
    } else {
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    }
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (HANDLE object = GetPropW(hwnd, kObjectProperty)) return static_cast<CWnd*>(object);
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(StaticWndProc)) {
        return nullptr;  // not one of ours: its user data belongs to someone else
    }
    return reinterpret_cast<CWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void CWnd::RegisterClassOnce(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                             HICON icon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring name = UiText(className);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, name.c_str(), &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name.c_str();
    RegisterClassExW(&wc);
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int cx, int cy, HWND parent, HMENU menuOrId) {
    CWnd* previous = t_creating;
    t_creating = this;
    HWND hwnd = CreateWindowExW(exStyle, UiText(className).c_str(),
                                title ? UiText(title).c_str() : nullptr, style, x, y, cx, cy,
                                parent, menuOrId, GetModuleHandleW(nullptr), this);
    t_creating = previous;
    if (!hwnd) return false;
    m_hWnd = hwnd;
    return true;
}

bool CWnd::CreateControl(DWORD exStyle, const char* className, DWORD style, HWND parent, UINT id) {
    HWND hwnd = CreateWindowExW(exStyle, UiText(className).c_str(), L"", style, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    SubclassWindow(hwnd);
    return true;
}

void CWnd::SubclassWindow(HWND hwnd) {
    m_hWnd = hwnd;
    m_bSubclassed =
        SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    if (m_bSubclassed) SetPropW(hwnd, kObjectProperty, this);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR object) {
    return reinterpret_cast<CWnd*>(object)->Dispatch(msg, wParam, lParam);
}

bool CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

void CWnd::ModifyStyle(LONG_PTR remove, LONG_PTR add) {
    LONG_PTR style = GetStyle();
    LONG_PTR changed = (style & ~remove) | add;
    if (changed != style) SetWindowLongPtrW(m_hWnd, GWL_STYLE, changed);
}

RECT CWnd::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

void CWnd::SetWindowText(const std::string& text) {
    SetWindowTextUi(m_hWnd, text);
}

std::string CWnd::GetWindowText() const {
    return GetWindowTextUi(m_hWnd);
}

void CWnd::RedrawNow() {
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CWnd::SetRedraw(bool redraw) {
    SendMessageW(m_hWnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CWnd::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_bSubclassed) return DefSubclassProc(m_hWnd, msg, wParam, lParam);
    return DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

bool CWnd::OnReflectNotify(NMHDR*, LRESULT&) {
    return false;
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (msg == WM_NOTIFY) {
        // Controls report to their parent; the control's own object handles its notifications.
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        CWnd* child = FromHandle(header->hwndFrom);
        if (!child || child == this) return false;
        return child->OnReflectNotify(header, result);
    }
    if (msg == WM_COMMAND && lParam != 0) {
        CWnd* child = FromHandle(reinterpret_cast<HWND>(lParam));
        return child && child != this && child->OnReflectCommand(HIWORD(wParam));
    }
    return false;
}

LRESULT CWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, result)) return result;
    const CurrentMessage current{msg, wParam, lParam};
    const CurrentMessage* outer = m_pCurrent;  // a handler may cause messages of its own
    m_pCurrent = &current;
    struct Restore {
        const CurrentMessage*& slot;
        const CurrentMessage* value;
        ~Restore() { slot = value; }
    } restore{m_pCurrent, outer};
    if (CallTypedHandler(msg, wParam, lParam, result)) return result;
    return Default(msg, wParam, lParam);
}

LRESULT CWnd::DefaultNow() {
    return m_pCurrent ? Default(m_pCurrent->msg, m_pCurrent->wParam, m_pCurrent->lParam) : 0;
}

bool CWnd::CallTypedHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const UINT keys = static_cast<UINT>(GET_KEYSTATE_WPARAM(wParam));
    switch (msg) {
        case WM_PAINT:
            return OnPaint();
        case WM_PRINTCLIENT:
            return OnPrintClient(reinterpret_cast<HDC>(wParam));
        case WM_ERASEBKGND:
            result = TRUE;
            return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        case WM_SIZE:
            return OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        case WM_MOVE:
            return OnMove();
        case WM_TIMER:
            return OnTimer(static_cast<UINT_PTR>(wParam));
        case WM_CONTEXTMENU:
            return OnContextMenu(reinterpret_cast<HWND>(wParam), at);
        case WM_KEYDOWN:
            return OnKeyDown(static_cast<UINT>(wParam));
        case WM_MOUSEMOVE:
            return OnMouseMove(at, keys);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
            return OnButton(msg, at, keys);
        case WM_MOUSEWHEEL:
            return OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), keys, at);
        case WM_VSCROLL:
        case WM_HSCROLL:
            return OnScroll(msg == WM_VSCROLL, LOWORD(wParam));
        case WM_SETCURSOR:
            result = TRUE;
            return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam));
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        case WM_CLOSE:
            return OnClose();
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_DESTROY:
            OnDestroy();
            return false;
        default:
            return false;
    }
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Background work for this window is asked to stop, and nothing more it posts arrives;
    // a job blocked on the disk is not waited for.
    if (msg == WM_DESTROY) {
        for (CWorker* worker : m_workers) worker->OnOwnerDestroyed();
    }
    if (msg == CWorker::FailureMessage()) {
        for (CWorker* worker : m_workers) {
            if (!worker->IsFailureFrom(lParam)) continue;
            if (auto text = worker->Take<std::string>(wParam))
                ReportUnexpectedException(text->c_str());
        }
        return 0;
    }
    LRESULT result = 0;
    if (!CallGuarded([&] { result = WndProc(msg, wParam, lParam); })) {
        // A window whose creation failed half way must not be created at all.
        if (msg == WM_CREATE) result = -1;
        if (msg == WM_NCCREATE) result = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        Detach();
        // The loop ends with the main window, whatever kind of window it is.
        CWinApp* app = CWinApp::Get();
        if (app && app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        if (app) app->RemoveMessageFilter(this);
        PostNcDestroy();
    }
    return result;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = reinterpret_cast<CWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!wnd && msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        wnd = static_cast<CWnd*>(create->lpCreateParams);
        if (wnd) {
            wnd->m_hWnd = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wnd));
        }
    }
    if (!wnd && t_creating && !t_creating->m_hWnd) {
        wnd = t_creating;  // messages that come before WM_NCCREATE
        wnd->m_hWnd = hwnd;
    }
    if (!wnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return wnd->Dispatch(msg, wParam, lParam);
}
