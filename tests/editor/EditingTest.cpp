#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <string>

#include "EditorFixture.h"
#include "doc/PelorandDoc.h"
#include "model/Block.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"

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

class EditingTest : public EditorTest {
  protected:
    void OpenSmall() {
        std::string path = TempPath("small.plr");
        WriteBytes(path, kSmall);
        ASSERT_TRUE(OpenEditor(path));
        ASSERT_TRUE(Tree()->SelectItem(Tree()->GetRootItem()));
    }
    CPelorandTreeView* Tree() const { return Doc()->m_pTreeView; }
    CPelorandListView* List() const { return Frame()->GetActiveList(); }
    CBlock* Root() const { return Doc()->m_pRoot; }
    CBlock* Child(CBlock* folder, int i) const { return folder->m_Children.GetAtIndex(i); }
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

    // Unticking the folder's row clears its flag and its tree check.
    List()->SetCheck(2, false);
    EXPECT_EQ(f->m_bChangerEnabled, 0);
    EXPECT_FALSE(Tree()->GetCheck(static_cast<HTREEITEM>(f->m_hTreeItem)));
    EXPECT_FALSE(List()->GetCheck(2));
    // Ticking a file's row sets its flag.
    List()->SetCheck(0, true);
    EXPECT_EQ(h->m_bChangerEnabled, 1);
    EXPECT_TRUE(List()->GetCheck(0));

    // A click on the check box itself.
    SendMessageA(List()->m_hWnd, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
    RECT box{};
    box.left = LVIR_ICON;
    SendMessageA(List()->m_hWnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&box));
    CBlock* g = Child(Root(), 1);
    ASSERT_EQ(List()->GetEntry(1), g);
    LVHITTESTINFO hit{};
    hit.pt = POINT{box.left - 8, (box.top + box.bottom) / 2};
    SendMessageA(List()->m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_EQ(hit.iItem, 1);
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    SendMessageA(List()->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageA(List()->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    Pump();
    EXPECT_EQ(g->m_bChangerEnabled, 0);
    EXPECT_FALSE(List()->GetCheck(1));
    // The space bar toggles the focused row.
    List()->SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
    SendMessageA(List()->m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
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
    EXPECT_EQ(deepest->m_hTreeItem, nullptr);
    HTREEITEM item = Tree()->EnsureItem(deepest);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree()->GetCount(), depth);
    EXPECT_EQ(reinterpret_cast<CBlock*>(Tree()->GetItemData(item)), deepest);
    EXPECT_EQ(Tree()->GetParentItem(item), static_cast<HTREEITEM>(deepest->m_pParent->m_hTreeItem));
    // Opening the folders on the way inserts nothing twice.
    Tree()->Expand(static_cast<HTREEITEM>(Root()->m_hTreeItem), TVE_EXPAND);
    Tree()->Expand(static_cast<HTREEITEM>(deepest->m_pParent->m_hTreeItem), TVE_EXPAND);
    EXPECT_EQ(Tree()->GetCount(), depth);
    ASSERT_TRUE(Tree()->SelectItem(item));
    EXPECT_EQ(List()->GetItemCount(), 0);
}
