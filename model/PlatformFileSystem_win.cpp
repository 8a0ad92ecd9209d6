#include <windows.h>

#include <cstdio>
#include <cstring>

#include "model/PlatformFileSystem.h"
#include "fw/Handles.h"

PathAttributes CPlatformFileSystem::GetAttributes(const std::string& path) const {
    PathAttributes attributes;
    const DWORD flags = GetFileAttributesA(path.c_str());
    if (flags == INVALID_FILE_ATTRIBUTES) return attributes;
    attributes.readable = true;
    attributes.isDirectory = (flags & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return attributes;
}

void CPlatformFileSystem::Enumerate(
    const std::string& dir, const std::string& pattern,
    const std::function<bool(const std::string& name)>& onName) const {
    WIN32_FIND_DATAA found;
    // Closed however the loop ends, a callback that throws included.
    CUniqueFind search(FindFirstFileA((dir + '\\' + pattern).c_str(), &found));
    if (!search) return;
    do {
        if (!onName(found.cFileName)) break;
    } while (FindNextFileA(search.Get(), &found));
}

char CPlatformFileSystem::Separator() const {
    return '\\';
}

void CPlatformFileSystem::EnumerateEntries(
    const std::string& dir,
    const std::function<bool(const std::string& name, bool isDirectory)>& onEntry) const {
    WIN32_FIND_DATAA found;
    CUniqueFind search(FindFirstFileA((dir + "\\*").c_str(), &found));
    if (!search) return;
    do {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (!onEntry(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) break;
    } while (FindNextFileA(search.Get(), &found));
}

std::string CPlatformFileSystem::DirectoryIdentity(const std::string& path) const {
    CUniqueFile dir(CreateFileA(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !GetFileInformationByHandle(dir.Get(), &info)) return std::string();
    char id[64];
    std::snprintf(id, sizeof id, "%lx:%lx:%lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                  info.nFileIndexLow);
    return id;
}
