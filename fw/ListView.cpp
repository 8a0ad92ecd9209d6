#include "fw/ListView.h"

#include <vector>

#include "win/Strconv.h"

bool CListView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    if (!CreateControlView(WC_LISTVIEWA, parent, id, size, doc)) return false;
    AskTextsInUtf16();
    return true;
}

void CListView::AskTextsInUtf16() {
    SendMessageA(m_hWnd, CCM_SETUNICODEFORMAT, TRUE, 0);
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
    HWND header = reinterpret_cast<HWND>(SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListView::GetColumnWidth(int column) const {
    return static_cast<int>(SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, column, 0));
}

bool CListView::SetColumnWidth(int column, int width) {
    return SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
}

int CListView::InsertItem(int index, const std::string& text, int image) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = image;
    return static_cast<int>(
        SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListView::InsertDeferredItem(int index, bool textFromOwner, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = textFromOwner ? LPSTR_TEXTCALLBACKA : const_cast<char*>(text.c_str());
    item.iImage = I_IMAGECALLBACK;
    return static_cast<int>(
        SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetDeferredItemText(int index, int subItem) {
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = LPSTR_TEXTCALLBACKA;
    return SendMessageA(m_hWnd, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListView::SetItemText(int index, int subItem, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text.c_str());
    return SendMessageA(m_hWnd, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListView::GetItemText(int index, int subItem) const {
    std::vector<char> buffer(4096, '\0');
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageA(m_hWnd, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return std::string(buffer.data());
}

bool CListView::SetItemData(int index, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM CListView::GetItemData(int index) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

bool CListView::SetCheck(int index, bool checked) {
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return SendMessageA(m_hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListView::GetCheck(int index) const {
    UINT state =
        static_cast<UINT>(SendMessageA(m_hWnd, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int CListView::GetItemCount() const {
    return static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

bool CListView::DeleteAllItems() {
    return SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0) != 0;
}

int CListView::GetImage(int index) const {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    if (!SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.iImage;
}

DWORD CListView::SetExtendedStyle(DWORD mask, DWORD style) {
    return static_cast<DWORD>(SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
}

HIMAGELIST CListView::SetImageList(HIMAGELIST list, int which) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessageA(m_hWnd, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
}

bool CListView::SetItemCount(int count) {
    return SendMessageA(m_hWnd, LVM_SETITEMCOUNT, count, 0) != 0;
}

bool CListView::SetCallbackMask(UINT mask) {
    return SendMessageA(m_hWnd, LVM_SETCALLBACKMASK, mask, 0) != 0;
}

bool CListView::RedrawItems(int first, int last) {
    return SendMessageA(m_hWnd, LVM_REDRAWITEMS, first, last) != 0;
}

int CListView::GetNextItem(int after, UINT flags) const {
    return static_cast<int>(SendMessageA(m_hWnd, LVM_GETNEXTITEM, after, MAKELPARAM(flags, 0)));
}

int CListView::GetSelectedCount() const {
    return static_cast<int>(SendMessageA(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0));
}

bool CListView::SetItemState(int index, UINT state, UINT mask) {
    LVITEMA item{};
    item.stateMask = mask;
    item.state = state;
    return SendMessageA(m_hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}
