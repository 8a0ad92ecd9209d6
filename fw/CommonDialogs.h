// Thin helpers over the system's common dialogs: colour, font, open file, and the folder
// browser that also shows files. Each returns true when the user confirmed. Tests answer them
// through the hooks instead of showing the system's dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The colour dialog, starting from colour; on OK colour is the choice.
bool ChooseColorDialog(HWND owner, COLORREF& colour);
// The font dialog for screen fonts without the effects choices, starting from font; on OK font
// is the whole chosen record.
bool ChooseFontDialog(HWND owner, LOGFONTW& font);
// The open-file dialog with no filter, no default extension and no initial name, the read-only
// box hidden and the overwrite prompt flag set; on OK path is the chosen full path.
bool OpenFileDialog(HWND owner, std::string& path);
// The shell's folder browser showing files too (file-system items only, not below the domain);
// on OK path is the full path of the chosen folder or file.
bool BrowseForFileOrFolder(HWND owner, const std::string& title, std::string& path);

struct CommonDialogHooks {
    std::function<bool(COLORREF& colour)> color;
    std::function<bool(LOGFONTW& font)> font;
    std::function<bool(std::string& path)> openFile;
    std::function<bool(const std::string& title, std::string& path)> browse;
};
// Empty hooks show the real dialogs.
CommonDialogHooks& TestCommonDialogHooks();
