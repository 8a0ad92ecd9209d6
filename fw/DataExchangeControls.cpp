#include "fw/DataExchangeControls.h"

#include "fw/Dialog.h"

bool DDX_CBIndex(CDataExchange& dx, int id, int& index) {
    HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate) {
        index = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    return true;
}

bool DDX_Radio(CDataExchange& dx, int firstId, int& index) {
    HWND button = dx.PrepareCtrl(firstId);
    if (dx.m_bSaveAndValidate) index = -1;
    for (int i = 0; button; ++i) {
        if (dx.m_bSaveAndValidate) {
            if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) index = i;
        } else {
            SendMessageW(button, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        button = GetWindow(button, GW_HWNDNEXT);
        if (!button || (GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP)) break;
        wchar_t className[16] = L"";
        GetClassNameW(button, className, 16);
        LONG_PTR type = GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiW(className, L"Button") != 0 ||
            (type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON)) {
            break;
        }
    }
    return true;
}
