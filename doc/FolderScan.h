// What importing disk folders finds, before it becomes entries: a tree of plain nodes built
// away from the document (on a worker), with read-only access to the disk through the file
// system seam, and turned into entries on the document's thread in one step.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

class CBlock;
class IFileSystem;

struct ImportNode {
    std::string path;  // the entry's name: the full path of the file or folder
    bool folder = false;
    std::vector<ImportNode> children;
};

// Folders an import could not take whole, for telling the user afterwards: how many, and the
// first few by path (a hostile disk may hold millions of them).
struct LeftOutFolders {
    static constexpr std::size_t kNamed = 10;
    std::size_t count = 0;
    std::vector<std::string> first;
    void Add(const std::string& path) {
        ++count;
        if (first.size() < kNamed) first.push_back(path);
    }
};

// The folder a scan is reading now, for the progress shown meanwhile on another thread.
class CCurrentFolder {
  public:
    void Set(const std::string& path) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_path = path;
    }
    std::string Get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_path;
    }

  private:
    mutable std::mutex m_mutex;
    std::string m_path;
};

struct FolderScan {
    const IFileSystem* fs = nullptr;
    // Tokens of the file-type setting ("BMP", "JPG", ...); a file is taken when its own name
    // has one of them as its extension.
    std::vector<std::string> fileTypes;
    // Deeper than this a disk folder is not followed: its path would outgrow what the
    // system's file functions take long before.
    int maxDepth = 128;
    // Set by another thread to stop the scan; read between names.
    const std::atomic<bool>* cancel = nullptr;
    // Counts the files and folders found so far, for the progress shown meanwhile.
    std::atomic<std::size_t>* found = nullptr;
    // Told each folder as its turn comes (null: nobody asks).
    CCurrentFolder* current = nullptr;
    // Where the scan notes what it left out (null: nowhere): sub-folders beyond maxDepth,
    // and folders that were gone or unreadable when their turn came (deleted meanwhile).
    LeftOutFolders* tooDeep = nullptr;
    LeftOutFolders* unreadable = nullptr;
};

// Fills folder.children with the files of the accepted types and the sub-folders below the
// disk folder folder.path, in the order the disk lists them. A folder that leads back to one
// being scanned (a link or junction) is left out. False when cancelled part way.
bool ScanFolder(const FolderScan& scan, ImportNode& folder);

// Whether the file name (a bare name or a path) is one of the accepted types, by its own
// name: a short (8.3) alias the system's search may have matched counts for nothing.
bool IsAcceptedFile(const std::string& name, const std::vector<std::string>& fileTypes);

// The number of nodes below and including node.
std::size_t CountNodes(const ImportNode& node);

// The tokens of the file-type option ("BMP JPG HTML" gives BMP, JPG and HTML).
std::vector<std::string> FileTypeTokens(std::string option);

// One entry for node (with its subtree) below parent, linked as its last child. The first
// levels entries take like's priority, inherit flag and texts; those further down keep the
// defaults, as an imported folder's entries took the folder's properties while it still had
// the defaults. An imported folder gives 2 (the folder and what it holds at once), the
// contents of a folder imported straight into the target 1, a file added as it is 0.
void AppendImported(CBlock& parent, const ImportNode& node, const CBlock& like, int levels);
