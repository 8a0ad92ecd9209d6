#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include "EditorFixture.h"
#include "doc/PelorandDoc.h"
#include "model/Block.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "doc/ShellTransfer.h"
#include "views/ShellInfo.h"
#include "win/Strconv.h"

TEST_F(EditorTest, TheListHasItsSixColumnsCheckBoxesAndTheSystemIcons) {
    ASSERT_TRUE(OpenEditor());
    CPelorandListView* list = Frame()->GetActiveList();
    ASSERT_EQ(list->GetColumnCount(), 6);
    const char* titles[] = {"ファイル名", "ファイル情報", "優先順位",
                            "作成者",     "コメント",     "親情報継続"};
    for (int i = 0; i < 6; ++i) {
        wchar_t text[64] = L"";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        ASSERT_TRUE(
            SendMessageW(list->m_hWnd, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(UiFromWide(text), titles[i]);
    }
    DWORD ex = static_cast<DWORD>(SendMessageW(list->m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(ex & 0x24u, 0x24u);
    EXPECT_EQ(list->GetStyle() & 0x240, 0x240);
    EXPECT_EQ(
        reinterpret_cast<HIMAGELIST>(SendMessageW(list->m_hWnd, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)),
        GetSystemImageList(false));
    EXPECT_EQ(
        reinterpret_cast<HIMAGELIST>(SendMessageW(list->m_hWnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
        GetSystemImageList(true));
    EXPECT_NE(GetSystemImageList(true), GetSystemImageList(false));
}

TEST_F(EditorTest, ShellHelpersNameTheSystemDirectoryForAnEmptyPathAndFallBackForUnknownNames) {
    std::string path;
    int index = -2;
    EXPECT_TRUE(GetShellIconIndex(path, index));
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(path, UiFromWide(system));  // the caller sees the replacement
    EXPECT_GE(index, 0);
    // Names and types come from the name alone: a file nowhere on the disk (or on a share
    // that is offline) is named and typed as one that is there.
    std::string display, type, realDisplay, realType;
    const std::string real = TempPath("there.bmp");
    WriteBytes(real, "BM");
    EXPECT_TRUE(GetShellNames(real, realDisplay, realType));
    EXPECT_TRUE(GetShellNames("Z:\\nowhere\\at all\\there.bmp", display, type));
    EXPECT_EQ(type, realType);
    EXPECT_EQ(display, realDisplay);
    EXPECT_FALSE(display.empty());
    EXPECT_NE(type, "Pelorand Folders");
    std::string temp = GetTempCollectionPath();
    EXPECT_GT(temp.size(), strlen("PelorandTemp.plt"));
    EXPECT_EQ(temp.substr(temp.size() - 17), "\\PelorandTemp.plt");
}

TEST_F(EditorTest, TheTreeFollowsTheSelectionAndGivesItsFolder) {
    ASSERT_TRUE(OpenEditor());
    CPelorandTreeView* tree = TreeView();
    CBlock* root = Doc()->m_pRoot;
    auto* sub = new CBlock;
    sub->m_bFolder = 1;
    sub->m_pParent = root;
    root->m_Children.AddTail(sub);  // empty name: shown as the application title
    auto* file = new CBlock;
    file->m_strName = "C:\\x.bmp";
    file->m_pParent = sub;
    sub->m_Children.AddTail(file);
    tree->OnInitialUpdate();
    ASSERT_EQ(tree->GetCount(), 2);
    EXPECT_EQ(sub->m_strName, "Pelorand");
    ASSERT_TRUE(tree->SelectItem(tree->ItemOf(sub)));
    EXPECT_EQ(tree->GetSelectedFolder(), sub);
    EXPECT_EQ(Frame()->GetActiveList()->GetItemCount(), 1);
    ASSERT_TRUE(tree->SelectItem(tree->ItemOf(root)));
    EXPECT_EQ(Frame()->GetActiveList()->GetItemCount(), 1);
    EXPECT_EQ(Frame()->GetActiveList()->GetItemText(0, 0), "Pelorand");
}

TEST(PelorandApp, TheFileToOpenIsTheFirstArgumentThatIsNoSwitch) {
    wchar_t exe[] = L"Pelorand.exe", dde[] = L"/dde", flag[] = L"-Embedding", empty[] = L"",
            file[] = L"C:\\\u8868\u793a\\a.plr", other[] = L"b.plr";
    wchar_t* with[] = {exe, dde, flag, empty, file, other};
    EXPECT_EQ(CPelorandApp::FileToOpen(6, with), "C:\\表示\\a.plr");
    wchar_t* without[] = {exe, dde};
    EXPECT_EQ(CPelorandApp::FileToOpen(2, without), "");
}

TEST(PelorandApp, AFileNamedWithACharacterTheCodePageLacksIsRefusedNotLookedAlike) {
    // 𠮷 and é exist in no form of code page 932; best fit would make "e" of the é.
    wchar_t exe[] = L"Pelorand.exe", file[] = L"Z:\\no-such-dir\\caf\u00e9\U00020BB7.plr";
    wchar_t* args[] = {exe, file};
    CRefusedNames refused;
    EXPECT_EQ(CPelorandApp::FileToOpen(2, args), "");
    ASSERT_EQ(refused.Names().size(), 1u);
    EXPECT_EQ(refused.Names()[0], file);
}

TEST(PelorandApp, TheTemporaryFolderIsFoundInAnyCaseAndForm) {
    wchar_t temp[MAX_PATH + 2] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH + 2, temp), 0u);
    std::wstring dir = std::wstring(temp) + L"InsideTempTest";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring exe = dir + L"\\Pelorand.exe";
    EXPECT_TRUE(CPelorandApp::IsInsideFolder(exe, temp));
    std::wstring upper = exe;
    CharUpperW(&upper[0]);
    EXPECT_TRUE(CPelorandApp::IsInsideFolder(upper, temp));
    wchar_t shortTemp[MAX_PATH] = L"";
    if (GetShortPathNameW(temp, shortTemp, MAX_PATH) > 0) {
        EXPECT_TRUE(CPelorandApp::IsInsideFolder(exe, shortTemp));
    }
    // A sibling whose name begins like the folder's is not inside it.
    std::wstring folder = temp;
    folder.pop_back();
    EXPECT_FALSE(CPelorandApp::IsInsideFolder(folder + L"2\\Pelorand.exe", temp));
    EXPECT_FALSE(CPelorandApp::IsInsideFolder(L"C:\\Program Files\\Pelorand.exe", temp));
    EXPECT_FALSE(CPelorandApp::IsInsideFolder(folder, temp));
    RemoveDirectoryW(dir.c_str());
}

TEST_F(EditorTest, ThePlrTypeIsRegisteredForTheCurrentUserWithAnOpenCommand) {
    auto value = [](const std::string& key) {
        wchar_t data[1024] = L"";
        LONG size = sizeof data;
        if (RegQueryValueW(HKEY_CURRENT_USER, ToWide(key).c_str(), data, &size) != ERROR_SUCCESS) {
            return std::string("<missing>");
        }
        return UiFromWide(data);
    };
    m_app->AddPelorandTemplate();
    m_app->RegisterShellFileTypes();
    EXPECT_EQ(value("Software\\Classes\\.plr"), "Pelorand.Document");
    EXPECT_EQ(value("Software\\Classes\\Pelorand.Document"), "Pelorand Document");
    const std::string exe = ModulePath();
    EXPECT_EQ(value("Software\\Classes\\Pelorand.Document\\shell\\open\\command"),
              "\"" + exe + "\" \"%1\"");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Pelorand.Document");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.plr");
}
