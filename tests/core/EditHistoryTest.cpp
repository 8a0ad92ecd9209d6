#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/ByteStream.h"
#include "model/EditHistory.h"
#include "model/RecordReader.h"

namespace {

std::string Records(const CBlock& b) {
    CStringSink sink;
    b.WriteRecord(sink);
    return sink.Text();
}

std::unique_ptr<CBlock> Read(const std::string& text) {
    CStringLineSource source(text);
    CBlock* root = nullptr;
    RecordReadContext context;
    context.ppRoot = &root;
    ReadRecords(source, nullptr, context);
    return std::unique_ptr<CBlock>(root);
}

// Three folders, the middle one with an author, a comment and a sub-folder, beside file entries.
const char kCollection[] =
    "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "FILE{\r\nNAME\t\"A\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n"
    "DATA\t\"C:\\a\\1.jpg\",\"3\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n"
    "FILE{\r\nNAME\t\"B\",\"1\",\"me\",\"deep\",\"1\",\"0\"\r\n"
    "DATA\t\"C:\\b\\1.jpg\",\"4\",\"me\",\"c1\",\"1\",\"1\"\r\n"
    "DATA\t\"C:\\b\\2.jpg\",\"0\",\"you\",\"c2\",\"0\",\"0\"\r\n"
    "FILE{\r\nNAME\t\"B1\",\"3\",\"x\",\"y\",\"0\",\"1\"\r\n"
    "DATA\t\"C:\\b\\b1\\x.jpg\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n}FILE\r\n"
    "FILE{\r\nNAME\t\"C\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n"
    "}FILE\r\n";

// What the views would hear, in order.
class Recorder : public IEditListener {
  public:
    void EntryRemoving(CBlock& entry) override { log.push_back("-" + entry.GetName()); }
    void EntriesInserted(CBlock& folder) override { log.push_back("+" + folder.GetName()); }
    void EntryChanged(CBlock& entry) override { log.push_back("~" + entry.GetName()); }
    std::vector<std::string> log;
};

class EditHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = Read(kCollection);
        ASSERT_TRUE(root);
        original = Records(*root);
    }
    CBlock* Child(CBlock* folder, int n) { return folder->m_Children.GetAtIndex(n); }
    std::unique_ptr<CBlock> root;
    std::string original;
    Recorder views;
    CEditHistory history;
};

TEST_F(EditHistoryTest, RemovedEntriesComeBackWholeInTheirPlacesAndGoAgainOnRedo) {
    CBlock* b = Child(root.get(), 1);
    CBlock* fileOfA = Child(Child(root.get(), 0), 0);
    history.Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{b, fileOfA}, views));
    EXPECT_EQ(root->m_Children.GetCount(), 2);
    EXPECT_EQ(Child(root.get(), 1)->GetName(), "C");
    EXPECT_EQ(views.log, (std::vector<std::string>{"-B", "-C:\\a\\1.jpg"}));
    const std::string removed = Records(*root);

    ASSERT_TRUE(history.CanUndo());
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
    EXPECT_EQ(Child(root.get(), 1), b) << "the same entry, not a copy";
    EXPECT_EQ(b->m_pParent, root.get());
    EXPECT_FALSE(history.CanUndo());

    history.Redo(views);
    EXPECT_EQ(Records(*root), removed);
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
}

TEST_F(EditHistoryTest, RemovingAFolderAndSomethingBelowItTakesTheFolderOnce) {
    CBlock* b = Child(root.get(), 1);
    CBlock* b1 = Child(b, 2);
    history.Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{b1, b, b, root.get()}, views));
    EXPECT_EQ(root->m_Children.GetCount(), 2);
    EXPECT_EQ(b->m_Children.GetCount(), 3) << "what lies below goes with the folder, untouched";
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
}

TEST_F(EditHistoryTest, AnInsertIsTakenBackAndPutAgainAtTheEnd) {
    CBlock* c = Child(root.get(), 2);
    for (const char* name : {"n1", "n2"}) {
        auto* made = new CBlock;
        made->m_bFolder = 1;
        made->m_strName = name;
        made->m_pParent = c;
        c->m_Children.AddTail(made);
    }
    history.Add(std::make_unique<CInsertEdit>(*c, 0));
    const std::string inserted = Records(*root);
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
    EXPECT_EQ(views.log, (std::vector<std::string>{"-n2", "-n1", "+C"}));
    history.Redo(views);
    EXPECT_EQ(Records(*root), inserted);
}

TEST_F(EditHistoryTest, AMoveIsOneStep) {
    // A move: the copy read in at the target, then the original taken out.
    CBlock* a = Child(root.get(), 0);
    CBlock* c = Child(root.get(), 2);
    auto group = std::make_unique<CEditGroup>();
    const int before = c->m_Children.GetCount();
    auto* copy = new CBlock;
    copy->m_bFolder = 1;
    copy->m_strName = "A";
    copy->m_pParent = c;
    c->m_Children.AddTail(copy);
    group->Add(std::make_unique<CInsertEdit>(*c, before));
    group->Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{a}, views));
    history.Add(std::move(group));
    const std::string moved = Records(*root);
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
    EXPECT_FALSE(history.CanUndo());
    history.Redo(views);
    EXPECT_EQ(Records(*root), moved);
}

TEST_F(EditHistoryTest, PropertiesOfAWholeSubtreeAndANameComeBack) {
    CBlock* b = Child(root.get(), 1);
    auto edit = std::make_unique<CPropertiesEdit>(std::vector<CBlock*>{b}, true);
    b->m_strName = "renamed";
    b->ApplyProperties(*Child(root.get(), 0), true, true, true, true, true);
    ASSERT_TRUE(edit->Finish());
    history.Add(std::move(edit));
    const std::string changed = Records(*root);
    ASSERT_NE(changed, original);
    history.Undo(views);
    EXPECT_EQ(Records(*root), original);
    EXPECT_EQ(views.log.front(), "~B");
    history.Redo(views);
    EXPECT_EQ(Records(*root), changed);
}

TEST_F(EditHistoryTest, AnEditThatChangedNothingIsNotAStep) {
    CBlock* a = Child(root.get(), 0);
    CPropertiesEdit edit({a}, false);
    a->m_bChangerEnabled = a->m_bChangerEnabled;
    EXPECT_FALSE(edit.Finish());
}

TEST_F(EditHistoryTest, ANewEditDropsWhatCouldBeRedoneAndFreesIt) {
    CBlock* c = Child(root.get(), 2);
    auto* made = new CBlock;
    made->m_pParent = c;
    c->m_Children.AddTail(made);
    history.Add(std::make_unique<CInsertEdit>(*c, 0));
    history.Undo(views);  // made is held by the edit now
    ASSERT_TRUE(history.CanRedo());
    history.Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{Child(root.get(), 0)}, views));
    EXPECT_FALSE(history.CanRedo());
    // The sanitizer's leak check and the pool's count at the end say whether made was freed.
}

TEST(EditHistoryBound, TheOldestEditsGoAndTheirEntriesWithThem) {
    const std::size_t livePieces = blockpool::GetStats().livePieces;
    {
        auto root = std::make_unique<CBlock>();
        root->m_bFolder = 1;
        Recorder views;
        CEditHistory history(/*maxWeight=*/250, /*maxEdits=*/100);
        for (int round = 0; round < 5; ++round) {
            auto* folder = new CBlock;
            folder->m_bFolder = 1;
            folder->m_pParent = root.get();
            root->m_Children.AddTail(folder);
            for (int i = 0; i < 99; ++i) {
                auto* file = new CBlock;
                file->m_pParent = folder;
                folder->m_Children.AddTail(file);
            }
            history.Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{folder}, views));
            EXPECT_LE(history.Weight(), 250u) << round;
        }
        // Two removals of 100 entries fit in the bound: the third oldest and older were freed.
        int undone = 0;
        while (history.CanUndo()) {
            history.Undo(views);
            ++undone;
        }
        EXPECT_EQ(undone, 2);
        EXPECT_EQ(root->m_Children.GetCount(), 2);
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, livePieces);
}

TEST(EditHistoryBound, TheNewestEditIsKeptWhateverItWeighs) {
    auto root = std::make_unique<CBlock>();
    root->m_bFolder = 1;
    auto* folder = new CBlock;
    folder->m_pParent = root.get();
    root->m_Children.AddTail(folder);
    for (int i = 0; i < 20; ++i) {
        auto* file = new CBlock;
        file->m_pParent = folder;
        folder->m_Children.AddTail(file);
    }
    Recorder views;
    CEditHistory history(/*maxWeight=*/5);
    history.Add(std::make_unique<CRemoveEdit>(std::vector<CBlock*>{folder}, views));
    ASSERT_TRUE(history.CanUndo());
    history.Undo(views);
    EXPECT_EQ(root->m_Children.GetCount(), 1);
}

TEST(BlockChildListInsert, AnEntryGoesToItsIndexAndEveryIndexStaysTrue) {
    for (int count : {0, 1, 2, 5, 70}) {
        for (int at : {0, 1, count / 2, count, count + 3}) {
            CBlock folder;
            std::vector<CBlock*> entries;
            for (int i = 0; i < count; ++i) {
                auto* entry = new CBlock;
                entry->m_pParent = &folder;
                folder.m_Children.AddTail(entry);
                entries.push_back(entry);
            }
            // Holes too: one removed near the head, as deletions leave them.
            if (count > 2) {
                folder.m_Children.Detach(entries[1]);
                delete entries[1];
                entries.erase(entries.begin() + 1);
            }
            auto* inserted = new CBlock;
            inserted->m_pParent = &folder;
            folder.m_Children.InsertAt(at, inserted);
            const int size = static_cast<int>(entries.size());
            entries.insert(entries.begin() + std::min(std::max(at, 0), size), inserted);
            ASSERT_EQ(folder.m_Children.GetCount(), size + 1) << count << " at " << at;
            int i = 0;
            for (BlockPos pos = folder.m_Children.GetHeadPosition(); pos; ++i) {
                EXPECT_EQ(folder.m_Children.GetNext(pos), entries[i]) << count << " at " << at;
            }
            for (int n = 0; n <= size; ++n) {
                EXPECT_EQ(folder.m_Children.IndexOf(entries[n]), n) << count << " at " << at;
                EXPECT_EQ(folder.m_Children.GetAtIndex(n), entries[n]);
            }
        }
    }
}

}  // namespace
