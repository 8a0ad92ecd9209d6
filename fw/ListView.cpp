#include "fw/ListView.h"

#include <vector>

#include "win/Strconv.h"

bool CListView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    if (!CreateControlView("SysListView32", parent, id, size, doc)) return false;
    AskTextsInUtf16();
    return true;
}

void CListView::AskTextsInUtf16() {
    SendMessageW(m_hWnd, CCM_SETUNICODEFORMAT, TRUE, 0);
}

LRESULT CListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFYFORMAT && lParam == NF_REQUERY) {
        Default(msg, wParam, lParam);
        AskTextsInUtf16();
        return NFR_UNICODE;
    }
    return CView::WndProc(msg, wParam, lParam);
}

int CListView::InsertColumn(int index, const std::string& title, int format) {
    std::wstring text = UiText(title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = format;
    column.pszText = &text[0];
    column.iSubItem = index;
    return static_cast<int>(
        SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int CListView::GetColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListView::GetColumnWidth(int column) const {
    return static_cast<int>(SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, column, 0));
}

void CListView::OnDpiChanged(int oldDpi, int newDpi) {
    CView::OnDpiChanged(oldDpi, newDpi);
    for (int i = 0, count = GetColumnCount(); i < count; ++i)
        SetColumnWidth(i, MulDiv(GetColumnWidth(i), newDpi, oldDpi));
}

bool CListView::SetColumnWidth(int column, int width) {
    return SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
}

int CListView::InsertItem(int index, const std::string& text, int image) {
    std::wstring wide = UiText(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = &wide[0];
    item.iImage = image;
    return static_cast<int>(
        SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListView::InsertDeferredItem(int index, bool textFromOwner, const std::string& text) {
    std::wstring wide = UiText(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = textFromOwner ? LPSTR_TEXTCALLBACKW : &wide[0];
    item.iImage = I_IMAGECALLBACK;
    return static_cast<int>(
        SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetDeferredItemText(int index, int subItem) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = LPSTR_TEXTCALLBACKW;
    return SendMessageW(m_hWnd, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListView::SetItemText(int index, int subItem, const std::string& text) {
    std::wstring wide = UiText(text);
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = &wide[0];
    return SendMessageW(m_hWnd, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListView::GetItemText(int index, int subItem) const {
    std::vector<wchar_t> buffer(4096, L'\0');
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(m_hWnd, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return UiFromWide(buffer.data());
}

bool CListView::SetItemData(int index, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return SendMessageW(m_hWnd, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM CListView::GetItemData(int index) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

bool CListView::SetCheck(int index, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return SendMessageW(m_hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListView::GetCheck(int index) const {
    UINT state =
        static_cast<UINT>(SendMessageW(m_hWnd, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int CListView::GetItemCount() const {
    return static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

bool CListView::DeleteAllItems() {
    return SendMessageW(m_hWnd, LVM_DELETEALLITEMS, 0, 0) != 0;
}

int CListView::GetImage(int index) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    if (!SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.iImage;
}

DWORD CListView::SetExtendedStyle(DWORD mask, DWORD style) {
    return static_cast<DWORD>(SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
}

HIMAGELIST CListView::SetImageList(HIMAGELIST list, int which) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessageW(m_hWnd, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
}

bool CListView::SetItemCount(int count) {
    return SendMessageW(m_hWnd, LVM_SETITEMCOUNT, count, 0) != 0;
}

bool CListView::SetCallbackMask(UINT mask) {
    return SendMessageW(m_hWnd, LVM_SETCALLBACKMASK, mask, 0) != 0;
}

bool CListView::RedrawItems(int first, int last) {
    return SendMessageW(m_hWnd, LVM_REDRAWITEMS, first, last) != 0;
}

int CListView::GetNextItem(int after, UINT flags) const {
    return static_cast<int>(SendMessageW(m_hWnd, LVM_GETNEXTITEM, after, MAKELPARAM(flags, 0)));
}

int CListView::GetSelectedCount() const {
    return static_cast<int>(SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0));
}

bool CListView::SetItemState(int index, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    return SendMessageW(m_hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}
