// Names CP932 cannot hold: refused or taken by their short names, never turned
// into look-alikes, whatever the system's code page; and the program's own texts.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "doc/PelorandDoc.h"
#include "model/Block.h"
#include "doc/ShellTransfer.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

// 𠮷 lies outside every multibyte code page, é outside 932 (best fit makes it "e"), and ¥ is best
// fitted to 0x5C on 932: a backslash, a folder of its own.
const wchar_t kOutside[] = L"\U00020BB7";
const wchar_t kAccented[] = L"caf\u00e9";

std::wstring TempDirW(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 2] = L"";
    GetTempPathW(MAX_PATH + 2, temp);
    std::wstring dir = std::wstring(temp) + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring LongPathOf(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2] = L"";
    DWORD length = GetLongPathNameW(path.c_str(), buffer, MAX_PATH * 2);
    return length ? std::wstring(buffer, length) : std::wstring();
}

// A shell drop block of wide names, as Explorer hands one over.
std::string WideDrop(const std::vector<std::wstring>& names) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::wstring& name : names) {
        block.append(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * 2);
    }
    block.append(2, '\0');
    return block;
}

}  // namespace

TEST(Strconv, ExactConversionsOnlyAndTheProgramsTextsFromCodePage932) {
    std::string out = "untouched";
    EXPECT_FALSE(ToMultiByte(kOutside, out, 932));
    EXPECT_FALSE(ToMultiByte(kAccented, out, 932));
    EXPECT_FALSE(ToMultiByte(L"\u00a5", out, 932));
    EXPECT_EQ("untouched", out);
    EXPECT_TRUE(ToMultiByte(L"\u8868\u793a\\\u30bd\u30d5\u30c8", out, 932));  // 表示\ソフト
    EXPECT_EQ("表示\\ソフト", out);
    EXPECT_EQ(L"\u8868\u793a\\\u30bd\u30d5\u30c8", ToWide(out, 932));
    EXPECT_EQ(L"\u8868\u793a", UiText("表示"));
    // Shown only: a missing character is a question mark, not a look-alike.
    EXPECT_EQ("caf?", ToMultiByteLossy(kAccented, 932));
}

TEST(Strconv, ADroppedFileTheCodePageCannotNameArrivesByItsShortNameOrNotAtAll) {
    const std::wstring dir = TempDirW(L"StrconvDrop");
    const std::wstring outside = dir + L"\\" + kOutside + L"-picture.jpg";
    const std::wstring accented = dir + L"\\" + kAccented + L".jpg";
    const std::wstring plain = dir + L"\\plain.jpg";
    for (const std::wstring& path : {outside, accented, plain}) {
        CUniqueFile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
    }
    std::vector<std::string> paths;
    CRefusedNames refused;
    GetDroppedPaths(paths, WideDrop({outside, accented, plain}));
    // Every name is either added as a path that opens the very file dropped, or refused.
    ASSERT_EQ(3u, paths.size() + refused.Names().size());
    std::vector<std::wstring> reached;
    for (const std::string& path : paths) {
        std::wstring wide = ToWide(path);
        EXPECT_EQ(std::wstring::npos, wide.find(L'?')) << path;
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ToWide(path).c_str())) << path;
        reached.push_back(LongPathOf(wide));
    }
    for (const std::wstring& name : refused.Names()) reached.push_back(name);
    EXPECT_EQ(LongPathOf(outside), reached[0]);
    EXPECT_EQ(LongPathOf(plain), reached.back());
    EXPECT_EQ(ToMultiByteLossy(plain), paths.back());
    for (const std::wstring& path : {outside, accented, plain}) DeleteFileW(path.c_str());
    RemoveDirectoryW(dir.c_str());

    // The message names the refused file as it is.
    std::wstring message = RefusedNamesMessage({outside});
    EXPECT_NE(std::wstring::npos, message.find(outside));
    EXPECT_TRUE(RefusedNamesMessage({}).empty());
}

TEST_F(EditorTest, AnImportedFolderAddsANameTheCodePageCannotHoldByItsShortNameOrNotAtAll) {
    ASSERT_TRUE(OpenEditor(""));
    const std::wstring dir = ToWide(TempPath("import-names"));
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring outside = dir + L"\\" + kOutside + L".bmp";
    const std::wstring plain = dir + L"\\plain.bmp";
    for (const std::wstring& path : {outside, plain}) {
        CUniqueFile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
    }
    CBlock* root = Doc()->m_pRoot;
    ASSERT_TRUE(Doc()->AddFolderContents(root, ToMultiByteLossy(dir)));
    Doc()->WaitForImport();  // the folder is read on a worker
    std::vector<std::wstring> reached;
    for (int i = 0; i < root->m_Children.GetCount(); ++i) {
        const std::string& name = root->m_Children.GetAtIndex(i)->m_strName;
        EXPECT_EQ(std::string::npos, name.find('?')) << name;
        reached.push_back(LongPathOf(ToWide(name)));
    }
    // Each added entry opens the very file, and a name not added was said so.
    const bool outsideAdded =
        std::find(reached.begin(), reached.end(), LongPathOf(outside)) != reached.end();
    EXPECT_NE(std::find(reached.begin(), reached.end(), LongPathOf(plain)), reached.end());
    EXPECT_EQ(reached.size(), outsideAdded ? 2u : 1u);
    EXPECT_EQ(m_messages.size(), outsideAdded ? 0u : 1u);
    for (const std::wstring& path : {outside, plain}) DeleteFileW(path.c_str());
    RemoveDirectoryW(dir.c_str());
}
