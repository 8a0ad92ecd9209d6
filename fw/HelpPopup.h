// Context help in dialogs: which controls carry a help context id, the id itself, and a small
// pop-up window that shows a topic's text beside the control, as the system's help pop-ups do
// (closed by a click, a key, or when it loses the focus). One pop-up at a time.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "fw/Wnd.h"

// 2147483648 + dialog id × 65536 + control id.
DWORD HelpContextId(UINT dialogId, UINT controlId);

// Whether a dialog's control carries help: static texts, pictures and frames, group boxes,
// controls without an id, and the buttons that end the dialog (IDOK, IDCANCEL and the ids in
// endButtons) carry none.
bool ControlCarriesHelp(HWND control, std::initializer_list<int> endButtons = {});

class CHelpPopup : public CWnd {
  public:
    // Shows text near the screen point at, owned by owner's top-level window, in a window of
    // the program's class className; a pop-up already shown closes first. Returns its window.
    static HWND Show(const char* className, HWND owner, POINT at, const std::string& text);
    // The pop-up on screen, or null.
    static HWND Current();
    static void Close();

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override {
        Paint();
        return true;
    }
    // Any key or button closes it, as a tip does.
    bool OnKeyDown(UINT) override {
        Close();
        return true;
    }
    bool OnButton(UINT msg, POINT at, UINT keys) override;
    bool OnClose() override {
        Close();
        return true;
    }

  private:
    void Paint();
    bool m_bClosing = false;
    std::string m_strText;  // the program's text (CP932), drawn through the wide functions
    int m_dpi = 96;         // of the monitor it shows on
};
