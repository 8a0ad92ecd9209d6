#include "doc/FolderScan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "ChangerFakes.h"

namespace {

// A disk whose folder "C:\top\back" is a link to "C:\top" itself.
class LinkedFileSystem : public FakeFileSystem {
  public:
    std::string DirectoryIdentity(const std::string& path) const override {
        if (path == "C:\\top\\back" || path == "C:\\top") return "id-top";
        return dirs.count(path) ? "id-" + path : std::string();
    }
};

std::vector<std::string> Names(const ImportNode& node) {
    std::vector<std::string> names;
    for (const ImportNode& child : node.children) names.push_back(child.path);
    return names;
}

}  // namespace

TEST(FolderScan, TakesFilesByTheirOwnNameAndFollowsSubFoldersButNoLoop) {
    LinkedFileSystem fs;
    // "x.jpgx" is what the system's search offers for "*.JPG" through its short name.
    fs.dirs["C:\\top"] = {"x.jpgx", "b.JPG", "sub", "note.txt", "back", "a.bmp"};
    fs.dirs["C:\\top\\sub"] = {"c.jpg", "d.jpeg"};
    fs.dirs["C:\\top\\back"] = {"b.JPG"};
    for (const auto& [dir, names] : fs.dirs) {
        for (const std::string& name : names) {
            if (!fs.dirs.count(dir + "\\" + name)) fs.files[dir + "\\" + name] = true;
        }
    }
    std::atomic<std::size_t> found{0};
    CCurrentFolder current;
    FolderScan scan;
    scan.fs = &fs;
    scan.fileTypes = {"BMP", "JPG"};
    scan.found = &found;
    scan.current = &current;
    ImportNode top{"C:\\top", true, {}};
    ASSERT_TRUE(ScanFolder(scan, top));
    EXPECT_EQ(current.Get(), "C:\\top\\sub");  // the last folder read, as the progress shows it
    EXPECT_EQ(Names(top), (std::vector<std::string>{"C:\\top\\b.JPG", "C:\\top\\sub",
                                                    "C:\\top\\a.bmp"}));
    EXPECT_TRUE(top.children[1].folder);
    EXPECT_EQ(Names(top.children[1]), (std::vector<std::string>{"C:\\top\\sub\\c.jpg"}));
    EXPECT_EQ(found.load(), 4u);
    EXPECT_EQ(CountNodes(top), 5u);
}

TEST(FolderScan, StopsAtTheDepthLimitAndWhenCancelled) {
    FakeFileSystem fs;
    std::string path = "C:\\d";
    for (int i = 0; i < 10; ++i) {
        fs.dirs[path] = {"d", "f.jpg"};
        fs.files[path + "\\f.jpg"] = true;
        path += "\\d";
    }
    FolderScan scan;
    scan.fs = &fs;
    scan.fileTypes = {"JPG"};
    scan.maxDepth = 3;
    ImportNode top{"C:\\d", true, {}};
    LeftOutFolders tooDeep;
    scan.tooDeep = &tooDeep;
    ASSERT_TRUE(ScanFolder(scan, top));
    // Levels 0 to 2 are read; the folder at depth 3 is not taken, and that is told.
    EXPECT_EQ(CountNodes(top), 1u + 2u + 2u + 1u);
    EXPECT_EQ(tooDeep.count, 1u);
    EXPECT_EQ(tooDeep.first, std::vector<std::string>{"C:\\d\\d\\d\\d"});
    scan.tooDeep = nullptr;

    std::atomic<bool> cancel{true};
    scan.cancel = &cancel;
    ImportNode stopped{"C:\\d", true, {}};
    EXPECT_FALSE(ScanFolder(scan, stopped));
    EXPECT_TRUE(stopped.children.empty());
}

// Folders deleted while an import runs: the listing of a folder that went delivers nothing,
// without a word; the scan notes them by asking after each listing.
class VanishingFileSystem : public FakeFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override {
        return gone.count(path) ? PathAttributes{} : FakeFileSystem::GetAttributes(path);
    }
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string&)>& onName) const override {
        if (gone.count(dir)) return;
        // Each name's kind is read with the listing, as the platform's own does.
        FakeFileSystem::Enumerate(dir, pattern, onName);
        auto then = vanishAfter.find(dir);
        if (then != vanishAfter.end()) gone.insert(then->second);
    }
    std::map<std::string, std::string> vanishAfter;  // listing -> folder deleted as it ends
    mutable std::set<std::string> gone;
};

TEST(FolderScan, NotesFoldersThatWentAndHowManyLieTooDeep) {
    VanishingFileSystem fs;
    fs.dirs["C:\\src"] = {"a", "b", "c", "x.jpg"};
    fs.files["C:\\src\\x.jpg"] = true;
    fs.dirs["C:\\src\\a"] = {"1.jpg"};
    fs.files["C:\\src\\a\\1.jpg"] = true;
    fs.dirs["C:\\src\\b"] = {};
    fs.dirs["C:\\src\\c"] = {"2.jpg"};
    fs.files["C:\\src\\c\\2.jpg"] = true;
    // "a" goes before its turn, "c" while it is read; the empty "b" is no loss.
    fs.vanishAfter = {{"C:\\src", "C:\\src\\a"}, {"C:\\src\\c", "C:\\src\\c"}};
    FolderScan scan;
    scan.fs = &fs;
    scan.fileTypes = {"JPG"};
    LeftOutFolders unreadable;
    scan.unreadable = &unreadable;
    ImportNode top{"C:\\src", true, {}};
    ASSERT_TRUE(ScanFolder(scan, top));
    EXPECT_EQ(unreadable.count, 2u);
    EXPECT_EQ(unreadable.first, (std::vector<std::string>{"C:\\src\\a", "C:\\src\\c"}));

    // Many folders beyond the limit: all are counted, the first few named.
    FakeFileSystem wide;
    wide.dirs["C:\\w"] = {};
    for (int i = 0; i < 25; ++i) {
        wide.dirs["C:\\w"].push_back("d" + std::to_string(i));
        wide.dirs["C:\\w\\d" + std::to_string(i)] = {};
    }
    LeftOutFolders tooDeep;
    FolderScan shallow;
    shallow.fs = &wide;
    shallow.maxDepth = 1;
    shallow.tooDeep = &tooDeep;
    ImportNode w{"C:\\w", true, {}};
    ASSERT_TRUE(ScanFolder(shallow, w));
    EXPECT_TRUE(w.children.empty());
    EXPECT_EQ(tooDeep.count, 25u);
    EXPECT_EQ(tooDeep.first.size(), LeftOutFolders::kNamed);
    EXPECT_EQ(tooDeep.first[0], "C:\\w\\d0");
}
