// Puts files on the clipboard as the shell's copy does (CF_HDROP, wide names), for the end to
// end script to paste them into the editor. Stays until STOPFILE exists or a minute has passed:
// the clipboard empties when its owner ends.
// Usage: e2e_clip_files.exe STOPFILE PATH...
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <shlobj.h>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::wstring list;
    if (argc < 3) return 2;
    for (int i = 2; i < argc; ++i) {
        int size = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_ACP, 0, argv[i], -1, &wide[0], size);
        list += wide;  // keeps the terminating zero
    }
    list += L'\0';
    SIZE_T bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!block) return 1;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    // A window of its own owns the clipboard, so that other programs can be given the data.
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (!OpenClipboard(owner)) return 1;
    EmptyClipboard();
    bool set = SetClipboardData(CF_HDROP, block) != nullptr;  // the clipboard owns it now
    CloseClipboard();
    if (!set) return 1;
    // (The system's clipboard manager may take the ownership over: no end to wait for there.)
    for (int i = 0; i < 600 && GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(100);
    }
    return 0;
}
