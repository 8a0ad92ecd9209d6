#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/CollectionFile.h"

namespace {

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "plr_" + name;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

TEST(CollectionFile, ReadsLongLinesAndAFinalLineWithoutBreak) {
    std::string path = TempPath("long.plr");
    std::string longName(100000, 'n');
    Spit(path, "FILE{\nNAME\t\"" + longName + "\"\r\nDATA\t\"last\",\"1\"");
    CBlock* root = nullptr;
    RecordReadContext context;
    context.ppRoot = &root;
    ASSERT_EQ(ReadCollectionFile(path, context, nullptr), ReadStatus::Ok);
    std::unique_ptr<CBlock> owned(root);
    EXPECT_EQ(root->m_strName, longName);
    ASSERT_EQ(root->m_Children.GetCount(), 1);
    EXPECT_EQ(root->m_Children.GetAtIndex(0)->m_nPriority, 1);
    std::remove(path.c_str());
}

TEST(CollectionFile, MissingFileCannotBeOpened) {
    CBlock* root = nullptr;
    RecordReadContext context;
    context.ppRoot = &root;
    EXPECT_EQ(ReadCollectionFile(TempPath("does-not-exist.plr"), context, nullptr),
              ReadStatus::CannotOpen);
    EXPECT_EQ(root, nullptr);
}

TEST(CollectionFile, ChangerLoadPutsTheFileRootBelowItsOwnRoot) {
    std::string path = TempPath("changer.plr");
    Spit(path, "FILE{\r\nNAME\t\"R\"\r\n}FILE\r\nFILE{\r\nNAME\t\"S\"\r\n}FILE\r\n");
    CBlock root;
    root.m_bFolder = 1;
    RecordReadContext context;  // no document root to replace
    ASSERT_EQ(ReadCollectionFile(path, context, &root), ReadStatus::Ok);
    ASSERT_EQ(root.m_Children.GetCount(), 2);
    EXPECT_EQ(root.m_Children.GetAtIndex(0)->m_strName, "R");
    EXPECT_EQ(root.m_Children.GetAtIndex(1)->m_pParent, &root);
    std::remove(path.c_str());
}

TEST(CollectionFile, SaveReplacesOnlyWhenFullyWritten) {
    std::string path = TempPath("save.plr");
    Spit(path, "old contents");
    CBlock root;
    root.m_bFolder = 1;
    root.m_strName = "Pelorand";
    std::string error;
    ASSERT_TRUE(WriteCollectionFile(path, root, error)) << error;
    EXPECT_EQ(Slurp(path),
              "FILE{\r\nNAME\t\"Pelorand\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    EXPECT_FALSE(std::ifstream(path + ".tmp").good());

    // A target in a directory that does not exist fails and reports why.
    EXPECT_FALSE(WriteCollectionFile(TempPath("no-such-dir/x.plr"), root, error));
    EXPECT_FALSE(error.empty());
    std::remove(path.c_str());
}

TEST(CollectionFile, FailedStartLeavesTheOldFile) {
    // A directory stands where the temporary file would go, so the write cannot start.
    std::string path = TempPath("guarded.plr");
    Spit(path, "keep me");
    std::string blocker = path + ".tmp";
#ifdef _WIN32
    std::string mk = "mkdir \"" + blocker + "\"";
    std::string rm = "rmdir \"" + blocker + "\"";
#else
    std::string mk = "mkdir -p '" + blocker + "'";
    std::string rm = "rmdir '" + blocker + "'";
#endif
    ASSERT_EQ(std::system(mk.c_str()), 0);
    CBlock root;
    root.m_bFolder = 1;
    std::string error;
    EXPECT_FALSE(WriteCollectionFile(path, root, error));
    EXPECT_EQ(Slurp(path), "keep me");
    EXPECT_EQ(std::system(rm.c_str()), 0);
    std::remove(path.c_str());
}

TEST(CollectionFile, FailedRenameLeavesTargetAndRemovesTheTemporaryFile) {
    // The target is a directory holding a file: writing works, replacing it cannot.
    std::string path = TempPath("dir-target.plr");
    std::string inside = path + "/keep.txt";
#ifdef _WIN32
    ASSERT_EQ(std::system(("mkdir \"" + path + "\"").c_str()), 0);
#else
    ASSERT_EQ(std::system(("mkdir -p '" + path + "'").c_str()), 0);
#endif
    Spit(inside, "keep");
    CBlock root;
    root.m_bFolder = 1;
    std::string error;
    EXPECT_FALSE(WriteCollectionFile(path, root, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Slurp(inside), "keep");
    EXPECT_FALSE(std::ifstream(path + ".tmp").good());
    std::remove(inside.c_str());
#ifdef _WIN32
    std::system(("rmdir \"" + path + "\"").c_str());
#else
    std::system(("rmdir '" + path + "'").c_str());
#endif
}
