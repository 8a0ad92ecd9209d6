#include "doc/ShellTransfer.h"

#include <shlobj.h>

#include <cstring>

#include "fw/CommonDialogs.h"
#include "fw/OleTransfer.h"
#include "fw/WinApp.h"
#include "model/ShellText.h"
#include "win/Handles.h"
#include "win/Strconv.h"

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
            std::string path;
            if (PathToCp932(name, path)) {
                paths.push_back(path);
            } else {
                NoteRefusedName(name);
            }
        }
        return;
    }
    // Multibyte names are in the code page of the system that sent them.
    while (pos < block.size()) {
        std::size_t end = block.find('\0', pos);
        if (end == std::string::npos) end = block.size();
        if (end == pos) break;
        const std::wstring name = ToWide(block.substr(pos, end - pos), CP_ACP);
        std::string path;
        if (PathToCp932(name, path)) {
            paths.push_back(path);
        } else {
            NoteRefusedName(name);
        }
        pos = end + 1;
    }
}

void GetDroppedPaths(std::vector<std::string>& paths, IDataObject* data) {
    std::string block;
    CRefusedNames refused;
    if (GetGlobalBytes(data, CF_HDROP, block)) GetDroppedPaths(paths, block);
    ReportRefusedNames(refused.Names());
}

bool BrowseForPath(HWND owner, std::string& path) {
    return BrowseForFileOrFolder(owner, "ファイルを追加する", path);
}

std::string GetTempCollectionPath() {
    return MakeTempCollectionPath(TempFolderPath());
}
