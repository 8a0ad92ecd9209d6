#include "views/ViewEditing.h"

#include <commctrl.h>

#include <algorithm>

#include "fw/WinApp.h"
#include "model/Block.h"
#include "win/Handles.h"
#include "win/Strconv.h"

const char kDeleteQuestion[] = "削除していいですか？";
const char kNameNotCp932Message[] =
    "名前には、シフト JIS で表せない文字は使えません。\n名前はそのままになります";

namespace {
constexpr int kScrollBand = 32;

// Whether the bar can move towards its start (-1) or its end (+1).
bool CanScroll(HWND hwnd, int bar, int direction) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(hwnd, bar, &info)) return false;
    int limit = info.nMax - static_cast<int>(info.nPage > 0 ? info.nPage - 1 : 0);
    int maximum = std::min(info.nMax, limit);
    return direction < 0 ? info.nPos != info.nMin : info.nPos < maximum;
}
}  // namespace

DWORD DragScrollAtEdges(HWND hwnd, POINT point) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const int midY = (rc.top + rc.bottom) / 2, midX = (rc.left + rc.right) / 2;
    int vertical = 0, horizontal = 0;  // -1 towards the start, +1 towards the end
    if (point.y < midY && point.y - rc.top <= kScrollBand && CanScroll(hwnd, SB_VERT, -1)) {
        vertical = -1;
    } else if (point.y >= midY && rc.bottom - point.y <= kScrollBand &&
               CanScroll(hwnd, SB_VERT, 1)) {
        vertical = 1;
    }
    if (point.x < midX && point.x - rc.left <= kScrollBand && CanScroll(hwnd, SB_HORZ, -1)) {
        horizontal = -1;
    } else if (point.x >= midX && rc.right - point.x <= kScrollBand &&
               CanScroll(hwnd, SB_HORZ, 1)) {
        horizontal = 1;
    }
    if (!vertical && !horizontal) return DROPEFFECT_NONE;
    ImageList_DragShowNolock(FALSE);
    if (vertical) SendMessageW(hwnd, WM_VSCROLL, vertical < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    if (horizontal) SendMessageW(hwnd, WM_HSCROLL, horizontal < 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    ImageList_DragShowNolock(TRUE);
    return DROPEFFECT_SCROLL;
}

void TrackViewPopup(HWND view, UINT menuId, POINT point) {
    CUniqueMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup) return;
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0,
                   GetAncestor(view, GA_ROOT), nullptr);
}


bool LabelText(const void* text, bool wide, std::string& out) {
    out.clear();
    if (!text) return true;
    if (!wide) {
        out = static_cast<const char*>(text);
        return true;
    }
    if (ToMultiByte(static_cast<const wchar_t*>(text), out)) return true;
    CWinApp::Get()->DoMessageBox(kNameNotCp932Message, MB_OK | MB_ICONEXCLAMATION);
    return false;
}
