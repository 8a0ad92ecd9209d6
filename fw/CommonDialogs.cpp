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
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = custom;
    cc.Flags = 0;
    if (!ChooseColorA(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

bool ChooseFontDialog(HWND owner, LOGFONTA& font) {
    if (auto& hook = TestCommonDialogHooks().font) return hook(font);
    LOGFONTA choice = font;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &choice;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&cf)) return false;
    font = choice;
    return true;
}

bool OpenFileDialog(HWND owner, std::string& path) {
    if (auto& hook = TestCommonDialogHooks().openFile) return hook(path);
    // Room for a long path; the dialog reports a choice that does not fit instead of cutting it.
    std::vector<char> buffer(32768, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return false;
    path = buffer.data();
    return true;
}

bool BrowseForFileOrFolder(HWND owner, const std::string& title, std::string& path) {
    if (auto& hook = TestCommonDialogHooks().browse) return hook(title, path);
    CComInit com;  // the browser needs COM on this thread; harmless when it is already there
    char display[MAX_PATH] = "";
    BROWSEINFOA bi{};
    bi.hwndOwner = owner;
    bi.pszDisplayName = display;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_BROWSEINCLUDEFILES;
    CUniqueIdList chosen(SHBrowseForFolderA(&bi));
    if (!chosen) return false;
    // Through the wide path, so that a path longer than MAX_PATH arrives whole.
    std::vector<wchar_t> wide(32768, L'\0');
    if (!SHGetPathFromIDListEx(chosen.Get(), wide.data(), static_cast<DWORD>(wide.size()),
                               GPFIDL_DEFAULT)) {
        return false;
    }
    std::string chosenPath;
    if (!PathToAnsi(wide.data(), chosenPath) || chosenPath.empty()) {
        MessageBoxUi(owner, RefusedNamesMessage({wide.data()}), title, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    path = chosenPath;
    return true;
}
