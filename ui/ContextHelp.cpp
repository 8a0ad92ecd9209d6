#include "ui/ContextHelp.h"

#include "fw/HelpPopup.h"
#include "fw/WinApp.h"
#include "res/resource.h"

namespace {
// The window class of the program's help pop-up.
const char kHelpPopupClass[] = "PelorandHelpPopup";
}  // namespace

DWORD DialogHelpId(UINT dialogId, HWND control, std::initializer_list<int> endButtons) {
    if (!ControlCarriesHelp(control, endButtons)) return 0;
    UINT id = static_cast<UINT>(GetDlgCtrlID(control));
    // The end-file page's file button does what the properties dialog's does: one topic.
    if (dialogId == IDD_OPTION_ENDFILE && id == IDC_OPT_END_FILE_BROWSE) {
        return HelpContextId(IDD_PROPERTY, IDC_PROP_FILE);
    }
    return HelpContextId(dialogId, id);
}

void AssignHelpIds(HWND dialog, UINT dialogId, std::initializer_list<int> endButtons) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SetWindowContextHelpId(child, DialogHelpId(dialogId, child, endButtons));
    }
}

std::string HelpTopicText(DWORD contextId) {
    if (contextId < 0x80000000u) return std::string();
    UINT dialog = (contextId >> 16) & 0x7FFFu;
    UINT control = contextId & 0xFFFFu;
    // Topics exist for the program's dialogs (128 and up) and controls 1000 to 1099.
    if (dialog < 128 || dialog > 400 || control < 1000 || control > 1099) return std::string();
    return LoadResourceString(IDS_HELP_TOPIC(dialog, control));
}

bool ShowContextHelp(const HELPINFO& info) {
    HWND control = static_cast<HWND>(info.hItemHandle);
    std::string text;
    if (info.iContextType == HELPINFO_WINDOW && control && IsWindow(control)) {
        text = HelpTopicText(GetWindowContextHelpId(control));
    }
    if (text.empty()) {
        CWinApp::Get()->ShowHelp();
        return true;
    }
    // Beside the control: below it when the request came from the keyboard, at the pointer
    // when the user clicked it with the "?".
    RECT rc{};
    GetWindowRect(control, &rc);
    POINT at = info.MousePos;
    if (!PtInRect(&rc, at)) at = POINT{rc.left + 8, rc.bottom + 2};
    CHelpPopup::Show(kHelpPopupClass, control, at, text);
    return true;
}

void AddHelpButtonToSheet(HWND sheet) {
    if (!sheet) return;
    LONG_PTR exStyle = GetWindowLongPtrW(sheet, GWL_EXSTYLE);
    if (exStyle & WS_EX_CONTEXTHELP) return;
    SetWindowLongPtrW(sheet, GWL_EXSTYLE, exStyle | WS_EX_CONTEXTHELP);
    SetWindowPos(sheet, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
