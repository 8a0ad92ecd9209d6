// The program is per-monitor DPI aware, so it scales what it sizes itself: every pixel size in
// the code (and every size it stores) is in pixels of a 96-DPI screen, and becomes the pixels
// of the window it is applied to through ScaleForDpi(size, WindowDpi(window)). A window that
// moves to a monitor of another scale hears WM_DPICHANGED and sizes itself again.
//
// The calls that know a monitor's or a window's own DPI came with Windows 8.1 and 10; they are
// looked up at run time, and without them (Vista to 8, Wine) every window is at the system DPI.
#pragma once

#include <windows.h>

#include "win/Handles.h"

// The system's dots per inch: the DPI of the primary monitor when the program started.
int ScreenDpi();
// 96-DPI pixels to pixels of the system DPI, and back; rounded to the nearest.
int ScaleToScreen(int pixels96);
int ScaleFromScreen(int pixels);
// 96-DPI pixels to pixels at dpi, and back; rounded to the nearest.
int ScaleForDpi(int pixels96, int dpi);
int ScaleFromDpi(int pixels, int dpi);

// The DPI hwnd is drawn at: its top-level window's, as that window last heard from
// WM_DPICHANGED (NoteWindowDpi), else what the system says of the window.
int WindowDpi(HWND hwnd);
// A top-level window heard WM_DPICHANGED: it and its children are drawn at dpi from now on.
void NoteWindowDpi(HWND topLevel, int dpi);
// The window is going: what NoteWindowDpi put on it is taken off.
void ForgetWindowDpi(HWND topLevel);
// The DPI of a monitor (the system DPI where the system cannot tell monitors apart).
int MonitorDpi(HMONITOR monitor);
// GetSystemMetrics as it is at dpi.
int SystemMetricForDpi(int index, int dpi);
// The user's message font (the one dialogs and panes show text in) at dpi.
LOGFONTW MessageFontForDpi(int dpi);
// A font made for fromDpi, the same size on a screen of toDpi.
LOGFONTW ScaleFont(const LOGFONTW& font, int fromDpi, int toDpi);
// Gives control its font (the one it shows now, or the message font) made for toDpi where it
// was made for fromDpi; the old font, if owned, is freed once the control has let go of it.
void RescaleControlFont(HWND control, CUniqueFont& owned, int fromDpi, int toDpi);
// The suggested rectangle of WM_DPICHANGED (lParam; without one, where hwnd is) and its new
// DPI (wParam).
RECT DpiChangedRect(HWND hwnd, LPARAM lParam);
int DpiChangedDpi(WPARAM wParam);

// Tests pretend a screen of dpi (for every window and monitor); 0 goes back to the real one.
void OverrideScreenDpi(int dpi);
