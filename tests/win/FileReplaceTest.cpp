#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/ByteStream.h"
#include "model/CollectionFile.h"
#include "model/FileReplace_win.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A folder of its own for each test, so that anything a save leaves beside the collection shows.
class FileReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = ::testing::TempDir() + "plr_replace_" + info->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = dir + "\\collection.plr";
        Spit(path, "old");
        ops = SystemFileReplaceOps();
        ops.wait = [this](DWORD ms) { waited += ms; };
    }
    void TearDown() override { fs::remove_all(dir); }

    bool Save(const std::string& text, std::string* keptAt = nullptr) {
        return SaveReplacingWith(
            path,
            [&](std::FILE* file, std::string&) {
                return std::fwrite(text.data(), 1, text.size(), file) == text.size();
            },
            error, keptAt, ops);
    }
    // Every name in the folder but the collection's.
    std::vector<std::string> Others() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) {
            if (e.path().filename() != "collection.plr")
                names.push_back(e.path().filename().string());
        }
        return names;
    }

    std::string dir, path, error;
    FileReplaceOps ops;
    DWORD waited = 0;
};

// Held as a sync client or a virus scanner holds a file: read, without sharing delete or write.
CUniqueFile HoldWithoutDeleteSharing(const std::string& path) {
    return CUniqueFile(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

TEST_F(FileReplaceTest, ACollectionHeldForAMomentIsSavedOnceItIsLetGo) {
    CUniqueFile held = HoldWithoutDeleteSharing(path);
    ASSERT_TRUE(held);
    std::thread release([&] {
        Sleep(300);
        held.Reset();
    });
    const auto start = Clock::now();
    std::string saveError;
    const bool saved = WriteFileReplacing(
        path, [](IByteSink& sink) { sink.Write("new"); }, saveError);
    const auto spent = Clock::now() - start;
    release.join();
    ASSERT_TRUE(saved) << saveError;
    EXPECT_GE(spent, std::chrono::milliseconds(250));
    EXPECT_EQ(Slurp(path), "new");
    EXPECT_EQ(Others(), std::vector<std::string>{});
}

TEST_F(FileReplaceTest, ACollectionHeldThroughoutIsReportedAndNothingIsLeftBesideIt) {
    CUniqueFile held = HoldWithoutDeleteSharing(path);
    ASSERT_TRUE(held);
    ops.wait = [](DWORD ms) { Sleep(ms); };
    for (int save = 0; save < 2; ++save) {  // Ctrl+S, and again
        const auto start = Clock::now();
        std::string keptAt = "?";
        EXPECT_FALSE(Save("new", &keptAt));
        const auto spent = Clock::now() - start;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(keptAt, "");
        // Tried for about a second, not for ever.
        EXPECT_GE(spent, std::chrono::milliseconds(900));
        EXPECT_LT(spent, std::chrono::milliseconds(5000));
    }
    held.Reset();
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(Others(), std::vector<std::string>{});
    // And a later save works and leaves nothing either.
    ASSERT_TRUE(Save("new")) << error;
    EXPECT_EQ(Slurp(path), "new");
    EXPECT_EQ(Others(), std::vector<std::string>{});
}

TEST_F(FileReplaceTest, PassingRefusalsAreTriedAgainForAboutASecond) {
    for (DWORD code : {DWORD(ERROR_SHARING_VIOLATION), DWORD(ERROR_ACCESS_DENIED),
                       DWORD(ERROR_UNABLE_TO_REMOVE_REPLACED)}) {
        int refusals = 3;
        ops.replace = [&](const wchar_t* target, const wchar_t* replacement,
                          const wchar_t* backup) {
            if (refusals-- > 0) {
                SetLastError(code);
                return FALSE;
            }
            return SystemFileReplaceOps().replace(target, replacement, backup);
        };
        waited = 0;
        ASSERT_TRUE(Save("saved " + std::to_string(code))) << error;
        EXPECT_EQ(Slurp(path), "saved " + std::to_string(code));
        EXPECT_EQ(waited, 50u + 100u + 150u);
        EXPECT_EQ(Others(), std::vector<std::string>{});
    }
    // Refused for good: reported after the last wait, the old file untouched.
    ops.replace = [](const wchar_t*, const wchar_t*, const wchar_t*) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    };
    Spit(path, "old");
    waited = 0;
    EXPECT_FALSE(Save("new"));
    EXPECT_GE(waited, 900u);
    EXPECT_LE(waited, 1200u);
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(Others(), std::vector<std::string>{});
    // Other errors are not waited for.
    ops.replace = [](const wchar_t*, const wchar_t*, const wchar_t*) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    waited = 0;
    EXPECT_FALSE(Save("new"));
    EXPECT_EQ(waited, 0u);
    EXPECT_EQ(Others(), std::vector<std::string>{});
}

TEST_F(FileReplaceTest, AReplaceThatStopsHalfWayStillEndsWithTheSavedCollectionInPlace) {
    // Windows' two half-way failures: the old file moved to the backup name (or removed) and
    // the new one never moved in, so the target is missing.
    for (bool withBackup : {true, false}) {
        Spit(path, "old");
        ops.replace = [&](const wchar_t* target, const wchar_t*, const wchar_t* backup) {
            if (withBackup) {
                MoveFileExW(target, backup, 0);
                SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
            } else {
                DeleteFileW(target);
                SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
            }
            return FALSE;
        };
        std::string keptAt = "?";
        ASSERT_TRUE(Save("new", &keptAt)) << error;
        EXPECT_EQ(keptAt, "");
        EXPECT_EQ(Slurp(path), "new");
        EXPECT_EQ(Others(), std::vector<std::string>{}) << withBackup;
    }
}

TEST_F(FileReplaceTest, ASavedCollectionThatCannotBeMovedInIsKeptAndTheOldOneComesBack) {
    ops.replace = [](const wchar_t* target, const wchar_t*, const wchar_t* backup) {
        MoveFileExW(target, backup, 0);
        SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        return FALSE;
    };
    // The saved file cannot be moved (held by a scanner); the backup can.
    int refusedMoves = 0;
    ops.move = [&](const wchar_t* from, const wchar_t* to, DWORD flags) {
        if (EndsWith(from, L".tmp")) {
            ++refusedMoves;
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
        return MoveFileExW(from, to, flags);
    };
    std::string keptAt;
    EXPECT_FALSE(Save("new", &keptAt));
    EXPECT_GT(refusedMoves, 1);  // tried again before giving up
    ASSERT_FALSE(keptAt.empty());
    EXPECT_EQ(Slurp(keptAt), "new");
    EXPECT_NE(error.find(keptAt), std::string::npos) << error;
    EXPECT_EQ(Slurp(path), "old");
    // Only the kept collection stays beside the old one: no backup, nothing else.
    EXPECT_EQ(Others(), std::vector<std::string>{fs::path(keptAt).filename().string()});

    // When even the old file cannot come back, both are kept and named.
    Spit(path, "old");
    fs::remove(keptAt);
    ops.move = [](const wchar_t*, const wchar_t*, DWORD) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    };
    EXPECT_FALSE(Save("newer", &keptAt));
    ASSERT_FALSE(keptAt.empty());
    EXPECT_EQ(Slurp(keptAt), "newer");
    EXPECT_FALSE(fs::exists(path));
    std::vector<std::string> others = Others();
    ASSERT_EQ(others.size(), 2u);
    for (const std::string& name : others) {
        const std::string text = Slurp(dir + "\\" + name);
        EXPECT_TRUE(text == "old" || text == "newer") << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

TEST_F(FileReplaceTest, WhereReplacingIsRefusedOrUnsupportedTheFileIsPutInPlaceByRenames) {
    // A share without full control refuses ReplaceFile; FAT32, exFAT and WebDAV cannot do it.
    for (DWORD code : {DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_INVALID_PARAMETER),
                       DWORD(ERROR_NOT_SUPPORTED), DWORD(ERROR_INVALID_FUNCTION)}) {
        Spit(path, "old");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
        ops.replace = [code](const wchar_t*, const wchar_t*, const wchar_t*) {
            SetLastError(code);
            return FALSE;
        };
        std::vector<DWORD> moveFlags;
        ops.move = [&](const wchar_t* from, const wchar_t* to, DWORD flags) {
            moveFlags.push_back(flags);
            return MoveFileExW(from, to, flags);
        };
        const std::string text = "saved " + std::to_string(code);
        std::string keptAt = "?";
        ASSERT_TRUE(Save(text, &keptAt)) << code << " " << error;
        EXPECT_EQ(keptAt, "");
        EXPECT_EQ(Slurp(path), text);
        EXPECT_EQ(Others(), std::vector<std::string>{}) << code;
        EXPECT_EQ(moveFlags, (std::vector<DWORD>{MOVEFILE_WRITE_THROUGH, MOVEFILE_WRITE_THROUGH}));
        EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) << code;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FileReplaceTest, WhenTheRenamesFailTheOldFileStaysOrComesBackAndTheSavedOneIsNamedForTheUser) {
    ops.replace = [](const wchar_t*, const wchar_t*, const wchar_t*) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    };
    // The old file cannot be moved aside: nothing changes, nothing is left.
    ops.move = [](const wchar_t*, const wchar_t*, DWORD) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    };
    std::string keptAt = "?";
    EXPECT_FALSE(Save("new", &keptAt));
    EXPECT_EQ(keptAt, "");
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(Others(), std::vector<std::string>{});

    // The saved file cannot move in: the old one comes back, the saved one is kept under a
    // name that says what it is, shown as the user knows the path.
    const std::wstring target = L"collection.plr";
    ops.move = [&](const wchar_t* from, const wchar_t* to, DWORD flags) {
        if (EndsWith(from, L".tmp") && EndsWith(to, target)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return MoveFileExW(from, to, flags);
    };
    EXPECT_FALSE(Save("new", &keptAt));
    EXPECT_EQ(Slurp(path), "old");
    ASSERT_FALSE(keptAt.empty());
    EXPECT_EQ(keptAt.find("\\\\?\\"), std::string::npos) << keptAt;
    EXPECT_EQ(keptAt, dir + "\\collection (保存できなかった内容).plr");
    EXPECT_EQ(Slurp(keptAt), "new");
    EXPECT_EQ(Others().size(), 1u);  // no backup, nothing else
    // A second such save does not overwrite the first one kept.
    EXPECT_FALSE(Save("newer", &keptAt));
    EXPECT_EQ(keptAt, dir + "\\collection (保存できなかった内容 2).plr");
    EXPECT_EQ(Slurp(keptAt), "newer");
}
