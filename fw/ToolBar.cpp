#include "fw/ToolBar.h"

#include <commctrl.h>

#include "fw/CmdUI.h"
#include "fw/Dpi.h"
#include "fw/FrameWnd.h"

namespace {

const LPCWSTR kRtToolbar = MAKEINTRESOURCEW(241);

struct ToolBarLayout {
    int width = 0, height = 0;
    std::vector<UINT> items;  // command ids, 0 for a separator
};

// Two layouts exist: 16-bit fields (version 1, width, height, count, ids) as Microsoft's
// resource compiler writes them, and 32-bit fields without a version (width, height, count,
// ids) as GNU windres writes them. The size tells them apart.
bool ParseToolBarResource(const unsigned char* data, DWORD size, ToolBarLayout& layout) {
    auto word = [&](DWORD at) { return static_cast<UINT>(data[at] | (data[at + 1] << 8)); };
    auto dword = [&](DWORD at) { return word(at) | (word(at + 2) << 16); };
    if (size >= 8 && word(0) == 1 && size == 8 + 2 * word(6)) {
        layout.width = static_cast<int>(word(2));
        layout.height = static_cast<int>(word(4));
        for (UINT i = 0; i < word(6); ++i) layout.items.push_back(word(8 + 2 * i));
        return true;
    }
    if (size >= 12 && size == 12 + 4 * dword(8)) {
        layout.width = static_cast<int>(dword(0));
        layout.height = static_cast<int>(dword(4));
        for (UINT i = 0; i < dword(8); ++i) layout.items.push_back(dword(12 + 4 * i));
        return true;
    }
    return false;
}

// Light grey is the bitmap's background: masked out, so that the buttons take the face
// colour and disabled ones are drawn embossed from the mask.
const COLORREF kMaskColour = RGB(192, 192, 192);

// The strip of button images, width by height each, drawn at dpi. Stretched
// pixel for pixel (no blending), so that the mask colour stays exact at the edges.
CUniqueImageList LoadButtonImages(UINT resourceId, int width, int height, int count, int dpi) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    CUniqueBitmap strip(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return CUniqueImageList();
    BITMAP info{};
    GetObjectW(strip.Get(), sizeof info, &info);
    int scaledWidth = ScaleForDpi(width, dpi), scaledHeight = ScaleForDpi(height, dpi);
    int scaledStrip = ScaleForDpi(info.bmWidth, dpi);
    CClientDC screen(nullptr);
    CUniqueBitmap scaled(CreateCompatibleBitmap(screen, scaledStrip, scaledHeight));
    if (!scaled) return CUniqueImageList();
    {
        CMemoryDC from(screen), to(screen);
        CSelectObject selectFrom(from, strip.Get()), selectTo(to, scaled.Get());
        SetStretchBltMode(to, COLORONCOLOR);
        StretchBlt(to, 0, 0, scaledStrip, scaledHeight, from, 0, 0, info.bmWidth, info.bmHeight,
                   SRCCOPY);
    }
    CUniqueImageList list(
        ImageList_Create(scaledWidth, scaledHeight, ILC_COLOR24 | ILC_MASK, count, 0));
    if (list && ImageList_AddMasked(list.Get(), scaled.Get(), kMaskColour) < 0) list.Reset();
    return list;
}

class CToolCmdUI : public CCmdUI {
  public:
    CToolCmdUI(HWND toolbar, UINT id) : CCmdUI(id), m_toolbar(toolbar) {}
    void Apply() {
        SendMessageW(m_toolbar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(m_bEnabled ? TRUE : FALSE, 0));
        SendMessageW(m_toolbar, TB_CHECKBUTTON, m_nID, MAKELPARAM(m_nCheck ? TRUE : FALSE, 0));
    }

  private:
    HWND m_toolbar;
};

}  // namespace

bool CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
    if (!CreateControl(0, "ToolbarWindow32",
                       style | WS_CHILD | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                       parent->m_hWnd, id)) {
        return false;
    }
    SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Tips are asked for in UTF-16, so that they read the same on any code page.
    SendMessageW(m_hWnd, TB_SETUNICODEFORMAT, TRUE, 0);
    // Notifications (tooltips, hot items) go to the frame even when a rebar holds the bar.
    SendMessageW(m_hWnd, TB_SETPARENT, reinterpret_cast<WPARAM>(parent->m_hWnd), 0);
    return true;
}

bool CToolBar::LoadToolBar(UINT resourceId) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), kRtToolbar);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(instance, found);
    const auto* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    ToolBarLayout layout;
    if (!data || !ParseToolBarResource(data, SizeofResource(instance, found), layout)) return false;
    m_resourceId = resourceId;
    m_items = layout.items;
    m_imageSize = SIZE{layout.width, layout.height};
    return AddButtons(WindowDpi(m_hWnd));
}

void CToolBar::OnDpiChanged(int oldDpi, int newDpi) {
    if (m_items.empty()) return;
    // The buttons again, with images and gaps drawn for the new DPI; their states come back
    // at the next idle time.
    const DWORD button = static_cast<DWORD>(SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    while (SendMessageW(m_hWnd, TB_DELETEBUTTON, 0, 0)) {
    }
    AddButtons(newDpi);
    SendMessageW(m_hWnd, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(MulDiv(LOWORD(button), newDpi, oldDpi),
                            MulDiv(HIWORD(button), newDpi, oldDpi)));
    SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
}

bool CToolBar::AddButtons(int dpi) {
    const ToolBarLayout layout{static_cast<int>(m_imageSize.cx), static_cast<int>(m_imageSize.cy),
                               m_items};
    int images = 0;
    std::vector<TBBUTTON> buttons;
    m_ids.clear();
    for (UINT id : layout.items) {
        TBBUTTON button{};
        if (id == 0) {
            button.iBitmap = ScaleForDpi(6, dpi);  // the gap of a separator
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = images++;
            button.idCommand = static_cast<int>(id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
            m_ids.push_back(id);
        }
        buttons.push_back(button);
    }
    CUniqueImageList list =
        LoadButtonImages(m_resourceId, layout.width, layout.height, images, dpi);
    if (!list) return false;
    SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0,
                 MAKELPARAM(ScaleForDpi(layout.width, dpi), ScaleForDpi(layout.height, dpi)));
    SendMessageW(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list.Get()));
    m_imageList = std::move(list);  // the toolbar does not own it
    if (!SendMessageW(m_hWnd, TB_ADDBUTTONSW, buttons.size(),
                      reinterpret_cast<LPARAM>(buttons.data()))) {
        return false;
    }
    SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    return true;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler) {
    for (UINT id : m_ids) {
        CToolCmdUI ui(m_hWnd, id);
        if (!target->RouteCmdMsg(id, &ui) && disableIfNoHandler) ui.m_bEnabled = false;
        ui.Apply();
    }
}

SIZE CToolBar::GetMaxSize() const {
    SIZE size{};
    SendMessageW(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size;
}
