// A view that is a tree control ("SysTreeView32"), with the few item operations we use.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <string>

#include "fw/View.h"

class CTreeView : public CView {
  public:
    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;

    HTREEITEM InsertItem(HTREEITEM parent, const std::string& text, int image, int selectedImage,
                         LPARAM data);
    // children: whether the item shows an expand button, or I_CHILDRENCALLBACK to be asked
    // through TVN_GETDISPINFO, so that an owner can insert the children only when opened.
    HTREEITEM InsertItem(HTREEITEM parent, const std::string& text, int image, int selectedImage,
                         LPARAM data, int children);
    bool SetItemChildren(HTREEITEM item, int children);
    bool Expand(HTREEITEM item, UINT code);
    UINT GetItemState(HTREEITEM item, UINT mask) const;
    bool DeleteItem(HTREEITEM item);
    bool DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    HTREEITEM GetSelectedItem() const;
    bool SelectItem(HTREEITEM item);
    LPARAM GetItemData(HTREEITEM item) const;
    std::string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const std::string& text);
    // The check box is the item's state image: 1 unchecked, 2 checked.
    bool SetCheck(HTREEITEM item, bool checked);
    bool GetCheck(HTREEITEM item) const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetRootItem() const { return GetChildItem(TVI_ROOT); }
    int GetCount() const;
    HIMAGELIST SetImageList(HIMAGELIST list, int which);
};
