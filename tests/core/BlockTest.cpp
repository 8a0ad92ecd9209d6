#include <gtest/gtest.h>

#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/ByteStream.h"
#include "model/RecordReader.h"

namespace {

CBlock* Folder(CBlock* parent, const std::string& name) {
    CBlock* b = new CBlock;
    b->m_bFolder = 1;
    b->m_strName = name;
    if (parent) {
        b->m_pParent = parent;
        parent->m_Children.AddTail(b);
    }
    return b;
}

CBlock* File(CBlock* parent, const std::string& path) {
    CBlock* b = Folder(parent, path);
    b->m_bFolder = 0;
    return b;
}

std::vector<std::string> Names(const CBlockChildList& list) {
    std::vector<std::string> out;
    BlockPos pos = list.GetHeadPosition();
    while (pos) out.push_back(list.GetNext(pos)->m_strName);
    return out;
}

// Every entry and name made by a test is gone again when the tests end: the pool would
// otherwise hide a leak from the sanitizer.
class NoEntryLeftBehind : public ::testing::Environment {
  public:
    void TearDown() override { EXPECT_EQ(blockpool::GetStats().livePieces, 0u); }
};
::testing::Environment* const kNoEntryLeftBehind =
    ::testing::AddGlobalTestEnvironment(new NoEntryLeftBehind);

std::string Records(const CBlock& b) {
    CStringSink sink;
    b.WriteRecord(sink);
    return sink.Text();
}

// A collection of folders of file entries in one directory each, as a reader makes it.
CBlock* ReadCollection(int folders, int files) {
    std::string text = "FILE{\r\nNAME\t\"R\"\r\n";
    for (int f = 0; f < folders; ++f) {
        text += "FILE{\r\nNAME\t\"F" + std::to_string(f) + "\"\r\n";
        for (int i = 0; i < files; ++i) {
            text += "DATA\t\"C:\\Users\\me\\Pictures\\f" + std::to_string(f) + "\\" +
                    std::to_string(i) + ".jpg\",\"3\"\r\n";
        }
        text += "}FILE\r\n";
    }
    text += "}FILE\r\n";
    CBlock* root = nullptr;
    RecordReadContext context;
    context.ppRoot = &root;
    CStringLineSource lines(text);
    ReadRecords(lines, nullptr, context);
    return root;
}

}  // namespace

TEST(BlockPool, DeletingAndPastingAFolderReusesItsMemory) {
    std::unique_ptr<CBlock> root(ReadCollection(20, 500));
    const std::string before = Records(*root);
    const std::size_t held = blockpool::GetStats().chunkBytes;
    for (int round = 0; round < 10; ++round) {
        CBlock* folder = root->m_Children.GetAtIndex(0);
        const std::string clip = Records(*folder);
        folder->DeleteEntry();
        CStringLineSource lines(clip);
        RecordReadContext context;
        ReadRecords(lines, root.get(), context);
    }
    EXPECT_EQ(blockpool::GetStats().chunkBytes, held);
    // The folders went round in a circle: ten of twenty moved from the front to the back.
    std::unique_ptr<CBlock> expected(ReadCollection(20, 500));
    for (int i = 0; i < 10; ++i) {
        CBlock* moved = expected->m_Children.GetAtIndex(0);
        std::string clip = Records(*moved);
        moved->DeleteEntry();
        CStringLineSource lines(clip);
        RecordReadContext context;
        ReadRecords(lines, expected.get(), context);
    }
    EXPECT_EQ(Records(*root), Records(*expected));
    EXPECT_NE(Records(*root), before);
}

TEST(BlockPool, AllMemoryGoesBackWhenTheLastEntryGoes) {
    ASSERT_EQ(blockpool::GetStats().livePieces, 0u);
    delete ReadCollection(10, 1000);
    EXPECT_EQ(blockpool::GetStats().livePieces, 0u);
    EXPECT_EQ(blockpool::GetStats().chunkBytes, 0u);
}

TEST(BlockName, SharedDirectoryPartsSurviveEditsOfEveryEntry) {
    std::unique_ptr<CBlock> root(ReadCollection(1, 5));
    CBlock* folder = root->m_Children.GetAtIndex(0);
    auto name = [&](int i) { return folder->m_Children.GetAtIndex(i)->m_strName.str(); };
    EXPECT_EQ(name(3), "C:\\Users\\me\\Pictures\\f0\\3.jpg");
    // The entry whose name the others' directory part came from goes; they keep theirs.
    folder->m_Children.GetAtIndex(0)->DeleteEntry();
    folder->m_Children.GetAtIndex(0)->m_strName = "D:\\other.jpg";  // a rename
    EXPECT_EQ(name(0), "D:\\other.jpg");
    EXPECT_EQ(name(1), "C:\\Users\\me\\Pictures\\f0\\2.jpg");
    EXPECT_TRUE(folder->m_Children.GetAtIndex(1)->m_strName ==
                std::string("C:\\Users\\me\\Pictures\\f0\\2.jpg"));
    EXPECT_FALSE(folder->m_Children.GetAtIndex(1)->m_strName == "C:\\Users\\me\\Pictures\\f0\\");
    EXPECT_EQ(folder->m_Children.GetAtIndex(2)->m_strName.size(), 29u);
    // Copies and names read after other names are the same text.
    CBlockName copy = folder->m_Children.GetAtIndex(2)->m_strName;
    EXPECT_EQ(copy, name(2));
    CBlockName shared;
    shared.AssignSharing("C:\\Users\\me\\Pictures\\f0\\new.jpg",
                         folder->m_Children.GetAtIndex(2)->m_strName);
    EXPECT_EQ(shared, "C:\\Users\\me\\Pictures\\f0\\new.jpg");
    shared.AssignSharing("C:\\Users\\me\\Pictures\\f0\\", shared);  // the part alone
    EXPECT_EQ(shared, "C:\\Users\\me\\Pictures\\f0\\");
    shared.AssignSharing("", shared);
    EXPECT_TRUE(shared.empty());
}

// Names of one directory share its bytes wherever they were read; each name keeps its text
// whatever goes first, and a directory whose last name went can come back.
TEST(BlockName, ADirectoryIsSharedAcrossTheTreeAndOutlivesTheNamesInAnyOrder) {
    const std::string dirs[] = {"C:\\pics\\shared dir\\", "/walls/a\\b/", "C:\\w\\\x95\x5C\\"};
    std::string text = "FILE{\r\nNAME\t\"R\"\r\n";
    for (int f = 0; f < 6; ++f) {
        text += "FILE{\r\nNAME\t\"F" + std::to_string(f) + "\"\r\n";
        for (int i = 0; i < 3; ++i) {
            // Each folder mixes the directories, so that siblings seldom share one.
            text += "DATA\t\"" + dirs[(f + i) % 3] + std::to_string(i) + ".jpg\",\"3\"\r\n";
        }
        text += "}FILE\r\n";
    }
    text += "}FILE\r\n";
    CBlock* read = nullptr;
    RecordReadContext context;
    context.ppRoot = &read;
    CStringLineSource lines(text);
    ReadRecords(lines, nullptr, context);
    std::unique_ptr<CBlock> root(read);
    auto name = [&](int f, int i) {
        return root->m_Children.GetAtIndex(f)->m_Children.GetAtIndex(i)->m_strName.str();
    };
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(name(f, i), dirs[(f + i) % 3] + std::to_string(i) + ".jpg");
        }
    }
    // The first folders go, then names are renamed: the rest read as before.
    root->m_Children.GetAtIndex(0)->DeleteEntry();
    root->m_Children.GetAtIndex(0)->DeleteEntry();
    root->m_Children.GetAtIndex(0)->m_Children.GetAtIndex(1)->m_strName = "other";
    EXPECT_EQ(name(0, 0), dirs[2] + "0.jpg");
    EXPECT_EQ(name(0, 1), "other");
    EXPECT_EQ(name(3, 2), dirs[1] + "2.jpg");
    // Every name of the tree goes, and the same directories are read again.
    root.reset();
    read = nullptr;
    CStringLineSource again(text);
    ReadRecords(again, nullptr, context);
    root.reset(read);
    EXPECT_EQ(name(5, 2), dirs[1] + "2.jpg");
    EXPECT_EQ(name(0, 0), dirs[0] + "0.jpg");
}

// Entries with the same author and comment share one record wherever they lie; a record whose
// last entry went can be made again.
TEST(Block, EqualTextsShareOneRecordAndOutliveTheirEntries) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "R"));
    CBlock* a = File(root.get(), "a");
    CBlock* b = File(root.get(), "b");
    CBlock* c = File(root.get(), "c");
    a->SetTexts("me", "first", nullptr);
    b->SetTexts("you", "second", nullptr);
    c->SetTexts("me", "first", nullptr);
    EXPECT_EQ(a->Author().data(), c->Author().data());
    EXPECT_NE(a->Author().data(), b->Author().data());
    a->SetComment("changed");
    EXPECT_EQ(c->Comment(), "first");
    c->DeleteEntry();  // the last entry of ("me", "first")
    b->SetTexts("me", "first", nullptr);
    EXPECT_EQ(b->Author(), "me");
    EXPECT_EQ(b->Comment(), "first");
    CBlock* d = File(root.get(), "d");
    d->ApplyProperties(*b, false, true, true, false, false);
    EXPECT_EQ(d->Comment().data(), b->Comment().data());
    b->DeleteEntry();
    d->SetAuthor("me");
    EXPECT_EQ(d->Author(), "me");
    EXPECT_EQ(d->Comment(), "first");
}

TEST(ChildList, GrowsShrinksAndKeepsOrderAcrossRemovals) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "R"));
    for (int i = 0; i < 100; ++i) File(root.get(), std::to_string(i));
    root->m_Children.ShrinkToFit();
    for (int i = 100; i < 130; ++i) File(root.get(), std::to_string(i));
    for (int i = 0; i < 130; i += 3) root->m_Children.GetAtIndex(i - i / 3)->DeleteEntry();
    root->m_Children.ShrinkToFit();
    File(root.get(), "last");
    ASSERT_EQ(root->m_Children.GetCount(), 130 - 44 + 1);
    int n = 0;
    for (int i = 0; i < 130; ++i) {
        if (i % 3 == 0) continue;
        CBlock* entry = root->m_Children.GetAtIndex(n++);
        EXPECT_EQ(entry->m_strName, std::to_string(i));
        EXPECT_EQ(root->m_Children.GetAt(root->m_Children.Find(entry)), entry);
    }
    EXPECT_EQ(root->m_Children.GetAtIndex(n)->m_strName, "last");
    root->m_Children.RemoveAll();
    EXPECT_TRUE(root->m_Children.IsEmpty());
    File(root.get(), "again");
    EXPECT_EQ(Names(root->m_Children), std::vector<std::string>{"again"});
}

TEST(Block, ConstructorDefaults) {
    CBlock b;
    EXPECT_EQ(b.m_nPriority, 2);
    EXPECT_EQ(b.GetAuthor(), "?");
    EXPECT_EQ(b.GetComment(), "?");
    EXPECT_EQ(b.m_bInherit, 0);
    EXPECT_EQ(b.m_bChangerEnabled, 1);
    EXPECT_EQ(b.m_pParent, nullptr);
    EXPECT_EQ(b.m_nListItem, -1);
    EXPECT_EQ(b.GetChangerPos(), nullptr);
    EXPECT_TRUE(b.GetName().empty());
    EXPECT_EQ(b.m_Children.GetCount(), 0);
}

TEST(Block, ChangerCursorsBelongToTheirOwnEntry) {
    // Kept beside the entries: each entry's word is its own and goes with it.
    auto* root = new CBlock;
    auto* a = new CBlock;
    auto* b = new CBlock;
    for (CBlock* child : {a, b}) {
        root->m_Children.AddTail(child);
        child->m_pParent = root;
    }
    a->SetChangerPos(root->m_Children.GetHeadPosition());
    EXPECT_EQ(a->GetChangerPos(), root->m_Children.GetHeadPosition());
    EXPECT_EQ(b->GetChangerPos(), nullptr);
    b->SetChangerPos(root->m_Children.GetHeadPosition());
    a->SetChangerPos(nullptr);
    EXPECT_EQ(a->GetChangerPos(), nullptr);
    // An entry made where a deleted one was starts without one.
    b->DeleteEntry();
    auto* c = new CBlock;
    root->m_Children.AddTail(c);
    c->m_pParent = root;
    EXPECT_EQ(c->GetChangerPos(), nullptr);
    delete root;
}

TEST(Block, TextsAreIndependentPerEntry) {
    CBlock a, b;
    b.SetTexts("X", "Y", nullptr);
    a.SetTexts("X", "Y", &b);  // shares storage
    a.SetAuthor("Z");
    EXPECT_EQ(a.GetAuthor(), "Z");
    EXPECT_EQ(b.GetAuthor(), "X");
    a.SetComment("multi\r\nline");
    EXPECT_EQ(a.GetComment(), "multi\r\nline");
    EXPECT_EQ(b.GetComment(), "Y");
}

class ChildListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root.reset(Folder(nullptr, "root"));
        a = File(root.get(), "A");
        b = File(root.get(), "B");
        c = File(root.get(), "C");
    }
    std::unique_ptr<CBlock> root;
    CBlock *a, *b, *c;
};

TEST_F(ChildListTest, WalkIndexAndFind) {
    CBlockChildList& list = root->m_Children;
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(list.GetAtIndex(0), a);
    EXPECT_EQ(list.GetAtIndex(2), c);
    EXPECT_EQ(list.GetAtIndex(-1), nullptr);
    EXPECT_EQ(list.GetAtIndex(3), nullptr);
    BlockPos pb = list.Find(b);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(list.GetAt(pb), b);
    EXPECT_EQ(list.Find(a, pb), nullptr);  // searching after B does not find A
    EXPECT_EQ(list.GetAt(list.Find(c, pb)), c);
    CBlock stranger;
    EXPECT_EQ(list.Find(&stranger), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);
}

TEST_F(ChildListTest, PositionsSurviveRemovalOfOthers) {
    CBlockChildList& list = root->m_Children;
    BlockPos pc = list.Find(c);
    list.RemoveAt(list.Find(a));
    EXPECT_EQ(list.GetAt(pc), c);
    EXPECT_EQ(list.GetAtIndex(1), c);
    // Removing while walking, as the editor deletes selected rows.
    File(root.get(), "D");
    BlockPos pos = list.GetHeadPosition();
    while (pos) {
        BlockPos here = pos;
        CBlock* e = list.GetNext(pos);
        if (e->m_strName != "D") list.RemoveAt(here);
    }
    EXPECT_EQ(Names(list), (std::vector<std::string>{"D"}));
}

TEST_F(ChildListTest, DeleteEntryDestroysSubtree) {
    CBlock* sub = Folder(root.get(), "sub");
    File(Folder(sub, "deeper"), "leaf");
    sub->DeleteEntry();
    EXPECT_EQ(Names(root->m_Children), (std::vector<std::string>{"A", "B", "C"}));
    b->DeleteEntry();
    EXPECT_EQ(Names(root->m_Children), (std::vector<std::string>{"A", "C"}));
    root->m_Children.RemoveAll();
    EXPECT_EQ(root->m_Children.GetCount(), 0);
    EXPECT_EQ(root->m_Children.GetHeadPosition(), nullptr);
}

TEST(ChildList, RemovingManyOneByOneKeepsOrderIndexAndPositions) {
    // Deleting the selected rows of a large folder removes entries one at a time.
    std::unique_ptr<CBlock> root(Folder(nullptr, "root"));
    const int n = 300000;
    std::vector<CBlock*> all;
    for (int i = 0; i < n; ++i) all.push_back(File(root.get(), std::to_string(i)));
    CBlockChildList& list = root->m_Children;
    BlockPos keep = list.Find(all[n - 1]);
    for (int i = 0; i < n - 1; ++i) {
        if (i % 3 == 0) continue;
        list.RemoveAt(list.Find(all[i]));
    }
    ASSERT_EQ(list.GetCount(), n / 3 + 1);  // 0, 3, 6, ... and the last
    EXPECT_EQ(list.GetAt(keep), all[n - 1]);
    EXPECT_EQ(list.GetAtIndex(1)->m_strName, "3");
    EXPECT_EQ(list.GetAtIndex(list.GetCount() - 1), all[n - 1]);
    int seen = 0;
    for (BlockPos pos = list.GetHeadPosition(); pos; ++seen) {
        CBlock* e = list.GetNext(pos);
        EXPECT_EQ(list.GetAtIndex(seen), e);
        if (seen > 5) break;
    }
    // Removing at the head over and over, then adding again.
    while (list.GetCount() > 1) list.RemoveAt(list.GetHeadPosition());
    EXPECT_EQ(list.GetAt(list.GetHeadPosition()), all[n - 1]);
    CBlock* added = File(root.get(), "new");
    EXPECT_EQ(list.GetAtIndex(1), added);
    EXPECT_EQ(list.Find(added, keep), list.Find(added));
}

// A lone child is held without a list: every operation works the same through the changes
// between one child and more, and back to one as a reader closes the folder.
TEST(ChildList, ALoneChildBehavesAsAListOfOne) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "root"));
    CBlockChildList& list = root->m_Children;
    CBlock* a = File(root.get(), "A");
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAtIndex(0), a);
    EXPECT_EQ(list.GetAtIndex(1), nullptr);
    BlockPos pa = list.Find(a);
    ASSERT_EQ(list.GetAt(pa), a);
    EXPECT_EQ(list.Find(a, pa), nullptr);
    CBlock stranger;
    EXPECT_EQ(list.Find(&stranger), nullptr);
    BlockPos pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos), a);
    EXPECT_EQ(pos, nullptr);
    CBlock* b = File(root.get(), "B");  // now a list; A's position still holds
    EXPECT_EQ(list.GetAt(pa), a);
    EXPECT_EQ(list.GetAtIndex(1), b);
    list.RemoveAt(pa);
    list.ShrinkToFit();  // back to a lone child
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B"}));
    EXPECT_EQ(list.GetAtIndex(0), b);
    EXPECT_EQ(list.Find(b), list.GetHeadPosition());
    CBlock* sub = Folder(root.get(), "sub");
    File(Folder(sub, "deeper"), "leaf");  // chains of lone children
    b->DeleteEntry();
    list.ShrinkToFit();
    EXPECT_EQ(Names(list), (std::vector<std::string>{"sub"}));
    EXPECT_NE(Records(*root).find("leaf"), std::string::npos);
    sub->DeleteEntry();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    File(root.get(), "C");
    File(root.get(), "D");
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    File(root.get(), "E");
    list.RemoveAll();  // a lone child goes too
    EXPECT_EQ(list.GetCount(), 0);
}

// The writer walks back up by parent pointers where they lead to the folder it came from,
// and writes the same records where they do not (a tree put together by hand).
TEST(Block, RecordsOfNestedFoldersDoNotDependOnParentPointers) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "R"));
    CBlock* a = Folder(root.get(), "A");
    CBlock* b = Folder(a, "B");
    File(b, "b1");
    CBlock* c = Folder(b, "C");
    File(c, "c1");
    File(b, "b2");
    File(a, "a1");
    Folder(root.get(), "D");
    File(root.get(), "r1");
    const std::string expected = Records(*root);
    EXPECT_NE(expected.find("\"b2\""), std::string::npos);
    b->m_pParent = nullptr;
    c->m_pParent = root.get();
    EXPECT_EQ(Records(*root), expected);
    EXPECT_EQ(Records(*a), expected.substr(expected.find("FILE{\r\nNAME\t\"A\""),
                                           expected.find("FILE{\r\nNAME\t\"D\"") -
                                               expected.find("FILE{\r\nNAME\t\"A\"")));
    b->m_pParent = a;
    c->m_pParent = b;
}

TEST(Block, CollectFoldersPreOrder) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "root"));
    CBlock* A = Folder(root.get(), "A");
    File(root.get(), "f");
    CBlock* A1 = Folder(A, "A1");
    CBlock* B = Folder(root.get(), "B");
    std::vector<CBlock*> out;
    root->CollectFolders(out, false);
    EXPECT_EQ(out, (std::vector<CBlock*>{A, A1, B}));
    out.clear();
    root->CollectFolders(out, true);
    EXPECT_EQ(out.front(), root.get());
    EXPECT_EQ(out.size(), 4u);
}

TEST(Block, ApplyPropertiesCopiesChosenFieldsDownTheSubtree) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "root"));
    CBlock* A = Folder(root.get(), "A");
    CBlock* f = File(A, "f");
    CBlock source;
    source.m_nPriority = 0;
    source.SetTexts("auth", "comm", nullptr);
    source.m_bInherit = 1;
    source.m_bChangerEnabled = 0;

    root->ApplyProperties(source, false, false, false, false, true);
    EXPECT_EQ(f->m_bChangerEnabled, 0);
    EXPECT_EQ(A->m_bChangerEnabled, 0);
    EXPECT_EQ(root->m_bChangerEnabled, 0);
    EXPECT_EQ(f->m_nPriority, 2);
    EXPECT_EQ(f->GetAuthor(), "?");

    A->ApplyProperties(source, true, true, false, true, false);
    EXPECT_EQ(f->m_nPriority, 0);
    EXPECT_EQ(f->GetAuthor(), "auth");
    EXPECT_EQ(f->GetComment(), "?");
    EXPECT_EQ(f->m_bInherit, 1);
    EXPECT_EQ(root->m_nPriority, 2);  // above the start entry nothing changes
}

TEST(Block, MillionDeepTreeDoesNotUseTheStack) {
    std::unique_ptr<CBlock> root(Folder(nullptr, "root"));
    CBlock* cur = root.get();
    for (int i = 0; i < 1000000; ++i) cur = Folder(cur, "d");
    File(cur, "leaf");
    std::vector<CBlock*> folders;
    root->CollectFolders(folders, true);
    EXPECT_EQ(folders.size(), 1000001u);
    CBlock source;
    root->ApplyProperties(source, true, true, true, true, true);
    root.reset();  // destruction must not recurse
}

// The directory part a name shares is everything up to its last separator, wherever in the
// name (and in its words) that separator lies; a part of under ten bytes is not worth one.
TEST(BlockName, TheSharedPartEndsAtTheLastSeparator) {
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t last = 0; last < length; ++last) {
            for (char separator : {'/', '\\'}) {
                // Separators of both kinds before the last one, which decides.
                std::string text(length, 'a');
                for (std::size_t i = 0; i < last; i += 7) text[i] = separator == '/' ? '\\' : '/';
                text[last] = separator;
                CBlockName name;
                name.AssignSharing(text, CBlockName());
                EXPECT_EQ(name, text);
                std::string_view head, tail;
                name.Parts(head, tail);
                const std::size_t cut = last + 1;
                if (cut >= 10 && cut < length) {
                    EXPECT_EQ(head, text.substr(0, cut)) << text;
                    EXPECT_EQ(tail, text.substr(cut)) << text;
                } else {
                    EXPECT_TRUE(head.empty()) << text;
                    EXPECT_EQ(tail, text) << text;
                }
            }
        }
    }
}
