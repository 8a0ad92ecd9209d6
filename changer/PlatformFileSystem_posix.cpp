#include <dirent.h>
#include <sys/stat.h>

#include "changer/PlatformFileSystem.h"
#include "changer/Wildcard.h"

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
