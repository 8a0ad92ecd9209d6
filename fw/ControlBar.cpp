#include "fw/ControlBar.h"

int CControlBar::CalcHeight(int width) {
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    (void)width;
    return rc.bottom - rc.top;
}
