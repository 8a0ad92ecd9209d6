// Handles of pool pieces, and child lists, whose slots hold them, across many chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/ByteStream.h"
#include "model/RecordReader.h"
#include "tests/core/PoolLimit.h"

namespace {

using pooltest::ChunkLimit;
using pooltest::FillPool;
using pooltest::FreeAll;
using pooltest::Piece;

// Sizes as entries, names and child lists ask for them, the largest class included.
std::size_t SizeOf(std::size_t i) {
    static const std::size_t sizes[] = {48, 24, 8, 40, 512, 17, 144, 1};
    return sizes[i % (sizeof(sizes) / sizeof(sizes[0]))];
}

// Every handle is non-zero, names its own piece and no other.
void ExpectHandlesRoundTrip(const std::vector<Piece>& pieces) {
    std::vector<std::uint32_t> seen;
    for (const Piece& p : pieces) {
        const std::uint32_t h = blockpool::HandleOf(p.at);
        ASSERT_NE(h, 0u);
        ASSERT_EQ(blockpool::FromHandle(h), p.at);
        seen.push_back(h);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

}  // namespace

TEST(BlockPool, HandlesNameTheirPiecesInEveryChunkAndAfterTheChunksAreRemade) {
    ASSERT_EQ(blockpool::GetStats().livePieces, 0u);
    for (int round = 0; round < 2; ++round) {
        // Enough for the small first chunks and two of the largest.
        std::vector<Piece> pieces;
        for (std::size_t i = 0; blockpool::GetStats().chunks < 9; ++i) {
            pieces.push_back({blockpool::Allocate(SizeOf(i)), SizeOf(i)});
        }
        ExpectHandlesRoundTrip(pieces);
        // Handles looked up in another order than the pieces were made (no help from the
        // chunk looked up last).
        for (std::size_t i = 0; i < pieces.size(); i += 9973) {
            const std::size_t j = pieces.size() - 1 - i;
            EXPECT_EQ(blockpool::FromHandle(blockpool::HandleOf(pieces[j].at)), pieces[j].at);
            EXPECT_EQ(blockpool::FromHandle(blockpool::HandleOf(pieces[i].at)), pieces[i].at);
        }
        // Pieces freed and handed out again from the free lists, all over the chunks.
        for (std::size_t i = 0; i < pieces.size(); i += 3) blockpool::Free(pieces[i].at, pieces[i].size);
        for (std::size_t i = 0; i < pieces.size(); i += 3) pieces[i].at = blockpool::Allocate(pieces[i].size);
        ExpectHandlesRoundTrip(pieces);
        // Nothing else has one: the heap's large pieces, other memory, null.
        void* large = blockpool::Allocate(blockpool::kLargest + 1);
        int local = 0;
        auto heap = std::make_unique<char[]>(64);
        EXPECT_EQ(blockpool::HandleOf(large), 0u);
        EXPECT_EQ(blockpool::HandleOf(&local), 0u);
        EXPECT_EQ(blockpool::HandleOf(heap.get()), 0u);
        EXPECT_EQ(blockpool::HandleOf(nullptr), 0u);
        // Nor a place inside a piece off the granule, nor the header before a chunk's first
        // piece: in the chunk last looked in, and in another.
        const std::uint32_t last = blockpool::HandleOf(pieces.back().at);
        const char* lastChunk = blockpool::detail::g_chunkBases[last >> blockpool::kOffsetBits];
        EXPECT_EQ(blockpool::HandleOf(static_cast<char*>(pieces.back().at) + 1), 0u);
        EXPECT_EQ(blockpool::HandleOf(lastChunk), 0u);
        EXPECT_EQ(blockpool::HandleOf(lastChunk + 8), 0u);
        EXPECT_EQ(blockpool::HandleOf(blockpool::detail::g_chunkBases[0] + 8), 0u);
        // Nothing asked for is still a piece of its own.
        void* none = blockpool::Allocate(0);
        EXPECT_NE(blockpool::HandleOf(none), 0u);
        EXPECT_EQ(blockpool::FromHandle(blockpool::HandleOf(none)), none);
        blockpool::Free(none, 0);
        blockpool::Free(large, blockpool::kLargest + 1);
        for (const Piece& p : pieces) blockpool::Free(p.at, p.size);
        // All chunks went back; the next round numbers new ones from the start.
        ASSERT_EQ(blockpool::GetStats().chunks, 0u);
    }
}

TEST(BlockPool, PastTheLastChunkAllocationFailsCleanlyAndWhatIsHeldStaysGood) {
    ASSERT_EQ(blockpool::GetStats().livePieces, 0u);
    std::vector<Piece> pieces;
    {
        ChunkLimit limit(3);  // 64, 128 and 256 KiB
        bool threw = false;
        while (pieces.size() < 100000) {
            try {
                pieces.push_back({blockpool::Allocate(48), 48});
            } catch (const std::bad_alloc&) {
                threw = true;
                break;
            }
        }
        ASSERT_TRUE(threw);
        EXPECT_EQ(blockpool::GetStats().chunks, 3u);
        EXPECT_GT(pieces.size(), 9000u);
        ExpectHandlesRoundTrip(pieces);
        // A freed piece is still there for the next one; a new entry fails as cleanly.
        blockpool::Free(pieces.back().at, 48);
        pieces.back().at = blockpool::Allocate(48);
        EXPECT_THROW(blockpool::Allocate(48), std::bad_alloc);
        EXPECT_THROW(new CBlock, std::bad_alloc);
        ExpectHandlesRoundTrip(pieces);
    }
    for (const Piece& p : pieces) blockpool::Free(p.at, p.size);
    EXPECT_EQ(blockpool::GetStats().chunks, 0u);
}

// The slots of a child list hold handles: a large folder whose entries lie all over the
// pool's chunks, out of order, keeps every entry by index, by walk and by search through
// removals, holes, compaction and shrinking.
TEST(ChildList, ALargeFolderOfEntriesFromEveryChunkKeepsItsEntries) {
    std::unique_ptr<CBlock> root(new CBlock);
    CBlockChildList& list = root->m_Children;
    // Entries made ahead and half of them deleted, so that the folder's entries come from
    // the free lists of early chunks and from new chunks in turn.
    std::vector<CBlock*> spare;
    for (int i = 0; i < 100000; ++i) spare.push_back(new CBlock);
    for (std::size_t i = 0; i < spare.size(); i += 2) delete spare[i];
    std::vector<CBlock*> expected;
    const int n = 250000;
    for (int i = 0; i < n; ++i) {
        CBlock* entry = new CBlock;
        entry->m_strName = std::to_string(i);
        entry->m_pParent = root.get();
        list.AddTail(entry);
        expected.push_back(entry);
    }
    for (std::size_t i = 1; i < spare.size(); i += 2) delete spare[i];
    EXPECT_GT(blockpool::GetStats().chunks, 6u);

    auto expectList = [&] {
        ASSERT_EQ(list.GetCount(), static_cast<int>(expected.size()));
        std::size_t k = 0;
        for (BlockPos pos = list.GetHeadPosition(); pos; ++k) {
            ASSERT_LT(k, expected.size());
            ASSERT_EQ(list.GetNext(pos), expected[k]);
        }
        ASSERT_EQ(k, expected.size());
        for (std::size_t i = 0; i < expected.size(); i += 7) {
            ASSERT_EQ(list.GetAtIndex(static_cast<int>(i)), expected[i]);
            ASSERT_EQ(list.IndexOf(expected[i]), static_cast<int>(i));
            ASSERT_EQ(list.GetAt(list.Find(expected[i])), expected[i]);
        }
    };
    expectList();

    // Removals leave holes (the walk skips them), then an access by index squeezes them out.
    std::vector<CBlock*> kept;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i % 5 == 1 || i % 5 == 3) {
            list.RemoveAt(list.Find(expected[i]));
        } else {
            kept.push_back(expected[i]);
        }
    }
    expected.swap(kept);
    expectList();
    // Entries added after the holes, then shrinking to fit.
    for (int i = 0; i < 1000; ++i) {
        CBlock* entry = new CBlock;
        entry->m_pParent = root.get();
        list.AddTail(entry);
        expected.push_back(entry);
    }
    list.RemoveAt(list.GetHeadPosition());
    expected.erase(expected.begin());
    list.ShrinkToFit();
    expectList();
    EXPECT_EQ(list.GetAtIndex(0)->m_strName, "2");
}

TEST(ChildList, AnEntryNotMadeWithNewIsRefusedAndTheListIsUnchanged) {
    std::unique_ptr<CBlock> root(new CBlock);
    CBlock onStack;
    EXPECT_THROW(root->m_Children.AddTail(&onStack), std::invalid_argument);
    EXPECT_EQ(root->m_Children.GetCount(), 0);
    CBlock* a = new CBlock;
    root->m_Children.AddTail(a);
    EXPECT_THROW(root->m_Children.AddTail(&onStack), std::invalid_argument);  // lone child
    CBlock* b = new CBlock;
    root->m_Children.AddTail(b);
    EXPECT_THROW(root->m_Children.AddTail(&onStack), std::invalid_argument);  // a list
    EXPECT_EQ(root->m_Children.GetCount(), 2);
    EXPECT_EQ(root->m_Children.GetAtIndex(0), a);
    EXPECT_EQ(root->m_Children.GetAtIndex(1), b);
}

// Copying an author down a folder holds the source's texts while the subtree changes. When the
// pool runs out half-way, the change stops with std::bad_alloc and the hold goes back: once
// every entry is gone, so is every record.
TEST(BlockPool, TextsHeldByAChangeThatRunsOutOfMemoryGoBack) {
    const std::size_t before = blockpool::GetStats().livePieces;
    {
        std::unique_ptr<CBlock> root(new CBlock);
        root->m_bFolder = 1;
        for (int i = 0; i < 3; ++i) {
            CBlock* entry = new CBlock;
            entry->SetTexts("?", "comment " + std::to_string(i), nullptr);
            entry->m_pParent = root.get();
            root->m_Children.AddTail(entry);
        }
        std::unique_ptr<CBlock> source(new CBlock);
        source->SetTexts("the source's author", "the source's comment", nullptr);
        // Nothing more to be had from the pool: each entry needs a record of its own.
        std::vector<Piece> filler;
        {
            ChunkLimit limit(blockpool::GetStats().chunks);
            filler = FillPool();
            EXPECT_THROW(root->ApplyProperties(*source, false, true, false, false, false),
                         std::bad_alloc);
        }
        FreeAll(filler);
        EXPECT_EQ(source->Author(), "the source's author");
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}

// A line read into a folder is made into an entry, which then goes into the folder's list.
// When the list has no memory to grow, reading stops with std::bad_alloc, and the entry made
// for the line goes again: once the folder is gone, so is every piece.
TEST(BlockPool, AnEntryTheFolderCannotTakeGoesAgain) {
    const std::size_t before = blockpool::GetStats().livePieces;
    {
        std::unique_ptr<CBlock> folder(new CBlock);
        folder->m_bFolder = 1;
        CBlock* lone = new CBlock;  // held without a list: the next child needs one
        lone->m_pParent = folder.get();
        folder->m_Children.AddTail(lone);
        void* room = blockpool::Allocate(sizeof(CBlock));
        std::vector<Piece> filler;
        {
            ChunkLimit limit(blockpool::GetStats().chunks);
            filler = FillPool();
            blockpool::Free(room, sizeof(CBlock));  // room for the new entry, not for the list
            CStringLineSource lines("DATA\t\"b.jpg\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n");
            RecordReadContext context;
            EXPECT_THROW(ReadRecords(lines, folder.get(), context), std::bad_alloc);
            // The room went to the entry and came back: the list was what failed.
            void* again = nullptr;
            EXPECT_NO_THROW(again = blockpool::Allocate(sizeof(CBlock)));
            if (again) blockpool::Free(again, sizeof(CBlock));
        }
        FreeAll(filler);
        EXPECT_EQ(folder->m_Children.GetCount(), 1);
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}

// A line whose texts were met lately holds their record from the moment it is taken. When
// its folder's list cannot take the entry, that hold goes back with the entry: once the
// folder is gone, so is the record.
TEST(BlockPool, TextsHeldForALineTheFolderCannotTakeGoBack) {
    const std::size_t before = blockpool::GetStats().livePieces;
    {
        std::unique_ptr<CBlock> folder(new CBlock);
        folder->m_bFolder = 1;
        const std::string line = "DATA\t\"b.jpg\",\"2\",\"held author\",\"?\",\"0\",\"1\"\r\n";
        {
            // A lone child with these texts keeps their record; entries made and gone put
            // it among the records met lately.
            CStringLineSource lines(line);
            RecordReadContext context;
            ReadRecords(lines, folder.get(), context);
            for (int i = 0; i < 3; ++i) CBlock().SetTexts("held author", "?", nullptr);
        }
        ASSERT_EQ(folder->m_Children.GetCount(), 1);
        void* room = blockpool::Allocate(sizeof(CBlock));
        std::vector<Piece> filler;
        {
            ChunkLimit limit(blockpool::GetStats().chunks);
            filler = FillPool();
            blockpool::Free(room, sizeof(CBlock));  // room for the new entry, not for the list
            CStringLineSource lines(line + line);
            RecordReadContext context;
            EXPECT_THROW(ReadRecords(lines, folder.get(), context), std::bad_alloc);
        }
        FreeAll(filler);
        EXPECT_EQ(folder->m_Children.GetCount(), 1);
        EXPECT_EQ(folder->m_Children.GetAtIndex(0)->Author(), "held author");
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}

// The same when the pool runs out while the lines kept before the held one are made: the
// held line is never made, and its hold goes back.
TEST(BlockPool, TextsHeldForALineAfterOneThatFailsGoBack) {
    const std::size_t before = blockpool::GetStats().livePieces;
    {
        std::unique_ptr<CBlock> folder(new CBlock);
        folder->m_bFolder = 1;
        // Kept by an entry, and met again lately.
        std::unique_ptr<CBlock> keeper(new CBlock);
        keeper->SetTexts("held author", "?", nullptr);
        for (int i = 0; i < 3; ++i) CBlock().SetTexts("held author", "?", nullptr);
        std::vector<Piece> filler;
        {
            ChunkLimit limit(blockpool::GetStats().chunks);
            filler = FillPool();
            // Texts never met wait for their memory; the held ones make the line before go
            // first, which finds no room.
            CStringLineSource lines(
                "DATA\t\"a.jpg\",\"2\",\"never met\",\"?\",\"0\",\"1\"\r\n"
                "DATA\t\"b.jpg\",\"2\",\"held author\",\"?\",\"0\",\"1\"\r\n");
            RecordReadContext context;
            EXPECT_THROW(ReadRecords(lines, folder.get(), context), std::bad_alloc);
        }
        FreeAll(filler);
        EXPECT_EQ(folder->m_Children.GetCount(), 0);
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}
