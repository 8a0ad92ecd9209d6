#include <dirent.h>
#include <sys/stat.h>

#include "model/PlatformFileSystem.h"
#include "model/Wildcard.h"

PathAttributes CPlatformFileSystem::GetAttributes(const std::string& path) const {
    struct stat info;
    PathAttributes attributes;
    if (::stat(path.c_str(), &info) != 0) return attributes;
    attributes.readable = true;
    attributes.isDirectory = S_ISDIR(info.st_mode);
    return attributes;
}

void CPlatformFileSystem::Enumerate(
    const std::string& dir, const std::string& pattern,
    const std::function<bool(const std::string& name)>& onName) const {
    // Joined as the Windows pattern would be, so an empty dir means the root.
    DIR* stream = ::opendir((dir + '/').c_str());
    if (!stream) return;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (MatchesWildcard(name, pattern) && !onName(name)) break;
    }
    ::closedir(stream);
}

char CPlatformFileSystem::Separator() const {
    return '/';
}

void CPlatformFileSystem::EnumerateEntries(
    const std::string& dir,
    const std::function<bool(const std::string& name, bool isDirectory)>& onEntry) const {
    DIR* stream = ::opendir((dir + '/').c_str());
    if (!stream) return;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        const bool isDirectory =
            ::stat((dir + '/' + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        if (!onEntry(name, isDirectory)) break;
    }
    ::closedir(stream);
}

std::string CPlatformFileSystem::DirectoryIdentity(const std::string& path) const {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return std::string();
    return std::to_string(static_cast<unsigned long long>(info.st_dev)) + ':' +
           std::to_string(static_cast<unsigned long long>(info.st_ino));
}
