// The thumbnail pane's tool tip: one tool, moved to the thumbnail under the mouse, whose text
// (the thumbnail's alternative text) the pane gives when the tip asks for it.
#pragma once

#include <windows.h>

#include <string>

class CPageToolTip {
  public:
    CPageToolTip() = default;
    CPageToolTip(const CPageToolTip&) = delete;
    CPageToolTip& operator=(const CPageToolTip&) = delete;
    ~CPageToolTip() { Destroy(); }

    bool Create(HWND owner);
    void Destroy();
    explicit operator bool() const { return m_hWnd != nullptr; }

    // The tool is the thumbnail under the mouse: moving onto another shows its own text. An
    // empty rectangle: none.
    void SetToolRect(const RECT& onOwner);
    // A mouse message of the owner, after the tool's place was brought up to date.
    void Relay(UINT msg, WPARAM wParam, LPARAM lParam);
    // The tip's own notification, answered with text; false for any other.
    bool OnNotify(NMHDR* header, const std::string& text);
    // Whether a notification comes from the tip.
    bool IsFrom(const NMHDR* header) const { return m_hWnd && header->hwndFrom == m_hWnd; }

  private:
    HWND m_hWnd = nullptr;
    HWND m_owner = nullptr;
    std::wstring m_text;  // shown while the tip is up: it must outlive the answer
};
