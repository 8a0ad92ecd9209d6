#include "win/MessageFilter.h"

namespace {
const DWORD kAllow = 1;                // MSGFLT_ALLOW
const UINT kCopyGlobalData = 0x0049;   // WM_COPYGLOBALDATA, not in the headers
}  // namespace

ChangeMessageFilterFunction SystemChangeMessageFilter() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<ChangeMessageFilterFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
}

bool AllowMessagesFromLowerPrograms(HWND hwnd, std::initializer_list<UINT> messages,
                                    ChangeMessageFilterFunction change) {
    if (!change || !hwnd) return false;
    bool all = true;
    for (UINT message : messages) {
        if (message != 0 && !change(hwnd, message, kAllow, nullptr)) all = false;
    }
    return all;
}

bool AllowDroppedFilesFromLowerPrograms(HWND hwnd) {
    return AllowMessagesFromLowerPrograms(hwnd, {WM_DROPFILES, WM_COPYDATA, kCopyGlobalData});
}
