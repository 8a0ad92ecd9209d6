#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/Block.h"
#include "model/BlockPool.h"
#include "model/InternTable.h"

namespace {

struct Record {
    std::string text;
    std::uint64_t hash;
};

// Hashes that fall into few slots, so that runs wrap round the end of the table and removal
// has to move records back into the hole it leaves.
std::uint64_t Crowded(const std::string& text) {
    return intern::Hash(text) % 5 + (text.size() % 2 ? 60 : 0);
}

// Every record is found while it is in, none after it went, whatever the order of the
// insertions and removals and however the hashes crowd.
TEST(InternTable, FindsExactlyTheRecordsInAcrossGrowthAndRemoval) {
    for (bool crowded : {true, false}) {
        intern::CTable<Record> table;
        std::vector<std::unique_ptr<Record>> records;
        for (int i = 0; i < 3000; ++i) {
            const std::string text = "C:\\dir" + std::to_string(i) + "\\";
            records.push_back(std::make_unique<Record>(
                Record{text, crowded ? Crowded(text) : intern::Hash(text)}));
        }
        auto find = [&](const Record& r) {
            return table.Find(r.hash, [&](const Record* in) { return in->text == r.text; });
        };
        std::vector<bool> in(records.size(), false);
        std::mt19937 random(crowded ? 7 : 11);
        for (int step = 0; step < 12000; ++step) {
            const std::size_t i = random() % records.size();
            if (in[i]) {
                table.Erase(records[i]->hash, records[i].get());
            } else {
                ASSERT_EQ(find(*records[i]), nullptr);
                table.Insert(records[i]->hash, records[i].get());
            }
            in[i] = !in[i];
            if (step % 1000 == 999 || step < 200) {
                for (std::size_t j = 0; j < records.size(); ++j) {
                    ASSERT_EQ(find(*records[j]), in[j] ? records[j].get() : nullptr)
                        << "record " << j << " at step " << step;
                }
            }
        }
        EXPECT_EQ(table.Count(), static_cast<std::size_t>(std::count(in.begin(), in.end(), true)));
    }
}

TEST(InternTable, HashTellsApartTextsOfEveryLengthAndSeed) {
    // Texts differing in one byte or one length, in the short tails read without a loop.
    std::vector<std::uint64_t> seen;
    const std::string base = "abcdefghijklmnopq";
    for (std::size_t n = 0; n <= base.size(); ++n) {
        seen.push_back(intern::Hash(base.substr(0, n)));
        if (n) seen.push_back(intern::Hash(base.substr(0, n - 1) + "Z"));
        seen.push_back(intern::Hash(base.substr(0, n), 1));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(intern::Hash("same"), intern::Hash(std::string("same")));
}

// The pair's hash sees every byte of both texts and where one ends: bytes moved from one
// text to the other, a NUL, one byte anywhere in a long text give another hash.
TEST(InternTable, PairHashTellsApartTheSplitAndEveryByte) {
    const std::string long1(40, 'x');
    std::vector<std::pair<std::string, std::string>> pairs = {
        {"ab", "c"}, {"a", "bc"}, {"", "abc"}, {"abc", ""}, {"", ""},
        {std::string("a\0b", 3), "c"}, {std::string("a\0c", 3), "c"}, {"a", std::string("\0", 1)},
        {"a", ""}, {"\x95\x5c", "\x8e\xa6"}, {"\x95\x5c\x8e", "\xa6"},
        {"artist 1", "?"}, {"artist 10", "?"}, {"artist 1", "??"},
        {"x", "?"}, {"xx", "?"}, {"xxx", "?"}};
    for (std::size_t i = 0; i < long1.size(); ++i) {
        std::string changed = long1;
        changed[i] = 'y';
        pairs.push_back({changed, "?"});
        pairs.push_back({"?", changed});
        pairs.push_back({long1.substr(0, i), long1.substr(i)});
    }
    std::vector<std::uint64_t> seen;
    for (const auto& p : pairs) {
        seen.push_back(intern::HashPair(p.first, p.second));
        EXPECT_EQ(seen.back(), intern::HashPair(std::string(p.first), std::string(p.second)));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

// The numbers entries name their texts by are given back and used again; entries keep their
// texts through it, across many blocks of numbers.
TEST(BlockTexts, EntriesKeepTheirTextsWhileOthersComeAndGo) {
    auto texts = [](int i) {
        return std::make_pair("a" + std::to_string(i % 37), "c" + std::to_string(i));
    };
    std::vector<std::unique_ptr<CBlock>> entries;
    for (int i = 0; i < 10000; ++i) {
        entries.push_back(std::make_unique<CBlock>());
        entries.back()->SetTexts(texts(i).first, texts(i).second, nullptr);
    }
    for (int i = 0; i < 10000; i += 2) entries[i].reset();
    for (int i = 0; i < 10000; i += 2) {
        entries[i] = std::make_unique<CBlock>();
        entries[i]->SetTexts(texts(i + 20000).first, texts(i + 20000).second, nullptr);
    }
    for (int i = 0; i < 10000; ++i) {
        const int made = i % 2 ? i : i + 20000;
        ASSERT_EQ(entries[i]->Author(), texts(made).first) << i;
        ASSERT_EQ(entries[i]->Comment(), texts(made).second) << i;
    }
    // A record shared by two entries stays while either holds it.
    CBlock other;
    other.SetTexts(entries[1]->Author(), entries[1]->Comment(), nullptr);
    EXPECT_EQ(other.Comment().data(), entries[1]->Comment().data());
    entries[1].reset();
    EXPECT_EQ(other.Comment(), texts(1).second);
    // A new entry starts with the default texts.
    CBlock fresh;
    EXPECT_EQ(fresh.Author(), "?");
    EXPECT_EQ(fresh.Comment(), "?");
}

// Texts of every size and byte: long ones (well past the pool's largest piece), NUL bytes,
// double-byte characters whose second byte is a backslash; texts that differ only in where
// the author ends and the comment begins have records of their own.
TEST(BlockTexts, KeepsEveryByteAndTellsApartWhereTheTextsSplit) {
    const std::string huge(100000, 'h');
    const std::string nul("a\0b", 3), nul2("a\0c", 3);
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"ab", "c"}, {"a", "bc"}, {"abc", ""}, {"", "abc"}, {"", ""},
        {nul, "?"}, {nul2, "?"}, {"?", nul}, {"\x95\x5c", "\x94\x5c\x97\xcd"},
        {std::string(600, 'l'), "?"}, {"?", std::string(600, 'l')}, {huge, huge + "!"},
        {"\x95\x5c\x94", "\x5c\x97\xcd"}, {"x", "?"}, {"xx", "?"},
        {std::string(300, 'l') + "m" + std::string(299, 'l'), "?"}};
    std::vector<std::unique_ptr<CBlock>> entries;
    for (int round = 0; round < 2; ++round) {
        for (const auto& t : texts) {
            entries.push_back(std::make_unique<CBlock>());
            entries.back()->SetTexts(t.first, t.second, nullptr);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& t = texts[i % texts.size()];
        ASSERT_EQ(entries[i]->Author(), t.first) << i;
        ASSERT_EQ(entries[i]->Comment(), t.second) << i;
        ASSERT_EQ(entries[i]->GetAuthor(), t.first) << i;
        // The second round shares the first round's records; no two pairs share one.
        const CBlock& twin = *entries[(i + texts.size()) % entries.size()];
        EXPECT_EQ(entries[i]->Author().data(), twin.Author().data()) << i;
        for (std::size_t j = 0; j < texts.size(); ++j) {
            if (j != i % texts.size()) {
                EXPECT_NE(entries[i]->Author().data(), entries[j]->Author().data()) << i << " " << j;
            }
        }
    }
    // Texts like those of the entry given as a model, or of its own, but for one byte in the
    // middle, are not taken for them.
    const std::string& plain = texts[9].first;
    const std::string& marked = texts[15].first;
    CBlock other;
    other.SetTexts(marked, "?", entries[9].get());
    EXPECT_EQ(other.Author(), marked);
    other.SetTexts(plain, "?", nullptr);
    EXPECT_EQ(other.Author(), plain);
    // Texts taken from the entry's own record, and from another's.
    entries[0]->SetAuthor(entries[0]->Comment());
    EXPECT_EQ(entries[0]->Author(), "c");
    entries[1]->SetTexts(entries[11]->Comment(), entries[1]->Author(), nullptr);
    EXPECT_EQ(entries[1]->Author(), huge + "!");
    EXPECT_EQ(entries[1]->Comment(), "a");
}

// A record goes back when its last entry lets go (the pool's pieces show it), and the texts
// asked for again afterwards, however recently met, get a sound record; through it all the
// entries that stay keep their texts.
TEST(BlockTexts, RecordsGoBackWithTheirLastEntryAndComeAgain) {
    const std::size_t before = blockpool::GetStats().livePieces;
    {
        CBlock keeper;
        keeper.SetTexts("kept", "all along", nullptr);
        std::vector<std::unique_ptr<CBlock>> entries;
        for (int round = 0; round < 3; ++round) {
            // Each pair met several times over, so that the recent ones are found fast.
            for (int i = 0; i < 3000; ++i) {
                entries.push_back(std::make_unique<CBlock>());
                entries.back()->SetTexts("author " + std::to_string(i % 40),
                                         "comment " + std::to_string(i % 1000), nullptr);
            }
            // Every record but the keeper's goes with its last entry.
            EXPECT_EQ(blockpool::GetStats().livePieces, before + 1 + 3000 + 1000);
            entries.clear();
            EXPECT_EQ(blockpool::GetStats().livePieces, before + 1);
            EXPECT_EQ(keeper.Author(), "kept");
            EXPECT_EQ(keeper.Comment(), "all along");
        }
        // The default texts take no record.
        CBlock plain;
        plain.SetTexts("?", "?", nullptr);
        plain.SetAuthor("x");
        plain.SetAuthor("?");
        EXPECT_EQ(blockpool::GetStats().livePieces, before + 1);
    }
    EXPECT_EQ(blockpool::GetStats().livePieces, before);
}

}  // namespace
