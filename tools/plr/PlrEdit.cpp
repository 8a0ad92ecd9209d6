// plr new, import, add, mkdir, rm, mv and set: the editor's edits from the command line. Each
// reads the whole collection, makes its change in memory and saves it as the editor saves, so
// a refused command or a failed save leaves the file as it was.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "doc/FolderScan.h"
#include "model/Block.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"
#include "model/PlatformFileSystem.h"
#include "model/PropertyChange.h"
#include "model/RecordReader.h"
#include "tools/plr/PlrCommands.h"

namespace {

// The name a new collection's root folder gets, as in the editor.
const char kDefaultRootName[] = "Pelorand";

bool IsDriveOrShare(const std::string& name) {
    const bool drive = name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/') &&
                       ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    return drive || name.compare(0, 2, "\\\\") == 0;
}

// Whether a backslash stands where a character starts: a CP932 name's second byte may be one.
bool HasBackslash(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '\\') return true;
        if (mbcs::IsCp932LeadByte(c)) ++i;
    }
    return false;
}

// The last component of a path, trailing separators aside; a Windows path (a drive, a share, or
// a backslash in a name that does not start at the POSIX root) is cut at either slash with the
// CP932 rules, any other at '/' only. Empty when nothing is left.
std::string LastPart(const std::string& path) {
    const bool windows =
        IsDriveOrShare(path) || (!path.empty() && path[0] != '/' && HasBackslash(path));
    std::string last, part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c == '/' || (windows && (c == '\\' || (c == ':' && i == 1)))) {
            if (!part.empty()) last.swap(part);
            part.clear();
            continue;
        }
        part += path[i];
        if (windows && mbcs::IsCp932LeadByte(c) && i + 1 < path.size()) part += path[++i];
    }
    return part.empty() ? last : part;
}

bool IsDiskPath(const std::string& name) {
    return (!name.empty() && name[0] == '/') || IsDriveOrShare(name);
}

// What an ITEM calls an entry: a file entry by its file name, a folder by the last part of a
// disk path (as imported folders are named) or else by its whole name.
std::string ItemName(const CBlock& entry) {
    const std::string name = entry.GetName();
    if (!entry.m_bFolder || IsDiskPath(name)) {
        const std::string last = LastPart(name);
        if (!last.empty()) return last;
    }
    return name;
}

std::string EscapeItemPart(const std::string& part) {
    std::string out;
    for (char c : part) {
        if (c == '/') out += '/';
        out += c;
    }
    return out;
}

// The ITEM that names entry, as the terminal shows it; "/" for the root.
std::string ItemOf(const CBlock& entry) {
    std::string item;
    for (const CBlock* at = &entry; at->m_pParent; at = at->m_pParent) {
        item = "/" + EscapeItemPart(TerminalText(ItemName(*at))) + item;
    }
    return item.empty() ? "/" : item.substr(1);
}

// The full names on the way down to entry, which tell apart entries an ITEM cannot.
std::string FullNamesOf(const CBlock& entry) {
    std::string names;
    for (const CBlock* at = &entry; at->m_pParent; at = at->m_pParent) {
        names = " > " + TerminalText(OneLine(at->GetName())) + names;
    }
    return names.empty() ? "(the root)" : names.substr(3);
}

// ITEM split into names at single slashes; "//" is a slash inside a name. False for an empty
// name; one slash at the end is allowed, as a shell completes folders.
bool SplitItem(const std::string& item, std::vector<std::string>& parts) {
    parts.clear();
    if (item == "/") return true;
    std::string part;
    for (std::size_t i = 0; i < item.size(); ++i) {
        if (item[i] != '/') {
            part += item[i];
        } else if (i + 1 < item.size() && item[i + 1] == '/') {
            part += '/';
            ++i;
        } else {
            if (part.empty()) return false;
            parts.push_back(part);
            part.clear();
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    } else if (parts.empty()) {
        return false;
    }
    return true;
}

// The entry ITEM names, or null after saying why (none, or several, listed).
CBlock* Resolve(CBlock& root, const std::string& item, bool folderOnly) {
    std::vector<std::string> parts;
    if (!SplitItem(item, parts)) {
        Fail("'" + item + "' has an empty name (a slash inside a name is written //)");
        return nullptr;
    }
    std::vector<CBlock*> found{&root};
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const bool last = k + 1 == parts.size();
        std::vector<CBlock*> next;
        for (CBlock* folder : found) {
            for (int i = 0; i < folder->m_Children.GetCount(); ++i) {
                CBlock* child = folder->m_Children.GetAtIndex(i);
                if (!child->m_bFolder && (!last || folderOnly)) continue;
                if (TerminalText(ItemName(*child)) == parts[k]) next.push_back(child);
            }
        }
        found.swap(next);
        if (found.empty()) break;
    }
    if (found.size() == 1) return found[0];
    if (found.empty()) {
        Fail(std::string(folderOnly ? "no folder '" : "no folder or entry '") + item + "'");
        return nullptr;
    }
    std::string list;
    for (const CBlock* match : found) {
        list +=
            "\n  " + std::string(match->m_bFolder ? "folder " : "entry  ") + FullNamesOf(*match);
    }
    Fail("'" + item + "' names " + std::to_string(found.size()) + " items:" + list);
    return nullptr;
}

// The collection at path, read whole for an edit; null after saying why. A file with lines
// the reader had to skip is refused: saving would drop them.
std::unique_ptr<CBlock> LoadForEdit(const std::string& path) {
    std::vector<ReadProblem> problems;
    RecordCounts counts;
    auto root = LoadDocument(path, &problems, &counts);
    if (!root) return nullptr;
    if (!counts.counted) {
        Fail(path + " holds no collection");
        return nullptr;
    }
    if (!problems.empty()) {
        Fail(path + " has " + std::to_string(problems.size()) +
             " records that could not be read ('plr check' lists them); it is left as it is, "
             "so that saving does not drop them");
        return nullptr;
    }
    return root;
}

int Save(const std::string& path, const CBlock& root, const std::string& done) {
    std::string error;
    if (!WriteCollectionFile(path, root, error)) return Fail("cannot write " + path + ": " + error);
    std::printf("%s\n", done.c_str());
    return 0;
}

// Options of the editing commands: FILE and the other words, and the values of the named
// options (given with their value as the next word or after '=').
struct EditArgs {
    std::vector<std::string> words;
    std::vector<std::pair<std::string, std::string>> options;
    bool recursive = false;
    const std::string* Get(const std::string& name) const {
        for (const auto& o : options) {
            if (o.first == name) return &o.second;
        }
        return nullptr;
    }
};

bool ParseEditArgs(const std::vector<std::string>& args, const std::vector<std::string>& named,
                   bool allowRecursive, EditArgs& out) {
    bool onlyWords = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyWords || a.size() < 2 || a[0] != '-') {
            out.words.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyWords = true;
            continue;
        }
        if (allowRecursive && a == "--recursive") {
            out.recursive = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        bool known = false;
        for (const auto& n : named) known = known || n == name;
        if (!known) {
            Fail("unknown option '" + a + "' (see --help)");
            return false;
        }
        if (out.Get(name)) {
            Fail(name + " given twice");
            return false;
        }
        if (eq != std::string::npos) {
            out.options.emplace_back(name, a.substr(eq + 1));
        } else if (i + 1 < args.size()) {
            out.options.emplace_back(name, args[++i]);
        } else {
            Fail(name + " needs a value");
            return false;
        }
    }
    return true;
}

bool TypedText(const std::string& option, const std::string& typed, std::string& out) {
    if (CollectionText(typed, out)) return true;
    Fail(option + " '" + typed +
         "' has a character the collection's code page (CP932) cannot hold");
    return false;
}

bool Exists(const std::string& path) {
    return CPlatformFileSystem().GetAttributes(path).readable;
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The folder of --into, or the root.
CBlock* Target(CBlock& root, const EditArgs& a) {
    const std::string* into = a.Get("--into");
    return into ? Resolve(root, *into, true) : &root;
}

void TellLeftOut(const char* why, const LeftOutFolders& folders) {
    if (!folders.count) return;
    std::fprintf(stderr, "plr: %zu folder%s left out, %s:\n", folders.count,
                 folders.count == 1 ? "" : "s", why);
    for (const std::string& path : folders.first) {
        std::fprintf(stderr, "  %s\n", TerminalText(path).c_str());
    }
    if (folders.count > folders.first.size()) {
        std::fprintf(stderr, "  (and %zu more)\n", folders.count - folders.first.size());
    }
}

}  // namespace

int RunNew(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {"--name"}, false, a)) return 2;
    if (a.words.size() != 1) return Fail("expected one FILE (see --help)");
    const std::string& path = a.words[0];
    std::string name = kDefaultRootName;
    if (const std::string* given = a.Get("--name")) {
        if (given->empty()) return Fail("--name must not be empty");
        if (!TypedText("--name", *given, name)) return 2;
    }
    if (Exists(path)) return Fail(path + " exists already; plr new writes a new file only");
    CBlock root;
    root.m_bFolder = 1;
    root.m_strName = name;
    return Save(path, root, "made " + path + " with the folder " + TerminalText(name));
}

int RunImport(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {"--into", "--filetype"}, false, a)) return 2;
    if (a.words.size() < 2) return Fail("expected FILE and at least one DIR (see --help)");
    std::vector<std::string> dirs;
    CPlatformFileSystem fs;
    for (std::size_t i = 1; i < a.words.size(); ++i) {
        const std::string whole = WholePath(a.words[i]);
        const PathAttributes attributes = fs.GetAttributes(whole);
        if (whole.empty() || !attributes.readable || !attributes.isDirectory) {
            return Fail("not a folder: " + a.words[i]);
        }
        dirs.push_back(whole);
    }
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    CBlock* target = Target(*root, a);
    if (!target) return 2;

    FolderScan scan;
    scan.fs = &fs;
    const std::string* fileType = a.Get("--filetype");
    scan.fileTypes = FileTypeTokens(fileType ? *fileType : SettingsFileType());
    LeftOutFolders tooDeep, unreadable;
    scan.tooDeep = &tooDeep;
    scan.unreadable = &unreadable;
    std::vector<ImportNode> nodes;
    const std::vector<std::string> refused = ScanRefusingNames([&] {
        for (const std::string& dir : dirs) {
            ImportNode node{dir, true, {}};
            ScanFolder(scan, node);
            nodes.push_back(std::move(node));
        }
    });
    std::size_t entries = 0;
    for (const ImportNode& node : nodes) {
        entries += CountNodes(node);
        AppendImported(*target, node, *target, 2);
    }
    std::vector<CBlock*> folders;
    for (int i = target->m_Children.GetCount() - static_cast<int>(nodes.size());
         i < target->m_Children.GetCount(); ++i) {
        target->m_Children.GetAtIndex(i)->CollectFolders(folders, true);
    }
    if (!refused.empty()) {
        std::fprintf(stderr, "plr: %zu name%s left out, which CP932 cannot hold:\n", refused.size(),
                     refused.size() == 1 ? "" : "s");
        for (const std::string& name : refused) std::fprintf(stderr, "  %s\n", name.c_str());
    }
    TellLeftOut("too deep to follow", tooDeep);
    TellLeftOut("gone or unreadable", unreadable);
    return Save(a.words[0], *root,
                "imported " + Plural(folders.size(), "folder", "folders") + " and " +
                    Plural(entries - folders.size(), "file", "files") + " into " + ItemOf(*target));
}

int RunAdd(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {"--into"}, false, a)) return 2;
    if (a.words.size() < 2) return Fail("expected FILE and at least one PATH (see --help)");
    CPlatformFileSystem fs;
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < a.words.size(); ++i) {
        const std::string whole = WholePath(a.words[i]);
        if (whole.empty() || !fs.GetAttributes(whole).readable) {
            return Fail("no such file or folder: " + a.words[i]);
        }
        paths.push_back(whole);
    }
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    CBlock* target = Target(*root, a);
    if (!target) return 2;
    std::size_t directories = 0;
    for (const std::string& path : paths) {
        // A folder on disk is one entry that the changer searches at each tick.
        if (fs.GetAttributes(path).isDirectory) ++directories;
        AppendImported(*target, ImportNode{path, false, {}}, *target, 0);
    }
    std::string what = Plural(paths.size() - directories, "picture", "pictures");
    if (directories) what += " and " + Plural(directories, "directory entry", "directory entries");
    return Save(a.words[0], *root, "added " + what + " to " + ItemOf(*target));
}

int RunMkdir(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {}, false, a)) return 2;
    if (a.words.size() != 2) return Fail("expected FILE and FOLDER (see --help)");
    std::vector<std::string> parts;
    if (!SplitItem(a.words[1], parts) || parts.empty()) {
        return Fail("'" + a.words[1] +
                    "' names no new folder (a slash inside a name is written //)");
    }
    std::string name;
    if (!TypedText("FOLDER", parts.back(), name)) return 2;
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    CBlock* parent = root.get();
    if (parts.size() > 1) {
        std::string up;
        for (std::size_t k = 0; k + 1 < parts.size(); ++k)
            up += (k ? "/" : "") + EscapeItemPart(parts[k]);
        parent = Resolve(*root, up, true);
        if (!parent) return 2;
    }
    for (int i = 0; i < parent->m_Children.GetCount(); ++i) {
        const CBlock* child = parent->m_Children.GetAtIndex(i);
        if (TerminalText(ItemName(*child)) == TerminalText(name)) {
            return Fail("'" + a.words[1] + "' is there already");
        }
    }
    // As the editor's new folder: the parent's priority, inherit flag and texts.
    auto folder = std::make_unique<CBlock>();
    folder->m_bFolder = 1;
    folder->m_strName = name;
    folder->m_nPriority = parent->m_nPriority;
    folder->m_bInherit = parent->m_bInherit;
    folder->SetTexts(parent->Author(), parent->Comment(), parent);
    folder->m_pParent = parent;
    parent->m_Children.AddTail(folder.get());
    const CBlock* made = folder.release();
    return Save(a.words[0], *root, "made the folder " + ItemOf(*made));
}

namespace {

// The entries the ITEMs name, each once; false after saying why. The root is refused.
bool ResolveAll(CBlock& root, const std::vector<std::string>& items, std::vector<CBlock*>& out) {
    for (const std::string& item : items) {
        CBlock* entry = Resolve(root, item, false);
        if (!entry) return false;
        if (entry == &root) {
            Fail("the root folder cannot be " + std::string("moved or removed"));
            return false;
        }
        bool again = false;
        for (const CBlock* e : out) again = again || e == entry;
        if (!again) out.push_back(entry);
    }
    return true;
}

}  // namespace

int RunRm(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {}, false, a)) return 2;
    if (a.words.size() < 2) return Fail("expected FILE and at least one ITEM (see --help)");
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    std::vector<CBlock*> entries;
    if (!ResolveAll(*root, {a.words.begin() + 1, a.words.end()}, entries)) return 2;
    std::string names;
    std::size_t removed = 0;
    for (CBlock* entry : entries) {
        // One named inside another named one went with it.
        bool gone = false;
        for (const CBlock* other : entries)
            gone = gone || (other != entry && IsSameOrBelow(entry, other));
        if (gone) continue;
        names += (removed++ ? ", " : "") + ItemOf(*entry);
    }
    for (CBlock* entry : entries) {
        bool inside = false;
        for (const CBlock* other : entries)
            inside = inside || (other != entry && IsSameOrBelow(entry, other));
        if (!inside) entry->DeleteEntry();
    }
    return Save(a.words[0], *root, "removed " + names);
}

int RunMv(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {"--into"}, false, a)) return 2;
    if (a.words.size() < 2) return Fail("expected FILE and at least one ITEM (see --help)");
    if (!a.Get("--into")) return Fail("--into FOLDER is needed: where the items go");
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    CBlock* target = Target(*root, a);
    if (!target) return 2;
    std::vector<CBlock*> entries;
    if (!ResolveAll(*root, {a.words.begin() + 1, a.words.end()}, entries)) return 2;
    for (const CBlock* entry : entries) {
        if (IsSameOrBelow(target, entry)) {
            return Fail("cannot move " + ItemOf(*entry) + " into itself or a folder below it");
        }
    }
    for (CBlock* entry : entries) {
        entry->m_pParent->m_Children.Detach(entry);
        entry->m_pParent = target;
        target->m_Children.AddTail(entry);
    }
    return Save(a.words[0], *root,
                "moved " + Plural(entries.size(), "item", "items") + " into " + ItemOf(*target));
}

int RunSet(const std::vector<std::string>& args) {
    EditArgs a;
    if (!ParseEditArgs(args, {"--priority", "--author", "--comment", "--inherit", "--changer"},
                       true, a)) {
        return 2;
    }
    if (a.words.size() < 2) return Fail("expected FILE and at least one ITEM (see --help)");
    PropertyChange change;
    std::string what;
    if (const std::string* p = a.Get("--priority")) {
        if (p->size() != 1 || (*p)[0] < '0' || (*p)[0] > '4') {
            return Fail("--priority '" + *p + "' is not a level from 0 to 4");
        }
        change.updatePriority = true;
        change.priority = (*p)[0] - '0';
        what += ", priority";
    }
    if (const std::string* t = a.Get("--author")) {
        if (!TypedText("--author", *t, change.author)) return 2;
        change.updateAuthor = true;
        what += ", author";
    }
    if (const std::string* t = a.Get("--comment")) {
        if (!TypedText("--comment", *t, change.comment)) return 2;
        change.updateComment = true;
        what += ", comment";
    }
    const char* const flags[] = {"--inherit", "--changer"};
    for (const char* flag : flags) {
        const std::string* v = a.Get(flag);
        if (!v) continue;
        if (*v != "on" && *v != "off")
            return Fail(std::string(flag) + " '" + *v + "' is neither on nor off");
        const int on = *v == "on" ? 1 : 0;
        if (flag == flags[0]) {
            change.updateInherit = true;
            change.inherit = on;
            what += ", inherit flag";
        } else {
            change.updateChanger = true;
            change.changerEnabled = on;
            what += ", changer flag";
        }
    }
    if (what.empty())
        return Fail("nothing to set: give --priority, --author, --comment, --inherit or --changer");
    change.subfolders = a.recursive;
    auto root = LoadForEdit(a.words[0]);
    if (!root) return 2;
    std::vector<CBlock*> entries;
    for (std::size_t i = 1; i < a.words.size(); ++i) {
        CBlock* entry = Resolve(*root, a.words[i], false);
        if (!entry) return 2;
        entries.push_back(entry);
    }
    for (CBlock* entry : entries) ApplyPropertyChange(*entry, change);
    std::string done =
        "set the " + what.substr(2) + " of " + Plural(entries.size(), "item", "items");
    if (a.recursive) done += " and everything in them";
    return Save(a.words[0], *root, done);
}
