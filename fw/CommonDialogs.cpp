#include "fw/CommonDialogs.h"

// (commdlg.h and shlobj.h need the definitions of windows.h)
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "win/Handles.h"
#include "win/Strconv.h"

CommonDialogHooks& TestCommonDialogHooks() {
    static CommonDialogHooks hooks;
    return hooks;
}

bool ChooseColorDialog(HWND owner, COLORREF& colour) {
    if (auto& hook = TestCommonDialogHooks().color) return hook(colour);
    static COLORREF custom[16] = {};  // the user's custom colours, kept for the session
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = custom;
    cc.Flags = 0;
    if (!ChooseColorW(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

bool ChooseFontDialog(HWND owner, LOGFONTW& font) {
    if (auto& hook = TestCommonDialogHooks().font) return hook(font);
    LOGFONTW choice = font;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &choice;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontW(&cf)) return false;
    font = choice;
    return true;
}

bool OpenFileDialog(HWND owner, std::string& path) {
    if (auto& hook = TestCommonDialogHooks().openFile) return hook(path);
    // Room for a long path; the dialog reports a choice that does not fit instead of cutting it.
    std::vector<wchar_t> buffer(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn)) return false;
    std::string chosen;
    if (!PathToCp932(buffer.data(), chosen) || chosen.empty()) {
        MessageBoxUi(owner, RefusedNamesMessage({buffer.data()}), std::string(),
                     MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    path = chosen;
    return true;
}

bool BrowseForFileOrFolder(HWND owner, const std::string& title, std::string& path) {
    if (auto& hook = TestCommonDialogHooks().browse) return hook(title, path);
    CComInit com;  // the browser needs COM on this thread; harmless when it is already there
    wchar_t display[MAX_PATH] = L"";
    const std::wstring wideTitle = UiText(title);
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.pszDisplayName = display;
    bi.lpszTitle = wideTitle.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_BROWSEINCLUDEFILES;
    CUniqueIdList chosen(SHBrowseForFolderW(&bi));
    if (!chosen) return false;
    // Through the wide path, so that a path longer than MAX_PATH arrives whole.
    std::vector<wchar_t> wide(32768, L'\0');
    if (!SHGetPathFromIDListEx(chosen.Get(), wide.data(), static_cast<DWORD>(wide.size()),
                               GPFIDL_DEFAULT)) {
        return false;
    }
    std::string chosenPath;
    if (!PathToCp932(wide.data(), chosenPath) || chosenPath.empty()) {
        MessageBoxUi(owner, RefusedNamesMessage({wide.data()}), title, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    path = chosenPath;
    return true;
}
