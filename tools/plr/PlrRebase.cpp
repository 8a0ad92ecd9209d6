// plr rebase: a collection whose pictures are named relative to some folder, written with those
// names made whole. The sample collection that ships with the program is kept this way, since
// where the user unpacks it is known only on the user's machine.
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "model/Block.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"
#include "tools/plr/PlrCommands.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows names a whole path by a drive ("C:") or a leading separator ("\\server", "\dir");
// anything else is taken against the current directory, which is not where the pictures are.
bool IsRelative(const std::string& path) {
    if (path.empty() || IsSeparator(path[0])) return false;
    return !(path.size() >= 2 && path[1] == ':' && !mbcs::IsLeadByte(static_cast<unsigned char>(path[0])));
}

// Whether base already ends in a separator. The trail byte of a double-byte character may be
// 0x5C, as in "表", so the last character is found from the front, not by its last byte.
bool EndsInSeparator(const std::string& base) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < base.size(); ++i) {
        last = i;
        if (mbcs::IsLeadByte(static_cast<unsigned char>(base[i])) && i + 1 < base.size()) ++i;
    }
    return last != std::string::npos && last + 1 == base.size() && IsSeparator(base[last]);
}

}  // namespace

int RunRebase(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (!a.empty() && a[0] == '-' && a.size() > 1) return Fail("unknown option '" + a + "'");
        files.push_back(a);
    }
    if (files.size() != 3) return Fail("expected IN, OUT and DIR (see --help)");
    const std::string& dir = files[2];
    if (dir.empty() || IsRelative(dir)) return Fail("DIR must be a whole path: " + dir);
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    const std::string prefix = EndsInSeparator(dir) ? dir : dir + separator;

    auto root = LoadDocument(files[0], nullptr);
    if (!root) return 2;
    std::vector<CBlock*> folders;
    root->CollectFolders(folders, true);
    long changed = 0;
    for (CBlock* folder : folders) {
        for (int i = 0; i < folder->m_Children.GetCount(); ++i) {
            CBlock* entry = folder->m_Children.GetAtIndex(i);
            if (entry->m_bFolder) continue;
            const std::string name = entry->m_strName;
            if (!IsRelative(name)) continue;
            entry->m_strName = prefix + name;
            ++changed;
        }
    }
    std::string error;
    if (!WriteCollectionFile(files[1], *root, error)) return Fail("cannot write " + files[1] + ": " + error);
    std::printf("rebased %ld entries\n", changed);
    return 0;
}
