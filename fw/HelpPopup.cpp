#include "fw/HelpPopup.h"

#include "fw/Dpi.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {
constexpr int kTextWidth = 300;  // pixels (at 96 DPI) of text per line before it wraps
constexpr int kPadding = 6;

CHelpPopup& Instance() {
    static CHelpPopup popup;
    return popup;
}

// The message font at dpi (made again only when the DPI asked for changes).
HFONT MessageFont(int dpi) {
    static CUniqueFont font;
    static int fontDpi = 0;
    if (!font || fontDpi != dpi) {
        const LOGFONTW message = MessageFontForDpi(dpi);
        font.Reset(CreateFontIndirectW(&message));
        fontDpi = dpi;
    }
    return font ? font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

RECT TextRect(const std::string& text, int dpi) {
    RECT rc{0, 0, ScaleForDpi(kTextWidth, dpi), 0};
    CClientDC dc(nullptr);
    CSelectObject font(dc, MessageFont(dpi));
    DrawTextUi(dc, text, &rc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return rc;
}
}  // namespace

DWORD HelpContextId(UINT dialogId, UINT controlId) {
    return 0x80000000u + (static_cast<DWORD>(dialogId) << 16) + (controlId & 0xFFFFu);
}

bool ControlCarriesHelp(HWND control, std::initializer_list<int> endButtons) {
    int id = GetDlgCtrlID(control);
    if (id <= 0 || id == 0xFFFF || id == IDOK || id == IDCANCEL) return false;
    for (int end : endButtons) {
        if (id == end) return false;
    }
    wchar_t className[32] = L"";
    GetClassNameW(control, className, 32);
    if (lstrcmpiW(className, L"Static") == 0) return false;
    if (lstrcmpiW(className, L"Button") == 0) {
        LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_GROUPBOX) return false;
    }
    return true;
}

HWND CHelpPopup::Show(const char* className, HWND owner, POINT at, const std::string& text) {
    Close();
    CHelpPopup& popup = Instance();
    RegisterClassOnce(className, CS_SAVEBITS | CS_DROPSHADOW, LoadCursor(nullptr, IDC_ARROW),
                      nullptr);
    // Drawn for the monitor it shows on, which may not be the owner's.
    const HMONITOR onMonitor = MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    popup.m_dpi = MonitorDpi(onMonitor);
    RECT textRect = TextRect(text, popup.m_dpi);
    const int padding = ScaleForDpi(kPadding, popup.m_dpi);
    int width = textRect.right - textRect.left + 2 * padding + 2;
    int height = textRect.bottom - textRect.top + 2 * padding + 2;
    // Kept on the monitor's work area, below and right of the point where there is room.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    int x = at.x, y = at.y;
    if (GetMonitorInfoW(onMonitor, &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = at.y - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    popup.m_bClosing = false;
    popup.m_strText = text;
    if (!popup.CreateEx(WS_EX_TOOLWINDOW, className, text.c_str(), WS_POPUP | WS_BORDER, x, y,
                        width, height, top, nullptr)) {
        return nullptr;
    }
    ShowWindow(popup.m_hWnd, SW_SHOW);
    SetFocus(popup.m_hWnd);
    return popup.m_hWnd;
}

HWND CHelpPopup::Current() {
    HWND hwnd = Instance().m_hWnd;
    return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

void CHelpPopup::Close() {
    CHelpPopup& popup = Instance();
    if (!popup.m_hWnd || popup.m_bClosing) return;
    popup.m_bClosing = true;  // losing the focus while going must not close it twice
    HWND owner = GetWindow(popup.m_hWnd, GW_OWNER);
    bool wasActive = GetActiveWindow() == popup.m_hWnd;
    popup.DestroyWindow();
    if (wasActive && owner && IsWindow(owner)) SetActiveWindow(owner);
}

void CHelpPopup::Paint() {
    CPaintDC dc(m_hWnd);
    RECT rc = GetClientRect();
    FillRect(dc, &rc, GetSysColorBrush(COLOR_INFOBK));
    CSelectObject font(dc, MessageFont(m_dpi));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&rc, -ScaleForDpi(kPadding, m_dpi), -ScaleForDpi(kPadding, m_dpi));
    DrawTextUi(dc, m_strText, &rc, DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CHelpPopup::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SYSKEYDOWN:
            Close();
            return 0;
        case WM_KILLFOCUS:
            if (!m_bClosing) PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE && !m_bClosing) PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
    return CWnd::WndProc(msg, wParam, lParam);
}

bool CHelpPopup::OnButton(UINT msg, POINT, UINT) {
    if (msg != WM_LBUTTONDOWN && msg != WM_RBUTTONDOWN && msg != WM_MBUTTONDOWN) return false;
    Close();
    return true;
}
