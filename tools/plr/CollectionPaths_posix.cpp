#include "tools/plr/CollectionPaths_posix.h"

#include "model/Wildcard.h"
#include "tools/plr/PlrCommands.h"
#include "tools/plr/Utf8_posix.h"


bool IsWineRootPath(const std::string& path) {
    return path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
           (path[2] == '\\' || path[2] == '/');
}

std::string LocalPath(const std::string& collectionPath) {
    if (!IsWineRootPath(collectionPath)) return collectionPath;
    std::string local;
    // In UTF-8 a backslash byte is always a backslash; in CP932 it may be half of a character.
    if (!ConvertText("UTF-8", "CP932", collectionPath.substr(2), local)) return collectionPath;
    for (char& c : local) {
        if (c == '\\') c = '/';
    }
    return local;
}

PathAttributes CCollectionFileSystem::GetAttributes(const std::string& path) const {
    return m_files.GetAttributes(LocalPath(path));
}

void CCollectionFileSystem::Enumerate(
    const std::string& dir, const std::string& pattern,
    const std::function<bool(const std::string& name)>& onName) const {
    if (!IsWineRootPath(dir)) {
        m_files.Enumerate(dir, pattern, onName);
        return;
    }
    m_files.Enumerate(LocalPath(dir), "*", [&](const std::string& name) {
        std::string spelt;
        if (!ConvertText("CP932", "UTF-8", name, spelt)) return true;
        return !MatchesWildcard(spelt, pattern) || onName(spelt);
    });
}

char CCollectionFileSystem::Separator() const {
    // Below Z: the engine's joins are read back through LocalPath, which takes either slash.
    return m_files.Separator();
}

std::string CCollectionDisplayName::GetDisplayName(const std::string& path) const {
    if (!IsWineRootPath(path)) return m_names.GetDisplayName(path);
    // The last component of the local path, spelt again as the collection spells it: a split
    // of the CP932 bytes themselves could cut a character whose second byte is a backslash.
    const std::string local = LocalPath(path);
    std::string name;
    if (!ConvertText("CP932", "UTF-8", local.substr(local.rfind('/') + 1), name)) return std::string();
    return name;
}
