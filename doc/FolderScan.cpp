#include "doc/FolderScan.h"

#include <algorithm>
#include <memory>

#include "model/Block.h"
#include "model/FileSystem.h"
#include "model/ShellText.h"
#include "model/TokenList.h"

bool IsAcceptedFile(const std::string& name, const std::vector<std::string>& fileTypes) {
    for (const std::string& token : fileTypes) {
        if (MatchesFileType(name, token)) return true;
    }
    return false;
}

namespace {

bool Cancelled(const FolderScan& scan) {
    return scan.cancel && scan.cancel->load(std::memory_order_relaxed);
}

bool Scan(const FolderScan& scan, ImportNode& folder, std::vector<std::string>& ancestors,
          int depth) {
    if (scan.current) scan.current->Set(folder.path);
    ancestors.push_back(scan.fs->DirectoryIdentity(folder.path));
    const char separator = scan.fs->Separator();
    bool stopped = false;
    scan.fs->EnumerateEntries(folder.path, [&](const std::string& name, bool isDirectory) {
        if (Cancelled(scan)) {
            stopped = true;
            return false;
        }
        std::string full = folder.path + separator + name;
        if (!isDirectory) {
            if (!IsAcceptedFile(name, scan.fileTypes)) return true;
            folder.children.push_back(ImportNode{std::move(full), false, {}});
        } else {
            if (depth + 1 >= scan.maxDepth) {
                if (scan.tooDeep) scan.tooDeep->Add(full);
                return true;
            }
            std::string id = scan.fs->DirectoryIdentity(full);
            if (!id.empty() && std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end())
                return true;
            folder.children.push_back(ImportNode{std::move(full), true, {}});
        }
        if (scan.found) scan.found->fetch_add(1, std::memory_order_relaxed);
        return true;
    });
    // A listing says nothing of a folder that went (or was never readable); asked after it,
    // this also catches one deleted while it was being read.
    if (!stopped && scan.unreadable) {
        const PathAttributes now = scan.fs->GetAttributes(folder.path);
        if (!now.readable || !now.isDirectory) scan.unreadable->Add(folder.path);
    }
    // Sub-folders are read after their parent's names, so that one open search at a time
    // is held however deep the folders go.
    for (ImportNode& child : folder.children) {
        if (stopped) break;
        if (child.folder && !Scan(scan, child, ancestors, depth + 1)) stopped = true;
    }
    ancestors.pop_back();
    return !stopped && !Cancelled(scan);
}

}  // namespace

bool ScanFolder(const FolderScan& scan, ImportNode& folder) {
    std::vector<std::string> ancestors;
    return Scan(scan, folder, ancestors, 0);
}

std::size_t CountNodes(const ImportNode& node) {
    std::size_t count = 1;
    for (const ImportNode& child : node.children) count += CountNodes(child);
    return count;
}

std::vector<std::string> FileTypeTokens(std::string option) {
    CTokenList tokens(option);
    tokens.Split();
    std::vector<std::string> types;
    for (int i = 0; i < tokens.GetCount(); ++i) types.push_back(tokens.Token(i));
    return types;
}

void AppendImported(CBlock& parent, const ImportNode& node, const CBlock& like, int levels) {
    auto entry = std::make_unique<CBlock>();
    entry->m_strName = node.path;
    entry->m_bFolder = node.folder ? 1 : 0;
    if (levels > 0) {
        entry->m_nPriority = like.m_nPriority;
        entry->m_bInherit = like.m_bInherit;
        entry->SetTexts(like.Author(), like.Comment(), &like);
    }
    for (const ImportNode& child : node.children) {
        AppendImported(*entry, child, like, levels - 1);
    }
    entry->m_Children.ShrinkToFit();
    entry->m_pParent = &parent;
    // Let go only once the list has taken it: a list that cannot grow leaves it to go again.
    parent.m_Children.AddTail(entry.get());
    entry.release();
}
