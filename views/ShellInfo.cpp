#include "views/ShellInfo.h"

#include <shellapi.h>

#include "model/Mbcs.h"
#include "model/ShellText.h"
#include "win/Strconv.h"

namespace {
HIMAGELIST g_largeList = nullptr;
HIMAGELIST g_smallList = nullptr;

std::string SystemDirectory() {
    wchar_t buffer[MAX_PATH] = L"";
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    std::string path;
    if (length == 0 || length >= MAX_PATH || !PathToCp932(std::wstring(buffer, length), path)) {
        return std::string();
    }
    return path;
}
}  // namespace

bool GetShellIconIndex(std::string& path, int& index) {
    const bool folder = path.empty();
    if (folder) path = SystemDirectory();
    // The link overlay is asked for shortcuts only: some shells put it on every icon asked
    // for with it, and only shortcuts ever carry it.
    std::string ext = mbcs::ToLower(mbcs::Extension(path));
    // Taken from the name alone: asking about the file itself would reach the disk or the
    // network for every entry shown, and an offline share answers only at its time-out.
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES;
    if (ext == ".lnk" || ext == ".pif") flags |= SHGFI_LINKOVERLAY;
    const DWORD attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    SHFILEINFOW info{};
    DWORD_PTR ok = SHGetFileInfoW(ToWide(path).c_str(), attributes, &info, sizeof info, flags);
    index = ok ? info.iIcon : -1;
    return true;
}

HIMAGELIST GetSystemImageList(bool small) {
    if (!g_largeList || !g_smallList) {
        std::string dir = SystemDirectory();
        const std::wstring wideDir = ToWide(dir);
        SHFILEINFOW info{};
        if (!g_largeList) {
            g_largeList = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(
                wideDir.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LINKOVERLAY));
        }
        if (!g_smallList) {
            g_smallList = reinterpret_cast<HIMAGELIST>(
                SHGetFileInfoW(wideDir.c_str(), 0, &info, sizeof info,
                               SHGFI_SYSICONINDEX | SHGFI_LINKOVERLAY | SHGFI_SMALLICON));
        }
    }
    return small ? g_smallList : g_largeList;
}

void ReleaseSystemImageLists() {
    g_largeList = nullptr;
    g_smallList = nullptr;
}

bool GetShellNames(const std::string& path, std::string& displayName, std::string& typeName,
                   bool folder) {
    SHFILEINFOW info{};
    // From the name alone, as the icons: the file is never opened or looked for.
    DWORD_PTR ok = SHGetFileInfoW(ToWide(path).c_str(),
                                  folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info,
                                  sizeof info,
                                  SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
    displayName = ok ? UiFromWide(info.szDisplayName) : "";
    typeName = ok ? UiFromWide(info.szTypeName) : "";
    if (typeName.empty()) typeName = "Pelorand Folders";
    return true;
}
