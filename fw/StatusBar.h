// A status bar of panes: a stretching message pane (id 0) and fixed panes that show the
// text their command-state handlers give at idle time.
#pragma once

#include <string>
#include <vector>

#include "fw/ControlBar.h"
#include "win/Handles.h"

class CStatusBar : public CControlBar {
  public:
    bool Create(CWnd* parent, DWORD style, UINT id);
    bool SetIndicators(const UINT* ids, int count);
    void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) override;
    int CalcHeight(int width) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

    int GetCount() const { return static_cast<int>(m_panes.size()); }
    UINT GetItemID(int index) const { return m_panes.at(static_cast<std::size_t>(index)).id; }
    void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    std::string GetPaneText(int index) const;
    void SetPaneText(int index, const std::string& text);
    HFONT GetFont() const;
    // The width of text in the bar's font.
    int TextWidth(const std::string& text) const;

  private:
    struct Pane {
        UINT id;
        UINT style;
        int width;  // text width; 0 for the stretching message pane
        std::string text;
    };
    void UpdateParts();
    std::vector<Pane> m_panes;
    CUniqueFont m_dpiFont;  // the font made for the frame's DPI, once it moved
};
