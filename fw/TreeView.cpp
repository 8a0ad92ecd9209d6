#include "fw/TreeView.h"

#include <vector>

#include "win/Strconv.h"

bool CTreeView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    return CreateControlView("SysTreeView32", parent, id, size, doc);
}

HTREEITEM CTreeView::InsertItem(HTREEITEM parent, const std::string& text, int image,
                                int selectedImage, LPARAM data) {
    return InsertItem(parent, text, image, selectedImage, data, -2);
}

HTREEITEM CTreeView::InsertItem(HTREEITEM parent, const std::string& text, int image,
                                int selectedImage, LPARAM data, int children) {
    // Labels are the collection's texts (CP932): as UTF-16 they read the same on any system.
    std::wstring wide = UiText(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = &wide[0];
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = data;
    if (children != -2) {  // -2: the control works it out from the items inserted
        insert.item.mask |= TVIF_CHILDREN;
        insert.item.cChildren = children;
    }
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool CTreeView::DeleteItem(HTREEITEM item) {
    return SendMessageW(m_hWnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0;
}

HTREEITEM CTreeView::GetSelectedItem() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool CTreeView::SelectItem(HTREEITEM item) {
    return SendMessageW(m_hWnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
}

LPARAM CTreeView::GetItemData(HTREEITEM item) const {
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    return tv.lParam;
}

std::string CTreeView::GetItemText(HTREEITEM item) const {
    std::vector<wchar_t> buffer(4096, L'\0');
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buffer.data();
    tv.cchTextMax = static_cast<int>(buffer.size());
    if (!SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return {};
    return tv.pszText ? UiFromWide(tv.pszText) : std::string();
}

bool CTreeView::SetItemText(HTREEITEM item, const std::string& text) {
    std::wstring wide = UiText(text);
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = &wide[0];
    return SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

bool CTreeView::SetCheck(HTREEITEM item, bool checked) {
    TVITEMW tv{};
    tv.mask = TVIF_STATE | TVIF_HANDLE;
    tv.hItem = item;
    tv.stateMask = TVIS_STATEIMAGEMASK;
    tv.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

bool CTreeView::GetCheck(HTREEITEM item) const {
    UINT state = static_cast<UINT>(SendMessageW(
        m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return ((state & TVIS_STATEIMAGEMASK) >> 12) == 2;
}

HTREEITEM CTreeView::GetChildItem(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CTreeView::GetNextSiblingItem(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CTreeView::GetParentItem(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(m_hWnd, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

int CTreeView::GetCount() const {
    return static_cast<int>(SendMessageW(m_hWnd, TVM_GETCOUNT, 0, 0));
}

HIMAGELIST CTreeView::SetImageList(HIMAGELIST list, int which) {
    return reinterpret_cast<HIMAGELIST>(
        SendMessageW(m_hWnd, TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
}

bool CTreeView::SetItemChildren(HTREEITEM item, int children) {
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = children;
    return SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

bool CTreeView::Expand(HTREEITEM item, UINT code) {
    return SendMessageW(m_hWnd, TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
}

UINT CTreeView::GetItemState(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(
        SendMessageW(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
}
