#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <stdexcept>

#include "EditorFixture.h"
#include "app/RegistrySettingsStore_win.h"
#include "doc/PelorandDoc.h"
#include "fw/Archive.h"
#include "fw/FrameWnd.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "views/ShellInfo.h"
#include "win/Strconv.h"

namespace {

const char kNewFile[] = "FILE{\r\nNAME\t\"Pelorand\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n";

// A root "R" with the folders A (unchecked) and C around a file entry B.
const char kThreeChildren[] =
    "FILE{\r\n"
    "NAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "FILE{\r\n"
    "NAME\t\"A\",\"0\",\"山田\",\"海\",\"1\",\"0\"\r\n"
    "FILE{\r\n"
    "NAME\t\"A1\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "}FILE\r\n"
    "}FILE\r\n"
    "DATA\t\"C:\\nowhere\\B.jpg\",\"4\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "FILE{\r\n"
    "NAME\t\"C\",\"9\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "}FILE\r\n"
    "}FILE\r\n";

std::string ItemText(CPelorandTreeView* tree, HTREEITEM item) {
    return tree->GetItemText(item);
}

}  // namespace

TEST_F(EditorTest, ANewDocumentSavedAtOnceIsTheThreeLineFile) {
    ASSERT_TRUE(OpenEditor());
    std::string path = TempPath("new.plr");
    DeleteFileW(ToWide(path).c_str());
    m_app->m_fileDialogHook = [&](std::string& name, bool open) {
        EXPECT_FALSE(open);
        EXPECT_EQ(name, "無題.plr");  // an untitled document is offered under its title
        name = path;
        return true;
    };
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);  // Ctrl+S
    EXPECT_EQ(ReadBytes(path), kNewFile);
    EXPECT_EQ(Doc()->GetPathName(), path);
    EXPECT_EQ(Frame()->GetWindowText(), "new.plr - Pelorand For ActiveDesktop ");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditorTest, OpeningShowsTheFoldersAndSelectingOneListsItsEntriesLastFirst) {
    std::string path = TempPath("three.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    CPelorandTreeView* tree = TreeView();
    CPelorandListView* list = Frame()->GetActiveList();
    CBlock* root = Doc()->m_pRoot;
    ASSERT_EQ(root->m_strName, "R");

    // Folders only, in list order, each with its check box. A1 gets its item when A opens.
    EXPECT_EQ(tree->GetCount(), 3);
    HTREEITEM rootItem = tree->GetRootItem();
    EXPECT_EQ(rootItem, tree->ItemOf(root));
    HTREEITEM a = tree->GetChildItem(rootItem);
    HTREEITEM c = tree->GetNextSiblingItem(a);
    EXPECT_EQ(ItemText(tree, a), "A");
    EXPECT_EQ(ItemText(tree, c), "C");
    EXPECT_EQ(tree->GetNextSiblingItem(c), nullptr);
    EXPECT_EQ(tree->GetChildItem(c), nullptr);
    tree->Expand(a, TVE_EXPAND);
    EXPECT_EQ(tree->GetCount(), 4);
    HTREEITEM a1 = tree->GetChildItem(a);
    EXPECT_EQ(ItemText(tree, a1), "A1");
    EXPECT_EQ(a1, tree->ItemOf(root->m_Children.GetAtIndex(0)->m_Children.GetAtIndex(0)));
    tree->Expand(a, TVE_COLLAPSE);
    tree->Expand(a, TVE_EXPAND);  // opening again inserts nothing twice
    EXPECT_EQ(tree->GetCount(), 4);
    EXPECT_FALSE(tree->GetCheck(a));
    EXPECT_TRUE(tree->GetCheck(c));
    EXPECT_EQ(tree->ItemOf(root->m_Children.GetAtIndex(1)), nullptr);  // B is a file
    EXPECT_EQ(tree->GetStyle() & 0x12F, 0x12F);

    // (The control itself may select its first item when it takes the focus.)
    ASSERT_TRUE(tree->SelectItem(a));
    ASSERT_TRUE(tree->SelectItem(rootItem));
    EXPECT_EQ(tree->GetSelectedFolder(), root);
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItemText(0, 0), "C");
    // A file that is not there is named from its path alone: the disk is not asked.
    std::string display, type;
    GetShellNames(list->GetEntry(1)->m_strName, display, type);
    EXPECT_EQ(list->GetItemText(1, 0), display);
    EXPECT_EQ(list->GetItemText(2, 0), "A");
    for (int row = 0; row < 3; ++row) {
        CBlock* entry = list->GetEntry(row);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->m_nListItem, row);
        EXPECT_EQ(entry, root->m_Children.GetAtIndex(2 - row));
        EXPECT_EQ(list->GetCheck(row), entry->m_bChangerEnabled != 0) << row;
    }
    // A: folder type, priority 0, author, comment, inherit.
    EXPECT_EQ(list->GetItemText(2, 1), "Pelorand Folders");
    EXPECT_EQ(list->GetItemText(2, 2), "萌え萌え！");
    EXPECT_EQ(list->GetItemText(2, 3), "山田");
    EXPECT_EQ(list->GetItemText(2, 4), "海");
    EXPECT_EQ(list->GetItemText(2, 5), "Yes");
    EXPECT_EQ(list->GetItemText(1, 1), type);
    EXPECT_EQ(list->GetItemText(1, 2), "たまに見るのも良いかな");
    EXPECT_EQ(list->GetItemText(0, 2), "");  // priority 9 has no label
    EXPECT_EQ(list->GetItemText(0, 5), "No");
    // Folders show the system directory's icon.
    EXPECT_EQ(list->GetImage(0), tree->FolderImage());

    // Selecting a sub-folder lists its own children.
    ASSERT_TRUE(tree->SelectItem(a));
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 0), "A1");
}

TEST_F(EditorTest, RowsOfRealFilesGetTheShellsNameTypeAndIconWhenShown) {
    // The shell is asked only when a row is drawn or read; the answer must be the same as
    // asking at once, and must not outlive the listing.
    std::string image = TempPath("表示.bmp");
    WriteBytes(image, "BM");
    std::string path = TempPath("real.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"R\"\r\nDATA\t\"" + image + "\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    CPelorandTreeView* tree = TreeView();
    CPelorandListView* list = Frame()->GetActiveList();
    ASSERT_TRUE(tree->SelectItem(tree->GetRootItem()));
    ASSERT_EQ(list->GetItemCount(), 1);
    std::string display, type;
    GetShellNames(image, display, type);
    std::string iconPath = image;
    int icon = -2;
    GetShellIconIndex(iconPath, icon);
    EXPECT_FALSE(display.empty());
    EXPECT_EQ(list->GetItemText(0, 0), display);
    EXPECT_EQ(list->GetItemText(0, 1), type);
    EXPECT_EQ(list->GetImage(0), icon);
    EXPECT_NE(list->GetImage(0), tree->FolderImage());

    // The file is never asked about: once deleted it shows the same name and type.
    DeleteFileW(ToWide(image).c_str());
    Doc()->ShowFolder(Doc()->m_pRoot);
    EXPECT_EQ(list->GetItemText(0, 0), display);
    EXPECT_EQ(list->GetItemText(0, 1), type);
}

namespace {
// Reads the file, then fails as a disk or memory failure part way through would.
class FailingDoc : public CPelorandDoc {
  public:
    using CPelorandDoc::CPelorandDoc;
    void Serialize(CArchive& ar) override {
        CPelorandDoc::Serialize(ar);
        if (ar.IsLoading()) throw std::runtime_error("read failed");
    }
};
}  // namespace

TEST_F(EditorTest, AReadFailingPartWayStartsAFreshUntitledCollection) {
    std::string good = TempPath("good.plr");
    WriteBytes(good, kThreeChildren);
    m_app->AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [this] { return std::make_unique<FailingDoc>(Settings()); },
        [this] { return std::make_unique<CMainFrame>(Settings()); }));
    ASSERT_TRUE(OpenEditor());
    m_messages.clear();
    EXPECT_EQ(m_app->OpenDocumentFile(good), nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。");
    EXPECT_EQ(Doc()->GetTitle(), "無題");
    EXPECT_TRUE(Doc()->GetPathName().empty());
    ASSERT_NE(Doc()->m_pRoot, nullptr);
    EXPECT_EQ(Doc()->m_pRoot->m_strName, "Pelorand");
    EXPECT_EQ(Doc()->m_pRoot->m_Children.GetCount(), 0);
    EXPECT_EQ(TreeView()->GetCount(), 1);
}

TEST_F(EditorTest, OpeningTheOpenCollectionAgainKeepsItAsItIs) {
    std::string path = TempPath("again.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    CBlock* root = Doc()->m_pRoot;
    root->m_strName = "changed";  // an edit not saved yet
    std::wstring upper = ToWide(path);
    CharUpperW(&upper[0]);
    path = UiFromWide(upper);  // the same file, named in other letters
    EXPECT_EQ(m_app->OpenDocumentFile(path), Doc());
    EXPECT_EQ(Doc()->m_pRoot, root);
    EXPECT_EQ(root->m_strName, "changed");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditorTest, ARootWithoutANameIsShownAndStoredAsPelorand) {
    std::string path = TempPath("noname.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    EXPECT_EQ(Doc()->m_pRoot->m_strName, "Pelorand");
    EXPECT_EQ(TreeView()->GetItemText(TreeView()->GetRootItem()), "Pelorand");
}

TEST_F(EditorTest, AFileThatCannotBeOpenedLeavesTheCollectionAsItWas) {
    std::string path = TempPath("three.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    CBlock* root = Doc()->m_pRoot;
    EXPECT_EQ(m_app->OpenDocumentFile(TempPath("missing.plr")), nullptr);
    EXPECT_EQ(m_messages, std::vector<std::string>{"ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"});
    EXPECT_EQ(Doc()->m_pRoot, root);
    EXPECT_EQ(Doc()->GetPathName(), path);
    EXPECT_EQ(TreeView()->GetCount(), 3);
}

TEST_F(EditorTest, AStartFileThatCannotBeOpenedEndsTheStart) {
    EXPECT_FALSE(OpenEditor(TempPath("missing.plr")));
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(EditorTest, DamagedAndForeignFilesKeepTheProgramAlive) {
    ASSERT_TRUE(OpenEditor());
    std::string damaged = TempPath("damaged.plr");
    std::string bytes = "}FILE\r\nDATA\t\"x\"\r\nFILE{\r\nNAME\t\"ok\r\n\xff\xfe\x81\r\nFILE{\n";
    bytes += std::string(3000, '"') + "\r\n" + std::string(1, '\0') + "}FILE\r\nNAME\r\n";
    WriteBytes(damaged, bytes);
    ASSERT_NE(m_app->OpenDocumentFile(damaged), nullptr);
    ASSERT_NE(Doc()->m_pRoot, nullptr);
    EXPECT_GE(TreeView()->GetCount(), 1);
    EXPECT_TRUE(TreeView()->SelectItem(TreeView()->GetRootItem()));

    // A file with no folder record at all is an empty collection under its own name.
    std::string empty = TempPath("empty.plr");
    WriteBytes(empty, "");
    ASSERT_NE(m_app->OpenDocumentFile(empty), nullptr);
    EXPECT_EQ(Doc()->m_pRoot->m_strName, "Pelorand");
    EXPECT_EQ(Doc()->m_pRoot->m_Children.GetCount(), 0);
    EXPECT_EQ(TreeView()->GetCount(), 1);
    EXPECT_EQ(Frame()->GetActiveList()->GetItemCount(), 0);
    EXPECT_EQ(Frame()->GetWindowText(), "empty.plr - Pelorand For ActiveDesktop ");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditorTest, TextWithoutAFolderRecordIsNotOpenedAndTheCollectionStays) {
    std::string path = TempPath("three.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    CBlock* root = Doc()->m_pRoot;
    const int items = TreeView()->GetCount();  // the folders shown so far
    ASSERT_GE(items, 3);
    const std::string foreign[] = {
        std::string("\xff\xfe"
                    "F\0I\0L\0E\0{\0\r\0\n\0",
                    16),                // UTF-16 with a byte-order mark
        "FILE{\rNAME\t\"R\"\r}FILE\r",  // CR-only line ends
        "just some notes\r\nDATA\t\"C:\\x.jpg\"\r\n",
        "\r\n",
    };
    for (const std::string& bytes : foreign) {
        std::string other = TempPath("foreign.plr");
        WriteBytes(other, bytes);
        m_messages.clear();
        EXPECT_EQ(m_app->OpenDocumentFile(other), nullptr);
        EXPECT_EQ(m_messages, std::vector<std::string>{"ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"});
        EXPECT_EQ(Doc()->m_pRoot, root);
        EXPECT_EQ(Doc()->GetPathName(), path);
        EXPECT_EQ(TreeView()->GetCount(), items);
        EXPECT_EQ(ReadBytes(other), bytes);  // and nothing wrote to it
    }
}

TEST_F(EditorTest, OpeningAnotherFileDropsTheViewsHoldOnTheOldTree) {
    std::string first = TempPath("first.plr");
    WriteBytes(first, kThreeChildren);
    ASSERT_TRUE(OpenEditor(first));
    CPelorandTreeView* tree = TreeView();
    ASSERT_TRUE(tree->SelectItem(tree->GetChildItem(tree->GetRootItem())));
    ASSERT_EQ(Frame()->GetActiveList()->GetItemCount(), 1);
    std::string second = TempPath("second.plr");
    WriteBytes(second, kNewFile);
    ASSERT_NE(m_app->OpenDocumentFile(second), nullptr);
    EXPECT_EQ(tree->GetCount(), 1);
    EXPECT_EQ(Frame()->GetActiveList()->GetItemCount(), 0);
    EXPECT_EQ(reinterpret_cast<CBlock*>(tree->GetItemData(tree->GetRootItem())), Doc()->m_pRoot);
    // New empties it again.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 1), 0);
    EXPECT_EQ(Doc()->GetPathName(), "");
    EXPECT_EQ(Frame()->GetWindowText(), "無題 - Pelorand For ActiveDesktop ");
    EXPECT_EQ(tree->GetCount(), 1);
}

TEST_F(EditorTest, SavingWritesTheCollectionBackRecordForRecord) {
    std::string path = TempPath("roundtrip.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    Doc()->m_pRoot->m_Children.GetAtIndex(0)->m_strName = "A\"q";
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);
    std::string expected = kThreeChildren;
    expected.replace(expected.find("\"A\","), 4, "\"A/\"q\",");
    EXPECT_EQ(ReadBytes(path), expected);

    std::string copy = TempPath("copy.plr");
    DeleteFileW(ToWide(copy).c_str());
    m_app->m_fileDialogHook = [&](std::string& name, bool) {
        EXPECT_EQ(name, path);  // save as proposes the current file
        name = copy;
        return true;
    };
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_AS, 0), 0);
    EXPECT_EQ(ReadBytes(copy), expected);
    EXPECT_EQ(Doc()->GetPathName(), copy);
    EXPECT_EQ(m_app->Store().GetString("Recent File List", "File1", ""), copy);
    EXPECT_EQ(m_app->Store().GetString("Recent File List", "File2", ""), path);

    // A cancelled dialog saves nothing.
    m_app->m_fileDialogHook = [](std::string&, bool) { return false; };
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_AS, 0), 0);
    EXPECT_EQ(Doc()->GetPathName(), copy);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditorTest, AFailedSaveLeavesTheOldFileWholeAndSaysSo) {
    std::string path = TempPath("keep.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    CBlock* extra = new CBlock;
    extra->m_strName = "C:\\x.bmp";
    extra->m_pParent = Doc()->m_pRoot;
    Doc()->m_pRoot->m_Children.AddTail(extra);
    // A read-only file is not replaced, and stays read-only.
    ASSERT_TRUE(SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_READONLY));
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);
    EXPECT_EQ(GetFileAttributesW(ToWide(path).c_str()) & FILE_ATTRIBUTE_READONLY,
              DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(m_messages, std::vector<std::string>{"ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"});
    EXPECT_EQ(ReadBytes(path), kThreeChildren);
    EXPECT_EQ(Doc()->m_pRoot->m_Children.GetCount(), 4);  // the tree is as it was

    // Into a folder that does not exist: same message, nothing written, title unchanged.
    m_messages.clear();
    EXPECT_FALSE(Doc()->DoSave(TempPath("no-such-dir\\x.plr")));
    EXPECT_EQ(m_messages, std::vector<std::string>{"ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"});
    EXPECT_EQ(Doc()->GetPathName(), path);
}

// Another window on the same collection saved two new folders while this one held an edit.
class ChangedOnDiskTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        m_path = TempPath("shared.plr");
        WriteBytes(m_path, kThreeChildren);
        ASSERT_TRUE(OpenEditor(m_path));
        Doc()->NewFolder(Doc()->m_pRoot);  // this window's unsaved edit
        m_theirs = kThreeChildren;
        const std::string folder = "FILE{\r\nNAME\t\"X\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n";
        m_theirs.insert(m_theirs.size() - std::string("}FILE\r\n").size(), folder + folder);
        WriteBytes(m_path, m_theirs);
        m_messages.clear();
    }
    void Save() { SendMessageA(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0); }
    bool AskedAboutTheChange() const {
        return m_messages.size() == 1 &&
               m_messages[0].find("ほかのプログラムによって変更されています") != std::string::npos;
    }

    std::string m_path;
    std::string m_theirs;
};

TEST_F(ChangedOnDiskTest, CancelWritesNothingAndKeepsTheEdit) {
    m_answer = IDCANCEL;
    Save();
    EXPECT_TRUE(AskedAboutTheChange());
    EXPECT_EQ(ReadBytes(m_path), m_theirs);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(ChangedOnDiskTest, OverwriteWritesThisWindowsCollection) {
    m_answer = IDNO;
    Save();
    EXPECT_TRUE(AskedAboutTheChange());
    EXPECT_NE(ReadBytes(m_path), m_theirs);
    EXPECT_NE(ReadBytes(m_path).find("Pelorand"), std::string::npos);
    EXPECT_FALSE(Doc()->IsModified());
    // What is on disk is this window's own now: the next save asks nothing.
    m_messages.clear();
    Doc()->NewFolder(Doc()->m_pRoot);
    Save();
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ChangedOnDiskTest, SaveAsLeavesTheOtherWindowsFileAlone) {
    const std::string copy = TempPath("mine.plr");
    DeleteFileA(copy.c_str());
    m_app->m_fileDialogHook = [&](std::string& name, bool) {
        name = copy;
        return true;
    };
    m_answer = IDYES;
    Save();
    EXPECT_TRUE(AskedAboutTheChange());
    EXPECT_EQ(ReadBytes(m_path), m_theirs);
    EXPECT_NE(ReadBytes(copy).find("Pelorand"), std::string::npos);
    EXPECT_EQ(Doc()->GetPathName(), copy);
    EXPECT_FALSE(Doc()->IsModified());

    // The file dialog cancelled: nothing is written anywhere.
    Doc()->NewFolder(Doc()->m_pRoot);
    WriteBytes(copy, kThreeChildren);
    m_messages.clear();
    m_app->m_fileDialogHook = [](std::string&, bool) { return false; };
    Save();
    EXPECT_TRUE(AskedAboutTheChange());
    EXPECT_EQ(ReadBytes(copy), kThreeChildren);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditorTest, AnEditorOnTheFileComesForwardInsteadOfASecondOne) {
    std::string path = TempPath("forward.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    ShowWindow(Frame()->m_hWnd, SW_MINIMIZE);
    // The name as another program may be handed it, with a step that goes nowhere.
    std::string asked = path;
    asked.insert(asked.rfind('\\'), "\\.");
    EXPECT_TRUE(CFrameWnd::BringForwardFrameOf(asked));
    EXPECT_FALSE(IsIconic(Frame()->m_hWnd));
    // Another file, or a frame with no file, is no answer.
    EXPECT_FALSE(CFrameWnd::BringForwardFrameOf(TempPath("other.plr")));
    // A foreign message of the same kind is left alone.
    COPYDATASTRUCT foreign{1, 4, const_cast<char*>("abcd")};
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&foreign)),
              FALSE);

    // "開く" in this editor, of a file another editor has open: that one is asked, and this
    // one keeps its own collection.
    struct OtherEditor : CWnd {
        std::wstring asked;
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
            if (msg != WM_COPYDATA) return CWnd::WndProc(msg, wParam, lParam);
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            asked.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
            return asked.find(L"elsewhere.plr") != std::wstring::npos;
        }
    } other;
    ASSERT_TRUE(other.CreateEx(0, "FrameWnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    const std::string elsewhere = TempPath("elsewhere.plr");
    WriteBytes(elsewhere, kThreeChildren);
    EXPECT_EQ(m_app->OpenDocumentFile(elsewhere), Doc());
    EXPECT_NE(other.asked.find(L"elsewhere.plr"), std::wstring::npos);
    EXPECT_EQ(Doc()->GetPathName(), path);
    other.DestroyWindow();
}

TEST_F(EditorTest, AFileUnchangedOnDiskSavesWithoutAQuestion) {
    std::string path = TempPath("mine.plr");
    WriteBytes(path, kThreeChildren);
    ASSERT_TRUE(OpenEditor(path));
    Doc()->NewFolder(Doc()->m_pRoot);
    // Written again with the same bytes (a newer time only): nothing would be lost.
    WriteBytes(path, kThreeChildren);
    m_messages.clear();
    SendMessageA(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_NE(ReadBytes(path), kThreeChildren);
    // A file deleted meanwhile is written anew.
    DeleteFileA(path.c_str());
    Doc()->NewFolder(Doc()->m_pRoot);
    SendMessageA(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1), 0);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_FALSE(Doc()->IsModified());
}

TEST_F(EditorTest, FilesDroppedOnTheFrameAreOpenedOneAfterTheOther) {
    ASSERT_TRUE(OpenEditor());
    std::string first = TempPath("drop1.plr"), second = TempPath("drop2.plr");
    WriteBytes(first, kThreeChildren);
    WriteBytes(second, kNewFile);
    // A drop block as the shell makes it: DROPFILES, then the ANSI paths, then an empty one.
    std::string paths = first + '\0' + second + '\0' + '\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + paths.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), paths.data(), paths.size());
    GlobalUnlock(block);
    SendMessageW(Frame()->m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    EXPECT_EQ(Doc()->GetPathName(), second);
    EXPECT_EQ(m_app->Store().GetString("Recent File List", "File1", ""), second);
    EXPECT_EQ(m_app->Store().GetString("Recent File List", "File2", ""), first);
}

TEST_F(EditorTest, AfterFileOpenTheRootIsSelectedAndListedAsAtStartUp) {
    std::string first = TempPath("first.plr"), second = TempPath("second.plr");
    WriteBytes(first, kThreeChildren);
    WriteBytes(second, kThreeChildren);
    ASSERT_TRUE(OpenEditor(first));
    CPelorandTreeView* tree = TreeView();
    CPelorandListView* list = Frame()->GetActiveList();
    EXPECT_EQ(tree->GetSelectedFolder(), Doc()->m_pRoot);
    EXPECT_EQ(list->GetItemCount(), 3);

    // The tree has the focus when File > Open is chosen: it selects nothing by itself.
    ASSERT_TRUE(tree->SelectItem(tree->GetChildItem(tree->GetRootItem())));
    SetFocus(tree->m_hWnd);
    m_app->m_fileDialogHook = [&](std::string& name, bool) {
        name = second;
        return true;
    };
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
    m_app->m_fileDialogHook = nullptr;
    ASSERT_EQ(Doc()->GetPathName(), FullPathName(second));
    EXPECT_EQ(tree->GetSelectedFolder(), Doc()->m_pRoot);
    EXPECT_EQ(list->GetItemCount(), 3);
}

TEST_F(EditorTest, ADeletedRowForgetsWhatTheShellSaidAboutItsEntry) {
    std::string one = TempPath("一.bmp"), two = TempPath("二.bmp");
    WriteBytes(one, "BM");
    WriteBytes(two, "BM");
    std::string path = TempPath("rows.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"R\"\r\nDATA\t\"" + one + "\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    CPelorandListView* list = Frame()->GetActiveList();
    ASSERT_EQ(list->GetItemCount(), 1);
    CBlock* entry = list->GetEntry(0);
    std::string displayOne, displayTwo, type;
    GetShellNames(one, displayOne, type);
    GetShellNames(two, displayTwo, type);
    ASSERT_NE(displayOne, displayTwo);
    EXPECT_EQ(list->GetItemText(0, 0), displayOne);

    // The rows are listed anew; a new entry at the freed address (here: the same object)
    // names another file.
    entry->m_strName = two;
    Doc()->ShowFolder(Doc()->m_pRoot);
    EXPECT_EQ(list->GetItemText(0, 0), displayTwo);
}
