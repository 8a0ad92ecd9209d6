#include <windows.h>

#include "changer/PlatformFileSystem.h"
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
