#include "doc/ShellTransfer.h"

#include <shlobj.h>

#include <cstring>

#include "fw/Handles.h"
#include "fw/OleTransfer.h"
#include "model/ShellText.h"

std::function<bool(std::string&)> g_browseForPathHook;

void GetDroppedPaths(std::vector<std::string>& paths, const std::string& block) {
    if (block.size() < sizeof(DROPFILES)) return;
    DROPFILES header;
    std::memcpy(&header, block.data(), sizeof header);
    std::size_t pos = header.pFiles;
    if (header.fWide) {
        // Wide names: pairs of bytes up to an empty name (or the end of the block).
        while (pos + 2 <= block.size()) {
            std::wstring name;
            for (; pos + 2 <= block.size(); pos += 2) {
                wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(block[pos]) |
                                                 (static_cast<unsigned char>(block[pos + 1]) << 8));
                if (c == 0) break;
                name += c;
            }
            pos += 2;
            if (name.empty()) break;
            int size = WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                           nullptr, 0, nullptr, nullptr);
            std::string ansi(static_cast<std::size_t>(size), '\0');
            WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), &ansi[0],
                                size, nullptr, nullptr);
            paths.push_back(ansi);
        }
        return;
    }
    while (pos < block.size()) {
        std::size_t end = block.find('\0', pos);
        if (end == std::string::npos) end = block.size();
        if (end == pos) break;
        paths.push_back(block.substr(pos, end - pos));
        pos = end + 1;
    }
}

void GetDroppedPaths(std::vector<std::string>& paths, IDataObject* data) {
    std::string block;
    if (GetGlobalBytes(data, CF_HDROP, block)) GetDroppedPaths(paths, block);
}

bool BrowseForPath(HWND owner, std::string& path) {
    if (g_browseForPathHook) return g_browseForPathHook(path);
    char display[MAX_PATH] = "";
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = "ファイルを追加する";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_BROWSEINCLUDEFILES;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return false;
    char buffer[MAX_PATH] = "";
    bool ok = SHGetPathFromIDListA(chosen, buffer) != FALSE;
    CoTaskMemFree(chosen);
    if (ok) path = buffer;
    return ok;
}

std::string GetTempCollectionPath() {
    char buffer[MAX_PATH + 1] = "";
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string dir = (length > 0 && length < sizeof buffer) ? std::string(buffer, length) : "";
    return MakeTempCollectionPath(dir);
}
