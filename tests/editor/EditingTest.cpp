#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "changer/WallPaperHistory.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/CommonDialogs.h"
#include "fw/DragDrop.h"
#include "fw/OleTransfer.h"
#include "fw/Recovery.h"
#include "fw/WinApp.h"
#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/FileSystem.h"
#include "model/PropertyChange.h"
#include "model/ByteStream.h"
#include "model/RecordWriter.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "views/ShellInfo.h"
#include "doc/ShellTransfer.h"
#include "model/Settings.h"
#include "views/ThumbnailScheduler.h"
#include "views/ViewEditing.h"
#include "win/Strconv.h"
#include "tests/core/PoolLimit.h"

namespace {

// Root "R" holding folder F (with file F1) and the files G and H.
const char kSmall[] =
    "FILE{\r\n"
    "NAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "FILE{\r\n"
    "NAME\t\"F\",\"1\",\"a\",\"c\",\"0\",\"1\"\r\n"
    "DATA\t\"C:\\nowhere\\F1.jpg\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "}FILE\r\n"
    "DATA\t\"C:\\nowhere\\G.jpg\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "DATA\t\"C:\\nowhere\\H.jpg\",\"2\",\"?\",\"?\",\"0\",\"0\"\r\n"
    "}FILE\r\n";

// The transfer text the writer gives for entries, as the clipboard carries it.
std::string TransferText(std::initializer_list<const CBlock*> entries) {
    CStringSink sink;
    for (const CBlock* entry : entries) WriteRecords(*entry, sink);
    return sink.Text();
}

// A drop block as the shell makes it, with wide names.
CUniqueGlobal WideDropBlock(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    CUniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    CGlobalLock lock(block.Get());
    auto* drop = static_cast<DROPFILES*>(lock.Data());
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    return block;
}

std::wstring Wide(const std::string& path) {
    return ToWide(path);
}

class EditingTest : public EditorTest {
  protected:
    void TearDown() override {
        g_dragDropHook = nullptr;
        EditorTest::TearDown();
    }
    void OpenSmall() {
        std::string path = TempPath("small.plr");
        WriteBytes(path, kSmall);
        ASSERT_TRUE(OpenEditor(path));
        ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    }
    CPelorandTreeView* Tree() const { return TreeView(); }
    CPelorandListView* List() const { return Frame()->GetActiveList(); }
    CBlock* Root() const { return Doc()->m_pRoot; }
    CBlock* Child(CBlock* folder, int i) const { return folder->m_Children.GetAtIndex(i); }
    void Command(CView* view, unsigned id) {
        Frame()->SetActiveView(view, false);
        SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Doc()->WaitForImport();  // added files and folders arrive from the worker
    }
    bool Enabled(CView* view, unsigned id) {
        Frame()->SetActiveView(view, false);
        CCmdUI ui(id);
        return Frame()->RouteCmdMsg(id, &ui) && ui.m_bEnabled;
    }
    HTREEITEM Item(CBlock* folder) { return Tree()->EnsureItem(folder); }
    // A notification as the control sends it to its parent.
    LRESULT Notify(CWnd* control, NMHDR& header) {
        header.hwndFrom = control->m_hWnd;
        header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control->m_hWnd));
        return SendMessageW(GetParent(control->m_hWnd), WM_NOTIFY, header.idFrom,
                            reinterpret_cast<LPARAM>(&header));
    }
    LRESULT EndTreeEdit(HTREEITEM item, const char* text) {
        std::wstring wide = text ? UiText(text) : std::wstring();
        NMTVDISPINFOW info{};
        info.hdr.code = TVN_ENDLABELEDITW;
        info.item.hItem = item;
        info.item.pszText = text ? &wide[0] : nullptr;
        return Notify(Tree(), info.hdr);
    }
    LRESULT BeginTreeEdit(HTREEITEM item) {
        NMTVDISPINFOW info{};
        info.hdr.code = TVN_BEGINLABELEDITW;
        info.item.hItem = item;
        return Notify(Tree(), info.hdr);
    }
    POINT Centre(HTREEITEM item) {
        RECT rc{};
        std::memcpy(&rc, &item, sizeof item);  // the item goes in where the rectangle comes out
        SendMessageW(Tree()->m_hWnd, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    // The drag ends over item of the tree with keys held.
    void DragOntoTree(HTREEITEM item, DWORD keys) {
        g_dragDropHook = [this, item, keys](IDataObject* data, DWORD allowed) -> DWORD {
            POINT point = Centre(item);
            DWORD effect = Tree()->OnDragOver(data, keys, point) & allowed;
            if (effect == DROPEFFECT_NONE) return effect;
            return Tree()->OnDrop(data, effect, point) ? effect : DROPEFFECT_NONE;
        };
    }
    std::string ClipboardCollection() {
        std::string bytes;
        ComPtr<IDataObject> data = GetClipboardData();
        if (!data || !GetGlobalBytes(data.Get(), Doc()->m_cfCollection, bytes)) return "<none>";
        return bytes;
    }
    ComPtr<IDataObject> CollectionData(const std::string& text) {
        ComPtr<CDataSource> source(new CDataSource);
        source->CacheGlobalData(Doc()->m_cfCollection, MakeGlobalText(text));
        return source;
    }
    ComPtr<IDataObject> FileDropData(const std::vector<std::string>& paths) {
        std::vector<std::wstring> wide;
        for (const std::string& path : paths) wide.push_back(Wide(path));
        ComPtr<CDataSource> source(new CDataSource);
        source->CacheGlobalData(CF_HDROP, WideDropBlock(wide));
        return source;
    }
    // A disk folder holding a.bmp, b.txt and s\c.JPG.
    std::string MakeImportFolder(const std::string& name) {
        std::string dir = TempPath(name);
        CreateDirectoryW(ToWide(dir).c_str(), nullptr);
        CreateDirectoryW(ToWide((dir + "\\s")).c_str(), nullptr);
        WriteBytes(dir + "\\a.bmp", "BM");
        WriteBytes(dir + "\\b.txt", "text");
        WriteBytes(dir + "\\s\\c.JPG", "jpg");
        return dir;
    }
    CBlock* FindChild(CBlock* folder, const std::string& name) {
        for (int i = 0; i < folder->m_Children.GetCount(); ++i) {
            if (Child(folder, i)->m_strName == name) return Child(folder, i);
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(EditingTest, ListCheckBoxesWriteTheFlagBackAndFollowItInTheTree) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    CBlock* h = Child(Root(), 2);
    ASSERT_EQ(List()->GetItemCount(), 3);
    ASSERT_EQ(List()->GetEntry(2), f);
    ASSERT_EQ(List()->GetEntry(0), h);
    EXPECT_FALSE(List()->GetCheck(0));
    EXPECT_TRUE(List()->GetCheck(2));

    // Unticking the folder's row clears its flag and its tree check, and is an edit.
    ASSERT_FALSE(Doc()->IsModified());
    List()->SetCheck(2, false);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(f->m_bChangerEnabled, 0);
    EXPECT_FALSE(Tree()->GetCheck(Tree()->ItemOf(f)));
    EXPECT_FALSE(List()->GetCheck(2));
    // Ticking a file's row sets its flag.
    List()->SetCheck(0, true);
    EXPECT_EQ(h->m_bChangerEnabled, 1);
    EXPECT_TRUE(List()->GetCheck(0));

    // A click on the check box itself.
    SendMessageW(List()->m_hWnd, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
    RECT box{};
    box.left = LVIR_ICON;
    SendMessageW(List()->m_hWnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&box));
    CBlock* g = Child(Root(), 1);
    ASSERT_EQ(List()->GetEntry(1), g);
    LVHITTESTINFO hit{};
    hit.pt = POINT{box.left - 8, (box.top + box.bottom) / 2};
    SendMessageW(List()->m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_EQ(hit.iItem, 1);
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    SendMessageW(List()->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageW(List()->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    Pump();
    EXPECT_EQ(g->m_bChangerEnabled, 0);
    EXPECT_FALSE(List()->GetCheck(1));
    // The space bar toggles the focused row.
    List()->SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
    SendMessageW(List()->m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(g->m_bChangerEnabled, 1);
}

TEST_F(EditingTest, ADeepCollectionShowsItsFoldersLevelByLevelAsTheyAreOpened) {
    const int depth = 300;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "FILE{\r\n";
    std::string path = TempPath("deep.plr");
    WriteBytes(path, text);
    ASSERT_TRUE(OpenEditor(path));
    EXPECT_EQ(Tree()->GetCount(), 2);  // the root and its one sub-folder
    CBlock* deepest = Root();
    while (deepest->m_Children.GetCount()) deepest = Child(deepest, 0);
    EXPECT_EQ(deepest->m_strName, "Pelorand");  // every folder is named, shown or not
    EXPECT_EQ(Tree()->ItemOf(deepest), nullptr);
    HTREEITEM item = Tree()->EnsureItem(deepest);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree()->GetCount(), depth);
    EXPECT_EQ(reinterpret_cast<CBlock*>(Tree()->GetItemData(item)), deepest);
    EXPECT_EQ(Tree()->GetParentItem(item), Tree()->ItemOf(deepest->m_pParent));
    // Opening the folders on the way inserts nothing twice.
    Tree()->Expand(Tree()->ItemOf(Root()), TVE_EXPAND);
    Tree()->Expand(Tree()->ItemOf(deepest->m_pParent), TVE_EXPAND);
    EXPECT_EQ(Tree()->GetCount(), depth);
    ASSERT_TRUE(Tree()->SelectItem(item));
    EXPECT_EQ(List()->GetItemCount(), 0);
    // Numpad * on an open folder with open folders below opens the rest and keeps the rest.
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    for (int i = 0; i < 2; ++i) SendMessageW(Tree()->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
    EXPECT_EQ(Tree()->GetCount(), depth);
    for (CBlock* folder = Root(); folder != deepest; folder = Child(folder, 0)) {
        ASSERT_TRUE(Tree()->GetItemState(Tree()->ItemOf(folder),
                                         TVIS_EXPANDED) & TVIS_EXPANDED);
    }
    EXPECT_EQ(Tree()->GetSelectedFolder(), Root());
}

TEST_F(EditingTest, NumpadStarOpensAChainOfTwentyThousandFoldersWhichCanThenGo) {
    // The control deletes items recursively: this depth overflowed the stack when a chain
    // of open folders was removed or the collection replaced.
    const int depth = 20000;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "FILE{\r\n";
    std::string path = TempPath("deep.plr");
    WriteBytes(path, text);
    ASSERT_TRUE(OpenEditor(path));
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    SendMessageW(Tree()->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
    EXPECT_EQ(Tree()->GetCount(), depth);
    std::vector<CBlock*> chain{Root()};
    while (chain.back()->m_Children.GetCount()) chain.push_back(Child(chain.back(), 0));
    ASSERT_EQ(chain.size(), static_cast<size_t>(depth));
    for (size_t i : {size_t{0}, chain.size() / 2, chain.size() - 2}) {
        ASSERT_NE(Tree()->ItemOf(chain[i]), nullptr) << i;
        EXPECT_TRUE(Tree()->GetItemState(Tree()->ItemOf(chain[i]),
                                         TVIS_EXPANDED) & TVIS_EXPANDED) << i;
    }
    // The selection deep inside what goes moves to the parent of what went.
    ASSERT_TRUE(Tree()->SelectItem(Tree()->ItemOf(chain.back())));
    Doc()->RemoveEntry(chain[1]);
    Pump();
    EXPECT_EQ(Tree()->GetCount(), 1);
    EXPECT_EQ(Tree()->GetSelectedFolder(), Root());
}

TEST_F(EditingTest, NumpadStarOpensNoMoreFoldersThanItsLimitAndTheRestOpenAsUsual) {
    const int depth = 300;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "FILE{\r\n";
    std::string path = TempPath("deep.plr");
    WriteBytes(path, text);
    ASSERT_TRUE(OpenEditor(path));
    Tree()->m_expandAllLimit = 100;
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    SendMessageA(Tree()->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
    std::vector<CBlock*> chain{Root()};
    while (chain.back()->m_Children.GetCount()) chain.push_back(Child(chain.back(), 0));
    // The first 100 are open; the next one has its item, closed, with its button.
    EXPECT_EQ(Tree()->GetCount(), 101);
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(Tree()->GetItemState(Tree()->ItemOf(chain[i]), TVIS_EXPANDED) &
                    TVIS_EXPANDED) << i;
    }
    HTREEITEM closed = Tree()->ItemOf(chain[100]);
    ASSERT_NE(closed, nullptr);
    EXPECT_FALSE(Tree()->GetItemState(closed, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(Tree()->ItemOf(chain[101]), nullptr);
    // Numpad * there opens the next hundred.
    ASSERT_TRUE(Tree()->SelectItem(closed));
    SendMessageA(Tree()->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
    EXPECT_EQ(Tree()->GetCount(), 201);
    EXPECT_TRUE(Tree()->GetItemState(Tree()->ItemOf(chain[199]), TVIS_EXPANDED) &
                TVIS_EXPANDED);
}

TEST_F(EditingTest, AddFileAddsAFileOrADiskFolderAsTheUserAnswers) {
    OpenSmall();
    std::string image = TempPath("pic.bmp");
    WriteBytes(image, "BM");
    CBlock* f = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    std::string chosen = image;
    std::string askedTitle;
    TestCommonDialogHooks().browse = [&](const std::string& title, std::string& path) {
        askedTitle = title;
        path = chosen;
        return true;
    };
    EXPECT_TRUE(Enabled(Tree(), ID_ADD_FILE));
    Command(Tree(), ID_ADD_FILE);
    ASSERT_EQ(f->m_Children.GetCount(), 2);
    EXPECT_EQ(askedTitle, "ファイルを追加する");
    CBlock* added = Child(f, 1);
    EXPECT_EQ(added->m_strName, image);
    EXPECT_EQ(added->m_bFolder, 0);
    EXPECT_EQ(added->m_nPriority, 2);  // defaults, not the folder's
    EXPECT_EQ(added->Author(), "?");
    EXPECT_EQ(added->m_pParent, f);
    EXPECT_EQ(List()->GetEntry(0), added);  // listed at once, at the top
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Doc()->IsModified());

    // A disk folder answered No: one file entry standing for the folder.
    chosen = MakeImportFolder("imp_no");
    m_answer = IDNO;
    Command(Tree(), ID_ADD_FILE);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "フォルダーを指定しました\nPelorandフォルダーに変更しますか");
    ASSERT_EQ(f->m_Children.GetCount(), 3);
    EXPECT_EQ(Child(f, 2)->m_strName, chosen);
    EXPECT_EQ(Child(f, 2)->m_bFolder, 0);
    EXPECT_EQ(Child(f, 2)->m_Children.GetCount(), 0);

    // A cancelled picker adds nothing.
    TestCommonDialogHooks().browse = [](const std::string&, std::string&) { return false; };
    Command(Tree(), ID_ADD_FILE);
    EXPECT_EQ(f->m_Children.GetCount(), 3);
}

TEST_F(EditingTest, ImportingADiskFolderTakesImagesAndSubFoldersWithTheTargetsProperties) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);  // priority 1, author "a", comment "c"
    f->m_bInherit = 1;
    std::string dir = MakeImportFolder("imp_yes");
    m_answer = IDYES;
    Doc()->AddPath(f, dir);
    Doc()->WaitForImport();
    ASSERT_EQ(f->m_Children.GetCount(), 2);
    CBlock* imported = Child(f, 1);
    EXPECT_EQ(imported->m_strName, dir);
    EXPECT_EQ(imported->m_bFolder, 1);
    EXPECT_EQ(imported->m_nPriority, 1);
    EXPECT_EQ(imported->Author(), "a");
    // a.bmp and s, in the order the disk gives them; b.txt is no image.
    ASSERT_EQ(imported->m_Children.GetCount(), 2);
    CBlock* a = FindChild(imported, dir + "\\a.bmp");
    CBlock* s = FindChild(imported, dir + "\\s");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(FindChild(imported, dir + "\\b.txt"), nullptr);
    for (CBlock* first : {a, s}) {
        EXPECT_EQ(first->m_nPriority, 1);
        EXPECT_EQ(first->m_bInherit, 1);
        EXPECT_EQ(first->Author(), "a");
        EXPECT_EQ(first->Comment(), "c");
    }
    EXPECT_EQ(a->m_bFolder, 0);
    EXPECT_EQ(s->m_bFolder, 1);
    ASSERT_EQ(s->m_Children.GetCount(), 1);
    CBlock* c = Child(s, 0);
    EXPECT_EQ(c->m_strName, dir + "\\s\\c.JPG");
    // Filled while s still had the defaults.
    EXPECT_EQ(c->m_nPriority, 2);
    EXPECT_EQ(c->Author(), "?");
    EXPECT_EQ(c->Comment(), "?");
    EXPECT_EQ(c->m_bInherit, 0);
    // The tree shows the new folder under F once F opens, and F's list is shown again.
    EXPECT_EQ(Doc()->m_pShownFolder, f);
    Tree()->Expand(Item(f), TVE_EXPAND);
    EXPECT_NE(Tree()->ItemOf(imported), nullptr);
    EXPECT_EQ(Tree()->GetItemText(Tree()->ItemOf(imported)), dir);

    // With an empty file-type option only the sub-folders come.
    Settings().WriteString(setting::FileType, "");
    Doc()->AddPath(Root(), dir);
    Doc()->WaitForImport();
    CBlock* foldersOnly = Child(Root(), Root()->m_Children.GetCount() - 1);
    ASSERT_EQ(foldersOnly->m_Children.GetCount(), 1);
    EXPECT_EQ(Child(foldersOnly, 0)->m_strName, dir + "\\s");
    EXPECT_EQ(Child(foldersOnly, 0)->m_Children.GetCount(), 0);
}

TEST_F(EditingTest, ImportingEndsOnAFolderHoldingALinkToItsOwnAncestor) {
    // Made by the build: import-loop\a.bmp and import-loop\s\loop, a link to import-loop.
    const std::string exe = ModulePath();
    std::string dir = exe.substr(0, exe.rfind('\\')) + "\\import-loop";
    ASSERT_NE(GetFileAttributesW(ToWide((dir + "\\s\\loop\\a.bmp")).c_str()), INVALID_FILE_ATTRIBUTES)
        << "the link was not made";
    OpenSmall();
    m_answer = IDYES;
    Doc()->AddPath(Root(), dir);
    Doc()->WaitForImport();
    CBlock* imported = Child(Root(), 3);
    ASSERT_EQ(imported->m_strName, dir);
    CBlock* s = FindChild(imported, dir + "\\s");
    ASSERT_NE(s, nullptr);
    EXPECT_NE(FindChild(imported, dir + "\\a.bmp"), nullptr);
    EXPECT_EQ(s->m_Children.GetCount(), 0);  // the link back is not followed
}

// A new folder that its parent's list has no memory to take goes again: the parent keeps
// its one child, and every piece of the pool comes back.
TEST_F(EditingTest, ANewFolderItsParentCannotTakeGoesAgain) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    ASSERT_EQ(f->m_Children.GetCount(), 1);  // held without a list: a second child needs one
    const std::size_t before = blockpool::GetStats().livePieces;
    // An entry named as a new folder is, let go once the pool is full: room for the folder
    // and its name, and none for a list.
    auto named = [] {
        auto entry = std::make_unique<CBlock>();
        entry->m_strName = "Pelorand";
        return entry;
    };
    std::unique_ptr<CBlock> room = named();
    std::vector<pooltest::Piece> filler;
    {
        pooltest::ChunkLimit limit(blockpool::GetStats().chunks);
        filler = pooltest::FillPool();
        room.reset();
        EXPECT_THROW(Doc()->NewFolder(f), std::bad_alloc);
        // The room went to the folder and came back: the list was what failed.
        EXPECT_NO_THROW(room = named());
        room.reset();
    }
    pooltest::FreeAll(filler);
    EXPECT_EQ(f->m_Children.GetCount(), 1);
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}

TEST_F(EditingTest, ANewFolderIsTheLastChildNamedPelorandWithTheParentsProperties) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    EXPECT_TRUE(Enabled(Tree(), ID_NEW_FOLDER));
    Command(Tree(), ID_NEW_FOLDER);
    ASSERT_EQ(f->m_Children.GetCount(), 2);
    CBlock* made = Child(f, 1);
    EXPECT_EQ(made->m_bFolder, 1);
    EXPECT_EQ(made->m_strName, "Pelorand");
    EXPECT_EQ(made->m_pParent, f);
    EXPECT_EQ(made->m_nPriority, 1);
    EXPECT_EQ(made->Author(), "a");
    EXPECT_EQ(made->Comment(), "c");
    EXPECT_EQ(made->m_bChangerEnabled, 1);
    EXPECT_EQ(List()->GetEntry(0), made);  // F is selected: its list shows the new folder
    // Shown in the tree, checked, when F opens; F itself is not opened by this.
    EXPECT_FALSE(Tree()->GetItemState(Item(f), TVIS_EXPANDED) & TVIS_EXPANDED);
    HTREEITEM item = Item(made);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree()->GetItemText(item), "Pelorand");
    EXPECT_TRUE(Tree()->GetCheck(item));
    EXPECT_EQ(Tree()->GetNextSiblingItem(item), nullptr);
    // Twice into an open folder: items in the order of the children.
    Tree()->Expand(Item(f), TVE_EXPAND);
    Command(Tree(), ID_NEW_FOLDER);
    EXPECT_EQ(Tree()->GetNextSiblingItem(item), Item(Child(f, 2)));
    EXPECT_EQ(Tree()->GetChildItem(Item(f)), item);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingTest, RenamingAFolderInTheTreeOrTheList) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    HTREEITEM item = Item(f);
    EXPECT_EQ(BeginTreeEdit(Tree()->GetRootItem()), TRUE);  // the root keeps its name
    EXPECT_EQ(BeginTreeEdit(item), FALSE);
    EXPECT_EQ(EndTreeEdit(item, "山と海"), 0);
    EXPECT_EQ(f->m_strName, "山と海");
    EXPECT_EQ(Tree()->GetItemText(item), "山と海");
    EXPECT_TRUE(Doc()->IsModified());
    EndTreeEdit(item, nullptr);  // cancelled
    EXPECT_EQ(f->m_strName, "山と海");
    EndTreeEdit(item, "");  // an empty name is a name
    EXPECT_EQ(f->m_strName, "");
    EXPECT_EQ(Tree()->GetItemText(item), "");
    // A name CP932 cannot hold (𠮷) is refused, not stored as a question mark.
    {
        std::wstring typed = L"\U00020BB7";
        NMTVDISPINFOW refused{};
        refused.hdr.code = TVN_ENDLABELEDITW;
        refused.item.hItem = item;
        refused.item.pszText = &typed[0];
        Notify(Tree(), refused.hdr);
        EXPECT_EQ(f->m_strName, "");
        EXPECT_EQ(Tree()->GetItemText(item), "");
        EXPECT_EQ(m_messages, std::vector<std::string>{kNameNotCp932Message});
        m_messages.clear();
    }

    // In the list: folders only; the tree follows.
    Doc()->ShowFolder(Root());
    ASSERT_EQ(List()->GetEntry(2), f);
    NMLVDISPINFOW info{};
    info.hdr.code = LVN_BEGINLABELEDITW;
    info.item.iItem = 0;  // a file
    EXPECT_EQ(Notify(List(), info.hdr), TRUE);
    info.item.iItem = 2;
    EXPECT_EQ(Notify(List(), info.hdr), FALSE);
    std::wstring typed = UiText("能力");
    info.hdr.code = LVN_ENDLABELEDITW;
    info.item.pszText = &typed[0];
    Notify(List(), info.hdr);
    EXPECT_EQ(f->m_strName, "能力");
    EXPECT_EQ(Tree()->GetItemText(item), "能力");
    EXPECT_EQ(List()->GetItemText(2, 0), "能力");
    // Rename is offered for exactly one folder row.
    List()->SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Enabled(List(), ID_RENAME));
    List()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_FALSE(Enabled(List(), ID_RENAME));
    EXPECT_FALSE(Enabled(List(), ID_SET_WALLPAPER));
    EXPECT_TRUE(Enabled(List(), ID_DELETE));
}

TEST_F(EditingTest, DeletingAsksFirstNeverTakesTheRootAndRefreshesTheList) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    EXPECT_FALSE(Enabled(Tree(), ID_DELETE));
    EXPECT_FALSE(Enabled(Tree(), ID_EDIT_CUT));
    Command(Tree(), ID_DELETE);
    EXPECT_EQ(Root()->m_Children.GetCount(), 3);

    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    EXPECT_TRUE(Enabled(Tree(), ID_DELETE));
    m_answer = IDCANCEL;
    Command(Tree(), ID_DELETE);
    EXPECT_EQ(m_messages, std::vector<std::string>{"削除していいですか？"});
    EXPECT_EQ(Root()->m_Children.GetCount(), 3);
    m_answer = IDOK;
    Command(Tree(), ID_DELETE);
    EXPECT_EQ(Root()->m_Children.GetCount(), 2);
    EXPECT_EQ(Tree()->GetCount(), 1);
    EXPECT_EQ(List()->GetItemCount(), 2);  // the parent is listed again
    EXPECT_EQ(Doc()->m_pShownFolder, Root());

    // Two rows of the list at once.
    List()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    List()->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    Command(List(), ID_DELETE);
    EXPECT_EQ(Root()->m_Children.GetCount(), 0);
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_F(EditingTest, RowsSelectedInOneFolderAreNotSelectedInTheNextOneShown) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    ASSERT_EQ(List()->GetItemCount(), 3);
    List()->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    List()->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    KillTimer(List()->m_hWnd, CThumbnailScheduler::kTimerId);
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    ASSERT_EQ(List()->GetItemCount(), 1);
    // The refill is a change of the list: the page follows it two seconds later.
    EXPECT_TRUE(KillTimer(List()->m_hWnd, CThumbnailScheduler::kTimerId));
    EXPECT_EQ(List()->GetSelectedCount(), 0);
    EXPECT_EQ(List()->GetNextItem(-1, LVNI_FOCUSED), -1);
    // Delete now takes nothing the user did not choose here.
    m_answer = IDOK;
    Command(List(), ID_DELETE);
    EXPECT_EQ(f->m_Children.GetCount(), 1);
}

TEST_F(EditingTest, DeletingAFolderWhoseChildrenAreListedEmptiesTheList) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    Doc()->ShowFolder(f);  // as after a drop onto F's row: the tree keeps the root selected
    ASSERT_EQ(List()->GetItemCount(), 1);
    Doc()->RemoveEntry(f);
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(List()->GetItemText(0, 0), "");  // nothing points at the freed entries
}

TEST_F(EditingTest, CopyCutAndPasteCarryTheWritersTextBetweenFoldersAndDocuments) {
    std::string path = TempPath("small.plr");
    WriteBytes(path, kSmall);
    ASSERT_TRUE(OpenEditor(path));
    CBlock* f = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    Command(Tree(), ID_EDIT_COPY);
    const std::string text = TransferText({f});
    EXPECT_EQ(ClipboardCollection(), text + '\0');
    EXPECT_EQ(ReadBytes(GetTempCollectionPath()), text);
    EXPECT_FALSE(Doc()->IsModified());

    // Pasted into the root: a second F after the existing children, shown in the tree.
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    EXPECT_TRUE(Enabled(Tree(), ID_EDIT_PASTE));
    Command(Tree(), ID_EDIT_PASTE);
    ASSERT_EQ(Root()->m_Children.GetCount(), 4);
    CBlock* pasted = Child(Root(), 3);
    EXPECT_EQ(TransferText({pasted}), text);
    EXPECT_EQ(List()->GetEntry(0), pasted);
    ASSERT_NE(Tree()->ItemOf(pasted), nullptr);
    EXPECT_EQ(Tree()->GetNextSiblingItem(Item(f)), Tree()->ItemOf(pasted));
    EXPECT_TRUE(Doc()->IsModified());

    // Two rows copied from the list: a folder with its file, then a file.
    Doc()->ShowFolder(Root());
    List()->SetItemState(-1, 0, LVIS_SELECTED);
    List()->SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);  // F
    List()->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);  // H
    Command(List(), ID_EDIT_COPY);
    CBlock* h = Child(Root(), 2);
    EXPECT_EQ(ClipboardCollection(), TransferText({h, f}) + '\0');  // row order

    // Cut from one document, pasted into a new one.
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    Command(Tree(), ID_EDIT_CUT);
    EXPECT_EQ(Root()->m_Children.GetCount(), 3);
    EXPECT_TRUE(m_messages.empty());  // a cut asks nothing
    m_answer = IDNO;                  // do not save the first one
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    ASSERT_EQ(m_messages.size(), 1u);
    ASSERT_EQ(Root()->m_Children.GetCount(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    Command(Tree(), ID_EDIT_PASTE);
    ASSERT_EQ(Root()->m_Children.GetCount(), 1);
    EXPECT_EQ(TransferText({Child(Root(), 0)}), text);
}

TEST_F(EditingTest, TextThatIsNoCollectionIsRefusedAndChangesNothing) {
    OpenSmall();
    const std::string before = TransferText({Root()});
    for (std::string hostile :
         {std::string("}FILE\r\n}FILE\r\n}FILE\r\n"), std::string("\xff\xfe\x81\"\"\"/\r\nNAME"),
          std::string(100000, '"'), std::string("NAME\t\"x\"\r\n}FILE\r\nNAME\t\"y\"\r\n")}) {
        ComPtr<IDataObject> data = CollectionData(hostile);
        EXPECT_TRUE(Doc()->AcceptData(Root(), data.Get()));
        Doc()->WaitForImport();
        EXPECT_EQ(TransferText({Root()}), before);
    }
    EXPECT_FALSE(Doc()->IsModified());
    // Bytes after a zero byte are not read.
    ComPtr<IDataObject> data =
        CollectionData(std::string("DATA\t\"C:\\x.jpg\"\r\n") + '\0' + "DATA\t\"C:\\y.jpg\"\r\n");
    EXPECT_TRUE(Doc()->AcceptData(Root(), data.Get()));
    Doc()->WaitForImport();
    EXPECT_EQ(Root()->m_Children.GetCount(), 4);
    EXPECT_FALSE(Doc()->AcceptData(nullptr, data.Get()));
}

TEST_F(EditingTest, DropRulesCopyMoveAndTheMoveIntoItself) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    bool files = false, collection = false;
    ComPtr<IDataObject> text = CollectionData(TransferText({f}));
    EXPECT_FALSE(Doc()->CanAcceptData(text.Get(), files, collection, DROPEFFECT_LINK));
    EXPECT_TRUE(Doc()->CanAcceptData(text.Get(), files, collection, DROPEFFECT_MOVE));
    EXPECT_TRUE(collection);
    EXPECT_FALSE(files);

    HTREEITEM rootItem = Tree()->GetRootItem();
    Tree()->Expand(rootItem, TVE_EXPAND);
    POINT point = Centre(rootItem);
    EXPECT_EQ(Tree()->OnDragOver(text.Get(), 0, point), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(Tree()->OnDragOver(text.Get(), MK_CONTROL, point),
              static_cast<DWORD>(DROPEFFECT_COPY));
    ComPtr<IDataObject> shell = FileDropData({TempPath("x.bmp")});
    EXPECT_EQ(Tree()->OnDragOver(shell.Get(), 0, point), static_cast<DWORD>(DROPEFFECT_COPY));
    ComPtr<IDataObject> neither(new CDataSource);
    EXPECT_EQ(Tree()->OnDragOver(neither.Get(), 0, point), static_cast<DWORD>(DROPEFFECT_NONE));
    Tree()->OnDragLeave();
    EXPECT_FALSE(Tree()->OnDrop(text.Get(), DROPEFFECT_MOVE, point));  // nothing highlighted

    // F dragged onto its own parent: moved to the end of the root's children.
    DragOntoTree(rootItem, 0);
    Tree()->BeginDrag(Item(f));
    ASSERT_EQ(Root()->m_Children.GetCount(), 3);
    CBlock* moved = Child(Root(), 2);
    EXPECT_EQ(moved->m_strName, "F");
    EXPECT_EQ(moved->m_Children.GetCount(), 1);
    EXPECT_EQ(FindChild(Root(), "F"), moved);  // the source is gone
    EXPECT_EQ(Tree()->GetSelectedFolder(), Root());
    EXPECT_TRUE(m_messages.empty());

    // Ctrl: copied, the source stays.
    DragOntoTree(rootItem, MK_CONTROL);
    Tree()->BeginDrag(Item(moved));
    EXPECT_EQ(Root()->m_Children.GetCount(), 4);
    EXPECT_EQ(Child(Root(), 2), moved);

    // Onto itself: the copy lands inside, the source stays, the user is told.
    Tree()->Expand(Item(moved), TVE_EXPAND);
    DragOntoTree(Item(moved), 0);
    Tree()->BeginDrag(Item(moved));
    EXPECT_EQ(m_messages,
              std::vector<std::string>{
                  "自分自身か子供に移動をしようとしました\n移動元はそのままになります"});
    EXPECT_EQ(Child(Root(), 2), moved);
    ASSERT_EQ(moved->m_Children.GetCount(), 2);
    EXPECT_EQ(Child(moved, 1)->m_strName, "F");
    EXPECT_EQ(Tree()->GetSelectedFolder(), moved);
    EXPECT_EQ(Doc()->m_pShownFolder, moved);

    // The root does not move.
    m_messages.clear();
    bool dragged = false;
    g_dragDropHook = [&](IDataObject*, DWORD) {
        dragged = true;
        return static_cast<DWORD>(DROPEFFECT_MOVE);
    };
    Tree()->BeginDrag(rootItem);
    EXPECT_FALSE(dragged);
}

TEST_F(EditingTest, ShellFilesDroppedOnTheListGoToTheRowsFolder) {
    OpenSmall();
    std::string one = TempPath("表示.bmp"), two = TempPath(std::string(200, 'n') + ".jpg");
    WriteBytes(one, "BM");
    ComPtr<IDataObject> shell = FileDropData({one, two});
    CBlock* f = Child(Root(), 0);
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_DETAILS, 0), 0);
    SetWindowPos(List()->m_hWnd, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
    RECT rc{};
    rc.left = LVIR_LABEL;
    // Onto a file row: into the root, the file's folder.
    SendMessageW(List()->m_hWnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
    POINT onFile{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    EXPECT_EQ(List()->OnDragOver(shell.Get(), 0, onFile), static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(List()->OnDrop(shell.Get(), DROPEFFECT_COPY, onFile));
    Doc()->WaitForImport();
    ASSERT_EQ(Root()->m_Children.GetCount(), 5);
    EXPECT_EQ(Child(Root(), 3)->m_strName, one);  // wide names in the ANSI code page
    EXPECT_EQ(Child(Root(), 4)->m_strName, two);  // longer than MAX_PATH: whole
    // Onto a folder row: into that folder, which the list then shows; the tree keeps the root.
    Doc()->ShowFolder(Root());
    int row = Root()->m_Children.GetCount() - 1;
    ASSERT_EQ(List()->GetEntry(row), f);
    SendMessageW(List()->m_hWnd, LVM_ENSUREVISIBLE, row, FALSE);
    rc = RECT{LVIR_LABEL, 0, 0, 0};
    SendMessageW(List()->m_hWnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
    POINT onFolder{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    List()->OnDragOver(shell.Get(), 0, onFolder);
    ASSERT_TRUE(List()->OnDrop(shell.Get(), DROPEFFECT_COPY, onFolder));
    Doc()->WaitForImport();
    EXPECT_EQ(f->m_Children.GetCount(), 3);
    EXPECT_EQ(Doc()->m_pShownFolder, f);
    EXPECT_EQ(Tree()->GetSelectedFolder(), Root());
    EXPECT_FALSE(List()->OnDrop(shell.Get(), DROPEFFECT_LINK, onFolder));
}

TEST_F(EditingTest, FoldersNotYetInTheTreeTakeDropsAndDeletesAndShowThemWhenOpened) {
    // R > F > (K, L); only R and F have tree items at first.
    std::string path = TempPath("lazy.plr");
    WriteBytes(path,
               "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
               "FILE{\r\nNAME\t\"F\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
               "FILE{\r\nNAME\t\"K\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n"
               "FILE{\r\nNAME\t\"L\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n"
               "}FILE\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    CBlock* f = Child(Root(), 0);
    CBlock* k = Child(f, 0);
    CBlock* l = Child(f, 1);
    ASSERT_NE(Tree()->ItemOf(f), nullptr);
    ASSERT_EQ(Tree()->ItemOf(k), nullptr);
    ASSERT_TRUE(Tree()->SelectItem(Tree()->ItemOf(f)));
    ASSERT_EQ(List()->GetEntry(1), k);
    ASSERT_EQ(Tree()->ItemOf(k), nullptr);  // selecting F lists K and L without opening F
    const int items = Tree()->GetCount();

    // Collection text dropped onto K's row goes into K, and into no tree item for now.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_DETAILS, 0), 0);
    RECT rc{LVIR_LABEL, 0, 0, 0};
    SendMessageW(List()->m_hWnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc));
    POINT onK{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ComPtr<IDataObject> text =
        CollectionData("FILE{\r\nNAME\t\"P\",\"2\",\"?\",\"?\",\"0\",\"0\"\r\n}FILE\r\n");
    ASSERT_TRUE(List()->OnDrop(text.Get(), DROPEFFECT_COPY, onK));
    ASSERT_EQ(k->m_Children.GetCount(), 1);
    CBlock* p = Child(k, 0);
    EXPECT_EQ(p->m_strName, "P");
    EXPECT_EQ(Tree()->GetCount(), items);
    EXPECT_EQ(Tree()->GetNextSiblingItem(Tree()->GetRootItem()), nullptr);  // no stray top
    EXPECT_TRUE(Doc()->IsModified());

    // L's row deleted while L has no item; opening F then shows K alone, and K shows P
    // with its cleared check.
    List()->SetItemState(-1, 0, LVIS_SELECTED);
    List()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(List()->GetEntry(0), l);
    m_answer = IDOK;
    Command(List(), ID_DELETE);
    ASSERT_EQ(f->m_Children.GetCount(), 1);
    Tree()->Expand(Tree()->ItemOf(f), TVE_EXPAND);
    ASSERT_NE(Tree()->ItemOf(k), nullptr);
    HTREEITEM kItem = Tree()->ItemOf(k);
    EXPECT_EQ(Tree()->GetChildItem(Tree()->ItemOf(f)), kItem);
    EXPECT_EQ(Tree()->GetNextSiblingItem(kItem), nullptr);
    Tree()->Expand(kItem, TVE_EXPAND);
    HTREEITEM pItem = Tree()->GetChildItem(kItem);
    ASSERT_NE(pItem, nullptr);
    EXPECT_EQ(reinterpret_cast<CBlock*>(Tree()->GetItemData(pItem)), p);
    EXPECT_EQ(Tree()->ItemOf(p), pItem);
    EXPECT_FALSE(Tree()->GetCheck(pItem));
    EXPECT_EQ(Tree()->GetCount(), items + 2);  // K, then P
}

TEST_F(EditingTest, TickingAFolderInTheTreeWritesItsFlagAndTheListFollows) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    HTREEITEM item = Item(f);
    Tree()->Expand(Tree()->GetRootItem(), TVE_EXPAND);
    RECT text{};
    std::memcpy(&text, &item, sizeof item);
    SendMessageW(Tree()->m_hWnd, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text));
    TVHITTESTINFO hit{};
    int y = (text.top + text.bottom) / 2;
    for (int x = 0; x < text.left; ++x) {
        hit.pt = POINT{x, y};
        SendMessageW(Tree()->m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem == item && (hit.flags & TVHT_ONITEMSTATEICON)) break;
    }
    ASSERT_TRUE(hit.flags & TVHT_ONITEMSTATEICON);
    SendMessageW(Tree()->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageW(Tree()->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    Pump();
    EXPECT_FALSE(Tree()->GetCheck(item));
    // The space bar ticks the selected folder again.
    ASSERT_TRUE(Tree()->SelectItem(item));
    SendMessageW(Tree()->m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(Tree()->GetCheck(item));
    EXPECT_EQ(f->m_bChangerEnabled, 1);
    SendMessageW(Tree()->m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    Doc()->ShowFolder(Root());
    EXPECT_EQ(f->m_bChangerEnabled, 0);
    EXPECT_FALSE(List()->GetCheck(2));
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingTest, SetAsWallpaperSetsTheSelectedFileAndRecordsIt) {
    std::string image = TempPath("wall.bmp");
    // A whole 1 x 1 picture: only a picture is set as the wallpaper.
    std::string bmp("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 30);
    bmp.append(24, '\0');
    bmp.append("\x40\x80\xC0\0", 4);
    WriteBytes(image, bmp);
    std::string path = TempPath("wall.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"R\"\r\nDATA\t\"" + image +
                         "\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    EXPECT_FALSE(Enabled(List(), ID_SET_WALLPAPER));
    List()->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Enabled(List(), ID_SET_WALLPAPER));
    std::size_t before = WallPaperHistory().GetCount();
    Command(List(), ID_SET_WALLPAPER);
    ASSERT_EQ(WallPaperHistory().GetCount(), before + 1);
    EXPECT_EQ(WallPaperHistory().GetAt(before), image);
}

TEST_F(EditingTest, UnsavedEditsAreOfferedForSavingBeforeTheyWouldBeLost) {
    OpenSmall();
    const std::string question = "small.plr への変更を保存しますか?";
    // No edit, no question.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    EXPECT_TRUE(m_messages.empty());
    std::string path = TempPath("small.plr");
    ASSERT_NE(m_app->OpenDocumentFile(path), nullptr);
    EXPECT_FALSE(Doc()->IsModified());

    // Cancel keeps everything; No throws the edit away.
    Doc()->RemoveEntry(Child(Root(), 2));
    m_answer = IDCANCEL;
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    EXPECT_EQ(m_messages, std::vector<std::string>{question});
    EXPECT_EQ(Root()->m_Children.GetCount(), 2);
    SendMessageW(Frame()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(Frame()->m_hWnd));
    EXPECT_EQ(m_messages.size(), 2u);
    std::string other = TempPath("other.plr");
    WriteBytes(other, kSmall);
    m_app->m_fileDialogHook = [&](std::string& name, bool) {
        name = other;
        return true;
    };
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
    EXPECT_EQ(m_messages.size(), 3u);
    EXPECT_EQ(Doc()->GetPathName(), path);
    EXPECT_EQ(Root()->m_Children.GetCount(), 2);

    // Yes saves first; after a save nothing is asked.
    m_answer = IDYES;
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
    EXPECT_EQ(m_messages.size(), 4u);
    std::string saved = ReadBytes(path);
    EXPECT_EQ(saved.find("H.jpg"), std::string::npos);
    EXPECT_NE(saved.find("G.jpg"), std::string::npos);
    EXPECT_EQ(Root()->m_Children.GetCount(), 0);  // the new collection
    Command(Tree(), ID_NEW_FOLDER);
    Tree()->SelectItem(Tree()->GetRootItem());
    Command(Tree(), ID_NEW_FOLDER);
    EXPECT_TRUE(Doc()->IsModified());
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 0), 0);
    EXPECT_FALSE(Doc()->IsModified());
    m_messages.clear();
    SendMessageW(Frame()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(EditingTest, DroppedPathsArriveWholeInTheirOrder) {
    std::string longName = "C:\\" + std::string(300, 'x') + "\\表示.jpg";
    std::vector<std::string> paths;
    CGlobalLock lock(WideDropBlock({Wide(longName), L"C:\\b.bmp"}).Detach());
    std::string block(static_cast<const char*>(lock.Data()), lock.Size());
    GetDroppedPaths(paths, block);
    EXPECT_EQ(paths, (std::vector<std::string>{longName, "C:\\b.bmp"}));
    // An ANSI block without its closing empty name still ends at the block's end.
    std::string ansi(sizeof(DROPFILES), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    std::memcpy(&ansi[0], &header, sizeof header);
    ansi += "C:\\a.bmp";
    paths.clear();
    GetDroppedPaths(paths, ansi);
    EXPECT_EQ(paths, std::vector<std::string>{"C:\\a.bmp"});
}

TEST_F(EditingTest, KeysTypedIntoALabelBeingRenamedAreNotShortcuts) {
    OpenSmall();
    CBlock* f = Child(Root(), 0);
    HTREEITEM item = Item(f);
    Tree()->Expand(Tree()->GetRootItem(), TVE_EXPAND);
    SetFocus(Tree()->m_hWnd);
    auto edit = reinterpret_cast<HWND>(
        SendMessageW(Tree()->m_hWnd, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item)));
    ASSERT_NE(edit, nullptr);
    MSG key{edit, WM_KEYDOWN, VK_DELETE, 0, 0, {0, 0}};
    EXPECT_FALSE(Frame()->PreTranslateMessage(&key));
    EXPECT_TRUE(m_messages.empty());  // no question about deleting the folder
    SendMessageW(Tree()->m_hWnd, TVM_ENDEDITLABELNOW, TRUE, 0);
    // On the tree itself Delete is the delete command.
    ASSERT_TRUE(Tree()->SelectItem(item));
    m_answer = IDCANCEL;
    key.hwnd = Tree()->m_hWnd;
    EXPECT_TRUE(Frame()->PreTranslateMessage(&key));
    EXPECT_EQ(m_messages, std::vector<std::string>{"削除していいですか？"});
    EXPECT_EQ(Root()->m_Children.GetCount(), 3);
}

TEST_F(EditingTest, EndingTheSessionAsksForUnsavedEditsAndCancelRefusesTheEnd) {
    OpenSmall();
    const std::string question = "small.plr への変更を保存しますか?";
    std::string path = TempPath("small.plr");
    // Nothing changed: the session may end without a question.
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(m_messages.empty());

    Doc()->RemoveEntry(Child(Root(), 2));
    m_answer = IDCANCEL;
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    EXPECT_EQ(m_messages, std::vector<std::string>{question});
    // Another program refused the end: the session goes on, and so does the editor.
    SendMessageW(Frame()->m_hWnd, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(IsWindow(Frame()->m_hWnd));
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(ReadBytes(path), kSmall);

    // Yes saves before the end is allowed.
    m_answer = IDYES;
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_NE(ReadBytes(path), kSmall);
    EXPECT_EQ(ReadBytes(path).find("H.jpg"), std::string::npos);
    EXPECT_FALSE(Doc()->IsModified());

    // The session ends: the frame closes as at a close, keeping its layout, asking nothing more.
    Settings().WriteInt(setting::TreeSize, 0);
    HWND frame = Frame()->m_hWnd;
    SendMessageW(frame, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_GT(Settings().GetInt(setting::TreeSize), 0);
}

TEST_F(EditingTest, AForcedEndKeepsTheEditsAsideAndTheNextStartOffersThemBack) {
    OpenSmall();
    const std::string path = Doc()->GetPathName();
    const std::string copy = RecoveryCopyPath(m_app->GetRecoveryFolder(), path);
    EXPECT_FALSE(Frame()->HasShutdownBlockReason());
    Doc()->RemoveEntry(Child(Root(), 2));
    // While edits are unsaved, Windows is told why the session should wait.
    EXPECT_TRUE(Frame()->HasShutdownBlockReason());

    // A forced restart: no question that would be covered and killed with the edits in it.
    HWND frame = Frame()->m_hWnd;
    EXPECT_EQ(SendMessageW(frame, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL), TRUE);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(ReadBytes(path), kSmall);
    const std::string kept = ReadBytes(copy);
    EXPECT_NE(kept.find("G.jpg"), std::string::npos);
    EXPECT_EQ(kept.find("H.jpg"), std::string::npos);
    SendMessageW(frame, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL);
    EXPECT_FALSE(IsWindow(frame));
    CloseEditor();

    // The next start on the collection offers them; yes makes them its unsaved edits.
    m_answer = IDYES;
    ASSERT_TRUE(OpenEditor(path));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find(path), std::string::npos);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Doc()->GetPathName(), path);
    EXPECT_EQ(Root()->m_Children.GetCount(), 2);
    EXPECT_TRUE(Frame()->HasShutdownBlockReason());
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadBytes(path), kSmall);
    // Ctrl+S writes them to the collection itself.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, ID_FILE_SAVE, 0);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_FALSE(Frame()->HasShutdownBlockReason());
    EXPECT_EQ(ReadBytes(path), kept);
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(EditingTest, ARecoveryCopyRefusedIsDeletedAndOneCancelledWithTheEndIsNotLeft) {
    OpenSmall();
    const std::string path = Doc()->GetPathName();
    const std::string copy = RecoveryCopyPath(m_app->GetRecoveryFolder(), path);
    Doc()->RemoveEntry(Child(Root(), 2));
    // The Restart Manager asks the same way: saved without a question.
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    // Another program refused the end: the edits stay in the editor, the copy goes.
    SendMessageW(Frame()->m_hWnd, WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP);
    EXPECT_TRUE(IsWindow(Frame()->m_hWnd));
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL), TRUE);
    SendMessageW(Frame()->m_hWnd, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL);
    CloseEditor();
    m_answer = IDNO;
    ASSERT_TRUE(OpenEditor(path));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(Root()->m_Children.GetCount(), 3);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadBytes(path), kSmall);
}

TEST_F(EditingTest, WithNowhereToKeepTheEditsOnlyACriticalEndIsAgreedTo) {
    OpenSmall();
    Doc()->RemoveEntry(Child(Root(), 2));
    // A folder that cannot be made (a file has its name).
    const std::string blocked = TempPath("blocked");
    WriteBytes(blocked, "file");
    m_app->SetRecoveryFolder(blocked + "\\recovery");
    // The Restart Manager may be refused: the edits stay with the user.
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), FALSE);
    // A critical end is not waited for, whatever the answer.
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL), TRUE);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(ReadBytes(TempPath("small.plr")), kSmall);
    SendMessageW(Frame()->m_hWnd, WM_ENDSESSION, FALSE, ENDSESSION_CRITICAL);
    EXPECT_TRUE(Doc()->IsModified());
    DeleteFileA(blocked.c_str());
}

TEST_F(EditingTest, AnUnreadableRecoveryCopyIsKeptAndNamed) {
    const std::string path = TempPath("small.plr");
    WriteBytes(path, kSmall);
    const std::string copy = RecoveryCopyPath(m_app->GetRecoveryFolder(), FullPathName(path));
    CreateDirectoryA(m_app->GetRecoveryFolder().c_str(), nullptr);
    const std::string garbage(std::string("\0\xff\xfe", 3) + "FILE{\r\nDATA\t\"");
    WriteBytes(copy, garbage);
    m_answer = IDYES;
    ASSERT_TRUE(OpenEditor(path));
    ASSERT_FALSE(m_messages.empty());
    EXPECT_NE(m_messages.back().find(copy), std::string::npos);
    EXPECT_EQ(ReadBytes(copy), garbage);
    // The collection itself is open as it is on the disk.
    EXPECT_EQ(Doc()->GetPathName(), FullPathName(path));
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(Doc()->m_pRoot->m_Children.GetCount(), 3);
    DeleteFileA(copy.c_str());
}

TEST_F(EditingTest, TheEditsOfANewCollectionComeBackAtTheNextStart) {
    ASSERT_TRUE(OpenEditor());
    ASSERT_NE(Doc()->NewFolder(Doc()->m_pRoot), nullptr);
    ASSERT_TRUE(Doc()->IsModified());
    EXPECT_EQ(SendMessageW(Frame()->m_hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL), TRUE);
    SendMessageW(Frame()->m_hWnd, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL);
    CloseEditor();
    m_answer = IDYES;
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_TRUE(Doc()->GetPathName().empty());
    ASSERT_EQ(Doc()->m_pRoot->m_Children.GetCount(), 1);
    EXPECT_EQ(
        GetFileAttributesA(RecoveryCopyPath(m_app->GetRecoveryFolder(), "").c_str()),
        INVALID_FILE_ATTRIBUTES);
}

namespace {

// A disk that answers for "D:\slow" only once the test lets it: an import stays running
// meanwhile, as on a slow network share.
class GatedFileSystem : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override {
        PathAttributes attributes;
        attributes.readable = true;
        attributes.isDirectory = path == "D:\\slow" || path == "D:\\slow\\sub";
        return attributes;
    }
    void Enumerate(const std::string& dir, const std::string&,
                   const std::function<bool(const std::string&)>& onName) const override {
        while (!open) Sleep(1);
        if (dir == "D:\\slow") {
            for (const char* name : {"sub", "a.jpg", "a.jpgx"}) {
                if (!onName(name)) return;
            }
        } else if (dir == "D:\\slow\\sub") {
            onName("b.bmp");
        }
    }
    char Separator() const override { return '\\'; }
    mutable std::atomic<bool> open{false};
};

}  // namespace

TEST_F(EditingTest, AnImportRunsBesideTheWindowAndStoppingItLeavesTheCollectionAsItWas) {
    OpenSmall();
    GatedFileSystem disk;
    Doc()->m_pFileSystem = &disk;
    const std::string before = TransferText({Root()});
    ASSERT_TRUE(Tree()->SelectItem(Item(Child(Root(), 0))));
    m_answer = IDYES;
    Doc()->AddPath(Root(), "D:\\slow");
    for (int i = 0; i < 1000 && m_messages.empty(); ++i) {
        Sleep(2);
        Pump();  // until the folder question
    }
    ASSERT_EQ(m_messages.size(), 1u);
    ASSERT_TRUE(Doc()->IsImporting());
    // Nothing that changes the collection can start meanwhile; looking around can.
    for (unsigned id : {ID_DELETE, ID_NEW_FOLDER, ID_ADD_FILE, ID_RENAME, ID_PROPERTY}) {
        EXPECT_FALSE(Enabled(Tree(), id)) << id;
    }
    EXPECT_FALSE(Enabled(List(), ID_EDIT_CUT));
    EXPECT_TRUE(Enabled(Tree(), ID_EDIT_COPY));
    // Closing asks first; No keeps the import and the window.
    m_messages.clear();
    m_answer = IDNO;
    EXPECT_FALSE(Doc()->SaveModified());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(Doc()->IsImporting());
    m_answer = IDYES;
    EXPECT_TRUE(Doc()->SaveModified());
    EXPECT_FALSE(Doc()->IsImporting());
    disk.open = true;
    Doc()->WaitForImport();
    Pump();
    EXPECT_EQ(TransferText({Root()}), before);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_TRUE(Enabled(Tree(), ID_NEW_FOLDER));

    // Let through, it arrives whole in one step, and a name matching only through its short
    // alias is not taken.
    Doc()->AddPath(Root(), "D:\\slow");
    Doc()->WaitForImport();
    CBlock* imported = Child(Root(), Root()->m_Children.GetCount() - 1);
    ASSERT_EQ(imported->m_strName, "D:\\slow");
    ASSERT_EQ(imported->m_Children.GetCount(), 2);
    EXPECT_EQ(Child(imported, 0)->m_strName, "D:\\slow\\sub");
    EXPECT_EQ(Child(imported, 1)->m_strName, "D:\\slow\\a.jpg");
    ASSERT_EQ(Child(imported, 0)->m_Children.GetCount(), 1);
    EXPECT_TRUE(Doc()->IsModified());
    Doc()->m_pFileSystem = nullptr;
}

TEST_F(EditingTest, CancelInTheProgressDialogStopsTheImportAndLeavesTheCollectionAsItWas) {
    OpenSmall();
    GatedFileSystem disk;
    Doc()->m_pFileSystem = &disk;
    const std::string before = TransferText({Root()});
    ASSERT_TRUE(Doc()->AddFolderContents(Child(Root(), 0), "D:\\slow"));
    // The dialog comes up once the import has taken half a second.
    HWND dialog = nullptr;
    for (int i = 0; i < 300 && !dialog; ++i) {
        Sleep(10);
        Pump();
        dialog = FindWindowW(nullptr, L"フォルダーの取り込み");
    }
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Doc()->IsImporting());
    // Its Cancel button, as a click sends it; the import looks at it on its next tick.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (int i = 0; i < 300 && Doc()->IsImporting(); ++i) {
        Sleep(10);
        Pump();
    }
    EXPECT_FALSE(Doc()->IsImporting());
    EXPECT_FALSE(IsWindow(dialog));
    disk.open = true;  // the stopped job ends; nothing of it arrives
    Doc()->WaitForImport();
    Sleep(50);
    Pump();
    EXPECT_EQ(TransferText({Root()}), before);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_TRUE(Enabled(Tree(), ID_NEW_FOLDER));
    Doc()->m_pFileSystem = nullptr;
}

TEST_F(EditingTest, AnImportThatEndsWhileTheStopQuestionIsUpWaitsForTheAnswer) {
    OpenSmall();
    GatedFileSystem disk;
    Doc()->m_pFileSystem = &disk;
    const std::string before = TransferText({Root()});
    CBlock* target = Child(Root(), 0);
    const int children = target->m_Children.GetCount();
    // While the question is up the import finishes and its result reaches the window, as
    // the message box's own loop would hand it over.
    int answer = IDYES;
    m_app->m_messageBoxHook = [&](const std::string& text, UINT) {
        m_messages.push_back(text);
        disk.open = true;
        for (int i = 0; i < 150 && Doc()->IsImporting(); ++i) {
            Sleep(2);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        return answer;
    };
    // The paths are told apart at once; the folder's reading waits at the gate.
    auto startImport = [&] {
        ASSERT_TRUE(Doc()->AddFolderContents(target, "D:\\slow"));
        for (int i = 0; i < 50; ++i) {
            Sleep(2);
            Pump();
        }
    };
    // Stop: what finished meanwhile is dropped.
    startImport();
    EXPECT_TRUE(Doc()->SaveModified());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(Doc()->IsImporting());
    Pump();
    EXPECT_EQ(target->m_Children.GetCount(), children);
    EXPECT_EQ(TransferText({Root()}), before);
    EXPECT_FALSE(Doc()->IsModified());

    // Go on: what finished meanwhile is taken once the answer is in, and the window stays.
    disk.open = false;
    answer = IDNO;
    startImport();
    EXPECT_FALSE(Doc()->SaveModified());
    EXPECT_FALSE(Doc()->IsImporting());
    Pump();
    EXPECT_EQ(target->m_Children.GetCount(), children + 2);
    EXPECT_TRUE(Doc()->IsModified());
    Doc()->m_pFileSystem = nullptr;
    m_app->m_messageBoxHook = [this](const std::string& text, UINT) {
        m_messages.push_back(text);
        return m_answer;
    };
}

namespace {

// A chain of folders "d" 200 deep below D:\\deep, and D:\\gone, whose sub-folder is listed
// but deleted before it is read.
class HostileDisk : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override {
        PathAttributes attributes;
        attributes.readable = path.rfind("D:\\deep", 0) == 0 || path == "D:\\gone";
        attributes.isDirectory = attributes.readable && path.find(".jpg") == std::string::npos;
        return attributes;
    }
    void Enumerate(const std::string& dir, const std::string&,
                   const std::function<bool(const std::string&)>& onName) const override {
        if (dir.rfind("D:\\deep", 0) == 0 && dir.size() < 8 + 2 * 200) {
            onName("d");
            onName("p.jpg");
        }
    }
    void EnumerateEntries(const std::string& dir,
                          const std::function<bool(const std::string&, bool)>& onEntry)
        const override {
        if (dir == "D:\\gone") {
            onEntry("a.jpg", false);
            onEntry("sub", true);
            return;
        }
        IFileSystem::EnumerateEntries(dir, onEntry);
    }
    char Separator() const override { return '\\'; }
};

}  // namespace

TEST_F(EditingTest, AnImportSaysWhichFoldersItLeftOut) {
    OpenSmall();
    HostileDisk disk;
    Doc()->m_pFileSystem = &disk;
    m_answer = IDOK;
    ASSERT_TRUE(Doc()->AddFolderContents(Child(Root(), 0), "D:\\deep"));
    Doc()->WaitForImport();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("深すぎる"), std::string::npos);
    std::string deepest = "D:\\deep";
    for (int i = 0; i < 128; ++i) deepest += "\\d";
    EXPECT_NE(m_messages[0].find(deepest), std::string::npos) << m_messages[0];
    // What could be taken was.
    CBlock* at = nullptr;
    for (int i = 0; i < Child(Root(), 0)->m_Children.GetCount(); ++i) {
        if (Child(Child(Root(), 0), i)->m_strName == "D:\\deep\\d") at = Child(Child(Root(), 0), i);
    }
    ASSERT_NE(at, nullptr);
    int levels = 1;
    while (at->m_Children.GetCount() && Child(at, 0)->m_bFolder) {
        at = Child(at, 0);
        ++levels;
    }
    EXPECT_EQ(levels, 127);

    m_messages.clear();
    ASSERT_TRUE(Doc()->AddFolderContents(Child(Root(), 0), "D:\\gone"));
    Doc()->WaitForImport();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("読み取れなかった"), std::string::npos);
    EXPECT_NE(m_messages[0].find("D:\\gone\\sub"), std::string::npos);
    Doc()->m_pFileSystem = nullptr;
}

TEST_F(EditingTest, PropertiesNeedAFolderBelowTheRootOrASelectedRow) {
    OpenSmall();
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    EXPECT_FALSE(Enabled(Tree(), ID_PROPERTY));
    ASSERT_TRUE(Tree()->SelectItem(Item(Child(Root(), 0))));
    EXPECT_TRUE(Enabled(Tree(), ID_PROPERTY));
    Doc()->ShowFolder(Root());
    ListView_SetItemState(List()->m_hWnd, -1, 0, LVIS_SELECTED);
    EXPECT_FALSE(Enabled(List(), ID_PROPERTY));
    ListView_SetItemState(List()->m_hWnd, 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Enabled(List(), ID_PROPERTY));
}

TEST_F(EditingTest, TransferFileFailuresAreReportedAndAFileDropLeavesTheFileEmpty) {
    OpenSmall();
    const std::string temp = GetTempCollectionPath();
    // A file drop empties the transfer file.
    WriteBytes(temp, "old transfer text");
    std::string image = TempPath("dropped.bmp");
    WriteBytes(image, "BM");
    ComPtr<IDataObject> files = FileDropData({image});
    ASSERT_TRUE(Doc()->AcceptData(Root(), files.Get()));
    Doc()->WaitForImport();
    EXPECT_EQ(ReadBytes(temp), "");

    // A folder in the file's place: it can be neither written nor read.
    DeleteFileW(ToWide(temp).c_str());
    ASSERT_TRUE(CreateDirectoryW(ToWide(temp).c_str(), nullptr));
    CBlock* f = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    SetClipboardData(CollectionData("keep").Get());
    m_messages.clear();
    Command(Tree(), ID_EDIT_COPY);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(ClipboardCollection(), std::string("keep") + '\0');  // nothing offered
    Command(Tree(), ID_EDIT_CUT);
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(Child(Root(), 0), f);  // not cut
    const int count = Root()->m_Children.GetCount();
    m_messages.clear();
    ComPtr<IDataObject> text = CollectionData(TransferText({f}));
    EXPECT_FALSE(Doc()->AcceptData(Root(), text.Get()));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(Doc()->AcceptData(Root(), files.Get()));
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(Root()->m_Children.GetCount(), count);
    RemoveDirectoryW(ToWide(temp).c_str());
}

namespace {

std::string Collection(const CBlock& root) {
    CStringSink sink;
    WriteRecords(root, sink);
    return sink.Text();
}

std::wstring TreeLabel(CPelorandTreeView* tree, HTREEITEM item) {
    wchar_t text[64] = L"";
    TVITEMW label{};
    label.mask = TVIF_TEXT | TVIF_HANDLE;
    label.hItem = item;
    label.pszText = text;
    label.cchTextMax = 64;
    SendMessageW(tree->m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&label));
    return text;
}

}  // namespace

TEST_F(EditingTest, UndoAndRedoTakeBackEachKindOfEditOneStepAtATime) {
    OpenSmall();
    const std::string original = Collection(*Root());
    CBlock* f = Child(Root(), 0);
    EXPECT_FALSE(Enabled(Tree(), ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(Tree(), ID_EDIT_REDO));

    // A folder deleted in the tree comes back whole, in its place, with its tree item.
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    m_answer = IDOK;
    Command(Tree(), ID_DELETE);
    ASSERT_EQ(Root()->m_Children.GetCount(), 2);
    EXPECT_TRUE(Enabled(Tree(), ID_EDIT_UNDO));
    Command(Tree(), ID_EDIT_UNDO);
    EXPECT_EQ(Collection(*Root()), original);
    EXPECT_EQ(Child(Root(), 0), f);
    ASSERT_NE(Item(f), nullptr);
    EXPECT_EQ(TreeLabel(Tree(), Item(f)), L"F");
    EXPECT_TRUE(Enabled(Tree(), ID_EDIT_REDO));
    Command(Tree(), ID_EDIT_REDO);
    EXPECT_EQ(Root()->m_Children.GetCount(), 2);
    EXPECT_EQ(Tree()->GetCount(), 1);
    Command(Tree(), ID_EDIT_UNDO);

    // A rename, then a check box in the list: each is a step of its own.
    ASSERT_TRUE(Tree()->SelectItem(Item(f)));
    EndTreeEdit(Item(f), "renamed");
    EXPECT_EQ(f->GetName(), "renamed");
    ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    Doc()->ShowFolder(Root());
    int rowOfH = -1;
    for (int row = 0; row < List()->GetItemCount(); ++row) {
        if (List()->GetEntry(row)->GetName() == "C:\\nowhere\\H.jpg") rowOfH = row;
    }
    ASSERT_GE(rowOfH, 0);
    List()->SetEntryCheck(rowOfH, true);
    EXPECT_EQ(Child(Root(), 2)->m_bChangerEnabled, 1);
    Command(List(), ID_EDIT_UNDO);
    EXPECT_EQ(Child(Root(), 2)->m_bChangerEnabled, 0);
    EXPECT_EQ(f->GetName(), "renamed");
    Command(List(), ID_EDIT_UNDO);
    EXPECT_EQ(f->GetName(), "F");
    EXPECT_EQ(TreeLabel(Tree(), Item(f)), L"F");
    EXPECT_EQ(Collection(*Root()), original);

    // A move by dragging is one step: the copy at the target and the original both go back.
    HTREEITEM rootItem = Tree()->GetRootItem();
    Tree()->Expand(rootItem, TVE_EXPAND);
    DragOntoTree(rootItem, 0);
    Tree()->BeginDrag(Item(f));
    ASSERT_EQ(Child(Root(), 2)->GetName(), "F");
    Command(Tree(), ID_EDIT_UNDO);
    EXPECT_EQ(Collection(*Root()), original);
    EXPECT_EQ(Child(Root(), 0), f);

    // A new folder and a paste go again on undo; a new edit drops what could be redone.
    ASSERT_TRUE(Tree()->SelectItem(rootItem));
    Command(Tree(), ID_NEW_FOLDER);
    ASSERT_EQ(Root()->m_Children.GetCount(), 4);
    Command(Tree(), ID_EDIT_UNDO);
    EXPECT_EQ(Collection(*Root()), original);
    EXPECT_TRUE(Enabled(Tree(), ID_EDIT_REDO));
    ASSERT_TRUE(Doc()->AcceptData(Root(), CollectionData(TransferText({f})).Get()));
    EXPECT_EQ(Root()->m_Children.GetCount(), 4);
    EXPECT_FALSE(Enabled(Tree(), ID_EDIT_REDO));
    Command(Tree(), ID_EDIT_UNDO);
    EXPECT_EQ(Collection(*Root()), original);
    EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingTest, UndoPutsBackPropertiesWrittenToAWholeSubtree) {
    OpenSmall();
    const std::string original = Collection(*Root());
    PropertyChange change;
    change.priority = 4;
    change.updatePriority = true;
    change.author = "someone";
    change.updateAuthor = true;
    change.changerEnabled = 0;
    change.updateChanger = true;
    change.subfolders = true;
    Doc()->ChangeProperties({Root()}, change);
    EXPECT_EQ(Child(Child(Root(), 0), 0)->GetAuthor(), "someone");
    EXPECT_FALSE(Tree()->GetCheck(Item(Child(Root(), 0))));
    Command(Tree(), ID_EDIT_UNDO);
    EXPECT_EQ(Collection(*Root()), original);
    EXPECT_TRUE(Tree()->GetCheck(Item(Child(Root(), 0))));
}

TEST_F(EditingTest, AFolderOfAHundredThousandEntriesDeletedComesBackWhole) {
    std::string text = "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
                       "FILE{\r\nNAME\t\"big\",\"3\",\"me\",\"many\",\"1\",\"1\"\r\n";
    for (int i = 0; i < 100000; ++i) {
        text += "DATA\t\"C:\\p\\" + std::to_string(i) + ".jpg\",\"" + std::to_string(i % 5) +
                "\",\"a" + std::to_string(i % 7) + "\",\"?\",\"0\",\"1\"\r\n";
    }
    text += "}FILE\r\nFILE{\r\nNAME\t\"after\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n}FILE\r\n";
    const std::string path = TempPath("big.plr");
    WriteBytes(path, text);
    ASSERT_TRUE(OpenEditor(path));
    const std::string original = Collection(*Root());
    CBlock* big = Child(Root(), 0);
    ASSERT_TRUE(Tree()->SelectItem(Item(big)));
    m_answer = IDOK;
    const auto start = std::chrono::steady_clock::now();
    Command(Tree(), ID_DELETE);
    const auto deleted = std::chrono::steady_clock::now();
    ASSERT_EQ(Root()->m_Children.GetCount(), 1);
    Command(Tree(), ID_EDIT_UNDO);
    const auto undone = std::chrono::steady_clock::now();
    EXPECT_EQ(Child(Root(), 0), big);
    EXPECT_EQ(Collection(*Root()), original);
    using ms = std::chrono::milliseconds;
    std::printf("delete of 100,000 entries %lld ms, its undo %lld ms, history weight %zu\n",
                static_cast<long long>(std::chrono::duration_cast<ms>(deleted - start).count()),
                static_cast<long long>(std::chrono::duration_cast<ms>(undone - deleted).count()),
                Doc()->History().Weight());
}
