#include "views/PageToolTip.h"

#include <commctrl.h>

#include "win/Strconv.h"

bool CPageToolTip::Create(HWND owner) {
    m_owner = owner;
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr,
                             nullptr);
    if (!m_hWnd) return false;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = 0;  // mouse messages are relayed after the tool's place is updated
    tool.hwnd = owner;
    tool.uId = 1;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(m_hWnd, TTM_SETMAXTIPWIDTH, 0, 640);
    return true;
}

void CPageToolTip::Destroy() {
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void CPageToolTip::SetToolRect(const RECT& onOwner) {
    if (!m_hWnd) return;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = m_owner;
    tool.uId = 1;
    tool.rect = onOwner;
    SendMessageW(m_hWnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CPageToolTip::Relay(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return;
    MSG relayed{m_owner, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&relayed.pt);
    SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

bool CPageToolTip::OnNotify(NMHDR* header, const std::string& text) {
    if (!IsFrom(header) || header->code != TTN_GETDISPINFOW) return false;
    m_text = ToWide(text);
    reinterpret_cast<NMTTDISPINFOW*>(header)->lpszText = &m_text[0];
    return true;
}
