#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "model/PlatformFileSystem.h"
#include "win/Handles.h"
#include "win/Strconv.h"

PathAttributes CPlatformFileSystem::GetAttributes(const std::string& path) const {
    PathAttributes attributes;
    const DWORD flags = GetFileAttributesW(ToWide(path).c_str());
    if (flags == INVALID_FILE_ATTRIBUTES) return attributes;
    attributes.readable = true;
    attributes.isDirectory = (flags & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return attributes;
}

void CPlatformFileSystem::Enumerate(
    const std::string& dir, const std::string& pattern,
    const std::function<bool(const std::string& name)>& onName) const {
    WIN32_FIND_DATAW found;
    // Closed however the loop ends, a callback that throws included.
    CUniqueFind search(FindFirstFileW(ToWide(dir + '\\' + pattern).c_str(), &found));
    if (!search) return;
    do {
        // A name CP932 cannot hold goes by its short name, or not at all: never under
        // a look-alike that names another file or none.
        std::string name;
        if (!FoundNameToCp932(found, name)) {
            NoteRefusedName(ToWide(dir + '\\') + found.cFileName);
            continue;
        }
        if (!onName(name)) break;
    } while (FindNextFileW(search.Get(), &found));
}

char CPlatformFileSystem::Separator() const {
    return '\\';
}

void CPlatformFileSystem::EnumerateEntries(
    const std::string& dir,
    const std::function<bool(const std::string& name, bool isDirectory)>& onEntry) const {
    WIN32_FIND_DATAW found;
    CUniqueFind search(FindFirstFileW(ToWide(dir + "\\*").c_str(), &found));
    if (!search) return;
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) {
            continue;
        }
        std::string name;
        if (!FoundNameToCp932(found, name)) {
            NoteRefusedName(ToWide(dir + "\\") + found.cFileName);
            continue;
        }
        if (!onEntry(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) break;
    } while (FindNextFileW(search.Get(), &found));
}

std::string CPlatformFileSystem::DirectoryIdentity(const std::string& path) const {
    CUniqueFile dir(CreateFileW(ToWide(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !GetFileInformationByHandle(dir.Get(), &info)) return std::string();
    char id[64];
    std::snprintf(id, sizeof id, "%lx:%lx:%lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                  info.nFileIndexLow);
    return id;
}
