#include "doc/FolderScan.h"

#include <gtest/gtest.h>

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
    FolderScan scan;
    scan.fs = &fs;
    scan.fileTypes = {"BMP", "JPG"};
    scan.found = &found;
    ImportNode top{"C:\\top", true, {}};
    ASSERT_TRUE(ScanFolder(scan, top));
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
    ASSERT_TRUE(ScanFolder(scan, top));
    // Levels 0 to 2 are read; the folder at depth 3 is not taken.
    EXPECT_EQ(CountNodes(top), 1u + 2u + 2u + 1u);

    std::atomic<bool> cancel{true};
    scan.cancel = &cancel;
    ImportNode stopped{"C:\\d", true, {}};
    EXPECT_FALSE(ScanFolder(scan, stopped));
    EXPECT_TRUE(stopped.children.empty());
}
