// A view that is a list control ("SysListView32"), with the few item operations we use.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <string>

#include "fw/View.h"

class CListView : public CView {
  public:
    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;

    int InsertColumn(int index, const std::string& title, int format = LVCFMT_LEFT);
    int GetColumnCount() const;
    int GetColumnWidth(int column) const;
    bool SetColumnWidth(int column, int width);
    // Its font and its columns take the new monitor's size.
    void OnDpiChanged(int oldDpi, int newDpi) override;

    int InsertItem(int index, const std::string& text, int image);
    // An item whose text (when textFromOwner) and image the owner gives only when the list
    // needs them, through LVN_GETDISPINFO.
    int InsertDeferredItem(int index, bool textFromOwner, const std::string& text);
    bool SetDeferredItemText(int item, int subItem);
    bool SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    bool SetItemData(int item, LPARAM data);
    LPARAM GetItemData(int item) const;
    bool SetCheck(int item, bool checked);
    bool GetCheck(int item) const;
    int GetItemCount() const;
    bool DeleteAllItems();
    int GetImage(int item) const;

    // The two view-type bits of the window style (LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST).
    DWORD GetViewType() const { return static_cast<DWORD>(GetStyle()) & LVS_TYPEMASK; }
    DWORD SetExtendedStyle(DWORD mask, DWORD style);
    HIMAGELIST SetImageList(HIMAGELIST list, int which);

    // For a list whose owner keeps the rows (LVS_OWNERDATA): the number of rows, the states
    // the owner answers for (LVM_SETCALLBACKMASK), and repainting rows whose data changed.
    bool SetItemCount(int count);
    bool SetCallbackMask(UINT mask);
    bool RedrawItems(int first, int last);
    // The next row after `after` (-1: from the start) with all of the LVNI_ flags; -1 for none.
    int GetNextItem(int after, UINT flags) const;
    int GetSelectedCount() const;
    bool SetItemState(int item, UINT state, UINT mask);

  protected:
    // The control asks for item texts in UTF-16 (LVN_GETDISPINFOW), so that they read the same
    // on any code page. Create does this; a list created otherwise calls it once it exists.
    void AskTextsInUtf16();
    // Keeps the control's notifications in UTF-16 when it asks its parent again.
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
