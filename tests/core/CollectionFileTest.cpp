#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace fs = std::filesystem;

// Files our saves left beside their targets in the temporary directory.
int StrayTemporaryFiles() {
    int n = 0;
    for (const auto& e : fs::directory_iterator(::testing::TempDir())) {
        if (e.path().filename().string().rfind("~plr", 0) == 0) ++n;
    }
    return n;
}

std::string Collection(const std::string& name, int entries) {
    CBlock root;
    root.m_bFolder = 1;
    root.m_strName = name;
    for (int i = 0; i < entries; ++i) {
        CBlock* e = new CBlock;
        e->m_strName = "C:\\" + name + "\\" + std::to_string(i) + ".jpg";
        e->m_pParent = &root;
        root.m_Children.AddTail(e);
    }
    CStringSink sink;
    root.WriteRecord(sink);
    return sink.Text();
}

bool SaveText(const std::string& path, const std::string& text, std::string& error) {
    return WriteFileReplacing(
        path, [&](IByteSink& sink) { sink.Write(text); }, error);
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

// A file of several MiB is read in pieces whose pages are handed back on the way; every line,
// the damaged ones and a last one ending in a lone CR included, must come out as from memory.
TEST(CollectionFile, LargeFileReadsAsTheSameTextFromMemory) {
    std::string text = Collection("big", 120000);
    text.resize(text.size() - std::string("}FILE\r\n").size());
    text.insert(text.find('\n', text.size() / 2) + 1, "DATA\t\"half/\"way\",\"4\"\r\nBOGUS\r\n");
    text += "DATA\t\"tail\",\"3\",\"a b\"\r";
    ASSERT_GT(text.size(), 3u * 1024 * 1024);
    const std::string path = TempPath("large.plr");
    Spit(path, text);

    auto read = [](auto&& readInto, std::vector<ReadProblem>& problems) {
        CBlock* root = nullptr;
        RecordReadContext context;
        context.ppRoot = &root;
        context.problems = &problems;
        readInto(context);
        std::unique_ptr<CBlock> owned(root);
        CStringSink sink;
        if (root) root->WriteRecord(sink);
        return sink.Text();
    };
    std::vector<ReadProblem> fromFileProblems, fromMemoryProblems;
    const std::string fromFile = read(
        [&](RecordReadContext& context) {
            EXPECT_EQ(ReadCollectionFile(path, context, nullptr), ReadStatus::Ok);
        },
        fromFileProblems);
    const std::string fromMemory = read(
        [&](RecordReadContext& context) {
            CStringLineSource source(text);
            ReadRecords(source, nullptr, context);
        },
        fromMemoryProblems);
    EXPECT_EQ(fromFile, fromMemory);
    EXPECT_NE(fromFile.find("C:\\big\\119999.jpg"), std::string::npos);
    EXPECT_NE(fromFile.find("half/\"way"), std::string::npos);
    ASSERT_EQ(fromFileProblems.size(), fromMemoryProblems.size());
    ASSERT_EQ(fromFileProblems.size(), 2u);  // the unknown record and the unclosed folder
    for (std::size_t i = 0; i < fromFileProblems.size(); ++i) {
        EXPECT_EQ(fromFileProblems[i].line, fromMemoryProblems[i].line);
        EXPECT_EQ(fromFileProblems[i].reason, fromMemoryProblems[i].reason);
    }
    EXPECT_NE(fromFile.find("\"tail\",\"3\",\"a b\""), std::string::npos);
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
    EXPECT_EQ(StrayTemporaryFiles(), 0);
    std::remove(inside.c_str());
#ifdef _WIN32
    std::system(("rmdir \"" + path + "\"").c_str());
#else
    std::system(("rmdir '" + path + "'").c_str());
#endif
}

// ---- Saving harms nothing but its target.

TEST(SafeSave, FilesBesideTheTargetAreLeftAlone) {
    std::string path = TempPath("beside.plr");
    std::string own = path + ".tmp";  // the user's own file of that name
    Spit(own, "mine");
    Spit(path, "old");
    std::string error;
    ASSERT_TRUE(SaveText(path, "new", error)) << error;
    EXPECT_EQ(Slurp(path), "new");
    EXPECT_EQ(Slurp(own), "mine");
    EXPECT_EQ(StrayTemporaryFiles(), 0);
    std::remove(own.c_str());
    std::remove(path.c_str());
}

TEST(SafeSave, ReadOnlyTargetIsRefusedAndKept) {
    std::string path = TempPath("readonly.plr");
    std::remove(path.c_str());
    Spit(path, "old");
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string error;
    EXPECT_FALSE(SaveText(path, "new", error));
    EXPECT_EQ(error, "the file is read-only");
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(StrayTemporaryFiles(), 0);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    std::remove(path.c_str());
}

TEST(SafeSave, PathsUpToTheSystemLimitSave) {
    // A target of 259 characters (the longest an ordinary Windows path may be); the
    // temporary file beside it is longer still.
    std::string dir = ::testing::TempDir() + "plr_long";
    std::string sep = fs::path::preferred_separator == '\\' ? "\\" : "/";
    for (std::size_t length : {257u, 258u, 259u}) {
        std::string base = dir + sep;
        ASSERT_LT(base.size() + 8, length);
        std::string file = base + std::string(length - base.size() - 4, 'n') + ".plr";
        ASSERT_EQ(file.size(), length);
        fs::create_directories(dir);
        std::string error;
        ASSERT_TRUE(SaveText(file, "saved", error)) << length << ": " << error;
        EXPECT_EQ(Slurp(file), "saved");
        ASSERT_TRUE(SaveText(file, "again", error)) << length << ": " << error;  // replacing
        EXPECT_EQ(Slurp(file), "again");
    }
    std::size_t left = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename().string().rfind("~plr", 0) == 0) ++left;
    }
    EXPECT_EQ(left, 0u);
    fs::remove_all(dir);
}

TEST(SafeSave, ConcurrentSavesEachLeaveACompleteCollection) {
    // Many saves of different collections to one path at once: whichever wins, the file is
    // one of them whole, and no temporary file stays behind.
    std::string path = TempPath("race.plr");
    std::vector<std::string> texts;
    for (int i = 0; i < 8; ++i) texts.push_back(Collection("c" + std::to_string(i), 300 + 97 * i));
    std::atomic<int> failures{0};
    for (int round = 0; round < 5; ++round) {
        std::vector<std::thread> savers;
        for (const std::string& text : texts) {
            savers.emplace_back([&path, &text, &failures] {
                std::string error;
                for (int k = 0; k < 4; ++k) {
                    if (!SaveText(path, text, error)) ++failures;
                }
            });
        }
        for (auto& t : savers) t.join();
        std::string result = Slurp(path);
        bool whole = false;
        for (const std::string& text : texts) whole = whole || result == text;
        EXPECT_TRUE(whole) << "round " << round << ": " << result.size() << " bytes";
    }
    EXPECT_EQ(StrayTemporaryFiles(), 0);
    std::remove(path.c_str());
}

#ifndef _WIN32
TEST(SafeSave, ModeBitsOfTheTargetAreKept) {
    std::string path = TempPath("mode.plr");
    for (mode_t mode : {0600, 0640, 0664}) {
        std::remove(path.c_str());
        Spit(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        std::string error;
        ASSERT_TRUE(SaveText(path, "new", error)) << error;
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(Slurp(path), "new");
    }
    std::remove(path.c_str());
}

TEST(SafeSave, ANewFileGetsTheModeOfAnyNewFileAndAReplacedOneKeepsItsOwn) {
    std::string path = TempPath("fresh.plr");
    std::remove(path.c_str());
    const mode_t previous = umask(027);
    std::string error;
    ASSERT_TRUE(SaveText(path, "new", error)) << error;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // The mask is the process's again afterwards.
    EXPECT_EQ(umask(previous), 027u);
    // A target more open than the mask keeps its mode.
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    umask(077);
    ASSERT_TRUE(SaveText(path, "again", error)) << error;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    umask(previous);
    std::remove(path.c_str());
}

TEST(SafeSave, ALinkedTargetIsWrittenThroughAndStaysALink) {
    std::string real = TempPath("real.plr");
    std::string link = TempPath("link.plr");
    std::remove(link.c_str());
    Spit(real, "old");
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    std::string error;
    ASSERT_TRUE(SaveText(link, "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(real), "new");
    std::remove(link.c_str());
    std::remove(real.c_str());
}

TEST(SafeSave, ALinkWhereATemporaryFileMightGoIsNeverFollowed) {
    std::string path = TempPath("guarded.plr");
    std::string victim = TempPath("victim.txt");
    Spit(victim, "precious");
    Spit(path, "old");
    // Links under the old fixed name and under names of our own kind.
    std::vector<std::string> links = {path + ".tmp"};
    for (const char* n : {"~plr.aaaaaa", "~plr.XXXXXX"}) links.push_back(::testing::TempDir() + n);
    for (const auto& l : links) {
        std::remove(l.c_str());
        ASSERT_EQ(symlink(victim.c_str(), l.c_str()), 0);
    }
    std::string error;
    ASSERT_TRUE(SaveText(path, "new", error)) << error;
    EXPECT_EQ(Slurp(path), "new");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(Slurp(victim), "precious");
    for (const auto& l : links) std::remove(l.c_str());
    std::remove(path.c_str());
    std::remove(victim.c_str());
}
#endif
