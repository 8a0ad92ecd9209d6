// The entry properties dialog in both modes, applied from the folder tree and the file list,
// and the author list with its registry layout; the dialogs are driven as a user would, from
// the moment they are shown.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "app/RegistrySettingsStore_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CommonDialogs.h"
#include "model/AuthorList.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/CreaterListDlg.h"
#include "ui/MainFrame.h"
#include "ui/NewCreaterDlg.h"
#include "ui/PropertyDlg.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "win/Strconv.h"

namespace {

// R ─ A (folder, 山田/海, priority 0, unchecked) ─ A1 (folder) ─ a.jpg
//   ├ B.jpg
//   └ C (folder)
const char kCollection[] =
    "FILE{\r\n"
    "NAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "FILE{\r\n"
    "NAME\t\"A\",\"0\",\"山田\",\"海\",\"1\",\"0\"\r\n"
    "FILE{\r\n"
    "NAME\t\"A1\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "DATA\t\"C:\\pics\\a.jpg\",\"3\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "}FILE\r\n"
    "}FILE\r\n"
    "DATA\t\"C:\\pics\\B.jpg\",\"4\",\"鈴木\",\"空\",\"0\",\"1\"\r\n"
    "FILE{\r\n"
    "NAME\t\"C\",\"1\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "}FILE\r\n"
    "}FILE\r\n";

// What the test does with each dialog as it appears; it ends the dialog itself.
std::function<void(CDialog&)> g_script;
void RunScript(CDialog& dialog) {
    if (g_script) g_script(dialog);
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetCheck(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

std::string ComboText(HWND dialog, int id) {
    HWND combo = GetDlgItem(dialog, id);
    LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return "<none>";
    return ComboItemTextUi(combo, static_cast<int>(sel));
}

class EntryDialogsTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        CDialog::s_onShown = RunScript;
    }
    void TearDown() override {
        CDialog::s_onShown = nullptr;
        g_script = nullptr;
        TestCommonDialogHooks() = CommonDialogHooks();
        EditorTest::TearDown();
    }
    void OpenCollection() {
        std::string path = TempPath("props.plr");
        WriteBytes(path, kCollection);
        ASSERT_TRUE(OpenEditor(path));
    }
    void SetAuthors(const std::vector<std::string>& names) {
        int slot = 0;
        for (const auto& name : names) Settings().WriteString(setting::CreaterSlot(slot++), name);
        Settings().WriteInt(setting::CreaterCount, slot);
    }
    CPelorandTreeView* Tree() const { return TreeView(); }
    CPelorandListView* List() const { return Frame()->GetActiveList(); }
    CBlock* Root() const { return Doc()->m_pRoot; }
    CBlock* Child(CBlock* folder, int index) const { return folder->m_Children.GetAtIndex(index); }
    // Selects folder in the tree, which lists its children.
    void SelectFolder(CBlock* folder) {
        Tree()->SelectItem(Tree()->ItemOf(folder));
        Pump();
    }
    void SelectRows(const std::vector<CBlock*>& entries) {
        ListView_SetItemState(List()->m_hWnd, -1, 0, LVIS_SELECTED);
        for (CBlock* e : entries) {
            ListView_SetItemState(List()->m_hWnd, e->m_nListItem, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    void ListProperties() {
        Frame()->SetActiveView(List(), false);
        SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_PROPERTY, 0), 0);
    }
    // The properties command as the frame routes it, with the tree the active view.
    void TreeProperties() {
        SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_PROPERTY, 0), 0);
    }
    std::string TreeText(CBlock* folder) const {
        return Tree()->GetItemText(Tree()->ItemOf(folder));
    }
    bool TreeChecked(CBlock* folder) const {
        return Tree()->GetCheck(Tree()->ItemOf(folder));
    }
};

}  // namespace

TEST_F(EntryDialogsTest, OneEntryShowsItsValuesAndOkWithoutChangesKeepsAnAuthorTheListLacks) {
    OpenCollection();
    SetAuthors({"佐藤", "", "鈴木"});
    CBlock* a = Child(Root(), 0);
    SelectFolder(a);
    struct Seen {
        std::string name, comment, priority, author;
        bool inherit = false, changer = true, updateEnabled = true, updateChecked = false;
        int authors = 0;
    } seen;
    g_script = [&](CDialog& dialog) {
        HWND h = dialog.m_hWnd;
        seen.name = GetDlgItemTextUi(h, IDC_PROP_NAME);
        seen.comment = GetDlgItemTextUi(h, IDC_PROP_COMMENT);
        seen.priority = ComboText(h, IDC_PROP_PRIORITY);
        seen.author = ComboText(h, IDC_PROP_AUTHOR);
        seen.authors =
            static_cast<int>(SendMessageW(GetDlgItem(h, IDC_PROP_AUTHOR), CB_GETCOUNT, 0, 0));
        seen.inherit = IsDlgButtonChecked(h, IDC_PROP_INHERIT) == BST_CHECKED;
        seen.changer = IsDlgButtonChecked(h, IDC_PROP_CHANGER) == BST_CHECKED;
        seen.updateEnabled = IsWindowEnabled(GetDlgItem(h, IDC_PROP_UPDATE_AUTHOR)) != FALSE;
        seen.updateChecked = IsDlgButtonChecked(h, IDC_PROP_UPDATE_CHANGER) == BST_CHECKED;
        Click(h, IDOK);
    };
    ASSERT_FALSE(Doc()->IsModified());
    TreeProperties();
    EXPECT_TRUE(Doc()->IsModified());  // closing now asks before the change is lost
    EXPECT_EQ(seen.name, "A");
    EXPECT_EQ(seen.comment, "海");
    EXPECT_EQ(seen.priority, "萌え萌え！");
    EXPECT_EQ(seen.author, "山田");  // not in the list: offered first, not replaced
    EXPECT_EQ(seen.authors, 3);      // the empty slot is no author
    EXPECT_TRUE(seen.inherit);
    EXPECT_FALSE(seen.changer);
    EXPECT_FALSE(seen.updateEnabled);
    EXPECT_TRUE(seen.updateChecked);
    EXPECT_EQ(a->GetAuthor(), "山田");
    EXPECT_EQ(a->GetComment(), "海");
    EXPECT_EQ(a->m_nPriority, 0);
    EXPECT_EQ(a->m_bInherit, 1);
    EXPECT_EQ(a->m_bChangerEnabled, 0);

    // The author is found by its beginning, without regard to case.
    SetAuthors({"x", "Yamada Taro"});
    a->SetAuthor("yamada");
    TreeProperties();
    EXPECT_EQ(a->GetAuthor(), "Yamada Taro");

    // Neither an empty author list nor an entry without an author changes the author on OK.
    SetAuthors({});
    TreeProperties();
    EXPECT_EQ(a->GetAuthor(), "Yamada Taro");
    SetAuthors({"佐藤"});
    a->SetAuthor("");
    TreeProperties();
    EXPECT_EQ(a->GetAuthor(), "");
}

TEST_F(EntryDialogsTest, TheTreeStoresTheNameAndAClearedChangerFlagReachesEveryDescendant) {
    OpenCollection();
    CBlock* a = Child(Root(), 0);
    CBlock* c = Child(Root(), 2);
    CBlock* a1 = Child(a, 0);
    CBlock* file = Child(a1, 0);
    SelectFolder(c);
    // C's child-less subtree first: rename it and check the list and the tree follow.
    g_script = [&](CDialog& dialog) {
        SetDlgItemTextUi(dialog.m_hWnd, IDC_PROP_NAME, "夜景");
        Click(dialog.m_hWnd, IDOK);
    };
    TreeProperties();
    EXPECT_EQ(c->m_strName, "夜景");
    EXPECT_EQ(TreeText(c), "夜景");

    a->m_bChangerEnabled = 1;
    SelectFolder(a);
    g_script = [&](CDialog& dialog) {
        SetCheck(dialog.m_hWnd, IDC_PROP_CHANGER, false);
        SetCheck(dialog.m_hWnd, IDC_PROP_SUBFOLDERS, true);
        Click(dialog.m_hWnd, IDOK);
    };
    TreeProperties();
    for (CBlock* e : {a, a1, file}) EXPECT_EQ(e->m_bChangerEnabled, 0) << e->m_strName;
    EXPECT_FALSE(TreeChecked(a));
    ASSERT_EQ(Tree()->ItemOf(a1), nullptr);  // A was never opened: its sub-folder has no item yet
    // Every property went down with it: the one-entry mode updates all five.
    EXPECT_EQ(file->GetAuthor(), "山田");  // the folder's own, kept with an empty list
    EXPECT_EQ(file->GetComment(), "海");
    EXPECT_EQ(file->m_nPriority, 0);
    EXPECT_TRUE(TreeChecked(Root()));
    // The list shows the folder selected in the tree again.
    EXPECT_EQ(List()->GetItemCount(), 1);
    // Opening A shows A1 with the cleared check.
    ASSERT_NE(Tree()->EnsureItem(a1), nullptr);
    EXPECT_FALSE(TreeChecked(a1));
    // Shown now, A1's item follows the root's flag set again for every descendant.
    SelectFolder(Root());
    g_script = [&](CDialog& dialog) {
        SetCheck(dialog.m_hWnd, IDC_PROP_CHANGER, true);
        SetCheck(dialog.m_hWnd, IDC_PROP_SUBFOLDERS, true);
        Click(dialog.m_hWnd, IDOK);
    };
    TreeProperties();
    EXPECT_EQ(a1->m_bChangerEnabled, 1);
    EXPECT_TRUE(TreeChecked(a));
    EXPECT_TRUE(TreeChecked(a1));
}

TEST_F(EntryDialogsTest, CancelAndTheFileButtonsCancelChangeNothing) {
    OpenCollection();
    CBlock* b = Child(Root(), 1);
    SelectFolder(Root());
    SelectRows({b});
    TestCommonDialogHooks().browse = [](const std::string& title, std::string&) {
        EXPECT_EQ(title, "ファイルを追加する");
        return false;
    };
    g_script = [&](CDialog& dialog) {
        SetDlgItemTextUi(dialog.m_hWnd, IDC_PROP_COMMENT, "typed");
        Click(dialog.m_hWnd, IDC_PROP_FILE);
        Click(dialog.m_hWnd, IDCANCEL);
    };
    ListProperties();
    EXPECT_EQ(b->m_strName, "C:\\pics\\B.jpg");
    EXPECT_EQ(b->GetComment(), "空");

    // A picked path becomes the name; what was typed elsewhere stays.
    TestCommonDialogHooks().browse = [](const std::string&, std::string& path) {
        path = "D:\\壁紙\\能力.bmp";
        return true;
    };
    g_script = [&](CDialog& dialog) {
        SetDlgItemTextUi(dialog.m_hWnd, IDC_PROP_COMMENT, "typed");
        Click(dialog.m_hWnd, IDC_PROP_FILE);
        Click(dialog.m_hWnd, IDOK);
    };
    ListProperties();
    EXPECT_EQ(b->m_strName, "D:\\壁紙\\能力.bmp");
    EXPECT_EQ(b->GetComment(), "typed");
}

TEST_F(EntryDialogsTest, ATypedCharacterTheCollectionCannotHoldIsRefusedNotKeptAsALookAlike) {
    OpenCollection();
    CBlock* b = Child(Root(), 1);
    SelectFolder(Root());
    SelectRows({b});
    bool stayed = false;
    g_script = [&](CDialog& dialog) {
        // 𠮷 has no form in CP932: it would be stored as "?".
        SetDlgItemTextW(dialog.m_hWnd, IDC_PROP_COMMENT, L"\U00020BB7 caf\u00e9");
        Click(dialog.m_hWnd, IDOK);
        stayed = IsWindow(dialog.m_hWnd) != FALSE;
        // What CP932 holds is taken as typed.
        SetDlgItemTextW(dialog.m_hWnd, IDC_PROP_COMMENT, L"\u8868\u793a");  // 表示
        Click(dialog.m_hWnd, IDOK);
    };
    ListProperties();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("シフト JIS"), std::string::npos);
    EXPECT_EQ(b->GetComment(), "表示");
}

TEST_F(EntryDialogsTest, SeveralEntriesStartWithNothingToUpdateSoOkAtOnceChangesNothing) {
    OpenCollection();
    SetAuthors({"佐藤"});
    CBlock* a = Child(Root(), 0);
    CBlock* b = Child(Root(), 1);
    SelectFolder(Root());
    SelectRows({a, b});
    bool nameEnabled = true, fileEnabled = true, updateEnabled = false, anyUpdateChecked = true;
    std::string priority;
    g_script = [&](CDialog& dialog) {
        HWND h = dialog.m_hWnd;
        nameEnabled = IsWindowEnabled(GetDlgItem(h, IDC_PROP_NAME)) != FALSE;
        fileEnabled = IsWindowEnabled(GetDlgItem(h, IDC_PROP_FILE)) != FALSE;
        updateEnabled = IsWindowEnabled(GetDlgItem(h, IDC_PROP_UPDATE_COMMENT)) != FALSE;
        anyUpdateChecked = false;
        for (int id : {IDC_PROP_UPDATE_PRIORITY, IDC_PROP_UPDATE_AUTHOR, IDC_PROP_UPDATE_COMMENT,
                       IDC_PROP_UPDATE_INHERIT, IDC_PROP_UPDATE_CHANGER}) {
            anyUpdateChecked |= IsDlgButtonChecked(h, id) == BST_CHECKED;
        }
        priority = ComboText(h, IDC_PROP_PRIORITY);
        Click(h, IDOK);
    };
    ListProperties();
    EXPECT_FALSE(nameEnabled);
    EXPECT_FALSE(fileEnabled);
    EXPECT_TRUE(updateEnabled);
    EXPECT_FALSE(anyUpdateChecked);
    EXPECT_EQ(priority, "<none>");
    EXPECT_EQ(a->GetAuthor(), "山田");
    EXPECT_EQ(a->GetComment(), "海");
    EXPECT_EQ(a->m_bInherit, 1);
    EXPECT_EQ(b->GetAuthor(), "鈴木");
    EXPECT_EQ(b->m_bChangerEnabled, 1);
    EXPECT_EQ(b->m_nPriority, 4);
    // The list was rebuilt: its rows show the root's three children again.
    EXPECT_EQ(List()->GetItemCount(), 3);

    // The priority box ticked with no level chosen keeps each entry's level.
    SelectRows({a, b});
    g_script = [&](CDialog& dialog) {
        SetCheck(dialog.m_hWnd, IDC_PROP_UPDATE_PRIORITY, true);
        Click(dialog.m_hWnd, IDOK);
    };
    ListProperties();
    EXPECT_EQ(a->m_nPriority, 0);
    EXPECT_EQ(b->m_nPriority, 4);
}

TEST_F(EntryDialogsTest, SeveralEntriesWithOnlyThePriorityReachEveryDescendantOfAFolder) {
    OpenCollection();
    CBlock* a = Child(Root(), 0);
    CBlock* b = Child(Root(), 1);
    CBlock* a1 = Child(a, 0);
    CBlock* file = Child(a1, 0);
    SelectFolder(Root());
    SelectRows({a, b});
    g_script = [&](CDialog& dialog) {
        HWND h = dialog.m_hWnd;
        SendMessageW(GetDlgItem(h, IDC_PROP_PRIORITY), CB_SETCURSEL, 3, 0);
        SetCheck(h, IDC_PROP_UPDATE_PRIORITY, true);
        SetCheck(h, IDC_PROP_SUBFOLDERS, true);
        SetDlgItemTextUi(h, IDC_PROP_COMMENT, "not written");
        Click(h, IDOK);
    };
    ListProperties();
    for (CBlock* e : {a, b, a1, file}) EXPECT_EQ(e->m_nPriority, 3) << e->m_strName;
    EXPECT_EQ(a->GetComment(), "海");
    EXPECT_EQ(a1->GetComment(), "?");
    EXPECT_EQ(a->m_bChangerEnabled, 0);
    EXPECT_EQ(a1->m_bChangerEnabled, 1);
    EXPECT_EQ(Child(Root(), 2)->m_nPriority, 1);  // C was not selected
    EXPECT_EQ(a->m_strName, "A");
}

TEST_F(EntryDialogsTest, RenamingAFolderFromOneListRowRenamesItInTheTreeAtOnce) {
    OpenCollection();
    CBlock* a = Child(Root(), 0);
    SelectFolder(Root());
    SelectRows({a});
    g_script = [&](CDialog& dialog) {
        SetDlgItemTextUi(dialog.m_hWnd, IDC_PROP_NAME, "ソフト");
        Click(dialog.m_hWnd, IDOK);
    };
    ListProperties();
    EXPECT_EQ(a->m_strName, "ソフト");
    EXPECT_EQ(TreeText(a), "ソフト");
    // Nothing selected: the command does nothing.
    SelectRows({});
    bool shown = false;
    g_script = [&](CDialog& dialog) {
        shown = true;
        Click(dialog.m_hWnd, IDCANCEL);
    };
    ListProperties();
    EXPECT_FALSE(shown);
}

namespace {

// Adds each name of the queue through the author list's add button, then ends with OK.
struct AuthorScript {
    std::vector<std::string> toAdd;
    bool cancelNew = false;
    int deleteIndex = -1;
    std::vector<std::string> listed;
};

}  // namespace

TEST_F(EntryDialogsTest, TheAuthorListAddsEmptyAndRepeatedNamesAndStoresTheSlotsAsTyped) {
    ASSERT_TRUE(OpenEditor());
    AuthorScript script;
    script.toAdd = {"鈴木", "", "Abe", "鈴木"};
    std::size_t next = 0;
    g_script = [&](CDialog& dialog) {
        if (auto* add = dynamic_cast<CNewCreaterDlg*>(&dialog)) {
            (void)add;
            SetDlgItemTextUi(dialog.m_hWnd, IDC_NEW_AUTHOR_NAME, script.toAdd[next++]);
            Click(dialog.m_hWnd, script.cancelNew ? IDCANCEL : IDOK);
            return;
        }
        auto& list = dynamic_cast<CCreaterListDlg&>(dialog);
        for (std::size_t i = 0; i < script.toAdd.size(); ++i) Click(list.m_hWnd, IDC_AUTHOR_ADD);
        script.listed = list.GetListedNames();
        Click(list.m_hWnd, IDOK);
    };
    // The view menu's command reaches the dialog through the document.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_AUTHOR_LIST, 0), 0);
    EXPECT_EQ(script.listed, (std::vector<std::string>{"Abe", "鈴木", "鈴木"}));
    EXPECT_EQ(Settings().GetInt(setting::CreaterCount), 4);
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(0)), "鈴木");
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(1)), "");
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(2)), "Abe");
    EXPECT_EQ(m_app->Store().GetString("Option\\Creater", "Creater0003", "-"), "鈴木");

    // A cancelled addition writes nothing.
    script.toAdd = {"X"};
    script.cancelNew = true;
    next = 0;
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_AUTHOR_LIST, 0), 0);
    EXPECT_EQ(Settings().GetInt(setting::CreaterCount), 4);
    EXPECT_EQ(script.listed.size(), 3u);
}

TEST_F(EntryDialogsTest, DeletingAnAuthorAsksFirstAndRewritesTheSlotsDenseAndSorted) {
    ASSERT_TRUE(OpenEditor());
    SetAuthors({"鈴木", "", "Abe", "鈴木"});
    std::vector<std::string> listed;
    int selectIndex = 1;
    g_script = [&](CDialog& dialog) {
        auto& list = dynamic_cast<CCreaterListDlg&>(dialog);
        HWND box = GetDlgItem(list.m_hWnd, IDC_AUTHOR_LIST);
        SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(selectIndex), 0);
        Click(list.m_hWnd, IDC_AUTHOR_DELETE);
        listed = list.GetListedNames();
        Click(list.m_hWnd, IDCANCEL);  // Esc keeps what was already written
    };
    m_answer = IDCANCEL;
    CCreaterListDlg first(Settings());
    EXPECT_EQ(first.DoModal(), IDCANCEL);
    EXPECT_EQ(m_messages, std::vector<std::string>{"作成者 鈴木 を削除します。\nよろしいですか？"});
    EXPECT_EQ(listed, (std::vector<std::string>{"Abe", "鈴木", "鈴木"}));
    EXPECT_EQ(Settings().GetInt(setting::CreaterCount), 4);
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(1)), "");

    m_answer = IDOK;
    CCreaterListDlg second(Settings());
    second.DoModal();
    EXPECT_EQ(listed, (std::vector<std::string>{"Abe", "鈴木"}));
    EXPECT_EQ(Settings().GetInt(setting::CreaterCount), 2);
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(0)), "Abe");
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(1)), "鈴木");
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(3)), "鈴木");  // beyond the count

    // Nothing selected: no question, no change.
    m_messages.clear();
    selectIndex = -1;
    CCreaterListDlg third(Settings());
    third.DoModal();
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(listed.size(), 2u);
}

TEST_F(EntryDialogsTest, ManyStoredAuthorsAreListedUpToTheBoundAndDeletingKeepsTheRest) {
    ASSERT_TRUE(OpenEditor());
    const int stored = static_cast<int>(kShownAuthors) + 300;
    std::vector<std::string> names;
    for (int i = 0; i < stored; ++i) names.push_back("author " + std::to_string(100000 + i));
    SetAuthors(names);

    // The properties dialog: the first names, and the entry's own even from beyond them.
    CBlock entry;
    entry.m_strName = "x.jpg";
    entry.SetTexts(names.back(), "?", nullptr);
    int offered = 0;
    std::string author;
    g_script = [&](CDialog& dialog) {
        offered = static_cast<int>(
            SendMessageA(GetDlgItem(dialog.m_hWnd, IDC_PROP_AUTHOR), CB_GETCOUNT, 0, 0));
        author = ComboText(dialog.m_hWnd, IDC_PROP_AUTHOR);
        Click(dialog.m_hWnd, IDCANCEL);
    };
    CPropertyDlg properties(Settings());
    properties.m_pBlock = &entry;
    properties.DoModal();
    EXPECT_EQ(offered, static_cast<int>(kShownAuthors) + 1);
    EXPECT_EQ(author, names.back());

    // The author list: deleting one of the names shown leaves every other stored name.
    std::vector<std::string> listed;
    g_script = [&](CDialog& dialog) {
        auto& list = dynamic_cast<CCreaterListDlg&>(dialog);
        HWND box = GetDlgItem(list.m_hWnd, IDC_AUTHOR_LIST);
        SendMessageA(box, LB_SETCURSEL, 0, 0);
        Click(list.m_hWnd, IDC_AUTHOR_DELETE);
        listed = list.GetListedNames();
        Click(list.m_hWnd, IDOK);
    };
    m_answer = IDOK;
    CCreaterListDlg dialog(Settings());
    dialog.DoModal();
    EXPECT_EQ(listed.size(), kShownAuthors);
    EXPECT_EQ(listed.front(), names[1]);
    EXPECT_EQ(Settings().GetInt(setting::CreaterCount), stored - 1);
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(0)), names[1]);
    EXPECT_EQ(Settings().GetString(setting::CreaterSlot(stored - 2)), names.back());
}

TEST_F(EntryDialogsTest, ThePropertiesDialogReloadsItsAuthorsAfterTheAuthorListClosesWithOk) {
    OpenCollection();
    SetAuthors({"佐藤"});
    CBlock* b = Child(Root(), 1);
    SelectFolder(Root());
    SelectRows({b});
    std::vector<int> counts;
    g_script = [&](CDialog& dialog) {
        if (dynamic_cast<CNewCreaterDlg*>(&dialog)) {
            SetDlgItemTextUi(dialog.m_hWnd, IDC_NEW_AUTHOR_NAME, "鈴木");
            Click(dialog.m_hWnd, IDOK);
        } else if (dynamic_cast<CCreaterListDlg*>(&dialog)) {
            Click(dialog.m_hWnd, IDC_AUTHOR_ADD);
            Click(dialog.m_hWnd, IDOK);
        } else {
            HWND authors = GetDlgItem(dialog.m_hWnd, IDC_PROP_AUTHOR);
            counts.push_back(static_cast<int>(SendMessageW(authors, CB_GETCOUNT, 0, 0)));
            Click(dialog.m_hWnd, IDC_PROP_AUTHOR_EDIT);
            counts.push_back(static_cast<int>(SendMessageW(authors, CB_GETCOUNT, 0, 0)));
            Click(dialog.m_hWnd, IDOK);
        }
    };
    ListProperties();
    // 鈴木 is offered on its own until the list holds it; after the reload it is the list's.
    EXPECT_EQ(counts, (std::vector<int>{2, 2}));
    EXPECT_EQ(b->GetAuthor(), "鈴木");
}
