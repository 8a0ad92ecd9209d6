#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "model/PlatformFileSystem.h"

namespace {

// A real directory with files of mixed case and a sub-directory, on whichever system runs.
class PlatformFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "plr_fs_test";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir + fs.Separator() + "sub");
        for (const char* name : {"x.JPG", "y.jpg", "z.bmp"}) {
            std::ofstream(dir + fs.Separator() + name) << "data";
        }
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::vector<std::string> List(const std::string& pattern, std::size_t stopAfter = 1000) {
        std::vector<std::string> names;
        fs.Enumerate(dir, pattern, [&](const std::string& name) {
            names.push_back(name);
            return names.size() < stopAfter;
        });
        std::sort(names.begin(), names.end());
        return names;
    }

    CPlatformFileSystem fs;
    std::string dir;
};

}  // namespace

TEST_F(PlatformFileSystemTest, AttributesTellFilesFromDirectoriesAndMissingPaths) {
    const PathAttributes file = fs.GetAttributes(dir + fs.Separator() + "x.JPG");
    EXPECT_TRUE(file.readable);
    EXPECT_FALSE(file.isDirectory);
    const PathAttributes sub = fs.GetAttributes(dir + fs.Separator() + "sub");
    EXPECT_TRUE(sub.readable);
    EXPECT_TRUE(sub.isDirectory);
    EXPECT_FALSE(fs.GetAttributes(dir + fs.Separator() + "missing").readable);
}

TEST_F(PlatformFileSystemTest, EnumerationMatchesWithoutCaseAndCanStop) {
    EXPECT_EQ(List("*.jpg"), (std::vector<std::string>{"x.JPG", "y.jpg"}));
    EXPECT_EQ(List("*.JPG"), (std::vector<std::string>{"x.JPG", "y.jpg"}));
    EXPECT_EQ(List("*.gif"), std::vector<std::string>{});
    EXPECT_EQ(List("*.*"), (std::vector<std::string>{".", "..", "sub", "x.JPG", "y.jpg", "z.bmp"}));
    EXPECT_EQ(List("*.jpg", 1).size(), 1u);
    std::vector<std::string> none;
    fs.Enumerate(dir + fs.Separator() + "missing", "*.*", [&](const std::string& name) {
        none.push_back(name);
        return true;
    });
    EXPECT_TRUE(none.empty());
}
