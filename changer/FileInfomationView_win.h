// The small floating window that tells which wallpaper the changer has just set: file name,
// priority label, author and comment, one per line, in the creator's font and colours.
//
// Use:
//   CFileInfomationView view;              // texts hold the four labels until the first change
//   view.m_crBack = ...; view.m_crText = ...; view.m_lf = ...;   // colours and font
//   view.m_bDispName = ... (and the other three switches)
//   view.SetSettings(&settings);           // the program's settings, handed by the owner
//   view.m_bPersist = TRUE;                // place, size and font from those settings, and every
//                                          // move or resize written back (the preview leaves it
//                                          off)
//   view.Create(exStyle, style, title, rect, parent);
//   view.SetTexts(name, priority, author, comment);   // or set m_strName... and RedrawNow()
//
// The window never takes the focus from the application the user is working in: it is shown
// without activation and refuses activation by the mouse. It ignores WM_CLOSE, so without a
// system menu the user can move and resize it but not close it; DestroyWindow still works.
#pragma once

#include <windows.h>

#include <string>

#include "changer/ChangerSeams.h"
#include "fw/Wnd.h"

class CSettings;

class CFileInfomationView : public CWnd, public IInfoSink {
  public:
    CFileInfomationView();

    // The settings a persisting window loads from and saves to, handed by its owner; without
    // them the window persists nothing.
    void SetSettings(CSettings* settings) { m_pSettings = settings; }

    // Creates the window. A visible style is honoured by showing it without activating it,
    // after it has placed itself.
    bool Create(DWORD exStyle, DWORD style, const char* title, const RECT& rect, HWND parent,
                UINT id = 0);

    // A right-click (or the menu key) asks target for its menu with message, lParam the screen
    // point as WM_CONTEXTMENU gives it. Without a target there is no menu (the options'
    // preview).
    void SetCommandTarget(HWND target, UINT message) {
        m_hCommandTarget = target;
        m_uMenuMessage = message;
    }

    // A stored place that lies on no monitor any more (one was unplugged), or is larger than
    // the work area, brought onto the nearest monitor's work area, as much of its size as
    // fits there; a place on a monitor that fits it is kept as it is. Places and sizes are in
    // the pixels of the monitor they are on.
    // whole: the place is brought wholly onto the work area even when it lies on a monitor.
    static RECT OntoMonitor(const RECT& stored, bool whole = false);
    // The window's place from the four stored numbers, whatever they hold (edited by hand,
    // or left by another program): no size below what the frame needs at its monitor's DPI
    // or above that monitor's work area, no sum that overflows, and a place on a monitor.
    static RECT FromStored(int left, int top, int width, int height);

    // Stores the four texts and repaints at once.
    void SetTexts(const std::string& name, const std::string& priority, const std::string& author,
                  const std::string& comment);
    void ShowWallpaperInfo(const WallpaperInfo& info) override;

    // The text painted: each switched-on line, every line but the comment ended by "\n".
    std::string GetDisplayText() const;
    // Paints into dc over client, as WM_PAINT does (also answers WM_PRINTCLIENT).
    void Paint(HDC dc, const RECT& client) const;

    static const char kClassName[];

    COLORREF m_crBack;
    COLORREF m_crText;
    LOGFONTW m_lf;
    int m_bDispName = TRUE;
    int m_bDispPriority = TRUE;
    int m_bDispAuthor = TRUE;
    int m_bDispComment = TRUE;
    BYTE m_bPersist = FALSE;
    std::string m_strName;
    std::string m_strPriority;
    std::string m_strAuthor;
    std::string m_strComment;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnMove() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnContextMenu(HWND from, POINT screen) override;
    bool OnPaint() override;
    bool OnPrintClient(HDC dc) override;
    bool OnEraseBkgnd(HDC) override { return true; }  // the paint fills the whole client area
    bool OnClose() override { return true; }           // only its owner ends it

  private:
    // Whether place, size and font are loaded and stored: asked for, and settings to use.
    bool Persists() const { return m_bPersist && m_pSettings; }
    void LoadPlacementAndFont();
    void SavePlacement();
    // Moved to a monitor of dpi: the text is drawn at it, and the window takes the suggested
    // rectangle inside that monitor's work area.
    void OnDpiChanged(int dpi, const RECT& suggested);

    CSettings* m_pSettings = nullptr;
    HWND m_hCommandTarget = nullptr;
    UINT m_uMenuMessage = 0;
    bool m_bPlacing = false;  // moving to the stored place, which is in its monitor's pixels
};
