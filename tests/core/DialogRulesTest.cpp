// The portable rules behind the editor's dialogs: the author list's slots, applying the
// entry properties, and the cells of the thumbnail layout preview.
#include <gtest/gtest.h>

#include <memory>

#include "model/AuthorList.h"
#include "model/Block.h"
#include "model/PropertyChange.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "ui/ImageLayoutCells.h"

namespace {

class AuthorListTest : public ::testing::Test {
  protected:
    CMemorySettingsStore store;
    CSettings settings{store};
    std::string Slot(int n) { return settings.GetString(setting::CreaterSlot(n)); }
    int Count() { return settings.GetInt(setting::CreaterCount); }
};

}  // namespace

TEST_F(AuthorListTest, AdditionsFillTheNextSlotEvenWhenEmptyOrRepeated) {
    EXPECT_TRUE(ReadAuthors(settings).empty());
    AppendAuthor(settings, "山田");
    EXPECT_TRUE(store.Has("Option\\Creater", "Creater0000"));
    EXPECT_EQ(Slot(0), "山田");
    EXPECT_EQ(Count(), 1);
    AppendAuthor(settings, "");  // takes a slot; nobody reads it as an author
    AppendAuthor(settings, "山田");
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"山田", "山田"}));
}

TEST_F(AuthorListTest, ReadingKeepsSlotOrderAndIgnoresSlotsAtOrAboveTheCount) {
    settings.WriteString(setting::CreaterSlot(0), "zeta");
    settings.WriteString(setting::CreaterSlot(1), "alpha");
    settings.WriteString(setting::CreaterSlot(2), "beyond");
    settings.WriteInt(setting::CreaterCount, 2);
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"zeta", "alpha"}));
    settings.WriteInt(setting::CreaterCount, -5);
    EXPECT_TRUE(ReadAuthors(settings).empty());
    // A spoilt count does not make an addition write slot -1.
    AppendAuthor(settings, "new");
    EXPECT_EQ(Slot(0), "new");
    EXPECT_EQ(Count(), 1);
}

TEST_F(AuthorListTest, StoringWritesDenseSlotsAndLeavesTheOldTailUnread) {
    for (const char* name : {"a", "b", "c"}) AppendAuthor(settings, name);
    StoreAuthors(settings, {"a", "c"});
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Slot(1), "c");
    EXPECT_EQ(Slot(2), "c");  // the old last slot keeps its value, beyond the count
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"a", "c"}));
    StoreAuthors(settings, {});
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Slot(0), "a");
    EXPECT_TRUE(ReadAuthors(settings).empty());
}

TEST_F(AuthorListTest, AReaderStopsAtItsLimitAndRemovingKeepsTheOthersInSlotOrder) {
    for (const char* name : {"c", "", "a", "b", "a"}) AppendAuthor(settings, name);
    EXPECT_EQ(ReadAuthors(settings, 2), (std::vector<std::string>{"c", "a"}));
    EXPECT_TRUE(ReadAuthors(settings, 0).empty());
    EXPECT_TRUE(RemoveAuthor(settings, "a"));  // the first of two
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(Count(), 3);
    EXPECT_FALSE(RemoveAuthor(settings, "zz"));
    EXPECT_EQ(Count(), 3);
}

namespace {
// Counts the reads, to show how far a reader goes.
class CountingStore : public CMemorySettingsStore {
  public:
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override {
        ++reads;
        return CMemorySettingsStore::GetString(section, name, def);
    }
    mutable int reads = 0;
};
}  // namespace

TEST(AuthorList, AnAbsurdCountReadsOnlyTheNamesStoredAndAdditionsFollowThem) {
    CountingStore store;
    CSettings settings{store};
    for (const char* name : {"a", "", "c"}) AppendAuthor(settings, name);
    settings.WriteInt(setting::CreaterCount, 1000000);
    store.reads = 0;
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"a", "c"}));
    EXPECT_LE(store.reads, 4);  // three names and the first slot never stored
    AppendAuthor(settings, "d");
    EXPECT_EQ(settings.GetInt(setting::CreaterCount), 4);
    EXPECT_EQ(ReadAuthors(settings), (std::vector<std::string>{"a", "c", "d"}));
}

namespace {

// root folder
//   A folder ─ B folder ─ f2 file
//   f1 file
class PropertyChangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root.m_bFolder = 1;
        root.m_strName = "root";
        a = Add(&root, "A", true);
        b = Add(a, "B", true);
        f2 = Add(b, "f2.bmp", false);
        f1 = Add(&root, "f1.bmp", false);
        for (CBlock* e : {&root, a, b, f1, f2}) e->SetTexts("who", "what", nullptr);
    }
    CBlock* Add(CBlock* parent, const std::string& name, bool folder) {
        auto* e = new CBlock;
        e->m_bFolder = folder ? 1 : 0;
        e->m_strName = name;
        e->m_pParent = parent;
        parent->m_Children.AddTail(e);
        return e;
    }
    void Apply(CBlock& entry, const PropertyChange& change) {
        ApplyPropertyChange(entry, change);
    }
    static PropertyChange AllUpdates() {
        PropertyChange c;
        c.updatePriority = c.updateAuthor = c.updateComment = c.updateInherit = c.updateChanger =
            true;
        return c;
    }

    CBlock root;
    CBlock *a = nullptr, *b = nullptr, *f1 = nullptr, *f2 = nullptr;
};

}  // namespace

TEST_F(PropertyChangeTest, OneEntryWritesEveryProperty) {
    PropertyChange c = AllUpdates();
    c.storeName = true;
    c.name = "改名";
    c.priority = 0;
    c.author = "";
    c.comment = "c";
    c.inherit = 1;
    c.changerEnabled = 0;
    Apply(*a, c);
    EXPECT_EQ(a->m_strName, "改名");
    EXPECT_EQ(a->m_nPriority, 0);
    EXPECT_EQ(a->GetAuthor(), "");
    EXPECT_EQ(a->GetComment(), "c");
    EXPECT_EQ(a->m_bInherit, 1);
    EXPECT_EQ(a->m_bChangerEnabled, 0);
    // Without the subfolders box nothing below changes.
    EXPECT_EQ(b->m_nPriority, 2);
    EXPECT_EQ(b->m_bChangerEnabled, 1);
    EXPECT_EQ(f2->GetAuthor(), "who");
}

TEST_F(PropertyChangeTest, NoUpdateBoxAndNoNameChangesNothing) {
    PropertyChange c;  // what several entries give when OK is pressed at once
    Apply(*a, c);
    Apply(*f1, c);
    EXPECT_EQ(a->m_strName, "A");
    EXPECT_EQ(a->GetAuthor(), "who");
    EXPECT_EQ(a->GetComment(), "what");
    EXPECT_EQ(a->m_bChangerEnabled, 1);
    EXPECT_EQ(f1->m_nPriority, 2);
    EXPECT_EQ(f1->GetComment(), "what");
}

TEST_F(PropertyChangeTest, APriorityBoxWithoutALevelKeepsEachPriorityEverywhere) {
    a->m_nPriority = 3;
    b->m_nPriority = 1;
    PropertyChange c;
    c.updatePriority = true;
    c.priority = -1;
    c.subfolders = true;
    Apply(*a, c);
    EXPECT_EQ(a->m_nPriority, 3);
    EXPECT_EQ(b->m_nPriority, 1);  // not the folder's 3 either
    c.priority = 7;
    Apply(*a, c);
    EXPECT_EQ(a->m_nPriority, 3);
}

TEST_F(PropertyChangeTest, SubfoldersWithOnlyThePriorityReachEveryDescendantAndNothingElse) {
    PropertyChange c;
    c.updatePriority = true;
    c.priority = 4;
    c.subfolders = true;
    c.author = "x";
    c.changerEnabled = 0;
    Apply(*a, c);
    Apply(*f1, c);
    for (CBlock* e : {a, b, f2, f1}) {
        EXPECT_EQ(e->m_nPriority, 4) << e->m_strName;
        EXPECT_EQ(e->GetAuthor(), "who") << e->m_strName;
        EXPECT_EQ(e->m_bChangerEnabled, 1) << e->m_strName;
    }
    EXPECT_EQ(root.m_nPriority, 2);
}

TEST_F(PropertyChangeTest, ClearingTheChangerFlagWithSubfoldersClearsEveryFlagBelow) {
    PropertyChange c = AllUpdates();
    c.priority = 1;
    c.author = "新";
    c.comment = "com";
    c.subfolders = true;
    c.changerEnabled = 0;
    Apply(*a, c);
    for (CBlock* e : {a, b, f2}) {
        EXPECT_EQ(e->m_bChangerEnabled, 0) << e->m_strName;
        EXPECT_EQ(e->GetAuthor(), "新") << e->m_strName;
        EXPECT_EQ(e->GetComment(), "com") << e->m_strName;
        EXPECT_EQ(e->m_nPriority, 1) << e->m_strName;
    }
    EXPECT_EQ(f1->m_bChangerEnabled, 1);
    EXPECT_EQ(root.m_bChangerEnabled, 1);
}

TEST(ImageLayoutCells, ZeroBorderAndMarginsGiveTouchingCellsOfThePictureSize) {
    LayoutSizes s;
    s.width = 30;
    s.height = 20;
    auto cells = LayoutPreviewCells({0, 0, 100, 50}, s);
    // x = 0, 30, 60, 90 (≤ 100) and y = 0, 20, 40 (≤ 50).
    ASSERT_EQ(cells.size(), 12u);
    EXPECT_EQ(cells[0].inner.right, 30);
    EXPECT_EQ(cells[1].inner.top, 20);  // the next row touches the first
    EXPECT_EQ(cells[3].inner.left, 30);
    EXPECT_EQ(cells[3].inner.right - cells[3].inner.left, 30);
    EXPECT_EQ(cells[3].inner.bottom - cells[3].inner.top, 20);
}

TEST(ImageLayoutCells, ACellIsOneBorderAndMarginWideButTheStepCountsTwo) {
    LayoutSizes s;
    s.border = 1;
    s.width = 120;
    s.height = 160;
    s.marginWidth = 10;
    s.marginHeight = 10;
    auto cells = LayoutPreviewCells({0, 0, 300, 200}, s);
    ASSERT_EQ(cells.size(), 6u);  // x = 0, 142, 284; y = 0, 182
    const LayoutCell& c = cells[3];
    EXPECT_EQ(c.outer.left, 142);
    EXPECT_EQ(c.outer.top, 182);
    EXPECT_EQ(c.outer.right, 142 + 131);
    EXPECT_EQ(c.border.left, 152);
    EXPECT_EQ(c.border.bottom, 182 + 161);
    EXPECT_EQ(c.inner.left, 153);
    EXPECT_EQ(c.inner.right, 142 + 120);
}

TEST(ImageLayoutCells, EverySizeZeroOrHugeStillEnds) {
    auto cells = LayoutPreviewCells({0, 0, 100, 100}, LayoutSizes{});
    EXPECT_EQ(cells.size(), 1u);
    LayoutSizes huge;
    huge.width = huge.height = huge.border = huge.marginWidth = huge.marginHeight = 4000000000u;
    cells = LayoutPreviewCells({0, 0, 100, 100}, huge);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_GT(cells[0].outer.right, 100);  // no overflow into negative coordinates
    LayoutSizes one;
    one.width = 1;
    EXPECT_EQ(LayoutPreviewCells({0, 0, 1000, 1000}, one, 500).size(), 500u);
}
