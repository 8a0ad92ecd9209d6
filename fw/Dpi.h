// The program declares itself DPI-aware, so it scales what it sizes itself: every pixel size
// in the code (and every size it stores) is in pixels of a 96-DPI screen, and becomes screen
// pixels through ScaleToScreen when it is applied.
#pragma once

// The screen's dots per inch (the system's; one value for every monitor).
int ScreenDpi();
// 96-DPI pixels to screen pixels, and back; rounded to the nearest.
int ScaleToScreen(int pixels96);
int ScaleFromScreen(int pixels);
// Tests pretend a screen of dpi; 0 goes back to the real one.
void OverrideScreenDpi(int dpi);
