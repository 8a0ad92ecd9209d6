// The state of one command as a menu item, toolbar button or status pane shows it.
// The base class records what the handler set; the concrete kinds also apply it.
#pragma once

#include <string>

class CCmdUI {
  public:
    explicit CCmdUI(unsigned id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(bool on = true) {
        m_bEnabled = on;
        m_bEnableChanged = true;
    }
    virtual void SetCheck(int check = 1) { m_nCheck = check; }
    // A radio mark; as with menus of this kind, off means no mark at all.
    virtual void SetRadio(bool on = true) {
        m_nCheck = on ? 1 : 0;
        m_bRadio = on;
    }
    virtual void SetText(const std::string& text) {
        m_strText = text;
        m_bTextSet = true;
    }

    unsigned m_nID;
    bool m_bEnabled = true;
    bool m_bEnableChanged = false;
    int m_nCheck = 0;
    bool m_bRadio = false;
    std::string m_strText;
    bool m_bTextSet = false;
};
